// Geometry in twips (1/1440 inch) and the layout formulas of the four windows.
//
// Every position and size is held as a float number of twips. Each division and sum is done in
// double and checked before it is stored in a float: division by zero, an invalid result (NaN)
// or a value beyond the float range raises GeometryError instead of passing a bad size on.
#pragma once

#include <stdexcept>

class QScreen;

namespace zv::ui {

class GeometryError : public std::runtime_error {
  public:
    enum class Kind { DivisionByZero, Overflow, Invalid };
    GeometryError(Kind kind, const char* what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const noexcept { return kind_; }

  private:
    Kind kind_;
};

// value stored as float; raises on NaN and on a magnitude beyond FLT_MAX.
float CheckedFloat(double value);
// numerator / denominator in double, stored as float; raises on x/0, 0/0, NaN and overflow.
float CheckedQuotient(double numerator, double denominator);

struct TwipsRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

// The layout formulas. Inputs and results in twips; the screen is the area windows are tiled
// in, whose left and top edge are those of the whole screen where no panel takes a side.
namespace layout {

inline constexpr float kMainLeft = 105;       // the main window's left edge, from the screen's
inline constexpr float kContentOffset = 100;  // content control's left and top in its client area
inline constexpr double kHeightDivisor = 1.15;
inline constexpr double kWidthDivisor = 1.05;
// The Unicode text window's height (1 inch) when the main window has grown so tall that the
// formula gives zero or less; a small positive height is kept as computed.
inline constexpr float kMinimumUnicodeHeight = 1440;

float MainLeft(float screen_left);         // screen left + 105
float MainHeight(float screen_height);     // screen height / 1.5
float MainWidth(float screen_width);       // screen width / 2 - 150
float ContentHeight(float window_height);  // window height / 1.15
float ContentWidth(float window_width);    // window width / 1.05
// Directly right of the main window, 20 twips from it.
float PreviewLeft(float main_left, float main_width);
// Below the main window: top = screen top + main height + 120,
// height = screen height - (main height + 40).
float UnicodeTop(float main_height, float screen_top = 0);
float UnicodeHeight(float screen_height, float main_height);

}  // namespace layout

// Twips per device-independent pixel of a screen (15 at 96 DPI); 15 without a screen.
double TwipsPerPixel(const QScreen* screen);
double TwipsPerPixel();  // of the primary screen
int TwipsToPixels(float twips, double twips_per_pixel);
float PixelsToTwips(int pixels, double twips_per_pixel);

}  // namespace zv::ui

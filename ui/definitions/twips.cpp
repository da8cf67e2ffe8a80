#include "ui/definitions/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cfloat>
#include <cmath>
#include <limits>

namespace zv::ui {

float CheckedFloat(double value) {
    if (std::isnan(value)) {
        throw GeometryError(GeometryError::Kind::Invalid, "Invalid floating-point operation");
    }
    if (std::fabs(value) > static_cast<double>(FLT_MAX)) {
        throw GeometryError(GeometryError::Kind::Overflow, "Floating-point overflow");
    }
    return static_cast<float>(value);
}

float CheckedQuotient(double numerator, double denominator) {
    if (std::isnan(numerator) || std::isnan(denominator)) {
        throw GeometryError(GeometryError::Kind::Invalid, "Invalid floating-point operation");
    }
    if (denominator == 0.0) {
        if (numerator == 0.0) {
            throw GeometryError(GeometryError::Kind::Invalid, "Invalid floating-point operation");
        }
        throw GeometryError(GeometryError::Kind::DivisionByZero, "Division by zero");
    }
    return CheckedFloat(numerator / denominator);
}

namespace layout {

float MainLeft(float screen_left) {
    return CheckedFloat(static_cast<double>(screen_left) + kMainLeft);
}

float MainHeight(float screen_height) { return CheckedQuotient(screen_height, 1.5); }

float MainWidth(float screen_width) {
    // Halved first, then 150 twips taken off, both in single precision.
    const float half = CheckedQuotient(screen_width, 2.0f);
    return CheckedFloat(static_cast<double>(half - 150.0f));
}

float ContentHeight(float window_height) { return CheckedQuotient(window_height, kHeightDivisor); }

float ContentWidth(float window_width) { return CheckedQuotient(window_width, kWidthDivisor); }

float PreviewLeft(float main_left, float main_width) {
    return CheckedFloat(static_cast<double>(main_width) + main_left + 20.0);
}

float UnicodeTop(float main_height, float screen_top) {
    return CheckedFloat(static_cast<double>(screen_top) + main_height + 120.0);
}

float UnicodeHeight(float screen_height, float main_height) {
    const float height = CheckedFloat(static_cast<double>(screen_height) -
                                      (static_cast<double>(main_height) + 40.0));
    return height > 0 ? height : kMinimumUnicodeHeight;
}

}  // namespace layout

double TwipsPerPixel(const QScreen* screen) {
    if (screen == nullptr) return 15.0;
    const double dpi = screen->logicalDotsPerInch();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

double TwipsPerPixel() { return TwipsPerPixel(QGuiApplication::primaryScreen()); }

int TwipsToPixels(float twips, double twips_per_pixel) {
    const double pixels = std::round(static_cast<double>(twips) / twips_per_pixel);
    // Widgets take sizes up to 2^24 - 1 pixels; anything beyond is clamped rather than wrapped.
    constexpr double kLimit = 16777215.0;
    if (std::isnan(pixels)) return 0;
    if (pixels > kLimit) return static_cast<int>(kLimit);
    if (pixels < -kLimit) return static_cast<int>(-kLimit);
    return static_cast<int>(pixels);
}

float PixelsToTwips(int pixels, double twips_per_pixel) {
    return static_cast<float>(pixels * twips_per_pixel);
}

}  // namespace zv::ui

// Base of the program's four windows: geometry in twips, the client area that holds the
// content controls, menu building (F10 opens the menu bar), and the load/resize/close events.
//
// A window's Left and Top are its outer top-left corner; Width and Height its outer size, frame
// and menu bar included. The frame is known only once the window manager has framed the window
// (none without one): a size set before that is applied again to the outer size as soon as the
// frame appears.
#pragma once

#include <QMainWindow>
#include <QMargins>
#include <QRect>
#include <functional>

#include "ui/definitions/twips.h"

class QMenu;
class QPlainTextEdit;
class QAction;

namespace zv::ui {

enum class FormId { Form1 = 0, Form2 = 1, Form3 = 2, Form4 = 3 };

class ZvWindow : public QMainWindow {
    Q_OBJECT
  public:
    ZvWindow(FormId id, const QString& name, const QString& caption);

    FormId Id() const { return id_; }

    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips);
    void SetHeight(float twips);

    // The area below the menu bar that hosts the content controls.
    QWidget* Client() const { return client_; }

    // Runs when the window is created from its definition (before it is ever shown).
    virtual void Form_Load() = 0;
    // Runs when the window is first displayed and after every change of its size.
    virtual void Form_Resize() = 0;

    double TwipsPerPixel() const;

  protected:
    // Builders for the definitions. Captions are shown exactly: a "&" stays a character.
    QMenu* AddMenu(const QString& name, const QString& caption);
    QAction* AddItem(QMenu* menu, const QString& name, const QString& caption,
                     const QKeySequence& shortcut = {});
    // A menu item and what it does: choosing it runs handler through the dispatcher.
    QAction* AddCommand(QMenu* menu, const QString& name, const QString& caption,
                        const QKeySequence& shortcut, std::function<void()> handler);
    // A check-mark item, marked at first or not; its handler sets the marks itself and sees
    // them as they were when the item was chosen.
    QAction* AddMarkCommand(QMenu* menu, const QString& name, const QString& caption,
                            const QKeySequence& shortcut, bool marked,
                            std::function<void()> handler);
    // An item on the menu bar itself that opens no menu.
    QAction* AddBarItem(const QString& name, const QString& caption);
    // The place a window is created at: its client area in twips, with the outer top-left
    // corner where a classic frame (60-twip border, 285-twip title and menu bars) would put it,
    // counted from the top-left corner of the screen's area free of panels.
    void DefineClientArea(const TwipsRect& client);
    // Paints the client area around the content controls.
    void SetClientColor(const QColor& color);

    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    // wanted while the window still stands where it puts it, else the pixels in twips.
    float KeptTwips(float wanted, int pixels) const;
    QRect OuterPixels() const;
    QRect CurrentOuter() const;
    QMargins FrameMargins() const;
    TwipsRect CurrentTwips() const;
    // One of Left, Top, Width, Height changed, the other three kept.
    void SetPlace(float TwipsRect::*field, float twips);
    void ApplyOuter(const TwipsRect& place);
    void ReapplyIfFrameChanged();

    FormId id_;
    QWidget* client_ = nullptr;
    bool placed_by_code_ = false;
    TwipsRect wanted_twips_;
    QRect wanted_outer_;
    QMargins applied_margins_;
};

// Gives a text box the look of both windows' Text1: that name, vertical scroll bar only, lines
// wrapped, text in text_color on white in light and dark themes alike.
void StyleTextBox(QPlainTextEdit* box, const QColor& text_color);

// A text box named Text1, styled as above; Box is QPlainTextEdit or a class derived from it.
template <typename Box = QPlainTextEdit>
Box* MakeTextBox(QWidget* parent, const QColor& text_color) {
    auto* box = new Box(parent);
    StyleTextBox(box, text_color);
    return box;
}

// Selects the whole text of a text box (start 0, the whole length); the focus stays where it is.
void SelectAllText(QPlainTextEdit* box);

// Escapes "&" so that a caption shows as written, with no access key.
QString MenuText(const QString& caption);

// What a screen reader says of a content control: its window's caption without the padding
// blanks as its name, and what it holds as its description.
void DescribeControl(QWidget* control, const QString& caption, const QString& description);

// Content controls keep their place in twips as set; the widget gets it in pixels.
TwipsRect ControlPlace(const QWidget* control);
void SetControlPlace(QWidget* control, const TwipsRect& place);
// One of Left, Top, Width, Height changed (&TwipsRect::left …), the other three kept.
void SetControlPlace(QWidget* control, float TwipsRect::*field, float twips);
// The rule every window lays out its content control by after a change of size (the main
// window also when it loads): kContentOffset in from the client area's top-left corner,
// ContentHeight and ContentWidth of the window's outer size. Each of the four settings stands
// alone: one that fails leaves the others done.
void FitContentControl(const ZvWindow& window, QWidget* control);
// Font size in points, from its text form ("12"); raises when the text is no number.
void SetFontSize(QWidget* control, const QString& points);

}  // namespace zv::ui

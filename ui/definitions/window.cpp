#include "ui/definitions/window.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QTextCursor>
#include <QTimer>
#include <QVariant>
#include <algorithm>
#include <cmath>

#include "resources/resources.h"
#include "ui/definitions/forms.h"
#include "ui/definitions/handlers.h"

namespace zv::ui {
namespace {

constexpr char kPlaceProperty[] = "zvTwipsPlace";

double ControlTwipsPerPixel(const QWidget* control) {
    return ::zv::ui::TwipsPerPixel(control->screen());
}

// Relative luminance of a colour (0 black, 1 white), and the contrast ratio of two (1 to 21), as
// the usual guidelines for readable text compute them.
double Luminance(const QColor& color) {
    auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The theme's selection colour, made darker (under light selected text) or lighter (under dark)
// until the selected text stands out on it at 4.5 : 1.
QColor ReadableHighlight(QColor highlight, const QColor& text) {
    const bool light_text = Luminance(text) > 0.5;
    for (int step = 0; step < 32 && Contrast(highlight, text) < 4.5; ++step) {
        highlight = light_text ? highlight.darker(110) : highlight.lighter(110);
    }
    return highlight;
}

}  // namespace

void StyleTextBox(QPlainTextEdit* box, const QColor& text_color) {
    box->setObjectName(QStringLiteral("Text1"));
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The text colours are dark: the box is white whatever the desktop's theme, so that a dark
    // theme's background does not swallow the text.
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, text_color);
    palette.setColor(QPalette::Base, Qt::white);
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight,
                         ReadableHighlight(palette.color(group, QPalette::Highlight),
                                           palette.color(group, QPalette::HighlightedText)));
    }
    box->setPalette(palette);
}

QString MenuText(const QString& caption) {
    QString text = caption;
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    return text;
}

void DescribeControl(QWidget* control, const QString& caption, const QString& description) {
    control->setAccessibleName(caption.simplified());
    control->setAccessibleDescription(description);
}

ZvWindow::ZvWindow(FormId id, const QString& name, const QString& caption) : id_(id) {
    setObjectName(name);
    setWindowTitle(caption);  // a window title has no access keys: "&" is shown as it is
    setWindowIcon(resources::ApplicationIcon());
    setAttribute(Qt::WA_QuitOnClose, false);
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);
    // The menus have no access keys, so F10, as on most desktops, opens the menu bar's first
    // menu; the arrow keys go on from there.
    auto* open_menus = new QShortcut(QKeySequence(Qt::Key_F10), this);
    open_menus->setContext(Qt::WindowShortcut);
    connect(open_menus, &QShortcut::activated, this, [this] {
        for (QAction* action : menuBar()->actions()) {
            if (action->menu() != nullptr) {
                menuBar()->setActiveAction(action);
                return;
            }
        }
    });
}

double ZvWindow::TwipsPerPixel() const { return ::zv::ui::TwipsPerPixel(screen()); }

QMargins ZvWindow::FrameMargins() const {
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

QRect ZvWindow::OuterPixels() const { return frameGeometry(); }

QRect ZvWindow::CurrentOuter() const {
    // Until a frame that appeared after the last placement has been allowed for, the outer
    // rectangle asked for is the truth; afterwards what is on screen (the user may have moved it).
    if (placed_by_code_ && FrameMargins() != applied_margins_) return wanted_outer_;
    return OuterPixels();
}

// A value set by code is returned as set for as long as the window still stands where that
// value puts it; once the user has moved or sized it, the screen position is the truth.
float ZvWindow::Left() const { return KeptTwips(wanted_twips_.left, CurrentOuter().x()); }
float ZvWindow::Top() const { return KeptTwips(wanted_twips_.top, CurrentOuter().y()); }
float ZvWindow::Width() const { return KeptTwips(wanted_twips_.width, CurrentOuter().width()); }
float ZvWindow::Height() const { return KeptTwips(wanted_twips_.height, CurrentOuter().height()); }

float ZvWindow::KeptTwips(float wanted, int pixels) const {
    if (placed_by_code_ && TwipsToPixels(wanted, TwipsPerPixel()) == pixels) return wanted;
    return PixelsToTwips(pixels, TwipsPerPixel());
}

TwipsRect ZvWindow::CurrentTwips() const { return {Left(), Top(), Width(), Height()}; }

void ZvWindow::SetLeft(float twips) { SetPlace(&TwipsRect::left, twips); }
void ZvWindow::SetTop(float twips) { SetPlace(&TwipsRect::top, twips); }
void ZvWindow::SetWidth(float twips) { SetPlace(&TwipsRect::width, twips); }
void ZvWindow::SetHeight(float twips) { SetPlace(&TwipsRect::height, twips); }

void ZvWindow::SetPlace(float TwipsRect::*field, float twips) {
    TwipsRect place = CurrentTwips();
    place.*field = twips;
    ApplyOuter(place);
}

void ZvWindow::ApplyOuter(const TwipsRect& place) {
    const double tpp = TwipsPerPixel();
    const QRect outer(TwipsToPixels(place.left, tpp), TwipsToPixels(place.top, tpp),
                      std::max(1, TwipsToPixels(place.width, tpp)),
                      std::max(1, TwipsToPixels(place.height, tpp)));
    const QMargins frame = FrameMargins();
    wanted_twips_ = place;
    wanted_outer_ = outer;
    placed_by_code_ = true;
    applied_margins_ = frame;
    move(outer.topLeft());  // places the frame's top-left corner
    resize(std::max(1, outer.width() - frame.left() - frame.right()),
           std::max(1, outer.height() - frame.top() - frame.bottom()));
}

void ZvWindow::ReapplyIfFrameChanged() {
    if (!placed_by_code_ || !isVisible()) return;
    if (FrameMargins() == applied_margins_) return;
    ApplyOuter(wanted_twips_);
}

bool ZvWindow::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    switch (event->type()) {
        case QEvent::Show: {
            // The window manager frames a window a little after it is shown.
            ReapplyIfFrameChanged();
            for (int delay : {50, 200, 600}) {
                QTimer::singleShot(delay, this, [this] { ReapplyIfFrameChanged(); });
            }
            break;
        }
        case QEvent::Move:
        case QEvent::Resize:
            ReapplyIfFrameChanged();
            break;
        default:
            break;
    }
    return handled;
}

void ZvWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Dispatch([this] { Form_Resize(); });
}

void ZvWindow::closeEvent(QCloseEvent* event) {
    // The title-bar close box unloads the window: it is destroyed, not just hidden.
    event->accept();
    Dispatch([this] { TheForms().Unload(id_); });
}

QMenu* ZvWindow::AddMenu(const QString& name, const QString& caption) {
    QMenu* menu = menuBar()->addMenu(MenuText(caption));
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

QAction* ZvWindow::AddItem(QMenu* menu, const QString& name, const QString& caption,
                           const QKeySequence& shortcut) {
    QAction* action = menu->addAction(MenuText(caption));
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    return action;
}

QAction* ZvWindow::AddCommand(QMenu* menu, const QString& name, const QString& caption,
                              const QKeySequence& shortcut, std::function<void()> handler) {
    QAction* action = AddItem(menu, name, caption, shortcut);
    ConnectHandler(action, this, std::move(handler));
    return action;
}

QAction* ZvWindow::AddMarkCommand(QMenu* menu, const QString& name, const QString& caption,
                                  const QKeySequence& shortcut, bool marked,
                                  std::function<void()> handler) {
    QAction* action = AddItem(menu, name, caption, shortcut);
    action->setCheckable(true);
    action->setChecked(marked);
    ConnectMarkHandler(action, this, std::move(handler));
    return action;
}

QAction* ZvWindow::AddBarItem(const QString& name, const QString& caption) {
    QAction* action = menuBar()->addAction(MenuText(caption));
    action->setObjectName(name);
    return action;
}

void ZvWindow::DefineClientArea(const TwipsRect& client) {
    const double tpp = TwipsPerPixel();
    const QPoint origin = ScreenAreaPixels().topLeft();  // clear of a panel at the left or top
    move(origin + QPoint(TwipsToPixels(std::max(0.0f, client.left - 60.0f), tpp),
                         TwipsToPixels(std::max(0.0f, client.top - 630.0f), tpp)));
    resize(TwipsToPixels(client.width, tpp), TwipsToPixels(client.height, tpp));
}

void ZvWindow::SetClientColor(const QColor& color) {
    QPalette palette = client_->palette();
    palette.setColor(QPalette::Window, color);
    client_->setPalette(palette);
    client_->setAutoFillBackground(true);
}

TwipsRect ControlPlace(const QWidget* control) {
    const QRectF place = control->property(kPlaceProperty).toRectF();
    return {static_cast<float>(place.x()), static_cast<float>(place.y()),
            static_cast<float>(place.width()), static_cast<float>(place.height())};
}

void SetControlPlace(QWidget* control, const TwipsRect& place) {
    control->setProperty(kPlaceProperty, QRectF(place.left, place.top, place.width, place.height));
    const double tpp = ControlTwipsPerPixel(control);
    control->setGeometry(TwipsToPixels(place.left, tpp), TwipsToPixels(place.top, tpp),
                         std::max(0, TwipsToPixels(place.width, tpp)),
                         std::max(0, TwipsToPixels(place.height, tpp)));
}

void SetControlPlace(QWidget* control, float TwipsRect::*field, float twips) {
    TwipsRect place = ControlPlace(control);
    place.*field = twips;
    SetControlPlace(control, place);
}

void SelectAllText(QPlainTextEdit* box) {
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(0);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
}

void FitContentControl(const ZvWindow& window, QWidget* control) {
    ResumeNext([&] {
        SetControlPlace(control, &TwipsRect::height, layout::ContentHeight(window.Height()));
    });
    ResumeNext([&] { SetControlPlace(control, &TwipsRect::left, layout::kContentOffset); });
    ResumeNext([&] { SetControlPlace(control, &TwipsRect::top, layout::kContentOffset); });
    ResumeNext(
        [&] { SetControlPlace(control, &TwipsRect::width, layout::ContentWidth(window.Width())); });
}

void SetFontSize(QWidget* control, const QString& points) {
    bool ok = false;
    const float size = points.trimmed().toFloat(&ok);
    if (!ok || !(size > 0)) throw std::invalid_argument("Invalid font size");
    QFont font = control->font();
    font.setPointSizeF(size);
    control->setFont(font);
}

}  // namespace zv::ui

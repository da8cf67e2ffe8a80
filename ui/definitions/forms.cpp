#include "ui/definitions/forms.h"

#include <QGuiApplication>
#include <QScreen>
#include <stdexcept>
#include <utility>

namespace zv::ui {
namespace {

Forms* g_forms = nullptr;

ScreenAreaQuery& AreaQuery() {
    static ScreenAreaQuery query;
    return query;
}

}  // namespace

void Forms::Quit() {
    Unload(FormId::Form3);
    Unload(FormId::Form2);
    Unload(FormId::Form1);
    Unload(FormId::Form4);
}

Forms& TheForms() {
    if (g_forms == nullptr) throw std::logic_error("No windows installed");
    return *g_forms;
}

void InstallForms(Forms* forms) { g_forms = forms; }

QRect ScreenAreaPixels() {
    if (AreaQuery()) return AreaQuery()();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

TwipsRect ScreenArea() {
    const QRect area = ScreenAreaPixels();
    const double tpp = TwipsPerPixel();
    return {PixelsToTwips(area.x(), tpp), PixelsToTwips(area.y(), tpp),
            PixelsToTwips(area.width(), tpp), PixelsToTwips(area.height(), tpp)};
}

float ScreenWidth() { return ScreenArea().width; }
float ScreenHeight() { return ScreenArea().height; }

void SetScreenAreaQuery(ScreenAreaQuery query) { AreaQuery() = std::move(query); }

}  // namespace zv::ui

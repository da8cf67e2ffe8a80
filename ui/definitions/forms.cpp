#include "ui/definitions/forms.h"

#include <QGuiApplication>
#include <QScreen>
#include <stdexcept>

namespace zv::ui {
namespace {

Forms* g_forms = nullptr;

QSize ScreenPixels() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().size() : QSize(0, 0);
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

float ScreenWidth() { return PixelsToTwips(ScreenPixels().width(), TwipsPerPixel()); }
float ScreenHeight() { return PixelsToTwips(ScreenPixels().height(), TwipsPerPixel()); }

}  // namespace zv::ui

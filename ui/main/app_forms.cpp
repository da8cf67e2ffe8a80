#include "ui/main/app_forms.h"

#include <QCoreApplication>
#include <exception>

#include "ui/definitions/handlers.h"
#include "ui/main/form1.h"
#include "ui/secondary/form2.h"
#include "ui/secondary/form3.h"
#include "ui/secondary/form4.h"

namespace zv::ui {

namespace {
std::size_t Index(FormId id) { return static_cast<std::size_t>(id); }
}  // namespace

AppForms::AppForms() : on_empty_([this] { QCoreApplication::exit(ExitStatus()); }) {}

AppForms::~AppForms() {
    for (QPointer<ZvWindow>& window : windows_) delete window.data();
}

template <class Window>
Window& AppForms::Touch(FormId id) {
    QPointer<ZvWindow>& slot = windows_[Index(id)];
    if (slot.isNull()) {
        auto* window = new Window();
        slot = window;
        // Loaded from here on, also when its load handler fails part-way.
        window->Form_Load();
    }
    return static_cast<Window&>(*slot);
}

Form1Definition& AppForms::Form1() { return Touch<ui::Form1>(FormId::Form1); }
Form2Definition& AppForms::Form2() { return Touch<ui::Form2>(FormId::Form2); }
Form3Definition& AppForms::Form3() { return Touch<ui::Form3>(FormId::Form3); }
Form4Definition& AppForms::Form4() { return Touch<ui::Form4>(FormId::Form4); }

bool AppForms::IsLoaded(FormId id) const { return !windows_[Index(id)].isNull(); }

ZvWindow* AppForms::Window(FormId id) const { return windows_[Index(id)].data(); }

void AppForms::Unload(FormId id) {
    ZvWindow* window = windows_[Index(id)].data();
    if (window == nullptr || unloading_[Index(id)]) return;
    unloading_[Index(id)] = true;
    std::exception_ptr error;
    if (id == FormId::Form1) {
        // The unload is never cancelled: the window goes even when its unload handler fails.
        try {
            static_cast<ui::Form1*>(window)->Form_Unload();
        } catch (...) {
            error = std::current_exception();
        }
    }
    windows_[Index(id)] = nullptr;
    unloading_[Index(id)] = false;
    window->hide();
    window->deleteLater();  // it may be running one of its own handlers right now

    bool any_left = false;
    for (const QPointer<ZvWindow>& w : windows_) any_left = any_left || !w.isNull();
    if (error && !any_left) {
        // The last word before the program ends (the shutdown document could not be written,
        // say): told while the application still runs, and the program's status says so.
        Dispatch([&error] { std::rethrow_exception(error); });
        error = nullptr;
        exit_status_ = 1;
    }
    if (!any_left && on_empty_) on_empty_();
    if (error) std::rethrow_exception(error);
}

void AppForms::Start() {
    Dispatch([this] {
        Form1Definition& main = Form1();
        main.show();
        main.raise();
        main.activateWindow();
    });
}

}  // namespace zv::ui

// The program's four windows: created and loaded on first touch, destroyed on unload.
#pragma once

#include <QPointer>
#include <array>
#include <functional>

#include "ui/definitions/forms.h"

namespace zv::ui {

class AppForms : public Forms {
  public:
    AppForms();
    ~AppForms() override;
    AppForms(const AppForms&) = delete;
    AppForms& operator=(const AppForms&) = delete;

    Form1Definition& Form1() override;
    Form2Definition& Form2() override;
    Form3Definition& Form3() override;
    Form4Definition& Form4() override;

    bool IsLoaded(FormId id) const override;
    void Unload(FormId id) override;

    // The loaded window, or nullptr.
    ZvWindow* Window(FormId id) const;

    // Runs when the last window has been unloaded; quits the application with ExitStatus()
    // unless replaced.
    void SetOnEmpty(std::function<void()> on_empty) { on_empty_ = std::move(on_empty); }

    // Program start: loads the main window (its load handler sets everything up), then shows
    // it and makes it the active window.
    void Start();

    // 0, or 1 once the main window's unload handler has failed (the error has been shown).
    int ExitStatus() const { return exit_status_; }

  private:
    template <class Window>
    Window& Touch(FormId id);

    std::array<QPointer<ZvWindow>, 4> windows_;
    std::array<bool, 4> unloading_{};
    std::function<void()> on_empty_;
    int exit_status_ = 0;
};

}  // namespace zv::ui

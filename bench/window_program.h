// The desktop program as the window benchmarks run it: its four windows started in a folder of
// their own, offline, with message boxes answered at once, and the main window active.
// Construct it after the QApplication.
#pragma once

#include <QTemporaryDir>

#include "ui/main/app_forms.h"

namespace zv::ui {
class Form1Definition;
}

namespace zv::bench {

class WindowProgram {
  public:
    WindowProgram();
    ~WindowProgram();
    WindowProgram(const WindowProgram&) = delete;
    WindowProgram& operator=(const WindowProgram&) = delete;

    zv::ui::Form1Definition& Main() { return forms_.Form1(); }

  private:
    QTemporaryDir folder_;
    zv::ui::AppForms forms_;
};

}  // namespace zv::bench

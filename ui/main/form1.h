// The main window: startup, layout, the program's commands, automatic conversion and shutdown.
#pragma once

#include "ui/definitions/form1_definition.h"

namespace zv::ui {

class Form1 : public Form1Definition {
    Q_OBJECT
  public:
    Form1();

    void Form_Load() override;
    void Form_Resize() override;
    // Closes the other windows and leaves the shutdown document behind.
    void Form_Unload();

    void Timer1_Timer();
    void Now_Click();
    void every_Click();
    void Never_Click();
    void select_all_Click();
    void HTML_Click();
    void Unicodedtext_Click();
    void Help_Click();
    void About_Click();
    void Quit_Click();

    // One conversion run over Text1: hint, convert, preview, Unicode text, document.
    void ConvertText();
    // Prepares the help window: shows its offline picture. The online-state query that may
    // hide the picture again is not part of this window yet.
    virtual void Checkconn();

    static QString AboutLine();
    bool RunInProgress() const { return run_in_progress_; }

  private:
    class RunWindows;
    void ShowAndFocus(ZvWindow& window);

    bool run_in_progress_ = false;
    bool tick_in_progress_ = false;
};

}  // namespace zv::ui

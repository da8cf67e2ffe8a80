// The main window as defined: caption, timer, input text box and the program's menus.
#pragma once

#include "ui/definitions/text_box.h"
#include "ui/definitions/window.h"

class QTimer;

namespace zv::ui {

struct Form1Menu {
    QMenu* File = nullptr;
    QAction* Quit = nullptr;
    QAction* About = nullptr;
    QAction* Previous = nullptr;
    QMenu* Window = nullptr;
    QAction* Help = nullptr;
    QAction* HTML = nullptr;
    QAction* Unicodedtext = nullptr;
    QMenu* Zilvardize = nullptr;
    QAction* Now = nullptr;
    QAction* every = nullptr;
    QAction* Never = nullptr;
    QAction* select_all = nullptr;
    QAction* copy_text = nullptr;
    QAction* Restore = nullptr;
    QMenu* betatest = nullptr;
    QAction* feedback = nullptr;
    QAction* feedback3 = nullptr;
    QAction* Lang = nullptr;
};

class Form1Definition : public ZvWindow {
    Q_OBJECT
  public:
    static const QString kCaption;

    Form1Definition();

    QTimer* Timer1() const { return timer1_; }
    TextBox* Text1() const { return text1_; }
    const Form1Menu& Menu() const { return menu_; }

    // The menu commands, each run by its item (BuildMenus). The main window gives them their
    // behaviour; the definition alone does nothing.
    virtual void Quit_Click() {}
    virtual void About_Click() {}
    virtual void Previous_Click() {}
    virtual void Help_Click() {}
    virtual void HTML_Click() {}
    virtual void Unicodedtext_Click() {}
    virtual void Now_Click() {}
    virtual void every_Click() {}
    virtual void Never_Click() {}
    virtual void select_all_Click() {}
    virtual void copy_text_Click() {}
    virtual void Restore_Click() {}
    virtual void feedback_Click() {}
    virtual void feedback3_Click() {}

  private:
    void BuildMenus();

    QTimer* timer1_ = nullptr;
    TextBox* text1_ = nullptr;
    Form1Menu menu_;
};

}  // namespace zv::ui

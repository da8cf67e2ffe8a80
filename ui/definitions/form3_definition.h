// The Unicode text window as defined: caption, text box and its one menu.
#pragma once

#include "ui/definitions/unicode_text_box.h"
#include "ui/definitions/window.h"

namespace zv::ui {

struct Form3Menu {
    QMenu* quit3 = nullptr;
    QAction* select_all = nullptr;
    QAction* copy_text = nullptr;
    QAction* quit = nullptr;
    QAction* close = nullptr;
};

class Form3Definition : public ZvWindow {
    Q_OBJECT
  public:
    static const QString kCaption;

    Form3Definition();

    UnicodeTextBox* Text1() const { return text1_; }
    const Form3Menu& Menu() const { return menu_; }

    // The menu commands, each run by its item (BuildMenus). The window gives them their
    // behaviour; the definition alone does nothing.
    virtual void select_all_Click() {}
    virtual void copy_text_Click() {}
    virtual void Quit_Click() {}
    virtual void Close_Click() {}

  private:
    void BuildMenus();

    UnicodeTextBox* text1_ = nullptr;
    Form3Menu menu_;
};

}  // namespace zv::ui

// The HTML preview window as defined: caption, browser view and its one menu.
#pragma once

#include "ui/definitions/window.h"

namespace zv::ui {

class BrowserView;

struct Form2Menu {
    QMenu* File = nullptr;
    QAction* Exit = nullptr;
    QAction* Close = nullptr;
};

class Form2Definition : public ZvWindow {
    Q_OBJECT
  public:
    static const QString kCaption;

    Form2Definition();

    BrowserView* WebBrowser1() const { return web_browser1_; }
    const Form2Menu& Menu() const { return menu_; }

    // The menu commands, each run by its item (BuildMenus). The window gives them their
    // behaviour; the definition alone does nothing.
    virtual void Exit_Click() {}
    virtual void Close_Click() {}

  private:
    void BuildMenus();

    BrowserView* web_browser1_ = nullptr;
    Form2Menu menu_;
};

}  // namespace zv::ui

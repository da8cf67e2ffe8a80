// The help window as defined: caption, offline picture over the browser view, its one menu.
#pragma once

#include "ui/definitions/window.h"

class QLabel;

namespace zv::ui {

class BrowserView;

struct Form4Menu {
    QMenu* Iziet = nullptr;
    QAction* Quit = nullptr;
    QAction* Close = nullptr;
};

class Form4Definition : public ZvWindow {
    Q_OBJECT
  public:
    static const QString kCaption;

    Form4Definition();

    QLabel* Picture1() const { return picture1_; }
    BrowserView* WebBrowser1() const { return web_browser1_; }
    const Form4Menu& Menu() const { return menu_; }

    // The menu commands, each run by its item (BuildMenus). The window gives them their
    // behaviour; the definition alone does nothing.
    virtual void Quit_Click() {}
    virtual void Close_Click() {}

  private:
    void BuildMenus();

    QLabel* picture1_ = nullptr;
    BrowserView* web_browser1_ = nullptr;
    Form4Menu menu_;
};

}  // namespace zv::ui

// The help window: fills the corner below the preview and right of the Unicode text window,
// sends its view to the online help page, lays it out on resize, close and quit.
#pragma once

#include "ui/definitions/form4_definition.h"

namespace zv::ui {

class Form4 : public Form4Definition {
    Q_OBJECT
  public:
    Form4();

    void Form_Load() override;
    void Form_Resize() override;
    void Quit_Click();
    void Close_Click();
};

}  // namespace zv::ui

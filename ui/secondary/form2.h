// The HTML preview window: placed beside the main window, view laid out on resize, close and quit.
#pragma once

#include "ui/definitions/form2_definition.h"

namespace zv::ui {

class Form2 : public Form2Definition {
    Q_OBJECT
  public:
    void Form_Load() override;
    void Form_Resize() override;
    void Exit_Click() override;
    void Close_Click() override;
};

}  // namespace zv::ui

// The Unicode text window: placed below the main window, text box laid out on resize,
// select all, close and quit.
#pragma once

#include "ui/definitions/form3_definition.h"

namespace zv::ui {

class Form3 : public Form3Definition {
    Q_OBJECT
  public:
    void Form_Load() override;
    void Form_Resize() override;
    void select_all_Click() override;
    // Its text to the clipboard, in letters and as HTML.
    void copy_text_Click() override;
    void Quit_Click() override;
    void Close_Click() override;
};

}  // namespace zv::ui

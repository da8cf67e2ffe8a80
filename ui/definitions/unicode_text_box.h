// The text box of the Unicode text window: a converted text of any size, shown one line per
// typed line (a display break after every "<Br>"), so that even megabytes show at once.
#pragma once

#include "ui/definitions/text_box.h"

namespace zv::ui {

class UnicodeTextBox : public TextBox {
  public:
    explicit UnicodeTextBox(QWidget* parent = nullptr) : TextBox(parent, QStringLiteral("<Br>")) {}
};

}  // namespace zv::ui

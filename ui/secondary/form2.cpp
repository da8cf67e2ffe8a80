#include "ui/secondary/form2.h"

#include <QPlainTextEdit>

#include "ui/definitions/browser_view.h"
#include "ui/definitions/form1_definition.h"
#include "ui/definitions/forms.h"

namespace zv::ui {

void Form2::Form_Load() {
    Form1Definition& main = TheForms().Form1();
    const float height = main.Height();
    SetHeight(height);
    SetTop(main.Top());
    const float width = main.Width();
    SetWidth(width);
    SetLeft(layout::PreviewLeft(main.Left(), width));
    // Until the first resize the view takes its height from the main window's text box.
    SetControlPlace(WebBrowser1(), &TwipsRect::height,
                    layout::ContentHeight(ControlPlace(main.Text1()).height));
    SetControlPlace(WebBrowser1(), &TwipsRect::left, layout::kContentOffset);
    SetControlPlace(WebBrowser1(), &TwipsRect::top, layout::kContentOffset);
    SetControlPlace(WebBrowser1(), &TwipsRect::width, layout::ContentWidth(width));
}

void Form2::Form_Resize() { FitContentControl(*this, WebBrowser1()); }

void Form2::Exit_Click() { TheForms().Quit(); }

void Form2::Close_Click() { hide(); }

}  // namespace zv::ui

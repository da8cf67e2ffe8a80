#include "ui/secondary/form4.h"

#include "resources/resources.h"
#include "ui/definitions/browser_view.h"
#include "ui/definitions/form2_definition.h"
#include "ui/definitions/form3_definition.h"
#include "ui/definitions/forms.h"
#include "ui/definitions/handlers.h"

namespace zv::ui {

Form4::Form4() {
    ConnectHandler(Menu().Quit, this, [this] { Quit_Click(); });
    ConnectHandler(Menu().Close, this, [this] { Close_Click(); });
}

void Form4::Form_Load() {
    Form3Definition& unicode_window = TheForms().Form3();
    const float height = unicode_window.Height();
    SetHeight(height);
    SetTop(unicode_window.Top());
    Form2Definition& preview = TheForms().Form2();
    SetLeft(preview.Left());
    const float width = preview.Width();
    SetWidth(width);
    WebBrowser1()->SetAddressBar(false);
    WebBrowser1()->SetFullScreen(true);
    SetControlLeft(WebBrowser1(), layout::kContentOffset);
    SetControlTop(WebBrowser1(), layout::kContentOffset);
    SetControlWidth(WebBrowser1(), layout::ContentWidth(width));
    SetControlHeight(WebBrowser1(), layout::ContentHeight(height));
    WebBrowser1()->Navigate(resources::HelpPageUrl());
}

void Form4::Form_Resize() {
    ResumeNext([this] { WebBrowser1()->SetAddressBar(false); });
    ResumeNext([this] { WebBrowser1()->SetFullScreen(true); });
    ResumeNext([this] { SetControlLeft(WebBrowser1(), layout::kContentOffset); });
    ResumeNext([this] { SetControlTop(WebBrowser1(), layout::kContentOffset); });
    ResumeNext([this] { SetControlWidth(WebBrowser1(), layout::ContentWidth(Width())); });
    ResumeNext([this] { SetControlHeight(WebBrowser1(), layout::ContentHeight(Height())); });
}

void Form4::Quit_Click() { TheForms().Quit(); }

void Form4::Close_Click() { hide(); }

}  // namespace zv::ui

#include "ui/secondary/form3.h"

#include <QPlainTextEdit>

#include "ui/definitions/copy_text.h"
#include "ui/definitions/form1_definition.h"
#include "ui/definitions/forms.h"

namespace zv::ui {

void Form3::Form_Load() {
    Form1Definition& main = TheForms().Form1();
    const TwipsRect screen = ScreenArea();
    const float height = layout::UnicodeHeight(screen.height, main.Height());
    SetHeight(height);
    SetTop(layout::UnicodeTop(main.Height(), screen.top));
    const float width = main.Width();
    SetWidth(width);
    SetLeft(main.Left());
    SetControlPlace(Text1(), &TwipsRect::top, layout::kContentOffset);
    SetControlPlace(Text1(), &TwipsRect::left, layout::kContentOffset);
    SetControlPlace(Text1(), &TwipsRect::height, layout::ContentHeight(height));
    SetControlPlace(Text1(), &TwipsRect::width, layout::ContentWidth(width));
    SetFontSize(Text1(), QStringLiteral("8"));
}

void Form3::Form_Resize() { FitContentControl(*this, Text1()); }

void Form3::select_all_Click() { SelectAllText(Text1()); }

void Form3::copy_text_Click() { CopyConvertedText(Text1()->Text()); }

void Form3::Quit_Click() { TheForms().Quit(); }

void Form3::Close_Click() { hide(); }

}  // namespace zv::ui

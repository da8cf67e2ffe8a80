#include "ui/definitions/form3_definition.h"

#include <QMenu>

#include "ui/texts.h"

namespace zv::ui {

const QString Form3Definition::kCaption = QStringLiteral("Unicode (Copy & paste to HTML editor)");

Form3Definition::Form3Definition() : ZvWindow(FormId::Form3, QStringLiteral("Form3"), kCaption) {
    DefineClientArea({8115, 5085, 10755, 9780});
    SetClientColor(QColor(128, 0, 0));

    text1_ = MakeTextBox<UnicodeTextBox>(Client(), QColor(0, 0, 192));
    SetControlPlace(text1_, {0, 0, 9065, 9615});
    DescribeControl(text1_, kCaption, texts::kUnicodeTextDescription);

    BuildMenus();
}

void Form3Definition::BuildMenus() {
    menu_.quit3 = AddMenu(QStringLiteral("quit3"), QStringLiteral("Iziet"));
    menu_.select_all =
        AddCommand(menu_.quit3, QStringLiteral("select_all"), QStringLiteral("Izvelies visu"),
                   Qt::CTRL | Qt::Key_A, [this] { select_all_Click(); });
    menu_.copy_text = AddCommand(menu_.quit3, QStringLiteral("copy_text"), texts::kCopyText,
                                 Qt::CTRL | Qt::SHIFT | Qt::Key_C, [this] { copy_text_Click(); });
    menu_.quit = AddCommand(menu_.quit3, QStringLiteral("quit"), QStringLiteral("Iziet"),
                            Qt::CTRL | Qt::Key_Q, [this] { Quit_Click(); });
    menu_.close = AddCommand(menu_.quit3, QStringLiteral("close"), QStringLiteral("Aizvert logu"),
                             Qt::CTRL | Qt::Key_W, [this] { Close_Click(); });
}

}  // namespace zv::ui

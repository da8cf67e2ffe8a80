#include "ui/definitions/form2_definition.h"

#include <QMenu>

#include "ui/definitions/browser_view.h"
#include "ui/texts.h"

namespace zv::ui {

const QString Form2Definition::kCaption = QStringLiteral("Preview HTML (Copy & paste to mail)");

Form2Definition::Form2Definition() : ZvWindow(FormId::Form2, QStringLiteral("Form2"), kCaption) {
    DefineClientArea({8115, 540, 6075, 8310});
    SetClientColor(QColor(128, 0, 0));

    // The preview renders the user's own text: no scripts, nothing loaded but the document.
    web_browser1_ = new BrowserView(BrowserView::Content::Untrusted, Client());
    web_browser1_->setObjectName(QStringLiteral("WebBrowser1"));
    SetControlPlace(web_browser1_, {1080, 240, 1095, 1335});
    DescribeControl(web_browser1_, kCaption, texts::kPreviewDescription);

    BuildMenus();
}

void Form2Definition::BuildMenus() {
    menu_.File = AddMenu(QStringLiteral("File"), QStringLiteral("Iziet"));
    menu_.Exit = AddCommand(menu_.File, QStringLiteral("Exit"), QStringLiteral("Iziet"),
                            Qt::CTRL | Qt::Key_Q, [this] { Exit_Click(); });
    menu_.Close = AddCommand(menu_.File, QStringLiteral("Close"), QStringLiteral("Aizvert logu"),
                             Qt::CTRL | Qt::Key_W, [this] { Close_Click(); });
}

}  // namespace zv::ui

#include "ui/definitions/form4_definition.h"

#include <QLabel>
#include <QMenu>

#include "resources/resources.h"
#include "ui/definitions/browser_view.h"
#include "ui/texts.h"

namespace zv::ui {

const QString Form4Definition::kCaption = QStringLiteral("Online paligs (help)");

Form4Definition::Form4Definition() : ZvWindow(FormId::Form4, QStringLiteral("Form4"), kCaption) {
    DefineClientArea({165, 450, 9015, 6810});
    SetClientColor(Qt::white);

    // The picture box: drawn once at its top-left corner, natural size, never scaled; the rest
    // of the box shows its own background and hides the view underneath.
    picture1_ = new QLabel(Client());
    picture1_->setObjectName(QStringLiteral("Picture1"));
    picture1_->setPixmap(resources::OfflinePicture());
    picture1_->setScaledContents(false);
    picture1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture1_->setAutoFillBackground(true);
    SetControlPlace(picture1_, {0, 0, 8535, 6855});
    DescribeControl(picture1_, kCaption, texts::kOfflinePictureDescription);

    web_browser1_ = new BrowserView(BrowserView::Content::Help, Client());
    web_browser1_->setObjectName(QStringLiteral("WebBrowser1"));
    SetControlPlace(web_browser1_, {0, 0, 8535, 6855});
    DescribeControl(web_browser1_, kCaption, texts::kHelpPageDescription);

    picture1_->raise();  // the picture lies above the view
    picture1_->setVisible(true);

    BuildMenus();
}

void Form4Definition::BuildMenus() {
    menu_.Iziet = AddMenu(QStringLiteral("Iziet"), QStringLiteral("Iziet"));
    menu_.Quit = AddCommand(menu_.Iziet, QStringLiteral("Quit"), QStringLiteral("Iziet"),
                            Qt::CTRL | Qt::Key_Q, [this] { Quit_Click(); });
    menu_.Close = AddCommand(menu_.Iziet, QStringLiteral("Close"), QStringLiteral("Aizvert logu"),
                             Qt::CTRL | Qt::Key_W, [this] { Close_Click(); });
}

}  // namespace zv::ui

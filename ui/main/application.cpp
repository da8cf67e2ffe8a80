#include "ui/main/application.h"

#include <QApplication>
#include <QUrl>

#include "resources/resources.h"
#include "ui/main/document_location.h"
#include "zv/config.h"

namespace zv::ui {

void SetUpApplication() {
    // No organisation name: the data folder is ~/.local/share/zv, not one level deeper. The
    // name is also the window class that the desktop entry names.
    QCoreApplication::setApplicationName(QStringLiteral("zv"));
    QCoreApplication::setOrganizationDomain(QUrl(QString::fromLatin1(config::kMakerSite)).host());
    QCoreApplication::setApplicationVersion(QString::fromLatin1(config::kVersion));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(config::kAppId));
    QGuiApplication::setWindowIcon(resources::ApplicationIcon());
    QApplication::setQuitOnLastWindowClosed(false);
    DecideProgramFolder();
}

}  // namespace zv::ui

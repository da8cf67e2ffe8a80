#include "ui/main/application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QUrl>

#include "resources/resources.h"
#include "ui/definitions/desktop_opener.h"
#include "ui/main/document_location.h"
#include "zv/config.h"

namespace zv::ui {

namespace {

// Qt's own texts (the text boxes' context menu, the buttons of the message boxes) in Latvian, as
// the rest of the program, whatever the desktop's language; from Qt's translations folder
// (Debian's qt6-translations-l10n). Without them those texts stay in English.
void LoadQtLatvian() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Latvian, QLocale::Latvia), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

}  // namespace

void SetUpApplication() {
    // No organisation name: the data folder is ~/.local/share/zv, not one level deeper. The
    // name is also the window class that the desktop entry names.
    QCoreApplication::setApplicationName(QStringLiteral("zv"));
    QCoreApplication::setOrganizationDomain(QUrl(QString::fromLatin1(config::kMakerSite)).host());
    QCoreApplication::setApplicationVersion(QString::fromLatin1(config::kVersion));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(config::kAppId));
    QGuiApplication::setWindowIcon(resources::ApplicationIcon());
    QApplication::setQuitOnLastWindowClosed(false);
    LoadQtLatvian();
    InstallDesktopOpener();
    DecideProgramFolder();
}

}  // namespace zv::ui

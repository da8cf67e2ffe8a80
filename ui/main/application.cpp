#include "ui/main/application.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// The program's folder, as Qt adds it to the plug-in folders (links resolved), when it is
// neither Qt's own plug-in folder nor one the user named in QT_PLUGIN_PATH; otherwise nothing.
QString ProgramFolderToLeaveOut() {
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (program.isEmpty()) return {};
    const QString folder = QFileInfo(program).absolutePath();
    QStringList named = qEnvironmentVariable("QT_PLUGIN_PATH").split(u':', Qt::SkipEmptyParts);
    named << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    for (const QString& path : named) {
        if (QDir(path).canonicalPath() == folder) return {};
    }
    return folder;
}

}  // namespace

void KeepPlugInsOutOfTheProgramFolder() {
    const QString folder = ProgramFolderToLeaveOut();
    if (folder.isEmpty()) return;
    // When the application object is made, Qt adds the program folder to the plug-in folders
    // and then replays the changes made before: it takes out again only those of the folders it
    // knew then. So the program folder is made one of them (through QT_PLUGIN_PATH, for this
    // one reading), and then left out.
    const bool was_set = qEnvironmentVariableIsSet("QT_PLUGIN_PATH");
    const QByteArray named = qgetenv("QT_PLUGIN_PATH");
    qputenv("QT_PLUGIN_PATH", QFile::encodeName(folder) + (was_set ? ":" + named : QByteArray()));
    QStringList paths = QCoreApplication::libraryPaths();
    if (was_set) {
        qputenv("QT_PLUGIN_PATH", named);
    } else {
        qunsetenv("QT_PLUGIN_PATH");
    }
    paths.removeAll(folder);
    QCoreApplication::setLibraryPaths(paths);
}

void SetUpApplication() {
    // Should a Qt add the program folder by other rules, no plug-in is loaded from it from here
    // on at least.
    if (const QString folder = ProgramFolderToLeaveOut(); !folder.isEmpty()) {
        QCoreApplication::removeLibraryPath(folder);
    }
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

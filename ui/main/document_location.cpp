#include "ui/main/document_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "atomic_file/atomic_file.h"
#include "document/unicode_document.h"
#include "zv/config.h"

namespace zv::ui {
namespace {

QString& FolderOverride() {
    static QString folder;
    return folder;
}

QString& DecidedFolder() {
    static QString folder;
    return folder;
}

}  // namespace

QString ProgramFolder() {
    if (!FolderOverride().isEmpty()) return FolderOverride();
    if (DecidedFolder().isEmpty()) DecideProgramFolder();
    return DecidedFolder();
}

void SetProgramFolder(const QString& folder) { FolderOverride() = folder; }

QString DocumentPath() { return UnicodeDocumentPath(ProgramFolder()); }

void DecideProgramFolder() {
    DecidedFolder() =
        ChooseProgramFolder(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
}

bool IsSystemProgramFolder(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty()) return false;
    for (const char* system : {"/usr/bin", "/usr/local/bin", "/bin", "/usr/games",
                               "/usr/local/games", config::kInstallBinDir}) {
        const QString candidate = QFileInfo(QString::fromUtf8(system)).canonicalFilePath();
        if (!candidate.isEmpty() && candidate == canonical) return true;
    }
    return false;
}

bool DocumentAllowedIn(const QString& folder) {
    try {
        FindWriteTarget(QFile::encodeName(UnicodeDocumentPath(folder)).toStdString());
        return true;
    } catch (const AtomicFileError&) {
        return false;
    }
}

QString ChooseProgramFolder(const QString& executable_folder, const QString& data_folder) {
    // An installed program's folder holds programs, not documents, even where the user
    // (root, say) could write there.
    const bool keep = !IsSystemProgramFolder(executable_folder) &&
                      CanWriteInto(executable_folder) && DocumentAllowedIn(executable_folder);
    if (keep || data_folder.isEmpty()) return executable_folder;
    QDir().mkpath(data_folder);  // when this fails, the first write names the folder
    return QDir::cleanPath(data_folder);
}

bool CanWriteInto(const QString& folder) {
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isWritable()) return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".zv-write-test-XXXXXX")));
    return probe.open();  // removed again when probe goes
}

}  // namespace zv::ui

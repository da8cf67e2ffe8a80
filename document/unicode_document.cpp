#include "document/unicode_document.h"

#include <QDir>
#include <QFile>
#include <string_view>

#include "atomic_file/atomic_file.h"
#include "document/write_failure.h"

namespace zv {

DocumentError::DocumentError(const QString& path, int error_number, const QString& detail)
    : std::runtime_error(QStringLiteral("Cannot write %1: %2")
                             .arg(QDir::toNativeSeparators(path), detail)
                             .toStdString()),
      path_(QDir::toNativeSeparators(path)),
      error_number_(error_number),
      detail_(detail) {}

QString DocumentError::InLatvian() const {
    return LatvianWriteFailure(path_, error_number_, detail_);
}

QString UnicodeDocumentPath(const QString& folder) {
    return QDir(folder).filePath(QString::fromLatin1(kDocumentFileName));
}

QByteArray UnicodeDocumentBytes(DocumentVariant variant, QStringView body) {
    const std::string bytes =
        DocumentBytes(variant, std::u16string_view(reinterpret_cast<const char16_t*>(body.utf16()),
                                                   static_cast<std::size_t>(body.size())));
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

FileStamp WriteUnicodeDocument(DocumentVariant variant, QStringView body, const QString& folder) {
    const QString path = UnicodeDocumentPath(folder);
    const QByteArray bytes = UnicodeDocumentBytes(variant, body);

    // The new document goes to a temporary file beside the old one and replaces it by a
    // rename, so a reader or a failure never meets a truncated document; a symbolic link in
    // its place is followed only when it is the user's own (see AtomicFile).
    try {
        AtomicFile file(QFile::encodeName(path).toStdString());
        file.Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        return file.Commit();
    } catch (const AtomicFileError& error) {
        throw DocumentError(path, error.ErrorNumber(), QString::fromLocal8Bit(error.what()));
    }
}

std::optional<FileStamp> UnicodeDocumentStamp(const QString& folder) {
    return StampOf(QFile::encodeName(UnicodeDocumentPath(folder)).toStdString());
}

}  // namespace zv

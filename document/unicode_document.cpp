#include "document/unicode_document.h"

#include <QDir>
#include <QSaveFile>

namespace zv {
namespace {

[[noreturn]] void Fail(const QString& path, const QString& reason) {
    throw DocumentError(QStringLiteral("Cannot write %1: %2")
                            .arg(QDir::toNativeSeparators(path), reason)
                            .toStdString());
}

}  // namespace

QString UnicodeDocumentPath(const QString& folder) {
    return QDir(folder).filePath(QString::fromLatin1(kDocumentFileName));
}

QByteArray UnicodeDocumentBytes(DocumentVariant variant, QStringView body) {
    const std::string bytes =
        DocumentBytes(variant, std::u16string_view(reinterpret_cast<const char16_t*>(body.utf16()),
                                                   static_cast<std::size_t>(body.size())));
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void WriteUnicodeDocument(DocumentVariant variant, QStringView body, const QString& folder) {
    const QString path = UnicodeDocumentPath(folder);
    const QByteArray bytes = UnicodeDocumentBytes(variant, body);

    // The new document goes to a temporary file beside the old one and replaces it by a
    // rename, so a reader or a failure never meets a truncated document. The reason is taken
    // from the step that failed: commit() forgets it.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) Fail(path, file.errorString());
    // A short write reports no error (it happens on reaching a file-size limit, for one);
    // writing the rest again yields the failure and its reason.
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) break;
        written += n;
    }
    if (written != bytes.size() || !file.flush()) {
        QString reason = file.errorString();
        if (file.error() == QFileDevice::NoError) reason = QStringLiteral("short write");
        file.cancelWriting();
        Fail(path, reason);
    }
    if (!file.commit()) {
        QString reason = file.errorString();
        if (reason.isEmpty() || reason == QLatin1String("Unknown error")) {
            reason = QStringLiteral("the new document could not replace the old one");
        }
        Fail(path, reason);
    }
}

}  // namespace zv

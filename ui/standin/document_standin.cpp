// Temporary stand-in for the document writer (see README).
#include <QDir>
#include <QSaveFile>

#include "document/unicode_document.h"

namespace zv {

QString UnicodeDocumentPath(const QString& folder) {
    return folder + QDir::separator() + QLatin1String(kDocumentFileName);
}

QByteArray UnicodeDocumentBytes(DocumentVariant variant, QStringView body) {
    QByteArray bytes = variant == DocumentVariant::Run ? "<HTML><BODY>\r\n" : "<HTML>\r\n";
    bytes += body.toUtf8() + "\r\n</BODY></HTML>\r\n";
    return bytes;
}

void WriteUnicodeDocument(DocumentVariant variant, QStringView body, const QString& folder) {
    const QString path = UnicodeDocumentPath(folder);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw DocumentError((path + QStringLiteral(": ") + file.errorString()).toStdString());
    }
    file.write(UnicodeDocumentBytes(variant, body));
    if (!file.commit()) {
        throw DocumentError((path + QStringLiteral(": ") + file.errorString()).toStdString());
    }
}

}  // namespace zv

#include "document/unicode_document.h"

#include <QDir>
#include <QSaveFile>

namespace zv {
namespace {

// U+FFFD, the replacement character, in UTF-8.
constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";

// Appends text to out in UTF-8. A lone surrogate (a high one without a low one after it, or
// a low one without a high one before it) stands for no character and has no UTF-8 form, so
// it is written as U+FFFD; everything else is encoded unchanged.
void AppendUtf8(QStringView text, QByteArray& out) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t u = text[i].unicode();
        if (u < 0x80) {
            out.append(static_cast<char>(u));
        } else if (u < 0x800) {
            out.append(static_cast<char>(0xC0 | (u >> 6)));
            out.append(static_cast<char>(0x80 | (u & 0x3F)));
        } else if (u < 0xD800 || u > 0xDFFF) {
            out.append(static_cast<char>(0xE0 | (u >> 12)));
            out.append(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.append(static_cast<char>(0x80 | (u & 0x3F)));
        } else if (u <= 0xDBFF && i + 1 < n && text[i + 1].isLowSurrogate()) {
            const char32_t cp = 0x10000 + ((u - 0xD800) << 10) + (text[i + 1].unicode() - 0xDC00);
            ++i;
            out.append(static_cast<char>(0xF0 | (cp >> 18)));
            out.append(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.append(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.append(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.append(kReplacementUtf8);
        }
    }
}

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
    const std::string header = DocumentHeaderLine(variant);
    QByteArray out;
    const bool withBody = variant == DocumentVariant::Run;
    // At most three UTF-8 bytes per UTF-16 code unit.
    out.reserve(static_cast<qsizetype>(header.size()) + (withBody ? body.size() * 3 : 0) + 64);
    const auto append = [&out](std::string_view bytes) {
        out.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
    };
    append(header);
    append(kDocumentLineEnd);
    if (withBody) AppendUtf8(body, out);
    append(kDocumentLineEnd);
    append(kDocumentFooterLine);
    append(kDocumentLineEnd);
    return out;
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

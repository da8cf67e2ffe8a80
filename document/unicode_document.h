// The Unicode document, unitext.html: three CRLF-ended lines in UTF-8.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>
#include <stdexcept>

#include "atomic_file/atomic_file.h"
#include "document/document_lines.h"

namespace zv {

// Raised when the document cannot be written; what() names the path and the system's reason.
class DocumentError : public std::runtime_error {
  public:
    // error_number: the errno of the failed call, 0 when a rule refused the write; detail:
    // the reason in the system's words.
    DocumentError(const QString& path, int error_number, const QString& detail);

    // For the user: "Nevar ierakstit PATH: " and the reason in Latvian (LatvianWriteFailure).
    QString InLatvian() const;

  private:
    QString path_;
    int error_number_;
    QString detail_;
};

// The document's file name inside the program folder.
inline constexpr char kDocumentFileName[] = "unitext.html";

// folder joined with the file name by the platform separator.
QString UnicodeDocumentPath(const QString& folder);

// DocumentBytes for a Qt text.
QByteArray UnicodeDocumentBytes(DocumentVariant variant, QStringView body);

// Replaces folder/unitext.html atomically: on failure the previous document is left whole
// and DocumentError is thrown. Returns the stamp of the document written.
FileStamp WriteUnicodeDocument(DocumentVariant variant, QStringView body, const QString& folder);

// The stamp of the document now in folder (another program may have written it since);
// nothing when there is none.
std::optional<FileStamp> UnicodeDocumentStamp(const QString& folder);

}  // namespace zv

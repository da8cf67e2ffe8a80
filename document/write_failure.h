// A file that could not be written, told in the program's language: Latvian written without
// diacritics, as its message boxes are. The document's Latvian texts, all here; the windows' own
// are in ui/texts.h.
#pragma once

#include <QString>
#include <optional>

namespace zv {

// The common causes by their errno: no such folder, no permission, a full disk or quota, a
// read-only file system, a path through something that is not a folder, a folder in the
// file's place, a loop of links, a file or name too large, a failing disk. Nothing for any
// other number (or 0), for which the caller gives the system's own words.
std::optional<QString> LatvianReason(int error_number);

// "Nevar ierakstit PATH: " and the reason: LatvianReason, or detail (the system's words) where
// it has none.
QString LatvianWriteFailure(const QString& path, int error_number, const QString& detail);

}  // namespace zv

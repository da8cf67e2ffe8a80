// The text of unitext.html, without Qt: the program writes it whole, the converter writes its
// fixed lines around a body of any size without building the whole document.
#pragma once

#include <string>
#include <string_view>

namespace zv {

enum class DocumentVariant {
    Run,       // written by every conversion run, body = the converted text
    Shutdown,  // written when the program ends, body = the last run's converted text
};

inline constexpr std::string_view kDocumentLineEnd = "\r\n";
inline constexpr std::string_view kDocumentFooterLine = "</font></BODY></HTML>";

// The document's first line, without its line end.
std::string DocumentHeaderLine(DocumentVariant variant);

// The exact bytes of the document: header line, body line, footer line, each ended by CR LF,
// in UTF-8 without a byte-order mark. A lone surrogate in body is written as U+FFFD.
std::string DocumentBytes(DocumentVariant variant, std::u16string_view body);

}  // namespace zv

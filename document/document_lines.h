// The fixed lines of unitext.html, without Qt: the converter writes them around a body of
// any size without building the whole document.
#pragma once

#include <string>
#include <string_view>

namespace zv {

enum class DocumentVariant {
    Run,       // written by every conversion run, body = the converted text
    Shutdown,  // written when the program ends, empty body
};

inline constexpr std::string_view kDocumentLineEnd = "\r\n";
inline constexpr std::string_view kDocumentFooterLine = "</font></BODY></HTML>";

// The document's first line, without its line end.
std::string DocumentHeaderLine(DocumentVariant variant);

}  // namespace zv

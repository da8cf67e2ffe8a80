#include "document/document_lines.h"

#include "engine/utf8.h"
#include "zv/config.h"

namespace zv {
namespace {

// The credit texts are ASCII; a configured name outside ASCII becomes numeric references.
// The configured texts are well-formed UTF-8.
std::string AsciiFromUtf8(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const Utf8Character c = DecodeUtf8(utf8.substr(i));
        if (c.code_point < 0x80) {
            out.push_back(static_cast<char>(c.code_point));
        } else {
            out += "&#" + std::to_string(static_cast<unsigned long>(c.code_point)) + ";";
        }
        i += c.length;
    }
    return out;
}

std::string CreditText(DocumentVariant variant) {
    const std::string year = AsciiFromUtf8(config::kCopyrightYear);
    if (variant == DocumentVariant::Run) {
        return " Teksta Zilvardis &#8482; &copy; " + year + ' ' + AsciiFromUtf8(config::kMakerSite);
    }
    return " Text Zilvardizer&#8482; &copy; " + year + ' ' + AsciiFromUtf8(config::kMakerName);
}

}  // namespace

std::string DocumentHeaderLine(DocumentVariant variant) {
    // Both variants carry their body in UTF-8 and say so.
    return std::string(
               "<HTML><meta HTTP-EQUIV=\"Content-Type\"Content=\"text-html; "
               "charset=utf-8\"><BODY><font size = 1>") +
           CreditText(variant) + "<font size = 4> <br><br>";
}

std::string DocumentBytes(DocumentVariant variant, std::u16string_view body) {
    std::string out = DocumentHeaderLine(variant);
    out += kDocumentLineEnd;
    AppendUtf8(body, out);
    out += kDocumentLineEnd;
    out += kDocumentFooterLine;
    out += kDocumentLineEnd;
    return out;
}

}  // namespace zv

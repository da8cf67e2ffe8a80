#include "engine/utf8.h"

namespace zv {

void AppendCodePoint(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void AppendUtf8(std::u16string_view text, std::string& out) {
    std::size_t bytes = 0;
    for (const char16_t u : text) bytes += u < 0x80 ? 1 : u < 0x800 ? 2 : 3;  // a pair: 2 + 2
    out.reserve(out.size() + bytes);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t u = text[i];
        if (u < 0xD800 || u > 0xDFFF) {
            AppendCodePoint(u, out);
        } else if (u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            AppendCodePoint(0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00), out);
            ++i;
        } else {
            AppendCodePoint(0xFFFD, out);
        }
    }
}

}  // namespace zv

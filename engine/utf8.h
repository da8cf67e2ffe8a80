// UTF-8 output for the conversion's callers.
#pragma once

#include <string>
#include <string_view>

namespace zv {

// Appends the UTF-8 form of a Unicode scalar value.
void AppendCodePoint(char32_t code_point, std::string& out);

// Appends UTF-16 text as UTF-8. A lone surrogate has no UTF-8 form and becomes U+FFFD.
void AppendUtf8(std::u16string_view text, std::string& out);

inline std::string ToUtf8(std::u16string_view text) {
    std::string out;
    AppendUtf8(text, out);
    return out;
}

}  // namespace zv

// Prints the rule table as a GNU sed script, one substitution per rule, in table order. The
// line-break rule is left out: sed reads line by line and never sees a line break.
#include <cstdio>
#include <string>

#include "engine/transliterate.h"

namespace {

std::string Utf8(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// Escapes for a basic regular expression (find) or a replacement, with '|' as delimiter.
std::string Escape(std::string text, bool replacement) {
    const std::string special = replacement ? "\\&|" : "\\.[]*^$|";
    std::string out;
    for (char c : text) {
        if (special.find(c) != std::string::npos) out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

}  // namespace

int main() {
    for (const zv::Rule& rule : zv::RuleTable()) {
        if (rule.find.find(u'\n') != std::u16string_view::npos) continue;
        std::printf("s|%s|%s|g\n", Escape(Utf8(rule.find), false).c_str(),
                    Escape(Utf8(rule.replacement), true).c_str());
    }
    return 0;
}

// Prints the rule table as a GNU sed script, one substitution per rule, in table order. The
// line-break rule is left out: sed reads line by line and never sees a line break.
#include <cstdio>
#include <string>

#include "engine/transliterate.h"
#include "engine/utf8.h"

namespace {

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
        std::printf("s|%s|%s|g\n", Escape(zv::ToUtf8(rule.find), false).c_str(),
                    Escape(zv::ToUtf8(rule.replacement), true).c_str());
    }
    return 0;
}

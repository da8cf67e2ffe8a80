#include "engine/plain_text.h"

#include "engine/line_ends.h"
#include "engine/references.h"
#include "engine/transliterate.h"

namespace zv {

// With every line end an LF there is no CR LF left for the table's last rule to turn into
// "<Br>", and no other rule finds a CR or an LF: no rule matches across a line end, so the
// text converts as its lines would one by one.
std::string PlainText(std::string_view typed) {
    std::string scratch;
    return RuleReferencesToLetters(TransliterateUtf8(WithLf(typed, scratch)));
}

std::string PlainTextOfConverted(std::string_view converted) {
    constexpr std::string_view kBr = "<Br>";
    const std::string letters = RuleReferencesToLetters(converted);
    std::string out;
    out.reserve(letters.size());
    std::size_t from = 0;
    for (std::size_t at; (at = letters.find(kBr, from)) != std::string::npos;
         from = at + kBr.size()) {
        out.append(letters, from, at - from);
        out += '\n';
    }
    out.append(letters, from);
    return out;
}

}  // namespace zv

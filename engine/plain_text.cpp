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

}  // namespace zv

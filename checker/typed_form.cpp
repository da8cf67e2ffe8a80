#include "checker/typed_form.h"

#include <functional>

#include "engine/references.h"
#include "engine/transliterate.h"

namespace zv::checker {
namespace {

bool ConvertsTo(std::u16string_view typed, std::u16string_view word) {
    return ReferencesToLetters(Transliterate(typed)) == word;
}

}  // namespace

std::u16string TypedForm(const std::vector<Unit>& units, const std::vector<std::size_t>& choice,
                         std::u16string_view word) {
    const auto build = [&](const std::function<bool(std::size_t)>& hex) {
        std::u16string out;
        for (std::size_t k = 0; k < units.size(); ++k) {
            const Reading& reading = units[k].readings[choice[k]];
            out += hex(k) ? reading.hex : reading.typed;
        }
        return out;
    };
    std::u16string typed = build([](std::size_t) { return false; });
    if (ConvertsTo(typed, word)) return typed;
    for (std::size_t one = 0; one < units.size(); ++one) {
        const Reading& reading = units[one].readings[choice[one]];
        if (reading.hex == reading.typed) continue;
        typed = build([one](std::size_t k) { return k == one; });
        if (ConvertsTo(typed, word)) return typed;
    }
    typed = build([](std::size_t) { return true; });
    if (ConvertsTo(typed, word)) return typed;
    // Last resort: every letter with a mark as a reference, and a plain letter that could
    // pair with the next one too.
    typed.clear();
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char16_t c = word[i];
        const char16_t next = i + 1 < word.size() ? word[i + 1] : 0;
        if (c > 0x7F || PairLetter(c, next) || c == u'\'' || c == u'&') {
            typed += HexReference(c);
        } else {
            typed += c;
        }
    }
    if (ConvertsTo(typed, word)) return typed;
    return {};
}

}  // namespace zv::checker

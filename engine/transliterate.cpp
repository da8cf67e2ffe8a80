#include "engine/transliterate.h"

namespace zv {
namespace {

// One rule over the whole text: every non-overlapping occurrence, leftmost first.
void ApplyRule(const Rule& rule, std::u16string_view text, std::u16string& out) {
    out.clear();
    out.reserve(text.size());
    std::size_t pos = 0;
    while (true) {
        const std::size_t hit = text.find(rule.find, pos);
        if (hit == std::u16string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(rule.replacement);
        pos = hit + rule.find.size();
    }
    out.append(text.substr(pos));
}

}  // namespace

std::u16string Transliterate(std::u16string_view text) {
    std::u16string current(text);
    std::u16string next;
    for (const Rule& rule : RuleTable()) {
        ApplyRule(rule, current, next);
        current.swap(next);
    }
    return current;
}

}  // namespace zv

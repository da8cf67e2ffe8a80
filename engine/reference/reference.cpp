#include "engine/reference/reference.h"

#include "engine/transliterate.h"

namespace zv::reference {

std::u16string Transliterate(std::u16string_view text) {
    std::u16string current(text);
    for (const Rule& rule : RuleTable()) {
        std::u16string next;
        next.reserve(current.size());
        std::size_t pos = 0;
        while (pos < current.size()) {
            if (current.compare(pos, rule.find.size(), rule.find) == 0) {
                next.append(rule.replacement);
                pos += rule.find.size();
            } else {
                next.push_back(current[pos]);
                ++pos;
            }
        }
        current = std::move(next);
    }
    return current;
}

}  // namespace zv::reference

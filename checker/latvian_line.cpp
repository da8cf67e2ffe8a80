#include "checker/latvian_line.h"

#include <string_view>

namespace zv::checker {

std::pair<std::size_t, std::size_t> RunBetweenBlanks(std::u16string_view text, std::size_t begin,
                                                     std::size_t end) {
    const auto blank = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xA0;
    };
    while (begin > 0 && !blank(text[begin - 1])) --begin;
    while (end < text.size() && !blank(text[end])) ++end;
    return {begin, end};
}

bool IsCode(std::u16string_view run) {
    const auto alnum = [](char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
               c >= 0xC0;
    };
    for (std::size_t i = 0; i < run.size(); ++i) {
        switch (run[i]) {
            case u'@':
            case u'\\':
            case u'_':
            case u'=':
            case u'{':
            case u'}':
            case u'<':
            case u'>':
            case u'#':
            case u'$':
            case u'%':
            case u'|':
            case u'~':
            case u'`':
                return true;
            case u':':
                if (run.substr(i).starts_with(u"://")) return true;
                break;
            case u'.':
                if (i > 0 && i + 1 < run.size() && alnum(run[i - 1]) && alnum(run[i + 1])) {
                    return true;
                }
                break;
            default:
                break;
        }
    }
    return false;
}

void LatvianLine::End(std::vector<Finding>& findings) {
    const bool latvian_line = 2 * latvian_ > words_;
    for (const Flagged& word : flagged_) {
        const bool marks = latvian_line && word.marks && !word.verdict->merged.empty();
        const auto& suggestions = marks ? word.verdict->merged : word.verdict->readings;
        if (!suggestions.empty()) {
            findings.push_back({word.begin, word.end, word.verdict->converted, suggestions});
        }
    }
    flagged_.clear();
    words_ = latvian_ = 0;
}

}  // namespace zv::checker

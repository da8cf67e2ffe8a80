#include "app/letter_table.h"

#include <algorithm>
#include <optional>

#include "engine/transliterate.h"
#include "engine/utf8.h"

namespace zv::cli {
namespace {

bool IsAsciiAlnum(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsOneCharacter(std::u16string_view s) {
    if (s.size() == 1) return s[0] < 0xD800 || s[0] > 0xDFFF;
    return s.size() == 2 && s[0] >= 0xD800 && s[0] <= 0xDBFF && s[1] >= 0xDC00 && s[1] <= 0xDFFF;
}

std::optional<char32_t> Decimal(std::u16string_view digits) {
    if (digits.empty() || digits.size() > 7) return std::nullopt;
    char32_t value = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
    return value;
}

}  // namespace

LetterTable::LetterTable() {
    for (const Rule& rule : RuleTable()) {
        const std::u16string_view r = rule.replacement;
        if (r.size() < 3 || r.front() != u'&' || r.back() != u';') continue;
        const std::u16string_view inner = r.substr(1, r.size() - 2);
        std::string letter;
        if (inner.front() == u'#') {
            const std::optional<char32_t> cp = Decimal(inner.substr(1));
            if (!cp) continue;
            AppendCodePoint(*cp, letter);
        } else {
            if (!std::all_of(inner.begin(), inner.end(), IsAsciiAlnum)) continue;
            if (!IsOneCharacter(rule.find)) continue;
            AppendUtf8(rule.find, letter);
        }
        if (inner.front() == u'#') {
            // The same letter written as a hexadecimal reference ("&#x101;", "&#X101;"), as the
            // dictionary check suggests typing where a repair row would undo the letter.
            const char32_t cp = *Decimal(inner.substr(1));
            for (const char* digits : {"0123456789abcdef", "0123456789ABCDEF"}) {
                std::string hex;
                for (char32_t v = cp; v != 0; v >>= 4) hex.insert(hex.begin(), digits[v & 15]);
                for (const char* x : {"&#x", "&#X"}) {
                    std::string reference = x + hex + ";";
                    max_length_ = std::max(max_length_, reference.size());
                    map_.emplace(std::move(reference), letter);
                }
            }
        }
        max_length_ = std::max(max_length_, r.size());
        map_.emplace(std::string(r.begin(), r.end()), std::move(letter));
    }
}

std::string LetterTable::Apply(std::string_view text) const {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t amp = text.find('&', pos);
        if (amp == std::string_view::npos) break;
        out.append(text.substr(pos, amp - pos));
        const std::size_t semi = text.substr(amp, max_length_).find(';');
        if (semi != std::string_view::npos) {
            const auto hit = map_.find(std::string(text.substr(amp, semi + 1)));
            if (hit != map_.end()) {
                out.append(hit->second);
                pos = amp + semi + 1;
                continue;
            }
        }
        out.push_back('&');
        pos = amp + 1;
    }
    if (pos < text.size()) out.append(text.substr(pos));
    return out;
}

}  // namespace zv::cli

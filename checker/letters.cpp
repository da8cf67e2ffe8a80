#include "checker/letters.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "engine/references.h"
#include "engine/utf8.h"

namespace zv::checker {
namespace {

char16_t SmallAscii(char16_t c) noexcept {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool IsLetter(char16_t c) noexcept {
    if (c < 0x80) return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    if (c < 0xC0) return false;  // Latin-1 signs and punctuation
    if (c == 0xD7 || c == 0xF7) return false;
    if (c >= 0x2000 && c <= 0x2BFF) return false;  // punctuation, symbols, arrows, shapes
    if (c >= 0x3000 && c <= 0x303F) return false;  // CJK punctuation
    if (IsSurrogate(c)) return false;              // emoji and the like
    if (c >= 0xE000 && c <= 0xF8FF) return false;  // private use
    if (c >= 0xFE30 && c <= 0xFE6F) return false;
    if (c == 0xFEFF) return false;  // a byte-order mark, or a zero-width no-break space
    if (c >= 0xFF00 && c <= 0xFF20) return false;
    return c < 0xFFF0;
}

// The length of the named reference text starts with ("&amp;"), or 0.
std::size_t NamedReferenceLength(std::u16string_view text) noexcept {
    if (text.size() < 3 || text[0] != u'&') return 0;
    std::size_t i = 1;
    while (i < text.size() && i < 33 &&
           ((text[i] >= u'a' && text[i] <= u'z') || (text[i] >= u'A' && text[i] <= u'Z') ||
            (i > 1 && text[i] >= u'0' && text[i] <= u'9'))) {
        ++i;
    }
    return i > 1 && i < text.size() && text[i] == u';' ? i + 1 : 0;
}

// Where the HTML tag that starts at text[0] ends (one past its '>'), or 0 when text does
// not start a tag: '<' then a letter, '/', '!' or '?', and a '>' before any other '<' and
// before the line ends (a stray "<?" in a sentence leaves the lines after it checked).
std::size_t TagLength(std::u16string_view text) noexcept {
    if (text.size() < 3 || text[0] != u'<') return 0;
    const char16_t c = text[1];
    if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'/' || c == u'!' ||
          c == u'?')) {
        return 0;
    }
    const std::size_t close = text.find_first_of(u"<>\r\n", 1);
    return close != std::u16string_view::npos && text[close] == u'>' ? close + 1 : 0;
}

// The length of the word piece at text[0]: a letter, an apostrophe form or a numeric
// reference; 0 when none starts there.
std::size_t PieceLength(std::u16string_view text) noexcept {
    if (text.empty()) return 0;
    if (IsLetter(text[0])) return 1;
    if (text[0] == u'\'' && text.size() > 1 && PairSecond(text[1])) return 2;
    if (text[0] == u'&') {
        const auto reference = NumericReferenceAt(text);
        return reference ? reference->length : 0;
    }
    return 0;
}

// A letter's place in the Latvian alphabet (marked letters right after their base letter),
// ignoring case; other characters after every letter, by code point.
std::pair<std::uint32_t, int> SortKey(char16_t c) noexcept {
    int capital = 0;
    char16_t base = c;
    std::uint32_t mark = 0;
    if (c >= u'A' && c <= u'Z') {
        base = static_cast<char16_t>(c + 32);
        capital = 1;
    } else if (const char16_t first = PairFirst(c)) {
        base = SmallAscii(first);
        mark = 1;
        capital = first != base;
    }
    if (base >= u'a' && base <= u'z') {
        return {static_cast<std::uint32_t>(base - u'a') * 2 + mark, capital};
    }
    return {0x100 + static_cast<std::uint32_t>(c), 0};
}

}  // namespace

bool IsCapital(char16_t c) noexcept {
    if (c >= u'A' && c <= u'Z') return true;
    if (c >= 0xC0 && c <= 0xDE) return c != 0xD7;
    const char16_t first = PairFirst(c);
    return first >= u'A' && first <= u'Z';
}

char16_t ToSmall(char16_t c) noexcept {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    // A capital a pair makes: the letter of the same pair in small letters.
    const char16_t first = PairFirst(c);
    if (first >= u'A' && first <= u'Z') return PairLetter(SmallAscii(first), PairSecond(first));
    return c;
}

std::string SmallUtf8(std::u16string_view word) {
    std::u16string small(word);
    for (char16_t& c : small) c = ToSmall(c);
    return ToUtf8(small);
}

char16_t ToCapital(char16_t c) noexcept {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
    // A small letter a pair makes: the letter of the same pair in capitals.
    const char16_t first = PairFirst(c);
    if (first >= u'a' && first <= u'z') {
        const auto capital = static_cast<char16_t>(first - 32);
        return PairLetter(capital, PairSecond(capital));
    }
    return c;
}

bool IsCapitalsWord(std::u16string_view text) noexcept {
    int letters = 0;
    for (const char16_t c : text) {
        if (!IsLetter(c)) continue;
        if (!IsCapital(c)) return false;
        ++letters;
    }
    return letters >= 2;
}

bool LatvianLess(std::u16string_view a, std::u16string_view b) noexcept {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ka = SortKey(a[i]).first, kb = SortKey(b[i]).first;
        if (ka != kb) return ka < kb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = SortKey(a[i]).second, cb = SortKey(b[i]).second;
        if (ca != cb) return ca < cb;
    }
    return false;
}

void ForEachWord(std::u16string_view text,
                 const std::function<bool(std::size_t, std::size_t)>& word) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::u16string_view rest = text.substr(i);
        if (const std::size_t tag = TagLength(rest)) {
            i += tag;
            continue;
        }
        if (const std::size_t named = NamedReferenceLength(rest); named && !PieceLength(rest)) {
            i += named;
            continue;
        }
        std::size_t end = i, piece = PieceLength(rest);
        if (piece == 0) {
            ++i;
            continue;
        }
        while (piece) {
            end += piece;
            piece = PieceLength(text.substr(end));
            // A hyphen escape ("pa-art") is part of the word; another hyphen ("no-kreisaas")
            // joins two words.
            if (!piece && end + 1 < text.size() && text[end] == u'-' &&
                PairLetter(text[end - 1], text[end + 1])) {
                if (const std::size_t after = PieceLength(text.substr(end + 1))) {
                    ++end;
                    piece = after;
                }
            }
        }
        if (!word(i, end)) return;
        i = end;
    }
}

}  // namespace zv::checker

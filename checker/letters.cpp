#include "checker/letters.h"

#include <array>
#include <optional>

#include "checker/checker.h"

namespace zv::checker {
namespace {

// The base letters of the pairs, with the small letter that completes each pair and the
// small and capital letters the pair makes.
struct PairRow {
    char16_t base;  // small
    char16_t second;
    char16_t small, capital;
};
constexpr std::array<PairRow, 12> kPairs{{
    {u'a', u'a', 0x101, 0x100},
    {u'c', u'h', 0x10D, 0x10C},
    {u'e', u'e', 0x113, 0x112},
    {u'g', u'j', 0x123, 0x122},
    {u'i', u'i', 0x12B, 0x12A},
    {u'k', u'j', 0x137, 0x136},
    {u'l', u'j', 0x13C, 0x13B},
    {u'n', u'j', 0x146, 0x145},
    {u'r', u'j', 0x157, 0x156},
    {u's', u'h', 0x161, 0x160},
    {u'u', u'u', 0x16B, 0x16A},
    {u'z', u'h', 0x17E, 0x17D},
}};

const PairRow* RowOf(char16_t c) noexcept {
    const char16_t small = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    for (const PairRow& row : kPairs) {
        if (row.base == small) return &row;
    }
    return nullptr;
}

bool IsLetter(char16_t c) noexcept {
    if (c < 0x80) return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    if (c < 0xC0) return false;  // Latin-1 signs and punctuation
    if (c == 0xD7 || c == 0xF7) return false;
    if (c >= 0x2000 && c <= 0x2BFF) return false;  // punctuation, symbols, arrows, shapes
    if (c >= 0x3000 && c <= 0x303F) return false;  // CJK punctuation
    if (c >= 0xD800 && c <= 0xDFFF) return false;  // surrogates: emoji and the like
    if (c >= 0xE000 && c <= 0xF8FF) return false;  // private use
    if (c >= 0xFE30 && c <= 0xFE6F) return false;
    if (c >= 0xFF00 && c <= 0xFF20) return false;
    return c < 0xFFF0;
}

std::optional<char32_t> ParseNumber(std::u16string_view digits, int base) noexcept {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    char32_t value = 0;
    for (const char16_t d : digits) {
        int v;
        if (d >= u'0' && d <= u'9') {
            v = d - u'0';
        } else if (base == 16 && d >= u'a' && d <= u'f') {
            v = d - u'a' + 10;
        } else if (base == 16 && d >= u'A' && d <= u'F') {
            v = d - u'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * static_cast<char32_t>(base) + static_cast<char32_t>(v);
    }
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    return value;
}

// The code point of the numeric reference text starts with, and its length.
std::optional<std::pair<char32_t, std::size_t>> NumericReference(
    std::u16string_view text) noexcept {
    if (text.size() < 4 || text[0] != u'&' || text[1] != u'#') return std::nullopt;
    const bool hex = text[2] == u'x' || text[2] == u'X';
    const std::size_t start = hex ? 3 : 2;
    const std::size_t semicolon = text.substr(0, start + 9).find(u';', start);
    if (semicolon == std::u16string_view::npos) return std::nullopt;
    const auto value = ParseNumber(text.substr(start, semicolon - start), hex ? 16 : 10);
    if (!value) return std::nullopt;
    return std::pair{*value, semicolon + 1};
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
    if (text[0] == u'&') return NumericReferenceLength(text);
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
    } else {
        for (const PairRow& row : kPairs) {
            if (c == row.small || c == row.capital) {
                base = row.base;
                mark = 1;
                capital = c == row.capital;
            }
        }
    }
    if (base >= u'a' && base <= u'z') {
        return {static_cast<std::uint32_t>(base - u'a') * 2 + mark, capital};
    }
    return {0x100 + static_cast<std::uint32_t>(c), 0};
}

}  // namespace

char16_t PairLetter(char16_t first, char16_t second) noexcept {
    const PairRow* row = RowOf(first);
    if (!row || second != row->second) return 0;
    return first == row->base ? row->small : row->capital;
}

char16_t PairSecond(char16_t c) noexcept {
    const PairRow* row = RowOf(c);
    return row ? row->second : 0;
}

bool IsCapital(char16_t c) noexcept {
    if (c >= u'A' && c <= u'Z') return true;
    if (c >= 0xC0 && c <= 0xDE) return c != 0xD7;
    for (const PairRow& row : kPairs) {
        if (c == row.capital) return true;
    }
    return false;
}

char16_t ToSmall(char16_t c) noexcept {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    for (const PairRow& row : kPairs) {
        if (c == row.capital) return row.small;
    }
    return c;
}

char16_t ToCapital(char16_t c) noexcept {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
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

std::u16string HexReference(char16_t c) {
    constexpr char16_t kDigits[] = u"0123456789abcdef";
    std::u16string digits;
    for (unsigned v = c; v != 0 || digits.empty(); v >>= 4)
        digits.insert(digits.begin(), kDigits[v & 15]);
    return u"&#x" + digits + u";";
}

std::size_t NumericReferenceLength(std::u16string_view text) noexcept {
    const auto reference = NumericReference(text);
    return reference ? reference->second : 0;
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

std::u16string ReferencesToLetters(std::u16string_view converted) {
    static constexpr std::array<std::pair<std::u16string_view, char16_t>, 6> kNamed{{
        {u"&aring;", 0xE5},
        {u"&Aring;", 0xC5},
        {u"&auml;", 0xE4},
        {u"&Auml;", 0xC4},
        {u"&ouml;", 0xF6},
        {u"&Ouml;", 0xD6},
    }};
    std::u16string out;
    out.reserve(converted.size());
    std::size_t i = 0;
    while (i < converted.size()) {
        const std::size_t amp = converted.find(u'&', i);
        out += converted.substr(i, amp - i);
        if (amp == std::u16string_view::npos) break;
        i = amp;
        const std::u16string_view rest = converted.substr(i);
        if (const auto reference = NumericReference(rest)) {
            const char32_t cp = reference->first;
            if (cp > 0xFFFF) {
                out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
                out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                out += static_cast<char16_t>(cp);
            }
            i += reference->second;
            continue;
        }
        bool named = false;
        for (const auto& [name, letter] : kNamed) {
            if (rest.starts_with(name)) {
                out += letter;
                i += name.size();
                named = true;
                break;
            }
        }
        if (!named) {
            out += u'&';
            ++i;
        }
    }
    return out;
}

}  // namespace zv::checker

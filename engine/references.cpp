#include "engine/references.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "engine/transliterate.h"
#include "engine/utf8.h"

namespace zv {
namespace {

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool IsAsciiAlnum(char16_t c) { return IsAsciiLetter(c) || (c >= u'0' && c <= u'9'); }

bool IsOneCharacter(std::u16string_view s) {
    if (s.size() == 1) return !IsSurrogate(s[0]);
    return s.size() == 2 && IsHighSurrogate(s[0]) && IsLowSurrogate(s[1]);
}

template <typename Char>
std::optional<NumericReference> ReadNumeric(std::basic_string_view<Char> text) noexcept {
    if (text.size() < 4 || text[0] != Char('&') || text[1] != Char('#')) return std::nullopt;
    const bool hex = text[2] == Char('x') || text[2] == Char('X');
    const std::size_t start = hex ? 3 : 2;
    constexpr std::size_t kMaxDigits = 8;
    const std::size_t semicolon = text.substr(0, start + kMaxDigits + 1).find(Char(';'), start);
    if (semicolon == std::basic_string_view<Char>::npos) return std::nullopt;
    const auto digits = text.substr(start, semicolon - start);
    // from_chars reads char: the digits, which are ASCII, copied over.
    std::array<char, kMaxDigits> ascii{};
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const auto unit = static_cast<std::make_unsigned_t<Char>>(digits[i]);
        if (unit > 0x7F) return std::nullopt;
        ascii[i] = static_cast<char>(unit);
    }
    const char* const end = ascii.data() + digits.size();
    std::uint32_t value = 0;
    const auto [stop, error] = std::from_chars(ascii.data(), end, value, hex ? 16 : 10);
    if (digits.empty() || error != std::errc() || stop != end) return std::nullopt;
    if (value == 0 || !IsScalarValue(value)) return std::nullopt;
    return NumericReference{value, semicolon + 1};
}

// A rule whose replacement is a named reference ("&aring;") for the one character it finds.
struct Named {
    std::u16string_view reference;
    std::u16string_view character;
    std::string character_utf8;
};

// What the rule table says of letters and references, derived from it once.
struct Tables {
    struct Pair {
        char16_t second = 0, letter = 0;
    };
    std::array<Pair, 128> pairs{};                      // by the pair's first letter
    std::vector<std::pair<char16_t, char16_t>> firsts;  // a pair's letter, its first letter
    std::vector<char32_t> numeric;                      // the code points of numeric references
    std::vector<Named> named;
    std::size_t longest = 0;  // of the references RuleReferencesToLetters reads
};

Tables Derive() {
    Tables tables;
    for (const Rule& rule : RuleTable()) {
        const std::u16string_view find = rule.find, r = rule.replacement;
        if (const auto reference = ReadNumeric(r); reference && reference->length == r.size()) {
            const char32_t cp = reference->code_point;
            if (std::find(tables.numeric.begin(), tables.numeric.end(), cp) ==
                tables.numeric.end()) {
                tables.numeric.push_back(cp);
            }
            tables.longest = std::max({tables.longest, r.size(), HexReference(cp).size()});
            // The first pair of a first letter is its pair.
            if (find.size() == 2 && IsAsciiLetter(find[0]) && IsAsciiLetter(find[1]) &&
                cp <= 0xFFFF && tables.pairs[find[0]].letter == 0) {
                tables.pairs[find[0]] = {find[1], static_cast<char16_t>(cp)};
                tables.firsts.emplace_back(static_cast<char16_t>(cp), find[0]);
            }
        } else if (r.size() >= 3 && r.front() == u'&' && r.back() == u';' &&
                   std::all_of(r.begin() + 1, r.end() - 1, IsAsciiAlnum) && IsOneCharacter(find)) {
            tables.named.push_back({r, find, ToUtf8(find)});
            tables.longest = std::max(tables.longest, r.size());
        }
    }
    return tables;
}

const Tables& Derived() {
    static const Tables tables = Derive();
    return tables;
}

// The named reference of the rule table that text starts with, or null.
const Named* NamedAt(std::u16string_view text) {
    for (const Named& named : Derived().named) {
        if (text.starts_with(named.reference)) return &named;
    }
    return nullptr;
}

const Named* NamedAt(std::string_view text) {
    for (const Named& named : Derived().named) {
        const std::u16string_view reference = named.reference;
        if (text.size() >= reference.size() &&
            std::equal(reference.begin(), reference.end(), text.begin(),
                       [](char16_t a, char b) { return a == static_cast<unsigned char>(b); })) {
            return &named;
        }
    }
    return nullptr;
}

// text with each reference that letter reads (appending its character to out and giving its
// length, or 0 for none) replaced by its character.
template <typename Char, typename Letter>
std::basic_string<Char> Replaced(std::basic_string_view<Char> text, Letter letter) {
    std::basic_string<Char> out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t amp = text.find(Char('&'), i);
        if (amp == std::basic_string_view<Char>::npos) break;
        out.append(text.substr(i, amp - i));
        i = amp;
        if (const std::size_t length = letter(text.substr(i), out)) {
            i += length;
        } else {
            out.push_back(Char('&'));
            ++i;
        }
    }
    if (i < text.size()) out.append(text.substr(i));
    return out;
}

}  // namespace

char16_t PairLetter(char16_t first, char16_t second) noexcept {
    if (first >= 128) return 0;
    const Tables::Pair& pair = Derived().pairs[first];
    return pair.second == second ? pair.letter : 0;
}

char16_t PairSecond(char16_t c) noexcept { return c < 128 ? Derived().pairs[c].second : 0; }

char16_t PairFirst(char16_t letter) noexcept {
    if (letter < 128) return 0;
    for (const auto& [made, first] : Derived().firsts) {
        if (made == letter) return first;
    }
    return 0;
}

std::optional<NumericReference> NumericReferenceAt(std::u16string_view text) noexcept {
    return ReadNumeric(text);
}

std::optional<NumericReference> NumericReferenceAt(std::string_view text) noexcept {
    return ReadNumeric(text);
}

std::u16string HexReference(char32_t code_point) {
    std::array<char, 8> digits{};
    const auto end =
        std::to_chars(digits.data(), digits.data() + digits.size(), std::uint32_t{code_point}, 16)
            .ptr;
    std::u16string out = u"&#x";
    out.append(digits.data(), end);
    out += u';';
    return out;
}

std::u16string ReferencesToLetters(std::u16string_view converted) {
    return Replaced(converted, [](std::u16string_view rest, std::u16string& out) -> std::size_t {
        if (const auto reference = NumericReferenceAt(rest)) {
            AppendCodePoint(reference->code_point, out);
            return reference->length;
        }
        if (const Named* named = NamedAt(rest)) {
            out += named->character;
            return named->reference.size();
        }
        return 0;
    });
}

std::string RuleReferencesToLetters(std::string_view converted) {
    return Replaced(converted, [](std::string_view rest, std::string& out) -> std::size_t {
        if (const auto reference = NumericReferenceAt(rest)) {
            // As the rule table writes it, or in hexadecimal: no leading zero.
            const std::size_t first_digit = rest[2] == 'x' || rest[2] == 'X' ? 3 : 2;
            const auto& numeric = Derived().numeric;
            if (rest[first_digit] == '0' ||
                std::find(numeric.begin(), numeric.end(), reference->code_point) == numeric.end()) {
                return 0;
            }
            AppendCodePoint(reference->code_point, out);
            return reference->length;
        }
        if (const Named* named = NamedAt(rest)) {
            out += named->character_utf8;
            return named->reference.size();
        }
        return 0;
    });
}

std::size_t LongestRuleReference() noexcept { return Derived().longest; }

}  // namespace zv

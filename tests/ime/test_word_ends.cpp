// The typing core converts word by word: it commits a word when a key ends it and hands that
// key on as it is. The application then holds exactly what converting the whole line gives
// only if cutting the line where the core cuts it never changes the conversion. These tests
// derive that from the rule table itself, so that a rule added later that would match across a
// word end fails here instead of spoiling typed text silently.
//
// One rule replaces the leftmost occurrences of its find text, left to right. If a character s
// occurs in no find text, no occurrence takes it in, so the rule's result on "A s B" is its
// result on A, then s, then its result on B; by induction over the table, the whole conversion
// of "A s B" is that of A, s, that of B. The word repairs are rules like any other: none can
// reach across such an s either. Converting the references the table writes into letters reads
// "&...;" runs, so s must occur in none of those either.
//
// Digits, '#' and ';' occur in find texts, inside the references the pair rules write
// ("i&#275;j"). The core lets them end only a word that holds no '&', and such a word holds no
// digit, '#' or ';' either (those ended it). If every '&', '#', ';' and digit of every find text
// lies in a complete decimal reference of that find text, every one of a replacement lies in a
// complete reference ("&#257;", "&aring;"), and no later find text cuts a named reference that a
// replacement writes, then at every step every '&' of such a word's conversion begins a complete
// reference within it. A match that took in the digit, '#' or ';' after the word would need a
// reference begun in the word and closed after it: there is none. The same holds for reading
// the references as letters.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "engine/line_ends.h"
#include "engine/references.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"
#include "ime/core/word_ends.h"

namespace {

using zv::ime::Role;
using zv::ime::RoleOf;

std::string Show(std::u16string_view text) { return zv::ToUtf8(text); }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// The length of the reference that starts text[at]: "&#" digits ";" (decimal) or, with named,
// "&" letters ";"; 0 when none does.
std::size_t ReferenceAt(std::u16string_view text, std::size_t at, bool named) {
    if (text[at] != u'&') return 0;
    std::size_t i = at + 1;
    const bool decimal = i < text.size() && text[i] == u'#';
    if (!decimal && !named) return 0;
    if (decimal) ++i;
    const std::size_t first = i;
    while (i < text.size() && (decimal ? IsDigit(text[i]) : IsAsciiLetter(text[i]))) ++i;
    if (i == first || i == text.size() || text[i] != u';') return 0;
    return i + 1 - at;
}

// For each unit of text: whether it lies inside a complete reference.
std::vector<bool> InReference(std::u16string_view text, bool named) {
    std::vector<bool> inside(text.size(), false);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const std::size_t length = ReferenceAt(text, i, named)) {
            for (std::size_t k = i; k < i + length; ++k) inside[k] = true;
            i += length - 1;
        }
    }
    return inside;
}

bool IsReferenceUnit(char16_t c) {
    return c == u'&' || (c < 0x80 && RoleOf(c) == Role::kInReference);
}

TEST(WordEnds, NoFindTextHoldsACharacterThatEndsAWord) {
    std::array<bool, 0x10000> in_find{};
    for (const zv::Rule& rule : zv::RuleTable()) {
        for (const char16_t u : rule.find) in_find[u] = true;
    }
    // The characters of the references the conversion reads as letters: those the table
    // writes, and the same in hexadecimal, "&#x101;" or "&#X101;".
    std::array<bool, 0x80> in_reference{};
    for (const zv::Rule& rule : zv::RuleTable()) {
        std::u16string forms(rule.replacement);
        if (const auto numeric = zv::NumericReferenceAt(rule.replacement)) {
            forms += zv::HexReference(numeric->code_point);
            for (const char16_t u : zv::HexReference(numeric->code_point)) {
                forms += u >= u'a' && u <= u'z' ? static_cast<char16_t>(u - u'a' + u'A') : u;
            }
        }
        for (std::size_t i = 0; i < forms.size(); ++i) {
            if (const std::size_t length = ReferenceAt(forms, i, true)) {
                for (std::size_t k = i; k < i + length; ++k) in_reference[forms[k]] = true;
            } else if (const auto hex = zv::NumericReferenceAt(forms.substr(i))) {
                for (std::size_t k = i; k < i + hex->length; ++k) in_reference[forms[k]] = true;
            }
        }
    }
    std::size_t ends = 0;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (zv::IsSurrogate(c) || RoleOf(c) != Role::kWordEnd) continue;
        ++ends;
        std::u16string units;
        zv::AppendCodePoint(c, units);
        for (const char16_t u : units) {
            ASSERT_FALSE(in_find[u]) << "U+" << std::hex << static_cast<unsigned>(c)
                                     << " ends a word but a find text holds it";
            ASSERT_FALSE(u < 0x80 && in_reference[u])
                << "U+" << std::hex << static_cast<unsigned>(c)
                << " ends a word but a character reference holds it";
        }
    }
    // Blanks, punctuation and the rest do end words.
    EXPECT_GT(ends, 1000u);
    for (const char32_t c : U" \t.,:!?\"()/_") EXPECT_EQ(RoleOf(c), Role::kWordEnd) << char(c);
}

TEST(WordEnds, DigitsAndReferenceSignsInRulesLieInCompleteReferences) {
    const auto rules = zv::RuleTable();
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const std::u16string_view find = rules[i].find, replacement = rules[i].replacement;
        const std::vector<bool> find_inside = InReference(find, false);
        for (std::size_t k = 0; k < find.size(); ++k) {
            EXPECT_TRUE(!IsReferenceUnit(find[k]) || find_inside[k])
                << "rule " << i << " (\"" << Show(find) << "\"): '" << char(find[k])
                << "' outside a complete decimal reference";
        }
        const std::vector<bool> replacement_inside = InReference(replacement, true);
        for (std::size_t k = 0; k < replacement.size(); ++k) {
            EXPECT_TRUE(!IsReferenceUnit(replacement[k]) || replacement_inside[k])
                << "rule " << i << " writes \"" << Show(replacement) << "\": '"
                << char(replacement[k]) << "' outside a complete reference";
        }
    }
}

TEST(WordEnds, NoLaterRuleCutsANamedReferenceARuleWrites) {
    const auto rules = zv::RuleTable();
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const std::u16string_view replacement = rules[i].replacement;
        for (std::size_t at = 0; at < replacement.size(); ++at) {
            const std::size_t length = ReferenceAt(replacement, at, true);
            if (length == 0 || replacement[at + 1] == u'#') continue;
            const std::u16string_view named = replacement.substr(at, length);
            for (std::size_t j = i + 1; j < rules.size(); ++j) {
                const std::u16string_view find = rules[j].find;
                // find placed at every offset that overlaps the reference without covering it
                const long n = static_cast<long>(named.size()), f = static_cast<long>(find.size());
                for (long start = 1 - f; start < n; ++start) {
                    if (start <= 0 && start + f >= n) continue;
                    bool agrees = true;
                    for (long q = std::max(0L, start); q < std::min(n, start + f); ++q) {
                        agrees = agrees && find[q - start] == named[q];
                    }
                    EXPECT_FALSE(agrees) << "rule " << j << " (\"" << Show(find) << "\") can cut "
                                         << Show(named) << ", which rule " << i << " writes";
                }
            }
        }
    }
}

TEST(WordEnds, OnlyTheLineBreakRuleHoldsALineEnd) {
    const auto rules = zv::RuleTable();
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const bool last = i + 1 == rules.size();
        for (const char32_t end : {U'\r', U'\n'}) {
            ASSERT_EQ(RoleOf(end), Role::kLineEnd);
            const char16_t u = static_cast<char16_t>(end);
            EXPECT_EQ(rules[i].replacement.find(u), std::u16string_view::npos) << "rule " << i;
            if (!last) {
                EXPECT_EQ(rules[i].find.find(u), std::u16string_view::npos) << "rule " << i;
            }
        }
        if (last) {
            EXPECT_EQ(rules[i].find, zv::kLineEnd);
        }
    }
}

}  // namespace

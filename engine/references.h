// The character references the conversion writes and the letters they stand for, all derived
// from the rule table: the pairs of typed letters that make a letter ("sh" gives "š"), a
// reference read ("&#257;", "&#x101;") or written in hexadecimal, and converted text turned
// back into letters. The one place for these: the dictionary check and zv-convert --unicode
// both use it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zv {

// The letter the conversion makes of first and second ("s", "h" give "š"; "A", "a" give "Ā"),
// or 0 when the two are not a pair: a rule whose find text is the two letters and whose
// replacement is a numeric reference.
char16_t PairLetter(char16_t first, char16_t second) noexcept;

// The letter that follows c in c's pair ('h' for 's' and 'S', 'a' for 'A'), or 0.
char16_t PairSecond(char16_t c) noexcept;

// The first letter of the pair that makes letter ('s' for "š", 'S' for "Š"), or 0 when no pair
// makes it.
char16_t PairFirst(char16_t letter) noexcept;

// A numeric character reference at the start of a text: the code point it stands for, and its
// length in code units (in bytes, for UTF-8).
struct NumericReference {
    char32_t code_point;
    std::size_t length;
};

// The numeric reference text starts with: "&#" and 1 to 8 decimal digits, or "&#x" ("&#X") and
// 1 to 8 hexadecimal digits of either case, then ';', for a Unicode scalar value other than 0.
std::optional<NumericReference> NumericReferenceAt(std::u16string_view text) noexcept;
std::optional<NumericReference> NumericReferenceAt(std::string_view text) noexcept;

// "&#x101;" for U+0101: small hexadecimal digits, no leading zero.
std::u16string HexReference(char32_t code_point);

// Converted text with every numeric reference (decimal or hexadecimal) and every named one the
// rule table writes ("&aring;") turned into the character it stands for.
std::u16string ReferencesToLetters(std::u16string_view converted);

// Converted UTF-8 text with the references the rule table writes turned into the characters
// they stand for: its numeric ones, also written in hexadecimal ("&#x101;", "&#X101;", as the
// dictionary check suggests typing them), and its named ones. Other references stay as they
// are.
std::string RuleReferencesToLetters(std::string_view converted);

// The length of the longest reference RuleReferencesToLetters turns into a letter.
std::size_t LongestRuleReference() noexcept;

}  // namespace zv

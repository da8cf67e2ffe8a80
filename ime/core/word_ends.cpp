#include "ime/core/word_ends.h"

namespace zv::ime {
namespace {

bool IsAsciiLetter(char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); }

// Punctuation, symbols and blanks outside ASCII that commonly end a word: those of Latin-1
// (but ª, µ and º, which are letters), the general punctuation (typographic quotes and
// dashes, the ellipsis, the wide blanks), currency, arrows, mathematical and technical signs,
// box drawing, shapes and dingbats, CJK punctuation, and the emoji. Everything else outside
// ASCII counts as a letter: what is not listed here at worst makes a word longer, which
// converts the same.
bool IsNonAsciiWordEnd(char32_t c) {
    if (c >= 0x80 && c <= 0xBF) return c != 0xAA && c != 0xB5 && c != 0xBA;
    if (c == 0xD7 || c == 0xF7) return true;  // × ÷
    if (c >= 0x2000 && c <= 0x206F) return true;
    if (c >= 0x20A0 && c <= 0x20CF) return true;
    if (c >= 0x2190 && c <= 0x2BFF) return true;
    if (c >= 0x3000 && c <= 0x303F) return true;
    if (c == 0xFEFF) return true;  // the zero-width no-break blank
    if (c >= 0x1F000 && c <= 0x1FAFF) return true;
    return false;
}

}  // namespace

Role RoleOf(char32_t c) {
    if (c == U'\r' || c == U'\n') return Role::kLineEnd;
    if (c >= 0x80) return IsNonAsciiWordEnd(c) ? Role::kWordEnd : Role::kLetter;
    if (IsAsciiLetter(c) || c == U'\'' || c == U'-' || c == U'&') return Role::kLetter;
    if ((c >= U'0' && c <= U'9') || c == U'#' || c == U';') return Role::kInReference;
    return Role::kWordEnd;
}

}  // namespace zv::ime

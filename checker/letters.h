// The letters and words of typed text, as the checker sees them. The pairs and references
// the conversion writes are engine/references.h's.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace zv::checker {

bool IsCapital(char16_t c) noexcept;
char16_t ToSmall(char16_t c) noexcept;
char16_t ToCapital(char16_t c) noexcept;  // a to z, and the small letters a pair makes (ā, š …)

// True when text has two or more letters and every letter in it is a capital.
bool IsCapitalsWord(std::u16string_view text) noexcept;

// Before in the order of a Latvian dictionary: ā after a, č after c, and so on; small
// before capital where the words differ only so.
bool LatvianLess(std::u16string_view a, std::u16string_view b) noexcept;

// Calls word(begin, end) for each word of text, in order, until it returns false. A word is
// a run of letters, apostrophe forms and numeric references, and the hyphens of hyphen
// escapes ("pa-art"). HTML tags and named references are skipped.
void ForEachWord(std::u16string_view text,
                 const std::function<bool(std::size_t, std::size_t)>& word);

}  // namespace zv::checker

// The letters and words of typed text, as the checker sees them. The pairs and references
// the conversion writes are engine/references.h's.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zv::checker {

bool IsCapital(char16_t c) noexcept;
char16_t ToSmall(char16_t c) noexcept;
char16_t ToCapital(char16_t c) noexcept;  // a to z, and the small letters a pair makes (ā, š …)
// A word in small letters, as UTF-8: how the lexicon knows it.
std::string SmallUtf8(std::u16string_view word);

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

// The standard hash of a text, for a u16string and a u16string_view alike, so that a map by
// text is asked with a view, without a copy (with std::equal_to<>).
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view text) const noexcept {
        return std::hash<std::u16string_view>{}(text);
    }
};

// A map by text that is asked with a u16string_view.
template <typename Value>
using TextMap = std::unordered_map<std::u16string, Value, TextHash, std::equal_to<>>;

}  // namespace zv::checker

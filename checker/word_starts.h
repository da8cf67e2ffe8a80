// How the words of a hunspell dictionary can start: a quick test that rules most made-up
// letter strings out before the dictionary is asked.
//
// Every word hunspell accepts is a stem of the .dic file, perhaps with a prefix before it and
// up to two suffixes after it, each suffix taking some letters off the end first. So its first
// few letters are the first letters of a stem, or of a stem cut short and a suffix, after an
// optional prefix. WordStarts collects those beginnings (letter case ignored, affix conditions
// ignored, so it holds more than the dictionary allows and never less) and tells whether a
// word could be one. Reading the Latvian dictionary takes some tens of milliseconds; a test
// is a few hash lookups.
//
// Dictionaries that use what this model does not know (compound words, input conversion,
// ignored characters, flag aliases, another encoding than UTF-8) get no WordStarts: every
// word is then asked of the dictionary. So do dictionaries whose affixes would make the
// reading cost more than kWorkPerStem steps a stem (on average, kFreeWork more in all): the
// work stays in proportion to the dictionary's size, however its affixes combine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace zv::checker {

class WordStarts {
  public:
    // How many letters of a word are compared.
    static constexpr std::size_t kLength = 5;

    // The work Read may spend, in steps of a few letters each (a stem's affix class looked up,
    // a way to cut the stem, a suffix tried, a letter compared or copied): kWorkPerStem for
    // each stem of the .dic file, and kFreeWork. The Latvian dictionary needs about 140 a stem;
    // its richest stems (verbs of many forms, "sēst") some 20,000.
    static constexpr std::size_t kWorkPerStem = 1024;
    static constexpr std::size_t kFreeWork = std::size_t{1} << 20;

    // The beginnings of the words of the dictionary aff and dic, or nothing when they cannot
    // be read, use something this model does not know or would cost more work than allowed.
    // *spent (when given) is the work spent.
    static std::optional<WordStarts> Read(const std::string& aff, const std::string& dic,
                                          std::size_t* spent = nullptr);

    // False when the dictionary cannot accept word in any letter case; true otherwise.
    bool MayBeWord(std::u16string_view word) const;

    // False when no word the dictionary accepts begins with head (in any letter case); true
    // otherwise. For a head of Reach() letters or more the same as MayBeWord.
    bool MayBegin(std::u16string_view head) const;

    // How many first letters of a word MayBeWord looks at, at most: a word's first Reach()
    // letters decide, and a shorter word is decided whole.
    std::size_t Reach() const { return reach_; }

    // True when a stem or an affix of the dictionary has the small or capital letter.
    bool Uses(char16_t letter) const;

    // How many beginnings are known (for tests and diagnosis).
    std::size_t size() const { return starts_.size(); }

  private:
    struct Prefix {
        std::u16string strip, add;  // in small letters
    };
    // Adds the beginning of head and tail written one after the other.
    void Add(std::u16string_view head, std::u16string_view tail = {});
    void Note(std::u16string_view letters);  // small letters the dictionary uses
    // Whether head (small letters) then rest (any case) begins as a beginning does: is one,
    // or (with beginning, for a head shorter than kLength) is the start of one.
    bool Known(std::u16string_view head, std::u16string_view rest, bool beginning) const;
    bool Test(std::u16string_view word, bool beginning) const;

    // The 64-bit hashes of the beginnings (their first kLength small letters, or a shorter
    // word), and of every beginning's first one, two … letters. Two beginnings of one hash
    // only make one word more seem possible.
    std::unordered_set<std::uint64_t> starts_;
    std::unordered_set<std::uint64_t> heads_;
    std::vector<Prefix> prefixes_;
    std::vector<bool> letters_;  // by small letter: used by the dictionary
    std::size_t reach_ = kLength;
};

// The small letter of c for the Latin, Greek and Cyrillic letters; c itself otherwise.
char16_t FoldCase(char16_t c) noexcept;

}  // namespace zv::checker

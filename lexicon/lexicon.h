// The Latvian lexicon: the word forms we know, how often the counted ones occur, which forms
// follow which in running text, and the index from a word typed without marks to its forms
// with marks ("majas" -> mājas, mājās).
//
// Built at build time from the tables in lexicon/data/ into one file that every process maps
// read-only (see README: where it lives and how it is checked before use). Standard C++ only.
// The lexicon is immutable: one object, shared by every thread.
//
// Forms are lower-case UTF-8 of the Latvian alphabet (a to z and ā č ē ģ ī ķ ļ ņ ŗ š ū ž); a
// string with anything else in it is no form (no count, no forms, not known).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zv::lexicon {

// A counted form, by its place in the lexicon. kLineStart stands for the start of a line in
// the word pairs; kNoForm for a form without a count.
using FormId = std::uint32_t;
inline constexpr FormId kLineStart = 0;
inline constexpr FormId kNoForm = UINT32_MAX;
// A word ending (the last few letters of a form), by its place in the lexicon; kNoEnding for
// one never seen in running text.
using EndingId = std::uint32_t;
inline constexpr EndingId kLineStartEnding = 0;
inline constexpr EndingId kNoEnding = UINT32_MAX;

struct Form {
    std::string form;         // UTF-8, lower case
    std::uint32_t count = 0;  // 0: a form the dictionary makes that no counted text has
};

class Lexicon {
  public:
    // The process's lexicon, mapped on first use: the installed file, or when the program runs
    // from its build tree the file built there; null when neither is there or fit for use
    // (Error says why). Thread-safe; the object lives as long as the process.
    static const Lexicon* Get();
    // Why Get() gave null (empty when it did not).
    static std::string Error();
    // The lexicon of the file at path, checked as Get() checks its files (but against no
    // built-in checksum); null and the reason in *error when it cannot be used.
    static std::unique_ptr<Lexicon> Open(const std::string& path, std::string* error = nullptr);

    ~Lexicon();
    Lexicon(const Lexicon&) = delete;
    Lexicon& operator=(const Lexicon&) = delete;

    // How often form occurs in the counted text (0 when never, or no form).
    std::uint32_t Count(std::string_view form) const noexcept;
    // Whether form is a known Latvian word form: counted, or one the dictionary makes.
    bool Knows(std::string_view form) const noexcept;
    // Whether form is one the dictionary makes (a counted form may not be: a name, a word of
    // another language in the counted text, a word misspelt there).
    bool InDictionary(std::string_view form) const noexcept;
    // The known forms whose letters without marks are plain's (plain itself too when it is a
    // known form), most frequent first, then in alphabetical order of their UTF-8. plain is
    // lower case; marks in it stay (only its unmarked letters may gain one). At most limit.
    std::vector<Form> FormsOf(std::string_view plain, std::size_t limit = 64) const;

    // For the language model of restoring: counted forms and their word pairs.
    FormId Id(std::string_view form) const noexcept;
    std::uint32_t Count(FormId id) const noexcept;
    // How often next follows first in a line, and how often anything follows first.
    std::uint32_t PairCount(FormId first, FormId next) const noexcept;
    std::uint32_t FollowerTotal(FormId first) const noexcept;
    // The counts of all counted forms added up.
    std::uint64_t TotalCount() const noexcept;

    // Word endings: the ending of a form, how often it ends a word of running text, how often
    // an ending follows another, and how often anything follows one.
    EndingId Ending(std::string_view form) const noexcept;
    std::uint32_t EndingCount(EndingId id) const noexcept;
    std::uint32_t EndingPairCount(EndingId first, EndingId next) const noexcept;
    std::uint32_t EndingFollowerTotal(EndingId first) const noexcept;
    // The words of running text counted (the word pairs of all lines).
    std::uint64_t RunningWords() const noexcept;
    // How many last letters make an ending.
    std::size_t EndingLetters() const noexcept;

    // For guessing the marks of a word known in no form: of the known forms that have the
    // letter at byte at of plain (a to z only) with the same letters around it, marks taken
    // off, how many have that letter without a mark and how many with one. The window is the
    // widest of up to 3 letters either side (the word's start and end count as such) that at
    // least 5 forms share; both 0 when none does, or the letter takes no mark. Counts past
    // 8191 are scaled down together.
    struct MarkCounts {
        std::uint32_t plain = 0, marked = 0;
    };
    MarkCounts MarksAround(std::string_view plain, std::size_t at) const noexcept;

    // The size of the mapped file in bytes, and the checksum its header holds.
    std::size_t Size() const noexcept;
    std::uint64_t Checksum() const noexcept;

  private:
    struct Mapped;
    explicit Lexicon(std::unique_ptr<Mapped> mapped);
    std::unique_ptr<Mapped> mapped_;
};

}  // namespace zv::lexicon

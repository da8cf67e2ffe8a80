// A Latvian dictionary check of text typed in the plain-keyboard conventions.
//
// The conversion turns every pair it knows into a letter, so some real words come out wrong
// ("sheema" gives "šēma" where "shēma" was meant). The checker finds such words: a word is
// flagged when the dictionary rejects its conversion but accepts another reading of the same
// typed letters, each pair read either as its letter or as the two letters typed. It also
// finds conventions left out ("Riga" for Rīga): a word whose conversion the dictionary
// rejects while it accepts the word with marks added to some of its letters, on a line whose
// words are mostly Latvian (accepted with or without marks), and not for a word in capitals,
// a single letter or a word of an address or code. For each flagged word it offers up to
// five words, fewest changes first, with what to type to get each one.
//
// Standard C++ and libhunspell only. Thread-safe: one Checker may be used from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace zv::checker {

// A word the dictionary accepts, and a typed form that converts to exactly that word.
struct Suggestion {
    // How the typed word missed it: a pair meant as the two letters typed ("sheema" for
    // shēma), or a letter typed without its mark, a convention left out ("Riga" for Rīga).
    enum class Cause { kPairRead, kMarkLeftOut };
    std::u16string word;   // in letters ("shēma")
    std::u16string typed;  // in the conventions ("s-heema"); converts to word
    Cause cause = Cause::kPairRead;
};

// A flagged word of the checked text.
struct Finding {
    std::size_t begin = 0;                // UTF-16 code units into the checked text
    std::size_t end = 0;                  // one past the word's last code unit
    std::u16string converted;             // what the conversion gives, in letters ("šēma")
    std::vector<Suggestion> suggestions;  // one to five, best first
};

// What the checker found for one typed word, without its place in a text.
struct WordVerdict {
    std::u16string converted;
    std::vector<Suggestion> suggestions;
};

class Checker {
  public:
    // The Latvian dictionary's path without extension ("/usr/share/hunspell/lv_LV"): the
    // environment variable ZV_DICTIONARY when set (used as given, even when nothing is
    // there), otherwise the first lv_LV found in $DICPATH and the usual hunspell folders.
    // Nothing when no dictionary is found.
    static std::optional<std::string> FindDictionary();

    // The folders FindDictionary looks in for lv_LV when ZV_DICTIONARY is not set, in order:
    // those in $DICPATH, then the usual hunspell folders.
    static std::vector<std::string> DictionaryFolders();

    // Why Open gave no checker.
    enum class Unusable {
        Missing,     // base.aff or base.dic is not there
        Unreadable,  // hunspell cannot read them
        // They reject one of some fifty common Latvian words and forms ("un", "Rīga", "gadā",
        // "mājas", "ziema" …) that every Latvian dictionary has: empty, cut short or of another
        // language, such a dictionary would flag nothing.
        NotLatvian,
    };

    // A checker on the dictionary at base (base.aff and base.dic), or null (with the reason
    // in why) when it cannot be used; for NotLatvian, *rejected (when given) is the first of
    // those common words it rejects, in UTF-8.
    static std::unique_ptr<Checker> Open(const std::string& base, Unusable* why = nullptr,
                                         std::string* rejected = nullptr);

    // A checker on the dictionary FindDictionary names, or null when there is none.
    static std::unique_ptr<Checker> OpenDefault();

    ~Checker();
    Checker(const Checker&) = delete;
    Checker& operator=(const Checker&) = delete;

    // What a check has spent of the work it may do (see Check): a text checked in parts, each
    // ending with a line, is checked within the bound on the whole text when every part's Check
    // is given the same Budget, which each goes on from and adds to. For the checker's use only.
    struct Budget {
        std::int64_t words = 0, lookups = 0, new_words = 0;
    };

    // The flagged words of text, in order. Text inside HTML tags and character references
    // already in the text are not checked; a byte-order mark (U+FEFF, anywhere) parts words as a
    // blank does; a line is a run of text between line breaks. The stop token is polled once per
    // word: once stop is requested, the findings up to that word are returned. The work of one
    // check is bounded: on a text of very many words unknown in any reading (megabytes of made-up
    // words), some words are left unchecked, and *unchecked (when given) tells how many; a later
    // check goes on with them, as the verdicts are remembered.
    std::vector<Finding> Check(std::u16string_view text, std::stop_token stop = {},
                               std::size_t* unchecked = nullptr, Budget* spent = nullptr) const;

    // Whether the dictionary accepts word, in letters ("shēma"), as the check asks it: false
    // without asking when the word starts rule it out.
    bool Accepts(std::u16string_view word) const;

    // The verdict for one typed word ("sheema"), or nothing when it is not flagged; a word
    // typed with a convention left out ("Riga") is flagged as if it stood in a Latvian line.
    std::optional<WordVerdict> CheckWord(std::u16string_view typed) const;

  private:
    struct State;
    explicit Checker(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace zv::checker

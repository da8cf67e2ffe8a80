// The typing core of the input method: keys in; the word being typed (shown converted, in
// place), the text to commit and the dictionary's suggestions out. Standard C++ only, no input
// method framework: a front end (IBus, ime/ibus/) hands it the keys and shows what it says.
//
// The keys of the word being typed are kept here. A key that ends the word (a blank, Enter,
// Tab, a digit, punctuation other than the conventions' apostrophe and hyphen) commits the word
// converted, in letters, and then acts as it does without the input method; a character
// reference typed as such ("&#257;") belongs to its word. Ctrl, Alt or Super, pressed on its own
// or with a key, commits the word first. So an application receives exactly
// what the conversion gives for the whole line, since a word converts the same wherever it
// stands (test_word_ends proves that over the rule table). With nothing pending every key
// passes through untouched.
//
// Not thread-safe: one Composer per input context, used from the front end's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ime/core/keys.h"

namespace zv::ime {

// A word the dictionary accepts, offered in place of the word being typed.
struct Candidate {
    std::string word;   // in letters, UTF-8 ("shēma")
    std::string typed;  // what to type for it in the conventions ("s-heema")
};

// What the front end does with a key.
struct Reply {
    std::string commit;  // UTF-8 text to commit first (empty: none)
    bool pass = true;    // then the key goes to the application as it would without the core
};

// The conversion of one typed word (UTF-8), in letters: what zv-convert --text gives for it.
std::string ConvertWord(std::string_view typed);

class Composer {
  public:
    Reply Press(const Key& key);

    // On: the conventions apply. Off: every key passes through; turning off commits what is
    // pending (returned, for the front end to commit).
    std::string SetEnabled(bool on);
    bool Enabled() const { return enabled_; }

    // The pending word converted, and the word forgotten: for a front end that commits it
    // itself.
    std::string Flush();
    // The pending word forgotten: the framework commits the preedit itself (on a focus change,
    // a click, the application's reset).
    void Clear();

    // The dictionary's verdict on a typed word: shown when it is still the word being typed.
    void Offer(std::u16string_view typed, std::vector<Candidate> candidates);
    // A candidate clicked: its word, to commit (empty when there is no such candidate).
    std::string Pick(std::size_t index);

    bool Pending() const { return !keys_.empty(); }
    // The pending word converted (UTF-8), and its length in characters.
    const std::string& Preedit() const { return preedit_; }
    std::size_t PreeditLength() const { return preedit_length_; }
    // The pending keys as typed, in UTF-16: what to ask the dictionary about.
    std::u16string Typed() const;
    // Changes whenever the pending word does.
    std::uint64_t Revision() const { return revision_; }

    std::span<const Candidate> Candidates() const { return candidates_; }
    std::optional<std::size_t> Selected() const { return selected_; }

  private:
    void Append(char32_t c);
    void TakeBack();
    void Changed();
    std::string TypedUtf8() const;
    // Commits the pending word converted (or as typed) and forgets it.
    Reply CommitAnd(bool pass, bool converted = true);
    std::optional<Reply> ListKey(const Key& key);

    bool enabled_ = true;
    std::u32string keys_;  // one character per key
    std::size_t ampersands_ = 0;
    std::string preedit_;
    std::size_t preedit_length_ = 0;
    std::uint64_t revision_ = 0;
    std::vector<Candidate> candidates_;
    std::optional<std::size_t> selected_;
};

}  // namespace zv::ime

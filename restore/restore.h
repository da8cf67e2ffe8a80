// Restoring the marks of Latvian typed without them ("Es dzivoju Riga" -> "Es dzīvoju Rīgā"),
// written back in the conventions ("Es dziivoju Riigaa"), so that the conversion gives the
// chosen words exactly.
//
// For each word of a Latvian line the most probable form is chosen among the word as typed and
// its forms with marks added that the lexicon knows (or, for a word it knows in no form, that
// the dictionary accepts; failing that, for a word in small letters, the form with the marks
// that known forms have at its letters in the same letters around them), by the best path
// over the line (the forms'
// counts, the word bigram and the word-ending bigram). A word already typed with a mark, a
// convention, a reference or an escape stays as typed ("Rīga", "Riiga", "s-heema"), and so do
// single letters, words of an address or code, and every word of a line that is not mostly
// Latvian (English, code). The case of each letter is kept ("RIGA" -> "RIIGA", that is RĪGA).
// A choice whose best path beats the best path with another form there by only a small margin
// is reported as uncertain, with the other forms.
//
// Standard C++ only. A Restorer remembers the words it has met; use one per thread.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "lexicon/lexicon.h"

namespace zv::restore {

// A form the word could have: in letters ("Rīgā") and typed in the conventions ("Riigaa").
struct Alternative {
    std::u16string word;
    std::u16string typed;
};

// A choice the restoring is unsure of.
struct Uncertain {
    std::size_t begin = 0, length = 0;          // the word typed, in UTF-16 units of the input
    std::size_t out_begin = 0, out_length = 0;  // what stands for it in the restored text
    std::u16string typed;                       // the word as typed ("ka")
    Alternative chosen;                         // the form chosen ("kā", "kaa")
    std::vector<Alternative> others;            // the other forms, likeliest first
};

struct Restored {
    std::u16string text;               // the input with the chosen forms typed in
    std::vector<Uncertain> uncertain;  // in order
    std::size_t changed = 0;           // how many words were given marks
};

// The forms with marks that a dictionary accepts of a word the lexicon knows in no form:
// given the word as typed in small letters (UTF-8, a to z), those forms in small letters.
// Called at most once for each such word a Restorer meets, from the thread that restores.
using DictionaryForms = std::function<std::vector<std::string>(std::string_view plain)>;

// DictionaryForms that ask the hunspell dictionary at base (base.aff and base.dic) for the word
// with one, two or three marks added, at most 48 forms a word, those that the dictionary's word
// starts rule out not asked; nothing (an empty function) when the dictionary cannot be used.
// Safe to call from several threads.
DictionaryForms HunspellForms(const std::string& base);

// The same forms, each asked of accepts (whether a dictionary takes the word, in UTF-16): for a
// dictionary opened already, as the window's check has it. accepts is called from the thread
// that restores.
DictionaryForms FormsAcceptedBy(std::function<bool(std::u16string_view word)> accepts);

class Restorer {
  public:
    explicit Restorer(const lexicon::Lexicon& lexicon, DictionaryForms dictionary = {});
    ~Restorer();
    Restorer(const Restorer&) = delete;
    Restorer& operator=(const Restorer&) = delete;

    // text restored line by line (lines end as engine/line_ends.h says); everything but the words
    // given marks stays exactly as it is. The stop token is polled once per line: once stop is
    // requested, the rest of the text is copied as it is (a window drops such a result).
    Restored Restore(std::u16string_view text, std::stop_token stop = {});

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zv::restore

// The lexicon's marks: the forms with marks added to a typed word that the lexicon knows, found
// in its index of words by their letters without marks ("majas": mājas, mājās) instead of by
// trying the word's letters one mark at a time against the dictionary.
#pragma once

#include <string_view>
#include <vector>

#include "checker/dictionary.h"
#include "checker/readings.h"
#include "checker/verdict.h"
#include "lexicon/lexicon.h"

namespace zv::checker {

// Adds to found the forms of units (a typed word, read as the conventions mean) with marks
// added to some of its plain letters that the lexicon knows and the dictionary accepts, in the
// word's letter case, with the fewest marks added and those with one more; at most
// kMaxSuggestions. with_marks is WithMarks(units), whose readings give the typed forms. A form
// the dictionary makes costs no lookup; one the lexicon holds from its counts only is asked of
// the dictionary (the counts hold names, other languages' words and misspelt forms, "majās").
// True when one is found: the lexicon has settled the word.
bool MarksFromLexicon(const lexicon::Lexicon& lexicon, Dictionary& dictionary,
                      const std::vector<Unit>& units, const std::vector<Unit>& with_marks,
                      std::vector<Candidate>& found);

// Whether word (as the conventions read it), which the dictionary rejects, is a word of its own
// rather than one of the forms in marks with marks left out: the lexicon's running text has it
// as typed at least as often as each of them (a name, a word of another language: "Gabriela",
// "Kriss", "cukini"; not "Riga": 0 against Rīga's 702, nor "majas": 44 against mājas' 1,793).
bool IsWordOfItsOwn(const lexicon::Lexicon& lexicon, std::u16string_view word,
                    const std::vector<Candidate>& marks);

}  // namespace zv::checker

// The lexicon's marks: the forms with marks added to a typed word that the lexicon knows, found
// in its index of words by their letters without marks ("majas": mājas, mājās) instead of by
// trying the word's letters one mark at a time against the dictionary.
#pragma once

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

}  // namespace zv::checker

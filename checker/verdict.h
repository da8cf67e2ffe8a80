// The verdict on a typed word: the words the searches found for it, ranked (fewest units read
// otherwise first, then the more common word), and what the Latvian-line rule needs to know of
// it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "checker/checker.h"

namespace zv::checker {

// The most suggestions a verdict offers.
constexpr std::size_t kMaxSuggestions = 5;

// A word a search found.
struct Candidate {
    int distance;  // how many units are read otherwise than typed (pairs, marks added)
    Suggestion suggestion;
};

// What the checker knows of one typed word whose conversion the dictionary rejects.
struct Verdict {
    std::u16string converted;
    std::vector<Suggestion> readings;  // other readings of its pairs, best first
    std::vector<Suggestion> merged;    // those and the forms with marks added; empty when no
                                       // such form is a word
};

// What is known of a typed word.
struct Entry {
    // Counts in its line's share of Latvian words: not in capitals, not a single letter, not
    // a word of the word counts that the dictionary lacks.
    bool counted = false;
    // Counts as Latvian in its line: its conversion or another reading of its pairs is a
    // word, or a form with marks added is (see Judge).
    bool latvian = false;
    std::shared_ptr<const Verdict> verdict;  // null: nothing to suggest
};

// The verdict on a word whose conversion is converted: the best of readings (the other
// readings of its pairs), and the best of those and marks (the forms with marks added) in one
// list, a word both searches found once, as the fewer changes give it.
std::shared_ptr<const Verdict> MakeVerdict(std::u16string converted,
                                           std::vector<Candidate> readings,
                                           std::vector<Candidate> marks);

}  // namespace zv::checker

// The readings of a typed word: the word split into units the way the conversion pairs its
// letters, each unit with every way to read it (a pair as its letter or as the two letters
// typed, an apostrophe form as its letter or as typed, …), the first of them what the
// conventions mean; and the same units with a mark added to a plain letter as one more reading.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zv::checker {

class WordStarts;

// Words longer than this are not checked: no Latvian word is, and a reading costs time in
// proportion to the word's length.
constexpr std::size_t kMaxWordLength = 48;

// One way to read a typed unit of a word.
struct Reading {
    std::u16string letters;  // what it stands for
    std::u16string typed;    // what to type for that
    std::u16string hex;      // the same with its marked letter as a hexadecimal reference
};

// A typed unit of a word: one letter, reference, escaped pair or hyphen (one reading), or
// a pair, apostrophe form, three equal vowels or a vowel and its apostrophe form (two or
// three readings; the first is what the conventions mean).
struct Unit {
    bool pair = false;  // a pair the conversion turns into a letter ("sh", "Ee")
    std::u16string_view typed;
    std::vector<Reading> readings;
};

// A typed word split the way the conversion pairs its letters.
std::vector<Unit> SplitWord(std::u16string_view word);

// The units of a word, each plain letter that a convention would have marked (a, c, e, g, i,
// k, l, n, s, u, z and their capitals) with its marked letter as a second reading when the
// dictionary uses that letter at all (it does not use ŗ). Pairs keep their readings, so that
// a word with a pair meant as two letters and a mark left out is found too.
std::vector<Unit> WithMarks(const std::vector<Unit>& units, const WordStarts* starts);

}  // namespace zv::checker

// How often Latvian words occur in running text: the table checker/data/lv_word_counts.tsv
// (word<TAB>count, small letters, lines starting with '#' are notes), compiled into the
// program. The check ranks its suggestions by it, and takes a word found only by adding
// marks for a sign that the text is Latvian when the word is in it. Without the table at
// build time every count is 0.
#pragma once

#include <cstdint>
#include <string_view>

namespace zv::checker {

// How many times word (any letter case) occurs in the table's text; 0 when it is not there.
// Thread-safe; the table is read on first use.
std::uint32_t LatvianWordCount(std::u16string_view word);

}  // namespace zv::checker

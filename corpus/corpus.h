// Latvian text typed in the plain-keyboard conventions, for the benchmarks and the tests.
#pragma once

#include <cstddef>
#include <string>

namespace zv {

// Real Latvian sentences (the Latvian message catalogues installed under /usr/share/locale/lv,
// and the hunspell-lv word list where those are few), rewritten the way a user types them on
// a plain keyboard: "aa" for a, "sh" for s, "kj" for k, now and then an apostrophe form,
// lines ended by CR LF. Deterministic for a given size. Returns UTF-8 of at least min_bytes;
// throws std::runtime_error when no Latvian source text is installed.
std::string TypedLatvianCorpus(std::size_t min_bytes);

// Latvian sentences made of the words of a table in this repository (the word counts of
// checker/data/lv_word_counts.tsv, each word drawn as often as it was counted), typed as
// above: the same text on every machine, whatever it has installed. Deterministic; UTF-8 of
// at least min_bytes; throws std::runtime_error when the table cannot be read.
std::string TypedLatvianWordsCorpus(std::size_t min_bytes);

// Made-up words full of pairs ("shaakjeezhuu"), ten to a line, lines ended by CR LF: words
// no dictionary knows, each with many readings. With on_word_starts, each word begins with
// the first five letters of a word of the corpus above ("vienikjonjeuue"), so that the
// beginnings of its readings are those of real words. Deterministic; at least min_bytes.
std::string MadeUpWordsCorpus(std::size_t min_bytes, bool on_word_starts);

}  // namespace zv

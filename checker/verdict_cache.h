// The verdict cache: every word a check has judged, with what is known of it, so that a word
// met again (most words of a text, and every word of a window's text checked again) is not
// judged again.
#pragma once

#include <cstddef>
#include <string_view>

#include "checker/letters.h"
#include "checker/verdict.h"

namespace zv::checker {

// The verdicts kept: a window that checks as the user types sees ever new words. Past this
// many, they are forgotten and found again when needed.
constexpr std::size_t kMaxCached = 1 << 20;

// Every word looked at, with what is known of it, found by the word without a copy.
class VerdictCache {
  public:
    // What is known of word, or null when it is not kept.
    const Entry* Find(std::u16string_view word) const {
        const auto it = entries_.find(word);
        return it == entries_.end() ? nullptr : &it->second;
    }
    // Keeps entry for word (past kMaxCached words, after forgetting them all); the reference
    // is valid until the next Add.
    const Entry& Add(std::u16string_view word, Entry entry);

  private:
    TextMap<Entry> entries_;
};

}  // namespace zv::checker

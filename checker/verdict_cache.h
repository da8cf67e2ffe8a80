// The verdict cache: every word a check has judged, with what is known of it, so that a word
// met again (most words of a text, and every word of a window's text checked again) is not
// judged again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "checker/verdict.h"

namespace zv::checker {

// The verdicts kept: a window that checks as the user types sees ever new words. Past this
// many, they are forgotten and found again when needed.
constexpr std::size_t kMaxCached = 1 << 20;

// Every word looked at, with what is known of it: an open-addressing table of the words'
// hashes, their letters side by side in one string, so that a word met again (most words
// of a text) costs about one memory access more than its hash.
class VerdictCache {
  public:
    // What is known of word (whose hash is hash), or null when it is not kept.
    const Entry* Find(std::u16string_view word, std::uint64_t hash) const {
        if (slots_.empty()) return nullptr;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const Slot& slot = slots_[at];
            if (slot.entry == 0) return nullptr;
            const Stored& stored = stored_[slot.entry - 1];
            if (slot.hash == hash && stored.length == word.size() &&
                std::u16string_view(letters_).substr(stored.offset, stored.length) == word) {
                return &stored.entry;
            }
        }
    }
    // Keeps entry for word (past kMaxCached words, after forgetting them all); the reference
    // is valid until the next Add.
    const Entry& Add(std::u16string_view word, std::uint64_t hash, Entry entry);

  private:
    struct Slot {
        std::uint64_t hash = 0;
        std::uint32_t entry = 0;  // 1 + its place in stored_; 0: free
    };
    struct Stored {
        std::size_t offset, length;  // of its letters in letters_
        Entry entry;
    };
    void Place(std::uint64_t hash, std::uint32_t entry);
    void Grow();
    void Clear();
    std::vector<Slot> slots_;
    std::vector<Stored> stored_;
    std::u16string letters_;
};

}  // namespace zv::checker

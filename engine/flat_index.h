// The interning index: finds the number of a state (by its key) or of an output (by its
// text) among those the machine has made.
//
// Part of the conversion machine, which is private to transliterate.cpp: like the other
// machine headers this one is included there only, and keeps its names in an anonymous
// namespace, so that the whole machine is still one translation unit, inlined as one.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace zv {
namespace {

// Numbers of short byte strings, found by their hash: open addressing over a power-of-two
// table that is never more than half full. The strings are kept by the caller, who tells
// whether a number's string is the one looked for. Finding a move costs several look-ups;
// a general hash map with its own copies of the keys made them a good part of that cost, and
// std::unordered_map over views of the caller's strings still learns a text that keeps the
// tables filling (a megabyte of random pairs) in half as much time again.
class FlatIndex {
  public:
    static std::uint32_t Hash(const void* data, std::size_t bytes) {
        const auto* p = static_cast<const unsigned char*>(data);
        std::uint64_t h = bytes * 0x9E3779B97F4A7C15u;
        for (; bytes > 0; p += 8, bytes -= std::min<std::size_t>(bytes, 8)) {
            std::uint64_t word = 0;
            std::memcpy(&word, p, std::min<std::size_t>(bytes, 8));
            h = (h ^ word) * 0xBF58476D1CE4E5B9u;
            h ^= h >> 31;
        }
        return static_cast<std::uint32_t>(h >> 32);
    }

    void Clear() {
        slots_.assign(kInitialSlots, Slot{0, kEmpty});
        count_ = 0;
    }

    // The number of the string with this hash that `is` accepts; when there is none, number
    // becomes its number. Returns the number and whether it was new.
    template <typename Is>
    std::pair<std::uint32_t, bool> FindOrAdd(std::uint32_t hash, std::uint32_t number, Is is) {
        if (2 * (count_ + 1) > slots_.size()) Grow();
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.number == kEmpty) {
                slot = {hash, number};
                ++count_;
                return {number, true};
            }
            if (slot.hash == hash && is(slot.number)) return {slot.number, false};
        }
    }

  private:
    struct Slot {
        std::uint32_t hash;
        std::uint32_t number;
    };
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    static constexpr std::size_t kInitialSlots = 1024;

    void Grow() {
        std::vector<Slot> old(slots_.size() * 2, Slot{0, kEmpty});
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.number == kEmpty) continue;
            std::size_t i = slot.hash & mask;
            while (slots_[i].number != kEmpty) i = (i + 1) & mask;
            slots_[i] = slot;
        }
    }

    std::vector<Slot> slots_ = std::vector<Slot>(kInitialSlots, Slot{0, kEmpty});
    std::size_t count_ = 0;
};

}  // namespace
}  // namespace zv

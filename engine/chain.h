// The rule table as a chain of transducers, one per rule, over UTF-16 code units or UTF-8
// bytes: the exact meaning of the table, run one unit at a time. Owns the table in the
// chosen encoding, the class map (which units a find text uses) and the chain's state.
//
// Part of the conversion machine, which is private to transliterate.cpp: like the other
// machine headers this one is included there only, and keeps its names in an anonymous
// namespace, so that the whole machine is still one translation unit, inlined as one.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rule_limits.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"

namespace zv {
namespace {

template <typename Unit>
using Text = std::basic_string<Unit>;

template <typename Unit>
Text<Unit> Encode(std::u16string_view text);

template <>
std::u16string Encode<char16_t>(std::u16string_view text) {
    return std::u16string(text);
}

template <>
std::string Encode<char>(std::u16string_view text) {
    return ToUtf8(text);
}

// Unsigned index of a unit, for table look-ups.
inline unsigned Index(char16_t u) { return u; }
inline unsigned Index(char u) { return static_cast<unsigned char>(u); }

// The rule table as a chain of transducers over Unit.
template <typename Unit>
class Chain {
  public:
    // The chain's state while it runs: the prefix length each transducer holds, and a bit
    // for each transducer that holds something, to find the next such one at once.
    class State {
      public:
        std::uint8_t operator[](std::size_t level) const { return held_[level]; }

        void Set(std::size_t level, std::size_t length) {
            held_[level] = static_cast<std::uint8_t>(length);
            const std::uint64_t bit = std::uint64_t{1} << (level & 63);
            if (length != 0) {
                mask_[level >> 6] |= bit;
            } else {
                mask_[level >> 6] &= ~bit;
            }
        }

        // The first level in [level, stop) that holds something, or stop.
        std::size_t NextHeld(std::size_t level, std::size_t stop) const {
            for (std::size_t word = level >> 6; word < mask_.size(); ++word) {
                std::uint64_t bits = mask_[word];
                if (word == level >> 6) bits &= ~std::uint64_t{0} << (level & 63);
                if (bits != 0) {
                    return std::min(stop,
                                    word * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)));
                }
            }
            return stop;
        }

      private:
        std::array<std::uint8_t, kMaxRules> held_{};
        std::array<std::uint64_t, kMaxRules / 64> mask_{};
    };
    // The same state as a key: (level, length) byte pairs for the transducers that hold
    // something. Few hold anything at once, so keys are short and hash cheaply.
    using Key = std::string;

    static Key KeyOf(const State& state) {
        Key key;
        for (std::size_t level = state.NextHeld(0, kMaxRules); level < kMaxRules;
             level = state.NextHeld(level + 1, kMaxRules)) {
            key.push_back(static_cast<char>(level));
            key.push_back(static_cast<char>(state[level]));
        }
        return key;
    }

    static State StateOf(std::string_view key) {
        State state{};
        for (std::size_t i = 0; i + 1 < key.size(); i += 2) {
            state.Set(static_cast<unsigned char>(key[i]), static_cast<unsigned char>(key[i + 1]));
        }
        return state;
    }

    // The table has been checked against the machine's limits when it compiled
    // (rule_limits.h); the checks are made again here, where they guard the arrays written.
    Chain() {
        const std::span<const Rule> table = RuleTable();
        if (table.size() > kMaxRules) throw std::logic_error("too many rules");
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (const char* fault = RuleFault(table[i])) {
                throw std::logic_error("rule " + std::to_string(i) + ": " + fault);
            }
            finds_.push_back(Encode<Unit>(table[i].find));
            replacements_.push_back(Encode<Unit>(table[i].replacement));
        }
        class_of_.fill(0);
        class_unit_.push_back(Unit{});  // class 0: units in no find text
        for (const auto& find : finds_) {
            for (Unit u : find) {
                // class_of_ has an entry for every unit the class map covers; all other units
                // are class 0.
                if (Index(u) >= class_of_.size()) throw std::logic_error("unit past the class map");
                if (class_of_[Index(u)] == 0) {
                    if (class_unit_.size() == kMaxClasses) {
                        throw std::logic_error("too many character classes");
                    }
                    class_of_[Index(u)] = static_cast<std::uint8_t>(class_unit_.size());
                    class_unit_.push_back(u);
                }
            }
        }
        // next_start_[level * classes + c]: the first transducer from level on whose find
        // text starts with a unit of class c (Size() if none).
        const std::size_t classes = ClassCount();
        next_start_.assign((finds_.size() + 1) * classes, static_cast<std::uint8_t>(Size()));
        for (std::size_t level = finds_.size(); level-- > 0;) {
            for (std::size_t c = 0; c < classes; ++c) {
                next_start_[level * classes + c] = next_start_[(level + 1) * classes + c];
            }
            next_start_[level * classes + ClassOf(finds_[level][0])] =
                static_cast<std::uint8_t>(level);
        }
    }

    std::size_t Size() const { return finds_.size(); }
    std::size_t ClassCount() const { return class_unit_.size(); }
    std::uint8_t ClassOf(Unit u) const {
        return Index(u) < kClassMapUnits ? class_of_[Index(u)] : 0;
    }
    const std::uint8_t* ClassTable() const { return class_of_.data(); }

    // Feeds u into transducer `level` of the chain in `state`, appending what leaves the last
    // transducer to out.
    void Push(std::size_t level, Unit u, State& state, Text<Unit>& out) const {
        // Transducers that hold nothing and whose find text does not start with u pass it
        // on unchanged: go straight to the next one that does something.
        level = state.NextHeld(level, next_start_[level * ClassCount() + ClassOf(u)]);
        if (level == finds_.size()) {
            out.push_back(u);
            return;
        }
        const Text<Unit>& find = finds_[level];
        const auto held = static_cast<std::size_t>(state[level]);
        if (find[held] == u) {
            if (held + 1 == find.size()) {
                state.Set(level, 0);
                for (Unit r : replacements_[level]) Push(level + 1, r, state, out);
            } else {
                state.Set(level, held + 1);
            }
            return;
        }
        if (held == 0) {
            Push(level + 1, u, state, out);
            return;
        }
        // No match where the held prefix starts: its first unit moves on, and the scan
        // resumes one unit further, over the rest of the prefix and then u.
        state.Set(level, 0);
        Push(level + 1, find[0], state, out);
        for (std::size_t j = 1; j < held; ++j) Push(level, find[j], state, out);
        Push(level, u, state, out);
    }

    // What the chain holds back in the state with this key, oldest unit first: the last
    // transducer holds what came in earliest.
    Text<Unit> Held(std::string_view key) const {
        Text<Unit> held;
        for (std::size_t i = key.size(); i >= 2; i -= 2) {
            held.append(finds_[static_cast<unsigned char>(key[i - 2])].data(),
                        static_cast<unsigned char>(key[i - 1]));
        }
        return held;
    }

    // End of text: each transducer in turn lets go of what it holds.
    void Finish(State& state, Text<Unit>& out) const {
        for (std::size_t level = 0; level < finds_.size(); ++level) {
            const auto held = static_cast<std::size_t>(state[level]);
            state.Set(level, 0);
            for (std::size_t j = 0; j < held; ++j) Push(level + 1, finds_[level][j], state, out);
        }
    }

  private:
    std::vector<Text<Unit>> finds_;
    std::vector<Text<Unit>> replacements_;
    std::array<std::uint8_t, kClassMapUnits> class_of_{};
    std::vector<Unit> class_unit_;
    std::vector<std::uint8_t> next_start_;
};

}  // namespace
}  // namespace zv

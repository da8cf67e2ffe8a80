// The machine's move tables: its states, the move from each state on each class of unit, and
// what the moves write; found by running the chain the first time they are needed ("learning")
// and kept. One set of tables is shared by every thread; runs read them without a lock.
//
// Most moves change nothing: what leaves the chain is input that went in a few units
// before, as it stood. A state is "clean" when what the chain holds back is the last units
// of the input, unchanged; a move from a clean state to a clean one that writes exactly the
// held units and the new one minus what is still held is a "copy": the step only changes
// state, and the input the copies pass on is copied in one piece at the next other move or
// at the end. Every other move (an "event") writes its own text, kept with the move. The
// same held text reached through a replacement is a "dirty" state of its own, whose moves
// are all events.
//
// A move is one 32-bit word: the next state in the low 15 bits, for an event the index of
// the text it writes in the next 16, and the top bit set for an event. The moves of a state
// lie in a row of kRow words, one per class: a small table, which mostly stays in the cache.
//
// One machine serves every thread, so that threads converting at once find each move only
// once. Its tables have a fixed place in memory and grow without moving: runs read them
// without a lock, while a thread that has found a move adds it (and the states and text it
// needs) under a lock and makes it known last, with release order; the run that reads the
// move sees what it needs. A run that finds the tables full rebuilds them for later runs if
// no other run is using them, and converts its own text with a machine of its thread's own,
// which it rebuilds as often as it needs: adversarial text keeps no other thread waiting.
//
// Part of the conversion machine, which is private to transliterate.cpp: like the other
// machine headers this one is included there only, and keeps its names in an anonymous
// namespace, so that the whole machine is still one translation unit, inlined as one.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <utility>

#include "engine/chain.h"
#include "engine/flat_index.h"
#include "engine/huge_pages.h"
#include "engine/rule_limits.h"

namespace zv {
namespace {

template <typename Unit>
class MoveTables {
  public:
    explicit MoveTables(const Chain<Unit>& chain)
        : chain_(chain),
          moves_(kMaxStates * kRow),
          hold_(new std::uint8_t[kMaxStates]),
          key_of_(new const Key*[kMaxStates]),
          outputs_(new Output[kMaxOutputs]) {
        Reset();
    }

  protected:
    struct Full {};  // no room for another state or output; thrown only to a shared run

    static constexpr std::size_t kRow = 64;  // moves per state: one per class, padded
    static constexpr unsigned kRowBits = 6;
    static_assert(kRow == std::size_t{1} << kRowBits && kRow >= kMaxClasses);
    using Move = std::uint32_t;
    static constexpr Move kEvent = Move{1} << 31;
    static constexpr Move kNext = 0x7FFF;  // the next state's bits
    static constexpr unsigned kOutputShift = 15;
    // The trap state: every move from it is unknown, and an unknown move leads to it.
    static constexpr std::uint32_t kTrap = 1;
    static constexpr Move kUnknown = kEvent | kTrap;
    static constexpr std::uint8_t kDirty = 0xFF;  // the hold of a dirty state
    // The tables' sizes: past them the tables are dropped and rebuilt, so that adversarial
    // text cannot make them grow without bound (and indices stay within their bits).
    static constexpr std::size_t kMaxStates = 0x7FFF;
    static constexpr std::size_t kMaxOutputs = 0xFFFF;
    // What an event writes, padded so that a step copies a fixed size. A class-0 move ends
    // with the unit that caused it, which the step adds. Real text has moves that write up to
    // 18 units; moves that write more than fits are not kept: they take the slow path every
    // time.
    static constexpr std::size_t kOutputUnits = 30;
    struct Output {
        Unit units[kOutputUnits];
        std::make_unsigned_t<Unit> length;   // units written, at most kOutputUnits - 1
        std::make_unsigned_t<Unit> advance;  // length, plus 1 for class-0 moves
    };

    static Move EventTo(std::uint32_t next, std::size_t output) {
        return kEvent | static_cast<Move>(output << kOutputShift) | next;
    }
    static std::uint32_t OutputOf(Move move) { return (move & ~kEvent) >> kOutputShift; }

    // The tables a step reads, copied into locals: the output units are stored through
    // plain pointers, which for bytes may alias anything in memory, and would otherwise make
    // the compiler reload every table address after every store.
    struct Tables {
        const std::uint8_t* class_of;
        const Move* moves;
        const std::uint8_t* hold;
        const Output* outputs;
        const Unit* text_end;
    };
    Tables TablesFor(const Unit* text_end) const {
        return {chain_.ClassTable(), moves_.get(), hold_.get(), outputs_.get(), text_end};
    }

    // The move in slot, read while other threads may add moves: a move is made known after
    // everything it leads to, so reading it in acquire order makes that visible.
    [[gnu::always_inline]] static inline Move Load(const Move* moves, std::size_t slot) {
        return std::atomic_ref<Move>(const_cast<Move&>(moves[slot]))
            .load(std::memory_order_acquire);
    }

    // The slot of the move from state on u.
    [[gnu::always_inline]] static inline std::uint32_t SlotOf(const Tables& t, std::uint32_t state,
                                                              Unit u) {
        return (state << kRowBits) | (Index(u) < kClassMapUnits ? t.class_of[Index(u)] : 0u);
    }

    // A move found by learning: the state it leads to, and what it writes. A copy writes
    // nothing of its own; otherwise written is its whole text, to be written after what the
    // copies before it passed on (if the state it leaves is clean).
    struct Learned {
        std::uint32_t next;
        bool copy;
        bool clean;       // the state it leaves
        bool next_clean;  // the state it leads to
        Text<Unit> written;
    };

    // Learning: the move from state on u, found by running the chain, and kept. The chain runs
    // without the lock; what it found is added under the lock, unless another thread has
    // added the same move meanwhile. Full tables end the run (Full).
    Learned Learn(std::uint32_t state, Unit u) {
        const std::uint8_t cls = chain_.ClassOf(u);
        const Key& from = *key_of_[state];
        const bool clean = hold_[state] != kDirty;
        typename Chain<Unit>::State vector = Chain<Unit>::StateOf(Pairs(from));
        // The input's last units as far as they are known: what a clean state holds.
        Text<Unit> before = clean ? chain_.Held(Pairs(from)) : Text<Unit>();
        before.push_back(u);
        Text<Unit> written;
        chain_.Push(0, u, vector, written);
        Key key = Chain<Unit>::KeyOf(vector);
        const Text<Unit> after = chain_.Held(key);
        const bool next_clean = after.size() < kDirty && before.ends_with(after);
        key.insert(key.begin(), next_clean ? kCleanTag : kDirtyTag);
        const bool copy = clean && next_clean && written.size() + after.size() == before.size() &&
                          before.starts_with(written);
        // What can be made ready outside the lock is: it is held as briefly as can be.
        const std::uint32_t key_hash = HashOf(key);
        const bool event = !copy && written.size() < kOutputUnits;  // an event that is kept
        const Output output = event ? OutputWriting(written, cls == 0) : Output{};
        const std::uint32_t output_hash = event ? FlatIndex::Hash(&output, sizeof output) : 0;
        std::uint32_t next = 0;
        {
            const std::lock_guard lock(add_);
            if (IsFull()) throw Full{};
            next = Intern(std::move(key), key_hash);
            Move* const slot = moves_.get() + ((state << kRowBits) | cls);
            if ((copy || event) &&
                std::atomic_ref<Move>(*slot).load(std::memory_order_relaxed) == kUnknown) {
                std::atomic_ref<Move>(*slot).store(
                    copy ? next : EventTo(next, Intern(output, output_hash)),
                    std::memory_order_release);
            }
        }
        return {next, copy, clean, next_clean, std::move(written)};
    }

    // Whether there may be no room for another state and another output.
    bool IsFull() const {
        return state_count_ + 2 >= kMaxStates || output_count_ + 1 >= kMaxOutputs;
    }

    // Empties the tables: no run may be using them.
    void Reset() {
        keys_.clear();
        index_.Clear();
        output_index_.Clear();
        state_count_ = 0;
        output_count_ = 0;
        const Key start(1, kCleanTag);
        Intern(start, HashOf(start));
        AddState("trap", kDirty);  // never looked up by its key
    }

    // A state's key: whether it is clean, then the chain's key.
    using Key = typename Chain<Unit>::Key;
    static constexpr char kCleanTag = 'c';
    static constexpr char kDirtyTag = 'd';
    static std::string_view Pairs(const Key& key) { return std::string_view(key).substr(1); }

    static std::uint32_t HashOf(const Key& key) { return FlatIndex::Hash(key.data(), key.size()); }

    // The number of the state with this key (whose hash is hash), added if new. Under the
    // lock, or alone.
    std::uint32_t Intern(Key key, std::uint32_t hash) {
        const auto [number, inserted] = index_.FindOrAdd(
            hash, state_count_, [&](std::uint32_t state) { return *key_of_[state] == key; });
        if (inserted) {
            std::size_t held = 0;
            for (std::size_t i = 2; i < key.size(); i += 2) {
                held += static_cast<unsigned char>(key[i]);
            }
            const std::uint8_t hold =
                key[0] == kCleanTag ? static_cast<std::uint8_t>(held) : kDirty;
            AddState(std::move(key), hold);
        }
        return number;
    }

    // A new state, all of whose moves are unknown. No run can reach it before a move to it is
    // made known.
    void AddState(Key key, std::uint8_t hold) {
        keys_.push_back(std::move(key));  // a deque: the keys already in it stay where they are
        key_of_[state_count_] = &keys_.back();
        hold_[state_count_] = hold;
        std::fill_n(moves_.get() + state_count_ * kRow, kRow, kUnknown);
        ++state_count_;
    }

    // The output that writes written (which is less than kOutputUnits long); a class-0 move's
    // text ends with the unit that caused it, which is kept apart: the step writes the real one.
    static Output OutputWriting(std::basic_string_view<Unit> written, bool adds_unit) {
        if (adds_unit) written.remove_suffix(1);
        Output o{};
        std::copy(written.begin(), written.end(), o.units);
        o.length = static_cast<std::make_unsigned_t<Unit>>(written.size());
        o.advance = static_cast<std::make_unsigned_t<Unit>>(written.size() + (adds_unit ? 1 : 0));
        return o;
    }

    // The number of output (whose hash is hash), added if new. Under the lock, or alone.
    std::uint32_t Intern(const Output& output, std::uint32_t hash) {
        const auto [number, inserted] =
            output_index_.FindOrAdd(hash, output_count_, [&](std::uint32_t i) {
                return std::memcmp(&outputs_[i], &output, sizeof output) == 0;
            });
        if (inserted) outputs_[output_count_++] = output;
        return number;
    }

    const Chain<Unit>& chain_;
    std::shared_mutex use_;  // shared by runs; held alone to rebuild the tables
    // Held to add to the tables, for a fraction of a microsecond at a time. A thread that
    // finds it taken waits by watching it, which costs far less than sleeping and being woken;
    // should the holder be kept from running, the waiter soon gives way to other threads.
    class AddLock {
      public:
        void lock() {
            while (locked_.exchange(true, std::memory_order_acquire)) {
                for (int waits = 0; locked_.load(std::memory_order_relaxed); ++waits) {
                    if (waits < kWatches) {
#if defined(__x86_64__) || defined(__i386__)
                        __builtin_ia32_pause();
#endif
                    } else {
                        std::this_thread::yield();
                    }
                }
            }
        }
        void unlock() { locked_.store(false, std::memory_order_release); }

      private:
        static constexpr int kWatches = 1000;
        std::atomic<bool> locked_{false};
    };
    AddLock add_;
    // The tables that runs read, in fixed places (see Load): kRow moves per state, and per
    // state the units it holds (or kDirty); what events write.
    const HugePages<Move> moves_;
    const std::unique_ptr<std::uint8_t[]> hold_;
    // The key of each state, and the index that finds a state by its key; the outputs and
    // the index that finds one by its text.
    std::deque<Key> keys_;
    const std::unique_ptr<const Key*[]> key_of_;
    FlatIndex index_;
    std::uint32_t state_count_ = 0;
    const std::unique_ptr<Output[]> outputs_;
    FlatIndex output_index_;
    std::uint32_t output_count_ = 0;
};

}  // namespace
}  // namespace zv

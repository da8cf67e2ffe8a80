// Transliterate computes, in one left-to-right pass, exactly what applying the rule table one
// rule at a time would give.
//
// Applying one rule is a streaming transducer: it holds back the characters that could still
// be the start of its find text (always a prefix of it, so its whole state is that prefix's
// length) and passes everything else on. The table is the chain of these transducers, each
// feeding the next. The state of the whole chain is the vector of those prefix lengths, and
// its next move depends only on that vector and the next input unit. So the chain is one
// deterministic machine. Its reachable states are too many to list in advance, but real text
// visits a few thousand: they are discovered as the text needs them and kept in a table, so
// that in the steady state every input unit costs one table look-up, and only the few moves
// that change the text write anything (see Machine).
//
// Units that occur in no find text behave all alike: they never match, and after one of them
// every transducer is back at its start. They share one class, whose move ends with the unit
// itself. Every other unit of the find texts is a class of its own.
//
// The same machine runs over UTF-16 code units or over UTF-8 bytes (with the table encoded in
// UTF-8): every find text is made of whole characters, and in valid UTF-8 a byte sequence of
// whole characters can only match at a character boundary, so both give the same text.
#include "engine/transliterate.h"

#include <sys/mman.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/rule_limits.h"
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

// Room for the machine's big tables and buffers: whole 2 MB blocks, which the system is asked
// to back with huge pages where it can. A look-up then rarely misses the address cache,
// however far apart the states it visits lie in the table.
template <typename T>
class HugePages {
  public:
    HugePages() = default;
    explicit HugePages(std::size_t n)
        : capacity_((n * sizeof(T) + kBlock - 1) / kBlock * kBlock / sizeof(T)),
          data_(static_cast<T*>(std::aligned_alloc(kBlock, capacity_ * sizeof(T)))) {
        if (!data_) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        madvise(data_.get(), capacity_ * sizeof(T), MADV_HUGEPAGE);  // a hint only
#endif
    }

    T* get() const { return data_.get(); }
    // Whole blocks are allocated: room for this many Ts, at least as many as asked for.
    std::size_t capacity() const { return capacity_; }

  private:
    static constexpr std::size_t kBlock = std::size_t{2} << 20;
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    std::size_t capacity_ = 0;
    std::unique_ptr<T, Free> data_;
};

// Numbers of short byte strings, found by their hash: open addressing over a power-of-two
// table that is never more than half full. The strings are kept by the caller, who tells
// whether a number's string is the one looked for. Finding a move costs several look-ups;
// a general hash map with its own copies of the keys made them a good part of that cost.
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

// The chain and the machine last as long as the program: never destroyed, so that a thread
// still converting while the program ends finds them in place.
template <typename Unit>
const Chain<Unit>& TheChain() {
    static const Chain<Unit>& chain = *new Chain<Unit>();
    return chain;
}

// The lazily built machine: states, their moves, and what the moves write.
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
// A long text is cut into kLanes pieces, each right after a class-0 unit (where the machine
// is back at its start), and the pieces are run side by side, one unit of each in turn: the
// look-ups of different pieces do not wait on each other, which hides their latency.
//
// One machine serves every thread, so that threads converting at once find each move only
// once. Its tables have a fixed place in memory and grow without moving: runs read them
// without a lock, while a thread that has found a move adds it (and the states and text it
// needs) under a lock and makes it known last, with release order; the run that reads the
// move sees what it needs. A run that finds the tables full rebuilds them for later runs if
// no other run is using them, and converts its own text with a machine of its thread's own,
// which it rebuilds as often as it needs: adversarial text keeps no other thread waiting.
template <typename Unit>
class Scratch;

template <typename Unit>
class Machine {
  public:
    explicit Machine(const Chain<Unit>& chain)
        : chain_(chain),
          moves_(kMaxStates * kRow),
          hold_(new std::uint8_t[kMaxStates]),
          key_of_(new const Key*[kMaxStates]),
          outputs_(new Output[kMaxOutputs]) {
        Reset();
    }

    // Appends the conversion of text to out, with tables that other threads may be using at
    // the same time; scratch is the calling thread's room to work in. Returns false, with out
    // as it was, when the tables fill up; they are then rebuilt for the next run, unless
    // another run is using them.
    bool RunShared(std::basic_string_view<Unit> text, Text<Unit>& out, Scratch<Unit>& scratch) {
        {
            const std::shared_lock use(use_);
            try {
                RunLanes(text, out, scratch, false);
                return true;
            } catch (const Full&) {
                // out is as it was: the lanes' texts are joined to it only at the end
            }
        }
        const std::unique_lock alone(use_, std::try_to_lock);
        if (alone.owns_lock()) Reset();
        return false;
    }

    // The same with tables of the calling thread's own, rebuilt whenever they fill up.
    void RunAlone(std::basic_string_view<Unit> text, Text<Unit>& out, Scratch<Unit>& scratch) {
        RunLanes(text, out, scratch, true);
    }

  private:
    struct Lane;
    struct Full {};  // no room for another state or output; thrown only to a shared run

    // The run itself. With may_reset, the tables are the run's alone, and it rebuilds them
    // whenever they fill up.
    void RunLanes(std::basic_string_view<Unit> text, Text<Unit>& out, Scratch<Unit>& scratch,
                  bool may_reset) {
        std::array<Lane, kLanes> lanes{};
        const std::size_t count = Cut(text, lanes);
        for (Lane& lane : lanes) {
            lane.text_end = text.data() + text.size();
            lane.may_reset = may_reset;
        }
        // Every lane writes into its own region of the thread's scratch buffer, room for
        // twice its input (typed Latvian grows by about a third: references are longer than
        // pairs); a lane that needs more moves to a buffer of its own. The lanes' texts are
        // then appended to out, which is thus written once.
        std::array<std::size_t, kLanes> room{};
        std::size_t total = 0;
        for (std::size_t k = 0; k < count; ++k) {
            const auto length = static_cast<std::size_t>(lanes[k].end - lanes[k].src);
            room[k] = 2 * length + Room(kBlock);
            total += room[k];
        }
        Unit* region = scratch.Room(total);
        for (std::size_t k = 0; k < count; ++k) {
            lanes[k].begin = lanes[k].dst = region;
            lanes[k].stop = region + room[k];
            lanes[k].flush = lanes[k].src;
            region += room[k];
        }
        if (count == kLanes) RunSideBySide(lanes);
        for (std::size_t k = 0; k < count; ++k) {
            Lane& lane = lanes[k];
            RunCarefully(lanes, count, k, lane.end);
            // What the copies passed on; the last lane may end with units still held.
            Reserve(lane, Room(0));
            const std::uint8_t held = hold_[lane.state];
            if (held != kDirty) {
                lane.dst = Copy(lane.flush, lane.src - held, lane.dst, lane.text_end);
            }
        }
        // Only the last piece may end with units held back; the others end after a class-0
        // unit, where nothing is held.
        typename Chain<Unit>::State vector =
            Chain<Unit>::StateOf(Pairs(*key_of_[lanes[count - 1].state]));
        Text<Unit> tail;
        chain_.Finish(vector, tail);
        Join(lanes, count, out, tail);
        scratch.ReleaseIfLarge();
    }

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
    static constexpr std::size_t kLanes = 8;
    static constexpr std::size_t kMinPiece = 1024;
    static constexpr std::size_t kBlock = 64;  // steps between checks for room

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
    static constexpr std::size_t kSlack = sizeof(Output) / sizeof(Unit);
    static constexpr std::size_t kCopyUnits = 32 / sizeof(Unit);  // a short copy's size

    static Move EventTo(std::uint32_t next, std::size_t output) {
        return kEvent | static_cast<Move>(output << kOutputShift) | next;
    }
    static std::uint32_t OutputOf(Move move) { return (move & ~kEvent) >> kOutputShift; }

    struct Lane {
        const Unit* src = nullptr;
        const Unit* end = nullptr;
        const Unit* flush = nullptr;  // input from here on is still to be copied out
        Unit* begin = nullptr;        // the lane's text so far is [begin, dst)
        Unit* dst = nullptr;
        Unit* stop = nullptr;  // end of the lane's room
        std::uint32_t state = 0;
        Text<Unit> own;                  // the lane's buffer once it has outgrown its region
        const Unit* text_end = nullptr;  // end of the whole text: copies read no further
        bool may_reset = false;          // the run has the tables to itself
    };

    // Room enough at a lane's dst for steps more steps, with what the copies have passed on
    // so far (more than enough in a dirty state, whose flush mark is old).
    static std::size_t Room(std::size_t steps) { return steps * kOutputUnits + 2 * kSlack; }
    static void Reserve(Lane& lane, std::size_t room) {
        const auto pending = static_cast<std::size_t>(lane.src - lane.flush);
        if (static_cast<std::size_t>(lane.stop - lane.dst) >= pending + room) return;
        const auto used = static_cast<std::size_t>(lane.dst - lane.begin);
        const auto size = static_cast<std::size_t>(lane.stop - lane.begin);
        Text<Unit> bigger(std::max(size * 2, used + pending + room), Unit{});
        std::copy(lane.begin, lane.dst, bigger.data());
        lane.own.swap(bigger);
        lane.begin = lane.own.data();
        lane.dst = lane.begin + used;
        lane.stop = lane.begin + lane.own.size();
    }

    // Appends the lanes' texts, one after the other, then tail, to out.
    static void Join(const std::array<Lane, kLanes>& lanes, std::size_t count, Text<Unit>& out,
                     const Text<Unit>& tail) {
        std::size_t length = tail.size();
        for (std::size_t k = 0; k < count; ++k) {
            length += static_cast<std::size_t>(lanes[k].dst - lanes[k].begin);
        }
        out.reserve(out.size() + length);
        for (std::size_t k = 0; k < count; ++k) out.append(lanes[k].begin, lanes[k].dst);
        out += tail;
    }

    // Cuts text into kLanes pieces after class-0 units, or leaves it whole; returns the count.
    std::size_t Cut(std::basic_string_view<Unit> text, std::array<Lane, kLanes>& lanes) const {
        const Unit* begin = text.data();
        const Unit* end = text.data() + text.size();
        std::size_t count = 1;
        lanes[0].src = begin;
        if (text.size() >= kLanes * kMinPiece) {
            const Unit* from = begin;
            for (std::size_t k = 1; k < kLanes; ++k) {
                const Unit* at = std::max(from, begin + k * text.size() / kLanes);
                while (at < end && chain_.ClassOf(at[-1]) != 0) ++at;
                if (at >= end || at - from < static_cast<std::ptrdiff_t>(kMinPiece)) break;
                lanes[count - 1].end = at;
                lanes[count].src = at;
                from = at;
                ++count;
            }
        }
        if (count != kLanes) count = 1;
        lanes[count - 1].end = end;
        return count;
    }

    // Copies the input [from, to) to dst; returns the end of the copy. The text ends at end.
    [[gnu::always_inline]] static inline Unit* Copy(const Unit* from, const Unit* to, Unit* dst,
                                                    const Unit* end) {
        const auto n = static_cast<std::size_t>(to - from);
        if (n <= kCopyUnits && end - from >= static_cast<std::ptrdiff_t>(kCopyUnits)) [[likely]] {
            std::memcpy(dst, from, kCopyUnits * sizeof(Unit));  // what lies past n is overwritten
        } else {
            std::memcpy(dst, from, n * sizeof(Unit));
        }
        return dst + n;
    }

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
    Tables TablesFor(const Lane& lane) const {
        return {chain_.ClassTable(), moves_.get(), hold_.get(), outputs_.get(), lane.text_end};
    }

    // The move in slot, read while other threads may add moves: a move is made known after
    // everything it leads to, so reading it in acquire order makes that visible.
    [[gnu::always_inline]] static inline Move Load(const Move* moves, std::size_t slot) {
        return __atomic_load_n(moves + slot, __ATOMIC_ACQUIRE);
    }

    // The slot of the move from state on u.
    [[gnu::always_inline]] static inline std::uint32_t SlotOf(const Tables& t, std::uint32_t state,
                                                              Unit u) {
        return (state << kRowBits) | (Index(u) < kClassMapUnits ? t.class_of[Index(u)] : 0u);
    }

    // The unit at src: a copy only changes state; an event copies out what the copies have
    // passed on and writes its own text. Unknown moves go to slow(), which does all of that
    // itself (reading and writing the lane through the references) and may rebuild the
    // tables.
    template <typename SlowPath>
    [[gnu::always_inline]] inline void Step(const Tables& t, const Unit* src, Unit*& dst,
                                            const Unit*& flush, std::uint32_t& state,
                                            SlowPath&& slow) {
        const Move move = Load(t.moves, SlotOf(t, state, *src));
        if (!(move & kEvent)) [[likely]] {
            state = move;
            return;
        }
        if (move == kUnknown) [[unlikely]] {
            slow();
            return;
        }
        const std::uint32_t next = move & kNext;
        MakeEvent(t, OutputOf(move), state, next, src, dst, flush);
        state = next;
    }

    // The event from state before to state next that writes output, met on the unit at src:
    // copies out what the copies before it passed on, writes its text, and notes where the
    // input to copy out starts after it. What the states hold places the input it copies.
    [[gnu::always_inline]] static inline void MakeEvent(const Tables& t, std::uint32_t output,
                                                        std::uint32_t before, std::uint32_t next,
                                                        const Unit* src, Unit*& dst,
                                                        const Unit*& flush) {
        const std::uint8_t held = t.hold[before];
        const std::uint8_t next_held = t.hold[next];
        dst = Copy(flush, held == kDirty ? flush : src - held, dst, t.text_end);
        // The whole entry is copied at once; what lies past the text is overwritten later.
        Output written;
        std::memcpy(&written, &t.outputs[output], sizeof written);
        std::memcpy(dst, &written, sizeof written);
        dst[written.length] = *src;
        dst += written.advance;
        flush = next_held == kDirty ? flush : src + 1 - next_held;
    }

    // The move from live[k] on the unit at lane.src, found by running the chain, kept, and
    // made on lane. The chain runs without the lock; what it found is added under the lock,
    // unless another thread has added the same move meanwhile. In a run that has the tables
    // to itself, full tables are rebuilt first, and live, the states of every lane, are
    // renumbered; in a shared run they end the run (Full).
    [[gnu::noinline]] void Slow(std::array<std::uint32_t, kLanes>& live, std::size_t k,
                                Lane& lane) {
        if (lane.may_reset && IsFull()) {
            std::array<Key, kLanes> keys;
            for (std::size_t j = 0; j < kLanes; ++j) keys[j] = *key_of_[live[j]];
            Reset();
            for (std::size_t j = 0; j < kLanes; ++j) live[j] = Intern(keys[j], HashOf(keys[j]));
        }
        const Unit u = *lane.src;
        const std::uint8_t cls = chain_.ClassOf(u);
        const std::uint32_t state = live[k];
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
            if ((copy || event) && *slot == kUnknown) {
                __atomic_store_n(slot, copy ? next : EventTo(next, Intern(output, output_hash)),
                                 __ATOMIC_RELEASE);
            }
        }
        live[k] = next;
        if (copy) return;
        // Room for this text and for a block of ordinary moves after it.
        Reserve(lane, written.size() + Room(kBlock));
        if (clean) lane.dst = Copy(lane.flush, lane.src - hold_[state], lane.dst, lane.text_end);
        lane.dst = std::copy(written.begin(), written.end(), lane.dst);
        if (next_clean) lane.flush = lane.src + 1 - hold_[next];
    }

    // Whether there may be no room for another state and another output.
    bool IsFull() const {
        return state_count_ + 2 >= kMaxStates || output_count_ + 1 >= kMaxOutputs;
    }

    // The lanes side by side, a block of kBlock units of each at a time, in one of two ways.
    // Once the moves a text needs are known, a first pass only follows the moves, all lanes
    // side by side, and logs them; it has no branch but the loop's (copies and events come in
    // no order that could be foreseen). A second pass makes the logged events, lane by lane.
    // An unknown move is an event into the trap state, whose moves are all unknown: the second
    // pass stops that lane there, and the rest of its block is run unit by unit, finding the
    // moves it lacks. While moves are still being found, that would happen in most blocks, so
    // then one pass makes each move as it comes, finding what it lacks on the way.
    void RunSideBySide(std::array<Lane, kLanes>& lanes) {
        std::size_t steps = SIZE_MAX;
        for (const Lane& lane : lanes) {
            steps = std::min<std::size_t>(steps, static_cast<std::size_t>(lane.end - lane.src));
        }
        bool learning = true;  // the last block found a move
        for (; steps >= kBlock; steps -= kBlock) {
            for (Lane& lane : lanes) Reserve(lane, Room(kBlock));
            learning = learning ? BlockInOnePass(lanes, std::make_index_sequence<kLanes>())
                                : BlockInTwoPasses(lanes, std::make_index_sequence<kLanes>());
        }
    }

    // Runs a block in one pass; returns whether a move had to be found.
    template <std::size_t... K>
    bool BlockInOnePass(std::array<Lane, kLanes>& lanes, std::index_sequence<K...>) {
        std::array<const Unit*, kLanes> src{lanes[K].src...};
        std::array<Unit*, kLanes> dst{lanes[K].dst...};
        std::array<const Unit*, kLanes> flush{lanes[K].flush...};
        std::array<std::uint32_t, kLanes> state{lanes[K].state...};
        bool found = false;
        std::size_t i = 0;
        auto slow = [&](std::size_t k) {
            return [&, k] {
                std::array<std::uint32_t, kLanes> live{state[K]...};
                lanes[k].src = src[k] + i;
                lanes[k].dst = dst[k];
                lanes[k].flush = flush[k];
                Slow(live, k, lanes[k]);
                dst[k] = lanes[k].dst;
                flush[k] = lanes[k].flush;
                ((state[K] = live[K]), ...);
                found = true;
            };
        };
        const Tables tables = TablesFor(lanes[0]);
        for (; i < kBlock; ++i) {
            (Step(tables, src[K] + i, dst[K], flush[K], state[K], slow(K)), ...);
        }
        ((lanes[K].src = src[K] + kBlock, lanes[K].dst = dst[K], lanes[K].flush = flush[K],
          lanes[K].state = state[K]),
         ...);
        return found;
    }

    // Runs a block in two passes; returns whether a move had to be found.
    template <std::size_t... K>
    bool BlockInTwoPasses(std::array<Lane, kLanes>& lanes, std::index_sequence<K...>) {
        std::array<Log, kLanes> log;
        std::array<std::uint32_t, kLanes> state{lanes[K].state...};
        const std::array<std::uint32_t, kLanes> start{lanes[K].state...};
        const std::array<const Unit*, kLanes> block_end{(lanes[K].src + kBlock)...};
        {
            const Tables t = TablesFor(lanes[0]);
            const std::array<const Unit*, kLanes> src{lanes[K].src...};
            for (std::uint32_t i = 0; i < kBlock; ++i) {
                (Follow(t, src[K][i], state[K], log[K][i]), ...);
            }
        }
        bool stopped = false;
        for (std::size_t k = 0; k < kLanes; ++k) {
            if (MakeEvents(lanes[k], start[k], log[k])) {
                lanes[k].src = block_end[k];
                lanes[k].state = state[k];
            } else {
                stopped = true;
            }
        }
        if (!stopped) return false;
        for (std::size_t k = 0; k < kLanes; ++k) RunCarefully(lanes, kLanes, k, block_end[k]);
        return true;
    }

    // The moves a lane makes in a block, in order.
    using Log = std::array<Move, kBlock>;

    // The first pass's step: the move from state on u, written to the log.
    [[gnu::always_inline]] static inline void Follow(const Tables& t, Unit u, std::uint32_t& state,
                                                     Move& logged) {
        const Move move = Load(t.moves, SlotOf(t, state, u));
        logged = move;
        state = move & kNext;
    }

    // Bit i set where the i-th move of the log is an event.
    static std::uint64_t EventsIn(const Log& log) {
        std::uint64_t events = 0;
#ifdef __SSE2__
        // The event bit is each move's sign bit: packing keeps it, and a byte mask collects it.
        const auto* at = reinterpret_cast<const __m128i*>(log.data());
        for (std::size_t j = 0; j < kBlock / 16; ++j, at += 4) {
            const __m128i low = _mm_packs_epi32(_mm_loadu_si128(at), _mm_loadu_si128(at + 1));
            const __m128i high = _mm_packs_epi32(_mm_loadu_si128(at + 2), _mm_loadu_si128(at + 3));
            const __m128i packed = _mm_packs_epi16(low, high);
            events |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(packed))}
                      << (16 * j);
        }
#else
        for (std::size_t i = 0; i < kBlock; ++i) events |= std::uint64_t{log[i] >> 31} << i;
#endif
        return events;
    }

    // The second pass over one lane's block, which starts at lane.src in state start: makes
    // the logged events. At an unknown move it stops, with the lane's src and state set to
    // that move's, and returns false.
    bool MakeEvents(Lane& lane, std::uint32_t start, const Log& log) const {
        static_assert(kBlock == 64);
        const Tables t = TablesFor(lane);
        Unit* dst = lane.dst;
        const Unit* flush = lane.flush;
        bool finished = true;
        for (std::uint64_t left = EventsIn(log); left != 0; left &= left - 1) {
            const auto i = static_cast<std::size_t>(__builtin_ctzll(left));
            const std::uint32_t before = i == 0 ? start : log[i - 1] & kNext;
            const Unit* const src = lane.src + i;
            if (log[i] == kUnknown) [[unlikely]] {
                lane.src = src;
                lane.state = before;
                finished = false;
                break;
            }
            MakeEvent(t, OutputOf(log[i]), before, log[i] & kNext, src, dst, flush);
        }
        lane.dst = dst;
        lane.flush = flush;
        return finished;
    }

    // Lane k of count, unit by unit up to end, finding the moves it lacks.
    void RunCarefully(std::array<Lane, kLanes>& lanes, std::size_t count, std::size_t k,
                      const Unit* end) {
        Lane& lane = lanes[k];
        while (lane.src != end) {
            Reserve(lane, Room(1));
            Step(TablesFor(lane), lane.src, lane.dst, lane.flush, lane.state, [&] {
                std::array<std::uint32_t, kLanes> live{};
                for (std::size_t j = 0; j < count; ++j) live[j] = lanes[j].state;
                Slow(live, k, lane);
                for (std::size_t j = 0; j < count; ++j) lanes[j].state = live[j];
            });
            ++lane.src;
        }
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

// A thread's room to work in: the lanes' texts before they are joined. Kept from call to
// call unless large.
template <typename Unit>
class Scratch {
  public:
    Unit* Room(std::size_t units) {
        if (buffer_.capacity() < units) {
            // All of the blocks allocated is used: a slightly longer text next time fits too.
            buffer_ = HugePages<Unit>();
            buffer_ = HugePages<Unit>(units);
        }
        return buffer_.get();
    }

    void ReleaseIfLarge() {
        if (buffer_.capacity() * sizeof(Unit) > kKeptBytes) buffer_ = HugePages<Unit>();
    }

  private:
    static constexpr std::size_t kKeptBytes = std::size_t{8} << 20;
    HugePages<Unit> buffer_;
};

template <typename Unit>
void Run(std::basic_string_view<Unit> text, Text<Unit>& out) {
    // The machine is a cache of moves shared by every thread: nothing of one call is seen in
    // the result of another.
    static Machine<Unit>& shared = *new Machine<Unit>(TheChain<Unit>());
    thread_local Scratch<Unit> scratch;
    // After text that filled the shared tables, the thread's next few texts go straight to
    // its own machine: more of the same would fill them again, after work that is lost.
    constexpr int kOwnRunsAfterFull = 8;
    thread_local int own_runs = 0;
    if (own_runs == 0) {
        if (shared.RunShared(text, out, scratch)) return;
        own_runs = kOwnRunsAfterFull;
    }
    --own_runs;
    thread_local std::unique_ptr<Machine<Unit>> own;
    if (!own) own = std::make_unique<Machine<Unit>>(TheChain<Unit>());
    own->RunAlone(text, out, scratch);
}

}  // namespace

std::u16string Transliterate(std::u16string_view text) {
    std::u16string out;
    Run<char16_t>(text, out);
    return out;
}

std::string TransliterateUtf8(std::string_view text) {
    std::string out;
    Run<char>(text, out);
    return out;
}

void TransliterateUtf8(std::string_view text, std::string& out) { Run<char>(text, out); }

}  // namespace zv

// The lane runner: a text's run over the move tables. A long text is cut into kLanes pieces,
// each right after a class-0 unit (where the machine is back at its start), and the pieces
// are run side by side, one unit of each in turn: the look-ups of different pieces do not
// wait on each other, which hides their latency. Owns the lanes, the steps that follow and
// make the moves, the blocks of steps in one pass or two, and the thread's scratch room.
//
// ZV_ENGINE_ONE_LANE=1 in the environment runs every text as one lane, unit by unit: the
// plain path, without lanes side by side or the two passes, to tell whether a wrong output
// comes from those.
//
// Part of the conversion machine, which is private to transliterate.cpp: like the other
// machine headers this one is included there only, and keeps its names in an anonymous
// namespace, so that the whole machine is still one translation unit, inlined as one.
#pragma once

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <utility>

#include "engine/chain.h"
#include "engine/huge_pages.h"
#include "engine/move_tables.h"

namespace zv {
namespace {

// What runs have met, for MachineCountsNow().
struct Counts {
    std::atomic<std::uint64_t> shared_tables_full{0};
    std::atomic<std::uint64_t> shared_tables_rebuilt{0};
    std::atomic<std::uint64_t> rebuilt_in_call{0};
};
Counts counts;

// Whether every text runs as one lane (ZV_ENGINE_ONE_LANE=1), read once.
bool OneLaneOnly() {
    static const bool one_lane = [] {
        const char* value = std::getenv("ZV_ENGINE_ONE_LANE");
        return value != nullptr && std::string_view(value) == "1";
    }();
    return one_lane;
}

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

// A machine: move tables and the runs over them. The program has one that every thread
// shares, and one of its own for each thread that has found the shared one full (see
// transliterate.cpp).
template <typename Unit>
class Machine : public MoveTables<Unit> {
  public:
    explicit Machine(const Chain<Unit>& chain) : MoveTables<Unit>(chain) {}

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
                counts.shared_tables_full.fetch_add(1, std::memory_order_relaxed);
            }
        }
        const std::unique_lock alone(use_, std::try_to_lock);
        if (alone.owns_lock()) {
            Reset();
            counts.shared_tables_rebuilt.fetch_add(1, std::memory_order_relaxed);
        }
        return false;
    }

    // The same with tables of the calling thread's own, rebuilt whenever they fill up.
    void RunAlone(std::basic_string_view<Unit> text, Text<Unit>& out, Scratch<Unit>& scratch) {
        RunLanes(text, out, scratch, true);
    }

  private:
    using Base = MoveTables<Unit>;
    using Base::chain_;
    using Base::HashOf;
    using Base::hold_;
    using Base::Intern;
    using Base::IsFull;
    using Base::kDirty;
    using Base::kEvent;
    using Base::key_of_;
    using Base::kNext;
    using Base::kOutputUnits;
    using Base::kUnknown;
    using Base::Learn;
    using Base::Load;
    using Base::OutputOf;
    using Base::Pairs;
    using Base::Reset;
    using Base::SlotOf;
    using Base::TablesFor;
    using Base::use_;
    using typename Base::Full;
    using typename Base::Key;
    using typename Base::Move;
    using typename Base::Output;
    using typename Base::Tables;

    struct Lane;

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

    static constexpr std::size_t kLanes = 8;
    static constexpr std::size_t kMinPiece = 1024;
    static constexpr std::size_t kBlock = 64;  // steps between checks for room

    // Room past a write: every event's entry is copied whole.
    static constexpr std::size_t kSlack = sizeof(Output) / sizeof(Unit);
    static constexpr std::size_t kCopyUnits = 32 / sizeof(Unit);  // a short copy's size

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
        if (text.size() >= kLanes * kMinPiece && !OneLaneOnly()) {
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

    Tables TablesFor(const Lane& lane) const { return Base::TablesFor(lane.text_end); }

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

    // The move from live[k] on the unit at lane.src, learnt (see Learn) and made on lane. In
    // a run that has the tables to itself, full tables are rebuilt first, and live, the
    // states of every lane, are renumbered; in a shared run they end the run (Full).
    [[gnu::noinline]] void Slow(std::array<std::uint32_t, kLanes>& live, std::size_t k,
                                Lane& lane) {
        if (lane.may_reset && IsFull()) {
            std::array<Key, kLanes> keys;
            for (std::size_t j = 0; j < kLanes; ++j) keys[j] = *key_of_[live[j]];
            Reset();
            for (std::size_t j = 0; j < kLanes; ++j) live[j] = Intern(keys[j], HashOf(keys[j]));
            counts.rebuilt_in_call.fetch_add(1, std::memory_order_relaxed);
        }
        const std::uint32_t state = live[k];
        const typename Base::Learned move = Learn(state, *lane.src);
        live[k] = move.next;
        if (move.copy) return;
        // Room for this text and for a block of ordinary moves after it.
        Reserve(lane, move.written.size() + Room(kBlock));
        if (move.clean) {
            lane.dst = Copy(lane.flush, lane.src - hold_[state], lane.dst, lane.text_end);
        }
        lane.dst = std::copy(move.written.begin(), move.written.end(), lane.dst);
        if (move.next_clean) lane.flush = lane.src + 1 - hold_[move.next];
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
};

}  // namespace
}  // namespace zv

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
// that in the steady state every input unit costs one table look-up and one short copy.
//
// Units that occur in no find text behave all alike: they never match, and after one of them
// every transducer is back at its start. They share one class, whose move ends with the unit
// itself. Every other unit of the find texts is a class of its own.
//
// The same machine runs over UTF-16 code units or over UTF-8 bytes (with the table encoded in
// UTF-8): every find text is made of whole characters, and in valid UTF-8 a byte sequence of
// whole characters can only match at a character boundary, so both give the same text.
#include "engine/transliterate.h"
#include "engine/utf8.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

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
    static constexpr std::size_t kMaxRules = 128;
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

    static State StateOf(const Key& key) {
        State state{};
        for (std::size_t i = 0; i + 1 < key.size(); i += 2) {
            state.Set(static_cast<unsigned char>(key[i]), static_cast<unsigned char>(key[i + 1]));
        }
        return state;
    }

    Chain() {
        if (RuleTable().size() > kMaxRules) throw std::logic_error("too many rules");
        for (const Rule& rule : RuleTable()) {
            finds_.push_back(Encode<Unit>(rule.find));
            replacements_.push_back(Encode<Unit>(rule.replacement));
        }
        class_of_.fill(0);
        class_unit_.push_back(Unit{});  // class 0: units in no find text
        for (const auto& find : finds_) {
            for (Unit u : find) {
                // Every unit of a find text is below 256 in both encodings; class_of_ has
                // one entry for each of those, and the rest are class 0.
                if (class_of_[Index(u)] == 0) {
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
    std::uint8_t ClassOf(Unit u) const { return Index(u) < 256 ? class_of_[Index(u)] : 0; }
    const std::uint8_t* ClassTable() const { return class_of_.data(); }
    Unit ClassUnit(std::size_t cls) const { return class_unit_[cls]; }

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
    std::array<std::uint8_t, 256> class_of_{};
    std::vector<Unit> class_unit_;
    std::vector<std::uint8_t> next_start_;
};

template <typename Unit>
const Chain<Unit>& TheChain() {
    static const Chain<Unit> chain;
    return chain;
}

// The lazily built machine: states, their moves, and the text each move writes.
//
// A move is one 32-bit word: the next state in the low half, the index of what the move
// writes in the high half. The moves of a state lie in a row of kRow words, one per class.
//
// A long text is cut into kLanes pieces, each right after a class-0 unit (where the machine
// is back at its start), and the pieces are run side by side, one unit of each in turn: the
// look-ups of different pieces do not wait on each other, which hides their latency.
template <typename Unit>
class Machine {
  public:
    explicit Machine(const Chain<Unit>& chain) : chain_(chain) {
        static_assert(kRow >= 56);
        if (chain_.ClassCount() > kRow) throw std::logic_error("too many character classes");
        Reset();
    }

    Text<Unit> Run(std::basic_string_view<Unit> text) {
        std::array<Lane, kLanes> lanes{};
        const std::size_t count = Cut(text, lanes);
        // Every lane writes into its own region of one buffer, sized for typed Latvian, which
        // grows by about a third (references are longer than pairs); a lane that needs more
        // moves to a buffer of its own.
        std::array<std::size_t, kLanes> room{};
        std::size_t total = 0;
        for (std::size_t k = 0; k < count; ++k) {
            const auto length = static_cast<std::size_t>(lanes[k].end - lanes[k].src);
            room[k] = length + length / 2 + kBlock * kOutputUnits + kSlack;
            total += room[k];
        }
        Text<Unit> result(total, Unit{});
        Unit* region = result.data();
        for (std::size_t k = 0; k < count; ++k) {
            lanes[k].begin = lanes[k].dst = region;
            lanes[k].stop = region + room[k];
            region += room[k];
        }
        if (count == kLanes) RunSideBySide(lanes);
        for (std::size_t k = 0; k < count; ++k) {
            Lane& lane = lanes[k];
            while (lane.src != lane.end) {
                Reserve(lane, kOutputUnits + kSlack);
                std::uint32_t state = lane.state;
                Tables tables = CurrentTables();
                lane.dst = Step(tables, *lane.src++, lane.dst, state,
                                [&](Unit u, std::uint8_t cls, Unit* dst) {
                                    std::array<std::uint32_t, kLanes> live{};
                                    for (std::size_t j = 0; j < count; ++j)
                                        live[j] = lanes[j].state;
                                    live[k] = state;
                                    lane.dst = dst;
                                    Slow(live, k, u, cls, lane);
                                    for (std::size_t j = 0; j < count; ++j)
                                        lanes[j].state = live[j];
                                    state = live[k];
                                    return lane.dst;
                                });
                lane.state = state;
            }
        }
        // Only the last piece may end with units held back; the others end after a class-0
        // unit, where nothing is held.
        typename Chain<Unit>::State vector = Chain<Unit>::StateOf(states_[lanes[count - 1].state]);
        Text<Unit> tail;
        chain_.Finish(vector, tail);
        return Join(lanes, count, std::move(result), tail);
    }

  private:
    static constexpr std::size_t kRow = 64;  // moves per state: one per class, padded
    static constexpr unsigned kRowBits = 6;
    static constexpr std::uint32_t kUnknown = UINT32_MAX;
    // Past these sizes the tables are dropped and rebuilt, so that adversarial text cannot
    // make them grow without bound (and indices stay within their 16 bits).
    static constexpr std::size_t kMaxStates = 0xFFFF;
    static constexpr std::size_t kMaxOutputs = 0xFFFF;
    static constexpr std::size_t kLanes = 4;
    static constexpr std::size_t kMinPiece = 1024;
    static constexpr std::size_t kBlock = 64;  // steps between checks for room

    // What one move writes, padded so that a step copies a fixed size. A class-0 move ends
    // with the unit that caused it, which the step adds. Moves that write more than fits
    // (rare) are not kept: they take the slow path every time.
    static constexpr std::size_t kOutputUnits = 14;
    struct Output {
        Unit units[kOutputUnits];
        std::make_unsigned_t<Unit> length;   // units written, at most kOutputUnits - 1
        std::make_unsigned_t<Unit> advance;  // length, plus 1 for class-0 moves
    };
    static constexpr std::size_t kSlack = sizeof(Output) / sizeof(Unit);

    struct Lane {
        const Unit* src = nullptr;
        const Unit* end = nullptr;
        Unit* begin = nullptr;  // the lane's text so far is [begin, dst)
        Unit* dst = nullptr;
        Unit* stop = nullptr;  // end of the lane's room
        std::uint32_t state = 0;
        Text<Unit> own;  // the lane's buffer once it has outgrown its region
    };

    // The lanes' texts one after the other, then tail, in result (whose regions they are,
    // unless a lane moved out).
    static Text<Unit> Join(std::array<Lane, kLanes>& lanes, std::size_t count, Text<Unit> result,
                           const Text<Unit>& tail) {
        bool in_place = true;
        for (std::size_t k = 0; k < count; ++k) in_place = in_place && lanes[k].own.empty();
        if (!in_place) {
            Text<Unit> joined;
            for (std::size_t k = 0; k < count; ++k) joined.append(lanes[k].begin, lanes[k].dst);
            return joined + tail;
        }
        Unit* at = result.data();
        for (std::size_t k = 0; k < count; ++k) {
            const auto length = static_cast<std::size_t>(lanes[k].dst - lanes[k].begin);
            if (at != lanes[k].begin) std::memmove(at, lanes[k].begin, length * sizeof(Unit));
            at += length;
        }
        result.resize(static_cast<std::size_t>(at - result.data()));
        result += tail;
        return result;
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

    // The tables a step reads, copied into locals: the output units are stored through
    // plain pointers, which for bytes may alias anything in memory, and would otherwise make
    // the compiler reload every table address after every store.
    struct Tables {
        const std::uint8_t* class_of;
        const std::uint32_t* moves;
        const Output* outputs;
    };
    Tables CurrentTables() const { return {chain_.ClassTable(), moves_.data(), outputs_.data()}; }

    // One unit: look up the move, write its text, return the new dst. Unknown moves go to
    // slow(u, cls, dst), which does all of that itself and may rebuild the tables.
    template <typename SlowPath>
    [[gnu::always_inline]] inline Unit* Step(Tables& t, Unit u, Unit* dst, std::uint32_t& state,
                                             SlowPath&& slow) {
        const std::uint8_t cls = Index(u) < 256 ? t.class_of[Index(u)] : 0;
        const std::uint32_t move = t.moves[(state << kRowBits) | cls];
        if (move == kUnknown) [[unlikely]] {
            dst = slow(u, cls, dst);
            t = CurrentTables();
            return dst;
        }
        // The whole entry is copied at once; what lies past the text is overwritten later.
        Output written;
        std::memcpy(&written, &t.outputs[move >> 16], sizeof written);
        std::memcpy(dst, &written, sizeof written);
        dst[written.length] = u;
        state = move & 0xFFFF;
        return dst + written.advance;
    }

    // The move from live[k] on u (of class cls), found by running the chain, written to lane
    // (which has room for one ordinary move at least). When the tables are full they are
    // rebuilt first, and live, the states of every lane, are renumbered.
    [[gnu::noinline]] void Slow(std::array<std::uint32_t, kLanes>& live, std::size_t k, Unit u,
                                std::uint8_t cls, Lane& lane) {
        if (states_.size() + 1 >= kMaxStates || outputs_.size() + 1 >= kMaxOutputs) {
            std::array<typename Chain<Unit>::Key, kLanes> keys;
            for (std::size_t j = 0; j < kLanes; ++j) keys[j] = states_.at(live[j]);
            Reset();
            for (std::size_t j = 0; j < kLanes; ++j) live[j] = Intern(keys[j]);
        }
        const std::uint32_t state = live[k];
        typename Chain<Unit>::State vector = Chain<Unit>::StateOf(states_[state]);
        Text<Unit> written;
        chain_.Push(0, u, vector, written);
        live[k] = Intern(Chain<Unit>::KeyOf(vector));
        if (written.size() < kOutputUnits) {
            const std::uint32_t output = InternOutput(written, cls == 0);
            moves_[(state << kRowBits) | cls] = (output << 16) | live[k];
        }
        // Room for this text and for a block of ordinary moves after it.
        Reserve(lane, written.size() + kBlock * kOutputUnits + kSlack);
        lane.dst = std::copy(written.begin(), written.end(), lane.dst);
    }

    void RunSideBySide(std::array<Lane, kLanes>& lanes) {
        std::size_t steps = SIZE_MAX;
        for (const Lane& lane : lanes) {
            steps = std::min<std::size_t>(steps, static_cast<std::size_t>(lane.end - lane.src));
        }
        for (; steps >= kBlock; steps -= kBlock) {
            for (Lane& lane : lanes) Reserve(lane, kBlock * kOutputUnits + kSlack);
            const Unit* s0 = lanes[0].src;
            const Unit* s1 = lanes[1].src;
            const Unit* s2 = lanes[2].src;
            const Unit* s3 = lanes[3].src;
            Unit* d0 = lanes[0].dst;
            Unit* d1 = lanes[1].dst;
            Unit* d2 = lanes[2].dst;
            Unit* d3 = lanes[3].dst;
            std::uint32_t q0 = lanes[0].state, q1 = lanes[1].state, q2 = lanes[2].state,
                          q3 = lanes[3].state;
            auto slow = [&](std::size_t k) {
                return [&, k](Unit u, std::uint8_t cls, Unit* dst) {
                    std::array<std::uint32_t, kLanes> live{q0, q1, q2, q3};
                    lanes[k].dst = dst;
                    Slow(live, k, u, cls, lanes[k]);
                    q0 = live[0], q1 = live[1], q2 = live[2], q3 = live[3];
                    return lanes[k].dst;
                };
            };
            Tables tables = CurrentTables();
            for (std::size_t i = 0; i < kBlock; ++i) {
                d0 = Step(tables, s0[i], d0, q0, slow(0));
                d1 = Step(tables, s1[i], d1, q1, slow(1));
                d2 = Step(tables, s2[i], d2, q2, slow(2));
                d3 = Step(tables, s3[i], d3, q3, slow(3));
            }
            lanes[0].src = s0 + kBlock, lanes[0].dst = d0, lanes[0].state = q0;
            lanes[1].src = s1 + kBlock, lanes[1].dst = d1, lanes[1].state = q1;
            lanes[2].src = s2 + kBlock, lanes[2].dst = d2, lanes[2].state = q2;
            lanes[3].src = s3 + kBlock, lanes[3].dst = d3, lanes[3].state = q3;
        }
    }

    // Makes room for need units at lane.dst.
    static void Reserve(Lane& lane, std::size_t need) {
        if (static_cast<std::size_t>(lane.stop - lane.dst) >= need) return;
        const auto used = static_cast<std::size_t>(lane.dst - lane.begin);
        const auto size = static_cast<std::size_t>(lane.stop - lane.begin);
        Text<Unit> bigger(std::max(size * 2, used + need), Unit{});
        std::copy(lane.begin, lane.dst, bigger.data());
        lane.own.swap(bigger);
        lane.begin = lane.own.data();
        lane.dst = lane.begin + used;
        lane.stop = lane.begin + lane.own.size();
    }

    void Reset() {
        states_.clear();
        index_.clear();
        moves_.clear();
        outputs_.clear();
        output_index_.clear();
        Intern(typename Chain<Unit>::Key());
    }

    std::uint32_t Intern(const typename Chain<Unit>::Key& key) {
        auto [it, inserted] = index_.try_emplace(key, static_cast<std::uint32_t>(states_.size()));
        if (inserted) {
            states_.push_back(key);
            moves_.resize(states_.size() * kRow, kUnknown);
        }
        return it->second;
    }

    std::uint32_t InternOutput(Text<Unit> written, bool adds_unit) {
        // A class-0 move's text ends with the unit that caused it: kept apart, the step
        // writes the real one.
        if (adds_unit) written.pop_back();
        written.push_back(adds_unit ? Unit{1} : Unit{0});  // part of the key only
        auto [it, inserted] =
            output_index_.try_emplace(written, static_cast<std::uint32_t>(outputs_.size()));
        if (inserted) {
            Output o{};
            std::copy(written.begin(), written.end() - 1, o.units);
            o.length = static_cast<Unit>(written.size() - 1);
            o.advance = static_cast<Unit>(written.size() - 1 + (adds_unit ? 1 : 0));
            outputs_.push_back(o);
        }
        return it->second;
    }

    const Chain<Unit>& chain_;
    std::vector<typename Chain<Unit>::Key> states_;
    std::unordered_map<typename Chain<Unit>::Key, std::uint32_t> index_;
    std::vector<std::uint32_t> moves_;
    std::vector<Output> outputs_;
    std::unordered_map<Text<Unit>, std::uint32_t> output_index_;
};

template <typename Unit>
Text<Unit> Run(std::basic_string_view<Unit> text) {
    // One machine per thread: it is a cache of moves, and nothing of one call is seen in the
    // result of another.
    thread_local Machine<Unit> machine(TheChain<Unit>());
    return machine.Run(text);
}

}  // namespace

std::u16string Transliterate(std::u16string_view text) { return Run<char16_t>(text); }

std::string TransliterateUtf8(std::string_view text) { return Run<char>(text); }

}  // namespace zv

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

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
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
    // Rule texts hold no surrogates, so each code unit is one character.
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// Unsigned index of a unit, for table look-ups.
inline unsigned Index(char16_t u) { return u; }
inline unsigned Index(char u) { return static_cast<unsigned char>(u); }

// The rule table as a chain of transducers over Unit.
template <typename Unit>
class Chain {
  public:
    // Prefix lengths, one per rule; a std::string so that it hashes and compares cheaply.
    using State = std::string;

    Chain() {
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
    }

    std::size_t Size() const { return finds_.size(); }
    std::size_t ClassCount() const { return class_unit_.size(); }
    std::uint8_t ClassOf(Unit u) const { return Index(u) < 256 ? class_of_[Index(u)] : 0; }
    Unit ClassUnit(std::size_t cls) const { return class_unit_[cls]; }

    // Feeds u into transducer `level` of the chain in `state`, appending what leaves the last
    // transducer to out.
    void Push(std::size_t level, Unit u, State& state, Text<Unit>& out) const {
        if (level == finds_.size()) {
            out.push_back(u);
            return;
        }
        const Text<Unit>& find = finds_[level];
        const auto held = static_cast<std::size_t>(state[level]);
        if (find[held] == u) {
            if (held + 1 == find.size()) {
                state[level] = 0;
                for (Unit r : replacements_[level]) Push(level + 1, r, state, out);
            } else {
                state[level] = static_cast<char>(held + 1);
            }
            return;
        }
        if (held == 0) {
            Push(level + 1, u, state, out);
            return;
        }
        // No match where the held prefix starts: its first unit moves on, and the scan
        // resumes one unit further, over the rest of the prefix and then u.
        state[level] = 0;
        Push(level + 1, find[0], state, out);
        for (std::size_t j = 1; j < held; ++j) Push(level, find[j], state, out);
        Push(level, u, state, out);
    }

    // End of text: each transducer in turn lets go of what it holds.
    void Finish(State& state, Text<Unit>& out) const {
        for (std::size_t level = 0; level < finds_.size(); ++level) {
            const auto held = static_cast<std::size_t>(state[level]);
            state[level] = 0;
            for (std::size_t j = 0; j < held; ++j) Push(level + 1, finds_[level][j], state, out);
        }
    }

  private:
    std::vector<Text<Unit>> finds_;
    std::vector<Text<Unit>> replacements_;
    std::array<std::uint8_t, 256> class_of_{};
    std::vector<Unit> class_unit_;
};

template <typename Unit>
const Chain<Unit>& TheChain() {
    static const Chain<Unit> chain;
    return chain;
}

// The lazily built machine: states, their moves, and the text each move writes.
//
// A long text is cut into a few pieces, each right after a class-0 unit (where the machine is
// back at its start), and the pieces are run side by side, one unit of each in turn: the
// look-ups of different pieces do not wait on each other, which hides their latency.
template <typename Unit>
class Machine {
  public:
    explicit Machine(const Chain<Unit>& chain) : chain_(chain), classes_(chain.ClassCount()) {
        Reset({});
    }

    Text<Unit> Run(std::basic_string_view<Unit> text) {
        std::array<Cursor, kPieces> cursors;
        std::array<Text<Unit>, kPieces> outs;
        const std::size_t pieces = Cut(text, cursors);
        for (std::size_t k = 0; k < pieces; ++k) {
            Cursor& c = cursors[k];
            const auto length = static_cast<std::size_t>(c.end - c.src);
            // Typed Latvian grows by about a third (references are longer than pairs).
            outs[k].resize(length + length / 2 + kSlack);
            c.out = &outs[k];
            c.dst = outs[k].data();
            c.limit = outs[k].data() + outs[k].size() - kSlack;
        }
        if (pieces == kPieces) {
            std::size_t steps = cursors[0].end - cursors[0].src;
            for (const Cursor& c : cursors) steps = std::min<std::size_t>(steps, c.end - c.src);
            const std::span<Cursor> all(cursors.data(), pieces);
            for (; steps > 0; --steps) {
                Step(all, 0);
                Step(all, 1);
                Step(all, 2);
                Step(all, 3);
            }
        }
        const std::span<Cursor> all(cursors.data(), pieces);
        for (std::size_t k = 0; k < pieces; ++k) {
            while (cursors[k].src != cursors[k].end) Step(all, k);
        }
        // Only the last piece may end with units held back; the others end after a class-0
        // unit, where nothing is held.
        std::size_t total = 0;
        for (std::size_t k = 0; k < pieces; ++k) {
            outs[k].resize(static_cast<std::size_t>(cursors[k].dst - outs[k].data()));
            total += outs[k].size();
        }
        typename Chain<Unit>::State vector = states_[cursors[pieces - 1].state];
        Text<Unit> tail;
        chain_.Finish(vector, tail);
        Text<Unit> result = std::move(outs[0]);
        result.reserve(total + tail.size());
        for (std::size_t k = 1; k < pieces; ++k) {
            result += outs[k];
            Text<Unit>().swap(outs[k]);
        }
        result += tail;
        return result;
    }

  private:
    // A move is (next state << kOutputBits) | output index.
    static constexpr unsigned kOutputBits = 14;
    static constexpr std::uint32_t kOutputMask = (1u << kOutputBits) - 1;
    static constexpr std::uint32_t kUnknown = UINT32_MAX;
    // Past these sizes the tables are dropped and rebuilt, so that adversarial text cannot
    // make them grow without bound (and indices stay within their bits).
    static constexpr std::size_t kMaxStates = 1 << 16;
    static constexpr std::size_t kMaxOutputs = 1 << kOutputBits;
    static constexpr std::size_t kPieces = 4;
    static constexpr std::size_t kMinPiece = 1024;

    // What one move writes, padded so that Step copies a fixed size. A longer text (rare) is
    // kept in long_outputs_ and its length field says so.
    static constexpr std::size_t kOutputUnits = 32 / sizeof(Unit) - 1;
    static constexpr Unit kLong = static_cast<Unit>(~Unit{});
    struct Output {
        Unit units[kOutputUnits];
        Unit length;
    };
    static constexpr std::size_t kSlack = kOutputUnits + 1;

    struct Cursor {
        const Unit* src = nullptr;
        const Unit* end = nullptr;
        Unit* dst = nullptr;
        Unit* limit = nullptr;
        Text<Unit>* out = nullptr;
        std::uint32_t state = 0;
    };

    // Cuts text into kPieces pieces after class-0 units, or leaves it whole; returns the count.
    std::size_t Cut(std::basic_string_view<Unit> text, std::array<Cursor, kPieces>& cursors) {
        const Unit* begin = text.data();
        const Unit* end = text.data() + text.size();
        std::size_t count = 1;
        cursors[0].src = begin;
        if (text.size() >= kPieces * kMinPiece) {
            const Unit* from = begin;
            for (std::size_t k = 1; k < kPieces; ++k) {
                const Unit* at = std::max(from, begin + k * text.size() / kPieces);
                while (at < end && chain_.ClassOf(at[-1]) != 0) ++at;
                if (at >= end || at - from < static_cast<std::ptrdiff_t>(kMinPiece)) break;
                cursors[count - 1].end = at;
                cursors[count].src = at;
                from = at;
                ++count;
            }
        }
        if (count != kPieces) count = 1;
        cursors[count - 1].end = end;
        return count;
    }

    [[gnu::always_inline]] inline void Step(std::span<Cursor> cursors, std::size_t k) {
        Cursor& c = cursors[k];
        const Unit u = *c.src++;
        const std::uint8_t cls = chain_.ClassOf(u);
        std::uint32_t move = moves_[c.state * classes_ + cls];
        if (move == kUnknown) [[unlikely]]
            move = Discover(cursors, k, cls);
        const Output& written = outputs_[move & kOutputMask];
        if (c.dst > c.limit) [[unlikely]]
            Grow(c, 0);
        if (written.length == kLong) [[unlikely]] {
            const Text<Unit>& text = long_outputs_.at(move & kOutputMask);
            Grow(c, text.size());
            c.dst = std::copy(text.begin(), text.end(), c.dst);
        } else {
            std::memcpy(c.dst, written.units, sizeof written.units);
            c.dst += written.length;
        }
        if (cls == 0) c.dst[-1] = u;  // the placeholder that ends every class-0 move
        c.state = move >> kOutputBits;
    }

    // Drops every state and output, keeping the states the cursors stand in.
    void Reset(std::span<Cursor> cursors) {
        std::vector<typename Chain<Unit>::State> live;
        for (const Cursor& c : cursors) live.push_back(states_[c.state]);
        states_.clear();
        index_.clear();
        moves_.clear();
        outputs_.clear();
        output_index_.clear();
        long_outputs_.clear();
        Intern(typename Chain<Unit>::State(chain_.Size(), '\0'));
        for (std::size_t k = 0; k < cursors.size(); ++k) cursors[k].state = Intern(live[k]);
    }

    std::uint32_t Intern(const typename Chain<Unit>::State& vector) {
        auto [it, inserted] =
            index_.try_emplace(vector, static_cast<std::uint32_t>(states_.size()));
        if (inserted) {
            states_.push_back(vector);
            moves_.resize(states_.size() * classes_, kUnknown);
        }
        return it->second;
    }

    std::uint32_t InternOutput(const Text<Unit>& written) {
        auto [it, inserted] =
            output_index_.try_emplace(written, static_cast<std::uint32_t>(outputs_.size()));
        if (inserted) {
            Output o{};
            if (written.size() <= kOutputUnits) {
                std::copy(written.begin(), written.end(), o.units);
                o.length = static_cast<Unit>(written.size());
            } else {
                o.length = kLong;
                long_outputs_.emplace(it->second, written);
            }
            outputs_.push_back(o);
        }
        return it->second;
    }

    [[gnu::noinline]] std::uint32_t Discover(std::span<Cursor> cursors, std::size_t k,
                                             std::uint8_t cls) {
        // Room for one more state and one more output, so that indices fit their bits.
        if (states_.size() + 1 >= kMaxStates || outputs_.size() + 1 >= kMaxOutputs) {
            Reset(cursors);
        }
        const std::uint32_t state = cursors[k].state;
        typename Chain<Unit>::State vector = states_[state];
        Text<Unit> written;
        // For class 0 any unit of the class will do; Step puts the real one in its place.
        chain_.Push(0, chain_.ClassUnit(cls), vector, written);
        const std::uint32_t next = Intern(vector);
        const std::uint32_t move = (next << kOutputBits) | InternOutput(written);
        moves_[state * classes_ + cls] = move;
        return move;
    }

    // Makes room for need more units (beyond the usual slack) at c.dst.
    [[gnu::noinline]] static void Grow(Cursor& c, std::size_t need) {
        const auto used = static_cast<std::size_t>(c.dst - c.out->data());
        if (c.out->size() >= used + need + 2 * kSlack && c.dst <= c.limit) return;
        c.out->resize(std::max(c.out->size() * 2, used + need + 2 * kSlack));
        c.dst = c.out->data() + used;
        c.limit = c.out->data() + c.out->size() - kSlack;
    }

    const Chain<Unit>& chain_;
    const std::size_t classes_;
    std::vector<typename Chain<Unit>::State> states_;
    std::unordered_map<typename Chain<Unit>::State, std::uint32_t> index_;
    std::vector<std::uint32_t> moves_;
    std::vector<Output> outputs_;
    std::unordered_map<Text<Unit>, std::uint32_t> output_index_;
    std::unordered_map<std::uint32_t, Text<Unit>> long_outputs_;
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

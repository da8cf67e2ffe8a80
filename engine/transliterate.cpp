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
// that change the text write anything (see move_tables.h).
//
// Units that occur in no find text behave all alike: they never match, and after one of them
// every transducer is back at its start. They share one class, whose move ends with the unit
// itself. Every other unit of the find texts is a class of its own.
//
// The same machine runs over UTF-16 code units or over UTF-8 bytes (with the table encoded in
// UTF-8): every find text is made of whole characters, and in valid UTF-8 a byte sequence of
// whole characters can only match at a character boundary, so both give the same text.
//
// The machine's parts, each in a file of its own (the words they use are explained in
// engine/README.md):
//   chain.h        the rule table as a chain of transducers: the exact meaning, unit by unit
//   flat_index.h   the interning index that finds states and outputs by their keys
//   huge_pages.h   the owner of whole 2 MB blocks for the big tables and scratch room
//   move_tables.h  the move tables shared by all threads, and learning the moves they lack
//   lanes.h        the lane runner: a text's run over the tables, in lanes side by side
// This file holds the entry points and the choice of tables for each run.
#include "engine/transliterate.h"

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "engine/chain.h"
#include "engine/lanes.h"

namespace zv {
namespace {

// The chain and the machine last as long as the program: never destroyed, so that a thread
// still converting while the program ends finds them in place.
template <typename Unit>
const Chain<Unit>& TheChain() {
    static const Chain<Unit>& chain = *new Chain<Unit>();
    return chain;
}

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

struct Utf8TransliterationStream::State {
    Chain<char>::State chain{};
};

Utf8TransliterationStream::Utf8TransliterationStream() : state_(std::make_unique<State>()) {}
Utf8TransliterationStream::~Utf8TransliterationStream() = default;

void Utf8TransliterationStream::Convert(std::string_view piece, std::string& out) {
    const Chain<char>& chain = TheChain<char>();
    for (const char byte : piece) chain.Push(0, byte, state_->chain, out);
}

void Utf8TransliterationStream::Finish(std::string& out) {
    TheChain<char>().Finish(state_->chain, out);
}

MachineCounts MachineCountsNow() noexcept {
    return {counts.shared_tables_full.load(std::memory_order_relaxed),
            counts.shared_tables_rebuilt.load(std::memory_order_relaxed),
            counts.rebuilt_in_call.load(std::memory_order_relaxed)};
}

}  // namespace zv
// Transliterate against the plain rule-by-rule reference on 10 MB of typed Latvian text, and
// against the plainest code there is, a loop of std::u16string::find per rule, on the first
// 10 KB, 1 MB and 10 MB of it (BM_FindPerRule, BM_TransliterateSize).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "corpus/corpus.h"
#include "engine/reference/reference.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"

namespace {

// The corpus as the program sees it: UTF-16. Bytes processed are counted in UTF-8, the size
// of the text as a file.
struct Corpus {
    std::size_t utf8_bytes = 0;
    std::string utf8;
    std::u16string text;
};

const Corpus& TheCorpus() {
    static const Corpus corpus = [] {
        const std::string utf8 = zv::TypedLatvianCorpus(10u << 20);
        Corpus c;
        c.utf8_bytes = utf8.size();
        c.utf8 = utf8;
        c.text = zv::ToUtf16(utf8);
        return c;
    }();
    return corpus;
}

void BM_Transliterate(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    for (auto _ : state) benchmark::DoNotOptimize(zv::Transliterate(corpus.text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.utf8_bytes));
}

// The same conversion over the UTF-8 bytes, as zv-convert runs it.
void BM_TransliterateUtf8(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    for (auto _ : state) benchmark::DoNotOptimize(zv::TransliterateUtf8(corpus.utf8));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.utf8_bytes));
}

void BM_Reference(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    for (auto _ : state) benchmark::DoNotOptimize(zv::reference::Transliterate(corpus.text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.utf8_bytes));
}

// Each rule in turn: find its next occurrence, copy what lies before it and the replacement.
std::u16string FindPerRule(std::u16string text) {
    for (const zv::Rule& rule : zv::RuleTable()) {
        std::u16string next;
        next.reserve(text.size());
        std::size_t from = 0;
        for (std::size_t at; (at = text.find(rule.find, from)) != std::u16string::npos;) {
            next.append(text, from, at - from).append(rule.replacement);
            from = at + rule.find.size();
        }
        next.append(text, from);
        text = std::move(next);
    }
    return text;
}

// The first state.range(0) units of the corpus, cut after a line.
std::u16string_view Prefix(std::int64_t units) {
    const std::u16string& text = TheCorpus().text;
    std::size_t end = std::min(text.size(), static_cast<std::size_t>(units));
    while (end > 0 && end < text.size() && text[end - 1] != u'\n') --end;
    return std::u16string_view(text).substr(0, end);
}

void BM_FindPerRule(benchmark::State& state) {
    const std::u16string_view text = Prefix(state.range(0));
    if (FindPerRule(std::u16string(text)) != zv::Transliterate(text)) {
        state.SkipWithError("the find loop disagrees with Transliterate");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(FindPerRule(std::u16string(text)));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_TransliterateSize(benchmark::State& state) {
    const std::u16string_view text = Prefix(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(zv::Transliterate(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

BENCHMARK(BM_FindPerRule)
    ->Unit(benchmark::kMillisecond)
    ->Arg(10 << 10)
    ->Arg(1 << 20)
    ->Arg(10 << 20);
BENCHMARK(BM_TransliterateSize)
    ->Unit(benchmark::kMillisecond)
    ->Arg(10 << 10)
    ->Arg(1 << 20)
    ->Arg(10 << 20);
BENCHMARK(BM_Transliterate)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TransliterateUtf8)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Reference)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();

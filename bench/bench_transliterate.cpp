// Transliterate against the plain rule-by-rule reference on 10 MB of typed Latvian text.
#include <benchmark/benchmark.h>

#include <string>

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

BENCHMARK(BM_Transliterate)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TransliterateUtf8)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Reference)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();

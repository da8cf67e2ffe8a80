// The restoring's times that a user waits for: mapping the lexicon (once per process), and
// restoring 100 KB of text typed without marks with a new Restorer, as the window does:
//   zv-bench-restore FILE [KILOBYTES]
// FILE: UTF-8 text typed without marks; its first KILOBYTES (100) are restored (cut at a line
// end). Prints the times in milliseconds; each is the best of five.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "checker/checker.h"
#include "engine/utf8.h"
#include "lexicon/lexicon.h"
#include "restore/restore.h"

namespace {

template <typename F>
double BestMilliseconds(F&& f) {
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        f();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: zv-bench-restore FILE [KILOBYTES]\n";
        return 64;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const std::size_t want = (argc > 2 ? std::stoul(argv[2]) : 100) * 1000;
    if (text.size() > want) text.resize(text.rfind('\n', want) + 1);
    const std::u16string typed = zv::ToUtf16(text);

    const zv::lexicon::Lexicon* lexicon = zv::lexicon::Lexicon::Get();
    if (!lexicon) {
        std::cerr << "zv-bench-restore: " << zv::lexicon::Lexicon::Error() << '\n';
        return 69;
    }
    const std::string path = ZV_LEXICON_FILE;
    const double load = BestMilliseconds([&] {
        if (!zv::lexicon::Lexicon::Open(path)) std::abort();
    });
    const auto base = zv::checker::Checker::FindDictionary();
    const zv::restore::DictionaryForms dictionary =
        base ? zv::restore::HunspellForms(*base) : zv::restore::DictionaryForms{};
    std::size_t changed = 0, uncertain = 0;
    const double restore = BestMilliseconds([&] {
        zv::restore::Restorer restorer(*lexicon, dictionary);
        const zv::restore::Restored restored = restorer.Restore(typed);
        changed = restored.changed;
        uncertain = restored.uncertain.size();
    });
    std::printf("lexicon mapped and checked (%zu bytes): %.1f ms\n", lexicon->Size(), load);
    std::printf(
        "%zu bytes restored by a new Restorer%s: %.1f ms (%zu words given marks, %zu "
        "uncertain)\n",
        text.size(), dictionary ? " with the dictionary" : "", restore, changed, uncertain);
    return 0;
}

// The restoring's times that a user waits for: mapping the lexicon (once per process), and
// restoring 100 KB of text typed without marks with a new Restorer, as the window does:
//   zv-bench-restore FILE [KILOBYTES]
// FILE: UTF-8 text typed without marks; its first KILOBYTES (100) are restored (cut at a line
// end). Prints the times in milliseconds, wall and processor (on a machine busy with other work
// the processor time is what this code costs); each is the best of five.
#include <time.h>

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

// The best of five runs of f: wall time and this thread's processor time, in milliseconds.
struct Times {
    double wall = 1e300, processor = 1e300;
};

double ThreadMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

template <typename F>
Times Best(F&& f) {
    Times best;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const double cpu = ThreadMilliseconds();
        f();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best.wall = std::min(best.wall, took.count());
        best.processor = std::min(best.processor, ThreadMilliseconds() - cpu);
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
    const Times load = Best([&] {
        if (!zv::lexicon::Lexicon::Open(path)) std::abort();
    });
    const auto base = zv::checker::Checker::FindDictionary();
    const zv::restore::DictionaryForms dictionary =
        base ? zv::restore::HunspellForms(*base) : zv::restore::DictionaryForms{};
    std::size_t changed = 0, uncertain = 0;
    const Times restore = Best([&] {
        zv::restore::Restorer restorer(*lexicon, dictionary);
        const zv::restore::Restored restored = restorer.Restore(typed);
        changed = restored.changed;
        uncertain = restored.uncertain.size();
    });
    std::printf("lexicon mapped and checked (%zu bytes): %.1f ms (%.1f ms processor)\n",
                lexicon->Size(), load.wall, load.processor);
    std::printf(
        "%zu bytes restored by a new Restorer%s: %.1f ms (%.1f ms processor; %zu words "
        "given marks, %zu uncertain)\n",
        text.size(), dictionary ? " with the dictionary" : "", restore.wall, restore.processor,
        changed, uncertain);
    return 0;
}

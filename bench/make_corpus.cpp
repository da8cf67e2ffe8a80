// Writes the benchmark corpus: zv-make-corpus [--lf] [--made-up | --made-up-on-starts] FILE
// [MEGABYTES]
// --lf ends lines with LF alone (as Unix tools expect) instead of CR LF; --made-up writes
// made-up words full of pairs instead of Latvian text, --made-up-on-starts the same words
// each after the beginning of a real word.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

#include "corpus/corpus.h"

int main(int argc, char** argv) {
    bool lf = false, made_up = false, on_starts = false;
    for (; argc > 1 && std::string(argv[1]).starts_with("--"); --argc, ++argv) {
        const std::string option = argv[1];
        if (option == "--lf") {
            lf = true;
        } else if (option == "--made-up" || option == "--made-up-on-starts") {
            made_up = true;
            on_starts = option == "--made-up-on-starts";
        } else {
            argc = 0;
            break;
        }
    }
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr,
                     "usage: zv-make-corpus [--lf] [--made-up | --made-up-on-starts] FILE "
                     "[MEGABYTES, default 10]\n");
        return 64;
    }
    try {
        const long megabytes = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 10;
        if (megabytes <= 0) {
            std::fprintf(stderr, "zv-make-corpus: size must be a positive number of MB\n");
            return 64;
        }
        const std::size_t bytes = static_cast<std::size_t>(megabytes) << 20;
        std::string corpus =
            made_up ? zv::MadeUpWordsCorpus(bytes, on_starts) : zv::TypedLatvianCorpus(bytes);
        if (lf) std::erase(corpus, '\r');
        std::ofstream out(argv[1], std::ios::binary);
        out.write(corpus.data(), static_cast<std::streamsize>(corpus.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "zv-make-corpus: cannot write %s\n", argv[1]);
            return 74;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zv-make-corpus: %s\n", e.what());
        return 1;
    }
    return 0;
}

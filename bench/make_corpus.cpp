// Writes the benchmark corpus: zv-make-corpus FILE [MEGABYTES]
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

#include "corpus.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: zv-make-corpus FILE [MEGABYTES, default 10]\n");
        return 64;
    }
    try {
        const long megabytes = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 10;
        if (megabytes <= 0) {
            std::fprintf(stderr, "zv-make-corpus: size must be a positive number of MB\n");
            return 64;
        }
        const std::string corpus =
            zv::bench::TypedLatvianCorpus(static_cast<std::size_t>(megabytes) << 20);
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

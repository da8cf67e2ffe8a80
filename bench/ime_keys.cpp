// The input method's time per key: 10,000 random keys (letters and pairs, apostrophes,
// hyphens, capitals, blanks, punctuation, digits, BackSpace, Enter) through the typing core, as
// the IBus engine hands them on, each timed from the key to the text to show and commit.
//
//   zv-bench-ime-keys [--dictionary]
//
// With --dictionary each new word is also handed to the suggestions' thread on the installed
// Latvian dictionary (or ZV_DICTIONARY), as the engine does; the key does not wait for it.
// Prints the median, the 99th percentile and the longest; fails when the 99th percentile is
// over 1 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ime/core/checker_dictionary.h"
#include "ime/core/composer.h"
#include "ime/core/keys.h"
#include "ime/core/suggester.h"

namespace {

using zv::ime::Key;

std::vector<Key> RandomKeys(std::size_t count) {
    static const std::string kLetters = "aaeeiiuusshkjnlrtpmdzgvbcoAESKRLNIJZ";
    static const std::string kPunctuation = ".,;:!?\"()";
    std::mt19937 random(25);
    std::uniform_int_distribution<int> percent(0, 99);
    std::vector<Key> keys;
    keys.reserve(count);
    auto pick = [&](const std::string& from) {
        return static_cast<char32_t>(
            from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)]);
    };
    while (keys.size() < count) {
        const int p = percent(random);
        char32_t c = 0;
        if (p < 70) {
            c = pick(kLetters);
        } else if (p < 84) {
            c = U' ';
        } else if (p < 88) {
            c = pick(kPunctuation);
        } else if (p < 91) {
            c = U'0' + static_cast<char32_t>(percent(random) % 10);
        } else if (p < 94) {
            c = percent(random) % 2 ? U'\'' : U'-';
        } else if (p < 98) {
            keys.push_back({zv::ime::keysym::kBackSpace, U'\b', 0});
            continue;
        } else {
            keys.push_back({zv::ime::keysym::kReturn, U'\r', 0});
            continue;
        }
        keys.push_back({c, c, c >= U'A' && c <= U'Z' ? zv::ime::kShift : 0u});
    }
    return keys;
}

}  // namespace

int main(int argc, char** argv) {
    const bool dictionary = argc > 1 && std::strcmp(argv[1], "--dictionary") == 0;
    constexpr std::size_t kKeys = 10000;
    const std::vector<Key> keys = RandomKeys(kKeys);

    std::unique_ptr<zv::ime::Suggester> suggester;
    if (dictionary) {
        suggester = std::make_unique<zv::ime::Suggester>(zv::ime::OpenCheckerDictionary, [] {});
    }
    zv::ime::Composer composer;
    std::uint64_t asked = 0;
    std::size_t committed = 0;
    std::vector<double> micros;
    micros.reserve(kKeys);
    for (const Key& key : keys) {
        const auto start = std::chrono::steady_clock::now();
        const zv::ime::Reply reply = composer.Press(key);
        // What the engine then reads to show and commit.
        committed += reply.commit.size() + composer.Preedit().size() + composer.PreeditLength() +
                     composer.Candidates().size();
        if (suggester && composer.Pending() && composer.Revision() != asked) {
            asked = composer.Revision();
            suggester->Ask(composer.Typed());
            suggester->TakeAnswer();
        }
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::vector<double> sorted = micros;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const double p99 = sorted[sorted.size() * 99 / 100];
    const std::size_t longest =
        static_cast<std::size_t>(std::max_element(micros.begin(), micros.end()) - micros.begin());
    std::printf(
        "%zu keys%s: median %.1f us, 99th percentile %.1f us, longest %.1f us (key %zu; "
        "%zu bytes shown or committed)\n",
        keys.size(), dictionary ? ", dictionary asked" : "", median, p99, sorted.back(),
        longest + 1, committed);
    if (p99 > 1000.0) {
        std::printf("FAIL: the 99th percentile is over 1 ms\n");
        return 1;
    }
    return 0;
}

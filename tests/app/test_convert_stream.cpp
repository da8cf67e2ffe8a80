// The conversion and the check of a text read as they go, against the same done on the whole
// text at once: random texts, read in pieces of random lengths and converted in chunks of random
// sizes, so that every kind of cut falls everywhere: inside characters, between CR and LF, in
// the middle of a pair, of a reference, of a run that has no place to cut.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "checker/checker.h"
#include "convert/check_text.h"
#include "convert/convert_text.h"
#include "convert/restore_text.h"
#include "engine/line_ends.h"
#include "engine/plain_text.h"
#include "engine/references.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"
#include "lexicon/lexicon.h"
#include "restore/restore.h"

namespace {

using zv::cli::ChunkLimits;
using zv::cli::ConvertOptions;

// A text of fewer than most bits picked at random, a byte-order mark before it one time in four.
template <std::size_t N>
std::string TextOfBits(std::mt19937& rng, const char* const (&bits)[N], std::size_t most) {
    std::string text = rng() % 4 == 0 ? "\xEF\xBB\xBF" : "";
    for (std::size_t n = rng() % most; n > 0; --n) text += bits[rng() % N];
    return text;
}

// A text handed out in pieces of random length, checked as UTF-8 as zv-convert checks its
// inputs: a fault is thrown.
class PiecesSource : public zv::cli::TextSource {
  public:
    PiecesSource(std::string_view text, std::mt19937& rng, std::size_t longest)
        : text_(text), rng_(rng), longest_(longest) {}

    bool Read(std::string& out, std::size_t max) override {
        if (at_ == text_.size()) {
            if (const auto fault = utf8_.Finish()) throw *fault;
            ended = true;
            return false;
        }
        const std::size_t n = std::min({max, 1 + rng_() % longest_, text_.size() - at_});
        const std::string_view piece = text_.substr(at_, n);
        if (const auto fault = utf8_.Check(piece)) throw *fault;
        out += piece;
        at_ += n;
        return true;
    }

    bool ended = false;  // the source has said the text ended

  private:
    std::string_view text_;
    std::mt19937& rng_;
    std::size_t longest_;
    std::size_t at_ = 0;
    zv::Utf8StreamCheck utf8_;
};

// Typed text: letters the rules pair and letters they leave, marks, references, line ends of
// every kind, characters of two, three and four bytes, and runs with no place to cut a chunk
// ("aaaa", "A-A-", "'s's") longer than a chunk; with bad, also bytes that are not UTF-8.
std::string RandomText(std::mt19937& rng, bool bad) {
    static const char* const kBits[] = {"a",
                                        "e",
                                        "i",
                                        "u",
                                        "s",
                                        "h",
                                        "z",
                                        "k",
                                        "j",
                                        "n",
                                        "p",
                                        "r",
                                        "A",
                                        "S",
                                        "'",
                                        "-",
                                        " ",
                                        "\r",
                                        "\n",
                                        "\r\n",
                                        "!",
                                        "&",
                                        "#",
                                        ";",
                                        "m",
                                        "l",
                                        "o",
                                        "x",
                                        "\xC3\xA5",
                                        "\xC4\x81",
                                        "2",
                                        "0",
                                        ",",
                                        "\t",
                                        "ee",
                                        "ieeja",
                                        "&#257;",
                                        "&#310;",
                                        "&#382;",
                                        "&auml;",
                                        "\xE2\x80\xA8",
                                        "\xE2\x82\xAC",
                                        "\xF0\x9F\x98\x80"};
    static const char* const kRuns[] = {"a", "A-", "'s", "\xC3\xA5", "\r", "sh", "Ee"};
    static const char* const kBad[] = {"\xC3", "\x80", "\xED\xA0\x80", "\xF0\x9F\x98", "\xFF"};
    std::string text;
    const std::size_t length = rng() % 3000;
    if (rng() % 8 == 0) text += "\xEF\xBB\xBF";
    while (text.size() < length) {
        if (rng() % 40 == 0) {
            const char* run = kRuns[rng() % std::size(kRuns)];
            for (std::size_t n = 20 + rng() % 300; n > 0; --n) text += run;
        } else {
            text += kBits[rng() % std::size(kBits)];
        }
    }
    if (bad) text.insert(rng() % (text.size() + 1), kBad[rng() % std::size(kBad)]);
    return text;
}

// What the conversion of the whole text gives.
std::string Whole(std::string_view text, ConvertOptions options) {
    if (options.text) return zv::PlainText(text);
    std::string scratch;
    const std::string converted =
        zv::TransliterateUtf8(options.exact ? text : zv::WithCrLf(text, scratch));
    return options.letters ? zv::RuleReferencesToLetters(converted) : converted;
}

ChunkLimits RandomLimits(std::mt19937& rng) {
    ChunkLimits limits;
    limits.chunk = 1 + rng() % 48;
    limits.max_chunk = limits.chunk + 4 + rng() % 64;
    limits.read = 1 + rng() % 80;
    limits.hold = rng() % 2 ? 0 : rng() % 4000;
    return limits;
}

struct StreamRow {
    const char* name;
    ConvertOptions options;
    bool bad;  // the texts have bytes that are not UTF-8
};

void PrintTo(const StreamRow& row, std::ostream* out) { *out << row.name; }

class Stream : public testing::TestWithParam<StreamRow> {};

// Read as it comes, from a source or from a whole text in memory, the conversion is that of the
// whole text, handed on only after begin; bad input is found at the offset the whole text's
// check names.
TEST_P(Stream, ConvertsAsTheWholeText) {
    const StreamRow& row = GetParam();
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    for (int round = 0; round < 300; ++round) {
        const std::string text = RandomText(rng, row.bad);
        const ChunkLimits limits = RandomLimits(rng);
        SCOPED_TRACE("round " + std::to_string(round) + ": chunk " + std::to_string(limits.chunk) +
                     ", max " + std::to_string(limits.max_chunk) + ", read " +
                     std::to_string(limits.read) + ", hold " + std::to_string(limits.hold));
        std::string out;
        int begun = 0;
        const auto begin = [&] { ++begun; };
        const auto sink = [&](std::string_view piece) {
            ASSERT_EQ(begun, 1);
            out += piece;
        };
        PiecesSource source(text, rng, 1 + rng() % 100);
        if (row.bad) {
            const auto bad = zv::FirstInvalidUtf8(text);
            ASSERT_TRUE(bad);
            try {
                zv::cli::ConvertStream(source, row.options, begin, sink, limits);
                ADD_FAILURE() << "no fault found";
            } catch (const zv::Utf8StreamCheck::Fault& fault) {
                EXPECT_EQ(fault.offset, *bad);
                EXPECT_EQ(fault.byte, static_cast<unsigned char>(text[*bad]));
            }
            continue;
        }
        const std::string expected = Whole(text, row.options);
        zv::cli::ConvertStream(source, row.options, begin, sink, limits);
        ASSERT_EQ(begun, 1);
        ASSERT_EQ(out, expected);
        out.clear();
        begun = 0;
        zv::cli::ConvertUtf8(text, row.options, begin, sink, limits);
        ASSERT_EQ(begun, 1);
        ASSERT_EQ(out, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Stream,
                         testing::Values(StreamRow{"references", {}, false},
                                         StreamRow{"exact", {.exact = true}, false},
                                         StreamRow{"letters", {.letters = true}, false},
                                         StreamRow{"plain_text", {.text = true}, false},
                                         StreamRow{"bad_utf8", {}, true}),
                         [](const testing::TestParamInfo<StreamRow>& row) {
                             return std::string(row.param.name);
                         });

// The check read a few lines at a time reports the same words at the same lines and columns
// as the check of the whole text: lines of Latvian words that the check flags, line ends of
// every kind cut anywhere, byte-order marks (at the start, none of the first line's
// characters), characters of one and two UTF-16 units.
TEST(StreamCheck, ReportsAsTheWholeText) {
    const std::unique_ptr<zv::checker::Checker> checker = zv::checker::Checker::OpenDefault();
    ASSERT_NE(checker, nullptr) << "no Latvian dictionary (ZV_DICTIONARY)";
    static const char* const kBits[] = {"sheema ",        "laba ",        "diena, ",
                                        "Riga ",          "majas ",       "kreisaas ",
                                        "riikjosla ",     "\r",           "\n",
                                        "\r\n",           "\xE2\x80\xA8", "\xF0\x9F\x98\x80 ",
                                        "<b>sheema</b> ", "\xC4\x81 ",    "x ",
                                        "\xEF\xBB\xBF"};
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    for (int round = 0; round < 100; ++round) {
        const std::string text = TextOfBits(rng, kBits, 400);
        std::string whole, parts;
        PiecesSource all(text, rng, text.size() + 1);
        const std::size_t flagged =
            zv::cli::CheckText(*checker, "t", all, [&](std::string_view lines) { whole += lines; });
        PiecesSource pieces(text, rng, 1 + rng() % 50);
        const zv::cli::CheckLimits limits{.block = 1 + rng() % 64};
        EXPECT_EQ(zv::cli::CheckText(
                      *checker, "t", pieces, [&](std::string_view lines) { parts += lines; },
                      nullptr, limits),
                  flagged);
        ASSERT_EQ(parts, whole) << "round " << round;
    }
}

// Restoring read a few lines at a time gives the text and lists the uncertain choices at the
// lines and columns that restoring the whole text does: restoring looks at one line at a time,
// so blocks of whole lines change nothing, whatever the line ends (CR LF never cut in two,
// U+2028 a line end to both).
TEST(StreamRestore, RestoresAsTheWholeText) {
    const zv::lexicon::Lexicon* lexicon = zv::lexicon::Lexicon::Get();
    ASSERT_NE(lexicon, nullptr) << zv::lexicon::Lexicon::Error();
    zv::restore::Restorer restorer(*lexicon);
    static const char* const kBits[] = {"Es dzivoju Riga, ",
                                        "bet man patik ari Liepaja ",
                                        "ka ",
                                        "majas ",
                                        "tas ",
                                        "gada ",
                                        "Riiga ",
                                        "the house is ",
                                        "\r",
                                        "\n",
                                        "\r\n",
                                        "\xE2\x80\xA8",
                                        "\xF0\x9F\x98\x80 ",
                                        "\xC4\x81 ",
                                        "\xEF\xBB\xBF"};
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    for (int round = 0; round < 100; ++round) {
        const std::string text = TextOfBits(rng, kBits, 200);
        const std::string whole = zv::ToUtf8(restorer.Restore(zv::ToUtf16(text)).text);
        std::string listed_whole, listed_parts, restored;
        PiecesSource all(text, rng, text.size() + 1);
        const std::size_t listed = zv::cli::ListUncertain(
            restorer, "t", all, [&](std::string_view lines) { listed_whole += lines; },
            {.block = text.size() + 1, .max_line = text.size() + 1});
        // Blocks far shorter than the text, never shorter than its longest line.
        const zv::cli::LineLimits limits{.block = 1 + rng() % 64, .max_line = 4096};
        PiecesSource pieces(text, rng, 1 + rng() % 50);
        EXPECT_EQ(zv::cli::ListUncertain(
                      restorer, "t", pieces, [&](std::string_view lines) { listed_parts += lines; },
                      limits),
                  listed);
        ASSERT_EQ(listed_parts, listed_whole) << "round " << round;
        PiecesSource again(text, rng, 1 + rng() % 50);
        zv::cli::RestoringSource source(restorer, again, limits);
        while (source.Read(restored, 1 + rng() % 100)) {
        }
        ASSERT_EQ(restored, whole) << "round " << round;
    }
}

}  // namespace

// What an application receives from the typing core is exactly what zv-convert gives for the
// same characters, for random key sequences of pairs, apostrophes, hyphens, capitals, word
// repairs, character references typed as such, blanks, digits, punctuation and line breaks,
// with keys taken back by BackSpace. The pending word at the end is committed as the framework
// commits it on a focus change: as shown.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <random>
#include <string>
#include <vector>

#include "ime/core/composer.h"
#include "tests/ime/typing.h"
#include "tests/support/temp_dir.h"

namespace {

using zv::ime::Composer;
using zv::ime::testing::Field;
using zv::ime::testing::Type;

// What the keys of a script type without an input method.
std::string Typed(std::string_view script) {
    std::string typed;
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (script[i] != '{') {
            typed += script[i];
            continue;
        }
        const std::size_t close = script.find('}', i);
        const std::string_view name = script.substr(i + 1, close - i - 1);
        if (name == "Enter") typed += '\n';
        if (name == "Tab") typed += '\t';
        // {BS} follows a letter in these scripts, which it takes back.
        if (name == "BS") typed.pop_back();
        i = close;
    }
    return typed;
}

// zv-convert's letters for text, lines ended by LF.
std::string Converted(const std::string& text) {
    const zv::test::TempDir dir;
    const std::string input = dir.Put("typed.txt", text);
    const std::string command = std::string(ZV_CONVERT) + " --text < '" + input + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "(zv-convert did not start)";
    std::string out;
    char buffer[4096];
    while (const std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    const int status = pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "(zv-convert failed)";
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (const char c : text) {
        if (c == '\n') {
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

TEST(TypingProperty, TheFieldHoldsWhatZvConvertGives) {
    static const std::vector<std::string> kPieces = {
        // pairs, capitals, apostrophe forms
        "aa", "Aa", "AA", "ee", "ii", "Ii", "uu", "Uu", "sh", "Sh", "SH", "sH", "ch", "Ch", "zh",
        "kj", "Kj", "gj", "lj", "Lj", "nj", "rj", "'a", "'s", "'S", "'k", "'",
        // hyphen escapes and hyphens, word repairs
        "-", "a-a", "pa-art", "s-h", "ieeja", "ieelpa", "miljons", "karjers", "paaris", "neesaat",
        "need", "piee", "Riiga", "paadiite", "paartika",
        // letters typed as such, and references
        "a", "e", "i", "s", "k", "n", "p", "r", "t", "j", "h", "x", "A", "S", "N", "ā", "å", "Ö",
        "&#257;", "&#x101;", "&#X16B;", "&aring;", "&uuml;", "&", "&#", "#", ";", "&#299",
        // word ends
        " ", " ", " ", "  ", ".", ",", "!", "?", "\"", ":", "(", ")", "/", "_", "0", "1", "2", "5",
        "7", "{Enter}", "{Tab}",
        // a key taken back
        "a{BS}", "h{BS}", "j{BS}", "-{BS}", "'{BS}"};
    std::mt19937 random(20250601);
    std::uniform_int_distribution<std::size_t> piece(0, kPieces.size() - 1);
    std::uniform_int_distribution<int> length(1, 40);

    constexpr int kSequences = 3000;
    std::vector<std::string> scripts;
    std::string typed_all, field_all;
    for (int s = 0; s < kSequences; ++s) {
        std::string script;
        for (int n = length(random); n > 0; --n) script += kPieces[piece(random)];
        Composer composer;
        Field field;
        Type(composer, field, script);
        field.Insert(composer.Flush());
        scripts.push_back(script);
        if (s > 0) {
            typed_all += '\n';
            field_all += '\n';
        }
        typed_all += Typed(script);
        field_all += field.text;
    }

    const std::vector<std::string> expected = Lines(Converted(typed_all));
    const std::vector<std::string> got = Lines(field_all);
    ASSERT_EQ(expected.size(), got.size()) << Converted(typed_all).substr(0, 200);
    // The first sequence whose lines differ.
    std::size_t line = 0;
    for (const std::string& script : scripts) {
        const std::size_t lines = Lines(Typed(script)).size();
        for (std::size_t k = line; k < line + lines; ++k) {
            ASSERT_EQ(got[k], expected[k]) << "typing " << script;
        }
        line += lines;
    }
}

}  // namespace

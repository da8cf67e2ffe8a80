// The UTF-8 module: which byte strings it accepts, where it finds the first fault, and that
// well-formed text decodes to the code points and encodes back to the same bytes.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "engine/utf8.h"

namespace {

using namespace std::string_view_literals;

struct Utf8Row {
    const char* name;
    std::string_view bytes;
    std::optional<std::size_t> invalid_at;  // nothing: well formed
    std::u16string_view text;               // the decoded text of a well-formed row
};

void PrintTo(const Utf8Row& row, std::ostream* os) { *os << row.name; }

constexpr Utf8Row kRows[] = {
    {"empty", "", std::nullopt, u""},
    {"ASCII", "Riiga!\r\n", std::nullopt, u"Riiga!\r\n"},
    {"smallest of two bytes", "\xC2\x80", std::nullopt, u"\u0080"},
    {"Latvian letters", "R\xC4\xABga \xC5\xA0", std::nullopt, u"R\u012Bga \u0160"},
    {"largest of two bytes", "\xDF\xBF", std::nullopt, u"\u07FF"},
    {"smallest of three bytes", "\xE0\xA0\x80", std::nullopt, u"\u0800"},
    {"last before the surrogates", "\xED\x9F\xBF", std::nullopt, u"\uD7FF"},
    {"first after the surrogates", "\xEE\x80\x80", std::nullopt, u"\uE000"},
    {"largest of three bytes", "\xEF\xBF\xBF", std::nullopt, u"\uFFFF"},
    {"smallest of four bytes", "\xF0\x90\x80\x80", std::nullopt, u"\U00010000"},
    {"largest code point", "\xF4\x8F\xBF\xBF", std::nullopt, u"\U0010FFFF"},
    {"NUL", "a\0b"sv, std::nullopt, u"a\0b"sv},
    // Invalid: the offset is that of the faulty sequence's first byte.
    {"stray continuation byte", "abc\x80", 3, u""},
    {"continuation byte first", "\xBF", 0, u""},
    {"overlong two bytes C0", "\xC0\x80", 0, u""},
    {"overlong two bytes C1", "x\xC1\xBF", 1, u""},
    {"overlong three bytes", "\xE0\x9F\xBF", 0, u""},
    {"overlong four bytes", "\xF0\x8F\xBF\xBF", 0, u""},
    {"high surrogate", "ok\xED\xA0\x80", 2, u""},
    {"low surrogate", "\xED\xBF\xBF", 0, u""},
    {"past U+10FFFF", "\xF4\x90\x80\x80", 0, u""},
    {"lead byte F5", "\xF5\x80\x80\x80", 0, u""},
    {"byte FF", "\xFF", 0, u""},
    {"two of three bytes at the end", "ab\xE2\x82", 2, u""},
    {"three of four bytes at the end", "\xC5\xA0\xF0\x9F\x98", 2, u""},
    {"lead byte alone", "\xC5", 0, u""},
    {"cut short by ASCII",
     "\xE2\x82"
     "A",
     0, u""},
    {"third byte not a continuation", "\xF0\x9F\xC5\xA0", 0, u""},
    {"after the largest of each length", "\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF\xC0", 9, u""},
};

class Utf8 : public testing::TestWithParam<Utf8Row> {};

TEST_P(Utf8, FirstFaultAndRoundTrip) {
    const Utf8Row& row = GetParam();
    // The offset is the same after ASCII of every length up to the 32-byte steps and beyond,
    // and with text after the row.
    for (std::size_t pad = 0; pad <= 70; ++pad) {
        const std::string bytes = std::string(pad, 'a') + std::string(row.bytes) + "bbbb";
        std::optional<std::size_t> expected;
        if (row.invalid_at) expected = pad + *row.invalid_at;
        ASSERT_EQ(zv::FirstInvalidUtf8(bytes), expected) << "after " << pad << " ASCII bytes";
    }
    ASSERT_EQ(zv::FirstInvalidUtf8(row.bytes), row.invalid_at);
    if (row.invalid_at) return;
    EXPECT_EQ(zv::ToUtf16(row.bytes), row.text);
    EXPECT_EQ(zv::ToUtf8(row.text), row.bytes);
    // Character by character: each code point encodes back to its own bytes.
    std::string encoded;
    for (std::size_t i = 0; i < row.bytes.size();) {
        const zv::Utf8Character c = zv::DecodeUtf8(row.bytes.substr(i));
        zv::AppendCodePoint(c.code_point, encoded);
        i += c.length;
    }
    EXPECT_EQ(encoded, row.bytes);
}

INSTANTIATE_TEST_SUITE_P(Rows, Utf8, testing::ValuesIn(kRows));

// A UTF-16 surrogate without its partner has no UTF-8 form: it becomes U+FFFD.
TEST(Utf8Encode, LoneSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(zv::ToUtf8(u"a\xD800"
                         u"b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(zv::ToUtf8(u"\xDC00\xD83D"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(zv::ToUtf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
}

}  // namespace

#include <gtest/gtest.h>

#include <string>

#include "engine/line_ends.h"
#include "engine/utf8.h"

namespace {

struct LineRow {
    std::string input, expected;  // UTF-8
};

void PrintTo(const LineRow& row, std::ostream* os) {
    for (const char c : row.input) {
        if (c >= 0x20 && c < 0x7F) {
            *os << c;
        } else {
            *os << "\\x" << std::hex << (static_cast<unsigned>(c) & 0xFF) << std::dec;
        }
    }
}

class LineEnds : public testing::TestWithParam<LineRow> {};

// The rows' line ends are all CR LF: the same text with LF ends.
std::string WithLfOnly(const std::string& crlf) {
    std::string out;
    for (std::size_t i = 0; i < crlf.size(); ++i) {
        if (crlf.compare(i, 2, "\r\n") != 0) out += crlf[i];
    }
    return out;
}

// Each row alone, and inside a longer text at every offset, so that it meets every edge of
// the sixteen-byte blocks the UTF-8 text is read in, the last ones included.
TEST_P(LineEnds, BecomeCrLf) {
    const LineRow& row = GetParam();
    std::string scratch = "left over";
    EXPECT_EQ(zv::WithCrLf(row.input, scratch), row.expected);
    EXPECT_EQ(zv::WithCrLf(zv::ToUtf16(row.input)), zv::ToUtf16(row.expected));
    std::string lf_scratch = "left over";
    EXPECT_EQ(zv::WithLf(row.input, lf_scratch), WithLfOnly(row.expected));
    for (std::size_t before = 0; before <= 40; ++before) {
        for (const std::size_t after : {std::size_t{0}, std::size_t{1}, 40 - before}) {
            const std::string pad_before(before, 'x'), pad_after(after, 'y');
            EXPECT_EQ(zv::WithCrLf(pad_before + row.input + pad_after, scratch),
                      pad_before + row.expected + pad_after)
                << before << " before, " << after << " after";
            EXPECT_EQ(zv::WithLf(pad_before + row.input + pad_after, lf_scratch),
                      pad_before + WithLfOnly(row.expected) + pad_after)
                << before << " before, " << after << " after";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LineEnds,
    testing::Values(LineRow{"", ""}, LineRow{"a\r\nb", "a\r\nb"}, LineRow{"a\nb", "a\r\nb"},
                    LineRow{"a\rb", "a\r\nb"}, LineRow{"\n\r", "\r\n\r\n"},
                    LineRow{"\r\r\n\n", "\r\n\r\n\r\n"},
                    LineRow{"a\xE2\x80\xA8"
                            "b\xE2\x80\xA9",
                            "a\r\nb\r\n"},
                    // Other characters that start with E2, and the other control characters.
                    LineRow{"\xE2\x80\x9C\xE2\x80\xAA\t\v\f", "\xE2\x80\x9C\xE2\x80\xAA\t\v\f"},
                    LineRow{"\r\n\xE2\x80\x9D\n\r\n", "\r\n\xE2\x80\x9D\r\n\r\n"}));

TEST(LineEndLength, CountsCrLfAsOne) {
    EXPECT_EQ(zv::LineEndLength(std::string_view("\r\n"), 0), 2u);
    EXPECT_EQ(zv::LineEndLength(std::string_view("\n\r"), 0), 1u);
    EXPECT_EQ(zv::LineEndLength(std::string_view("a\xE2\x80\xA9"), 1), 3u);
    EXPECT_EQ(zv::LineEndLength(std::string_view("\xE2\x80\x9C"), 0), 0u);
    EXPECT_EQ(zv::LineEndLength(std::u16string_view(u"\u2028\r"), 0), 1u);
    EXPECT_EQ(zv::LineEndLength(std::u16string_view(u"\u2028\r"), 1), 1u);
    EXPECT_EQ(zv::LineEndLength(std::u16string_view(u"x"), 0), 0u);
}

}  // namespace

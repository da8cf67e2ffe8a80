// The references the conversion writes: what a numeric reference may look like, the pairs the
// rule table makes letters of, and which references each kind of reading turns into letters.
#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "engine/plain_text.h"
#include "engine/references.h"

namespace {

struct NumericRow {
    std::u16string_view text;
    std::optional<char32_t> code_point;  // nothing: no numeric reference starts the text
    std::size_t length = 0;
};

void PrintTo(const NumericRow& row, std::ostream* os) {
    for (const char16_t c : row.text) *os << static_cast<char>(c < 128 ? c : '?');
}

NumericRow None(std::u16string_view text) { return {text, std::nullopt, 0}; }

class Numeric : public testing::TestWithParam<NumericRow> {};

TEST_P(Numeric, ReadsTheReferenceTheTextStartsWith) {
    const NumericRow& row = GetParam();
    const auto reference = zv::NumericReferenceAt(row.text);
    ASSERT_EQ(reference.has_value(), row.code_point.has_value());
    if (!reference) return;
    EXPECT_EQ(reference->code_point, *row.code_point);
    EXPECT_EQ(reference->length, row.length);
}

INSTANTIATE_TEST_SUITE_P(
    References, Numeric,
    testing::Values(NumericRow{u"&#257;s", 257, 6}, NumericRow{u"&#x101;", 0x101, 7},
                    NumericRow{u"&#X10a;", 0x10A, 7}, NumericRow{u"&#00000257;", 257, 11},
                    NumericRow{u"&#x10FFFF;", 0x10FFFF, 10}, None(u"&#000000257;"), None(u"&#0;"),
                    None(u"&#xD800;"), None(u"&#x110000;"), None(u"&#+1;"), None(u"&#-1;"),
                    None(u"&# 1;"), None(u"&#x;"), None(u"&#257"), None(u"&#x1g;"),
                    None(u"&#\uFF11;")));

// The pairs come from the rule table: both cases of the first letter, one second letter.
TEST(References, PairsOfTheRuleTable) {
    struct Row {
        char16_t first, second, letter;
    };
    for (const Row row : {Row{u's', u'h', 0x161}, Row{u'S', u'h', 0x160}, Row{u'a', u'a', 0x101},
                          Row{u'A', u'a', 0x100}, Row{u'k', u'j', 0x137}, Row{u'Z', u'h', 0x17D}}) {
        EXPECT_EQ(zv::PairLetter(row.first, row.second), row.letter) << char(row.first);
        EXPECT_EQ(zv::PairSecond(row.first), row.second) << char(row.first);
        EXPECT_EQ(zv::PairFirst(row.letter), row.first) << char(row.first);
    }
    EXPECT_EQ(zv::PairLetter(u'A', u'A'), 0);
    EXPECT_EQ(zv::PairLetter(u's', u's'), 0);
    EXPECT_EQ(zv::PairSecond(u'b'), 0);
    EXPECT_EQ(zv::PairFirst(0xE5), 0);  // å: a named reference, no pair
}

// The check reads every numeric reference; zv-convert --unicode only those the rule table
// writes, as written or in hexadecimal without leading zeros.
TEST(References, TurnedIntoLetters) {
    EXPECT_EQ(zv::ReferencesToLetters(u"R&#299;ga &#x20AC; &#x1F600; &aring; &amp; &#0257;"),
              u"Rīga € \U0001F600 å &amp; ā");
    EXPECT_EQ(zv::RuleReferencesToLetters(
                  "R&#299;ga &#x12b;&#X12B; &#x20AC; &aring; &amp; &#0257; &#x0101; &#257"),
              "Rīga īī &#x20AC; å &amp; &#0257; &#x0101; &#257");
    EXPECT_EQ(zv::HexReference(0x101), u"&#x101;");
    EXPECT_EQ(zv::LongestRuleReference(), 7u);  // "&#x101;", "&aring;"
}

// Plain text: one line for each typed line, ended by LF, in letters. A pair split by a line end
// stays two letters; what was typed as "<Br>" or as a reference other than the table's stays.
TEST(References, PlainText) {
    struct Row {
        std::string_view typed, plain;
    };
    for (const Row row : {
             Row{"", ""},
             Row{"Riiga", "R\u012Bga"},
             Row{"Kjeepis\r\nRiiga\nsh\rx\n\ry\u2028z\u2029\r\r\n",
                 "\u0136\u0113pis\nR\u012Bga\n\u0161\nx\n\ny\nz\n\n\n"},
             Row{"a\na s\r\nh '\rs a\u2028a", "a\na s\nh '\ns a\na"},
             Row{"<Br> &amp; &#257; kreis&#x101;s &auml; \u00E5",
                 "<Br> &amp; \u0101 kreis\u0101s \u00E4 \u00E5"},
         }) {
        EXPECT_EQ(zv::PlainText(row.typed), row.plain) << row.typed;
    }
    // What the Unicode text window holds: each <Br> a line end, letters for the table's
    // references, other references as they are.
    EXPECT_EQ(zv::PlainTextOfConverted("R&#299;ga<Br><Br>&#x161; &amp; &#8364;<Br"),
              "R\u012Bga\n\n\u0161 &amp; &#8364;<Br");
}

}  // namespace

// The typing core key by key: what the word being typed shows, what the application receives,
// which keys pass through; the suggestions' keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ime/core/composer.h"
#include "tests/ime/typing.h"

namespace {

using zv::ime::Candidate;
using zv::ime::Composer;
using zv::ime::testing::Field;
using zv::ime::testing::Type;

struct Row {
    const char* script;
    const char* field;    // what the application holds
    const char* preedit;  // the word being typed, shown converted
    std::vector<std::string> passed = {};
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.script; }

class Typing : public ::testing::TestWithParam<Row> {};

TEST_P(Typing, FieldAndPreedit) {
    const Row& row = GetParam();
    Composer composer;
    Field field;
    Type(composer, field, row.script);
    EXPECT_EQ(field.text, row.field);
    EXPECT_EQ(composer.Preedit(), row.preedit);
    EXPECT_EQ(field.passed, row.passed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Typing,
    ::testing::Values(
        // The word shows converted in place; a word end commits it, then acts as itself.
        Row{"Riig", "", "Rīg"}, Row{"Riiga, ", "Rīga, ", ""}, Row{"Kjeepis{Enter}", "Ķēpis\n", ""},
        Row{"sh\tx", "š\t", "x"}, Row{"vai?", "vai?", ""},
        // BackSpace takes back the last key; with nothing pending it passes through.
        Row{"Riig{BS}", "", "Rī"}, Row{"a{BS}", "", ""}, Row{"Riiga {BS}", "Rīga", ""},
        // Escape commits the keys as typed and goes no further.
        Row{"Riiga{Esc}", "Riiga", ""}, Row{"{Esc}", "", "", {"Esc"}},
        // A key with Ctrl, or Ctrl alone, commits first, then passes; arrows too. Shift alone
        // changes nothing.
        Row{"Riig{C-c}", "Rīg", "", {"C-c"}}, Row{"{C-c}", "", "", {"C-c"}},
        Row{"Riig{Ctrl}", "Rīg", "", {"Ctrl"}}, Row{"Riig{Left}", "Rīg", "", {"Left"}},
        Row{"Riig{Shift}A", "", "RīgA", {"Shift"}},
        // A character reference typed key by key belongs to its word; outside one, digits, '#'
        // and ';' end the word.
        Row{"&#257;", "", "ā"}, Row{"R&#299;ga.", "Rīga.", ""}, Row{"&#x101;s ", "ās ", ""},
        Row{"&aring;", "", "å"}, Row{"a2", "a2", ""}, Row{"a#b;c", "a#b;", "c"},
        Row{"& ", "& ", ""},
        // Capitals, hyphens and apostrophes, a repair, a hyphen or an apostrophe alone.
        Row{"Sh SH", "Š ", "SH"}, Row{"pa-art", "", "paart"},
        Row{"ieeja miljons", "ieeja ", "miljons"}, Row{"'s", "", "š"}, Row{"- ' ", "- ' ", ""},
        Row{"aa-a", "", "ā-a"}));

TEST(Toggle, OffPassesEveryKeyAndCommitsWhatIsPending) {
    Composer composer;
    Field field;
    Type(composer, field, "Riig");
    field.Insert(composer.SetEnabled(false));
    EXPECT_FALSE(composer.Pending());
    Type(composer, field, "aa{BS}{Esc}");
    EXPECT_EQ(field.text, "Rīga");
    EXPECT_EQ(field.passed, std::vector<std::string>{"Esc"});
    EXPECT_EQ(composer.SetEnabled(true), "");
    Type(composer, field, " sh");
    EXPECT_EQ(composer.Preedit(), "š");
}

// The word "sheema" with the suggestions a dictionary gives for it.
class Suggestions : public ::testing::Test {
  protected:
    void SetUp() override {
        Type(composer, field, "sheema");
        composer.Offer(u"sheema", {{"shēma", "s-heema"}, {"shēmā", "s-heemaa"}});
        ASSERT_EQ(composer.Candidates().size(), 2u);
    }
    Composer composer;
    Field field;
};

TEST_F(Suggestions, TabAndArrowsMoveThroughThemAndEnterPicks) {
    Type(composer, field, "{Tab}");
    EXPECT_EQ(composer.Selected(), 0u);
    Type(composer, field, "{Down}");
    EXPECT_EQ(composer.Selected(), 1u);
    Type(composer, field, "{Tab}");
    EXPECT_EQ(composer.Selected(), std::nullopt);
    Type(composer, field, "{Up}{S-Tab}");
    EXPECT_EQ(composer.Selected(), 0u);
    EXPECT_EQ(composer.Preedit(), "šēma");
    Type(composer, field, "{Enter}");
    EXPECT_EQ(field.text, "shēma");
    EXPECT_TRUE(field.passed.empty());
    EXPECT_FALSE(composer.Pending());
}

TEST_F(Suggestions, OrdinaryTypingGoesOnAsIfNoListWereShown) {
    Type(composer, field, "{Tab} ");
    EXPECT_EQ(field.text, "šēma ");
    Type(composer, field, "sheema");
    composer.Offer(u"sheema", {{"shēma", "s-heema"}});
    Type(composer, field, "s");
    EXPECT_TRUE(composer.Candidates().empty());
    Type(composer, field, "{Enter}");
    EXPECT_EQ(field.text, "šēma šēmas\n");
}

TEST_F(Suggestions, AClickPicksAndAStaleVerdictIsNotShown) {
    EXPECT_EQ(composer.Pick(5), "");
    EXPECT_EQ(composer.Pick(1), "shēmā");
    EXPECT_FALSE(composer.Pending());
    Type(composer, field, "sheem");
    composer.Offer(u"sheema", {{"shēma", "s-heema"}});
    EXPECT_TRUE(composer.Candidates().empty());
}

}  // namespace

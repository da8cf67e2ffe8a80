#include <gtest/gtest.h>

#include <stop_token>
#include <string>
#include <vector>

#include "engine/references.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"
#include "restore/restore.h"

namespace zv::restore {
namespace {

const lexicon::Lexicon& TheLexicon() {
    const lexicon::Lexicon* lexicon = lexicon::Lexicon::Get();
    if (!lexicon) {
        ADD_FAILURE() << lexicon::Lexicon::Error();
        std::abort();
    }
    return *lexicon;
}

std::u16string Letters(std::u16string_view typed) {
    return ReferencesToLetters(Transliterate(typed));
}

struct Row {
    const char16_t* typed;
    const char16_t* restored;  // in the conventions
};

class Restores : public testing::TestWithParam<Row> {};

TEST_P(Restores, AsExpected) {
    Restorer restorer(TheLexicon());
    EXPECT_EQ(ToUtf8(restorer.Restore(GetParam().typed).text), ToUtf8(GetParam().restored));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Restores,
    testing::Values(
        Row{u"Es dzivoju un man patik", u"Es dziivoju un man patiik"},
        // Capitals kept, in a word of capitals too ("Ii" is the capital Ī, "II" two letters).
        Row{u"Man Patik, MAN PATIK", u"Man Patiik, MAN PATIiK"},
        // Marks and conventions already typed stay, and so do references and escapes.
        Row{u"Rīga, Riiga, R&#299;ga, s-heema, sheema un patik",
            u"Rīga, Riiga, R&#299;ga, s-heema, sheema un patiik"},
        // Only the words of a Latvian line: English lines, addresses and code stay as typed.
        Row{u"This is the English line, but you can see it.\nman patik\r\nun dzivoju",
            u"This is the English line, but you can see it.\nman patiik\r\nun dziivoju"},
        Row{u"man patik www.patik.lv un patik_ari", u"man patiik www.patik.lv un patik_ari"},
        // A dot after a number or an initial is no sign of code.
        Row{u"notika 1914.gada 28.minute, teica A.Leimanis",
            u"notika 1914.gada 28.minuutee, teica A.Leimanis"},
        // A word chosen as typed whose pair the conventions would read keeps its two letters.
        Row{u"vins bija bataljona komandieris", u"vinjsh bija batal-jona komandieris"},
        // A word that needs a hexadecimal reference, as a word repair would undo the pairs.
        Row{u"kreisas puses", u"kreis&#x101;s puses"},
        // A word known in no form, in small letters, takes the marks known forms have in the
        // same letters; with a capital (most often a name) it stays.
        Row{u"es redzu zilvardosanu, Zilvardosanu", u"es redzu zilvaardoshanu, Zilvardosanu"},
        Row{u"", u""}, Row{u"\r\n\n", u"\r\n\n"}));

// Whatever is restored: each word written converts to the form chosen, the text around the
// words stays byte for byte, and each uncertain choice names its place in both texts.
TEST(Restore, WritesWhatConvertsToTheChoiceAndPlacesTheUncertain) {
    const std::u16string typed =
        u"Ka tu zini, ka tas ir ta? Vinas majas ir tur, kur mes dzivojam, un ari liela pilseta.\n"
        u"Vins sacija: \"Es to daritu ta, ka tu saki.\"\r\nKaimini ieradas pec gada.";
    Restorer restorer(TheLexicon());
    const Restored restored = restorer.Restore(typed);
    EXPECT_GT(restored.changed, 10u);
    ASSERT_FALSE(restored.uncertain.empty());
    const std::u16string letters = Letters(restored.text);
    std::u16string plain;
    for (const char16_t c : letters) {
        const std::u16string_view marked = u"āčēģīķļņŗšūžĀČĒĢĪĶĻŅŖŠŪŽ";
        const std::u16string_view unmarked = u"acegiklnrsuzACEGIKLNRSUZ";
        const std::size_t at = marked.find(c);
        plain += at == std::u16string_view::npos ? c : unmarked[at];
    }
    EXPECT_EQ(ToUtf8(plain), ToUtf8(Letters(typed)));
    for (const Uncertain& u : restored.uncertain) {
        EXPECT_EQ(typed.substr(u.begin, u.length), u.typed);
        EXPECT_EQ(restored.text.substr(u.out_begin, u.out_length), u.chosen.typed);
        EXPECT_EQ(Letters(u.chosen.typed), u.chosen.word);
        for (const Alternative& other : u.others) {
            EXPECT_EQ(Letters(other.typed), other.word);
            EXPECT_NE(other.word, u.chosen.word);
        }
    }
}

// Once stop is requested, the lines after the one being restored are copied as they are.
TEST(Restore, StopsAtALineEnd) {
    std::stop_source stop;
    stop.request_stop();
    Restorer restorer(TheLexicon());
    const Restored restored = restorer.Restore(u"man patik\nun dzivoju\n", stop.get_token());
    EXPECT_EQ(ToUtf8(restored.text), "man patiik\nun dzivoju\n");
}

// A word the lexicon knows in no form takes the dictionary's forms with marks, asked once.
TEST(Restore, TheDictionaryGivesFormsTheLexiconLacks) {
    int asked = 0;
    Restorer restorer(TheLexicon(), [&asked](std::string_view plain) {
        ++asked;
        return plain == "vzzilvardiba" ? std::vector<std::string>{"vzzilvārdība"}
                                       : std::vector<std::string>{};
    });
    EXPECT_EQ(ToUtf8(restorer.Restore(u"Es dzivoju vzzilvardiba, vzzilvardiba").text),
              "Es dziivoju vzzilvaardiiba, vzzilvaardiiba");
    EXPECT_EQ(asked, 1);

    const DictionaryForms forms = HunspellForms(ZV_TEST_DICTIONARY);
    ASSERT_TRUE(forms);
    EXPECT_EQ(forms("neetisks"), std::vector<std::string>{"neētisks"});
    const std::vector<std::string> majas = forms("majas");
    EXPECT_EQ(majas, (std::vector<std::string>{"mājas", "mājās"}));
    EXPECT_FALSE(HunspellForms("/nonexistent/lv_LV"));
}

}  // namespace
}  // namespace zv::restore

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <hunspell.hxx>
#include <string>
#include <vector>

#include "checker/checker.h"
#include "checker/word_starts.h"
#include "engine/utf8.h"

namespace {

using zv::checker::WordStarts;

// A dictionary of three stems: a long one with two suffixes (one followed by a second suffix
// that takes the first one's last letter off), a short one that a suffix cuts shorter, and a
// name; a prefix for the first two.
constexpr const char* kAff =
    "SET UTF-8\n"
    "PFX N Y 1\n"
    "PFX N 0 ne .\n"
    "SFX A Y 2\n"
    "SFX A s a/C s\n"
    "SFX A s iem s\n"
    "SFX C Y 1\n"
    "SFX C a ām a\n"
    "SFX B Y 1\n"
    "SFX B t ju t\n";
constexpr const char* kDic = "3\ngalds/AN\niet/BN\nRīga\n";

class Starts : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zv-starts-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::optional<WordStarts> Read(const std::string& aff, const std::string& dic = kDic,
                                   std::size_t* spent = nullptr) {
        std::ofstream(dir_ / "d.aff") << aff;
        std::ofstream(dir_ / "d.dic") << dic;
        return WordStarts::Read((dir_ / "d.aff").string(), (dir_ / "d.dic").string(), spent);
    }

    std::filesystem::path dir_;
};

TEST_F(Starts, RulesOutWhatNoStemAffixOrCaseGives) {
    const auto starts = Read(kAff);
    ASSERT_TRUE(starts);
    const struct {
        const char* word;
        bool may_be;
    } rows[] = {
        {"galds", true},   {"GALDS", true},  {"galdiem", true}, {"galdām", true}, {"Galdām", true},
        {"negalda", true}, {"iet", true},    {"ieju", true},    {"neieju", true}, {"Rīga", true},
        {"RĪGA", true},    {"galdx", false}, {"gald", false},   {"ie", false},    {"iejumi", false},
        {"rīgas", false},  {"nerx", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(starts->MayBeWord(zv::ToUtf16(row.word)), row.may_be) << row.word;
    }
}

TEST_F(Starts, NoneForWhatItDoesNotModel) {
    EXPECT_FALSE(Read(std::string(kAff) + "COMPOUNDFLAG X\n"));
    EXPECT_FALSE(Read(std::string(kAff) + "IGNORE a\n"));
    EXPECT_FALSE(Read("SET ISO8859-13\n"));
}

// Affixes that combine into more forms than the dictionary has lines: 300 stems, each with
// 100 suffixes that may each be followed by 3,000 others (9 * 10^7 pairs, seconds of work).
// Reading them stops within the work the stems allow, and the model gives up; the Latvian
// dictionary, with far more stems and forms, is read well within its allowance.
TEST_F(Starts, WorkStaysInProportionToTheStems) {
    const std::string letters = "abcdefghijklmnoprstuvz";
    std::string aff = "SET UTF-8\nSFX A Y 100\n";
    for (std::size_t i = 0; i < 100; ++i) {
        aff += std::string("SFX A 0 ") + letters[i % 22] + letters[i / 22] + "/B .\n";
    }
    aff += "SFX B Y 3000\n";
    for (std::size_t i = 0; i < 3000; ++i) {
        aff += std::string("SFX B 0 ") + letters[i % 22] + letters[i / 22 % 22] + letters[i / 484] +
               " .\n";
    }
    std::string dic = "300\n";
    for (std::size_t i = 0; i < 300; ++i)
        dic += std::string{letters[i % 22], letters[i / 22]} + "/A\n";
    std::size_t spent = 0;
    EXPECT_FALSE(Read(aff, dic, &spent));
    // The last step may go past the allowance by the letters of one stem and affix.
    EXPECT_LE(spent, WordStarts::kFreeWork + 300 * WordStarts::kWorkPerStem + 16);

    std::string latvian;
    for (const std::string& folder : zv::checker::Checker::DictionaryFolders()) {
        if (std::filesystem::exists(folder + "/lv_LV.aff")) {
            latvian = folder + "/lv_LV";
            break;
        }
    }
    ASSERT_FALSE(latvian.empty()) << "hunspell-lv is not installed";
    EXPECT_TRUE(WordStarts::Read(latvian + ".aff", latvian + ".dic"));
}

// Against hunspell itself, on a dictionary with prefixes, suffixes that strip letters, suffixes
// with conditions and suffixes followed by another: every word hunspell accepts, in any of its
// letter cases, may be a word; none is ruled out. The candidates are the dictionary's stems, cut
// and extended by every affix text in every combination (a superset of its words), which
// hunspell then judges.
TEST_F(Starts, NoWordHunspellAcceptsIsRuledOut) {
    const std::string aff =
        "SET UTF-8\n"
        "PFX N Y 1\n"
        "PFX N 0 ne .\n"
        "PFX P Y 1\n"
        "PFX P 0 pār .\n"
        "SFX A Y 4\n"
        "SFX A s a/C s\n"
        "SFX A s iem s\n"
        "SFX A s ā s\n"
        "SFX A s u s\n"
        "SFX C Y 1\n"
        "SFX C a ām a\n"
        "SFX B Y 3\n"
        "SFX B t ju [^e]t\n"
        "SFX B et ēju et\n"
        "SFX B 0 s t\n"
        "SFX D Y 2\n"
        "SFX D a as/C a\n"
        "SFX D a ai [^j]a\n";
    const std::string dic = "6\ngalds/AN\niet/BNP\nliet/B\nmāja/DN\nzēns/A\nRīga/D\n";
    const auto starts = Read(aff, dic);
    ASSERT_TRUE(starts);
    Hunspell hunspell((dir_ / "d.aff").c_str(), (dir_ / "d.dic").c_str());

    const std::vector<std::u16string> stems = {u"galds", u"iet",  u"liet",
                                               u"māja",  u"zēns", u"rīga"};
    const std::vector<std::u16string> prefixes = {u"", u"ne", u"pār"};
    const std::vector<std::u16string> suffixes = {u"",   u"a",   u"iem", u"ā",  u"u", u"ām",
                                                  u"ju", u"ēju", u"s",   u"as", u"ai"};
    std::vector<std::u16string> candidates;
    for (const auto& prefix : prefixes) {
        for (const auto& stem : stems) {
            for (std::size_t cut = 0; cut <= 2 && cut < stem.size(); ++cut) {
                for (const auto& first : suffixes) {
                    for (const auto& second : suffixes) {
                        std::u16string word = prefix + stem.substr(0, stem.size() - cut) + first;
                        if (!second.empty()) word = word.substr(0, word.size() - 1) + second;
                        candidates.push_back(word);
                    }
                }
            }
        }
    }
    auto upper = [](std::u16string word) {
        for (char16_t& c : word) {
            if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
            if (c == u'ā' || c == u'ē' || c == u'ī') c = static_cast<char16_t>(c - 1);
        }
        return word;
    };
    std::size_t accepted = 0, ruled_out = 0;
    for (const auto& word : candidates) {
        std::u16string capitalised = upper(word.substr(0, 1));
        capitalised.append(word, 1);
        for (const std::u16string& form : {word, capitalised, upper(word)}) {
            const std::string utf8 = zv::ToUtf8(form);
            if (!hunspell.spell(utf8)) {
                ruled_out += starts->MayBeWord(form) ? 0 : 1;
                continue;
            }
            ++accepted;
            EXPECT_TRUE(starts->MayBeWord(form)) << utf8 << ", which hunspell accepts";
        }
    }
    // Hundreds of the candidates are words (673 as written), and the model rules out more
    // strings than that: it is no "everything may be a word".
    EXPECT_GE(accepted, 500u);
    EXPECT_GT(ruled_out, accepted);
}

}  // namespace

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

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

}  // namespace

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "lexicon/lexicon.h"

namespace zv::lexicon {
namespace {

const Lexicon& TheLexicon() {
    const Lexicon* lexicon = Lexicon::Get();
    if (!lexicon) ADD_FAILURE() << Lexicon::Error();
    static const auto none = Lexicon::Open("/nonexistent");
    return lexicon ? *lexicon : *none;
}

std::vector<std::string> FormsOf(std::string_view plain) {
    std::vector<std::string> forms;
    for (const Form& f : TheLexicon().FormsOf(plain)) forms.push_back(f.form);
    return forms;
}

TEST(Lexicon, IndexGivesTheMarkedFormsMostFrequentFirst) {
    ASSERT_NE(Lexicon::Get(), nullptr) << Lexicon::Error();
    const auto majas = TheLexicon().FormsOf("majas");
    ASSERT_GE(majas.size(), 2u);
    // The two common forms first, in the order of their counts (which is the data's).
    EXPECT_EQ((std::set<std::string>{majas[0].form, majas[1].form}),
              (std::set<std::string>{"mājas", "mājās"}));
    for (std::size_t i = 1; i < majas.size(); ++i) EXPECT_GE(majas[i - 1].count, majas[i].count);
    const auto ka = FormsOf("ka");
    EXPECT_NE(std::find(ka.begin(), ka.end(), "ka"), ka.end());
    EXPECT_NE(std::find(ka.begin(), ka.end(), "kā"), ka.end());
    // A mark already typed stays: only the other letters may gain one.
    for (const std::string& form : FormsOf("mājas")) EXPECT_TRUE(form.starts_with("mā")) << form;
    EXPECT_TRUE(FormsOf("qqxz").empty());
    EXPECT_TRUE(FormsOf("Majas").empty());  // capitals are no form
}

TEST(Lexicon, CountsAndPairs) {
    const Lexicon& lexicon = TheLexicon();
    EXPECT_GT(lexicon.Count("un"), lexicon.Count("mājās"));
    EXPECT_GT(lexicon.Count("mājās"), 0u);
    EXPECT_EQ(lexicon.Count("majas"), lexicon.Count(lexicon.Id("majas")));
    const FormId no = lexicon.Id("no"), tas = lexicon.Id("tā");
    ASSERT_NE(no, kNoForm);
    EXPECT_GT(lexicon.FollowerTotal(kLineStart), 0u);
    EXPECT_GE(lexicon.FollowerTotal(no), lexicon.PairCount(no, tas));
    EXPECT_GT(lexicon.EndingFollowerTotal(lexicon.Ending("lielā")), 0u);
    EXPECT_EQ(lexicon.Ending("mājās"), lexicon.Ending("tājās"));
    // Around the letters of a word it does not know: "-šanas" has its "š" (the first "s"),
    // never a mark on the last; "b" takes none.
    const auto s = lexicon.MarksAround("zilvardosanas", 8),
               last = lexicon.MarksAround("zilvardosanas", 12);
    EXPECT_GT(s.marked, 10 * s.plain);
    EXPECT_GT(last.plain, 10 * last.marked);
    EXPECT_EQ(lexicon.MarksAround("darbs", 3).marked + lexicon.MarksAround("darbs", 3).plain, 0u);
}

// Every form of the tables is known, and a form one letter longer or shorter mostly is not.
TEST(Lexicon, KnowsExactlyTheFormsOfItsTables) {
    const Lexicon& lexicon = TheLexicon();
    std::size_t forms = 0, extended = 0;
    for (const char* table : {"lv_dictionary_forms.txt", "lv_forms.tsv"}) {
        std::ifstream in(std::string(ZV_LEXICON_TABLES_DIR) + "/" + table);
        ASSERT_TRUE(in) << table;
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            const std::string form = line.substr(0, line.find('\t'));
            ++forms;
            ASSERT_TRUE(lexicon.Knows(form)) << form;
            extended += lexicon.Knows(form + "qj") ? 1 : 0;
        }
    }
    EXPECT_GT(forms, 1'000'000u);
    EXPECT_EQ(extended, 0u);
    EXPECT_TRUE(lexicon.InDictionary("mājās"));
    EXPECT_TRUE(lexicon.Knows("the"));  // English, from the subtitles' counts
    EXPECT_FALSE(lexicon.InDictionary("the"));
    EXPECT_FALSE(lexicon.Knows(""));
    EXPECT_FALSE(lexicon.Knows("mmājas"));
}

class Unfit : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("zv-lexicon-test-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
        std::ifstream in(ZV_LEXICON_FILE, std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(in), {});
        ASSERT_GT(bytes_.size(), 1000u);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string Write(const std::string& bytes, const std::string& name = "lv.zvlex") {
        const auto path = folder_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        std::filesystem::permissions(
            path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        return path.string();
    }
    std::filesystem::path folder_;
    std::string bytes_;
};

TEST_F(Unfit, AGoodCopyOpens) {
    std::string error;
    const auto lexicon = Lexicon::Open(Write(bytes_), &error);
    ASSERT_NE(lexicon, nullptr) << error;
    EXPECT_EQ(lexicon->Count("un"), TheLexicon().Count("un"));
}

TEST_F(Unfit, DamagedFilesAreRefused) {
    std::string flipped = bytes_;
    flipped[flipped.size() / 2] ^= 0x20;
    std::string version = bytes_;
    version[8] ^= 1;
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"a byte changed", flipped},
        {"cut short", bytes_.substr(0, bytes_.size() - 8)},
        {"another version", version},
        {"not a lexicon", std::string(4096, 'x')},
        {"empty", ""},
    };
    for (const auto& [what, bytes] : rows) {
        std::string error;
        EXPECT_EQ(Lexicon::Open(Write(bytes), &error), nullptr) << what;
        EXPECT_FALSE(error.empty()) << what;
    }
}

TEST_F(Unfit, FilesOthersMayChangeAreRefused) {
    const std::string path = Write(bytes_);
    chmod(path.c_str(), 0664);
    std::string error;
    EXPECT_EQ(Lexicon::Open(path, &error), nullptr);
    chmod(path.c_str(), 0644);
    chmod(folder_.c_str(), 0777);
    EXPECT_EQ(Lexicon::Open(path, &error), nullptr);
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    chmod(folder_.c_str(), 01777);  // sticky, as /tmp: what is ours there stays ours
    EXPECT_NE(Lexicon::Open(path, &error), nullptr) << error;
}

}  // namespace
}  // namespace zv::lexicon

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stop_token>
#include <string>
#include <vector>

#include "checker/checker.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"

namespace {

using zv::checker::Checker;

// The Latvian dictionary (the one ZV_DICTIONARY names, else the installed one), opened once;
// null when there is none.
const Checker* Dictionary() {
    static const std::unique_ptr<Checker> checker = Checker::OpenDefault();
    return checker.get();
}

// A test that needs the dictionary fails without one rather than pass unchecked.
#define NEED_DICTIONARY() \
    ASSERT_NE(Dictionary(), nullptr) << "no Latvian dictionary (hunspell-lv, or ZV_DICTIONARY)"

// What the conversion gives for typed, with every numeric reference read as its letter
// (written here apart from the library, which does the same for its own check).
std::u16string ConvertedLetters(std::u16string_view typed) {
    const std::u16string converted = zv::Transliterate(typed);
    std::u16string out;
    for (std::size_t i = 0; i < converted.size(); ++i) {
        if (converted.compare(i, 2, u"&#") == 0) {
            const bool hex = i + 2 < converted.size() && converted[i + 2] == u'x';
            const std::size_t semicolon = converted.find(u';', i);
            const std::string digits =
                zv::ToUtf8(converted.substr(i + (hex ? 3 : 2), semicolon - i - (hex ? 3 : 2)));
            out += static_cast<char16_t>(std::stoul(digits, nullptr, hex ? 16 : 10));
            i = semicolon;
        } else {
            out += converted[i];
        }
    }
    return out;
}

struct WordRow {
    const char16_t* typed;
    const char16_t* converted;  // null: not flagged
    const char16_t* word;       // the first suggestion
    const char16_t* form;       // what to type for it
};

void PrintTo(const WordRow& row, std::ostream* out) { *out << zv::ToUtf8(row.typed); }

// The row's number and the ASCII letters of its typed word: "3_kreisaas".
std::string RowName(const testing::TestParamInfo<WordRow>& info) {
    std::string name = std::to_string(info.index) + "_";
    for (const char16_t* c = info.param.typed; *c; ++c) {
        if ((*c >= u'a' && *c <= u'z') || (*c >= u'A' && *c <= u'Z')) name += static_cast<char>(*c);
    }
    return name;
}

class CheckWord : public testing::TestWithParam<WordRow> {};

TEST_P(CheckWord, FlagsAndSuggestsFormsThatConvertRight) {
    NEED_DICTIONARY();
    const WordRow& row = GetParam();
    const auto verdict = Dictionary()->CheckWord(row.typed);
    if (!row.converted) {
        EXPECT_FALSE(verdict) << zv::ToUtf8(verdict->suggestions.front().word);
        return;
    }
    ASSERT_TRUE(verdict);
    EXPECT_EQ(zv::ToUtf8(verdict->converted), zv::ToUtf8(row.converted));
    ASSERT_FALSE(verdict->suggestions.empty());
    EXPECT_LE(verdict->suggestions.size(), 5u);
    EXPECT_EQ(zv::ToUtf8(verdict->suggestions.front().word), zv::ToUtf8(row.word));
    EXPECT_EQ(zv::ToUtf8(verdict->suggestions.front().typed), zv::ToUtf8(row.form));
    for (const auto& suggestion : verdict->suggestions) {
        EXPECT_EQ(zv::ToUtf8(ConvertedLetters(suggestion.typed)), zv::ToUtf8(suggestion.word))
            << "typed form " << zv::ToUtf8(suggestion.typed);
    }
}

INSTANTIATE_TEST_SUITE_P(Words, CheckWord,
                         testing::Values(
                             // A pair meant as two letters, a hyphen keeps them so.
                             WordRow{u"sheema", u"šēma", u"shēma", u"s-heema"},
                             WordRow{u"riikjosla", u"rīķosla", u"rīkjosla", u"riik-josla"},
                             // A word repair undoes the letter, and would undo "&#257;" too: only
                             // the hexadecimal reference gives it.
                             WordRow{u"kreisaas", u"kreisaas", u"kreisās", u"kreis&#x101;s"},
                             WordRow{u"kreis&#257;s", u"kreisaas", u"kreisās", u"kreis&#x101;s"},
                             WordRow{u"izveelnees", u"izvēlnees", u"izvēlnēs", u"izveeln&#x113;s"},
                             // The long vowel second of three.
                             WordRow{u"neeetisks", u"nēetisks", u"neētisks", u"ne&#x113;tisks"},
                             // Capitalised, and all capitals typed either way.
                             WordRow{u"Sheema", u"Šēma", u"Shēma", u"S-heema"},
                             WordRow{u"SHEEMA", u"SHEEMA", u"SHĒMA", u"SHEeMA"},
                             WordRow{u"ShEeMA", u"ŠĒMA", u"SHĒMA", u"SHEeMA"},
                             // A convention left out: the fewest marks added first.
                             WordRow{u"Riga", u"Riga", u"Rīga", u"Riiga"},
                             WordRow{u"majas", u"majas", u"mājas", u"maajas"},
                             // Converted right, and words the dictionary cannot decide: left alone.
                             WordRow{u"Riiga", nullptr, nullptr, nullptr},
                             WordRow{u"s-heema", nullptr, nullptr, nullptr},
                             WordRow{u"kreis&#x101;s", nullptr, nullptr, nullptr},
                             WordRow{u"xshqq", nullptr, nullptr, nullptr},
                             // Marks are not added to words in capitals.
                             WordRow{u"RIGA", nullptr, nullptr, nullptr},
                             // Running text has it as typed more often than with the mark the
                             // dictionary takes: a word of its own (a loanword).
                             WordRow{u"cukini", nullptr, nullptr, nullptr}),
                         RowName);

TEST(Check, FindsWordsOutsideTagsAndReferencesInUtf16Units) {
    NEED_DICTIONARY();
    const std::u16string text =
        u"<p title=\"sheema\">\U0001F600 ā sheema</p> &sheema; riikjosla-sheema";
    const auto findings = Dictionary()->Check(text);
    ASSERT_EQ(findings.size(), 3u);
    const std::size_t first = text.find(u"sheema<");
    const std::size_t second = text.find(u"riikjosla");
    const std::size_t third = text.rfind(u"sheema");
    EXPECT_EQ(findings[0].begin, first);
    EXPECT_EQ(findings[0].end, first + 6);
    EXPECT_EQ(findings[1].begin, second);
    EXPECT_EQ(findings[1].end, second + 9);
    EXPECT_EQ(findings[2].begin, third);
    EXPECT_EQ(zv::ToUtf8(findings[2].converted), "šēma");

    std::stop_source stop;
    stop.request_stop();
    EXPECT_TRUE(Dictionary()->Check(text, stop.get_token()).empty());
}

TEST(Check, MarksLeftOutOnlyOnLinesOfMostlyLatvianWords) {
    NEED_DICTIONARY();
    const struct {
        const char16_t* text;
        std::vector<std::u16string> flagged;
    } rows[] = {
        {u"laba diena, Riga\n", {u"Riga"}},
        {u"Riga qxzt wvpk\n", {}},
        {u"laba diena RIGA\n", {}},
        {u"laba diena www.riga.lv\n", {}},
        {u"laba diena, riga_lv\n", {}},
        // A '<' whose '>' comes only lines later starts no tag.
        {u"a <? b\nlaba diena, Riga\nc > d\n", {u"Riga"}},
    };
    for (const auto& row : rows) {
        const std::u16string_view text = row.text;
        std::vector<std::u16string> flagged;
        for (const auto& finding : Dictionary()->Check(text)) {
            flagged.emplace_back(text.substr(finding.begin, finding.end - finding.begin));
        }
        EXPECT_EQ(flagged, row.flagged) << zv::ToUtf8(text);
    }
}

// The work budget: made-up words full of pairs that begin as a word of the dictionary does (so
// that the word starts rule none of their readings out) cost more lookups than one check may
// spend. The words left over are counted, and the next check goes on with them. Words of the
// lexicon typed with a mark left out and a pair, after such a text, are checked all the same
// and add none to those left over: the lexicon finds their marks without a lookup, and the
// search of their pairs (each begins as "darba" does, so its other reading needs a lookup)
// takes nothing from the spent budget.
TEST(Check, WorkBudgetLeavesMadeUpWordsToLaterChecksButNoWordOfTheLexicon) {
    NEED_DICTIONARY();
    std::u16string made_up;
    const std::u16string_view pairs[] = {u"aa", u"ee", u"ii", u"sh", u"ch", u"zh", u"kj", u"nj"};
    std::uint32_t seed = 26;
    for (int word = 0; word < 6000; ++word) {
        made_up += u"diena";
        for (int pair = 0; pair < 6; ++pair) {
            seed = seed * 1103515245u + 12345u;
            made_up += pairs[(seed >> 16) % std::size(pairs)];
        }
        made_up += word % 10 == 9 ? u'\n' : u' ';
    }
    const std::vector<std::string> endings = {"s", "u", "i", "o", "ai", "ie", "os", "iem"};
    std::u16string text = made_up + u"un ir ar kas";
    for (const std::string& ending : endings) text += u" darbaspeejig" + zv::ToUtf16(ending);
    text += u'\n';

    std::size_t made_up_left = 0, unchecked = 0;
    Checker::OpenDefault()->Check(made_up, {}, &made_up_left);  // each remembers no verdict yet
    const auto checker = Checker::OpenDefault();
    const auto findings = checker->Check(text, {}, &unchecked);
    EXPECT_GT(made_up_left, 0u);
    EXPECT_EQ(unchecked, made_up_left);
    ASSERT_GE(findings.size(), endings.size());
    for (std::size_t k = 0; k < endings.size(); ++k) {
        const auto& finding = findings[findings.size() - endings.size() + k];
        EXPECT_EQ(zv::ToUtf8(text.substr(finding.begin, finding.end - finding.begin)),
                  "darbaspeejig" + endings[k]);
        ASSERT_FALSE(finding.suggestions.empty());
        EXPECT_EQ(zv::ToUtf8(finding.suggestions[0].word), "darbaspējīg" + endings[k]);
    }

    std::size_t left = 0;
    checker->Check(text, {}, &left);
    EXPECT_LT(left, unchecked);
}

// zv-convert --check run through the shell, standard input from a file.
struct Outcome {
    int exit = -1;
    std::string out, err;
};

class CheckCommand : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zv-check-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Put(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }
    static std::string Get(const std::filesystem::path& path) {
        std::ostringstream s;
        s << std::ifstream(path, std::ios::binary).rdbuf();
        return s.str();
    }
    Outcome Convert(const std::string& env, const std::string& args, const std::string& input) {
        const std::string command = env + " " + ZV_CONVERT + " --check " + args + " < '" +
                                    Put("stdin", input) + "' > '" + (dir_ / "out").string() +
                                    "' 2> '" + (dir_ / "err").string() + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Get(dir_ / "out"), Get(dir_ / "err")};
    }

    std::filesystem::path dir_;
};

TEST_F(CheckCommand, OneLineAWordCountedInCharacters) {
    NEED_DICTIONARY();
    const std::string file = Put("typed.txt", "ģēķ sheema\r\n\r\nRiiga, riikjosla!\n");
    const Outcome run = Convert("", "'" + file + "' -", "Riiga\nx kreisaas\nlaba diena, majas\n");
    EXPECT_EQ(run.exit, 1) << run.err;
    // riikjosla is also rīkjoslā typed with a convention left out.
    EXPECT_EQ(run.out, file + ":1:5: sheema -> šēma: did you mean shēma (type s-heema)\n" + file +
                           ":3:8: riikjosla -> rīķosla: did you mean rīkjosla (type riik-josla), "
                           "rīkjoslā (type riik-joslaa)\n"
                           "<stdin>:2:3: kreisaas -> kreisaas: did you mean kreisās "
                           "(type kreis&#x101;s)\n"
                           "<stdin>:3:13: majas -> majas: did you mean mājas (type maajas), "
                           "mājās (type maajaas)\n");
    EXPECT_EQ(run.err, "");

    const Outcome clean = Convert("", "", "Laba diena, Riiga!\n");
    EXPECT_EQ(clean.exit, 0) << clean.err;
    EXPECT_EQ(clean.out, "");

    // A byte-order mark hides no word: at the start it takes no column, within the text it is
    // a character between words.
    const Outcome marked = Convert("", "", "\xEF\xBB\xBFsheema laba \xEF\xBB\xBFsheema\n");
    EXPECT_EQ(marked.exit, 1) << marked.err;
    const std::string shema = ": sheema -> šēma: did you mean shēma (type s-heema)";
    EXPECT_EQ(marked.out.rfind("<stdin>:1:1" + shema, 0), 0u) << marked.out;
    EXPECT_NE(marked.out.find("\n<stdin>:1:14" + shema), std::string::npos) << marked.out;
}

// A dictionary that rejects common Latvian words would flag nothing and pass any text: the
// check refuses it, naming it and the first such word, and the library gives no checker (so
// the window no marks).
TEST_F(CheckCommand, DictionaryThatKnowsNoLatvianIsNoDictionary) {
    const struct {
        const char* name;
        std::string aff, dic;
        const char* rejected;
    } rows[] = {
        {"empty", "", "", "un"},
        {"cut short", "SET UTF-8\n", "16\nar\ndiena\n", "un"},
        {"the five commonest words only", "SET UTF-8\n", "5\nun\nir\nar\nkas\nRīga\n", "bet"},
        {"another language", "SET UTF-8\n", "3\nand\nis\nwith\n", "un"}};
    for (const auto& row : rows) {
        Put("bad.aff", row.aff);
        Put("bad.dic", row.dic);
        const std::string base = (dir_ / "bad").string();
        const Outcome run = Convert("ZV_DICTIONARY=" + base, "", "sheema\n");
        EXPECT_EQ(run.exit, 69) << row.name;
        EXPECT_EQ(run.out, "") << row.name;
        EXPECT_EQ(run.err, "zv-convert: " + base +
                               ": not a usable Latvian dictionary: it rejects \"" + row.rejected +
                               "\", a common Latvian word\n")
            << row.name;
        Checker::Unusable why = Checker::Unusable::Missing;
        EXPECT_EQ(Checker::Open(base, &why), nullptr) << row.name;
        EXPECT_EQ(why, Checker::Unusable::NotLatvian) << row.name;
    }
}

// The installed Latvian dictionary cut short: an .aff file that lost its suffixes accepts the
// stems but none of their other forms, a .dic file cut short none of the stems late in the
// alphabet. Either is refused. {aff bytes, .dic lines} kept, 0: all.
TEST_F(CheckCommand, InstalledDictionaryCutShortIsNoDictionary) {
    std::filesystem::path installed;
    for (const std::string& folder : Checker::DictionaryFolders()) {
        if (std::filesystem::exists(folder + "/lv_LV.aff")) {
            installed = folder + "/lv_LV";
            break;
        }
    }
    ASSERT_FALSE(installed.empty()) << "hunspell-lv is not installed";
    const std::string aff = Get(installed.string() + ".aff"),
                      dic = Get(installed.string() + ".dic");
    ASSERT_NE(Checker::Open(installed.string()), nullptr);
    const struct {
        std::size_t aff_bytes, dic_lines;
    } rows[] = {{3000, 0}, {aff.size() / 2, 0}, {0, 1000}, {0, 30000}};
    for (const auto& row : rows) {
        std::string cut_dic = dic;
        if (row.dic_lines > 0) {
            std::size_t end = 0;
            for (std::size_t line = 0; line < row.dic_lines; ++line) end = dic.find('\n', end) + 1;
            cut_dic.resize(end);
        }
        Put("cut.aff", row.aff_bytes > 0 ? aff.substr(0, row.aff_bytes) : aff);
        Put("cut.dic", cut_dic);
        Checker::Unusable why = Checker::Unusable::Missing;
        EXPECT_EQ(Checker::Open((dir_ / "cut").string(), &why), nullptr)
            << row.aff_bytes << " " << row.dic_lines;
        EXPECT_EQ(why, Checker::Unusable::NotLatvian) << row.aff_bytes << " " << row.dic_lines;
    }
}

// -o naming one of the inputs, however spelled, would replace the text with its report:
// refused before anything is read or written. {a}: the input file, {b}: a hard link to it,
// {stdin}: the file standard input reads.
struct SameFileRow {
    const char* name;
    const char* args;
};

void PrintTo(const SameFileRow& row, std::ostream* out) { *out << row.name; }

class CheckIntoItsInput : public CheckCommand, public testing::WithParamInterface<SameFileRow> {};

TEST_P(CheckIntoItsInput, IsRefused) {
    const std::string a = Put("a.txt", "sheema\n"), b = (dir_ / "b.txt").string();
    ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
    std::string args = GetParam().args;
    for (const auto& [name, path] :
         {std::pair{"{stdin}", (dir_ / "stdin").string()}, {"{a}", a}, {"{b}", b}}) {
        for (std::size_t at; (at = args.find(name)) != std::string::npos;) {
            args.replace(at, std::strlen(name), path);
        }
    }
    const Outcome run = Convert("", args, "sheema\n");
    EXPECT_EQ(run.exit, 64) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("zv-convert: -o ", 0), 0u) << run.err;
    EXPECT_EQ(Get(a), "sheema\n");
    EXPECT_EQ(Get(dir_ / "stdin"), "sheema\n");
}

INSTANTIATE_TEST_SUITE_P(Rows, CheckIntoItsInput,
                         testing::Values(SameFileRow{"same_name", "-o {a} {a}"},
                                         SameFileRow{"hard_link", "-o {b} {a}"},
                                         SameFileRow{"among_others", "-o {b} - {a}"},
                                         SameFileRow{"standard_input", "-o {stdin}"}),
                         [](const testing::TestParamInfo<SameFileRow>& row) {
                             return std::string(row.param.name);
                         });

// Lines end where the conversion's lines end: at LF, CR LF, a lone CR and U+2028.
TEST_F(CheckCommand, LinesEndAtEveryLineEnd) {
    NEED_DICTIONARY();
    const Outcome run = Convert("", "", "x\rsheema\n\r\r\nsheema\xE2\x80\xA8 sheema");
    EXPECT_EQ(run.exit, 1) << run.err;
    const std::string rest = ": sheema -> šēma: did you mean shēma (type s-heema)\n";
    EXPECT_EQ(run.out, "<stdin>:2:1" + rest + "<stdin>:5:1" + rest + "<stdin>:6:2" + rest);
}

// The message names where the dictionary was looked for.
TEST_F(CheckCommand, NoDictionary) {
    const std::string base = (dir_ / "nowhere/lv_LV").string();
    const Outcome run = Convert("ZV_DICTIONARY=" + base, "", "sheema\n");
    EXPECT_EQ(run.exit, 69);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "zv-convert: no Latvian dictionary found at " + base + ".aff and " + base +
                           ".dic (install hunspell-lv or set ZV_DICTIONARY)\n");
}

}  // namespace

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/reference/reference.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"

namespace {

struct Case {
    std::u16string input;
    std::u16string expected;
};

// Printable form for failure messages: ASCII as is, everything else as \uXXXX.
std::string Show(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out;
}

// How a row is shown in test names and messages.
void PrintTo(const Case& c, std::ostream* os) {
    *os << Show(c.input) << " -> " << Show(c.expected);
}

class TransliterateCase : public testing::TestWithParam<Case> {};

TEST_P(TransliterateCase, MatchesExpected) {
    const Case& c = GetParam();
    EXPECT_EQ(Show(zv::Transliterate(c.input)), Show(c.expected)) << "input: " << Show(c.input);
    EXPECT_EQ(Show(zv::reference::Transliterate(c.input)), Show(c.expected))
        << "reference, input: " << Show(c.input);
}

INSTANTIATE_TEST_SUITE_P(Pairs, TransliterateCase,
                         testing::Values(Case{u"aa", u"&#257;"}, Case{u"aaa", u"&#257;a"},
                                         Case{u"aaaa", u"&#257;&#257;"}, Case{u"Aa", u"&#256;"},
                                         Case{u"AA", u"AA"}, Case{u"SH", u"SH"}, Case{u"sH", u"sH"},
                                         Case{u"sh", u"&#353;"}, Case{u"uuu", u"&#363;u"},
                                         Case{u"Aaa", u"&#256;a"},
                                         Case{u"Laba diena, Riiga!", u"Laba diena, R&#299;ga!"},
                                         Case{u"Kjeepis", u"&#310;&#275;pis"}));

INSTANTIATE_TEST_SUITE_P(Apostrophes, TransliterateCase,
                         testing::Values(Case{u"'a", u"&#257;"}, Case{u"'A", u"&#256;"},
                                         Case{u"'aa", u"&#257;a"}, Case{u"a'a", u"&#257;a"},
                                         Case{u"'z", u"&#382;"}, Case{u"'s", u"&#353;"},
                                         Case{u"'K", u"&#310;"}, Case{u"'x", u"'x"},
                                         Case{u"'", u"'"}, Case{u"ab'", u"ab'"},
                                         Case{u"''a", u"'&#257;"}));

INSTANTIATE_TEST_SUITE_P(Hyphens, TransliterateCase,
                         testing::Values(Case{u"a-a", u"aa"}, Case{u"pa-art", u"paart"},
                                         Case{u"L-j", u"Lj"}, Case{u"Lj", u"&#315;"},
                                         Case{u"aa-a", u"&#257;-a"}, Case{u"s-h-h", u"sh-h"}));

INSTANTIATE_TEST_SUITE_P(
    Repairs, TransliterateCase,
    testing::Values(Case{u"ieeja", u"ieeja"}, Case{u"ieelpa", u"ieelpa"},
                    Case{u"miljons", u"miljons"}, Case{u"karjers", u"karjers"},
                    Case{u"paaris", u"p&#257;ris"}, Case{u"paartika", u"p&#257;rtika"},
                    Case{u"paadiite", u"p&#257;d&#299;te"}, Case{u"neesaat", u"n&#275;s&#257;t"},
                    Case{u"need", u"ne&#275;d"}, Case{u"piee", u"pi&#275;"},
                    Case{u"Neesaa", u"N&#275;s&#257;"}, Case{u"paarts", u"paarts"},
                    Case{u"ieeljot", u"iee&#316;ot"}));

INSTANTIATE_TEST_SUITE_P(
    LinesAndOthers, TransliterateCase,
    testing::Values(Case{u"", u""}, Case{u"a\r\nb", u"a<Br>b"}, Case{u"a\nb", u"a\nb"},
                    Case{u"a\rb", u"a\rb"}, Case{u"\r\r\n\n", u"\r<Br>\n"},
                    Case{u"\u00E5", u"&aring;"}, Case{u"\u00D6", u"&Ouml;"},
                    Case{u"\u00C5\u00E4\u00C4\u00F6", u"&Aring;&auml;&Auml;&ouml;"},
                    Case{u"&uuml;", u"&&#363;ml;"}, Case{u"0123 .,;!?", u"0123 .,;!?"},
                    Case{u"\u0101\u00FC", u"\u0101\u00FC"},
                    Case{std::u16string(u"a\0a", 3), std::u16string(u"a\0a", 3)},
                    Case{u"\xD800"
                         u"aa\xDC00",
                         u"\xD800&#257;\xDC00"}));

TEST(HintWord, ExactMatchOnly) {
    for (auto word : {u"paaris", u"Paaris", u"saarts", u"Saarts", u"saarta", u"saara", u"saarshu",
                      u"saarsim"}) {
        EXPECT_TRUE(zv::IsHintWord(word)) << Show(word);
    }
    for (auto text : {u"", u"paaris\r\n", u"paaris ", u"PAARIS", u"paarisks", u" saara"}) {
        EXPECT_FALSE(zv::IsHintWord(text)) << Show(text);
    }
}

// The table itself, rule by rule, against the one written out in rule_table.golden.
TEST(RuleTable, IsTheDefinedTable) {
    std::ifstream file(ZV_RULE_TABLE_GOLDEN, std::ios::binary);
    ASSERT_TRUE(file) << ZV_RULE_TABLE_GOLDEN;
    auto unescape = [](const std::string& text) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '\\' || i + 1 == text.size()) {
                out.push_back(text[i]);
                continue;
            }
            const char next = text[++i];
            out.push_back(next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : next);
        }
        return zv::ToUtf16(out);
    };
    std::vector<std::pair<std::u16string, std::u16string>> golden;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        golden.emplace_back(unescape(line.substr(0, tab)), unescape(line.substr(tab + 1)));
    }
    const auto rules = zv::RuleTable();
    ASSERT_EQ(rules.size(), golden.size());
    for (std::size_t i = 0; i < rules.size(); ++i) {
        EXPECT_EQ(Show(rules[i].find), Show(golden[i].first)) << "rule " << i + 1;
        EXPECT_EQ(Show(rules[i].replacement), Show(golden[i].second)) << "rule " << i + 1;
    }
}

// Random text over the rules' own alphabet, where the rules interact most: single units, and
// now and then a whole find or replacement text so that the longer finds are hit too.
class RandomText {
  public:
    explicit RandomText(unsigned seed) : rng_(seed) {
        for (const auto& rule : zv::RuleTable()) {
            for (char16_t c : rule.find) {
                if (alphabet_.find(c) == std::u16string::npos) alphabet_.push_back(c);
            }
            pieces_.push_back(rule.find);
            pieces_.push_back(rule.replacement);
        }
        alphabet_ += u" xX\xD800\xDFFF\x0101";
    }

    std::u16string operator()(std::size_t length) {
        std::u16string text;
        while (text.size() < length) {
            if (rng_() % 4 == 0) {
                text += pieces_[rng_() % pieces_.size()];
            } else {
                text.push_back(alphabet_[rng_() % alphabet_.size()]);
            }
        }
        return text;
    }

    std::mt19937& rng() { return rng_; }

  private:
    std::mt19937 rng_;
    std::u16string alphabet_;
    std::vector<std::u16string_view> pieces_;
};

std::string Utf8(std::u16string_view text) { return zv::ToUtf8(text); }

// Short texts, many of them: compared with the plain rule-by-rule application.
TEST(Transliterate, AgreesWithReferenceOnRandomTexts) {
    RandomText random(20261208);
    for (int round = 0; round < 20000; ++round) {
        const std::u16string text = random(random.rng()() % 40);
        ASSERT_EQ(Show(zv::Transliterate(text)), Show(zv::reference::Transliterate(text)))
            << "input: " << Show(text);
    }
}

// Long texts are cut into pieces that are converted side by side, and adversarial ones
// visit so many states that the machine's tables are rebuilt in the middle of a call.
TEST(Transliterate, AgreesWithReferenceOnLongTexts) {
    RandomText random(7);
    const zv::MachineCounts before = zv::MachineCountsNow();
    for (std::size_t length : {4095u, 4096u, 5000u, 70000u, 400000u}) {
        const std::u16string text = random(length);
        ASSERT_EQ(zv::Transliterate(text), zv::reference::Transliterate(text))
            << "length " << length;
    }
    EXPECT_GT(zv::MachineCountsNow().rebuilt_in_call, before.rebuilt_in_call);
    // A long run without any unit outside the rules' alphabet cannot be cut.
    std::u16string aas(100001, u'a');
    EXPECT_EQ(zv::Transliterate(aas), zv::reference::Transliterate(aas));
    // Text that grows fivefold outgrows the room its pieces start with.
    std::u16string grows;
    while (grows.size() < 20000) grows += u"\u00E5\u00C4 'a'S\u00F6 ";
    EXPECT_EQ(zv::Transliterate(grows), zv::reference::Transliterate(grows));
    EXPECT_EQ(zv::TransliterateUtf8(Utf8(grows)), Utf8(zv::reference::Transliterate(grows)));
}

// Threads that convert at once share the moves they find. One of them fills the tables with
// adversarial text, so that they are rebuilt while the others wait; every result stays exact.
TEST(Transliterate, ThreadsConvertingAtOnce) {
    RandomText random(11);
    std::vector<std::u16string> texts;
    std::vector<std::u16string> expected;
    for (std::size_t length : {400000u, 50000u, 50000u, 9000u}) {
        texts.push_back(random(length));
        std::erase_if(texts.back(), [](char16_t c) { return c >= 0xD800 && c < 0xE000; });
        expected.push_back(zv::reference::Transliterate(texts.back()));
    }
    std::atomic<int> wrong{0};
    const zv::MachineCounts before = zv::MachineCountsNow();
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 3; ++round) {
                if (zv::Transliterate(texts[i]) != expected[i]) ++wrong;
                if (zv::TransliterateUtf8(Utf8(texts[i])) != Utf8(expected[i])) ++wrong;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(zv::MachineCountsNow().shared_tables_full, before.shared_tables_full);
}

// The UTF-8 entry point gives the UTF-8 of the UTF-16 result for valid text (lone surrogates
// have no UTF-8 form and are left out here).
TEST(TransliterateUtf8, AgreesWithUtf16) {
    RandomText random(99);
    for (int round = 0; round < 5000; ++round) {
        std::u16string text = random(random.rng()() % 60);
        std::erase_if(text, [](char16_t c) { return c >= 0xD800 && c < 0xE000; });
        if (round % 7 == 0) text += u"\xD83D\xDE00\x00E5";  // a pair, then å
        ASSERT_EQ(zv::TransliterateUtf8(Utf8(text)), Utf8(zv::Transliterate(text)))
            << "input: " << Show(text);
    }
    const std::u16string text = random(300000);
    std::u16string valid = text;
    std::erase_if(valid, [](char16_t c) { return c >= 0xD800 && c < 0xE000; });
    EXPECT_EQ(zv::TransliterateUtf8(Utf8(valid)), Utf8(zv::Transliterate(valid)));
}

}  // namespace

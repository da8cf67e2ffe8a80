#include "corpus/corpus.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace zv {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Word32(std::string_view data, std::size_t at) {
    if (at + 4 > data.size()) throw std::runtime_error("truncated message catalogue");
    std::uint32_t value;
    std::memcpy(&value, data.data() + at, 4);
    return value;  // the catalogues on this platform are little-endian, as is the host
}

// The translated strings of one GNU message catalogue (.mo), plural forms split apart.
void AddTranslations(std::string_view mo, std::vector<std::string>& lines) {
    if (mo.size() < 28 || Word32(mo, 0) != 0x950412deu) return;
    const std::uint32_t count = Word32(mo, 8);
    const std::uint32_t originals = Word32(mo, 12);
    const std::uint32_t translations = Word32(mo, 16);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (Word32(mo, originals + 8 * i) == 0) continue;  // the catalogue's own header
        const std::uint32_t length = Word32(mo, translations + 8 * i);
        const std::uint32_t offset = Word32(mo, translations + 8 * i + 4);
        if (std::size_t{offset} + length > mo.size()) continue;
        std::string_view text = mo.substr(offset, length);
        while (!text.empty()) {
            const std::size_t end = std::min(text.find('\0'), text.size());
            std::string line(text.substr(0, end));
            std::replace(line.begin(), line.end(), '\n', ' ');
            if (line.size() > 3) lines.push_back(std::move(line));
            text.remove_prefix(std::min(end + 1, text.size()));
        }
    }
}

// Sentences of ten words from the hunspell-lv word list (stems before the '/' flags).
void AddDictionarySentences(const std::filesystem::path& dic, std::vector<std::string>& lines) {
    std::ifstream in(dic);
    std::string line;
    std::getline(in, line);  // word count
    std::string sentence;
    int words = 0;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('/'));
        if (line.empty()) continue;
        if (!sentence.empty()) sentence += ' ';
        sentence += line;
        if (++words == 10) {
            lines.push_back(sentence + '.');
            sentence.clear();
            words = 0;
        }
    }
}

// How a user types each Latvian letter on a plain keyboard (UTF-8 of the letter, then the
// typed form).
struct Typed {
    std::string_view letter;
    std::string_view pair;
};
constexpr Typed kTyped[] = {
    {"ā", "aa"}, {"Ā", "Aa"}, {"ē", "ee"}, {"Ē", "Ee"}, {"ī", "ii"}, {"Ī", "Ii"},
    {"ū", "uu"}, {"Ū", "Uu"}, {"č", "ch"}, {"Č", "Ch"}, {"š", "sh"}, {"Š", "Sh"},
    {"ž", "zh"}, {"Ž", "Zh"}, {"ģ", "gj"}, {"Ģ", "Gj"}, {"ķ", "kj"}, {"Ķ", "Kj"},
    {"ļ", "lj"}, {"Ļ", "Lj"}, {"ņ", "nj"}, {"Ņ", "Nj"}, {"ŗ", "rj"}, {"Ŗ", "Rj"},
};

std::string TypeOnPlainKeyboard(std::string_view line, std::mt19937& rng) {
    std::string out;
    out.reserve(line.size() + 8);
    for (std::size_t i = 0; i < line.size();) {
        bool replaced = false;
        for (const Typed& t : kTyped) {
            if (line.substr(i, t.letter.size()) == t.letter) {
                if (rng() % 10 == 0) {  // one letter in ten typed with the apostrophe
                    out += '\'';
                    out += t.pair[0];
                } else {
                    out += t.pair;
                }
                i += t.letter.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += line[i++];
    }
    return out;
}

}  // namespace

std::string TypedLatvianCorpus(std::size_t min_bytes) {
    std::vector<std::string> lines;
    const std::filesystem::path catalogues = "/usr/share/locale/lv/LC_MESSAGES";
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(catalogues, ec)) {
        if (entry.path().extension() == ".mo") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) AddTranslations(ReadFile(file), lines);
    if (lines.size() < 2000) AddDictionarySentences("/usr/share/hunspell/lv_LV.dic", lines);
    if (lines.empty()) {
        throw std::runtime_error(
            "no Latvian text installed (/usr/share/locale/lv or /usr/share/hunspell/lv_LV.dic)");
    }
    std::mt19937 rng(1918);
    std::string corpus;
    corpus.reserve(min_bytes + 4096);
    // Whole passes over the sentences, each in a new order, until the size is reached.
    while (corpus.size() < min_bytes) {
        std::shuffle(lines.begin(), lines.end(), rng);
        for (const auto& line : lines) {
            corpus += TypeOnPlainKeyboard(line, rng);
            corpus += "\r\n";
            if (corpus.size() >= min_bytes) break;
        }
    }
    return corpus;
}

std::string TypedLatvianWordsCorpus(std::size_t min_bytes) {
    std::ifstream table(ZV_WORD_COUNTS_TABLE);
    std::vector<std::string> words;
    std::vector<double> counts;
    for (std::string line; std::getline(table, line);) {
        const std::size_t tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
        words.push_back(line.substr(0, tab));
        counts.push_back(std::stod(line.substr(tab + 1)));
    }
    if (words.empty()) throw std::runtime_error("cannot read " ZV_WORD_COUNTS_TABLE);
    std::mt19937 rng(1991);
    std::discrete_distribution<std::size_t> pick(counts.begin(), counts.end());
    std::string corpus;
    corpus.reserve(min_bytes + 4096);
    while (corpus.size() < min_bytes) {
        // A sentence of 4 to 15 words, the first one capitalised where it begins with a
        // letter of ASCII, ended by a full stop.
        std::string sentence;
        for (std::uint32_t n = 4 + rng() % 12; n > 0; --n) {
            if (!sentence.empty()) sentence += ' ';
            sentence += words[pick(rng)];
        }
        if (sentence[0] >= 'a' && sentence[0] <= 'z')
            sentence[0] = static_cast<char>(sentence[0] - 32);
        corpus += TypeOnPlainKeyboard(sentence + '.', rng);
        corpus += "\r\n";
    }
    return corpus;
}

std::string MadeUpWordsCorpus(std::size_t min_bytes, bool on_word_starts) {
    std::vector<std::string> starts;
    if (on_word_starts) {
        const std::string typed = TypedLatvianCorpus(1 << 20);
        std::size_t i = 0;
        while (i < typed.size()) {
            std::size_t end = i;
            while (end < typed.size() && typed[end] >= 'a' && typed[end] <= 'z') ++end;
            if (end - i >= 5) starts.push_back(typed.substr(i, 5));
            i = end + 1;
        }
        std::sort(starts.begin(), starts.end());
        starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    }
    static constexpr std::string_view kPairs[] = {"aa", "ee", "ii", "uu", "sh", "ch",
                                                  "zh", "kj", "gj", "lj", "nj", "rj"};
    static constexpr std::string_view kConsonants = "bdfgkmnprstvz", kVowels = "aeiou";
    std::mt19937 rng(1940);
    std::string corpus;
    corpus.reserve(min_bytes + 256);
    int words = 0;
    while (corpus.size() < min_bytes) {
        if (!starts.empty()) corpus += starts[rng() % starts.size()];
        for (std::uint32_t syllables = 2 + rng() % 4; syllables > 0; --syllables) {
            if (rng() % 10 < 3) {
                corpus += kConsonants[rng() % kConsonants.size()];
            } else {
                corpus += kPairs[rng() % std::size(kPairs)];
            }
            corpus += kVowels[rng() % kVowels.size()];
        }
        corpus += ++words % 10 == 0 ? "\r\n" : " ";
    }
    return corpus;
}

}  // namespace zv

#include "checker/word_starts.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <istream>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "checker/letters.h"
#include "engine/utf8.h"

namespace zv::checker {
namespace {

// The flags of a .dic word or an affix's continuation, as the FLAG setting reads them: one
// byte each (the default), one character each (UTF-8), two characters each (long), or decimal
// numbers separated by commas (num).
enum class FlagMode { kByte, kUtf8, kLong, kNumber };

std::vector<std::string> SplitFlags(std::string_view flags, FlagMode mode) {
    std::vector<std::string> out;
    switch (mode) {
        case FlagMode::kByte:
            for (const char c : flags) out.emplace_back(1, c);
            break;
        case FlagMode::kUtf8:
            for (std::size_t i = 0; i < flags.size();) {
                const std::size_t length =
                    std::max<std::size_t>(DecodeUtf8(flags.substr(i)).length, 1);
                out.emplace_back(flags.substr(i, length));
                i += length;
            }
            break;
        case FlagMode::kLong:
            for (std::size_t i = 0; i < flags.size(); i += 2) out.emplace_back(flags.substr(i, 2));
            break;
        case FlagMode::kNumber:
            for (std::size_t i = 0; i <= flags.size();) {
                const std::size_t comma = std::min(flags.find(',', i), flags.size());
                if (comma > i) out.emplace_back(flags.substr(i, comma - i));
                i = comma + 1;
            }
            break;
    }
    return out;
}

// Each flag once, in order.
void Deduplicate(std::vector<std::string>& flags) {
    std::sort(flags.begin(), flags.end());
    flags.erase(std::unique(flags.begin(), flags.end()), flags.end());
}

std::u16string Folded(std::string_view utf8) {
    std::u16string out = ToUtf16(utf8);
    for (char16_t& c : out) c = FoldCase(c);
    return out;
}

// "0" stands for nothing in an affix's strip and add fields.
std::string_view Field(std::string_view field) { return field == "0" ? std::string_view() : field; }

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

std::uint64_t Hash(std::u16string_view letters) noexcept {
    std::uint64_t h = 0xcbf29ce484222325ull ^ letters.size();
    for (const char16_t c : letters) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h ^ (h >> 29);
}

struct Suffix {
    std::u16string strip, add;
    std::vector<std::string> next;  // the flags of the suffixes that may follow this one
    std::size_t next_strip = 0;     // the most letters one of those takes off
};

// What the model takes from an .aff file.
struct AffixFile {
    FlagMode mode = FlagMode::kByte;
    std::unordered_map<std::string, std::vector<Suffix>> suffixes;    // by class flag
    std::vector<std::pair<std::u16string, std::u16string>> prefixes;  // strip, add (not empty)
    std::vector<std::string> prefix_next;  // flags a prefix allows after it, each once
    std::u16string letters;                // the letters the affixes add
};

// The .aff file's affixes, or nothing when it is not UTF-8 or uses something the model does
// not know.
std::optional<AffixFile> ReadAffixFile(std::istream& aff) {
    AffixFile file;
    bool utf8 = false;
    std::unordered_set<std::string> headers;  // the affix classes whose header was read
    std::string line;
    while (std::getline(aff, line)) {
        const auto fields = Fields(line);
        if (fields.empty() || fields[0].starts_with('#')) continue;
        const std::string_view key = fields[0];
        if (key == "SET") {
            utf8 = fields.size() > 1 && (fields[1] == "UTF-8" || fields[1] == "utf-8");
        } else if (key == "FLAG" && fields.size() > 1) {
            if (fields[1] == "long") {
                file.mode = FlagMode::kLong;
            } else if (fields[1] == "num") {
                file.mode = FlagMode::kNumber;
            } else if (fields[1] == "UTF-8") {
                file.mode = FlagMode::kUtf8;
            }
        } else if (key.starts_with("COMPOUND") || key == "AF" || key == "ICONV" ||
                   key == "IGNORE" || key == "COMPLEXPREFIXES" || key == "CHECKSHARPS" ||
                   key == "ONLYINCOMPOUND" || key == "SIMPLIFIEDTRIPLE" ||
                   (key == "LANG" && fields.size() > 1 &&
                    (fields[1].starts_with("tr") || fields[1].starts_with("az") ||
                     fields[1].starts_with("crh")))) {
            // Words made of several stems, letters changed or dropped before the lookup,
            // flags given by number of an alias, or letter case of its own: not modelled.
            return std::nullopt;
        } else if ((key == "PFX" || key == "SFX") && fields.size() >= 4) {
            const std::string header = std::string(key) + ' ' + std::string(fields[1]);
            if (!headers.contains(header)) {
                headers.insert(header);
                continue;
            }
            const std::string_view add_field = fields[3];
            const std::size_t slash = add_field.find('/');
            std::u16string strip = Folded(Field(fields[2]));
            std::u16string add = Folded(Field(add_field.substr(0, slash)));
            file.letters += add;
            std::vector<std::string> next;
            if (slash != std::string_view::npos) {
                next = SplitFlags(add_field.substr(slash + 1), file.mode);
                Deduplicate(next);
            }
            if (key == "PFX") {
                file.prefix_next.insert(file.prefix_next.end(), next.begin(), next.end());
                if (!add.empty()) file.prefixes.emplace_back(std::move(strip), std::move(add));
            } else {
                file.suffixes[std::string(fields[1])].push_back(
                    {std::move(strip), std::move(add), std::move(next)});
            }
        }
    }
    if (!utf8) return std::nullopt;
    std::sort(file.prefix_next.begin(), file.prefix_next.end());
    file.prefix_next.erase(std::unique(file.prefix_next.begin(), file.prefix_next.end()),
                           file.prefix_next.end());
    return file;
}

// A suffix class, its suffixes by what they take off (the most first), with how many letters
// a suffix that may follow each one takes off at most.
struct SuffixClass {
    std::vector<Suffix> list;  // the most letters taken off first
    TextMap<std::vector<const Suffix*>> by_strip;
    std::size_t max_strip = 0;
    // The most letters of a stem a suffix and one after it take off together (less what
    // the first adds): a stem this much longer than WordStarts::kLength keeps its first
    // letters.
    std::size_t max_reach = 0;
};
using SuffixClasses = std::unordered_map<std::string, SuffixClass>;

SuffixClasses ClassesOf(std::unordered_map<std::string, std::vector<Suffix>> suffixes) {
    SuffixClasses classes;
    for (auto& [flag, list] : suffixes) {
        SuffixClass& c = classes[flag];
        c.list = std::move(list);
        std::stable_sort(c.list.begin(), c.list.end(), [](const Suffix& x, const Suffix& y) {
            return x.strip.size() > y.strip.size();
        });
    }
    for (auto& [flag, c] : classes) {
        for (Suffix& suffix : c.list) {
            c.max_strip = std::max(c.max_strip, suffix.strip.size());
            for (const std::string& next : suffix.next) {
                if (const auto it = classes.find(next);
                    it != classes.end() && !it->second.list.empty()) {
                    suffix.next_strip =
                        std::max(suffix.next_strip, it->second.list.front().strip.size());
                }
            }
            const std::size_t taken = suffix.strip.size() + suffix.next_strip;
            c.max_reach = std::max({c.max_reach, suffix.strip.size(),
                                    taken > suffix.add.size() ? taken - suffix.add.size() : 0});
        }
        for (const Suffix& suffix : c.list) c.by_strip[suffix.strip].push_back(&suffix);
    }
    return classes;
}

// A .dic entry's word, up to its first slash that is not escaped, and its flags.
std::pair<std::string, std::string_view> SplitEntry(std::string_view entry) {
    std::string word;
    std::size_t i = 0;
    for (; i < entry.size() && entry[i] != '/'; ++i) {
        if (entry[i] == '\\' && i + 1 < entry.size() && entry[i + 1] == '/') ++i;
        word += entry[i];
    }
    return {std::move(word), i < entry.size() ? entry.substr(i + 1) : std::string_view()};
}

// The work of reading a dictionary's word starts, counted in steps of a few letters each: a
// stem's class looked up, a way to cut it, a suffix or a second suffix tried, a letter
// compared or copied. Each stem read adds kWorkPerStem to what may be spent, on top of
// kFreeWork, so that the work grows with the dictionary's size whatever its affixes.
class Work {
  public:
    // False, from then on, once more has been spent than the stems read so far allow.
    bool Spend(std::size_t steps) {
        spent_ += steps;
        return spent_ <= allowed_;
    }
    void AllowStem() { allowed_ += WordStarts::kWorkPerStem; }
    std::size_t spent() const { return spent_; }

  private:
    std::size_t spent_ = 0, allowed_ = WordStarts::kFreeWork;
};

// Calls add(head, tail) for the beginning of each form of stem that a suffix of class first
// makes, and a suffix that may follow it, while the form does not keep the stem's first
// kLength letters (those the stem added already). False when work ran out on the way.
template <typename Add>
bool AddSuffixedForms(const std::u16string& stem, const SuffixClass& first,
                      const SuffixClasses& classes, Work& work, const Add& add) {
    constexpr std::size_t kLength = WordStarts::kLength;
    std::u16string form;
    for (std::size_t cut = 0; cut <= std::min(first.max_strip, stem.size()); ++cut) {
        if (!work.Spend(1 + cut)) return false;
        const std::size_t kept = stem.size() - cut;
        const auto group = first.by_strip.find(std::u16string_view(stem).substr(kept));
        if (group == first.by_strip.end()) continue;
        for (const Suffix* suffix : group->second) {
            if (!work.Spend(1)) return false;
            // A form that keeps the stem's first letters, even after a second suffix took
            // some off again, starts as the stem does.
            if (kept >= kLength && kept + suffix->add.size() >= kLength + suffix->next_strip) {
                continue;
            }
            if (!work.Spend(kept + suffix->add.size())) return false;
            form.assign(stem, 0, kept);
            form += suffix->add;
            if (kept < kLength) add(form, std::u16string_view());
            for (const std::string& next : suffix->next) {
                if (!work.Spend(1)) return false;
                const auto then = classes.find(next);
                if (then == classes.end()) continue;
                for (const Suffix& second : then->second.list) {
                    // This one and the rest keep the first suffix's first letters.
                    if (form.size() >= kLength + second.strip.size()) break;
                    if (!work.Spend(1 + second.strip.size())) return false;
                    if (second.strip.size() > form.size() ||
                        std::u16string_view(form).substr(form.size() - second.strip.size()) !=
                            second.strip) {
                        continue;
                    }
                    add(std::u16string_view(form).substr(0, form.size() - second.strip.size()),
                        second.add);
                }
            }
        }
    }
    return true;
}

}  // namespace

char16_t FoldCase(char16_t c) noexcept {
    if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A: capital and small side by side, the capital on the even code
        // point except from Ĺ to Ň and from Ź to Ž, where it is on the odd one.
        const bool odd_capitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        if (c == 0x178) return 0xFF;
        const bool capital = odd_capitals ? (c & 1) == 1 : (c & 1) == 0;
        return capital ? static_cast<char16_t>(c + 1) : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
    if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    return c;
}

void WordStarts::Add(std::u16string_view head, std::u16string_view tail) {
    std::array<char16_t, kLength> buffer{};
    std::size_t n = 0;
    for (const std::u16string_view part : {head, tail}) {
        for (std::size_t i = 0; i < part.size() && n < kLength; ++i) buffer[n++] = part[i];
    }
    if (!starts_.insert(Hash(std::u16string_view(buffer.data(), n))).second) return;
    for (std::size_t length = 1; length <= n; ++length) {
        heads_.insert(Hash(std::u16string_view(buffer.data(), length)));
    }
}

bool WordStarts::Known(std::u16string_view head, std::u16string_view rest, bool beginning) const {
    std::array<char16_t, kLength> buffer{};
    std::size_t n = 0;
    for (const char16_t c : head) {
        if (n == kLength) break;
        buffer[n++] = c;
    }
    for (const char16_t c : rest) {
        if (n == kLength) break;
        buffer[n++] = FoldCase(c);
    }
    const std::uint64_t hash = Hash(std::u16string_view(buffer.data(), n));
    return beginning && n < kLength ? heads_.contains(hash) : starts_.contains(hash);
}

void WordStarts::Note(std::u16string_view letters) {
    if (letters_.empty()) letters_.resize(0x10000);
    for (const char16_t c : letters) letters_[c] = true;
}

bool WordStarts::Uses(char16_t letter) const {
    const char16_t small = FoldCase(letter);
    return small < letters_.size() && letters_[small];
}

bool WordStarts::Test(std::u16string_view word, bool beginning) const {
    if (Known({}, word, beginning)) return true;
    for (const Prefix& prefix : prefixes_) {
        const std::size_t n = std::min(word.size(), prefix.add.size());
        bool match = true;
        for (std::size_t i = 0; i < n && match; ++i) match = FoldCase(word[i]) == prefix.add[i];
        if (!match) continue;
        if (word.size() <= prefix.add.size()) {
            if (beginning) return true;  // the prefix itself may begin a word
            continue;
        }
        if (Known(prefix.strip, word.substr(prefix.add.size()), beginning)) return true;
    }
    return false;
}

bool WordStarts::MayBeWord(std::u16string_view word) const { return Test(word, false); }

bool WordStarts::MayBegin(std::u16string_view head) const { return Test(head, true); }

std::optional<WordStarts> WordStarts::Read(const std::string& aff_path, const std::string& dic_path,
                                           std::size_t* spent) {
    Work work;
    const auto done = [&](std::optional<WordStarts> result) {
        if (spent) *spent = work.spent();
        return result;
    };
    std::ifstream aff(aff_path, std::ios::binary);
    if (!aff) return done(std::nullopt);
    std::optional<AffixFile> affixes = ReadAffixFile(aff);
    if (!affixes) return done(std::nullopt);
    WordStarts starts;
    starts.Note(affixes->letters);
    for (auto& [strip, add] : affixes->prefixes) {
        starts.reach_ = std::max(starts.reach_, add.size() + kLength);
        starts.prefixes_.push_back({std::move(strip), std::move(add)});
    }
    const SuffixClasses classes = ClassesOf(std::move(affixes->suffixes));

    std::ifstream dic(dic_path, std::ios::binary);
    std::string line;
    if (!dic || !std::getline(dic, line)) return done(std::nullopt);  // the word count
    std::vector<std::string> flags;
    while (std::getline(dic, line)) {
        const auto fields = Fields(line);
        if (fields.empty()) continue;
        const auto [word, flag_text] = SplitEntry(fields[0]);
        const std::u16string stem = Folded(word);
        if (stem.empty()) continue;
        work.AllowStem();
        starts.Note(stem);
        starts.Add(stem);
        flags = SplitFlags(flag_text, affixes->mode);
        flags.insert(flags.end(), affixes->prefix_next.begin(), affixes->prefix_next.end());
        Deduplicate(flags);
        for (const std::string& flag : flags) {
            // Affixes that would make this cost more than the dictionary's size allows: the
            // model gives up rather than keep the caller waiting.
            if (!work.Spend(1)) return done(std::nullopt);
            const auto it = classes.find(flag);
            if (it == classes.end()) continue;
            if (stem.size() >= kLength + it->second.max_reach) continue;
            if (!AddSuffixedForms(stem, it->second, classes, work,
                                  [&](std::u16string_view head, std::u16string_view tail) {
                                      starts.Add(head, tail);
                                  })) {
                return done(std::nullopt);
            }
        }
    }
    return done(std::move(starts));
}

}  // namespace zv::checker

#include "checker/checker.h"

#include <hunspell.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <unordered_map>

#include "checker/letters.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"

namespace zv::checker {
namespace {

// Words longer than this are not checked: no Latvian word is, and a reading costs time in
// proportion to the word's length.
constexpr std::size_t kMaxWordLength = 48;
// At most this many readings of one word are looked up in the dictionary. Readings are tried
// in order of how many pairs they read as two letters, so a word of up to ten pairs still has
// every reading with up to two pairs read so.
constexpr int kMaxReadings = 64;
constexpr std::size_t kMaxSuggestions = 5;

// What one typed unit of a word can stand for.
enum class UnitKind {
    Fixed,       // a letter, a reference, a hyphen, an escaped pair: one reading only
    Pair,        // a pair the conversion turns into a letter ("sh", "Ee")
    Apostrophe,  // an apostrophe form ("'s")
    CapitalPair  // two capitals that would be a pair in small letters ("SH"), in a capitals word
};

struct Unit {
    UnitKind kind = UnitKind::Fixed;
    std::u16string_view typed;  // what was typed for it
    std::u16string fixed;       // Fixed: what it reads as
    char16_t letter = 0;        // the others: the letter it reads as
    std::u16string two;         // the others: the two characters it reads as otherwise
};

// A typed word split the way the conversion pairs its letters, or nothing when a pair would
// take letters from two units (an apostrophe form after the same vowel, "a'a"): such words
// are left alone.
std::optional<std::vector<Unit>> SplitWord(std::u16string_view word) {
    std::vector<Unit> units;
    std::size_t i = 0;
    while (i < word.size()) {
        const char16_t c = word[i];
        const char16_t next = i + 1 < word.size() ? word[i + 1] : 0;
        Unit unit;
        if (c == u'&') {
            const std::size_t length = NumericReferenceLength(word.substr(i));
            unit.typed = word.substr(i, std::max<std::size_t>(length, 1));
            unit.fixed = ReferencesToLetters(unit.typed);
        } else if (c == u'\'' && PairLetter(next, PairSecond(next))) {
            // The conversion rewrites "'a" to "aa" before it pairs letters: a vowel left
            // unpaired just before would take the first of those two.
            if (!units.empty() && units.back().kind == UnitKind::Fixed &&
                units.back().typed.size() == 1 && PairLetter(units.back().typed[0], next)) {
                return std::nullopt;
            }
            unit.kind = UnitKind::Apostrophe;
            unit.typed = word.substr(i, 2);
            unit.letter = PairLetter(next, PairSecond(next));
            unit.two = {u'\'', next};
        } else if (PairLetter(c, next)) {
            unit.kind = UnitKind::Pair;
            unit.typed = word.substr(i, 2);
            unit.letter = PairLetter(c, next);
            unit.two = {c, next};
        } else if (next == u'-' && i + 2 < word.size() && PairLetter(c, word[i + 2]) &&
                   !(i + 3 < word.size() && PairLetter(word[i + 2], word[i + 3])) &&
                   !(i + 3 < word.size() && word[i + 2] == u'\'' &&
                     PairLetter(word[i + 3], PairSecond(word[i + 3])))) {
            // A hyphen escape the conversion will find: the two letters as typed.
            unit.typed = word.substr(i, 3);
            unit.fixed = {c, word[i + 2]};
        } else {
            unit.typed = word.substr(i, 1);
            unit.fixed = unit.typed;
        }
        i += unit.typed.size();
        units.push_back(std::move(unit));
    }

    // In a word of capitals, two capitals that make a pair in small letters ("SH", "EE")
    // stand for the capital letter as often as for the two letters, and a pair read as two
    // letters is read as two capitals.
    std::u16string letters;
    for (const Unit& unit : units) {
        if (unit.kind == UnitKind::Fixed) {
            letters += unit.fixed;
        } else {
            letters += unit.letter;
        }
    }
    if (IsCapitalsWord(letters)) {
        std::vector<Unit> merged;
        for (Unit& unit : units) {
            // "Sh" read as two letters is "SH" in such a word.
            if (unit.kind == UnitKind::Pair) unit.two[1] = ToCapital(unit.two[1]);
            if (!merged.empty() && unit.kind == UnitKind::Fixed && unit.typed.size() == 1 &&
                merged.back().kind == UnitKind::Fixed && merged.back().typed.size() == 1) {
                const char16_t first = merged.back().typed[0], second = unit.typed[0];
                const char16_t letter = PairLetter(first, ToSmall(second));
                if (letter && IsCapital(second)) {
                    Unit& pair = merged.back();
                    pair.kind = UnitKind::CapitalPair;
                    pair.typed = std::u16string_view(pair.typed.data(), 2);
                    pair.letter = letter;
                    pair.two = {first, second};
                    pair.fixed.clear();
                    continue;
                }
            }
            merged.push_back(std::move(unit));
        }
        units = std::move(merged);
    }
    return units;
}

// The letters of one reading: choices[k] set means the k-th pair is read as two characters.
std::u16string ReadingLetters(const std::vector<Unit>& units, const std::vector<bool>& two) {
    std::u16string out;
    std::size_t k = 0;
    for (const Unit& unit : units) {
        if (unit.kind == UnitKind::Fixed) {
            out += unit.fixed;
        } else if (two[k++]) {
            out += unit.two;
        } else {
            out += unit.letter;
        }
    }
    return out;
}

bool ConvertsTo(std::u16string_view typed, std::u16string_view word) {
    return ReferencesToLetters(Transliterate(typed)) == word;
}

// What to type for one reading so that the conversion gives exactly its letters: the
// conventions where they give it, otherwise hexadecimal references for the letters the
// conversion's word repairs would undo. Empty when nothing found converts right.
std::u16string TypedForm(const std::vector<Unit>& units, const std::vector<bool>& two,
                         std::u16string_view word) {
    // hex[k]: the k-th pair's letter is typed as a hexadecimal reference.
    const auto build = [&](const std::function<bool(std::size_t)>& hex) {
        std::u16string out;
        std::size_t k = 0;
        for (const Unit& unit : units) {
            if (unit.kind == UnitKind::Fixed) {
                out += unit.typed;
                continue;
            }
            const std::size_t index = k++;
            if (two[index]) {
                if (unit.kind == UnitKind::Apostrophe) {
                    out += u"&#x27;";
                    out += unit.two[1];
                } else if (PairLetter(unit.two[0], unit.two[1])) {
                    out += {unit.two[0], u'-', unit.two[1]};
                } else {
                    out += unit.two;
                }
            } else if (hex(index)) {
                out += HexReference(unit.letter);
            } else if (unit.kind == UnitKind::CapitalPair) {
                out += {unit.two[0], ToSmall(unit.two[1])};
            } else {
                out += unit.typed;
            }
        }
        return out;
    };

    std::size_t pairs = 0;
    for (const Unit& unit : units) pairs += unit.kind != UnitKind::Fixed;
    std::u16string typed = build([](std::size_t) { return false; });
    if (ConvertsTo(typed, word)) return typed;
    for (std::size_t one = 0; one < pairs; ++one) {
        if (two[one]) continue;
        typed = build([one](std::size_t k) { return k == one; });
        if (ConvertsTo(typed, word)) return typed;
    }
    typed = build([](std::size_t) { return true; });
    if (ConvertsTo(typed, word)) return typed;
    // Last resort: every letter with a mark as a reference, and a plain letter that could
    // pair with the next one too.
    typed.clear();
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char16_t c = word[i];
        const char16_t next = i + 1 < word.size() ? word[i + 1] : 0;
        if (c > 0x7F || PairLetter(c, next) || c == u'\'' || c == u'&') {
            typed += HexReference(c);
        } else {
            typed += c;
        }
    }
    if (ConvertsTo(typed, word)) return typed;
    return {};
}

struct Candidate {
    int distance;
    Suggestion suggestion;
};

}  // namespace

struct Checker::State {
    // The C interface: a caller built with its own copy of the C++ runtime (zv-convert) then
    // passes no C++ objects to the library's runtime.
    std::unique_ptr<Hunhandle, void (*)(Hunhandle*)> hunspell;
    std::mutex mutex;  // guards hunspell and cache
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view s) const noexcept {
            return std::hash<std::u16string_view>{}(s);
        }
    };
    // Every word looked at, with its verdict (null: not flagged).
    std::unordered_map<std::u16string, std::unique_ptr<const WordVerdict>, Hash, std::equal_to<>>
        cache;
    std::string utf8;  // a reused buffer for the word looked up

    State(const std::string& aff, const std::string& dic)
        : hunspell(Hunspell_create(aff.c_str(), dic.c_str()), Hunspell_destroy) {}

    bool Spell(std::u16string_view word) {
        utf8.clear();
        AppendUtf8(word, utf8);
        return Hunspell_spell(hunspell.get(), utf8.c_str()) != 0;
    }

    std::unique_ptr<const WordVerdict> Judge(std::u16string_view typed);
    const WordVerdict* Lookup(std::u16string_view typed);
};

std::unique_ptr<const WordVerdict> Checker::State::Judge(std::u16string_view typed) {
    std::u16string converted = ReferencesToLetters(Transliterate(typed));
    if (converted.find(u'&') != std::u16string::npos) return nullptr;
    const auto units = SplitWord(typed);
    if (!units) return nullptr;
    std::size_t pairs = 0;
    for (const Unit& unit : *units) pairs += unit.kind != UnitKind::Fixed;
    if (pairs == 0 || Spell(converted)) return nullptr;

    // Readings in order of how many pairs they read as two characters; within one such
    // number, every choice of pairs in turn.
    std::vector<Candidate> found;
    std::vector<std::u16string> tried{converted};
    int looked = 0;
    for (std::size_t distance = 0; distance <= pairs && looked < kMaxReadings; ++distance) {
        if (found.size() >= kMaxSuggestions) break;
        std::vector<bool> two(pairs, false);
        std::fill(two.end() - static_cast<std::ptrdiff_t>(distance), two.end(), true);
        do {
            std::u16string letters = ReadingLetters(*units, two);
            if (std::find(tried.begin(), tried.end(), letters) != tried.end()) continue;
            tried.push_back(letters);
            ++looked;
            if (Spell(letters)) {
                std::u16string form = TypedForm(*units, two, letters);
                if (!form.empty()) {
                    found.push_back({static_cast<int>(distance), {letters, std::move(form)}});
                }
            }
        } while (looked < kMaxReadings && std::next_permutation(two.begin(), two.end()));
    }
    if (found.empty()) return nullptr;
    std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        if (a.distance != b.distance) return a.distance < b.distance;
        return LatvianLess(a.suggestion.word, b.suggestion.word);
    });
    auto verdict = std::make_unique<WordVerdict>();
    verdict->converted = std::move(converted);
    for (std::size_t i = 0; i < found.size() && i < kMaxSuggestions; ++i) {
        verdict->suggestions.push_back(std::move(found[i].suggestion));
    }
    return verdict;
}

const WordVerdict* Checker::State::Lookup(std::u16string_view typed) {
    if (const auto it = cache.find(typed); it != cache.end()) return it->second.get();
    return cache.emplace(std::u16string(typed), Judge(typed)).first->second.get();
}

Checker::Checker(std::unique_ptr<State> state) : state_(std::move(state)) {}
Checker::~Checker() = default;

std::optional<std::string> Checker::FindDictionary() {
    if (const char* given = std::getenv("ZV_DICTIONARY"); given && *given) return given;
    std::vector<std::string> folders;
    if (const char* path = std::getenv("DICPATH"); path && *path) {
        std::string_view rest = path;
        while (!rest.empty()) {
            const std::size_t colon = std::min(rest.find(':'), rest.size());
            if (colon > 0) folders.emplace_back(rest.substr(0, colon));
            rest.remove_prefix(std::min(colon + 1, rest.size()));
        }
    }
    for (const char* folder : {"/usr/share/hunspell", "/usr/share/myspell/dicts",
                               "/usr/share/myspell", "/usr/local/share/hunspell"}) {
        folders.emplace_back(folder);
    }
    for (const std::string& folder : folders) {
        const std::string base = folder + "/lv_LV";
        std::error_code error;
        if (std::filesystem::is_regular_file(base + ".aff", error) &&
            std::filesystem::is_regular_file(base + ".dic", error)) {
            return base;
        }
    }
    return std::nullopt;
}

std::unique_ptr<Checker> Checker::Open(const std::string& base) {
    const std::string aff = base + ".aff", dic = base + ".dic";
    std::error_code error;
    if (!std::filesystem::is_regular_file(aff, error) ||
        !std::filesystem::is_regular_file(dic, error)) {
        return nullptr;
    }
    auto state = std::make_unique<State>(aff, dic);
    if (!state->hunspell) return nullptr;
    return std::unique_ptr<Checker>(new Checker(std::move(state)));
}

std::unique_ptr<Checker> Checker::OpenDefault() {
    const auto base = FindDictionary();
    return base ? Open(*base) : nullptr;
}

std::vector<Finding> Checker::Check(std::u16string_view text, std::stop_token stop) const {
    std::vector<Finding> findings;
    ForEachWord(text, [&](std::size_t begin, std::size_t end) {
        if (stop.stop_requested()) return false;
        if (end - begin > kMaxWordLength) return true;
        const std::lock_guard lock(state_->mutex);
        if (const WordVerdict* verdict = state_->Lookup(text.substr(begin, end - begin))) {
            findings.push_back({begin, end, verdict->converted, verdict->suggestions});
        }
        return true;
    });
    return findings;
}

std::optional<WordVerdict> Checker::CheckWord(std::u16string_view typed) const {
    if (typed.empty() || typed.size() > kMaxWordLength) return std::nullopt;
    const std::lock_guard lock(state_->mutex);
    if (const WordVerdict* verdict = state_->Lookup(typed)) return *verdict;
    return std::nullopt;
}

}  // namespace zv::checker

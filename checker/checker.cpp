#include "checker/checker.h"

#include <hunspell.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "checker/letters.h"
#include "checker/word_counts.h"
#include "checker/word_starts.h"
#include "engine/references.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"

namespace zv::checker {
namespace {

// Words longer than this are not checked: no Latvian word is, and a reading costs time in
// proportion to the word's length.
constexpr std::size_t kMaxWordLength = 48;
// At most this many readings of one word are looked up in the dictionary (a long word of
// many pairs takes hunspell about 10 microseconds a reading), and at most kMaxConsidered are
// looked at at all: most of them the dictionary's word starts rule out without a lookup.
// Readings are tried in order of how many pairs they read otherwise than the conventions
// mean, so a word of up to seven pairs still has every reading with up to two pairs read so.
constexpr int kMaxReadings = 16;
constexpr int kMaxConsidered = 128;
// The ways to read a word's first units that are told apart before its readings are looked
// at (see Search).
constexpr std::size_t kMaxNearWays = 4096;
// What one check may spend on looking readings up, whatever its text: kFreeLookups, and one
// more for every kWordsPerLookup words. Real text, whose words repeat and mostly are words,
// needs far less; a text of made-up words that each pass the word starts would otherwise
// cost a dozen lookups a word. Words met after it is spent are not searched and not
// remembered, so that a later check finds their readings.
constexpr std::int64_t kFreeLookups = 50000;
constexpr std::int64_t kWordsPerLookup = 2;
// And how many words met for the first time one check may judge: kFreeNewWords, and one more
// for every kWordsPerNewWord words. Real text brings far fewer new words (it repeats them); a
// paste of megabytes of made-up words is judged a slice per check, so that no check keeps a
// core busy for long. Later words are left for the next check.
constexpr std::int64_t kFreeNewWords = 100000;
constexpr std::int64_t kWordsPerNewWord = 8;
constexpr std::size_t kMaxSuggestions = 5;
// A word the dictionary rejects that the Latvian word counts hold this many times or more is
// taken for a word of Latvian text that the dictionary lacks.
constexpr std::uint32_t kKnownCount = 2;
constexpr std::size_t kAllLevels = std::numeric_limits<std::size_t>::max();
// Common Latvian words, with the forms of every part of speech, of the six noun declensions in
// several cases, of verbs in several persons and tenses, and from across the alphabet, which a
// Latvian dictionary accepts: hunspell reads what it can and says nothing, so an empty, cut
// short or foreign dictionary shows only in what it rejects. An .aff file cut short loses the
// suffixes that make the inflected forms ("gadā", "mājas"), a .dic file cut short the stems late
// in the alphabet ("ziema", "žurnāla"). The five first are the commonest; UTF-8, one space
// between words.
constexpr std::string_view kProbeWords =
    "un ir ar kas Rīga bet vai par tas viņš mēs gads gadā laiks darba cilvēki brālis ūdens "
    "tirgus māja mājas dienā skolā valodu zeme upes sirds naktī būt bija būs iet gāja nāk "
    "redzēt runā strādāja dzīvo zinu var liels lielā laba jauna viens divi trīs pirmais ļoti "
    "šodien Latvijā ziema žurnāla ziņojumu";
// The verdicts kept: a window that checks as the user types sees ever new words. Past this
// many, they are forgotten and found again when needed.
constexpr std::size_t kMaxCached = 1 << 20;

// One way to read a typed unit of a word.
struct Reading {
    std::u16string letters;  // what it stands for
    std::u16string typed;    // what to type for that
    std::u16string hex;      // the same with its marked letter as a hexadecimal reference
};

// A typed unit of a word: one letter, reference, escaped pair or hyphen (one reading), or
// a pair, apostrophe form, three equal vowels or a vowel and its apostrophe form (two or
// three readings; the first is what the conventions mean).
struct Unit {
    bool pair = false;  // a pair the conversion turns into a letter ("sh", "Ee")
    std::u16string_view typed;
    std::vector<Reading> readings;
};

Reading Same(std::u16string_view typed) {
    return {std::u16string(typed), std::u16string(typed), std::u16string(typed)};
}

char16_t At(std::u16string_view word, std::size_t k) { return k < word.size() ? word[k] : 0; }

// The unit of the reference at word[i] (or of a lone '&'): it stands for its letter, though a
// word repair may undo the decimal one ("kreis&#257;s" gives "kreisaas"); the hexadecimal one
// no rule touches.
Unit ReferenceUnit(std::u16string_view word, std::size_t i) {
    Unit unit;
    const auto reference = NumericReferenceAt(word.substr(i));
    unit.typed = word.substr(i, reference ? reference->length : 1);
    std::u16string letter = ReferencesToLetters(unit.typed);
    std::u16string hex = letter.size() == 1 ? HexReference(letter[0]) : std::u16string(unit.typed);
    unit.readings = {{std::move(letter), std::u16string(unit.typed), std::move(hex)}};
    return unit;
}

// The unit of the apostrophe form at word[i] ("'s"): its letter, or the apostrophe and the
// letter as typed.
Unit ApostropheUnit(std::u16string_view word, std::size_t i) {
    const char16_t next = word[i + 1];
    const char16_t letter = PairLetter(next, PairSecond(next));
    Unit unit;
    unit.typed = word.substr(i, 2);
    unit.readings = {{std::u16string(1, letter), std::u16string(unit.typed), HexReference(letter)},
                     {std::u16string(unit.typed), u"&#x27;" + std::u16string(1, next),
                      u"&#x27;" + std::u16string(1, next)}};
    return unit;
}

// The conversion rewrites "'e" to "ee" before it pairs letters, so the same vowel just before
// (before, a unit of one letter) takes the first of those two: "ne'e" gives "nēe" where "neē"
// was meant. before becomes the vowel and the apostrophe form at word[i].
void JoinApostrophe(Unit& before, std::u16string_view word, std::size_t i) {
    const char16_t next = word[i + 1];
    const char16_t letter = PairLetter(next, PairSecond(next));
    const char16_t plain = before.typed[0], taken = PairLetter(plain, next);
    before.typed = word.substr(i - 1, 3);
    before.readings = {
        {std::u16string{plain, letter}, plain + HexReference(letter), plain + HexReference(letter)},
        {std::u16string{taken, next}, std::u16string(before.typed), HexReference(taken) + next}};
}

// The unit of the pair at word[i], which makes letter: the letter, or the two letters typed.
// Three equal vowels: the conversion pairs the first two, but the long vowel may as well be
// the second.
Unit PairUnit(std::u16string_view word, std::size_t i, char16_t letter) {
    const char16_t c = word[i], next = word[i + 1], third = At(word, i + 2);
    Unit unit;
    unit.pair = true;
    if (third == next && PairLetter(next, third) && !PairLetter(third, At(word, i + 3))) {
        const char16_t second = PairLetter(next, third);
        unit.typed = word.substr(i, 3);
        const std::u16string plain(1, c);
        unit.readings = {
            {std::u16string{letter, third}, std::u16string(unit.typed),
             HexReference(letter) + third},
            {std::u16string{c, second}, plain + HexReference(second), plain + HexReference(second)},
            {std::u16string(unit.typed), std::u16string{c, u'-', next} + HexReference(third),
             std::u16string{c, u'-', next} + HexReference(third)}};
    } else {
        unit.typed = word.substr(i, 2);
        unit.readings = {
            {std::u16string(1, letter), std::u16string(unit.typed), HexReference(letter)},
            {std::u16string(unit.typed), std::u16string{c, u'-', next},
             std::u16string{c, u'-', next}}};
    }
    return unit;
}

// In a word of capitals, a pair read as two letters is read as two capitals ("Sh" as "SH"),
// and two capitals that make a pair in small letters ("SH", "EE") stand for the capital
// letter as often as for the two letters. Other words' units are returned as they are.
std::vector<Unit> ReadInCapitals(std::vector<Unit> units) {
    std::u16string letters;
    for (const Unit& unit : units) letters += unit.readings[0].letters;
    if (!IsCapitalsWord(letters)) return units;
    std::vector<Unit> merged;
    for (Unit& unit : units) {
        if (unit.pair && unit.typed.size() == 2) {
            const std::u16string two{unit.typed[0], ToCapital(unit.typed[1])};
            unit.readings[1] = Same(two);
        }
        if (!merged.empty() && unit.readings.size() == 1 && unit.typed.size() == 1 &&
            merged.back().readings.size() == 1 && merged.back().typed.size() == 1) {
            const char16_t first = merged.back().typed[0], second = unit.typed[0];
            if (const char16_t letter =
                    IsCapital(second) ? PairLetter(first, ToSmall(second)) : 0) {
                Unit& pair = merged.back();
                pair.typed = std::u16string_view(pair.typed.data(), 2);
                pair.readings = {{std::u16string(1, letter), std::u16string{first, ToSmall(second)},
                                  HexReference(letter)},
                                 Same(pair.typed)};
                continue;
            }
        }
        merged.push_back(std::move(unit));
    }
    return merged;
}

// A typed word split the way the conversion pairs its letters.
std::vector<Unit> SplitWord(std::u16string_view word) {
    std::vector<Unit> units;
    std::size_t i = 0;
    while (i < word.size()) {
        const char16_t c = word[i], next = At(word, i + 1);
        Unit unit;
        if (c == u'&') {
            unit = ReferenceUnit(word, i);
        } else if (c == u'\'' && PairLetter(next, PairSecond(next))) {
            if (!units.empty() && units.back().typed.size() == 1 &&
                PairLetter(units.back().typed[0], next)) {
                JoinApostrophe(units.back(), word, i);
                i += 2;
                continue;
            }
            unit = ApostropheUnit(word, i);
        } else if (const char16_t letter = PairLetter(c, next)) {
            unit = PairUnit(word, i, letter);
        } else if (next == u'-' && PairLetter(c, At(word, i + 2)) &&
                   !PairLetter(At(word, i + 2), At(word, i + 3))) {
            // A hyphen escape the conversion will find: the two letters as typed.
            unit.typed = word.substr(i, 3);
            unit.readings = {{std::u16string{c, At(word, i + 2)}, std::u16string(unit.typed),
                              std::u16string(unit.typed)}};
        } else {
            unit.typed = word.substr(i, 1);
            unit.readings = {Same(unit.typed)};
        }
        i += unit.typed.size();
        units.push_back(std::move(unit));
    }
    return ReadInCapitals(std::move(units));
}

bool ConvertsTo(std::u16string_view typed, std::u16string_view word) {
    return ReferencesToLetters(Transliterate(typed)) == word;
}

// What to type for one reading (choice[k]: the reading of the k-th unit) so that the
// conversion gives exactly its letters, word: the conventions where they give it, otherwise
// hexadecimal references for the letters the conversion's word repairs would undo. Empty
// when nothing found converts right.
std::u16string TypedForm(const std::vector<Unit>& units, const std::vector<std::size_t>& choice,
                         std::u16string_view word) {
    const auto build = [&](const std::function<bool(std::size_t)>& hex) {
        std::u16string out;
        for (std::size_t k = 0; k < units.size(); ++k) {
            const Reading& reading = units[k].readings[choice[k]];
            out += hex(k) ? reading.hex : reading.typed;
        }
        return out;
    };
    std::u16string typed = build([](std::size_t) { return false; });
    if (ConvertsTo(typed, word)) return typed;
    for (std::size_t one = 0; one < units.size(); ++one) {
        const Reading& reading = units[one].readings[choice[one]];
        if (reading.hex == reading.typed) continue;
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

// The lookups one check has left.
class Allowance {
  public:
    void CountWord() { ++words_; }
    bool Spend() {
        if (lookups_ >= kFreeLookups + words_ / kWordsPerLookup) return false;
        ++lookups_;
        return true;
    }
    bool JudgeNewWord() {
        if (new_words_ >= kFreeNewWords + words_ / kWordsPerNewWord) return false;
        ++new_words_;
        return true;
    }
    std::size_t unchecked = 0;  // words left unjudged or judged in part

  private:
    std::int64_t words_ = 0, lookups_ = 0, new_words_ = 0;
};

struct Candidate {
    int distance;  // how many units are read otherwise than typed (pairs, marks added)
    Suggestion suggestion;
};

// Best first: fewest units read otherwise, then the most common word, then in the order of
// a Latvian dictionary.
void Rank(std::vector<Candidate>& found) {
    std::vector<std::pair<std::uint32_t, std::size_t>> keys;  // count, place in found
    for (std::size_t i = 0; i < found.size(); ++i) {
        keys.emplace_back(LatvianWordCount(found[i].suggestion.word), i);
    }
    std::stable_sort(keys.begin(), keys.end(), [&](const auto& x, const auto& y) {
        const Candidate& a = found[x.second];
        const Candidate& b = found[y.second];
        if (a.distance != b.distance) return a.distance < b.distance;
        if (x.first != y.first) return x.first > y.first;
        return LatvianLess(a.suggestion.word, b.suggestion.word);
    });
    std::vector<Candidate> ranked;
    for (const auto& key : keys) ranked.push_back(std::move(found[key.second]));
    found = std::move(ranked);
}

std::vector<Suggestion> Best(const std::vector<Candidate>& found) {
    std::vector<Suggestion> best;
    for (std::size_t i = 0; i < found.size() && i < kMaxSuggestions; ++i) {
        best.push_back(found[i].suggestion);
    }
    return best;
}

// The units of a word, each plain letter that a convention would have marked (a, c, e, g, i,
// k, l, n, s, u, z and their capitals) with its marked letter as a second reading when the
// dictionary uses that letter at all (it does not use ŗ). Pairs keep their readings, so that
// a word with a pair meant as two letters and a mark left out is found too.
std::vector<Unit> WithMarks(const std::vector<Unit>& units, const WordStarts* starts) {
    std::vector<Unit> out;
    out.reserve(units.size());
    for (const Unit& unit : units) {
        Unit plain = unit;
        const char16_t c = unit.typed.size() == 1 ? unit.typed[0] : 0;
        const char16_t second = unit.readings.size() == 1 ? PairSecond(c) : 0;
        const char16_t marked = second ? PairLetter(c, second) : 0;
        if (marked && (!starts || starts->Uses(marked))) {
            plain.readings.push_back(
                {std::u16string(1, marked), std::u16string{c, second}, HexReference(marked)});
        }
        out.push_back(std::move(plain));
    }
    return out;
}

// The word starts decide on the first letters of a reading only, which the first units give:
// however they are read, they give at least starts.Reach() letters, or they are all of the
// word. The verdict on each way to read those near units, found before any reading is
// spelled out.
struct NearWays {
    std::size_t count = 0;  // how many first units
    // By the near units' readings, as a mixed-radix number: the way may begin a word. Empty
    // when there are too many ways to tell apart.
    std::vector<bool> ok;
    bool any = true;  // some way may begin a word

    // The way choice (choice[k]: the reading of the k-th unit) reads the near units.
    std::size_t Way(const std::vector<Unit>& units, const std::vector<std::size_t>& choice) const {
        std::size_t way = 0;
        for (std::size_t k = count; k-- > 0;) way = way * units[k].readings.size() + choice[k];
        return way;
    }
};

NearWays NearWaysOf(const std::vector<Unit>& units, const WordStarts& starts) {
    NearWays near;
    std::size_t least = 0, ways = 1;
    while (near.count < units.size() && least < starts.Reach()) {
        std::size_t shortest = kMaxWordLength;
        for (const Reading& r : units[near.count].readings) {
            shortest = std::min(shortest, r.letters.size());
        }
        least += shortest;
        ways *= units[near.count].readings.size();
        ++near.count;
    }
    if (ways > kMaxNearWays) return near;
    // Depth first, unit by unit, leaving out every way whose letters so far begin no word.
    near.ok.resize(ways);
    near.any = false;
    std::u16string head;
    const auto walk = [&](const auto& self, std::size_t k, std::size_t way,
                          std::size_t radix) -> void {
        if (k == near.count) {
            near.ok[way] = starts.MayBeWord(head);
            near.any = near.any || near.ok[way];
            return;
        }
        const std::size_t size = head.size();
        for (std::size_t r = 0; r < units[k].readings.size(); ++r) {
            head.resize(size);
            head += units[k].readings[r].letters;
            if (starts.MayBegin(head)) {
                self(self, k + 1, way + r * radix, radix * units[k].readings.size());
            }
        }
        head.resize(size);
    };
    walk(walk, 0, 0, 1);
    return near;
}

// Sets choice to each reading that reads distance of the open units (those with more than one
// reading) otherwise than the conventions mean: every combination of that many open units,
// and every combination of their other readings, like an odometer. Calls look() for each
// while more() holds.
template <typename Look, typename More>
void ForEachReadingAt(std::size_t distance, const std::vector<Unit>& units,
                      const std::vector<std::size_t>& open, std::vector<std::size_t>& choice,
                      const Look& look, const More& more) {
    std::vector<bool> chosen(open.size(), false);
    std::fill(chosen.end() - static_cast<std::ptrdiff_t>(distance), chosen.end(), true);
    do {
        std::vector<std::size_t> picked;
        for (std::size_t j = 0; j < open.size(); ++j) {
            choice[open[j]] = chosen[j] ? 1 : 0;
            if (chosen[j]) picked.push_back(open[j]);
        }
        while (more()) {
            look();
            std::size_t j = 0;
            for (; j < picked.size(); ++j) {
                const std::size_t k = picked[j];
                if (++choice[k] < units[k].readings.size()) break;
                choice[k] = 1;
            }
            if (j == picked.size()) break;
        }
    } while (more() && std::next_permutation(chosen.begin(), chosen.end()));
}

// The run of text between blanks that holds [begin, end).
std::pair<std::size_t, std::size_t> Run(std::u16string_view text, std::size_t begin,
                                        std::size_t end) {
    const auto blank = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xA0;
    };
    while (begin > 0 && !blank(text[begin - 1])) --begin;
    while (end < text.size() && !blank(text[end])) ++end;
    return {begin, end};
}

// True when a run of text between blanks is an address, a file name or code rather than
// words: it has "://", an at sign, a backslash, an underscore or another sign of code, or a
// dot between two letters or digits ("www.example.lv", "teksts.txt", "a_b"). Words joined by
// a slash or a hyphen are words.
bool IsCode(std::u16string_view run) {
    const auto alnum = [](char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
               c >= 0xC0;
    };
    for (std::size_t i = 0; i < run.size(); ++i) {
        switch (run[i]) {
            case u'@':
            case u'\\':
            case u'_':
            case u'=':
            case u'{':
            case u'}':
            case u'<':
            case u'>':
            case u'#':
            case u'$':
            case u'%':
            case u'|':
            case u'~':
            case u'`':
                return true;
            case u':':
                if (run.substr(i).starts_with(u"://")) return true;
                break;
            case u'.':
                if (i > 0 && i + 1 < run.size() && alnum(run[i - 1]) && alnum(run[i + 1])) {
                    return true;
                }
                break;
            default:
                break;
        }
    }
    return false;
}

// What the checker knows of one typed word whose conversion the dictionary rejects.
struct Verdict {
    std::u16string converted;
    std::vector<Suggestion> readings;  // other readings of its pairs, best first
    std::vector<Suggestion> merged;    // those and the forms with marks added; empty when no
                                       // such form is a word
};

struct Entry {
    // Counts in its line's share of Latvian words: not in capitals, not a single letter, not
    // a word of the word counts that the dictionary lacks.
    bool counted = false;
    // Counts as Latvian in its line: its conversion or another reading of its pairs is a
    // word, or a form with marks added is (see Judge).
    bool latvian = false;
    std::shared_ptr<const Verdict> verdict;  // null: nothing to suggest
};

// The verdict on a word whose conversion is converted: the best of readings (the other
// readings of its pairs), and the best of those and marks (the forms with marks added) in one
// list, a word both searches found once, as the fewer changes give it.
std::shared_ptr<const Verdict> MakeVerdict(std::u16string converted,
                                           std::vector<Candidate> readings,
                                           std::vector<Candidate> marks) {
    auto verdict = std::make_shared<Verdict>();
    verdict->converted = std::move(converted);
    Rank(readings);
    verdict->readings = Best(readings);
    if (marks.empty()) return verdict;
    std::vector<Candidate> merged = std::move(readings);
    for (Candidate& mark : marks) {
        const auto same = std::find_if(merged.begin(), merged.end(), [&](const Candidate& c) {
            return c.suggestion.word == mark.suggestion.word;
        });
        if (same == merged.end()) {
            merged.push_back(std::move(mark));
        } else if (mark.distance < same->distance) {
            *same = std::move(mark);
        }
    }
    Rank(merged);
    verdict->merged = Best(merged);
    return verdict;
}

// The words of one line: how many count in its share of Latvian words, how many of those
// are Latvian, and those with something to suggest, whose suggestions depend on the whole line.
class Line {
  public:
    // A word of the line, [begin, end) in the text, and what is known of it (see Entry);
    // in_code: it stands in an address or code.
    void Add(std::size_t begin, std::size_t end, bool counted, bool latvian, bool in_code,
             std::shared_ptr<const Verdict> verdict) {
        if (counted && !in_code) {
            ++words_;
            latvian_ += latvian ? 1 : 0;
        }
        if (verdict) flagged_.push_back({begin, end, !in_code, std::move(verdict)});
    }

    // Adds the findings of the line's words to findings, and starts the next line. Marks left
    // out are suggested only on a line of mostly Latvian words: on English, code or addresses
    // a mark makes a word of too many strings ("are", "self").
    void End(std::vector<Finding>& findings) {
        const bool latvian_line = 2 * latvian_ > words_;
        for (const Flagged& word : flagged_) {
            const bool marks = latvian_line && word.marks && !word.verdict->merged.empty();
            const auto& suggestions = marks ? word.verdict->merged : word.verdict->readings;
            if (!suggestions.empty()) {
                findings.push_back({word.begin, word.end, word.verdict->converted, suggestions});
            }
        }
        flagged_.clear();
        words_ = latvian_ = 0;
    }

  private:
    struct Flagged {
        std::size_t begin, end;
        bool marks;  // the word is not part of an address or code
        std::shared_ptr<const Verdict> verdict;
    };
    std::vector<Flagged> flagged_;
    std::size_t words_ = 0, latvian_ = 0;
};

// Whether the words of a text, met in order, stand in a run between blanks that is an address
// or code (see IsCode); each run is looked at once.
class CodeRuns {
  public:
    explicit CodeRuns(std::u16string_view text) : text_(text) {}

    bool InCode(std::size_t begin, std::size_t end) {
        if (begin >= run_end_) {
            const auto [from, to] = Run(text_, begin, end);
            run_end_ = to;
            in_code_ = IsCode(text_.substr(from, to - from));
        }
        return in_code_;
    }

  private:
    std::u16string_view text_;
    std::size_t run_end_ = 0;  // where the run between blanks of the last word ends
    bool in_code_ = false;     // that run is an address or code
};

}  // namespace

struct Checker::State {
    Hunhandle* hunspell;
    // Rules out most readings before the dictionary is asked; none for a dictionary it
    // cannot model.
    std::optional<WordStarts> starts;
    std::mutex mutex;  // guards hunspell and cache
    // Every word looked at, with what is known of it: an open-addressing table of the words'
    // hashes, their letters side by side in one string, so that a word met again (most words
    // of a text) costs about one memory access more than its hash.
    class Cache {
      public:
        const Entry* Find(std::u16string_view word, std::uint64_t hash) const {
            if (slots_.empty()) return nullptr;
            const std::size_t mask = slots_.size() - 1;
            for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
                const Slot& slot = slots_[at];
                if (slot.entry == 0) return nullptr;
                const Stored& stored = stored_[slot.entry - 1];
                if (slot.hash == hash && stored.length == word.size() &&
                    std::u16string_view(letters_).substr(stored.offset, stored.length) == word) {
                    return &stored.entry;
                }
            }
        }
        const Entry& Add(std::u16string_view word, std::uint64_t hash, Entry entry) {
            if (stored_.size() >= kMaxCached) Clear();
            if (2 * (stored_.size() + 1) > slots_.size()) Grow();
            stored_.push_back({letters_.size(), word.size(), std::move(entry)});
            letters_.append(word);
            Place(hash, static_cast<std::uint32_t>(stored_.size()));
            return stored_.back().entry;
        }

      private:
        struct Slot {
            std::uint64_t hash = 0;
            std::uint32_t entry = 0;  // 1 + its place in stored_; 0: free
        };
        struct Stored {
            std::size_t offset, length;  // of its letters in letters_
            Entry entry;
        };
        void Place(std::uint64_t hash, std::uint32_t entry) {
            const std::size_t mask = slots_.size() - 1;
            std::size_t at = hash & mask;
            while (slots_[at].entry != 0) at = (at + 1) & mask;
            slots_[at] = {hash, entry};
        }
        void Grow() {
            std::vector<Slot> old(std::max<std::size_t>(slots_.size() * 2, 1 << 12));
            old.swap(slots_);
            for (const Slot& slot : old) {
                if (slot.entry != 0) Place(slot.hash, slot.entry);
            }
        }
        void Clear() {
            slots_.clear();
            stored_.clear();
            letters_.clear();
        }
        std::vector<Slot> slots_;
        std::vector<Stored> stored_;
        std::u16string letters_;
    };
    Cache cache;
    std::string utf8;  // a reused buffer for the word looked up

    State(const std::string& aff, const std::string& dic)
        : hunspell(Hunspell_create(aff.c_str(), dic.c_str())) {}
    ~State() {
        if (hunspell) Hunspell_destroy(hunspell);
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    bool Spell(std::u16string_view word) {
        utf8.clear();
        AppendUtf8(word, utf8);
        return Hunspell_spell(hunspell, utf8.c_str()) != 0;
    }

    // The dictionary's verdict on word; false without asking when the word starts rule it out.
    bool Accepts(std::u16string_view word) {
        return (!starts || starts->MayBeWord(word)) && Spell(word);
    }

    // Adds to found the readings of units that the dictionary accepts (the first reading of
    // each unit is the word as typed), in order of how many units they read otherwise; each
    // reading once (tried holds those looked at). False when the allowance ran out.
    // After the first number of units at which one is found, at most extra_levels more are
    // looked at.
    bool Search(const std::vector<Unit>& units, Suggestion::Cause cause, std::size_t extra_levels,
                std::vector<std::u16string>& tried, Allowance& allowance,
                std::vector<Candidate>& found);
    // What is known of typed, and whether the allowance sufficed for it.
    std::pair<Entry, bool> Judge(std::u16string_view typed, Allowance& allowance);
    // What is known of typed, remembered when complete; valid until the next call.
    const Entry& Lookup(std::u16string_view typed, Allowance& allowance);
    Entry unfinished;  // the last entry the allowance did not suffice for
};

bool Checker::State::Search(const std::vector<Unit>& units, Suggestion::Cause cause,
                            std::size_t extra_levels, std::vector<std::u16string>& tried,
                            Allowance& allowance, std::vector<Candidate>& found) {
    std::vector<std::size_t> open;  // the units with more than one reading
    for (std::size_t k = 0; k < units.size(); ++k) {
        if (units[k].readings.size() > 1) open.push_back(k);
    }
    std::vector<std::size_t> choice(units.size(), 0);
    // When no way to read the first units may start a word, nothing is looked at; otherwise a
    // reading whose first units are ruled out is not even spelled out.
    const NearWays near = starts ? NearWaysOf(units, *starts) : NearWays{};
    if (!near.any) return true;
    // Every choice of units in turn, and every other reading of them.
    const std::size_t before = found.size();
    int looked = 0, considered = 0;
    bool spent = false;
    std::u16string letters;
    const auto look = [&](std::size_t distance) {
        ++considered;
        if (!near.ok.empty() && !near.ok[near.Way(units, choice)]) return;
        letters.clear();
        for (std::size_t k = 0; k < units.size(); ++k) {
            letters += units[k].readings[choice[k]].letters;
        }
        if (near.ok.empty() && starts && !starts->MayBeWord(letters)) return;
        if (std::find(tried.begin(), tried.end(), letters) != tried.end()) return;
        if (!allowance.Spend()) {
            spent = true;
            return;
        }
        tried.push_back(letters);
        ++looked;
        if (!Spell(letters)) return;
        std::u16string form = TypedForm(units, choice, letters);
        if (!form.empty()) {
            found.push_back(
                {static_cast<int>(distance), {std::move(letters), std::move(form), cause}});
        }
    };
    const auto more = [&] {
        return !spent && looked < kMaxReadings && considered < kMaxConsidered;
    };
    std::size_t last = open.size();  // the most units read otherwise that are looked at
    for (std::size_t distance = 0; distance <= last; ++distance) {
        if (found.size() - before >= kMaxSuggestions || !more()) break;
        if (found.size() > before && last == open.size()) {
            last = std::min(last, distance - 1 + std::min(extra_levels, open.size()));
            if (distance > last) break;
        }
        ForEachReadingAt(
            distance, units, open, choice, [&] { look(distance); }, more);
    }
    return !spent;
}

std::pair<Entry, bool> Checker::State::Judge(std::u16string_view typed, Allowance& allowance) {
    std::u16string converted = ReferencesToLetters(Transliterate(typed));
    Entry entry;
    entry.counted = converted.size() > 1 && !IsCapitalsWord(converted);
    entry.latvian = true;
    if (converted.find(u'&') != std::u16string::npos) return {entry, true};
    const auto units = SplitWord(typed);
    bool open = false;     // a unit has more than one reading
    std::u16string meant;  // what the conventions mean: each unit's first reading
    for (const Unit& unit : units) {
        open = open || unit.readings.size() > 1;
        meant += unit.readings[0].letters;
    }
    if ((!open && meant == converted && !entry.counted) || Accepts(converted)) {
        return {entry, true};
    }
    entry.latvian = false;

    // Readings of the pairs otherwise than the conventions mean, then (for a word that is
    // neither in capitals nor a single letter) the word with marks added to its letters.
    std::vector<std::u16string> tried{converted};
    std::vector<Candidate> readings, marks;
    bool complete =
        Search(units, Suggestion::Cause::kPairRead, kAllLevels, tried, allowance, readings);
    // A word of the word counts that the dictionary lacks (a term, a name: "parsēt", "Mac")
    // is one of Latvian text: no marks are suggested for it, and it counts for neither side.
    const bool known = LatvianWordCount(converted) >= kKnownCount;
    if (known) entry.counted = false;
    if (entry.counted && complete && !known) {
        // Fewest marks first, and a word that needs one more mark than the first found too
        // ("majas": mājas, mājās).
        complete = Search(WithMarks(units, starts ? &*starts : nullptr),
                          Suggestion::Cause::kMarkLeftOut, 1, tried, allowance, marks);
    }
    if (readings.empty() && marks.empty()) return {entry, complete};
    // A word that only marks make a word counts for a Latvian line when that word is a
    // common one, or when the typed word uses the conventions ("Parinstaleeta"): English
    // words that a mark turns into rare Latvian ones ("Date", "module") do not.
    const bool common = std::any_of(marks.begin(), marks.end(), [](const Candidate& c) {
        return LatvianWordCount(c.suggestion.word) > 0;
    });
    const bool conventions = std::any_of(units.begin(), units.end(), [](const Unit& unit) {
        return unit.readings[0].letters != unit.typed;
    });
    entry.latvian = !readings.empty() || common || conventions;
    entry.verdict = MakeVerdict(std::move(converted), std::move(readings), std::move(marks));
    return {entry, complete};
}

const Entry& Checker::State::Lookup(std::u16string_view typed, Allowance& allowance) {
    const std::uint64_t hash = std::hash<std::u16string_view>{}(typed);
    if (const Entry* known = cache.Find(typed, hash)) return *known;
    if (!allowance.JudgeNewWord()) {
        ++allowance.unchecked;
        unfinished = Entry{};
        return unfinished;
    }
    auto [entry, complete] = Judge(typed, allowance);
    if (!complete) {
        ++allowance.unchecked;
        unfinished = std::move(entry);
        return unfinished;
    }
    return cache.Add(typed, hash, std::move(entry));
}

Checker::Checker(std::unique_ptr<State> state) : state_(std::move(state)) {}
Checker::~Checker() = default;

std::vector<std::string> Checker::DictionaryFolders() {
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
    return folders;
}

std::optional<std::string> Checker::FindDictionary() {
    if (const char* given = std::getenv("ZV_DICTIONARY"); given && *given) return given;
    for (const std::string& folder : DictionaryFolders()) {
        const std::string base = folder + "/lv_LV";
        std::error_code error;
        if (std::filesystem::is_regular_file(base + ".aff", error) &&
            std::filesystem::is_regular_file(base + ".dic", error)) {
            return base;
        }
    }
    return std::nullopt;
}

std::unique_ptr<Checker> Checker::Open(const std::string& base, Unusable* why,
                                       std::string* rejected) {
    const auto fail = [why](Unusable reason) {
        if (why) *why = reason;
        return nullptr;
    };
    const std::string aff = base + ".aff", dic = base + ".dic";
    std::error_code error;
    if (!std::filesystem::is_regular_file(aff, error) ||
        !std::filesystem::is_regular_file(dic, error)) {
        return fail(Unusable::Missing);
    }
    auto state = std::make_unique<State>(aff, dic);
    if (!state->hunspell) return fail(Unusable::Unreadable);
    for (std::string_view rest = kProbeWords; !rest.empty();) {
        const std::string word(rest.substr(0, rest.find(' ')));
        rest.remove_prefix(std::min(word.size() + 1, rest.size()));
        if (Hunspell_spell(state->hunspell, word.c_str()) == 0) {
            if (rejected) *rejected = word;
            return fail(Unusable::NotLatvian);
        }
    }
    state->starts = WordStarts::Read(aff, dic);
    return std::unique_ptr<Checker>(new Checker(std::move(state)));
}

std::unique_ptr<Checker> Checker::OpenDefault() {
    const auto base = FindDictionary();
    return base ? Open(*base) : nullptr;
}

std::vector<Finding> Checker::Check(std::u16string_view text, std::stop_token stop,
                                    std::size_t* unchecked) const {
    std::vector<Finding> findings;
    Allowance allowance;
    Line line;
    CodeRuns runs(text);
    std::size_t last_end = 0;
    ForEachWord(text, [&](std::size_t begin, std::size_t end) {
        if (stop.stop_requested()) return false;
        if (text.substr(last_end, begin - last_end).find_first_of(u"\r\n") !=
            std::u16string_view::npos) {
            line.End(findings);
        }
        last_end = end;
        allowance.CountWord();
        if (end - begin > kMaxWordLength) return true;
        bool counted, latvian;
        std::shared_ptr<const Verdict> verdict;
        {
            const std::lock_guard lock(state_->mutex);
            const Entry& entry = state_->Lookup(text.substr(begin, end - begin), allowance);
            counted = entry.counted;
            latvian = entry.latvian;
            if (entry.verdict) verdict = entry.verdict;
        }
        line.Add(begin, end, counted, latvian, runs.InCode(begin, end), std::move(verdict));
        return true;
    });
    line.End(findings);
    if (unchecked) *unchecked = allowance.unchecked;
    return findings;
}

std::optional<WordVerdict> Checker::CheckWord(std::u16string_view typed) const {
    if (typed.empty() || typed.size() > kMaxWordLength) return std::nullopt;
    Allowance allowance;
    Entry entry;
    {
        const std::lock_guard lock(state_->mutex);
        const Entry& found = state_->Lookup(typed, allowance);
        entry = found;
    }
    if (!entry.verdict) return std::nullopt;
    // The word as if it stood in a Latvian line.
    const auto& suggestions = entry.counted && !entry.verdict->merged.empty()
                                  ? entry.verdict->merged
                                  : entry.verdict->readings;
    if (suggestions.empty()) return std::nullopt;
    return WordVerdict{entry.verdict->converted, suggestions};
}

}  // namespace zv::checker

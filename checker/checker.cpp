#include "checker/checker.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include "checker/dictionary.h"
#include "checker/latvian_line.h"
#include "checker/letters.h"
#include "checker/lexicon_marks.h"
#include "checker/readings.h"
#include "checker/search.h"
#include "checker/verdict.h"
#include "checker/verdict_cache.h"
#include "checker/word_counts.h"
#include "checker/work_budget.h"
#include "engine/references.h"
#include "engine/transliterate.h"
#include "lexicon/lexicon.h"

namespace zv::checker {
namespace {

// A word the dictionary rejects that the Latvian word counts hold this many times or more is
// taken for a word of Latvian text that the dictionary lacks.
constexpr std::uint32_t kKnownCount = 2;

}  // namespace

struct Checker::State {
    State(std::unique_ptr<Dictionary> opened, const lexicon::Lexicon* counted)
        : dictionary(std::move(opened)), lexicon(counted) {}

    std::unique_ptr<Dictionary> dictionary;
    const lexicon::Lexicon* lexicon;  // null without one: marks are then searched for only
    std::mutex mutex;                 // guards dictionary and cache
    VerdictCache cache;

    // What is known of typed, and whether the budget sufficed for it.
    std::pair<Entry, bool> Judge(std::u16string_view typed, WorkBudget& budget);
    // What is known of typed, remembered when complete; valid until the next call.
    const Entry& Lookup(std::u16string_view typed, WorkBudget& budget);
    Entry unfinished;  // the last entry the budget did not suffice for
};

std::pair<Entry, bool> Checker::State::Judge(std::u16string_view typed, WorkBudget& budget) {
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
    if ((!open && meant == converted && !entry.counted) || dictionary->Accepts(converted)) {
        return {entry, true};
    }
    entry.latvian = false;

    // Readings of the pairs otherwise than the conventions mean, then (for a word that is
    // neither in capitals nor a single letter) the word with marks added to its letters.
    // A word of the word counts that the dictionary lacks (a term, a name: "parsēt", "Mac")
    // is one of Latvian text: no marks are suggested for it, and it counts for neither side.
    const bool known = LatvianWordCount(converted) >= kKnownCount;
    const bool wants_marks = entry.counted && !known;
    if (known) entry.counted = false;
    std::vector<Candidate> readings, marks;
    const std::vector<Unit> with_marks =
        wants_marks ? WithMarks(units, dictionary->Starts()) : std::vector<Unit>{};
    // The forms with marks that the lexicon knows settle a real word typed with marks left out
    // without a lookup: its searches, bounded by the caps on one word's readings, then take
    // nothing from the check's budget, which is kept for words that neither the lexicon nor the
    // word starts can settle (made-up words, say).
    const bool settled =
        wants_marks && lexicon && MarksFromLexicon(*lexicon, *dictionary, units, with_marks, marks);
    WorkBudget unlimited = WorkBudget::Unlimited();
    WorkBudget& spend = settled ? unlimited : budget;
    std::vector<std::u16string> tried{converted};
    for (const Candidate& mark : marks) tried.push_back(mark.suggestion.word);
    bool complete = Search(*dictionary, units, Suggestion::Cause::kPairRead, kAllLevels, tried,
                           spend, readings);
    if (wants_marks && complete) {
        // Fewest marks first, and a word that needs one more mark than the first found too
        // ("majas": mājas, mājās). After the lexicon, only as few marks as the first found: the
        // forms it lacks (some the dictionary's affixes make in two steps, "gludināšanas").
        complete = Search(*dictionary, with_marks, Suggestion::Cause::kMarkLeftOut, settled ? 0 : 1,
                          tried, spend, marks);
    }
    if (wants_marks && lexicon && !marks.empty() && IsWordOfItsOwn(*lexicon, converted, marks)) {
        marks.clear();
        entry.counted = false;  // as a word of the word counts: for neither side
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

const Entry& Checker::State::Lookup(std::u16string_view typed, WorkBudget& budget) {
    if (const Entry* known = cache.Find(typed)) return *known;
    if (!budget.JudgeNewWord()) {
        ++budget.unchecked;
        unfinished = Entry{};
        return unfinished;
    }
    auto [entry, complete] = Judge(typed, budget);
    if (!complete) {
        ++budget.unchecked;
        unfinished = std::move(entry);
        return unfinished;
    }
    return cache.Add(typed, std::move(entry));
}

Checker::Checker(std::unique_ptr<State> state) : state_(std::move(state)) {}
Checker::~Checker() = default;

std::unique_ptr<Checker> Checker::Open(const std::string& base, Unusable* why,
                                       std::string* rejected) {
    auto dictionary = Dictionary::Open(base, why, rejected);
    if (!dictionary) return nullptr;
    return std::unique_ptr<Checker>(
        new Checker(std::make_unique<State>(std::move(dictionary), lexicon::Lexicon::Get())));
}

std::unique_ptr<Checker> Checker::OpenDefault() {
    const auto base = FindDictionary();
    return base ? Open(*base) : nullptr;
}

std::vector<Finding> Checker::Check(std::u16string_view text, std::stop_token stop,
                                    std::size_t* unchecked, Budget* spent) const {
    std::vector<Finding> findings;
    WorkBudget budget = spent ? WorkBudget(*spent) : WorkBudget();
    LatvianLine line;
    CodeRuns runs(text);
    std::size_t last_end = 0;
    ForEachWord(text, [&](std::size_t begin, std::size_t end) {
        if (stop.stop_requested()) return false;
        if (text.substr(last_end, begin - last_end).find_first_of(u"\r\n") !=
            std::u16string_view::npos) {
            line.End(findings);
        }
        last_end = end;
        budget.CountWord();
        if (end - begin > kMaxWordLength) return true;
        bool counted, latvian;
        std::shared_ptr<const Verdict> verdict;
        {
            const std::lock_guard lock(state_->mutex);
            const Entry& entry = state_->Lookup(text.substr(begin, end - begin), budget);
            counted = entry.counted;
            latvian = entry.latvian;
            if (entry.verdict) verdict = entry.verdict;
        }
        line.Add(begin, end, counted, latvian, runs.InCode(begin, end), std::move(verdict));
        return true;
    });
    line.End(findings);
    if (unchecked) *unchecked = budget.unchecked;
    if (spent) *spent = budget.Spent();
    return findings;
}

bool Checker::Accepts(std::u16string_view word) const {
    const std::lock_guard lock(state_->mutex);
    return state_->dictionary->Accepts(word);
}

std::optional<WordVerdict> Checker::CheckWord(std::u16string_view typed) const {
    if (typed.empty() || typed.size() > kMaxWordLength) return std::nullopt;
    WorkBudget budget;
    Entry entry;
    {
        const std::lock_guard lock(state_->mutex);
        const Entry& found = state_->Lookup(typed, budget);
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

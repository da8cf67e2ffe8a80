// The work budget of one check: how many dictionary lookups it may spend on readings and how
// many words it meets for the first time it may judge, both growing with the length of its
// text, so that a text of megabytes of made-up words costs a few times what real text does.
#pragma once

#include <cstddef>
#include <cstdint>

#include "checker/checker.h"

namespace zv::checker {

// What one check may spend on looking readings up, whatever its text: kFreeLookups, and one
// more for every kWordsPerLookup words. Real text, whose words repeat and mostly are words,
// needs far less; a text of made-up words that each pass the word starts would otherwise
// cost a dozen lookups a word. Words met after it is spent are not searched and not
// remembered, so that a later check finds their readings. One lookup a word leaves none of
// 20,000 rare dictionary words unchecked when each, with a mark left out, stands in a line of
// Latvian (tools/checker_accuracy.py; one for every two words left 3 % of them), and keeps
// made-up words on real word starts under 7 times real text (bench/compare_pathological.sh).
constexpr std::int64_t kFreeLookups = 50000;
constexpr std::int64_t kWordsPerLookup = 1;
// And how many words met for the first time one check may judge: kFreeNewWords, and one more
// for every kWordsPerNewWord words. Real text brings far fewer new words (it repeats them); a
// paste of megabytes of made-up words is judged a slice per check, so that no check keeps a
// core busy for long. Later words are left for the next check.
constexpr std::int64_t kFreeNewWords = 100000;
constexpr std::int64_t kWordsPerNewWord = 8;

// What one check has left of its budget.
class WorkBudget {
  public:
    WorkBudget() = default;
    // Goes on from what the check of the text's earlier parts spent.
    explicit WorkBudget(const Checker::Budget& spent)
        : words_(spent.words), lookups_(spent.lookups), new_words_(spent.new_words) {}
    // What has been spent, for the check of the next part.
    Checker::Budget Spent() const { return {words_, lookups_, new_words_}; }
    // A budget that never runs out, for a word the lexicon has settled: its search is bounded
    // by the caps on one word's readings.
    static WorkBudget Unlimited() {
        WorkBudget budget;
        budget.unlimited_ = true;
        return budget;
    }

    // One more word of the text: the budget grows with it.
    void CountWord() { ++words_; }
    // Takes one dictionary lookup; false when none is left.
    bool Spend() {
        if (!unlimited_ && lookups_ >= kFreeLookups + words_ / kWordsPerLookup) return false;
        ++lookups_;
        return true;
    }
    // Takes the judging of one word met for the first time; false when none is left.
    bool JudgeNewWord() {
        if (new_words_ >= kFreeNewWords + words_ / kWordsPerNewWord) return false;
        ++new_words_;
        return true;
    }
    std::size_t unchecked = 0;  // words left unjudged or judged in part

  private:
    std::int64_t words_ = 0, lookups_ = 0, new_words_ = 0;
    bool unlimited_ = false;
};

}  // namespace zv::checker

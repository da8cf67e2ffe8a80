// The search: the readings of a typed word that the dictionary accepts, fewest units read
// otherwise first, with most of them ruled out by the word starts before any lookup, and every
// lookup taken from the check's work budget.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "checker/checker.h"
#include "checker/dictionary.h"
#include "checker/readings.h"
#include "checker/verdict.h"
#include "checker/work_budget.h"

namespace zv::checker {

// As many more numbers of units read otherwise as there are (see Search).
constexpr std::size_t kAllLevels = std::numeric_limits<std::size_t>::max();

// Adds to found the readings of units that the dictionary accepts (the first reading of
// each unit is the word as typed), in order of how many units they read otherwise; each
// reading once (tried holds those looked at). False when the budget ran out.
// After the first number of units at which one is found, at most extra_levels more are
// looked at.
bool Search(Dictionary& dictionary, const std::vector<Unit>& units, Suggestion::Cause cause,
            std::size_t extra_levels, std::vector<std::u16string>& tried, WorkBudget& budget,
            std::vector<Candidate>& found);

}  // namespace zv::checker

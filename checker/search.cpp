#include "checker/search.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "checker/typed_form.h"
#include "checker/word_starts.h"

namespace zv::checker {
namespace {

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

}  // namespace

bool Search(Dictionary& dictionary, const std::vector<Unit>& units, Suggestion::Cause cause,
            std::size_t extra_levels, std::vector<std::u16string>& tried, WorkBudget& budget,
            std::vector<Candidate>& found) {
    const WordStarts* starts = dictionary.Starts();
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
        if (!budget.Spend()) {
            spent = true;
            return;
        }
        tried.push_back(letters);
        ++looked;
        if (!dictionary.Spell(letters)) return;
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

}  // namespace zv::checker

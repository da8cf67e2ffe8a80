#include "checker/verdict.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "checker/letters.h"
#include "checker/word_counts.h"

namespace zv::checker {
namespace {

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

}  // namespace

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

}  // namespace zv::checker

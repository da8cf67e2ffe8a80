#include "checker/lexicon_marks.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "checker/letters.h"
#include "checker/typed_form.h"
#include "engine/utf8.h"

namespace zv::checker {
namespace {

// How many forms one word's letters without marks may have in the lexicon that are looked at:
// more than a word ever has with one or two marks added.
constexpr std::size_t kMaxForms = 64;

// The reading of with_marks (choice[k]: the reading of the k-th unit) whose letters are word,
// which is the letters of units' first readings with marks added to some of its plain letters;
// false when no reading gives it (a mark on a letter of a pair read as two letters, say).
bool ChoiceOf(const std::vector<Unit>& units, const std::vector<Unit>& with_marks,
              std::u16string_view word, std::vector<std::size_t>& choice) {
    choice.assign(units.size(), 0);
    std::size_t at = 0;
    for (std::size_t k = 0; k < units.size(); ++k) {
        const std::u16string& letters = units[k].readings[0].letters;
        const std::u16string_view here = word.substr(at, letters.size());
        at += letters.size();
        if (here == letters) continue;
        const std::vector<Reading>& readings = with_marks[k].readings;
        if (readings.size() == units[k].readings.size() || here != readings.back().letters) {
            return false;
        }
        choice[k] = readings.size() - 1;
    }
    return at == word.size();
}

}  // namespace

bool MarksFromLexicon(const lexicon::Lexicon& lexicon, Dictionary& dictionary,
                      const std::vector<Unit>& units, const std::vector<Unit>& with_marks,
                      std::vector<Candidate>& found) {
    std::u16string meant;  // what the conventions mean, in the typed word's letter case
    for (const Unit& unit : units) meant += unit.readings[0].letters;
    const std::string key = SmallUtf8(meant);

    struct Known {
        Candidate candidate;
        // Not one the dictionary makes: a form of the lexicon's counts only (a name, a word of
        // another language or one misspelt in the counted text), which the dictionary decides.
        bool counted_only;
    };
    std::vector<Known> forms;
    std::vector<std::size_t> choice;
    for (const lexicon::Form& form : lexicon.FormsOf(key, kMaxForms)) {
        if (form.form == key) continue;
        std::u16string word = ToUtf16(form.form);
        if (word.size() != meant.size()) continue;
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (IsCapital(meant[i])) word[i] = ToCapital(word[i]);
        }
        if (!ChoiceOf(units, with_marks, word, choice)) continue;
        const auto distance = static_cast<int>(
            choice.size() - std::count(choice.begin(), choice.end(), std::size_t{0}));
        std::u16string typed = TypedForm(with_marks, choice, word);
        if (typed.empty()) continue;
        forms.push_back(
            {{distance, {std::move(word), std::move(typed), Suggestion::Cause::kMarkLeftOut}},
             !lexicon.InDictionary(form.form)});
    }
    // Fewest marks first, and a word that needs one more mark than the first found too
    // ("majas": mājas, mājās), as the search looks at them; within each in the lexicon's order,
    // the most frequent first. Only those the verdict takes are asked of the dictionary.
    std::stable_sort(forms.begin(), forms.end(), [](const Known& a, const Known& b) {
        return a.candidate.distance < b.candidate.distance;
    });
    const std::size_t before = found.size();
    for (Known& form : forms) {
        if (found.size() - before >= kMaxSuggestions) break;
        if (found.size() > before && form.candidate.distance > found[before].distance + 1) break;
        if (form.counted_only && !dictionary.Spell(form.candidate.suggestion.word)) continue;
        found.push_back(std::move(form.candidate));
    }
    return found.size() > before;
}

bool IsWordOfItsOwn(const lexicon::Lexicon& lexicon, std::u16string_view word,
                    const std::vector<Candidate>& marks) {
    const std::uint32_t own = lexicon.Count(SmallUtf8(word));
    if (own == 0) return false;
    return std::all_of(marks.begin(), marks.end(), [&](const Candidate& mark) {
        return own >= lexicon.Count(SmallUtf8(mark.suggestion.word));
    });
}

}  // namespace zv::checker

#include "restore/restore.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <utility>

#include "checker/latvian_line.h"
#include "checker/letters.h"
#include "checker/readings.h"
#include "checker/typed_form.h"
#include "engine/references.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"

namespace zv::restore {
namespace {

using lexicon::EndingId;
using lexicon::FormId;
using lexicon::Lexicon;

// The language model's settings, chosen on the tuning part of the balanced text
// (tools/restore_accuracy.py). A form's score is the log of its share of the counts, plus
// kPairWeight times the log of how much more likely the word bigram makes it after the form
// before it, plus kEndingWeight times the same for the bigram of their endings. The bigram's
// estimate is mixed with the form's share as a form followed by kPairPrior more words would be.
constexpr double kPairWeight = 0.7;
constexpr double kPairPrior = 50;
constexpr double kEndingWeight = 0.5;
constexpr double kEndingPrior = 100;
// The count a form without one is taken to have: one the dictionary makes, and one not known.
constexpr double kDictionaryFormCount = 0.5;
constexpr double kUnknownFormCount = 0.01;
// A choice whose best path beats the best with another form by less than this (in the log of
// the path's probability) is uncertain; forms within kOtherMargin of the best are offered.
constexpr double kUncertainMargin = 2.0;
constexpr double kOtherMargin = 6.0;
constexpr std::size_t kMaxOthers = 4;
constexpr std::size_t kMaxWordLength = 48;

// One form a word may take.
struct Candidate {
    std::string form;  // lower case, UTF-8
    FormId id = lexicon::kNoForm;
    EndingId ending = lexicon::kNoEnding;
    double share = 0;  // of all counts
};

// What is known of a word as typed in small letters.
struct Word {
    std::vector<Candidate> candidates;  // the word as typed first
    bool latvian = false;               // a Latvian word, with or without marks
};

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

char16_t CapitalOf(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
    // ā č ē ģ ī ķ ļ ņ ŗ š ū ž: the capital is the code point before.
    if (c >= 0x100 && c < 0x180 && (c & 1) == 1) return static_cast<char16_t>(c - 1);
    return c;
}

bool IsLineEnd(char16_t c) { return c == u'\r' || c == u'\n'; }

}  // namespace

struct Restorer::State {
    const Lexicon& lexicon;
    std::unordered_map<std::u16string, Word> words;
    double total;
    double ending_total;

    explicit State(const Lexicon& l)
        : lexicon(l),
          total(static_cast<double>(std::max<std::uint64_t>(l.TotalCount(), 1))),
          ending_total(static_cast<double>(l.RunningWords())) {}

    Candidate Make(std::string form) const {
        Candidate c;
        c.id = lexicon.Id(form);
        const double count = lexicon.Count(c.id);
        c.share = (count > 0             ? count
                   : lexicon.Knows(form) ? kDictionaryFormCount
                                         : kUnknownFormCount) /
                  total;
        c.ending = lexicon.Ending(form);
        c.form = std::move(form);
        return c;
    }

    const Word& Lookup(const std::u16string& small) {
        auto at = words.find(small);
        if (at != words.end()) return at->second;
        Word word;
        std::string typed = ToUtf8(small);
        word.latvian = lexicon.Knows(typed);
        word.candidates.push_back(Make(typed));
        for (lexicon::Form& form : lexicon.FormsOf(typed)) {
            if (form.form == typed) continue;
            word.latvian = word.latvian || form.count > 0;
            word.candidates.push_back(Make(std::move(form.form)));
        }
        if (words.size() > (1u << 20)) words.clear();
        return words.emplace(small, std::move(word)).first->second;
    }

    // The score of form next after form first (see the settings above).
    double Score(const Candidate& first, const Candidate& next) const {
        double score = std::log(next.share);
        const double followers = lexicon.FollowerTotal(first.id);
        if (followers > 0) {
            const double seen = lexicon.PairCount(first.id, next.id) / followers;
            const double mix = followers / (followers + kPairPrior);
            score += kPairWeight * std::log((mix * seen + (1 - mix) * next.share) / next.share);
        } else {
            // score += kPairWeight * log(1): no pair known
        }
        const double after = lexicon.EndingFollowerTotal(first.ending);
        const double alone = (lexicon.EndingCount(next.ending) + 1.0) / (ending_total + 1000.0);
        const double pair =
            (lexicon.EndingPairCount(first.ending, next.ending) + kEndingPrior * alone) /
            (after + kEndingPrior);
        score += kEndingWeight * std::log(pair / alone);
        return score;
    }
};

namespace {

// A word of a line: its place, and either its forms to choose from or the one it stays.
struct Token {
    std::size_t begin, end;
    const Word* word = nullptr;  // null: stays as typed
    Candidate fixed;             // the word as it stays, when it does
    bool counted = false;        // counts in the line's share of Latvian words
    bool latvian = false;
};

}  // namespace

Restorer::Restorer(const Lexicon& lexicon) : state_(std::make_unique<State>(lexicon)) {}
Restorer::~Restorer() = default;

Restored Restorer::Restore(std::u16string_view text) {
    Restored result;
    std::size_t copied = 0;  // text before this is in result.text
    const Candidate start{"", lexicon::kLineStart, lexicon::kLineStartEnding, 1.0};
    std::vector<Token> line;

    // The best path over one line's tokens, and the rewriting of its words.
    const auto finish_line = [&] {
        std::size_t counted = 0, latvian = 0;
        for (const Token& t : line) {
            counted += t.counted ? 1 : 0;
            latvian += t.counted && t.latvian ? 1 : 0;
        }
        if (line.empty() || 2 * latvian <= counted) {
            line.clear();
            return;
        }
        const std::size_t n = line.size();
        const auto options = [&](std::size_t i) -> std::span<const Candidate> {
            if (line[i].word) return line[i].word->candidates;
            return {&line[i].fixed, 1};
        };
        // forward[i][c]: the best score of a path from the line's start to candidate c of
        // token i; backward[i][c]: the best from there to the line's end; their sum is the
        // best path through c.
        std::vector<std::vector<double>> forward(n), backward(n);
        for (std::size_t i = 0; i < n; ++i) {
            const auto here = options(i);
            forward[i].assign(here.size(), -std::numeric_limits<double>::infinity());
            for (std::size_t c = 0; c < here.size(); ++c) {
                if (i == 0) {
                    forward[i][c] = state_->Score(start, here[c]);
                    continue;
                }
                const auto before = options(i - 1);
                for (std::size_t b = 0; b < before.size(); ++b) {
                    forward[i][c] = std::max(forward[i][c],
                                             forward[i - 1][b] + state_->Score(before[b], here[c]));
                }
            }
        }
        for (std::size_t i = n; i-- > 0;) {
            const auto here = options(i);
            backward[i].assign(here.size(),
                               i + 1 == n ? 0.0 : -std::numeric_limits<double>::infinity());
            if (i + 1 == n) continue;
            const auto after = options(i + 1);
            for (std::size_t c = 0; c < here.size(); ++c) {
                for (std::size_t a = 0; a < after.size(); ++a) {
                    backward[i][c] = std::max(
                        backward[i][c], state_->Score(here[c], after[a]) + backward[i + 1][a]);
                }
            }
        }
        for (std::size_t i = 0; i < n; ++i) {
            const Token& t = line[i];
            if (!t.word) continue;
            const auto here = options(i);
            std::vector<std::pair<double, std::size_t>> ranked;
            for (std::size_t c = 0; c < here.size(); ++c) {
                ranked.emplace_back(forward[i][c] + backward[i][c], c);
            }
            std::stable_sort(ranked.begin(), ranked.end(),
                             [](const auto& x, const auto& y) { return x.first > y.first; });
            const std::u16string_view typed = text.substr(t.begin, t.end - t.begin);
            // The form in letters with the typed word's capitals, and what to type for it.
            const auto alternative = [&](const Candidate& c) {
                Alternative a;
                a.word = ToUtf16(c.form);
                for (std::size_t k = 0; k < a.word.size() && k < typed.size(); ++k) {
                    if (checker::IsCapital(typed[k])) a.word[k] = CapitalOf(a.word[k]);
                }
                if (a.word == typed) {
                    a.typed = a.word;
                    return a;
                }
                const auto units = checker::WithMarks(checker::SplitWord(typed), nullptr);
                std::vector<std::size_t> choice(units.size(), 0);
                for (std::size_t k = 0; k < units.size() && k < a.word.size(); ++k) {
                    if (a.word[k] != typed[k]) choice[k] = units[k].readings.size() > 1 ? 1 : 0;
                }
                a.typed = checker::TypedForm(units, choice, a.word);
                return a;
            };
            Alternative chosen = alternative(here[ranked[0].second]);
            if (chosen.typed.empty()) continue;  // nothing typed gives it: the word stays
            result.text.append(text.substr(copied, t.begin - copied));
            const std::size_t out_begin = result.text.size();
            result.text.append(chosen.typed);
            copied = t.end;
            if (chosen.word != typed) ++result.changed;
            if (ranked.size() > 1 && ranked[0].first - ranked[1].first < kUncertainMargin) {
                Uncertain u;
                u.begin = t.begin;
                u.length = t.end - t.begin;
                u.out_begin = out_begin;
                u.out_length = chosen.typed.size();
                u.typed = std::u16string(typed);
                u.chosen = std::move(chosen);
                for (std::size_t r = 1; r < ranked.size() && u.others.size() < kMaxOthers; ++r) {
                    if (ranked[0].first - ranked[r].first >= kOtherMargin) break;
                    Alternative other = alternative(here[ranked[r].second]);
                    if (!other.typed.empty()) u.others.push_back(std::move(other));
                }
                result.uncertain.push_back(std::move(u));
            }
        }
        line.clear();
    };

    checker::CodeRuns runs(text);
    std::size_t last_end = 0;
    checker::ForEachWord(text, [&](std::size_t begin, std::size_t end) {
        const std::u16string_view between = text.substr(last_end, begin - last_end);
        if (std::any_of(between.begin(), between.end(), IsLineEnd)) finish_line();
        last_end = end;
        const std::u16string_view typed = text.substr(begin, end - begin);
        Token t{begin, end, nullptr, {}, false, false};
        const bool in_code = runs.InCode(begin, end);
        const bool plain = std::all_of(typed.begin(), typed.end(), IsAsciiLetter);
        bool open = plain && typed.size() >= 2 && typed.size() <= kMaxWordLength && !in_code;
        std::u16string small;
        if (open) {
            for (const checker::Unit& unit : checker::SplitWord(typed)) {
                if (unit.readings.size() != 1 || unit.typed.size() != 1) open = false;
            }
            for (const char16_t c : typed) small += checker::ToSmall(c);
        }
        t.counted = typed.size() >= 2 && !in_code && !checker::IsCapitalsWord(typed);
        if (open) {
            t.word = &state_->Lookup(small);
            t.latvian = t.word->latvian;
        } else {
            // A word typed with marks or conventions is Latvian as typed; its letters are the
            // context of the words around it.
            std::u16string letters = ReferencesToLetters(Transliterate(typed));
            for (char16_t& c : letters) c = checker::ToSmall(c);
            t.latvian = !plain;
            t.fixed = state_->Make(ToUtf8(letters));
            t.latvian = t.latvian || state_->lexicon.Knows(t.fixed.form);
        }
        line.push_back(std::move(t));
        return true;
    });
    finish_line();
    result.text.append(text.substr(copied));
    return result;
}

}  // namespace zv::restore

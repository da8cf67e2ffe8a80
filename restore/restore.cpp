#include "restore/restore.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "checker/dictionary.h"
#include "checker/latvian_line.h"
#include "checker/letters.h"
#include "checker/readings.h"
#include "checker/typed_form.h"
#include "engine/line_ends.h"
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
constexpr double kPairWeight = 0.5;
constexpr double kPairPrior = 50;
constexpr double kEndingWeight = 0.5;
constexpr double kEndingPrior = 300;
// The count a form without one is taken to have: one the dictionary makes, kDictionaryFormCount
// times 1000 times its ending's share of running text (so that of two forms unseen, the one
// with the commoner ending wins: "-ā" and "-a" are told apart so); a word known in no form,
// as typed kUnknownFormCount and with its marks guessed kGuessedFormCount, so that the guess
// wins but for the context's word pairs. On tuning fold 0 with tables without it, an unknown
// form's count 0.01 -> 0.0001 took the words right from 92.74 % to 92.80 %, and the guess on
// to 92.98 %: for a word in small letters only, as such a word with a capital is most often a
// name (guessed too, 92.76 %). A dictionary's form counted 0.15 rather than 0.5 took the wrong
// words from 1,552 to 1,538 on tuning fold 0 and from 1,734 to 1,714 on fold 1 (0.1 to 0.25
// within 6 of that on both): a form no counted text has is rarer than its ending made it.
constexpr double kDictionaryFormCount = 0.15;
constexpr double kUnknownFormCount = 0.0001;
constexpr double kGuessedFormCount = 0.01;
// A guessed letter takes its mark where known forms with the same letters around it have it
// marked more than kGuessRatio times as often as not (Lexicon::MarksAround); 2 and 3 measured
// the same on that fold, 1 changed one more English word.
constexpr double kGuessRatio = 2;
// The forms a dictionary is asked for, of a word the lexicon knows in no form.
constexpr std::size_t kMaxDictionaryForms = 48;
constexpr int kMaxDictionaryMarks = 3;
// A choice whose best path beats the best with another form by less than this (in the log of
// the path's probability) is uncertain, and so is a word known in no form (a name, a rare form
// the dictionary lacks: 2 % of the words of edited text, 40 % of them wrong as typed); forms
// within kOtherMargin of the best are offered. The margin keeps the words marked under 20 % on a
// fold of the tuning part measured on tables without it (tuning fold 0: 19.7 %, catching 78.9 %
// of the wrong choices).
constexpr double kUncertainMargin = 3.25;
constexpr double kOtherMargin = 6.0;
constexpr std::size_t kMaxOthers = 4;
constexpr std::size_t kMaxWordLength = 48;

// One form a word may take.
struct Candidate {
    std::string form;  // lower case, UTF-8
    FormId id = lexicon::kNoForm;
    EndingId ending = lexicon::kNoEnding;
    double share = 0;      // of all counts
    double log_share = 0;  // its log
    // As the form before another: how many words followed it, and the log of the weight the
    // bigram's mix gives the next form's share; the same for its ending.
    double followers = 0, log_unseen_pair = 0;
    double ending_followers = 0, log_unseen_ending = 0;
    double log_ending_share = 0;  // the log of its ending's share of running text
};

// What is known of a word as typed in small letters.
struct Word {
    std::vector<Candidate> candidates;  // the word as typed first
    bool latvian = false;               // a Latvian word, with or without marks
    bool unknown = false;               // known in no form, not even as typed
    bool guessed = false;  // of an unknown word: the last candidate is its marks guessed
};

// What is known of a word as typed, its capitals too.
struct TypedWord {
    const Word* word = nullptr;  // its forms to choose from; null: it stays as typed
    Candidate fixed;             // the word as it stays, when it does
    bool latvian = false;
    bool counted = false;  // two letters or more, not all capitals
    bool small = false;    // typed in small letters only: an unknown word's guess is a choice
    // For each of word's candidates: the form with the typed capitals, and what to type for it
    // (made on first use; empty typed: nothing found converts to it).
    std::vector<Alternative> alternatives;
    std::vector<bool> made;
};

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

char16_t CapitalOf(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
    // ā č ē ģ ī ķ ļ ņ ŗ š ū ž and their capitals.
    constexpr std::u16string_view small = u"āčēģīķļņŗšūž", capital = u"ĀČĒĢĪĶĻŅŖŠŪŽ";
    const std::size_t at = small.find(c);
    return at == std::u16string_view::npos ? c : capital[at];
}

// A line end of engine/line_ends.h (CR, LF, U+2028, U+2029), as the check and zv-convert read
// lines.
bool IsLineEnd(char16_t c) { return LineEndLength(std::u16string_view(&c, 1), 0) > 0; }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLetter(char16_t c) { return IsAsciiLetter(c) || c >= 0xC0; }

// Whether a run of text between blanks is an address or code (checker::IsCode), a dot after a
// number or an initial and before a word being no sign of it: "1914.gadā", "28.minūtē",
// "A.Leimanis", "U.H.Korbergs" are words, as "www.cvk.lv" and "teksts.txt" are not.
bool IsCodeRun(std::u16string_view run) {
    std::u16string words(run);
    for (std::size_t i = 1; i + 1 < words.size(); ++i) {
        if (words[i] != u'.' || !IsLetter(words[i + 1])) continue;
        const bool number = IsDigit(words[i - 1]);
        const bool initial = checker::IsCapital(words[i - 1]) && checker::IsCapital(words[i + 1]) &&
                             (i == 1 || !IsLetter(words[i - 2]));
        if (number || initial) words[i] = u' ';
    }
    return checker::IsCode(words);
}

// Whether the words of a text, met in order, stand in a run that IsCodeRun; each run is looked
// at once.
class CodeRuns {
  public:
    explicit CodeRuns(std::u16string_view text) : text_(text) {}

    bool InCode(std::size_t begin, std::size_t end) {
        if (begin >= run_end_) {
            const auto [from, to] = checker::RunBetweenBlanks(text_, begin, end);
            run_end_ = to;
            in_code_ = IsCodeRun(text_.substr(from, to - from));
        }
        return in_code_;
    }

  private:
    std::u16string_view text_;
    std::size_t run_end_ = 0;
    bool in_code_ = false;
};

}  // namespace

struct Restorer::State {
    const Lexicon& lexicon;
    DictionaryForms dictionary;
    std::unordered_map<std::u16string, Word> words;       // by the word in small letters
    std::unordered_map<std::u16string, TypedWord> typed;  // by the word as typed
    Candidate in_code;                                    // a word of an address or code

    // The words remembered are forgotten past this many (a window that restores as the user
    // types meets ever new ones); only between lines, as the line's tokens point to them.
    void Forget() {
        if (words.size() + typed.size() > (1u << 20)) {
            typed.clear();
            words.clear();
        }
    }

    TypedWord& LookupTyped(std::u16string_view word);
    const Alternative& AlternativeOf(TypedWord& t, std::u16string_view typed_word,
                                     std::size_t candidate);
    double total;
    double ending_total;

    State(const Lexicon& l, DictionaryForms d)
        : lexicon(l),
          dictionary(std::move(d)),
          total(static_cast<double>(std::max<std::uint64_t>(l.TotalCount(), 1))),
          ending_total(static_cast<double>(l.RunningWords())) {}

    // The line's start, as the form before its first word.
    Candidate LineStart() const {
        Candidate c = Make("");
        c.id = lexicon::kLineStart;
        c.ending = lexicon::kLineStartEnding;
        c.followers = lexicon.FollowerTotal(c.id);
        c.log_unseen_pair = std::log(kPairPrior / (c.followers + kPairPrior));
        c.ending_followers = lexicon.EndingFollowerTotal(c.ending);
        c.log_unseen_ending = std::log(kEndingPrior / (c.ending_followers + kEndingPrior));
        return c;
    }

    // A candidate; in_dictionary: a form the dictionary accepts that the lexicon lacks.
    Candidate Make(std::string form, bool in_dictionary = false, bool guessed = false) const {
        Candidate c;
        c.id = lexicon.Id(form);
        c.ending = lexicon.Ending(form);
        double count = lexicon.Count(c.id);
        if (count == 0 && (in_dictionary || lexicon.Knows(form))) {
            const double ending = (lexicon.EndingCount(c.ending) + 1.0) / (ending_total + 1000.0);
            count = kDictionaryFormCount * 1000 * ending;
        } else if (count == 0) {
            count = guessed ? kGuessedFormCount : kUnknownFormCount;
        }
        c.share = count / total;
        c.log_share = std::log(c.share);
        c.followers = lexicon.FollowerTotal(c.id);
        c.log_unseen_pair = std::log(kPairPrior / (c.followers + kPairPrior));
        c.ending_followers = lexicon.EndingFollowerTotal(c.ending);
        c.log_unseen_ending = std::log(kEndingPrior / (c.ending_followers + kEndingPrior));
        c.log_ending_share =
            std::log((lexicon.EndingCount(c.ending) + 1.0) / (ending_total + 1000.0));
        c.form = std::move(form);
        return c;
    }

    const Word& Lookup(const std::u16string& small) {
        auto at = words.find(small);
        if (at != words.end()) return at->second;
        Word word;
        std::string letters = ToUtf8(small);
        // A Latvian word when the dictionary makes it, or makes a form of it with marks that
        // the counted text has (English "the", "you" are counted, as subtitles have them).
        word.latvian = lexicon.InDictionary(letters);
        word.candidates.push_back(Make(letters));
        for (lexicon::Form& form : lexicon.FormsOf(letters)) {
            if (form.form == letters) continue;
            word.latvian = word.latvian || (form.count > 0 && lexicon.InDictionary(form.form));
            word.candidates.push_back(Make(std::move(form.form)));
        }
        if (word.candidates.size() == 1 && !lexicon.Knows(letters) && dictionary) {
            for (std::string& form : dictionary(letters)) {
                word.latvian = true;
                word.candidates.push_back(Make(std::move(form), true));
            }
        }
        word.unknown = word.candidates.size() == 1 && !lexicon.Knows(letters);
        if (word.unknown) {
            // The marks guessed letter by letter from the known forms with the same letters
            // around it: a mark where it is kGuessRatio times as common as none.
            std::string guess;
            for (std::size_t i = 0; i < letters.size(); ++i) {
                const Lexicon::MarkCounts counts = lexicon.MarksAround(letters, i);
                const char16_t marked = PairLetter(small[i], PairSecond(small[i]));
                if (marked != 0 && counts.marked > kGuessRatio * counts.plain) {
                    AppendCodePoint(marked, guess);
                } else {
                    guess += letters[i];
                }
            }
            if (guess != letters) {
                word.guessed = true;
                word.candidates.push_back(Make(std::move(guess), false, true));
            }
        }
        return words.emplace(small, std::move(word)).first->second;
    }

    // The score of form next after form first (see the settings above).
    double Score(const Candidate& first, const Candidate& next) const {
        double score = next.log_share;
        // The bigram's estimate mixed with the form's share: only a pair seen changes the
        // weight given to the share alone.
        if (first.followers > 0) {
            const double seen = lexicon.PairCount(first.id, next.id);
            score += kPairWeight *
                     (seen > 0 ? std::log((seen / (first.followers + kPairPrior)) / next.share +
                                          kPairPrior / (first.followers + kPairPrior))
                               : first.log_unseen_pair);
        }
        const double pair = lexicon.EndingPairCount(first.ending, next.ending);
        score += kEndingWeight *
                 (pair > 0 ? std::log((pair + kEndingPrior * std::exp(next.log_ending_share)) /
                                      (first.ending_followers + kEndingPrior)) -
                                 next.log_ending_share
                           : first.log_unseen_ending);
        return score;
    }
};

namespace {

// A word of a line: its place, and either its forms to choose from or the one it stays.
struct Token {
    std::size_t begin, end;
    TypedWord* typed;  // null: a word of an address or code, which stays
};

}  // namespace

TypedWord& Restorer::State::LookupTyped(std::u16string_view word) {
    const std::u16string key(word);
    if (const auto at = typed.find(key); at != typed.end()) return at->second;
    TypedWord t;
    t.counted = word.size() >= 2 && !checker::IsCapitalsWord(word);
    t.small = std::none_of(word.begin(), word.end(), checker::IsCapital);
    bool open = word.size() >= 2 && word.size() <= kMaxWordLength &&
                std::all_of(word.begin(), word.end(), IsAsciiLetter);
    // A pair the conventions read ("sh", "ee") is a convention typed, and the word stays, when
    // the conventions make a known form of it ("Riiga"); otherwise the pair may be letters of
    // a word typed without marks ("jaatzist" for jāatzīst), and the word's letters as typed
    // are restored when they are a known form or have one with marks.
    bool pairs = false;
    for (std::size_t k = 0; open && k + 1 < word.size(); ++k) {
        pairs = pairs || PairLetter(word[k], word[k + 1]) != 0;
    }
    std::u16string small;
    for (const char16_t c : word) small += checker::ToSmall(c);
    if (open && pairs) {
        std::u16string letters = ReferencesToLetters(Transliterate(small));
        open = !lexicon.Knows(ToUtf8(letters)) &&
               (lexicon.Knows(ToUtf8(small)) || Lookup(small).candidates.size() > 1);
    }
    if (open) {
        t.word = &Lookup(small);
        t.latvian = t.word->latvian;
        t.alternatives.resize(t.word->candidates.size());
        t.made.resize(t.word->candidates.size());
    } else {
        // A word that stays: its letters are the context of the words around it. It is
        // Latvian when they are a known form, or when it was typed with a Latvian letter (a
        // pair the conventions read, as English "she" or "see" has, is no sign).
        std::u16string letters = ReferencesToLetters(Transliterate(word));
        for (char16_t& c : letters) c = checker::ToSmall(c);
        t.fixed = Make(ToUtf8(letters));
        t.latvian = lexicon.InDictionary(t.fixed.form) ||
                    std::any_of(word.begin(), word.end(),
                                [](char16_t c) { return CapitalOf(c) != c && c > u'z'; });
    }
    return typed.emplace(key, std::move(t)).first->second;
}

// The form of candidate c with the typed word's capitals, and what to type for it.
const Alternative& Restorer::State::AlternativeOf(TypedWord& t, std::u16string_view word,
                                                  std::size_t c) {
    Alternative& a = t.alternatives[c];
    if (t.made[c]) return a;
    t.made[c] = true;
    a.word = ToUtf16(t.word->candidates[c].form);
    for (std::size_t k = 0; k < a.word.size() && k < word.size(); ++k) {
        if (checker::IsCapital(word[k])) a.word[k] = CapitalOf(a.word[k]);
    }
    // The word as typed stays as typed, unless the conventions read a pair of it as one letter
    // ("bataljona" gives bataļona): then what converts to its letters is found as for any form.
    if (a.word == word && ReferencesToLetters(Transliterate(word)) == word) {
        a.typed = a.word;
        return a;
    }
    // The reading of each typed unit (a letter, or a letter with its mark added; a pair read as
    // its letter or as the two letters typed) that spells the form, found depth first.
    auto units = checker::WithMarks(checker::SplitWord(word), nullptr);
    // A pair read as its two letters may have a mark on either ("jaatzist": jāatzīst), typed
    // as a hexadecimal reference so that the two are not paired again.
    for (checker::Unit& unit : units) {
        if (!unit.pair || unit.typed.size() != 2) continue;
        const char16_t x = unit.typed[0], y = unit.typed[1];
        const char16_t mx = PairLetter(x, PairSecond(x)), my = PairLetter(y, PairSecond(y));
        const auto add = [&](char16_t first, char16_t second, bool hex_first, bool hex_second) {
            std::u16string spelled =
                (hex_first ? HexReference(first) : std::u16string(1, first)) +
                (hex_second ? HexReference(second) : std::u16string(1, second));
            unit.readings.push_back({std::u16string{first, second}, spelled, spelled});
        };
        if (mx) add(mx, y, true, false);
        if (my) add(x, my, false, true);
        if (mx && my) add(mx, my, true, true);
    }
    std::vector<std::size_t> choice(units.size(), 0);
    const std::u16string_view form = a.word;
    const auto spell = [&](const auto& self, std::size_t k, std::size_t at) -> bool {
        if (k == units.size()) return at == form.size();
        for (std::size_t r = 0; r < units[k].readings.size(); ++r) {
            const std::u16string& letters = units[k].readings[r].letters;
            if (form.substr(at).starts_with(letters) && self(self, k + 1, at + letters.size())) {
                choice[k] = r;
                return true;
            }
        }
        return false;
    };
    if (spell(spell, 0, 0)) a.typed = checker::TypedForm(units, choice, a.word);
    return a;
}

Restorer::Restorer(const Lexicon& lexicon, DictionaryForms dictionary)
    : state_(std::make_unique<State>(lexicon, std::move(dictionary))) {}

DictionaryForms HunspellForms(const std::string& base) {
    checker::Checker::Unusable why{};
    std::shared_ptr<checker::Dictionary> opened = checker::Dictionary::Open(base, &why, nullptr);
    if (!opened) return {};
    auto mutex = std::make_shared<std::mutex>();
    return FormsAcceptedBy([opened, mutex](std::u16string_view form) {
        const std::lock_guard lock(*mutex);
        return opened->Accepts(form);
    });
}

DictionaryForms FormsAcceptedBy(std::function<bool(std::u16string_view word)> accepts) {
    return [accepts = std::move(accepts)](std::string_view plain) {
        const std::u16string word = ToUtf16(plain);
        std::vector<std::size_t> open;  // the letters that may take a mark
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (word[i] < 0x80 && PairLetter(word[i], PairSecond(word[i])) != 0) open.push_back(i);
        }
        // Fewest marks first: every choice of one, two, three of the open letters.
        std::vector<std::string> found;
        std::size_t asked = 0;
        for (int marks = 1; marks <= kMaxDictionaryMarks && marks <= static_cast<int>(open.size());
             ++marks) {
            std::vector<bool> chosen(open.size(), false);
            std::fill(chosen.begin(), chosen.begin() + marks, true);
            do {
                if (asked++ >= kMaxDictionaryForms) return found;
                std::u16string form = word;
                for (std::size_t j = 0; j < open.size(); ++j) {
                    if (chosen[j])
                        form[open[j]] = PairLetter(form[open[j]], PairSecond(form[open[j]]));
                }
                if (accepts(form)) found.push_back(ToUtf8(form));
            } while (std::prev_permutation(chosen.begin(), chosen.end()));
        }
        return found;
    };
}

Restorer::~Restorer() = default;

Restored Restorer::Restore(std::u16string_view text, std::stop_token stop) {
    Restored result;
    std::size_t copied = 0;  // text before this is in result.text
    const Candidate start = state_->LineStart();
    std::vector<Token> line;

    // The best path over one line's tokens, and the rewriting of its words.
    const auto finish_line = [&] {
        std::size_t counted = 0, latvian = 0;
        // Words in capitals count only on a line of nothing else ("RIGA UN LIEPAJA").
        std::size_t capitals = 0, latvian_capitals = 0;
        for (const Token& t : line) {
            if (!t.typed || t.end - t.begin < 2) continue;
            (t.typed->counted ? counted : capitals) += 1;
            (t.typed->counted ? latvian : latvian_capitals) += t.typed->latvian ? 1 : 0;
        }
        if (counted == 0) {
            counted = capitals;
            latvian = latvian_capitals;
        }
        // A line of as many Latvian words as others is Latvian: short lines of names and
        // rare words are ("Dzons visticamak bija analfabets.").
        if (line.empty() || latvian == 0 || 2 * latvian < counted) {
            line.clear();
            state_->Forget();
            return;
        }
        const std::size_t n = line.size();
        const auto options = [&](std::size_t i) -> std::span<const Candidate> {
            const TypedWord* t = line[i].typed;
            if (!t) return {&state_->in_code, 1};
            if (t->word && t->word->guessed && !t->small) {
                return std::span<const Candidate>(t->word->candidates).first(1);
            }
            if (t->word) return t->word->candidates;
            return {&t->fixed, 1};
        };
        // scores[i][b * here + c]: the score of candidate c of token i after candidate b of
        // token i - 1 (the line's start for i = 0); forward[i][c]: the best score of a path
        // from the line's start to c; backward[i][c]: the best from c to the line's end. Their
        // sum is the best path through c.
        std::vector<std::vector<double>> scores(n), forward(n), backward(n);
        constexpr double kNone = -std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < n; ++i) {
            const auto here = options(i);
            const auto before = i == 0 ? std::span<const Candidate>(&start, 1) : options(i - 1);
            scores[i].resize(before.size() * here.size());
            forward[i].assign(here.size(), kNone);
            for (std::size_t b = 0; b < before.size(); ++b) {
                const double so_far = i == 0 ? 0.0 : forward[i - 1][b];
                for (std::size_t c = 0; c < here.size(); ++c) {
                    const double score = state_->Score(before[b], here[c]);
                    scores[i][b * here.size() + c] = score;
                    forward[i][c] = std::max(forward[i][c], so_far + score);
                }
            }
        }
        for (std::size_t i = n; i-- > 0;) {
            const std::size_t here = options(i).size();
            backward[i].assign(here, i + 1 == n ? 0.0 : kNone);
            if (i + 1 == n) continue;
            const std::size_t after = options(i + 1).size();
            for (std::size_t c = 0; c < here; ++c) {
                for (std::size_t a = 0; a < after; ++a) {
                    backward[i][c] =
                        std::max(backward[i][c], scores[i + 1][c * after + a] + backward[i + 1][a]);
                }
            }
        }
        for (std::size_t i = 0; i < n; ++i) {
            const Token& t = line[i];
            if (!t.typed || !t.typed->word) continue;
            const auto here = options(i);
            std::vector<std::pair<double, std::size_t>> ranked;
            for (std::size_t c = 0; c < here.size(); ++c) {
                ranked.emplace_back(forward[i][c] + backward[i][c], c);
            }
            std::stable_sort(ranked.begin(), ranked.end(),
                             [](const auto& x, const auto& y) { return x.first > y.first; });
            const std::u16string_view typed = text.substr(t.begin, t.end - t.begin);
            const auto alternative = [&](std::size_t c) -> const Alternative& {
                return state_->AlternativeOf(*t.typed, typed, c);
            };
            const Alternative& chosen = alternative(ranked[0].second);
            if (chosen.typed.empty()) continue;  // nothing typed gives it: the word stays
            result.text.append(text.substr(copied, t.begin - copied));
            const std::size_t out_begin = result.text.size();
            result.text.append(chosen.typed);
            copied = t.end;
            if (chosen.word != typed) ++result.changed;
            if (t.typed->word->unknown ||
                (ranked.size() > 1 && ranked[0].first - ranked[1].first < kUncertainMargin)) {
                Uncertain u;
                u.begin = t.begin;
                u.length = t.end - t.begin;
                u.out_begin = out_begin;
                u.out_length = chosen.typed.size();
                u.typed = std::u16string(typed);
                u.chosen = chosen;
                for (std::size_t r = 1; r < ranked.size() && u.others.size() < kMaxOthers; ++r) {
                    if (ranked[0].first - ranked[r].first >= kOtherMargin) break;
                    const Alternative& other = alternative(ranked[r].second);
                    if (!other.typed.empty()) u.others.push_back(other);
                }
                result.uncertain.push_back(std::move(u));
            }
        }
        line.clear();
    };

    CodeRuns runs(text);
    std::size_t last_end = 0;
    checker::ForEachWord(text, [&](std::size_t begin, std::size_t end) {
        const std::u16string_view between = text.substr(last_end, begin - last_end);
        if (std::any_of(between.begin(), between.end(), IsLineEnd)) {
            finish_line();
            if (stop.stop_requested()) return false;
        } else if (!line.empty() && between.find(u',') != std::u16string_view::npos) {
            // A comma between two words is a word of its own to the word bigram ("..., ka").
            const std::size_t comma = last_end + between.find(u',');
            line.push_back({comma, comma + 1, &state_->LookupTyped(u",")});
        }
        last_end = end;
        const std::u16string_view typed = text.substr(begin, end - begin);
        TypedWord* known = runs.InCode(begin, end) ? nullptr : &state_->LookupTyped(typed);
        line.push_back({begin, end, known});
        return true;
    });
    finish_line();
    state_->Forget();
    result.text.append(text.substr(copied));
    return result;
}

}  // namespace zv::restore

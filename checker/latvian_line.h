// The Latvian-line rule: marks left out are suggested only on a line whose words are mostly
// Latvian, and not for a word of an address, a file name or code, so that English, code and
// addresses in a text are not flagged ("self" → "šelf", "are" → "āre").
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "checker/checker.h"
#include "checker/verdict.h"

namespace zv::checker {

// The run of text between blanks that holds [begin, end).
std::pair<std::size_t, std::size_t> RunBetweenBlanks(std::u16string_view text, std::size_t begin,
                                                     std::size_t end);

// True when a run of text between blanks is an address, a file name or code rather than
// words: it has "://", an at sign, a backslash, an underscore or another sign of code, or a
// dot between two letters or digits ("www.example.lv", "teksts.txt", "a_b"). Words joined by
// a slash or a hyphen are words.
bool IsCode(std::u16string_view run);

// The words of one line: how many count in its share of Latvian words, how many of those
// are Latvian, and those with something to suggest, whose suggestions depend on the whole line.
class LatvianLine {
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
    void End(std::vector<Finding>& findings);

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
            const auto [from, to] = RunBetweenBlanks(text_, begin, end);
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

}  // namespace zv::checker

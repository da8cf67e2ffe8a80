#include "ime/core/checker_dictionary.h"

#include <optional>
#include <utility>

#include "checker/checker.h"
#include "engine/utf8.h"

namespace zv::ime {
namespace {

class CheckerDictionary final : public Dictionary {
  public:
    explicit CheckerDictionary(std::unique_ptr<checker::Checker> checker)
        : checker_(std::move(checker)) {}

    std::vector<Candidate> Suggest(std::u16string_view typed) override {
        std::vector<Candidate> candidates;
        const std::optional<checker::WordVerdict> verdict = checker_->CheckWord(typed);
        if (!verdict) return candidates;
        for (const checker::Suggestion& suggestion : verdict->suggestions) {
            candidates.push_back({ToUtf8(suggestion.word), ToUtf8(suggestion.typed)});
        }
        return candidates;
    }

  private:
    std::unique_ptr<checker::Checker> checker_;
};

}  // namespace

std::unique_ptr<Dictionary> OpenCheckerDictionary() {
    std::unique_ptr<checker::Checker> checker = checker::Checker::OpenDefault();
    if (!checker) return nullptr;
    return std::make_unique<CheckerDictionary>(std::move(checker));
}

}  // namespace zv::ime

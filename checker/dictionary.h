// The Latvian hunspell dictionary the check asks: where it is looked for, what makes one
// usable, and the word starts that rule most readings out before it is asked.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "checker/checker.h"
#include "checker/word_starts.h"

struct Hunhandle;

namespace zv::checker {

// Not thread-safe: the checker asks it under its lock.
class Dictionary {
  public:
    // The dictionary at base (base.aff and base.dic), or null (with the reason in why) when it
    // cannot be used; for NotLatvian, *rejected (when given) is the first of the common words
    // it rejects, in UTF-8.
    static std::unique_ptr<Dictionary> Open(const std::string& base, Checker::Unusable* why,
                                            std::string* rejected);

    ~Dictionary();
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;

    // Whether hunspell accepts word.
    bool Spell(std::u16string_view word);

    // The dictionary's verdict on word; false without asking when the word starts rule it out.
    bool Accepts(std::u16string_view word) {
        return (!starts_ || starts_->MayBeWord(word)) && Spell(word);
    }

    // Rules out most readings before the dictionary is asked; null for a dictionary it cannot
    // model.
    const WordStarts* Starts() const { return starts_ ? &*starts_ : nullptr; }

  private:
    explicit Dictionary(Hunhandle* hunspell) : hunspell_(hunspell) {}
    Hunhandle* hunspell_;
    std::optional<WordStarts> starts_;
    std::string utf8_;  // a reused buffer for the word looked up
};

}  // namespace zv::checker

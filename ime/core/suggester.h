// The dictionary's suggestions for the word being typed, found on a thread of its own so that
// no key ever waits for the dictionary: it is opened there when the first word is asked about,
// and each question replaces the one before it that was not yet taken up.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ime/core/composer.h"

namespace zv::ime {

// What the suggestions come from: the dictionary check, or a fake in tests.
class Dictionary {
  public:
    virtual ~Dictionary() = default;
    // The words offered in place of a typed word, best first; none when the check does not
    // flag it.
    virtual std::vector<Candidate> Suggest(std::u16string_view typed) = 0;
};

class Suggester {
  public:
    // Opens the dictionary; runs on the worker thread, and may give none.
    using Opener = std::function<std::unique_ptr<Dictionary>()>;
    // Called on the worker thread when an answer is ready to be taken: the front end wakes its
    // own thread there (g_idle_add), which then calls TakeAnswer.
    using Notify = std::function<void()>;

    Suggester(Opener open, Notify ready);
    // Waits for the word being looked up, if any.
    ~Suggester();
    Suggester(const Suggester&) = delete;
    Suggester& operator=(const Suggester&) = delete;

    // Asks about a typed word; returns at once.
    void Ask(std::u16string typed);

    struct Answer {
        std::u16string typed;
        std::vector<Candidate> candidates;
    };
    // The latest answer, once.
    std::optional<Answer> TakeAnswer();

  private:
    void Run(std::stop_token stop);

    Opener open_;
    Notify ready_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::optional<std::u16string> question_;
    std::optional<Answer> answer_;
    std::jthread worker_;  // last: started once the rest is in place
};

}  // namespace zv::ime

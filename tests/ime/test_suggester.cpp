// The suggestions' thread: the dictionary opened there on the first question, the latest
// question answered, nothing thrown out of it.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ime/core/suggester.h"

namespace {

using zv::ime::Candidate;
using zv::ime::Dictionary;
using zv::ime::Suggester;

// What the fake dictionary and the thread tell the test, under one lock.
struct Board {
    std::mutex mutex;
    std::condition_variable changed;
    std::thread::id opened_on;
    std::vector<std::u16string> asked;
    bool hold = false;  // Suggest waits while set
    int ready = 0;

    template <typename Condition>
    bool WaitFor(Condition condition) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), condition);
    }
};

// Flags every word but "labi"; offers the word in capitals; throws for "throw".
class FakeDictionary final : public Dictionary {
  public:
    explicit FakeDictionary(Board& board) : board_(board) {}
    std::vector<Candidate> Suggest(std::u16string_view typed) override {
        std::unique_lock lock(board_.mutex);
        board_.asked.emplace_back(typed);
        board_.changed.notify_all();
        board_.changed.wait(lock, [&] { return !board_.hold; });
        if (typed == u"throw") throw std::runtime_error("no");
        if (typed == u"labi") return {};
        return {{"word:" + std::string(typed.begin(), typed.end()), "typed"}};
    }

  private:
    Board& board_;
};

std::unique_ptr<Suggester> MakeSuggester(Board& board) {
    return std::make_unique<Suggester>(
        [&board] {
            const std::lock_guard lock(board.mutex);
            board.opened_on = std::this_thread::get_id();
            return std::make_unique<FakeDictionary>(board);
        },
        [&board] {
            const std::lock_guard lock(board.mutex);
            ++board.ready;
            board.changed.notify_all();
        });
}

TEST(Suggester, OpensTheDictionaryOnItsThreadAtTheFirstQuestion) {
    Board board;
    auto suggester = MakeSuggester(board);
    {
        const std::lock_guard lock(board.mutex);
        EXPECT_EQ(board.opened_on, std::thread::id());
    }
    suggester->Ask(u"sheema");
    ASSERT_TRUE(board.WaitFor([&] { return board.ready == 1; }));
    EXPECT_NE(board.opened_on, std::this_thread::get_id());
    const auto answer = suggester->TakeAnswer();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->typed, u"sheema");
    ASSERT_EQ(answer->candidates.size(), 1u);
    EXPECT_EQ(answer->candidates[0].word, "word:sheema");
    EXPECT_FALSE(suggester->TakeAnswer());
}

TEST(Suggester, AnswersTheLatestQuestionAndSurvivesAFailingWord) {
    Board board;
    auto suggester = MakeSuggester(board);
    {
        const std::lock_guard lock(board.mutex);
        board.hold = true;
    }
    suggester->Ask(u"throw");
    ASSERT_TRUE(board.WaitFor([&] { return board.asked.size() == 1; }));
    // Asked while "throw" is being looked up: only the last of these is looked up after it.
    suggester->Ask(u"s");
    suggester->Ask(u"sh");
    suggester->Ask(u"labi");
    {
        const std::lock_guard lock(board.mutex);
        board.hold = false;
        board.changed.notify_all();
    }
    ASSERT_TRUE(board.WaitFor([&] { return board.ready == 1; }));
    const auto answer = suggester->TakeAnswer();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->typed, u"labi");
    EXPECT_TRUE(answer->candidates.empty());
    const std::lock_guard lock(board.mutex);
    EXPECT_EQ(board.asked, (std::vector<std::u16string>{u"throw", u"labi"}));
}

}  // namespace

#include "ime/core/suggester.h"

#include <exception>
#include <utility>

namespace zv::ime {

Suggester::Suggester(Opener open, Notify ready)
    : open_(std::move(open)),
      ready_(std::move(ready)),
      worker_([this](std::stop_token stop) { Run(stop); }) {}

Suggester::~Suggester() {
    worker_.request_stop();
    wake_.notify_all();
}

void Suggester::Ask(std::u16string typed) {
    {
        const std::lock_guard lock(mutex_);
        question_ = std::move(typed);
    }
    wake_.notify_one();
}

std::optional<Suggester::Answer> Suggester::TakeAnswer() {
    const std::lock_guard lock(mutex_);
    return std::exchange(answer_, std::nullopt);
}

void Suggester::Run(std::stop_token stop) {
    std::unique_ptr<Dictionary> dictionary;
    bool opened = false;
    while (true) {
        std::u16string typed;
        {
            std::unique_lock lock(mutex_);
            if (!wake_.wait(lock, stop, [this] { return question_.has_value(); })) return;
            typed = std::move(*question_);
            question_.reset();
        }
        // Nothing may leave the thread: a dictionary that cannot be opened or a word that
        // cannot be checked gives no suggestions.
        try {
            if (!opened) {
                opened = true;
                dictionary = open_();
            }
            if (!dictionary) continue;
            std::vector<Candidate> candidates = dictionary->Suggest(typed);
            {
                const std::lock_guard lock(mutex_);
                answer_ = Answer{std::move(typed), std::move(candidates)};
            }
            if (!stop.stop_requested()) ready_();
        } catch (const std::exception&) {
        }
    }
}

}  // namespace zv::ime

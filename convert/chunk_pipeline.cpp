#include "convert/chunk_pipeline.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace zv::cli {
namespace {

// Chunks converted on two threads and handed to the sink in order, on the calling thread.
// The calling thread produces the chunks, hands on whatever is next when it is ready and
// converts otherwise, so both cores convert while the input is read and the output written.
// Chunks produced wait in order (at most kMaxChunks, and at most kMaxWaiting bytes of their
// conversions); the buffers of those handed on are used again.
//
// The worker thread, started once a second chunk is there to convert, shares the pipeline's
// state and is not waited for at the end: once no chunk is being converted, the caller may go
// on, while the worker wakes, lets go of the state and its buffers and ends in the background
// (time that a short-lived program need not spend).
class ChunkPipeline {
  public:
    static void Run(const std::function<bool(Chunk&)>& next,
                    const std::function<void(std::string_view, std::string&)>& convert,
                    std::size_t hold, const std::function<void()>& begin,
                    const std::function<void(std::string_view)>& sink) {
        const auto state = std::make_shared<State>(convert, hold);
        struct StopOnExit {  // also when begin, next or the sink fails
            State& state;
            ~StopOnExit() { state.Stop(); }
        } stop_on_exit{*state};
        state->Drive(state, next, begin, sink);
    }

  private:
    static constexpr std::size_t kMaxChunks = 64;
    static constexpr std::size_t kMaxWaiting = std::size_t{16} << 20;
    static constexpr std::size_t kFreeBuffers = 4;

    struct State {
        State(std::function<void(std::string_view, std::string&)> convert, std::size_t hold)
            : convert_(std::move(convert)), hold_(std::min(hold, kMaxWaiting)) {}

        // The calling thread's part: produces the chunks, converts, hands on.
        void Drive(const std::shared_ptr<State>& self, const std::function<bool(Chunk&)>& next,
                   const std::function<void()>& begin,
                   const std::function<void(std::string_view)>& sink) {
            std::unique_lock lock(mutex_);
            while (true) {
                if (failure_) std::rethrow_exception(failure_);
                if (begun_ && !slots_.empty() && slots_.front().stage == Stage::kDone) {
                    HandOn(lock, sink);
                } else if (CanProduce() && to_convert_ < 2) {
                    Produce(lock, self, next);
                } else if (!begun_ && BeginNow()) {
                    begun_ = true;
                    lock.unlock();
                    begin();
                    lock.lock();
                } else if (ended_ && slots_.empty()) {
                    return;
                } else if (to_convert_ > 0) {
                    Convert(lock);
                } else if (CanProduce()) {
                    Produce(lock, self, next);
                } else {
                    changed_.wait(lock);
                }
            }
        }

        void Work() {
            std::unique_lock lock(mutex_);
            try {
                while (true) {
                    changed_.wait(lock, [this] { return stop_ || to_convert_ > 0; });
                    if (stop_) return;
                    Convert(lock);
                }
            } catch (...) {
                if (!lock.owns_lock()) lock.lock();
                failure_ = std::current_exception();
                changed_.notify_all();
            }
        }

        // Tells the worker to take no more chunks and waits until none is being converted.
        void Stop() {
            std::unique_lock lock(mutex_);
            stop_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return converting_ == 0; });
        }

      private:
        enum class Stage { kProduced, kConverting, kDone };
        struct Slot {
            Chunk chunk;
            std::string out;
            Stage stage = Stage::kProduced;
        };

        bool CanProduce() const {
            return !ended_ && !stop_ && slots_.size() < kMaxChunks && waiting_ < kMaxWaiting;
        }

        // Whether begin is due: at once without a hold; otherwise once hold converted bytes
        // wait, no more chunks may wait, or every chunk of the text is converted.
        bool BeginNow() const {
            return hold_ == 0 || waiting_ >= hold_ || (!ended_ && !CanProduce()) ||
                   (ended_ && to_convert_ == 0 && converting_ == 0);
        }

        void Produce(std::unique_lock<std::mutex>& lock, const std::shared_ptr<State>& self,
                     const std::function<bool(Chunk&)>& next) {
            lock.unlock();
            Chunk chunk;
            const bool got = next(chunk);
            lock.lock();
            if (!got) {
                ended_ = true;
                return;
            }
            slots_.push_back({std::move(chunk), {}, Stage::kProduced});
            ++to_convert_;
            if (to_convert_ > 1 && !worker_started_ && std::thread::hardware_concurrency() > 1) {
                worker_started_ = true;
                lock.unlock();
                StartWorker(self);
                lock.lock();
            }
            changed_.notify_all();
        }

        // Takes the first chunk not yet taken and converts it, unlocked meanwhile. A slot stays
        // in place until it is handed on (a deque keeps its elements where they are).
        void Convert(std::unique_lock<std::mutex>& lock) {
            Slot& slot = slots_[first_unconverted_ - handed_on_];
            ++first_unconverted_;
            --to_convert_;
            ++converting_;
            slot.stage = Stage::kConverting;
            std::string out;
            if (!free_.empty()) {
                out = std::move(free_.back());
                free_.pop_back();
            }
            lock.unlock();
            out.clear();
            try {
                Chunk& chunk = slot.chunk;
                if (chunk.converted) {
                    out.swap(chunk.storage);
                } else {
                    convert_(chunk.text.data() ? chunk.text : std::string_view(chunk.storage), out);
                }
                std::string().swap(chunk.storage);
            } catch (...) {
                lock.lock();
                --converting_;
                changed_.notify_all();
                throw;
            }
            lock.lock();
            --converting_;
            waiting_ += out.size();
            slot.out = std::move(out);
            slot.stage = Stage::kDone;
            changed_.notify_all();
        }

        void HandOn(std::unique_lock<std::mutex>& lock,
                    const std::function<void(std::string_view)>& sink) {
            std::string out = std::move(slots_.front().out);
            slots_.pop_front();
            ++handed_on_;
            waiting_ -= out.size();
            changed_.notify_all();
            lock.unlock();
            sink(out);
            lock.lock();
            if (free_.size() < kFreeBuffers) free_.push_back(std::move(out));
        }

        const std::function<void(std::string_view, std::string&)> convert_;
        const std::size_t hold_;
        std::mutex mutex_;
        std::condition_variable changed_;
        std::deque<Slot> slots_;             // from the first chunk not yet handed on, in order
        std::vector<std::string> free_;      // buffers of chunks handed on
        std::size_t handed_on_ = 0;          // chunks handed to the sink
        std::size_t first_unconverted_ = 0;  // the first chunk not yet taken to convert
        std::size_t to_convert_ = 0;         // chunks produced and not yet taken
        std::size_t converting_ = 0;         // chunks being converted now
        std::size_t waiting_ = 0;            // bytes of converted chunks not yet handed on
        bool ended_ = false, begun_ = false, stop_ = false, worker_started_ = false;
        std::exception_ptr failure_;
    };

    // Starts state->Work() on a thread of its own, which nothing waits for. Where the process
    // may run on more than one CPU, the thread starts on another CPU than the calling
    // thread's, and may move from there later. Left to the scheduler, a new thread at times
    // starts on the calling thread's CPU and waits there for it to give way, or shares it
    // until the load is next balanced: some milliseconds, a long time for a conversion that
    // takes a few tens.
    static void StartWorker(std::shared_ptr<State> state) {
        auto start = std::make_unique<Start>();
        start->state = std::move(state);
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        const int here = sched_getcpu();
        if (here >= 0 && sched_getaffinity(0, sizeof start->allowed, &start->allowed) == 0) {
            cpu_set_t elsewhere = start->allowed;
            CPU_CLR(here, &elsewhere);
            start->placed =
                CPU_COUNT(&elsewhere) > 0 &&
                pthread_attr_setaffinity_np(&attributes, sizeof elsewhere, &elsewhere) == 0;
        }
        pthread_t thread;
        const int error = pthread_create(&thread, &attributes, &WorkerMain, start.get());
        pthread_attr_destroy(&attributes);
        if (error != 0) throw std::system_error(error, std::generic_category(), "thread");
        start.release();  // the thread's now
        pthread_detach(thread);
    }

    struct Start {
        std::shared_ptr<State> state;
        cpu_set_t allowed{};
        bool placed = false;
    };

    static void* WorkerMain(void* argument) {
        const std::unique_ptr<Start> start(static_cast<Start*>(argument));
        if (start->placed) sched_setaffinity(0, sizeof start->allowed, &start->allowed);
        start->state->Work();
        return nullptr;
    }
};

}  // namespace

void ConvertInTwoThreads(const std::function<bool(Chunk&)>& next,
                         const std::function<void(std::string_view, std::string&)>& convert,
                         std::size_t hold, const std::function<void()>& begin,
                         const std::function<void(std::string_view)>& sink) {
    ChunkPipeline::Run(next, convert, hold, begin, sink);
}

}  // namespace zv::cli

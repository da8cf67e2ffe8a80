#include "app/chunk_pipeline.h"

#include <pthread.h>
#include <sched.h>

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>

namespace zv::cli {
namespace {

// Chunks converted on two threads and handed to the sink in order, on the calling thread.
// The calling thread writes whatever is next when it is ready and converts otherwise, so both
// cores convert while the output is written. Converted chunks wait at most kAhead at a time;
// their buffers are used again.
//
// The worker thread shares the pipeline's state and is not waited for at the end: once no
// chunk is being converted, the text is no longer read and the caller may go on, while the
// worker wakes, lets go of the state and its buffers and ends in the background (time that a
// short-lived program need not spend).
class ChunkPipeline {
  public:
    static void Run(std::string_view text, std::vector<std::size_t> ends,
                    const std::function<void(std::string_view, std::string&)>& convert,
                    const std::function<void()>& begin,
                    const std::function<void(std::string_view)>& sink) {
        const auto state = std::make_shared<State>(text, convert, std::move(ends));
        StartWorker(state);
        struct StopOnExit {  // also when begin or the sink fails
            State& state;
            ~StopOnExit() { state.Stop(); }
        } stop_on_exit{*state};
        begin();
        state->WriteAll(sink);
    }

  private:
    static constexpr std::size_t kAhead = 16;

    struct State {
        State(std::string_view text, std::function<void(std::string_view, std::string&)> convert,
              std::vector<std::size_t> ends)
            : text_(text),
              convert_(std::move(convert)),
              ends_(std::move(ends)),
              outs_(ends_.size()),
              done_(ends_.size(), false) {}

        void WriteAll(const std::function<void(std::string_view)>& sink) {
            std::unique_lock lock(mutex_);
            while (written_ < ends_.size()) {
                if (failure_) std::rethrow_exception(failure_);
                if (done_[written_]) {
                    std::string out = std::move(outs_[written_]);
                    lock.unlock();
                    sink(out);
                    lock.lock();
                    ++written_;
                    free_.push_back(std::move(out));
                    changed_.notify_all();
                } else if (CanTake()) {
                    Convert(lock);
                } else {
                    changed_.wait(lock);
                }
            }
        }

        void Work() {
            std::unique_lock lock(mutex_);
            try {
                while (true) {
                    changed_.wait(lock,
                                  [this] { return stop_ || CanTake() || next_ == ends_.size(); });
                    if (stop_ || next_ == ends_.size()) return;
                    Convert(lock);
                }
            } catch (...) {
                if (!lock.owns_lock()) lock.lock();
                failure_ = std::current_exception();
                changed_.notify_all();
            }
        }

        // Tells the worker to take no more chunks and waits until none is being converted:
        // from then on the text is not read.
        void Stop() {
            std::unique_lock lock(mutex_);
            stop_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return converting_ == 0; });
        }

        bool CanTake() const { return !stop_ && next_ < ends_.size() && next_ - written_ < kAhead; }

        // Takes the next chunk and converts it, unlocked meanwhile.
        void Convert(std::unique_lock<std::mutex>& lock) {
            const std::size_t i = next_++;
            ++converting_;
            std::string out;
            if (!free_.empty()) {
                out = std::move(free_.back());
                free_.pop_back();
            }
            lock.unlock();
            const std::size_t start = i == 0 ? 0 : ends_[i - 1];
            out.clear();
            try {
                convert_(text_.substr(start, ends_[i] - start), out);
            } catch (...) {
                lock.lock();
                --converting_;
                throw;
            }
            lock.lock();
            --converting_;
            outs_[i] = std::move(out);
            done_[i] = true;
            changed_.notify_all();
        }

        const std::string_view text_;
        const std::function<void(std::string_view, std::string&)> convert_;
        const std::vector<std::size_t> ends_;
        std::mutex mutex_;
        std::condition_variable changed_;
        std::vector<std::string> outs_;  // converted chunks not yet written
        std::vector<bool> done_;
        std::vector<std::string> free_;  // buffers of written chunks
        std::size_t next_ = 0;           // the next chunk to convert
        std::size_t written_ = 0;        // chunks handed to the sink
        std::size_t converting_ = 0;     // chunks being converted now
        bool stop_ = false;
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

void ConvertInTwoThreads(std::string_view text, std::vector<std::size_t> ends,
                         const std::function<void(std::string_view, std::string&)>& convert,
                         const std::function<void()>& begin,
                         const std::function<void(std::string_view)>& sink) {
    ChunkPipeline::Run(text, std::move(ends), convert, begin, sink);
}

}  // namespace zv::cli

#include "app/convert_text.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "engine/transliterate.h"
#include "engine/utf8.h"

namespace zv::cli {
namespace {

// Input is converted in pieces of about this many bytes (see SafeCutAfter).
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
// The text is cut into chunks of about this many bytes, converted on two threads.
constexpr std::size_t kChunkBytes = std::size_t{1} << 18;

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The ASCII characters after which a text may be cut into pieces that convert exactly as the
// whole text does. A character c qualifies when no rule but the last has c in its find text
// and the last has it at most as its final unit (the line feed of CR LF). Then no find
// crosses a cut after c, and c itself survives every rule before the last, so each rule's
// left-to-right matching over the whole text is its matching over each piece in turn; after
// the last rule none is left to look across the cut. Derived from the table, so a changed
// table is still converted right (in larger pieces, or whole, if it must).
std::array<bool, 128> SafeCutAfter() {
    std::array<bool, 128> safe{};
    safe.fill(true);
    const auto rules = RuleTable();
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const std::u16string_view find = rules[i].find;
        const bool last = i + 1 == rules.size();
        for (std::size_t k = 0; k < find.size(); ++k) {
            if (find[k] < 128 && !(last && k + 1 == find.size())) safe[find[k]] = false;
        }
    }
    return safe;
}

// The character references that the rule table writes, each with the character it stands
// for in UTF-8: every replacement that is one whole reference, numeric ("&#257;", decoded)
// or named ("&aring;", standing for the one character its rule finds).
class LetterTable {
  public:
    LetterTable() {
        for (const Rule& rule : RuleTable()) {
            const std::u16string_view r = rule.replacement;
            if (r.size() < 3 || r.front() != u'&' || r.back() != u';') continue;
            const std::u16string_view inner = r.substr(1, r.size() - 2);
            std::string letter;
            if (inner.front() == u'#') {
                const std::optional<char32_t> cp = Decimal(inner.substr(1));
                if (!cp) continue;
                AppendCodePoint(*cp, letter);
            } else {
                if (!std::all_of(inner.begin(), inner.end(), IsAsciiAlnum)) continue;
                if (!IsOneCharacter(rule.find)) continue;
                AppendUtf8(rule.find, letter);
            }
            max_length_ = std::max(max_length_, r.size());
            map_.emplace(std::string(r.begin(), r.end()), std::move(letter));
        }
    }

    std::size_t MaxLength() const { return max_length_; }

    // Every listed reference in text replaced by its letter; a reference begins with '&'
    // and ends at the first ';' after it, so one left-to-right scan finds them all.
    std::string Apply(std::string_view text) const {
        std::string out;
        out.reserve(text.size());
        std::size_t pos = 0;
        while (pos < text.size()) {
            const std::size_t amp = text.find('&', pos);
            if (amp == std::string_view::npos) break;
            out.append(text.substr(pos, amp - pos));
            const std::size_t semi = text.substr(amp, max_length_).find(';');
            if (semi != std::string_view::npos) {
                const auto hit = map_.find(std::string(text.substr(amp, semi + 1)));
                if (hit != map_.end()) {
                    out.append(hit->second);
                    pos = amp + semi + 1;
                    continue;
                }
            }
            out.push_back('&');
            pos = amp + 1;
        }
        if (pos < text.size()) out.append(text.substr(pos));
        return out;
    }

  private:
    static bool IsAsciiAlnum(char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    }

    static bool IsOneCharacter(std::u16string_view s) {
        if (s.size() == 1) return s[0] < 0xD800 || s[0] > 0xDFFF;
        return s.size() == 2 && s[0] >= 0xD800 && s[0] <= 0xDBFF && s[1] >= 0xDC00 &&
               s[1] <= 0xDFFF;
    }

    static std::optional<char32_t> Decimal(std::u16string_view digits) {
        if (digits.empty() || digits.size() > 7) return std::nullopt;
        char32_t value = 0;
        for (char16_t c : digits) {
            if (c < u'0' || c > u'9') return std::nullopt;
            value = value * 10 + (c - u'0');
        }
        if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
        return value;
    }

    std::unordered_map<std::string, std::string> map_;
    std::size_t max_length_ = 0;
};

// The end of a piece of text that starts at start and is at least size bytes long: just after
// the first byte from there on for which cut_after is true, or the end of the text.
template <typename CutAfter>
std::size_t PieceEnd(std::string_view text, std::size_t start, std::size_t size,
                     CutAfter cut_after) {
    for (std::size_t i = start + size - 1; i < text.size(); ++i) {
        if (cut_after(static_cast<unsigned char>(text[i]))) return i + 1;
    }
    return text.size();
}

// Converts text onto the end of out. A text without blanks or line feeds can be long: it is
// converted in pieces of about kPieceBytes, and with letters set, a reference that a piece
// cuts off is completed by the next.
void ConvertInPieces(std::string_view text, bool letters, std::string& out) {
    static const std::array<bool, 128> safeCut = SafeCutAfter();
    static const LetterTable letterTable;

    std::string piece;
    std::string carry;  // the start of a reference that the previous piece cut off
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = PieceEnd(text, start, kPieceBytes,
                                         [](unsigned char b) { return b < 128 && safeCut[b]; });
        // The text is well-formed UTF-8 (checked before), for which the byte-wise conversion
        // gives the UTF-8 of Transliterate's result.
        if (!letters) {
            TransliterateUtf8(text.substr(start, end - start), out);
            start = end;
            continue;
        }
        piece = carry;
        carry.clear();
        TransliterateUtf8(text.substr(start, end - start), piece);
        // A reference is looked for in the whole text, not per piece: a trailing '&' with no
        // ';' after it, close enough to the end to begin a reference, moves on to the next
        // piece.
        if (end < text.size()) {
            const std::size_t amp = piece.rfind('&');
            if (amp != std::string::npos && piece.size() - amp < letterTable.MaxLength() &&
                piece.find(';', amp) == std::string::npos) {
                carry = piece.substr(amp);
                piece.resize(amp);
            }
        }
        out += letterTable.Apply(piece);
        start = end;
    }
}

// The ends of the chunks that text is converted in: each chunk ends after a blank or a line
// feed at least kChunkBytes from its start, or at the end of the text. Such a character is in
// no find text (so no rule matches across it) and in no character reference (so --unicode
// finds every reference within one chunk): the chunks convert independently, in any order.
std::vector<std::size_t> ChunkEnds(std::string_view text) {
    static const std::array<bool, 128> safeCut = SafeCutAfter();
    std::vector<std::size_t> ends;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end =
            safeCut[' '] && safeCut['\n']
                ? PieceEnd(text, start, kChunkBytes,
                           [](unsigned char b) { return b == ' ' || b == '\n'; })
                : text.size();
        ends.push_back(end);
        start = end;
    }
    return ends;
}

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
    static void Run(std::string_view text, bool letters, std::vector<std::size_t> ends,
                    const std::function<void()>& begin,
                    const std::function<void(std::string_view)>& sink) {
        const auto state = std::make_shared<State>(text, letters, std::move(ends));
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
        State(std::string_view text, bool letters, std::vector<std::size_t> ends)
            : text_(text),
              letters_(letters),
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
                ConvertInPieces(text_.substr(start, ends_[i] - start), letters_, out);
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
        const bool letters_;
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

void ConvertUtf8(std::string_view text, bool letters, const std::function<void()>& begin,
                 const std::function<void(std::string_view)>& sink) {
    std::vector<std::size_t> ends = ChunkEnds(text);
    if (ends.size() > 1 && std::thread::hardware_concurrency() > 1) {
        ChunkPipeline::Run(text, letters, std::move(ends), begin, sink);
        return;
    }
    begin();
    std::string out;
    std::size_t start = 0;
    for (const std::size_t end : ends) {
        out.clear();
        ConvertInPieces(text.substr(start, end - start), letters, out);
        sink(out);
        start = end;
    }
}

std::optional<std::size_t> FirstInvalidUtf8(std::string_view bytes) noexcept {
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        // ASCII is the common case: skip to the next byte that is not, 32 bytes at a time.
#ifdef __SSE2__
        if (n - i >= 32) {
            const auto* at = reinterpret_cast<const __m128i*>(bytes.data() + i);
            const auto high =
                static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_loadu_si128(at)) |
                                           (_mm_movemask_epi8(_mm_loadu_si128(at + 1)) << 16));
            if (high == 0) {
                i += 32;
                continue;
            }
            i += static_cast<std::size_t>(__builtin_ctz(high));
        }
#endif
        std::uint64_t word;
        if (n - i >= sizeof word) {
            std::memcpy(&word, bytes.data() + i, sizeof word);
            const std::uint64_t high = word & 0x8080808080808080u;
            if (high == 0) {
                i += sizeof word;
                continue;
            }
            i += static_cast<std::size_t>(__builtin_ctzll(high)) / 8;
        }
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        // Lead byte: the sequence's length and the allowed range of its second byte, which
        // rules out overlong forms, surrogates and code points above U+10FFFF.
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0) low = 0xA0;
            if (b == 0xED) high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0) low = 0x90;
            if (b == 0xF4) high = 0x8F;
        } else {
            return i;  // a continuation byte, C0, C1 or F5 to FF
        }
        if (n - i < length) return i;
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        if (second < low || second > high) return i;
        for (std::size_t k = 2; k < length; ++k) {
            if (!IsContinuation(static_cast<unsigned char>(bytes[i + k]))) return i;
        }
        i += length;
    }
    return std::nullopt;
}

}  // namespace zv::cli

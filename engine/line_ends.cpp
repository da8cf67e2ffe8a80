#include "engine/line_ends.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace zv {
namespace {

template <typename Char>
[[gnu::always_inline]] inline std::size_t LengthAt(std::basic_string_view<Char> text,
                                                   std::size_t at) noexcept {
    const Char c = text[at];
    if (c == Char('\r')) return at + 1 < text.size() && text[at + 1] == Char('\n') ? 2 : 1;
    if (c == Char('\n')) return 1;
    if constexpr (sizeof(Char) == 2) {
        return c == u'\u2028' || c == u'\u2029' ? 1 : 0;
    } else {
        // U+2028 and U+2029 in UTF-8: E2 80 A8 and E2 80 A9.
        const std::basic_string_view<Char> next = text.substr(at, 3);
        return next == "\xE2\x80\xA8" || next == "\xE2\x80\xA9" ? 3 : 0;
    }
}

// Whether a line end may start with c: a cheap first test, passed by few other characters.
template <typename Char>
bool MayStartLineEnd(Char c) noexcept {
    if constexpr (sizeof(Char) == 2) {
        return static_cast<unsigned>(c) - u'\n' <= unsigned{u'\r' - u'\n'} || (c | 1) == u'\u2029';
    } else {
        const auto byte = static_cast<unsigned char>(c);
        return byte - unsigned{'\n'} <= unsigned{'\r' - '\n'} || byte == 0xE2;
    }
}

// Appends text to out with its line ends as CR LF, one character at a time.
template <typename Char>
void AppendWithCrLfOf(std::basic_string_view<Char> text, std::basic_string<Char>& out) {
    static constexpr Char kCrLf[] = {Char('\r'), Char('\n')};
    out.reserve(out.size() + text.size() + text.size() / 16 + 16);  // room for LF to grow
    std::size_t from = 0;  // the start of the text not yet appended
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!MayStartLineEnd(text[at])) continue;
        const std::size_t length = LengthAt(text, at);
        if (length == 0) continue;
        if (length == 2) {  // CR LF already
            ++at;
            continue;
        }
        out.append(text.substr(from, at - from));
        out.append(kCrLf, 2);
        at += length - 1;
        from = at + 1;
    }
    out.append(text.substr(from));
}

#ifdef __SSE2__
// The same for UTF-8, sixteen bytes at a time: a file read by zv-convert can be large, and one
// with LF line ends has one every few dozen bytes.
class CrLfWriter {
  public:
    CrLfWriter(std::string_view text, std::string& scratch) : text_(text), out_(scratch) {}

    // The text with its line ends as CR LF: the text itself when nothing changes.
    std::string_view Write() {
        std::size_t at = 0;
        // The first byte and the last sixteen lack a neighbour on one side in the text.
        if (!text_.empty()) at = Scalar(0, 1);
        for (; at + 17 <= text_.size(); at += 16) {
            const int mask = Changes(at);
            if (mask == 0) continue;
            // Each possible change in turn; one that reaches past the block ends it.
            std::size_t next = at;
            for (int bits = mask; bits != 0; bits &= bits - 1) {
                const std::size_t p = at + static_cast<std::size_t>(__builtin_ctz(bits));
                if (p >= next) next = Change(p);
            }
            at = std::max(next, at + 16) - 16;  // the loop adds 16
        }
        Scalar(at, text_.size());
        if (!changed_) return text_;
        Copy(text_.size());
        return std::string_view(out_.data(), end_);
    }

  private:
    static constexpr std::size_t kSlack = 64;

    // A bit for each of the sixteen bytes at text[at] (0 < at, at + 17 <= size) where a line
    // end other than CR LF may start: a CR that no LF follows, an LF that no CR precedes, E2.
    int Changes(std::size_t at) const noexcept {
        const auto load = [this](std::size_t from) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_.data() + from));
        };
        const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
        const __m128i block = load(at);
        const __m128i lone_cr =
            _mm_andnot_si128(_mm_cmpeq_epi8(load(at + 1), lf), _mm_cmpeq_epi8(block, cr));
        const __m128i lone_lf =
            _mm_andnot_si128(_mm_cmpeq_epi8(load(at - 1), cr), _mm_cmpeq_epi8(block, lf));
        const __m128i e2 = _mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(0xE2)));
        return _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(lone_cr, lone_lf), e2));
    }

    // Handles the bytes from at to before end one at a time; returns where it stopped. An LF
    // there ends the CR LF before it, which the blocks passed.
    std::size_t Scalar(std::size_t at, std::size_t end) {
        if (at > 0 && at < end && text_[at] == '\n' && text_[at - 1] == '\r') ++at;
        while (at < end) at = MayStartLineEnd(text_[at]) ? Change(at) : at + 1;
        return at;
    }

    // At a possible line end at text[p]: writes it as CR LF when it is one (and not CR LF
    // already). Returns the position after what it looked at.
    [[gnu::always_inline]] std::size_t Change(std::size_t p) {
        const std::size_t length = LengthAt(text_, p);
        if (length == 0) return p + 1;
        if (length == 2) return p + 2;
        if (!changed_) {
            changed_ = true;
            const std::size_t room = text_.size() + text_.size() / 8 + kSlack;
            if (out_.size() < room) out_.resize(room);
        }
        Copy(p);
        out_[end_] = '\r';
        out_[end_ + 1] = '\n';
        end_ += 2;
        from_ = p + length;
        return from_;
    }

    // Writes the text from from_ to before to, sixteen bytes at a time where the text goes on
    // far enough (what is written past the end is overwritten next), and room for a CR LF.
    [[gnu::always_inline]] void Copy(std::size_t to) {
        const std::size_t length = to - from_;
        if (end_ + length + kSlack > out_.size()) {
            out_.resize(std::max(out_.size() + out_.size() / 2, end_ + length + kSlack));
        }
        char* dst = out_.data() + end_;
        std::size_t i = from_;
        for (; i < to && i + 16 <= text_.size(); i += 16, dst += 16) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_.data() + i)));
        }
        if (i < to) std::memcpy(dst, text_.data() + i, to - i);
        end_ += length;
        from_ = to;
    }

    const std::string_view text_;
    std::string& out_;
    bool changed_ = false;
    std::size_t end_ = 0;   // the end of what has been written to out_
    std::size_t from_ = 0;  // the start of the text not yet written
};
#endif

}  // namespace

std::size_t LineEndLength(std::u16string_view text, std::size_t at) noexcept {
    return LengthAt(text, at);
}

std::size_t LineEndLength(std::string_view utf8, std::size_t at) noexcept {
    return LengthAt(utf8, at);
}

void AppendWithCrLf(std::u16string_view text, std::u16string& out) { AppendWithCrLfOf(text, out); }

std::string_view WithLf(std::string_view utf8, std::string& scratch) {
    // An LF stays as it is: only a CR (alone or before its LF) and the two separators change.
    std::size_t at = 0;
    while (at < utf8.size() && utf8[at] != '\r' && utf8[at] != '\xE2') ++at;
    if (at == utf8.size()) return utf8;
    scratch.clear();
    std::size_t from = 0;  // the start of the text not yet copied
    for (; at < utf8.size(); ++at) {
        if (utf8[at] != '\r' && utf8[at] != '\xE2') continue;
        const std::size_t length = LengthAt(utf8, at);
        if (length == 0) continue;
        scratch.append(utf8.substr(from, at - from));
        scratch += '\n';
        at += length - 1;
        from = at + 1;
    }
    if (from == 0) return utf8;  // an E2 that began no separator
    scratch.append(utf8.substr(from));
    return scratch;
}

std::string_view WithCrLf(std::string_view utf8, std::string& scratch) {
#ifdef __SSE2__
    return CrLfWriter(utf8, scratch).Write();
#else
    scratch.clear();
    AppendWithCrLfOf(utf8, scratch);
    return scratch;
#endif
}

}  // namespace zv

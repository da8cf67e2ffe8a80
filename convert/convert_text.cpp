#include "convert/convert_text.h"

#include <algorithm>
#include <array>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "convert/chunk_pipeline.h"
#include "engine/line_ends.h"
#include "engine/references.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"

namespace zv::cli {
namespace {

// Input is converted in pieces of about this many bytes (see SafeCutAfter).
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

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
// cuts off is completed by the next. Unless exact is set, the line ends are made CR LF first (LF
// with text set); text (a chunk) must not end in the middle of a line end, as a CR that an LF
// follows.
void ConvertInPieces(std::string_view text, ConvertOptions options, std::string& out) {
    static const std::array<bool, 128> safeCut = SafeCutAfter();

    thread_local std::string lineEnds;
    if (options.text) {
        // As zv::PlainText converts a whole text.
        text = WithLf(text, lineEnds);
        options.letters = true;
    } else if (!options.exact) {
        text = WithCrLf(text, lineEnds);
    }
    std::string piece;
    std::string carry;  // the start of a reference that the previous piece cut off
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = PieceEnd(text, start, kPieceBytes,
                                         [](unsigned char b) { return b < 128 && safeCut[b]; });
        // The text is well-formed UTF-8 (checked before), for which the byte-wise conversion
        // gives the UTF-8 of Transliterate's result.
        if (!options.letters) {
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
            if (amp != std::string::npos && piece.size() - amp < LongestRuleReference() &&
                piece.find(';', amp) == std::string::npos) {
                carry = piece.substr(amp);
                piece.resize(amp);
            }
        }
        out += RuleReferencesToLetters(piece);
        start = end;
    }
}

// Where a chunk may end: after a byte or character that no rule reaches across and that no
// character reference holds, so that chunks convert independently, in any order, their line
// ends made CR LF (or LF) or not, and --unicode finds every reference within one chunk.
class CutPlaces {
  public:
    CutPlaces() {
        const std::array<bool, 128> rules = SafeCutAfter();
        const std::string_view in_references =
            "&#;0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
        for (unsigned b = 0; b < 128; ++b) {
            safe_[b] = rules[b] && b != '\r' &&
                       in_references.find(static_cast<char>(b)) == std::string_view::npos;
        }
        preferred_space_ = rules[' '];
        preferred_line_feed_ = rules['\n'];
        for (const Rule& rule : RuleTable()) {
            for (const char16_t unit : rule.find) {
                if (unit >= 128) found_.push_back(unit);
            }
        }
    }

    // A blank or a line feed, the usual place to end a chunk.
    bool Preferred(unsigned char b) const {
        return (b == ' ' && preferred_space_) || (b == '\n' && preferred_line_feed_);
    }

    // Whether a chunk of text may end at `at` (0 < at <= text.size()): after a safe ASCII byte,
    // or after a whole character beyond ASCII that no find text holds.
    bool SafeEnd(std::string_view text, std::size_t at) const {
        const auto last = static_cast<unsigned char>(text[at - 1]);
        if (last < 0x80) return safe_[last];
        std::size_t lead = at - 1;
        while (lead > 0 && at - lead < 4 &&
               (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80) {
            --lead;
        }
        const Utf8Character c = DecodeUtf8(text.substr(lead, at - lead));
        if (lead + c.length != at || c.code_point < 0x80) return false;
        std::u16string units;
        AppendCodePoint(c.code_point, units);
        for (const char16_t unit : units) {
            if (std::find(found_.begin(), found_.end(), unit) != found_.end()) return false;
        }
        return true;
    }

  private:
    std::array<bool, 128> safe_{};
    bool preferred_space_ = false, preferred_line_feed_ = false;
    std::vector<char16_t> found_;  // the units beyond ASCII that find texts hold
};

// A run of text with no place to end a chunk, converted by the rule chain a piece at a time.
class ChainRun {
  public:
    explicit ChainRun(ConvertOptions options) : options_(options) {
        if (options_.text) options_.letters = true;
    }

    // Appends to out the conversion of the next piece of the run; ends: the run ends with it,
    // at a place where a chunk may end or at the end of the text. A piece that does not end the
    // run ends neither after a CR nor inside a character, so that its line ends are whole.
    void Convert(std::string_view piece, bool ends, std::string& out) {
        if (options_.text) {
            piece = WithLf(piece, line_ends_);
        } else if (!options_.exact) {
            piece = WithCrLf(piece, line_ends_);
        }
        converted_ = carry_;
        carry_.clear();
        stream_.Convert(piece, converted_);
        if (ends) stream_.Finish(converted_);
        if (!options_.letters) {
            out += converted_;
            return;
        }
        // A reference the piece's conversion cuts off is completed by the next piece's.
        const std::size_t amp = converted_.rfind('&');
        if (!ends && amp != std::string::npos && converted_.size() - amp < LongestRuleReference() &&
            converted_.find(';', amp) == std::string::npos) {
            carry_ = converted_.substr(amp);
            converted_.resize(amp);
        }
        out += RuleReferencesToLetters(converted_);
    }

  private:
    ConvertOptions options_;
    Utf8TransliterationStream stream_;
    std::string line_ends_, converted_, carry_;
};

// The chunks of a text: a whole text in memory (a mapped file), handed on as views into it,
// or the text a TextSource gives, read as the chunks are taken.
class ChunkReader {
  public:
    ChunkReader(std::string_view whole, ConvertOptions options, const ChunkLimits& limits)
        : whole_(whole), options_(options), limits_(limits) {}
    ChunkReader(TextSource& source, ConvertOptions options, const ChunkLimits& limits)
        : source_(&source), options_(options), limits_(limits) {}

    // The next chunk; false after the last.
    bool Next(Chunk& chunk) {
        static const CutPlaces places;
        if (run_) return NextOfRun(chunk, places);
        while (true) {
            const std::string_view data = Data();
            const std::size_t window = std::min(data.size(), start_ + limits_.max_chunk);
            for (std::size_t i = std::max(scanned_, start_ + limits_.chunk - 1); i < window; ++i) {
                if (places.Preferred(static_cast<unsigned char>(data[i])))
                    return Take(i + 1, chunk);
            }
            scanned_ = std::max(scanned_, window);
            if (window == start_ + limits_.max_chunk) {
                // No blank or line feed: the last other place to end the chunk, if any.
                const std::size_t known = std::max(start_, no_place_before_);
                no_place_before_ = window;
                for (std::size_t at = window; at > known; --at) {
                    if (places.SafeEnd(data, at)) return Take(at, chunk);
                }
                run_.emplace(options_);
                return NextOfRun(chunk, places);
            }
            if (!More()) {
                if (start_ == Data().size()) return false;
                return Take(Data().size(), chunk);
            }
        }
    }

  private:
    std::string_view Data() const { return source_ ? std::string_view(buffer_) : whole_; }

    // Reads more of the source's text; false at its end (and always for a whole text). Data()
    // may move.
    bool More() {
        if (!source_ || ended_) return false;
        if (start_ >= (std::size_t{1} << 20) && start_ * 2 >= buffer_.size()) {
            buffer_.erase(0, start_);
            scanned_ -= std::min(scanned_, start_);
            no_place_before_ -= std::min(no_place_before_, start_);
            start_ = 0;
        }
        ended_ = !source_->Read(buffer_, limits_.read);
        return !ended_;
    }

    // The chunk that ends at end.
    bool Take(std::size_t end, Chunk& chunk) {
        const std::string_view bytes = Data().substr(start_, end - start_);
        if (source_) {
            chunk.storage.assign(bytes);
        } else {
            chunk.text = bytes;
        }
        start_ = end;
        return true;
    }

    // The next piece of a run with no place to end a chunk, converted by the run's chain: up
    // to the first place where a chunk may end (which ends the run), or about the next
    // max_chunk bytes of it, ending before a byte that begins a character and not between a CR
    // and its LF, so that the piece's line ends are whole.
    bool NextOfRun(Chunk& chunk, const CutPlaces& places) {
        while (true) {
            const std::string_view data = Data();
            const std::size_t window = std::min(data.size(), start_ + limits_.max_chunk);
            for (std::size_t at = std::max(start_, no_place_before_) + 1; at <= window; ++at) {
                if (places.SafeEnd(data, at)) return TakeOfRun(at, true, chunk);
            }
            no_place_before_ = std::max(no_place_before_, window);
            if (window == start_ + limits_.max_chunk) {
                for (std::size_t end = std::min(window, data.size() - 1); end > start_; --end) {
                    const auto next = static_cast<unsigned char>(data[end]);
                    if ((next & 0xC0) != 0x80 && !(data[end - 1] == '\r' && next == '\n')) {
                        return TakeOfRun(end, false, chunk);
                    }
                }
            }
            if (!More()) return TakeOfRun(Data().size(), true, chunk);
        }
    }

    bool TakeOfRun(std::size_t end, bool ends, Chunk& chunk) {
        chunk.storage.clear();
        run_->Convert(Data().substr(start_, end - start_), ends, chunk.storage);
        chunk.converted = true;
        start_ = end;
        if (ends) run_.reset();
        return true;
    }

    TextSource* source_ = nullptr;
    std::string_view whole_;
    std::string buffer_;  // the source's text from some way before start_
    bool ended_ = false;  // the source has no more
    ConvertOptions options_;
    ChunkLimits limits_;
    std::size_t start_ = 0;            // where the next chunk starts in Data()
    std::size_t scanned_ = 0;          // no blank or line feed ends the next chunk before this
    std::size_t no_place_before_ = 0;  // nor, from start_ on, any other place up to this
    std::optional<ChainRun> run_;      // the run being converted by the chain, if any
};

void Convert(ChunkReader& reader, ConvertOptions options, std::size_t hold,
             const std::function<void()>& begin,
             const std::function<void(std::string_view)>& sink) {
    ConvertInTwoThreads([&reader](Chunk& chunk) { return reader.Next(chunk); },
                        [options](std::string_view chunk, std::string& out) {
                            ConvertInPieces(chunk, options, out);
                        },
                        hold, begin, sink);
}

}  // namespace

void ConvertUtf8(std::string_view text, ConvertOptions options, const std::function<void()>& begin,
                 const std::function<void(std::string_view)>& sink, const ChunkLimits& limits) {
    ChunkReader reader(text, options, limits);
    Convert(reader, options, 0, begin, sink);
}

void ConvertStream(TextSource& source, ConvertOptions options, const std::function<void()>& begin,
                   const std::function<void(std::string_view)>& sink, const ChunkLimits& limits) {
    ChunkReader reader(source, options, limits);
    Convert(reader, options, limits.hold, begin, sink);
}

}  // namespace zv::cli

#include "app/convert_text.h"

#include <array>
#include <thread>
#include <utility>
#include <vector>

#include "app/chunk_pipeline.h"
#include "engine/line_ends.h"
#include "engine/references.h"
#include "engine/transliterate.h"

namespace zv::cli {
namespace {

// Input is converted in pieces of about this many bytes (see SafeCutAfter).
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
// The text is cut into chunks of about this many bytes, converted on two threads.
constexpr std::size_t kChunkBytes = std::size_t{1} << 18;

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

// The ends of the chunks that text is converted in: each chunk ends after a blank or a line
// feed at least kChunkBytes from its start, or at the end of the text. Such a character is in
// no find text (so no rule matches across it) and in no character reference (so --unicode
// finds every reference within one chunk), and no line end goes on after it (a chunk never
// ends between the CR and the LF of a CR LF): the chunks convert independently, in any order,
// their line ends made CR LF or not.
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

}  // namespace

void ConvertUtf8(std::string_view text, ConvertOptions options, const std::function<void()>& begin,
                 const std::function<void(std::string_view)>& sink) {
    std::vector<std::size_t> ends = ChunkEnds(text);
    if (ends.size() > 1 && std::thread::hardware_concurrency() > 1) {
        ConvertInTwoThreads(
            text, std::move(ends),
            [options](std::string_view chunk, std::string& out) {
                ConvertInPieces(chunk, options, out);
            },
            begin, sink);
        return;
    }
    begin();
    std::string out;
    std::size_t start = 0;
    for (const std::size_t end : ends) {
        out.clear();
        ConvertInPieces(text.substr(start, end - start), options, out);
        sink(out);
        start = end;
    }
}

}  // namespace zv::cli

// Whole-text conversion for the command-line converter: UTF-8 in, UTF-8 out.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "engine/utf8.h"

namespace zv::cli {

// The input's check: the engine's (see engine/utf8.h).
using zv::FirstInvalidUtf8;

struct ConvertOptions {
    // The character references that the rule table writes are turned back into the characters
    // they stand for.
    bool letters = false;
    // The rule table applied to the text as it is; otherwise each line end (LF, CR LF, a lone
    // CR, ... see engine/line_ends.h) is CR LF first, so that every line break gives "<Br>".
    bool exact = false;
    // Plain text: each line end is one LF (so no "<Br>" is made) and the references are turned
    // into letters, as zv::PlainText gives; exact and letters are then not looked at.
    bool text = false;
};

// Where a text comes from, a block at a time.
class TextSource {
  public:
    virtual ~TextSource() = default;
    // Appends the next bytes of the text to out, at least one and at most max (max > 0), or
    // returns false, out unchanged, once the text has ended. The text is well-formed UTF-8: a
    // source checks it as it reads, and throws where it is not.
    virtual bool Read(std::string& out, std::size_t max) = 0;
};

// The sizes a conversion works in.
struct ChunkLimits {
    // A chunk ends at the first blank or line feed this many bytes or more from its start; with
    // none in max_chunk bytes, after the last character at which no rule reaches across (a
    // punctuation mark, a letter no rule uses, ...); where there is none of those either, the
    // text is converted by the rule chain itself, which needs no place to cut.
    std::size_t chunk = std::size_t{1} << 18;
    std::size_t max_chunk = std::size_t{1} << 20;
    std::size_t read = std::size_t{1} << 18;  // asked of a TextSource at a time
    // Converted bytes held back before begin while the text has not ended (see ConvertStream).
    std::size_t hold = std::size_t{16} << 20;
};

// zv::Transliterate over well-formed UTF-8 text, the result in UTF-8, as options say. begin is
// called before anything is handed on (the conversion may start before it, on another thread; if it
// throws, nothing is handed on and the exception passes on); then the result is handed to sink in
// pieces whose concatenation is the whole converted text, so that a large converted text never has
// to exist in one piece.
void ConvertUtf8(std::string_view text, ConvertOptions options, const std::function<void()>& begin,
                 const std::function<void(std::string_view)>& sink,
                 const ChunkLimits& limits = ChunkLimits{});

// The same over the text source gives, read as the conversion goes, in memory bounded by limits
// whatever the text's length. begin is called once the text has ended, or once limits.hold
// converted bytes wait (at once when it is 0): a text whose conversion is shorter than that is
// read whole, and so checked, before anything is handed on. If source throws, nothing more is
// handed on and the exception passes on.
void ConvertStream(TextSource& source, ConvertOptions options, const std::function<void()>& begin,
                   const std::function<void(std::string_view)>& sink,
                   const ChunkLimits& limits = ChunkLimits{});

}  // namespace zv::cli

// A text read a block of whole lines at a time, and where in it a place is: what the check and
// the restoring of the command-line converter share, as both look at one line at a time and
// name each word they report by its line and column.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "convert/convert_text.h"

namespace zv::cli {

// The sizes the text is read in: blocks of whole lines of about block bytes; a line longer than
// max_line bytes in parts of about that size, each cut after a blank or a punctuation mark where
// it can be.
struct LineLimits {
    std::size_t block = std::size_t{1} << 18;
    std::size_t max_line = std::size_t{4} << 20;
};

// The text of a source, a block of whole lines (or of a long line's part) at a time. A line ends
// at any line end of engine/line_ends.h, and CR LF is never cut in two.
class LineBlocks {
  public:
    LineBlocks(TextSource& source, const LineLimits& limits) : source_(source), limits_(limits) {}
    // The next block, valid until the next call; false once the text has ended. What source
    // throws passes on.
    bool Next(std::string_view& block);

  private:
    TextSource& source_;
    LineLimits limits_;
    std::string buffer_;
    std::size_t taken_ = 0;  // the block handed out last, at the buffer's start
    bool ended_ = false;
};

// A place in a text read a block at a time: its line and column, counted from 1, the column in
// characters of the line; a byte-order mark at the text's start is no character.
class TextPlace {
  public:
    // Moves on to at in block, from from (where the previous move ended, or 0 for a new block).
    void MoveTo(std::u16string_view block, std::size_t from, std::size_t at);
    // The start of each new block; first: the text's first.
    static std::size_t BlockStart(std::u16string_view block, bool first) {
        return first && block.starts_with(u'\uFEFF') ? 1 : 0;
    }
    std::size_t line = 1, column = 1;
};

}  // namespace zv::cli

// Restoring marks for the command-line converter (--restore): UTF-8 in, UTF-8 out, a block of
// whole lines at a time, so that memory stays bounded whatever the input's length.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "convert/convert_text.h"
#include "restore/restore.h"

namespace zv::cli {

// The sizes restoring works in: a block of the text ends at the first line feed this many bytes
// or more from its start (restoring looks at one line at a time, so a block of whole lines is
// restored as it would be within the whole text); a line longer than max_block is cut after its
// last blank before that (or, with none, at a character's end), and its parts are restored
// each on its own.
struct RestoreLimits {
    std::size_t block = std::size_t{1} << 18;
    std::size_t max_block = std::size_t{1} << 20;
};

// The text of a source a block of whole lines at a time (see RestoreLimits).
class LineBlocks {
  public:
    LineBlocks(TextSource& source, const RestoreLimits& limits)
        : source_(source), limits_(limits) {}
    // The next block in block; false once the text has ended. What source throws passes on.
    bool Next(std::string& block);

  private:
    TextSource& source_;
    RestoreLimits limits_;
    std::string pending_;      // read, not handed out yet
    std::size_t scanned_ = 0;  // pending_ holds no line end to cut at before this
    bool ended_ = false;
};

// The text of source with the marks restored, in the conventions (see restore/restore.h), as a
// source itself: read from source and restored a block at a time as it is read. What source
// throws passes on.
class RestoringSource : public TextSource {
  public:
    RestoringSource(restore::Restorer& restorer, TextSource& source,
                    const RestoreLimits& limits = RestoreLimits{});
    bool Read(std::string& out, std::size_t max) override;

  private:
    restore::Restorer& restorer_;
    LineBlocks blocks_;
    std::string block_;
    std::string restored_;  // restored, from restored_at_ on not handed out yet
    std::size_t restored_at_ = 0;
};

// Restores the text of source a block at a time and hands sink one line for each uncertain
// choice, in order: "NAME:LINE:COLUMN: TYPED -> CHOSEN: or OTHER, OTHER", LINE and COLUMN
// counted from 1 in the input, COLUMN in characters of the line, lines ended by any line end
// (see engine/line_ends.h). Returns how many it listed.
std::size_t ListUncertain(restore::Restorer& restorer, std::string_view name, TextSource& source,
                          const std::function<void(std::string_view)>& sink,
                          const RestoreLimits& limits = RestoreLimits{});

}  // namespace zv::cli

// Restoring marks for the command-line converter (--restore): UTF-8 in, UTF-8 out, a block of
// whole lines at a time, so that memory stays bounded whatever the input's length.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "convert/convert_text.h"
#include "convert/line_blocks.h"
#include "restore/restore.h"

namespace zv::cli {

// The blocks restoring reads (see LineLimits). Restoring looks at one line at a time, so a block
// of whole lines is restored as it would be within the whole text; the parts of a line longer
// than max_line are restored each on its own.
inline constexpr LineLimits kRestoreLimits{.block = std::size_t{1} << 18,
                                           .max_line = std::size_t{1} << 20};

// The text of source with the marks restored, in the conventions (see restore/restore.h), as a
// source itself: read from source and restored a block at a time as it is read. What source
// throws passes on.
class RestoringSource : public TextSource {
  public:
    RestoringSource(restore::Restorer& restorer, TextSource& source,
                    const LineLimits& limits = kRestoreLimits);
    bool Read(std::string& out, std::size_t max) override;

  private:
    restore::Restorer& restorer_;
    LineBlocks blocks_;
    std::string restored_;  // restored, from restored_at_ on not handed out yet
    std::size_t restored_at_ = 0;
};

// Restores the text of source a block at a time and hands sink one line for each uncertain
// choice, in order: "NAME:LINE:COLUMN: TYPED -> CHOSEN: or OTHER, OTHER", LINE and COLUMN
// placed as TextPlace counts them. Returns how many it listed.
std::size_t ListUncertain(restore::Restorer& restorer, std::string_view name, TextSource& source,
                          const std::function<void(std::string_view)>& sink,
                          const LineLimits& limits = kRestoreLimits);

}  // namespace zv::cli

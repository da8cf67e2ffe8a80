// Restoring marks for the command-line converter (--restore): UTF-8 in, UTF-8 out.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "restore/restore.h"

namespace zv::cli {

// Well-formed UTF-8 text with the marks restored, in the conventions (see restore/restore.h).
std::string RestoreUtf8(restore::Restorer& restorer, std::string_view text);

// Restores well-formed UTF-8 text and hands sink one line for each uncertain choice, in order:
// "NAME:LINE:COLUMN: TYPED -> CHOSEN: or OTHER, OTHER", LINE and COLUMN counted from 1 in the
// input, COLUMN in characters of the line, lines ended by any line end (see
// engine/line_ends.h). Returns how many it listed.
std::size_t ListUncertain(restore::Restorer& restorer, std::string_view name, std::string_view text,
                          const std::function<void(std::string_view)>& sink);

}  // namespace zv::cli

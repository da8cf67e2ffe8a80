// The dictionary check for the command-line converter: one line for each flagged word.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "checker/checker.h"
#include "convert/convert_text.h"
#include "convert/line_blocks.h"

namespace zv::cli {

// The sizes a check works in: the text is read and checked in blocks of whole lines of about
// block bytes, a line longer than max_line bytes in parts of about that size.
using CheckLimits = LineLimits;

// Checks the text that source gives (well-formed UTF-8) and hands sink one line for each flagged
// word, in order: "NAME:LINE:COLUMN: TYPED -> CONVERTED: did you mean WORD (type FORM), ...",
// LINE and COLUMN counted from 1, COLUMN in characters of the line, lines ended by any line end
// (see engine/line_ends.h); a byte-order mark at the start is no character. The text is read and
// checked some lines at a time, so that its length costs no memory; a line longer than
// limits.max_line is checked in parts, each cut after a blank or a punctuation mark where it can
// be, and each taken for a line of its own in its share of Latvian words. The check's bound on
// its work is that of the whole text. Returns how many words it flagged; *unchecked (when given)
// is how many words the check's bound on its work left unchecked.
std::size_t CheckText(const checker::Checker& checker, std::string_view name, TextSource& source,
                      const std::function<void(std::string_view)>& sink,
                      std::size_t* unchecked = nullptr, const CheckLimits& limits = CheckLimits{});

}  // namespace zv::cli

// The dictionary check for the command-line converter: one line for each flagged word.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "checker/checker.h"

namespace zv::cli {

// Checks well-formed UTF-8 text and hands sink one line for each flagged word, in order:
// "NAME:LINE:COLUMN: TYPED -> CONVERTED: did you mean WORD (type FORM), ...", LINE and
// COLUMN counted from 1, COLUMN in characters of the line, lines ended by any line end (see
// engine/line_ends.h). Returns how many words it flagged; *unchecked (when given) is how many
// words the check's bound on its work left unchecked.
std::size_t CheckText(const checker::Checker& checker, std::string_view name, std::string_view text,
                      const std::function<void(std::string_view)>& sink,
                      std::size_t* unchecked = nullptr);

}  // namespace zv::cli

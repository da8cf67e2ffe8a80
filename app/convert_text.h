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

// zv::Transliterate over well-formed UTF-8 text, the result in UTF-8, as options say. begin is
// called before anything is handed on (the conversion may start before it, on another thread; if it
// throws, nothing is handed on and the exception passes on); then the result is handed to sink in
// pieces whose concatenation is the whole converted text, so that a large converted text never has
// to exist in one piece.
void ConvertUtf8(std::string_view text, ConvertOptions options, const std::function<void()>& begin,
                 const std::function<void(std::string_view)>& sink);

}  // namespace zv::cli

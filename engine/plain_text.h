// Typed text as plain text in letters: what `zv-convert --text` writes and what the windows'
// copy ("Kopēt tekstu") puts on the clipboard as plain text.
#pragma once

#include <string>
#include <string_view>

namespace zv {

// The conversion of well-formed UTF-8 text with each line end (LF, CR LF, a lone CR, U+2028,
// U+2029) written as one LF, and each reference the rule table writes turned into its letter
// (see RuleReferencesToLetters): one line out for each line in, no "<Br>". A "<Br>" or an
// "&amp;" typed as such stays as it is.
std::string PlainText(std::string_view typed);

// Converted text (UTF-8) as plain text: each "<Br>" an LF, each reference the rule table writes
// its letter. For a conversion of typed text without a "<Br>" of its own, the same as
// PlainText of the typed text.
std::string PlainTextOfConverted(std::string_view converted);

}  // namespace zv

// Line ends: the one rule for what ends a line of typed text, used by the main window, its
// dictionary marks and zv-convert alike. The rule table turns only CR LF into "<Br>", while
// text typed in the window or read from a file ends its lines in several ways: each of them is
// written as CR LF before the text is converted.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zv {

// The line end that the rule table turns into "<Br>".
inline constexpr std::u16string_view kLineEnd = u"\r\n";

// The length, in code units (bytes for UTF-8), of the line end that starts at text[at], or 0
// when none does (at < text.size()). A line ends with CR LF, LF, a CR that no LF follows, or
// U+2028 LINE SEPARATOR or U+2029 PARAGRAPH SEPARATOR: CR LF is one line end, LF CR two.
std::size_t LineEndLength(std::u16string_view text, std::size_t at) noexcept;
std::size_t LineEndLength(std::string_view utf8, std::size_t at) noexcept;

// Appends text with each of its line ends written as CR LF.
void AppendWithCrLf(std::u16string_view text, std::u16string& out);

// UTF-8 text with each of its line ends as CR LF: the text itself when they all are CR LF
// already, otherwise a view into scratch, which holds the changed copy and is kept for the next
// call (it may be longer than the copy).
std::string_view WithCrLf(std::string_view utf8, std::string& scratch);

// UTF-8 text with each of its line ends as one LF, as plain text ends its lines: the text itself
// when there is none but LF, otherwise a view into scratch, as for WithCrLf.
std::string_view WithLf(std::string_view utf8, std::string& scratch);

inline std::u16string WithCrLf(std::u16string_view text) {
    std::u16string out;
    AppendWithCrLf(text, out);
    return out;
}

}  // namespace zv

#include "app/check_text.h"

#include <string>

#include "engine/line_ends.h"
#include "engine/utf8.h"

namespace zv::cli {

std::size_t CheckText(const checker::Checker& checker, std::string_view name, std::string_view text,
                      const std::function<void(std::string_view)>& sink, std::size_t* unchecked) {
    // The text as the conversion reads it, so that the check sees the same lines.
    const std::u16string typed = WithCrLf(ToUtf16(text));
    const std::vector<checker::Finding> findings = checker.Check(typed, {}, unchecked);
    // Line and column are counted forward from the previous finding; a byte-order mark at the
    // start is no character of the first line.
    std::size_t at = typed.starts_with(u'\uFEFF') ? 1 : 0, line = 1, column = 1;
    std::string out;
    for (const checker::Finding& finding : findings) {
        if (out.size() >= (1u << 16)) {
            sink(out);
            out.clear();
        }
        while (at < finding.begin) {
            if (const std::size_t line_end = LineEndLength(typed, at)) {
                ++line;
                column = 1;
                at += line_end;
            } else {
                if (!IsLowSurrogate(typed[at])) ++column;
                ++at;
            }
        }
        out.append(name).append(":");
        out.append(std::to_string(line)).append(":").append(std::to_string(column));
        out.append(": ");
        AppendUtf8(std::u16string_view(typed).substr(finding.begin, finding.end - finding.begin),
                   out);
        out.append(" -> ");
        AppendUtf8(finding.converted, out);
        out.append(": did you mean ");
        for (std::size_t i = 0; i < finding.suggestions.size(); ++i) {
            if (i > 0) out.append(", ");
            AppendUtf8(finding.suggestions[i].word, out);
            out.append(" (type ");
            AppendUtf8(finding.suggestions[i].typed, out);
            out.append(")");
        }
        out.append("\n");
    }
    if (!out.empty()) sink(out);
    return findings.size();
}

}  // namespace zv::cli

#include "convert/restore_text.h"

#include "engine/line_ends.h"
#include "engine/utf8.h"

namespace zv::cli {

std::string RestoreUtf8(restore::Restorer& restorer, std::string_view text) {
    return ToUtf8(restorer.Restore(ToUtf16(text)).text);
}

std::size_t ListUncertain(restore::Restorer& restorer, std::string_view name, std::string_view text,
                          const std::function<void(std::string_view)>& sink) {
    const std::u16string typed = ToUtf16(text);
    const restore::Restored restored = restorer.Restore(typed);
    // Line and column are counted forward from the previous choice; a byte-order mark at the
    // start is no character of the first line.
    std::size_t at = typed.starts_with(u'\uFEFF') ? 1 : 0, line = 1, column = 1;
    std::string out;
    for (const restore::Uncertain& choice : restored.uncertain) {
        if (out.size() >= (1u << 16)) {
            sink(out);
            out.clear();
        }
        while (at < choice.begin) {
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
        AppendUtf8(choice.typed, out);
        out.append(" -> ");
        AppendUtf8(choice.chosen.word, out);
        out.append(":");
        for (std::size_t i = 0; i < choice.others.size(); ++i) {
            out.append(i == 0 ? " or " : ", ");
            AppendUtf8(choice.others[i].word, out);
        }
        out.append("\n");
    }
    if (!out.empty()) sink(out);
    return restored.uncertain.size();
}

}  // namespace zv::cli

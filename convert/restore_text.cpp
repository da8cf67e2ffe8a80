#include "convert/restore_text.h"

#include <algorithm>

#include "engine/utf8.h"

namespace zv::cli {

RestoringSource::RestoringSource(restore::Restorer& restorer, TextSource& source,
                                 const LineLimits& limits)
    : restorer_(restorer), blocks_(source, limits) {}

bool RestoringSource::Read(std::string& out, std::size_t max) {
    while (restored_at_ == restored_.size()) {
        std::string_view block;
        if (!blocks_.Next(block)) return false;
        restored_ = ToUtf8(restorer_.Restore(ToUtf16(block)).text);
        restored_at_ = 0;
    }
    const std::size_t n = std::min(max, restored_.size() - restored_at_);
    out.append(restored_, restored_at_, n);
    restored_at_ += n;
    return true;
}

std::size_t ListUncertain(restore::Restorer& restorer, std::string_view name, TextSource& source,
                          const std::function<void(std::string_view)>& sink,
                          const LineLimits& limits) {
    LineBlocks blocks(source, limits);
    TextPlace place;
    std::string out;
    std::size_t listed = 0;
    std::string_view block;
    for (bool first = true; blocks.Next(block); first = false) {
        const std::u16string typed = ToUtf16(block);
        const restore::Restored restored = restorer.Restore(typed);
        // Line and column are counted forward from the previous choice.
        std::size_t at = TextPlace::BlockStart(typed, first);
        for (const restore::Uncertain& choice : restored.uncertain) {
            if (out.size() >= (1u << 16)) {
                sink(out);
                out.clear();
            }
            place.MoveTo(typed, at, choice.begin);
            at = choice.begin;
            out.append(name).append(":");
            out.append(std::to_string(place.line)).append(":").append(std::to_string(place.column));
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
        place.MoveTo(typed, at, typed.size());
        listed += restored.uncertain.size();
    }
    if (!out.empty()) sink(out);
    return listed;
}

}  // namespace zv::cli

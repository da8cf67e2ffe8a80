#include "convert/restore_text.h"

#include <algorithm>

#include "engine/line_ends.h"
#include "engine/utf8.h"

namespace zv::cli {
namespace {

// Where a block of pending may end: after a line feed, or a carriage return that no line feed
// follows (so that CR LF, one line end, is never cut in two), at or after from; npos if none.
std::size_t LineEndCut(std::string_view pending, std::size_t from) {
    for (std::size_t i = from; i < pending.size(); ++i) {
        if (pending[i] == '\n') return i + 1;
        if (pending[i] == '\r' && i + 1 < pending.size() && pending[i + 1] != '\n') return i + 1;
    }
    return std::string_view::npos;
}

// A line longer than max bytes: cut after its last blank within them, or with none at the end
// of the last character that fits.
std::size_t LongLineCut(std::string_view pending, std::size_t max) {
    const std::size_t blank = pending.substr(0, max).find_last_of(" \t");
    if (blank != std::string_view::npos) return blank + 1;
    std::size_t cut = max;
    while (cut > 1 && (static_cast<unsigned char>(pending[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

}  // namespace

bool LineBlocks::Next(std::string& block) {
    for (;;) {
        std::size_t cut = std::string::npos;
        if (pending_.size() >= limits_.block) {
            // The first line end at least limits_.block bytes from the start; a CR last may
            // yet be followed by LF, so it is looked at again.
            cut = LineEndCut(pending_, std::max(limits_.block - 1, scanned_));
            scanned_ = pending_.size() - 1;
        }
        if (cut == std::string::npos && pending_.size() > limits_.max_block) {
            cut = LongLineCut(pending_, limits_.max_block);
        }
        if (cut == std::string::npos && ended_ && !pending_.empty()) cut = pending_.size();
        if (cut != std::string::npos) {
            block.assign(pending_, 0, cut);
            pending_.erase(0, cut);
            scanned_ = 0;
            return true;
        }
        if (ended_) return false;
        ended_ = !source_.Read(pending_, limits_.block);
    }
}

RestoringSource::RestoringSource(restore::Restorer& restorer, TextSource& source,
                                 const RestoreLimits& limits)
    : restorer_(restorer), blocks_(source, limits) {}

bool RestoringSource::Read(std::string& out, std::size_t max) {
    while (restored_at_ == restored_.size()) {
        if (!blocks_.Next(block_)) return false;
        restored_ = ToUtf8(restorer_.Restore(ToUtf16(block_)).text);
        restored_at_ = 0;
    }
    const std::size_t n = std::min(max, restored_.size() - restored_at_);
    out.append(restored_, restored_at_, n);
    restored_at_ += n;
    return true;
}

std::size_t ListUncertain(restore::Restorer& restorer, std::string_view name, TextSource& source,
                          const std::function<void(std::string_view)>& sink,
                          const RestoreLimits& limits) {
    LineBlocks blocks(source, limits);
    std::string block, out;
    std::size_t listed = 0, line = 1, column = 1;
    for (bool first = true; blocks.Next(block); first = false) {
        const std::u16string typed = ToUtf16(block);
        const restore::Restored restored = restorer.Restore(typed);
        // Line and column are counted forward from the previous choice, and on from the block
        // before (a long line's parts); a byte-order mark at the start is no character of the
        // first line.
        std::size_t at = first && typed.starts_with(u'\uFEFF') ? 1 : 0;
        const auto count_to = [&](std::size_t end) {
            while (at < end) {
                if (const std::size_t line_end = LineEndLength(typed, at)) {
                    ++line;
                    column = 1;
                    at += line_end;
                } else {
                    if (!IsLowSurrogate(typed[at])) ++column;
                    ++at;
                }
            }
        };
        for (const restore::Uncertain& choice : restored.uncertain) {
            if (out.size() >= (1u << 16)) {
                sink(out);
                out.clear();
            }
            count_to(choice.begin);
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
        count_to(typed.size());
        listed += restored.uncertain.size();
    }
    if (!out.empty()) sink(out);
    return listed;
}

}  // namespace zv::cli

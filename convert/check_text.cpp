#include "convert/check_text.h"

#include <algorithm>
#include <string>

#include "engine/line_ends.h"
#include "engine/utf8.h"

namespace zv::cli {
namespace {

// Where the block of text to check next ends: after its last line end that is known to be whole
// (a CR is one only once the next byte is known not to be an LF), or 0 when there is none.
std::size_t AfterLastLineEnd(std::string_view text) {
    for (std::size_t at = text.size(); at > 0; --at) {
        const auto c = static_cast<unsigned char>(text[at - 1]);
        if (c == '\n' || (c == '\r' && at < text.size())) return at;
        if ((c == 0xA8 || c == 0xA9) && at >= 3 && LineEndLength(text, at - 3) == 3) return at;
    }
    return 0;
}

// Where a line with no end in text is cut: after the last blank or ASCII mark no word holds
// (not an apostrophe, hyphen, '&', '#' or ';' of a reference), or else before the last
// character's first byte, or 0 when there is no such place.
std::size_t LinePartEnd(std::string_view text) {
    for (std::size_t at = text.size(); at > 1; --at) {
        const auto c = static_cast<unsigned char>(text[at - 1]);
        if (c < 0x80 && c != '\r' && !(c >= '0' && c <= '9') && !(c >= 'a' && c <= 'z') &&
            !(c >= 'A' && c <= 'Z') &&
            std::string_view("'-&#;").find(static_cast<char>(c)) == std::string_view::npos) {
            return at;
        }
    }
    for (std::size_t at = text.size(); at > 1; --at) {
        if ((static_cast<unsigned char>(text[at - 1]) & 0xC0) != 0x80) return at - 1;
    }
    return 0;
}

// One input's check: its blocks of lines in turn, with where the next block starts.
class Report {
  public:
    Report(const checker::Checker& checker, std::string_view name,
           const std::function<void(std::string_view)>& sink)
        : checker_(checker), name_(name), sink_(sink) {}

    void Check(std::string_view block) {
        // The text as the conversion reads it, so that the check sees the same lines.
        typed_.clear();
        AppendWithCrLf(ToUtf16(block), typed_);
        std::size_t unchecked = 0;
        const std::vector<checker::Finding> findings =
            checker_.Check(typed_, {}, &unchecked, &budget_);
        unchecked_ += unchecked;
        flagged_ += findings.size();
        // Line and column are counted forward from the previous finding; a byte-order mark at
        // the start is no character of the first line.
        std::size_t at = first_ && typed_.starts_with(u'\uFEFF') ? 1 : 0;
        first_ = false;
        for (const checker::Finding& finding : findings) {
            if (out_.size() >= (1u << 16)) {
                sink_(out_);
                out_.clear();
            }
            CountTo(at, finding.begin);
            at = finding.begin;
            Line(finding);
        }
        // On to the block's end: every line end is CR LF now.
        const std::u16string_view rest = std::u16string_view(typed_).substr(at);
        const std::size_t last = rest.rfind(u'\n');
        if (last != std::u16string_view::npos) {
            line_ += static_cast<std::size_t>(std::count(rest.begin(), rest.end(), u'\n'));
            column_ = 1;
            at += last + 1;
        }
        CountTo(at, typed_.size());
    }

    std::size_t End(std::size_t* unchecked) {
        if (!out_.empty()) sink_(out_);
        out_.clear();
        if (unchecked) *unchecked = unchecked_;
        return flagged_;
    }

  private:
    void CountTo(std::size_t at, std::size_t end) {
        while (at < end) {
            if (const std::size_t line_end = LineEndLength(typed_, at)) {
                ++line_;
                column_ = 1;
                at += line_end;
            } else {
                if (!IsLowSurrogate(typed_[at])) ++column_;
                ++at;
            }
        }
    }

    void Line(const checker::Finding& finding) {
        out_.append(name_).append(":");
        out_.append(std::to_string(line_)).append(":").append(std::to_string(column_));
        out_.append(": ");
        AppendUtf8(std::u16string_view(typed_).substr(finding.begin, finding.end - finding.begin),
                   out_);
        out_.append(" -> ");
        AppendUtf8(finding.converted, out_);
        out_.append(": did you mean ");
        for (std::size_t i = 0; i < finding.suggestions.size(); ++i) {
            if (i > 0) out_.append(", ");
            AppendUtf8(finding.suggestions[i].word, out_);
            out_.append(" (type ");
            AppendUtf8(finding.suggestions[i].typed, out_);
            out_.append(")");
        }
        out_.append("\n");
    }

    const checker::Checker& checker_;
    const std::string_view name_;
    const std::function<void(std::string_view)>& sink_;
    checker::Checker::Budget budget_;
    std::u16string typed_;
    std::string out_;
    std::size_t line_ = 1, column_ = 1, flagged_ = 0, unchecked_ = 0;
    bool first_ = true;
};

}  // namespace

std::size_t CheckText(const checker::Checker& checker, std::string_view name, TextSource& source,
                      const std::function<void(std::string_view)>& sink, std::size_t* unchecked,
                      const CheckLimits& limits) {
    Report report(checker, name, sink);
    std::string buffer;
    bool ended = false;
    while (true) {
        while (!ended && buffer.size() < limits.block) ended = !source.Read(buffer, limits.block);
        std::size_t end = ended ? buffer.size() : AfterLastLineEnd(buffer);
        while (end == 0 && !ended && buffer.size() < limits.max_line) {
            ended = !source.Read(buffer, limits.block);
            end = ended ? buffer.size() : AfterLastLineEnd(buffer);
        }
        // A line of max_line bytes and more, in parts.
        if (end == 0 && !ended) {
            end = LinePartEnd(std::string_view(buffer).substr(0, limits.max_line));
        }
        if (end == 0) end = buffer.size();
        if (end > 0) report.Check(std::string_view(buffer).substr(0, end));
        buffer.erase(0, end);
        if (ended && buffer.empty()) break;
    }
    return report.End(unchecked);
}

}  // namespace zv::cli

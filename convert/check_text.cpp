#include "convert/check_text.h"

#include <algorithm>
#include <string>

#include "convert/line_blocks.h"
#include "engine/line_ends.h"
#include "engine/utf8.h"

namespace zv::cli {
namespace {

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
        // Line and column are counted forward from the previous finding.
        std::size_t at = TextPlace::BlockStart(typed_, first_);
        first_ = false;
        for (const checker::Finding& finding : findings) {
            if (out_.size() >= (1u << 16)) {
                sink_(out_);
                out_.clear();
            }
            place_.MoveTo(typed_, at, finding.begin);
            at = finding.begin;
            Line(finding);
        }
        // On to the block's end: every line end is CR LF now.
        const std::u16string_view rest = std::u16string_view(typed_).substr(at);
        const std::size_t last = rest.rfind(u'\n');
        if (last != std::u16string_view::npos) {
            place_.line += static_cast<std::size_t>(std::count(rest.begin(), rest.end(), u'\n'));
            place_.column = 1;
            at += last + 1;
        }
        place_.MoveTo(typed_, at, typed_.size());
    }

    std::size_t End(std::size_t* unchecked) {
        if (!out_.empty()) sink_(out_);
        out_.clear();
        if (unchecked) *unchecked = unchecked_;
        return flagged_;
    }

  private:
    void Line(const checker::Finding& finding) {
        out_.append(name_).append(":");
        out_.append(std::to_string(place_.line)).append(":").append(std::to_string(place_.column));
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
    TextPlace place_;
    std::size_t flagged_ = 0, unchecked_ = 0;
    bool first_ = true;
};

}  // namespace

std::size_t CheckText(const checker::Checker& checker, std::string_view name, TextSource& source,
                      const std::function<void(std::string_view)>& sink, std::size_t* unchecked,
                      const CheckLimits& limits) {
    Report report(checker, name, sink);
    LineBlocks blocks(source, limits);
    for (std::string_view block; blocks.Next(block);) report.Check(block);
    return report.End(unchecked);
}

}  // namespace zv::cli

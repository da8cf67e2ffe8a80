#include "convert/line_blocks.h"

#include "engine/line_ends.h"
#include "engine/utf8.h"

namespace zv::cli {
namespace {

// Where the block of text to hand out next ends: after its last line end that is known to be
// whole (a CR is one only once the next byte is known not to be an LF), or 0 when there is none.
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

}  // namespace

bool LineBlocks::Next(std::string_view& block) {
    buffer_.erase(0, taken_);
    taken_ = 0;
    if (ended_ && buffer_.empty()) return false;
    while (!ended_ && buffer_.size() < limits_.block)
        ended_ = !source_.Read(buffer_, limits_.block);
    std::size_t end = ended_ ? buffer_.size() : AfterLastLineEnd(buffer_);
    while (end == 0 && !ended_ && buffer_.size() < limits_.max_line) {
        ended_ = !source_.Read(buffer_, limits_.block);
        end = ended_ ? buffer_.size() : AfterLastLineEnd(buffer_);
    }
    // A line of max_line bytes and more, in parts.
    if (end == 0 && !ended_)
        end = LinePartEnd(std::string_view(buffer_).substr(0, limits_.max_line));
    if (end == 0) end = buffer_.size();
    if (end == 0) return false;  // the text has ended, with nothing left
    taken_ = end;
    block = std::string_view(buffer_).substr(0, end);
    return true;
}

void TextPlace::MoveTo(std::u16string_view block, std::size_t from, std::size_t at) {
    while (from < at) {
        if (const std::size_t line_end = LineEndLength(block, from)) {
            ++line;
            column = 1;
            from += line_end;
        } else {
            if (!IsLowSurrogate(block[from])) ++column;
            ++from;
        }
    }
}

}  // namespace zv::cli

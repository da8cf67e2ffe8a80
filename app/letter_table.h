// The character references that the rule table writes, and the letters they stand for: what
// zv-convert --unicode turns back into characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zv::cli {

// Every replacement of the rule table that is one whole reference, numeric ("&#257;",
// decoded; also written in hexadecimal, "&#x101;") or named ("&aring;", standing for the one
// character its rule finds), with the character it stands for in UTF-8.
class LetterTable {
  public:
    LetterTable();

    // The longest reference listed.
    std::size_t MaxLength() const { return max_length_; }

    // Every listed reference in text replaced by its letter; a reference begins with '&'
    // and ends at the first ';' after it, so one left-to-right scan finds them all.
    std::string Apply(std::string_view text) const;

  private:
    std::unordered_map<std::string, std::string> map_;
    std::size_t max_length_ = 0;
};

}  // namespace zv::cli

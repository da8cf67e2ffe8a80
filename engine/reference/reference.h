// The plain rule-by-rule application of the table, kept as the yardstick for Transliterate.
#pragma once

#include <string>
#include <string_view>

namespace zv::reference {

// Applies every rule of the table in order, one full scan of the text per rule, exactly as
// the rules are defined: at each position, a match is replaced and skipped, otherwise the
// character is copied and the scan moves on by one.
std::u16string Transliterate(std::u16string_view text);

}  // namespace zv::reference

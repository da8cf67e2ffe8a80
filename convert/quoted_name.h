// File names as the command-line converter's messages and report lines show them.
#pragma once

#include <string>
#include <string_view>

namespace zv::cli {

// name as it is, unless it holds something that would not show as itself: a control character
// (a line feed would start a line of its own, an escape would drive the terminal), a C1 control
// or a byte that is not UTF-8. Such a name is quoted for the shell, as GNU tools quote it in
// their messages: 'a'$'\n''b' for "a", a line feed, "b". Spaces and other printable characters
// need no quotes: a line "NAME:LINE:COLUMN:" keeps the name as editors look it up.
std::string QuotedName(std::string_view name);

}  // namespace zv::cli

// Must not compile: its second rule finds a unit that the class map does not cover. A test
// compiles it and expects the message of the check that refuses such a rule.
#include <array>

#include "engine/rule_limits.h"

namespace {
constexpr std::array<zv::Rule, 2> kTable{{{u"aa", u"&#257;"}, {u"\u0101", u"&#257;"}}};
static_assert(zv::TableFits<kTable>());
}  // namespace

// What the conversion machine can hold, and the checks that hold the rule table to it.
//
// The machine gives every unit that occurs in a find text a class of its own, through a map
// with one entry per unit below kClassMapUnits, and keeps one move per class in a state's row
// of kMaxClasses moves; a transducer's level and the length it holds are each kept in a byte.
// TableFits<Table>() checks a table against these limits when the engine compiles, so that a
// table that breaks one is refused with an error that names the rule (counted from 0) and the
// unit at fault, as GCC puts it:
//
//     In instantiation of 'constexpr bool zv::RuleFits() [with const auto& Table = ...;
//         long unsigned int Index = 123; char32_t UnitPastClassMap = 257]':
//     ...
//     error: static assertion failed: this rule's find text has a unit past U+00FF, ...
//
// RuleFault() is the same check of one rule at run time.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <utility>

#include "engine/transliterate.h"

namespace zv {

inline constexpr std::size_t kMaxRules = 128;
inline constexpr std::size_t kClassMapUnits = 256;
inline constexpr std::size_t kMaxClasses = 64;
inline constexpr std::size_t kMaxFindUnits = 255;  // in either encoding

// The units of a UTF-16 unit below kClassMapUnits in UTF-8: one or two bytes.
constexpr std::size_t Utf8Units(char16_t u) { return u < 0x80 ? 1 : 2; }

// The first unit of find that the class map does not cover, or 0 if there is none.
constexpr char32_t FirstUnitPastClassMap(std::u16string_view find) {
    for (const char16_t u : find) {
        if (u >= kClassMapUnits) return u;
    }
    return 0;
}

constexpr std::size_t Utf8Length(std::u16string_view text) {
    std::size_t length = 0;
    for (const char16_t u : text) length += u < kClassMapUnits ? Utf8Units(u) : 3;
    return length;
}

// Why one rule does not fit the machine, or nullptr when it does.
constexpr const char* RuleFault(const Rule& rule) {
    if (rule.find.empty()) return "its find text is empty";
    if (FirstUnitPastClassMap(rule.find) != 0) {
        return "its find text has a unit past U+00FF, which the class map does not cover";
    }
    if (Utf8Length(rule.find) > kMaxFindUnits) return "its find text is too long";
    return nullptr;
}

// The classes a table needs in UTF-16 (or, with utf8, in UTF-8): one for each unit of its
// find texts, and one for all other units. Units the class map does not cover are left out
// (RuleFault refuses them).
template <typename Table>
constexpr std::size_t ClassCount(const Table& table, bool utf8) {
    std::array<bool, kClassMapUnits> seen{};
    std::size_t classes = 1;
    auto see = [&](unsigned unit) {
        if (!seen[unit]) {
            seen[unit] = true;
            ++classes;
        }
    };
    for (const Rule& rule : table) {
        for (const char16_t u : rule.find) {
            if (u >= kClassMapUnits) continue;
            if (!utf8 || u < 0x80) {
                see(u);
            } else {
                see(0xC0 | (u >> 6));
                see(0x80 | (u & 0x3F));
            }
        }
    }
    return classes;
}

// One rule, checked when the table compiles: the compiler's message names the rule's index
// and the unit at fault.
template <const auto& Table, std::size_t Index,
          char32_t UnitPastClassMap = FirstUnitPastClassMap(Table[Index].find)>
constexpr bool RuleFits() {
    static_assert(!Table[Index].find.empty(), "this rule's find text is empty");
    static_assert(UnitPastClassMap == 0,
                  "this rule's find text has a unit past U+00FF, which the class map does not "
                  "cover (the rule and the unit are named above)");
    static_assert(Utf8Length(Table[Index].find) <= kMaxFindUnits,
                  "this rule's find text is too long");
    return true;
}

template <const auto& Table, std::size_t... Index>
constexpr bool RulesFit(std::index_sequence<Index...>) {
    return (RuleFits<Table, Index>() && ...);
}

template <const auto& Table>
constexpr bool TableFits() {
    static_assert(Table.size() <= kMaxRules, "the table has more rules than the machine can hold");
    static_assert(ClassCount(Table, false) <= kMaxClasses,
                  "the find texts have more distinct UTF-16 units than a state has moves");
    static_assert(ClassCount(Table, true) <= kMaxClasses,
                  "the find texts have more distinct UTF-8 bytes than a state has moves");
    return RulesFit<Table>(std::make_index_sequence<Table.size()>());
}

}  // namespace zv

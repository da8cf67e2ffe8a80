// The typed form of a reading: what to type so that the conversion gives exactly the reading's
// letters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "checker/readings.h"

namespace zv::checker {

// What to type for one reading (choice[k]: the reading of the k-th unit) so that the
// conversion gives exactly its letters, word: the conventions where they give it, otherwise
// hexadecimal references for the letters the conversion's word repairs would undo. Empty
// when nothing found converts right.
std::u16string TypedForm(const std::vector<Unit>& units, const std::vector<std::size_t>& choice,
                         std::u16string_view word);

}  // namespace zv::checker

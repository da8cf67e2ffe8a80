// The suggestions of the Latvian dictionary check (checker/checker.h) for the typing core: the
// words it offers for a flagged word, in letters.
#pragma once

#include <memory>

#include "ime/core/suggester.h"

namespace zv::ime {

// The check on the dictionary it finds (ZV_DICTIONARY, $DICPATH, the usual hunspell folders),
// or null when there is none.
std::unique_ptr<Dictionary> OpenCheckerDictionary();

}  // namespace zv::ime

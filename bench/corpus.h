// Latvian text typed in the plain-keyboard conventions, for benchmarks.
#pragma once

#include <cstddef>
#include <string>

namespace zv::bench {

// Real Latvian sentences (the Latvian message catalogues installed under /usr/share/locale/lv,
// and the hunspell-lv word list where those are few), rewritten the way a user types them on
// a plain keyboard: "aa" for a, "sh" for s, "kj" for k, now and then an apostrophe form,
// lines ended by CR LF. Deterministic for a given size. Returns UTF-8 of at least min_bytes;
// throws std::runtime_error when no Latvian source text is installed.
std::string TypedLatvianCorpus(std::size_t min_bytes);

}  // namespace zv::bench

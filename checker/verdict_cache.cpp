#include "checker/verdict_cache.h"

#include <string>
#include <utility>

namespace zv::checker {

const Entry& VerdictCache::Add(std::u16string_view word, Entry entry) {
    if (entries_.size() >= kMaxCached) entries_.clear();
    return entries_.insert_or_assign(std::u16string(word), std::move(entry)).first->second;
}

}  // namespace zv::checker

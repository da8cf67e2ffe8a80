#include "checker/verdict_cache.h"

#include <algorithm>
#include <utility>

namespace zv::checker {

const Entry& VerdictCache::Add(std::u16string_view word, std::uint64_t hash, Entry entry) {
    if (stored_.size() >= kMaxCached) Clear();
    if (2 * (stored_.size() + 1) > slots_.size()) Grow();
    stored_.push_back({letters_.size(), word.size(), std::move(entry)});
    letters_.append(word);
    Place(hash, static_cast<std::uint32_t>(stored_.size()));
    return stored_.back().entry;
}

void VerdictCache::Place(std::uint64_t hash, std::uint32_t entry) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = hash & mask;
    while (slots_[at].entry != 0) at = (at + 1) & mask;
    slots_[at] = {hash, entry};
}

void VerdictCache::Grow() {
    std::vector<Slot> old(std::max<std::size_t>(slots_.size() * 2, 1 << 12));
    old.swap(slots_);
    for (const Slot& slot : old) {
        if (slot.entry != 0) Place(slot.hash, slot.entry);
    }
}

void VerdictCache::Clear() {
    slots_.clear();
    stored_.clear();
    letters_.clear();
}

}  // namespace zv::checker

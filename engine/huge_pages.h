// The owner of the machine's big tables and of the lanes' scratch room: whole 2 MB blocks.
//
// Part of the conversion machine, which is private to transliterate.cpp: like the other
// machine headers this one is included there only, and keeps its names in an anonymous
// namespace, so that the whole machine is still one translation unit, inlined as one.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

namespace zv {
namespace {

// Room for the machine's big tables and buffers: whole 2 MB blocks, which the system is asked
// to back with huge pages where it can. A look-up then rarely misses the address cache,
// however far apart the states it visits lie in the table.
template <typename T>
class HugePages {
  public:
    HugePages() = default;
    explicit HugePages(std::size_t n)
        : capacity_((n * sizeof(T) + kBlock - 1) / kBlock * kBlock / sizeof(T)),
          data_(static_cast<T*>(std::aligned_alloc(kBlock, capacity_ * sizeof(T)))) {
        if (!data_) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        madvise(data_.get(), capacity_ * sizeof(T), MADV_HUGEPAGE);  // a hint only
#endif
    }

    T* get() const { return data_.get(); }
    // Whole blocks are allocated: room for this many Ts, at least as many as asked for.
    std::size_t capacity() const { return capacity_; }

  private:
    static constexpr std::size_t kBlock = std::size_t{2} << 20;
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    std::size_t capacity_ = 0;
    std::unique_ptr<T, Free> data_;
};

}  // namespace
}  // namespace zv

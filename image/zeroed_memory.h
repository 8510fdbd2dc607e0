// Zeroed memory blocks for frame-sized buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>

namespace image {

/// A block of `bytes` bytes reading 0 everywhere, nullptr when the system has no memory for it.
/// Blocks of frame size come straight from the system, aligned to 2 MiB and marked for large
/// pages: filling a workspace the first time then takes a handful of page faults instead of
/// one per 4 KiB, and walking it needs far fewer address translations. Smaller blocks come
/// from calloc.
void* zeroedBlock(std::size_t bytes);

/// Gives back a block of zeroedBlock (of the same size).
void releaseBlock(void* block, std::size_t bytes) noexcept;

/// Memory for pixels, taken zeroed from the system: a new workspace reads 0 everywhere and
/// its pages are only touched when first written, so a session that never uses a workspace
/// pays nothing for it. Elements made without a value keep the zero the memory holds.
template <class T>
struct ZeroedAllocator {
  static_assert(std::is_trivial_v<T>, "only plain numbers are kept in zeroed memory");
  using value_type = T;
  ZeroedAllocator() = default;
  template <class U>
  ZeroedAllocator(const ZeroedAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    void* p = zeroedBlock(n * sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t n) noexcept { releaseBlock(p, n * sizeof(T)); }
  template <class U>
  void construct(U*) noexcept {}
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(static_cast<Args&&>(args)...);
  }
  friend bool operator==(const ZeroedAllocator&, const ZeroedAllocator&) noexcept { return true; }
};

}  // namespace image

// Zeroed memory blocks: anonymous mappings for large blocks (zero by definition, large pages
// asked for), calloc for the rest.
#include "image/zeroed_memory.h"

#include <cstdint>
#include <cstdlib>

// Under AddressSanitizer every block comes from calloc, so that a read or write past its end
// is caught rather than landing in the rest of a mapped large page.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELM_ADDRESS_CHECKED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define PELM_ADDRESS_CHECKED 1
#endif

#if defined(__linux__) && !defined(PELM_ADDRESS_CHECKED)
#include <sys/mman.h>
#define PELM_LARGE_BLOCKS 1
#else
#define PELM_LARGE_BLOCKS 0
#endif

namespace image {

#if PELM_LARGE_BLOCKS

namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;
// From this size a block is mapped on its own.
constexpr std::size_t kMappedFrom = std::size_t{1} << 20;

std::size_t roundedUp(std::size_t bytes) { return (bytes + kLargePage - 1) / kLargePage * kLargePage; }

}  // namespace

void* zeroedBlock(std::size_t bytes) {
  if (bytes < kMappedFrom) return std::calloc(bytes == 0 ? 1 : bytes, 1);
  if (bytes > SIZE_MAX - 2 * kLargePage) return nullptr;
  // One large page of room more than the block, so that it can start on a large-page
  // boundary; the room before and after it is given back at once.
  const std::size_t size = roundedUp(bytes);
  const std::size_t span = size + kLargePage;
  void* mapped = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  char* raw = static_cast<char*>(mapped);
  const std::size_t lead = (kLargePage - reinterpret_cast<std::uintptr_t>(raw) % kLargePage) % kLargePage;
  char* block = raw + lead;
  if (lead > 0) munmap(raw, lead);
  if (span - lead > size) munmap(block + size, span - lead - size);
  // Only a hint: without large pages the block works the same, page by page.
  (void)madvise(block, size, MADV_HUGEPAGE);
  return block;
}

void releaseBlock(void* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
  if (bytes < kMappedFrom) {
    std::free(block);
    return;
  }
  munmap(block, roundedUp(bytes));
}

#else

void* zeroedBlock(std::size_t bytes) { return std::calloc(bytes == 0 ? 1 : bytes, 1); }

void releaseBlock(void* block, std::size_t) noexcept { std::free(block); }

#endif

}  // namespace image

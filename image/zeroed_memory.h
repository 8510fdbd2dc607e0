// Zeroed memory blocks for frame-sized buffers.
#pragma once

#include <cstddef>

namespace image {

/// A block of `bytes` bytes reading 0 everywhere, nullptr when the system has no memory for it.
/// Blocks of frame size come straight from the system, aligned to 2 MiB and marked for large
/// pages: filling a workspace the first time then takes a handful of page faults instead of
/// one per 4 KiB, and walking it needs far fewer address translations. Smaller blocks come
/// from calloc.
void* zeroedBlock(std::size_t bytes);

/// Gives back a block of zeroedBlock (of the same size).
void releaseBlock(void* block, std::size_t bytes) noexcept;

}  // namespace image

// Frame pixels decoded when first used: a batch that measures a few places of each frame
// loads the frame's stored rows and decodes only the 64 x 64 tiles that are read, the rest
// when the batch ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/zeroed_memory.h"

namespace image {

/// The stored rows of the frame in workspace 1 and which of its tiles are decoded yet.
class DeferredTiles {
 public:
  static constexpr int32_t kTile = 64;

  /// Memory for the stored rows (ny rows of nx pixels, two bytes each, as in the file); growing
  /// it does not clear it first.
  using Rows = std::vector<uint8_t, ZeroedAllocator<uint8_t>>;
  Rows& rows() { return rows_; }
  /// Starts a frame of nx x ny pixels whose every pixel replaces the one in `pixels` (the
  /// workspace, j varying fastest) by `replacing`, indexed by a stored pair of bytes as this
  /// machine reads them as one 16-bit number. No tile is decoded yet.
  void start(int32_t* pixels, int32_t nx, int32_t ny, const std::vector<int32_t>& replacing);
  int32_t nx() const { return nx_; }
  int32_t ny() const { return ny_; }
  /// Decodes the tile holding (i, j), inside the frame, unless it is decoded already.
  void ensure(int32_t i, int32_t j) {
    const size_t tile = static_cast<size_t>((i - 1) / kTile) * tilesJ_ + static_cast<size_t>((j - 1) / kTile);
    if (!done_[tile]) decode(tile);
  }
  /// Decodes every tile not decoded yet.
  void settleAll();

 private:
  void decode(size_t tile);

  Rows rows_;
  std::vector<int32_t> replacing_;
  std::vector<uint8_t> done_;
  int32_t* pixels_ = nullptr;
  int32_t nx_ = 0, ny_ = 0;
  size_t tilesJ_ = 0;
};

/// The deferred frame of workspace 1, if any. It stands before the pixels in Workspaces, so
/// a copy of a workspace set first settles the frame it copies (every pixel decoded), and the
/// copy starts with none deferred.
class DeferredSlot {
 public:
  DeferredSlot() = default;
  DeferredSlot(const DeferredSlot& other) { other.settle(); }
  DeferredSlot& operator=(const DeferredSlot& other) {
    if (this != &other) {
      drop();
      other.settle();
    }
    return *this;
  }
  DeferredSlot(DeferredSlot&&) noexcept = default;
  DeferredSlot& operator=(DeferredSlot&& other) noexcept {
    if (this != &other) tiles_ = std::move(other.tiles_);
    return *this;
  }
  ~DeferredSlot() = default;

  [[nodiscard]] bool active() const { return tiles_ != nullptr; }
  void ensure(int32_t i, int32_t j) const { tiles_->ensure(i, j); }
  const DeferredTiles* current() const { return tiles_.get(); }
  /// Decodes what is left of the deferred frame; afterwards none is deferred.
  void settle() const;
  /// Forgets the deferred frame without decoding it (its pixels are about to be replaced).
  void drop() const;
  /// An object for the next frame's rows: the memory of an earlier frame's when there is one.
  std::unique_ptr<DeferredTiles> fresh() const;
  /// Makes `next` the deferred frame; the one it replaces is kept for its memory.
  void adopt(std::unique_ptr<DeferredTiles> next) const;
  /// Keeps an object from fresh that was not adopted, for its memory.
  void giveBack(std::unique_ptr<DeferredTiles> unused) const { spare_ = std::move(unused); }

 private:
  mutable std::unique_ptr<DeferredTiles> tiles_;
  mutable std::unique_ptr<DeferredTiles> spare_;
};

}  // namespace image

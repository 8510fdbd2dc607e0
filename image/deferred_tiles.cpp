// Deferred frame pixels: a tile is decoded from the stored rows the first time it is read.
#include "image/deferred_tiles.h"

#include <algorithm>
#include <cstring>

namespace image {

void DeferredTiles::start(int32_t* pixels, int32_t nx, int32_t ny, const std::vector<int32_t>& replacing) {
  pixels_ = pixels;
  nx_ = nx;
  ny_ = ny;
  replacing_ = replacing;
  tilesJ_ = static_cast<size_t>((ny + kTile - 1) / kTile);
  const size_t tilesI = static_cast<size_t>((nx + kTile - 1) / kTile);
  done_.assign(tilesI * tilesJ_, 0);
}

void DeferredTiles::decode(size_t tile) {
  done_[tile] = 1;
  const int32_t i0 = static_cast<int32_t>(tile / tilesJ_) * kTile + 1;
  const int32_t j0 = static_cast<int32_t>(tile % tilesJ_) * kTile + 1;
  const int32_t iEnd = std::min(nx_, i0 + kTile - 1), jEnd = std::min(ny_, j0 + kTile - 1);
  const size_t rowBytes = static_cast<size_t>(nx_) * 2;
  for (int32_t i = i0; i <= iEnd; ++i) {
    const uint8_t* stored = rows_.data() + static_cast<size_t>(j0 - 1) * rowBytes + static_cast<size_t>(i - 1) * 2;
    int32_t* column = pixels_ + static_cast<size_t>(i - 1) * static_cast<size_t>(ny_) + static_cast<size_t>(j0 - 1);
    for (int32_t j = j0; j <= jEnd; ++j, stored += rowBytes) {
      uint16_t pair;
      std::memcpy(&pair, stored, sizeof pair);
      *column++ = replacing_[pair];
    }
  }
}

void DeferredTiles::settleAll() {
  for (size_t tile = 0; tile < done_.size(); ++tile) {
    if (!done_[tile]) decode(tile);
  }
}

void DeferredSlot::settle() const {
  if (!tiles_) return;
  tiles_->settleAll();
  spare_ = std::move(tiles_);
}

void DeferredSlot::drop() const {
  if (tiles_) spare_ = std::move(tiles_);
}

std::unique_ptr<DeferredTiles> DeferredSlot::fresh() const {
  if (spare_) return std::move(spare_);
  return std::make_unique<DeferredTiles>();
}

void DeferredSlot::adopt(std::unique_ptr<DeferredTiles> next) const {
  if (tiles_) spare_ = std::move(tiles_);
  tiles_ = std::move(next);
}

}  // namespace image

// The three image workspaces and the header values of the frame last loaded.
// Pixels are reached only through the bounds-checked accessors below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "image/deferred_tiles.h"
#include "image/zeroed_memory.h"

namespace textio {
class Console;
}

namespace image {

constexpr int64_t kCapacity = 1447680;  ///< pixels a workspace holds at least
constexpr int64_t kMaxCapacity = int64_t{1} << 28;  ///< largest camera, in pixels, workspaces grow to
constexpr int kHeaderSlots = 360;       ///< stored header cards of the last frame

/// Pixels per workspace for a camera of nx x ny: never fewer than kCapacity.
inline int64_t capacityFor(int64_t nx, int64_t ny) {
  const int64_t n = nx > 0 && ny > 0 ? nx * ny : 0;
  return n > kCapacity ? n : kCapacity;
}

/// The pixels of one workspace.
using Pixels = std::vector<int32_t, ZeroedAllocator<int32_t>>;

/// What a command that made workspace 1's frame (a correction, a stack, an average) records
/// in its header when the frame is saved. It holds only while workspace 1 keeps the header it
/// was made with: a frame loaded since is saved with its own header, unchanged.
struct DerivedHeader {
  std::vector<std::string> history;  // HISTORY texts (longer ones continue on further cards)
  std::string imageType;             // IMAGETYP value; blank keeps the frame's own
  bool combined = false;             // frames combined: their time cards give way to these:
  std::string dateObs;               // mid-time of the frames combined, ISO date and time
  std::string dateAvg;               // mean of their mid-exposure times, ISO date and time
  double exposure = 0.0;             // EXPTIME: the sum of theirs, seconds
  int32_t ncombine = 0;              // NCOMBINE: frames combined
  std::vector<std::string> basis;    // the header cards of workspace 1 it describes
};

/// How new pixels meet those of a workspace: they replace them or are added to them.
enum class Combine { Replace, Add };
/// Three images of signed 32-bit pixels with one shared size, and the last frame's header values.
struct Workspaces {
  Workspaces();

  // First, so that copying a workspace set decodes a deferred frame before its pixels are
  // copied (see DeferredSlot).
  DeferredSlot deferred;           // tiles of workspace 1 not decoded yet (a photometry batch)
  int32_t nx = 0;                  // pixels along a row (FITS axis 1)
  int32_t ny = 0;                  // rows (FITS axis 2)
  Pixels w1, w2, w3;               // workspace pixels, j varying fastest
  float bzero = 0.0f;              // BZERO of the last frame loaded
  int32_t frameYear = 0;           // date and time of the last frame loaded into workspace 1
  int32_t frameMonth = 0;
  int32_t frameDay = 0;
  int32_t frameHour = 0;
  int32_t frameMinute = 0;
  int32_t frameSecond = 0;
  float frameTime = 0.0f;          // hours UT of the frame being worked on
  std::vector<std::string> headerCards;  // 360 cards of 80 characters; 'x' marks the end
  DerivedHeader derived;           // what made workspace 1's frame, for its saved header

  /// Pixels each workspace holds (kCapacity, or more after grow).
  int64_t capacity() const { return static_cast<int64_t>(w1.size()); }
  /// Makes each workspace hold at least `pixels` (at most kMaxCapacity) pixels, keeping the
  /// pixels it holds; a workspace never shrinks. False, with nothing changed, when the system
  /// has no memory for it.
  [[nodiscard]] bool grow(int64_t pixels);

  /// True when (i, j) lies in the image (1-based, inclusive bounds).
  [[nodiscard]] bool inside(int32_t i, int32_t j) const { return i >= 1 && i <= nx && j >= 1 && j <= ny; }
  size_t index(int32_t i, int32_t j) const {
    return static_cast<size_t>(i - 1) * static_cast<size_t>(ny) + static_cast<size_t>(j - 1);
  }

  /// Pixel (i, j) of workspace 1: true and the value when inside, else false and value unchanged.
  [[nodiscard]] bool get(int32_t i, int32_t j, int32_t& value) const {
    if (!inside(i, j)) return false;
    value = pixelInside(i, j);
    return true;
  }
  /// Pixel (i, j) of workspace 1, which the caller knows to be inside the image.
  int32_t pixelInside(int32_t i, int32_t j) const {
    if (deferred.active()) deferred.ensure(i, j);
    return w1[index(i, j)];
  }
  /// The same for workspace 2.
  [[nodiscard]] bool get2(int32_t i, int32_t j, int32_t& value) const { return read(w2, i, j, value); }
  /// The same for workspace 3.
  [[nodiscard]] bool get3(int32_t i, int32_t j, int32_t& value) const { return read(w3, i, j, value); }
  /// Stores a pixel of workspace 1; a position outside the image is ignored.
  void put(int32_t i, int32_t j, int32_t value) {
    if (!inside(i, j)) return;
    if (deferred.active()) deferred.ensure(i, j);
    w1[index(i, j)] = value;
  }
  void put2(int32_t i, int32_t j, int32_t value) { write(w2, i, j, value); }
  void put3(int32_t i, int32_t j, int32_t value) { write(w3, i, j, value); }

 private:
  [[nodiscard]] bool read(const Pixels& w, int32_t i, int32_t j, int32_t& value) const {
    if (!inside(i, j)) return false;
    value = w[index(i, j)];
    return true;
  }
  void write(Pixels& w, int32_t i, int32_t j, int32_t value) {
    if (inside(i, j)) w[index(i, j)] = value;
  }
};

/// True when (u, v) is a position a frame can have: both finite and no more than a workspace's
/// pixels from the origin. No pixel beyond is ever inside an image, and the integer arithmetic
/// of a box around such a position could overflow: measurements treat it as outside the image.
[[nodiscard]] inline bool withinReach(float u, float v) {
  constexpr float kReach = static_cast<float>(kCapacity);
  return u >= -kReach && u <= kReach && v >= -kReach && v <= kReach;
}

/// Sets every pixel of workspace 1 within nx x ny to 0, then prints "  array 1 initialised".
void init(textio::Console& console, Workspaces& ws);
/// init's message alone, for a load that clears as it goes (loadCleared): returns how many
/// leading places of workspace 1 init would have set to 0.
[[nodiscard]] size_t initLater(textio::Console& console, const Workspaces& ws);
/// The same for workspace 2 ("  array 2 initialised").
void init2(textio::Console& console, Workspaces& ws);
/// The same for workspace 3 ("  array 3 initialised").
void init3(textio::Console& console, Workspaces& ws);
/// Copies every pixel of workspace 1 within nx x ny into workspace 2, then prints
/// "  array 1 copied to array 2".
void copy12(textio::Console& console, Workspaces& ws);

}  // namespace image

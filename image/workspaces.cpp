// Workspaces: allocated once, zero at start, never reallocated; clearing and copying.
#include "image/workspaces.h"

#include <algorithm>

#include "textio/console.h"
#include "textio/value_ranges.h"

namespace image {

static_assert(static_cast<double>(kCapacity) == textio::kWorkspacePixels,
              "typed coordinates are limited to what a workspace holds");

Workspaces::Workspaces()
    : w1(static_cast<size_t>(kCapacity)),
      w2(static_cast<size_t>(kCapacity)),
      w3(static_cast<size_t>(kCapacity)),
      headerCards(static_cast<size_t>(kHeaderSlots), std::string(80, ' ')) {}

bool Workspaces::grow(int64_t pixels) {
  if (pixels > kMaxCapacity) return false;
  if (pixels <= capacity()) return true;
  deferred.settle();
  const size_t n = static_cast<size_t>(pixels);
  try {
    // All three first, so that a lack of memory leaves the workspaces as they were.
    Pixels n1(n), n2(n), n3(n);
    std::copy(w1.begin(), w1.end(), n1.begin());
    std::copy(w2.begin(), w2.end(), n2.begin());
    std::copy(w3.begin(), w3.end(), n3.begin());
    w1.swap(n1);
    w2.swap(n2);
    w3.swap(n3);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

namespace {

// Pixels inside nx x ny occupy the first nx * ny places of a workspace (never more than it holds).
size_t usedPixels(const Workspaces& ws) {
  if (ws.nx <= 0 || ws.ny <= 0) return 0;
  int64_t n = static_cast<int64_t>(ws.nx) * static_cast<int64_t>(ws.ny);
  return static_cast<size_t>(std::min<int64_t>(n, ws.capacity()));
}

void clear(textio::Console& console, Workspaces& ws, Pixels& w, const char* message) {
  std::fill_n(w.begin(), usedPixels(ws), 0);
  console.line(message);
}

}  // namespace

void init(textio::Console& console, Workspaces& ws) { clear(console, ws, ws.w1, "  array 1 initialised"); }
size_t initLater(textio::Console& console, const Workspaces& ws) {
  console.line("  array 1 initialised");
  return usedPixels(ws);
}
void init2(textio::Console& console, Workspaces& ws) { clear(console, ws, ws.w2, "  array 2 initialised"); }
void init3(textio::Console& console, Workspaces& ws) { clear(console, ws, ws.w3, "  array 3 initialised"); }

void copy12(textio::Console& console, Workspaces& ws) {
  std::copy_n(ws.w1.begin(), usedPixels(ws), ws.w2.begin());
  console.line("  array 1 copied to array 2");
}

}  // namespace image

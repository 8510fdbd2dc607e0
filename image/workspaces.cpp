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

namespace {

// Pixels inside nx x ny occupy the first nx * ny places of a workspace (never more than it holds).
size_t usedPixels(const Workspaces& ws) {
  if (ws.nx <= 0 || ws.ny <= 0) return 0;
  int64_t n = static_cast<int64_t>(ws.nx) * static_cast<int64_t>(ws.ny);
  return static_cast<size_t>(std::min<int64_t>(n, kCapacity));
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

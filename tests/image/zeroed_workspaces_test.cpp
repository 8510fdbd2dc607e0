// Workspaces come from zeroed memory: every pixel of a new set reads 0, also when the memory
// of an earlier set, filled and freed, is handed out again.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "image/workspaces.h"

namespace {

bool allZero(const image::Workspaces& ws) {
  auto zero = [](const image::Pixels& w) { return std::all_of(w.begin(), w.end(), [](int32_t v) { return v == 0; }); };
  return zero(ws.w1) && zero(ws.w2) && zero(ws.w3);
}

TEST(ZeroedWorkspaces, NewWorkspacesReadZeroAfterEarlierOnesWereFilledAndFreed) {
  for (int round = 0; round < 4; ++round) {
    auto ws = std::make_unique<image::Workspaces>();
    ASSERT_EQ(ws->w1.size(), static_cast<size_t>(image::kCapacity));
    ASSERT_TRUE(allZero(*ws)) << "round " << round;
    for (image::Pixels* w : {&ws->w1, &ws->w2, &ws->w3}) std::fill(w->begin(), w->end(), -7 - round);
  }
}

TEST(ZeroedWorkspaces, SmallPixelVectorsAreZeroedToo) {
  // Small blocks come from reused heap memory rather than fresh pages.
  for (int round = 0; round < 50; ++round) {
    image::Pixels p(100 + round);
    ASSERT_TRUE(std::all_of(p.begin(), p.end(), [](int32_t v) { return v == 0; })) << round;
    std::fill(p.begin(), p.end(), 12345);
    image::Pixels q(p);  // a copy keeps the values
    ASSERT_EQ(q[50], 12345);
  }
}

}  // namespace

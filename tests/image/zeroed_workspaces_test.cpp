// Workspaces come from zeroed memory: every pixel of a new set reads 0, also when the memory
// of an earlier set, filled and freed, is handed out again.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "image/workspaces.h"
#include "image/zeroed_memory.h"

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

TEST(ZeroedWorkspaces, BlocksAroundEveryKindOfSizeReadZeroToTheirLastByte) {
  // Small (calloc), at and past the size that is mapped on its own, and around a large page.
  const size_t mib = size_t{1} << 20;
  for (size_t bytes : {size_t{0}, size_t{1}, mib - 1, mib, 2 * mib - 1, 2 * mib, 2 * mib + 1, 6 * mib + 12345}) {
    for (int round = 0; round < 2; ++round) {
      auto* block = static_cast<unsigned char*>(image::zeroedBlock(bytes));
      ASSERT_NE(block, nullptr) << bytes;
      EXPECT_TRUE(std::all_of(block, block + bytes, [](unsigned char c) { return c == 0; })) << bytes << " " << round;
      std::fill(block, block + bytes, static_cast<unsigned char>(0xA5));
      if (bytes > 0) {
        EXPECT_EQ(block[bytes - 1], 0xA5) << bytes;
      }
      image::releaseBlock(block, bytes);
    }
  }
}

}  // namespace

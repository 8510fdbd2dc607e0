// The pieces of forEachPiece cover the range once each, in order, and an exception of any
// piece reaches the caller; a TaskThread runs its tasks in the order given, each once.
#include "core/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

TEST(Threads, PiecesCoverTheRangeAndTasksRunInOrder) {
  ::setenv("PELM_THREADS", "3", 1);
  EXPECT_EQ(core::threadCount(), 3);
  std::vector<std::atomic<int>> seen(1000);
  std::atomic<int> pieces{0};
  core::forEachPiece(1000, 10, [&](int64_t begin, int64_t end) {
    ++pieces;
    for (int64_t k = begin; k < end; ++k) ++seen[static_cast<size_t>(k)];
  });
  EXPECT_EQ(pieces.load(), 3);
  for (const auto& s : seen) ASSERT_EQ(s.load(), 1);
  // Fewer items than pieces of the grain: one piece, on the caller.
  pieces = 0;
  core::forEachPiece(15, 10, [&](int64_t begin, int64_t end) {
    ++pieces;
    EXPECT_EQ(begin, 0);
    EXPECT_EQ(end, 15);
  });
  EXPECT_EQ(pieces.load(), 1);
  EXPECT_THROW(core::forEachPiece(1000, 10,
                                  [](int64_t begin, int64_t) {
                                    if (begin > 0) throw std::runtime_error("piece failed");
                                  }),
               std::runtime_error);
  ::setenv("PELM_THREADS", "0", 1);  // not a thread count: every core
  EXPECT_GE(core::threadCount(), 1);
  ::unsetenv("PELM_THREADS");

  std::vector<int> order;
  std::vector<std::future<void>> done;
  {
    core::TaskThread thread(1);
    for (int k = 0; k < 50; ++k) done.push_back(thread.submit([&order, k] { order.push_back(k); }));
    done.push_back(thread.submit([] { throw std::runtime_error("task failed"); }));
  }  // every task given runs before the thread ends
  ASSERT_EQ(order.size(), 50u);
  for (int k = 0; k < 50; ++k) EXPECT_EQ(order[static_cast<size_t>(k)], k);
  EXPECT_THROW(done.back().get(), std::runtime_error);
}

}  // namespace

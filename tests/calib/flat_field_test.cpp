// Dark and flat correction on small frames: the strict threshold, negatives kept, the
// clip at 65530, the all-zero flat and a flat with a negative mean.
#include "calib/flat_field.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/calib/synthetic_frames.h"

namespace {

using calibtest::blank;

// One row of data, dark and flat pixels.
std::unique_ptr<image::Workspaces> frames(const std::vector<int32_t>& d, const std::vector<int32_t>& k,
                                          const std::vector<int32_t>& f) {
  auto ws = blank(static_cast<int32_t>(d.size()), 1);
  for (size_t p = 0; p < d.size(); ++p) {
    int32_t i = static_cast<int32_t>(p) + 1;
    ws->put(i, 1, d[p]);
    ws->put2(i, 1, k[p]);
    ws->put3(i, 1, f[p]);
  }
  return ws;
}

std::vector<int32_t> row1(const image::Workspaces& ws) {
  std::vector<int32_t> out;
  for (int32_t i = 1; i <= ws.nx; ++i) {
    int32_t v = 0;
    EXPECT_TRUE(ws.get(i, 1, v));
    out.push_back(v);
  }
  return out;
}

TEST(CalibFlat, CorrectsWithStrictThresholdAndKeepsNegatives) {
  // flat mean 100, threshold 30: the flat pixel of exactly 30 is rejected, 60 is not
  auto ws = frames({1100, 50, 400, 500, 500}, {100, 100, 100, 100, 100}, {200, 200, 60, 30, 10});
  calibtest::TestConsole tc;
  EXPECT_EQ(calib::dfsub(tc.console, *ws), 2);
  // 1000 x 100 / 200 = 500; -50 x 100 / 200 = -25, + 0.5 truncated = -24; 300 x 100 / 60 = 500
  EXPECT_EQ(row1(*ws), (std::vector<int32_t>{500, -24, 500, 0, 0}));
  EXPECT_EQ(tc.text(),
            "   average flat pixel =    100.\n"
            "   number of flat pixels rejected =      2\n");
}

TEST(CalibFlat, RoundsToNearestAndClipsAt65530) {
  // flat mean 3.5
  auto ws = frames({70000, 65530, 7, 10}, {0, 0, 0, 0}, {3, 3, 4, 4});
  calibtest::TestConsole tc;
  EXPECT_EQ(calib::dfsub(tc.console, *ws), 0);
  // 70000 x 3.5 / 3 = 81666.7 -> 65530; 65530 x 3.5 / 3 = 76451.7 -> 65530;
  // 7 x 3.5 / 4 = 6.125 -> 6; 10 x 3.5 / 4 = 8.75 -> 9
  EXPECT_EQ(row1(*ws), (std::vector<int32_t>{65530, 65530, 6, 9}));
  auto edge = frames({65530, 65531}, {0, 0}, {10, 10});  // mean 10: values unchanged, then clipped
  calibtest::TestConsole e;
  calib::dfsub(e.console, *edge);
  EXPECT_EQ(row1(*edge), (std::vector<int32_t>{65530, 65530}));
}

TEST(CalibFlat, AllZeroFlatRejectsEveryPixel) {
  auto ws = frames({500, 600, 700}, {1, 2, 3}, {0, 0, 0});
  calibtest::TestConsole tc;
  EXPECT_EQ(calib::dfsub(tc.console, *ws), 3);
  EXPECT_EQ(row1(*ws), (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(tc.text(),
            "   average flat pixel =      0.\n"
            "   number of flat pixels rejected =      3\n");
}

TEST(CalibFlat, NegativeMeanFlatNeverDividesByZero) {
  // mean -3.75, threshold -1.125: the zero and negative flat pixels pass the threshold test
  // but are rejected as bad; the positive one is used.
  auto ws = frames({100, 100, 100, 100}, {0, 0, 0, 0}, {-10, -10, 0, 5});
  calibtest::TestConsole tc;
  EXPECT_EQ(calib::dfsub(tc.console, *ws), 3);
  EXPECT_EQ(row1(*ws), (std::vector<int32_t>{0, 0, 0, -74}));  // 100 x -3.75 / 5 = -75, + 0.5 -> -74
}

TEST(CalibFlat, KeptMeanIsRetakenWhenTheSizeChanged) {
  auto ws = frames({10, 10}, {0, 0}, {4, 4});
  calib::FlatMean stale{99.0f, 7, 7};  // taken over another size: recomputed (mean 4)
  calibtest::TestConsole tc;
  calib::dfsub(tc.console, *ws, stale);
  EXPECT_EQ(row1(*ws), (std::vector<int32_t>{10, 10}));
  calib::FlatMean same = calib::flatMean(*ws);
  EXPECT_FLOAT_EQ(same.mean, 4.0f);
}

}  // namespace

namespace {

// The correction rule written out pixel by pixel, for frames of many pixels with every case.
TEST(CalibFlat, EveryPixelFollowsTheRuleOnALargeRandomFrame) {
  auto ws = blank(1001, 7);  // an odd count of pixels
  std::mt19937 rng(3);
  std::uniform_int_distribution<int32_t> data(-2000, 70000), darkv(0, 3000), flatv(-500, 40000);
  std::vector<int32_t> d, k, f;
  for (int32_t i = 1; i <= ws->nx; ++i) {
    for (int32_t j = 1; j <= ws->ny; ++j) {
      d.push_back(data(rng));
      k.push_back(darkv(rng));
      f.push_back(j == 3 ? 0 : flatv(rng));
      ws->put(i, j, d.back());
      ws->put2(i, j, k.back());
      ws->put3(i, j, f.back());
    }
  }
  float sum = 0.0f;
  for (int32_t v : f) sum += static_cast<float>(v);
  const float mean = sum / static_cast<float>(f.size());
  const float threshold = 0.3f * mean;
  calibtest::TestConsole tc;
  int64_t rejected = calib::dfsub(tc.console, *ws);
  int64_t expectRejected = 0;
  size_t p = 0;
  for (int32_t i = 1; i <= ws->nx; ++i) {
    for (int32_t j = 1; j <= ws->ny; ++j, ++p) {
      int32_t want = 0;
      if (static_cast<float>(f[p]) > threshold && f[p] > 0) {
        int32_t t = static_cast<int32_t>(static_cast<float>(d[p] - k[p]) * mean / static_cast<float>(f[p]) + 0.5f);
        want = t >= 65531 ? 65530 : t;
      } else {
        ++expectRejected;
      }
      int32_t got = 0;
      ASSERT_TRUE(ws->get(i, j, got));
      ASSERT_EQ(got, want) << "pixel " << i << "," << j;
    }
  }
  EXPECT_EQ(rejected, expectRejected);
  EXPECT_GT(expectRejected, 0);
}

}  // namespace

// The rotated resampling of whole frames against its rule worked one sample at a time:
// every pixel equal, for rotations, sub-pixel and off-image shifts, non-square pixels, the
// moving object's offset and add mode, over frames of several column blocks and a part block.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "calib/pixel_ops.h"
#include "image/workspaces.h"

namespace {

struct Params {
  float psx, psy;
  int addFlag;
  float du, dv, angle, di, dj;
};

// The rule, sample by sample: 25 samples at (i + 0.2a + di, j + 0.2b + dj), rotated in square
// physical units, shifted by (du, dv), rounded half away from zero, summed when inside
// workspace 2; pixel = base + truncate(sum / 25).
std::vector<int32_t> bySamples(const image::Workspaces& ws, const Params& p) {
  const float theta = p.angle * 3.14159265358979f / 180.0f;
  const float c = static_cast<float>(std::cos(static_cast<double>(theta)));
  const float s = static_cast<float>(std::sin(static_cast<double>(theta)));
  std::vector<int32_t> out(static_cast<size_t>(ws.nx) * ws.ny);
  for (int32_t i = 1; i <= ws.nx; ++i) {
    for (int32_t j = 1; j <= ws.ny; ++j) {
      int64_t sum = 0;
      for (int a = -2; a <= 2; ++a) {
        for (int b = -2; b <= 2; ++b) {
          float x = static_cast<float>(i) + 0.2f * static_cast<float>(a) + p.di;
          float y = static_cast<float>(j) + 0.2f * static_cast<float>(b) + p.dj;
          float yp = y * p.psx / p.psy;
          float xr = x * c + yp * s;
          float yr = (yp * c - x * s) * p.psy / p.psx;
          int32_t ix = calib::roundHalfAway(xr + p.du), iy = calib::roundHalfAway(yr + p.dv);
          int32_t v = 0;
          if (ws.get2(ix, iy, v)) sum += v;
        }
      }
      int32_t base = 0;
      if (p.addFlag == 1) (void)ws.get(i, j, base);
      out[ws.index(i, j)] = base + calib::truncToInt(static_cast<float>(sum) / 25.0f);
    }
  }
  return out;
}

std::unique_ptr<image::Workspaces> frames(int32_t nx, int32_t ny, int32_t scale) {
  auto ws = std::make_unique<image::Workspaces>();
  ws->nx = nx;
  ws->ny = ny;
  for (int32_t i = 1; i <= nx; ++i) {
    for (int32_t j = 1; j <= ny; ++j) {
      ws->put2(i, j, ((i * 7919 + j * 104729) % 65536 - 16000) * scale);  // some below 0
      ws->put(i, j, (i * 31 + j * 17) % 1000);
    }
  }
  return ws;
}

int differences(image::Workspaces& ws, const Params& p) {
  std::vector<int32_t> expected = bySamples(ws, p);
  calib::iderot(ws, p.psx, p.psy, p.addFlag == 1 ? image::Combine::Add : image::Combine::Replace, p.du, p.dv,
                p.angle, p.di, p.dj);
  int wrong = 0;
  for (size_t k = 0; k < expected.size(); ++k) wrong += ws.w1[k] != expected[k];
  return wrong;
}

TEST(RotationResampling, EveryPixelFollowsTheSampleRule) {
  const std::vector<Params> cases{
      {6.45f, 6.45f, 0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
      {6.45f, 6.45f, 1, 3.37f, -2.21f, 1.0f, 0.0f, 0.0f},          // a typical frame, added
      {6.45f, 6.45f, 0, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f},             // samples on half pixels
      {6.0f, 9.0f, 0, -4.75f, 7.1f, -3.3f, 0.0f, 0.0f},            // non-square pixels
      {9.0f, 6.0f, 1, 12.2f, 40.6f, 37.0f, -5.5f, 2.25f},          // large turn, object motion
      {6.45f, 6.45f, 0, 0.0f, 131.0f, 90.0f, 0.0f, 0.0f},          // a quarter turn
      {6.45f, 6.45f, 0, 151.0f, 131.0f, 180.0f, 0.0f, 0.0f},       // a half turn
      {6.45f, 6.45f, 1, 140.3f, -120.8f, 0.4f, 0.0f, 0.0f},        // mostly off the frame
      {6.45f, 6.45f, 0, 1.0e10f, 0.0f, 0.0f, 0.0f, 0.0f},          // wholly off the frame
      {6.45f, 6.45f, 1, std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.5f, 0.0f, 0.0f},
      // Samples exactly on half pixels after the scaling to square units and back: the
      // rounding shows the last bit of every step.
      {6.0f, 9.0f, 0, 0.0f, 0.0f, 0.0f, 0.5f, 0.5f},
      {9.0f, 6.0f, 0, 0.0f, 0.0f, 0.0f, 0.5f, 0.5f},
      {6.45f, 7.4f, 0, 0.0f, 0.0f, 0.0f, 0.5f, 0.5f},
  };
  for (size_t k = 0; k < cases.size(); ++k) {
    auto ws = frames(150, 130, 1);  // two full blocks of 64 rows and a part block of 2
    EXPECT_EQ(differences(*ws, cases[k]), 0) << "case " << k;
  }
}

TEST(RotationResampling, LargeValuesSumWithoutLoss) {
  // Sums above 2^31 and above the exact range of a 4-byte float.
  auto ws = frames(70, 65, 30000);
  EXPECT_EQ(differences(*ws, {6.45f, 6.45f, 0, 0.3f, 0.6f, 2.0f, 0.0f, 0.0f}), 0);
  int32_t v = 0;
  (void)ws->get(30, 30, v);
  EXPECT_GT(v, 1 << 28);
}

TEST(RotationResampling, FramesOfOneRowOrOneColumnAndAnEmptyFrame) {
  for (auto [nx, ny] : {std::pair{200, 1}, std::pair{1, 200}, std::pair{3, 65}}) {
    auto ws = frames(nx, ny, 1);
    EXPECT_EQ(differences(*ws, {6.45f, 6.45f, 1, 0.4f, -0.45f, 0.7f, 0.1f, 0.0f}), 0) << nx << " x " << ny;
  }
  auto empty = frames(5, 5, 1);
  empty->nx = 0;
  image::Pixels before = empty->w1;
  calib::iderot(*empty, 6.45f, 6.45f, image::Combine::Replace, 0, 0, 0, 0, 0);
  EXPECT_TRUE(empty->w1 == before);
}

}  // namespace

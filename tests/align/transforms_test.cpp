// Frame coordinate transforms: shifts, rectangular pixels, rotation sense and inverses.
#include "align/transforms.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using align::PixelSizes;

TEST(AlignTransforms, UnrotatedConversionIsAShiftForSquareAndRectangularPixels) {
  for (PixelSizes px : {PixelSizes{6.45f, 6.45f}, PixelSizes{8.6f, 8.3f}, PixelSizes{9.0f, 18.0f}}) {
    float uo, vo;
    align::uvconv(612.25f, 388.5f, 3.0f, -1.5f, 0.0f, uo, vo, px);
    EXPECT_NEAR(uo, 615.25f, 1e-4f);
    EXPECT_NEAR(vo, 387.0f, 1e-3f);
    float uf, vf;
    align::convuv(uf, vf, 3.0f, -1.5f, 0.0f, uo, vo, px);
    EXPECT_NEAR(uf, 612.25f, 1e-4f);
    EXPECT_NEAR(vf, 388.5f, 1e-3f);
  }
}

TEST(AlignTransforms, PlusNinetyDegreesTurnsXIntoMinusY) {
  double x, y, z;
  align::zrot(1.0, 0.0, 5.0, 90.0, x, y, z);
  EXPECT_NEAR(x, 0.0, 1e-6);
  EXPECT_NEAR(y, -1.0, 1e-12);
  EXPECT_EQ(z, 5.0);
  align::zrot(0.0, 1.0, 0.0, 90.0, x, y, z);
  EXPECT_NEAR(x, 1.0, 1e-12);
  EXPECT_NEAR(y, 0.0, 1e-6);
}

TEST(AlignTransforms, PhysicalCoordinatesScaleVByThePixelRatio) {
  PixelSizes px{9.0f, 18.0f};  // r = 0.5
  float x, y;
  align::uvxy(10.0f, 40.0f, x, y, 0.0f, px);
  EXPECT_FLOAT_EQ(x, 10.0f);
  EXPECT_FLOAT_EQ(y, 20.0f);
  float u, v;
  align::xyuv(x, y, u, v, 0.0f, px);
  EXPECT_FLOAT_EQ(u, 10.0f);
  EXPECT_FLOAT_EQ(v, 40.0f);
  // A rotation of 90 degrees in physical units: (x, y) = (10, 20) goes to (20, -10), which is
  // v = -20 in frame units.
  float uo, vo;
  align::uvconv(10.0f, 40.0f, 0.0f, 0.0f, 90.0f, uo, vo, px);
  EXPECT_NEAR(uo, 20.0f, 1e-4f);
  EXPECT_NEAR(vo, -20.0f, 1e-4f);
}

TEST(AlignTransforms, ConvuvUndoesUvconvWithRotationAndRectangularPixels) {
  PixelSizes px{8.6f, 8.3f};
  for (float theta : {-3.7f, 0.25f, 12.0f}) {
    float uo, vo, uf, vf;
    align::uvconv(1301.7f, 977.3f, -12.4f, 7.9f, theta, uo, vo, px);
    align::convuv(uf, vf, -12.4f, 7.9f, theta, uo, vo, px);
    EXPECT_NEAR(uf, 1301.7f, 2e-3f);
    EXPECT_NEAR(vf, 977.3f, 2e-3f);
  }
}

TEST(AlignTransforms, RotationIsAboutTheOriginNotTheFrameCentre) {
  PixelSizes px;
  float u1, v1, u2, v2;
  align::uvconv(10.0f, 10.0f, 0.0f, 0.0f, 0.5f, u1, v1, px);
  align::uvconv(1380.0f, 1030.0f, 0.0f, 0.0f, 0.5f, u2, v2, px);
  double nearMove = std::hypot(u1 - 10.0, v1 - 10.0);
  double farMove = std::hypot(u2 - 1380.0, v2 - 1030.0);
  // A chord of 0.5 degrees: the move grows with the distance from (0, 0).
  double angle = 0.5 / (180.0 / 3.1415927);
  EXPECT_NEAR(nearMove, std::hypot(10.0, 10.0) * angle, 1e-3);
  EXPECT_NEAR(farMove, std::hypot(1380.0, 1030.0) * angle, 2e-2);
  EXPECT_GT(farMove, 14.0);
}

}  // namespace

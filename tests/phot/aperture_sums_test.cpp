// Aperture sums: truths of the soft aperture's sampling on flat and sloped frames, area
// geometry, the refusal rules of the search box, the pixel error model, and flux recovered from noisy synthetic stars.
#include "phot/aperture_sums.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "phot/sky.h"
#include "tests/phot/synthetic.h"

namespace {

using phottest::TestConsole;

// Truths of the soft aperture at random centres and radii (2 to 6.5 pixels), with square
// pixels and with pixels 1.37 times wider than tall (the circle is round in physical units,
// an ellipse of semi-axes r and r * px / py in pixels):
// - on a flat frame the sum is the value times the area, and the area is the ellipse's within
//   the band half a sample diagonal (0.05 * sqrt(2) / 2 pixel) wide on either side of its edge,
//   where alone a sample point can fall on the other side; the error is the pixel error times
//   sqrt(sum of squared weights), between area / sqrt(pixels) and sqrt(area) times it;
// - on a frame rising linearly along i (or j), the sum over the area is the value at the
//   centre: the samples' mean position is the centre to within 0.015 pixel.
TEST(PhotAperture, SoftApertureTruthsOnFlatAndSlopedFrames) {
  std::mt19937 rng(11);
  const image::Workspaces flat = phottest::flatFrame(60, 60, 1000);
  image::Workspaces alongI = phottest::flatFrame(60, 60, 0), alongJ = phottest::flatFrame(60, 60, 0);
  for (int32_t i = 1; i <= 60; ++i) {
    for (int32_t j = 1; j <= 60; ++j) {
      alongI.put(i, j, 1000 + 10 * i);
      alongJ.put(i, j, 1000 + 10 * j);
    }
  }
  std::uniform_real_distribution<float> pos(25.0f, 35.0f), rad(2.0f, 6.5f);
  for (const float pxRatio : {1.0f, 1.37f}) {
    image::Camera cam = phottest::squareCamera(1.7f);
    cam.pixelSizeY = cam.pixelSizeX / pxRatio;
    const double stretch = double(cam.pixelSizeX) / cam.pixelSizeY;
    for (int trial = 0; trial < 40; ++trial) {
      const float u = pos(rng), v = pos(rng), radius = rad(rng);
      const std::string at = std::to_string(u) + " " + std::to_string(v) + " r " + std::to_string(radius);
      TestConsole tc;
      const phot::ApertureSum f = phot::getsof(tc.console, cam, 0, flat, u, v, radius, 800.0, 30.0);
      ASSERT_FALSE(f.failed) << at;
      const double ellipse = M_PI * radius * radius * stretch;
      const double band = 2.0 * M_PI * radius * std::max(1.0, stretch) * 0.05 * std::sqrt(2.0);
      EXPECT_NEAR(f.area, ellipse, band) << at;
      EXPECT_NEAR(f.sum, 1000.0 * f.area, 1e-9 * f.sum) << at;
      const double e = phot::pixerr(tc.console, cam, 800.0, 30.0, 1000.0f);
      const double pixels = (2.0 * radius + 2.0) * (2.0 * radius * stretch + 2.0);
      EXPECT_LE(f.error, e * std::sqrt(f.area) * (1.0 + 1e-9)) << at;
      EXPECT_GE(f.error, e * f.area / std::sqrt(pixels)) << at;

      const phot::ApertureSum si = phot::getsof(tc.console, cam, 0, alongI, u, v, radius, 800.0, 30.0);
      const phot::ApertureSum sj = phot::getsof(tc.console, cam, 0, alongJ, u, v, radius, 800.0, 30.0);
      EXPECT_EQ(si.area, f.area) << at;
      EXPECT_EQ(sj.area, f.area) << at;
      EXPECT_NEAR((si.sum / si.area - 1000.0) / 10.0, u, 0.015) << at;
      EXPECT_NEAR((sj.sum / sj.area - 1000.0) / 10.0, v, 0.015) << at;
    }
  }
}

TEST(PhotAperture, AreasOfRadiusTwoOnAPixelCentre) {
  image::Workspaces ws = phottest::flatFrame(40, 40, 1000);
  const image::Camera cam = phottest::squareCamera();
  TestConsole tc;
  const phot::ApertureSum soft = phot::getsof(tc.console, cam, 0, ws, 20.0f, 20.0f, 2.0f, 1000.0, 0.0);
  EXPECT_NEAR(soft.area, 4.0 * M_PI, 0.02);
  // A flat frame: sum = value x area, so nothing is left after the sky is taken off.
  EXPECT_NEAR(soft.sum - 1000.0 * soft.area, 0.0, 1e-9 * soft.sum);

  const phot::ApertureSum hard = phot::gethrd(tc.console, cam, 0, ws, 20.0f, 20.0f, 2.0f, 1000.0, 0.0);
  EXPECT_EQ(hard.area, 13.0);
  EXPECT_EQ(hard.sum, 13000.0);
}

TEST(PhotAperture, CircleIsRoundInPhysicalUnits) {
  image::Workspaces ws = phottest::flatFrame(60, 60, 100);
  image::Camera cam = phottest::squareCamera();
  cam.pixelSizeY = cam.pixelSizeX / 2.0f;  // v pixels half as tall: the circle spans 2x in v
  TestConsole tc;
  const phot::ApertureSum soft = phot::getsof(tc.console, cam, 0, ws, 30.3f, 29.9f, 3.0f, 100.0, 0.0);
  EXPECT_NEAR(soft.area, M_PI * 9.0 * 2.0, 0.05);
  // The v half-width is trunc(3 * 2 + 3) = 9: a centre 9 pixels from the edge fails.
  EXPECT_TRUE(phot::getsof(tc.console, cam, 0, ws, 30.0f, 9.0f, 3.0f, 100.0, 0.0).failed);
  EXPECT_FALSE(phot::getsof(tc.console, cam, 0, ws, 30.0f, 10.0f, 3.0f, 100.0, 0.0).failed);
}

TEST(PhotAperture, SearchBoxRefusals) {
  const image::Camera cam = phottest::squareCamera();
  image::Workspaces ws = phottest::flatFrame(40, 40, 1000);
  TestConsole tc;
  // 4 pixels from the edge with radius 2: the +-5 box reaches outside although the circle fits.
  phot::ApertureSum r = phot::getsof(tc.console, cam, 0, ws, 5.0f, 20.0f, 2.0f, 1000.0, 10.0);
  EXPECT_TRUE(r.failed);
  EXPECT_EQ(r.sum, 0.0);
  EXPECT_EQ(r.area, 0.0);
  EXPECT_EQ(tc.countLines("    return from getsof : error requested pixel outside image array\n"), 1);
  EXPECT_FALSE(phot::getsof(tc.console, cam, 0, ws, 6.0f, 20.0f, 2.0f, 1000.0, 10.0).failed);
  EXPECT_TRUE(phot::gethrd(tc.console, cam, 0, ws, 20.0f, 35.6f, 2.0f, 1000.0, 10.0).failed);
  EXPECT_EQ(tc.countLines("    return from gethrd : error requested pixel outside image array\n"), 1);

  // 65535 in a box corner (outside the circle) is used; 65536 fails the measurement.
  ws.put(25, 25, 65535);
  r = phot::getsof(tc.console, cam, 0, ws, 20.0f, 20.0f, 2.0f, 1000.0, 10.0);
  EXPECT_FALSE(r.failed);
  EXPECT_NEAR(r.sum, 1000.0 * r.area, 1e-6);
  EXPECT_FALSE(phot::gethrd(tc.console, cam, 0, ws, 20.0f, 20.0f, 2.0f, 1000.0, 10.0).failed);
  ws.put(25, 25, 65536);
  EXPECT_TRUE(phot::getsof(tc.console, cam, 0, ws, 20.0f, 20.0f, 2.0f, 1000.0, 10.0).failed);
  EXPECT_TRUE(phot::gethrd(tc.console, cam, 0, ws, 20.0f, 20.0f, 2.0f, 1000.0, 10.0).failed);
}

TEST(PhotAperture, PixelErrorModel) {
  image::Camera cam = phottest::squareCamera(2.0f);
  TestConsole tc;
  EXPECT_FLOAT_EQ(phot::pixerr(tc.console, cam, 100.0, 3.0, 300.0f), std::sqrt(200.0f / 2.0f + 9.0f));
  // Far below the sky the radicand is negative: 0, not a NaN.
  EXPECT_EQ(phot::pixerr(tc.console, cam, 1000.0, 1.0, 10.0f), 0.0f);
  // Sky 0.5: every box pixel reports and contributes no error; the sum still counts.
  image::Workspaces ws = phottest::flatFrame(30, 30, 7);
  TestConsole soft;
  const phot::ApertureSum r = phot::getsof(soft.console, cam, 0, ws, 15.0f, 15.0f, 2.0f, 0.5, 1.0);
  EXPECT_EQ(r.error, 0.0);
  EXPECT_GT(r.sum, 0.0);
  EXPECT_EQ(soft.countLines("    error in function pixerr: skybgr = 0 ! \n"), 121);
}

TEST(PhotAperture, TracesAtVerbosityThree) {
  image::Workspaces ws = phottest::flatFrame(30, 30, 10);
  const image::Camera cam = phottest::squareCamera();
  TestConsole tc;
  phot::gethrd(tc.console, cam, 3, ws, 15.0f, 15.0f, 2.0f, 10.0, 0.0);
  const std::string want =
      "entered gethrd; skybgr =  10\n"
      "entered gethrd; skysd  =  0\n"
      " \n"
      "    returning from gethrd : (no bgr correction yet)\n"
      "                              s =     13.00000\n"
      "                          apix  =      130.000\n"
      "                          apixe =        0.000\n"
      "                         skybgr =       10.000\n"
      "                          skysd =        0.000\n"
      " \n";
  EXPECT_EQ(tc.text(), want);
  TestConsole quiet;
  phot::gethrd(quiet.console, cam, 2, ws, 15.0f, 15.0f, 2.0f, 10.0, 0.0);
  EXPECT_EQ(quiet.text(), "");
}

// Nine stars of 20000 counts (sigma 1.5 pixels) on a sky of 1000 with photon noise, gain 1.
struct StarField {
  static constexpr double kFlux = 20000.0, kSigma = 1.5, kSky = 1000.0;
  std::vector<std::pair<double, double>> centres;
  image::Workspaces ws;
  explicit StarField(unsigned seed) {
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b) centres.push_back({60.0 + 80.0 * a + 0.13 * b, 60.0 + 80.0 * b - 0.29 * a});
    ws = phottest::noisyFrame(280, 280, kSky, [this](int32_t i, int32_t j) {
      double s = 0.0;
      for (auto [u, v] : centres) s += phottest::gaussianPixel(kFlux, u, v, kSigma, i, j);
      return s;
    }, seed);
  }
};

TEST(PhotAperture, SoftAndHardFluxOfNoisyStarsWithinTheirErrors) {
  const StarField field(2024);
  const image::Camera cam = phottest::squareCamera(1.0f);
  core::Settings settings;
  phot::SkySamples samples;
  const float radius = 6.0f;
  double chiSoft = 0.0, chiHard = 0.0;
  for (auto [u, v] : field.centres) {
    TestConsole tc;
    const phot::ObjectSky sky = phot::autoSky(tc.console, settings, field.ws, samples, 1, float(u), float(v));
    const phot::ApertureSum soft = phot::getsof(tc.console, cam, 0, field.ws, float(u), float(v), radius, sky.sky, sky.sd);
    const double softFlux = soft.sum - sky.sky * soft.area;
    const double softError = std::hypot(sky.error * soft.area, soft.error);
    // Aperture correction of a Gaussian inside radius r: 1 - exp(-r^2 / (2 sigma^2)).
    const double softTruth = StarField::kFlux * (1.0 - std::exp(-radius * radius / (2 * 1.5 * 1.5)));
    // Expected noise: star photons, and area x sky photons.
    EXPECT_NEAR(softError, std::sqrt(softTruth + soft.area * StarField::kSky), 0.1 * softError);
    EXPECT_NEAR(softFlux, softTruth, 4.0 * softError);
    chiSoft += std::pow((softFlux - softTruth) / softError, 2);

    const phot::ApertureSum hard = phot::gethrd(tc.console, cam, 0, field.ws, float(u), float(v), radius, sky.sky, sky.sd);
    double hardTruth = 0.0;  // the star's counts in the pixels whose centre lies inside
    for (int32_t i = int32_t(u) - 8; i <= int32_t(u) + 8; ++i)
      for (int32_t j = int32_t(v) - 8; j <= int32_t(v) + 8; ++j)
        if ((i - float(u)) * (i - float(u)) + (j - float(v)) * (j - float(v)) <= radius * radius)
          hardTruth += phottest::gaussianPixel(StarField::kFlux, u, v, StarField::kSigma, i, j);
    const double hardFlux = hard.sum - sky.sky * hard.area;
    const double hardError = std::hypot(sky.error * hard.area, hard.error);
    EXPECT_NEAR(hardFlux, hardTruth, 4.0 * hardError);
    chiHard += std::pow((hardFlux - hardTruth) / hardError, 2);
  }
  // Nine residuals scaled by their errors: their mean square is near 1 when the errors are right.
  EXPECT_LT(chiSoft / 9.0, 3.0);
  EXPECT_LT(chiHard / 9.0, 3.0);
}

}  // namespace

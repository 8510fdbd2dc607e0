// Sky estimation: the robust estimator's worked examples, patch geometry, moments, the box sky
// and the pooled and nearest-two skies, including the cases that must not yield a usable sky.
#include "phot/sky.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/phot/synthetic.h"
#include "tests/support/run_pelm.h"

namespace {

using phottest::TestConsole;

core::Settings settingsWith(const char* estimator) {
  core::Settings s;
  s.skyEstimator = textio::fixed(estimator, 20);
  return s;
}

phot::RobustSky estimateOf(const std::vector<int32_t>& values, const core::Settings& s,
                           TestConsole& tc) {
  phot::SkySamples samples;
  phot::skgClear(samples);
  for (int32_t v : values) phot::skgAdd(samples, v);
  return phot::skgEstimate(tc.console, s, samples);
}

TEST(PhotSky, RobustEstimatorOnSamplesOneToHundred) {
  std::vector<int32_t> values;
  for (int32_t v = 100; v >= 1; --v) values.push_back(v);  // reversed: the sort matters
  TestConsole tc;
  const phot::RobustSky clipped = estimateOf(values, settingsWith("clipped mean"), tc);
  EXPECT_FLOAT_EQ(clipped.sd, 37.5f);
  EXPECT_FLOAT_EQ(clipped.sky, 50.0f);
  const phot::RobustSky median = estimateOf(values, settingsWith("median"), tc);
  EXPECT_FLOAT_EQ(median.sky, 50.0f);
  EXPECT_FLOAT_EQ(median.sd, 37.5f);
  EXPECT_EQ(tc.countLines("     sky by clipped mean"), 1);
  EXPECT_EQ(tc.countLines("     sky by median"), 1);
}

TEST(PhotSky, RobustEstimatorTracesQuartilesAtVerbosityThree) {
  std::vector<int32_t> values;
  for (int32_t v = 1; v <= 100; ++v) values.push_back(v);
  core::Settings s = settingsWith("median");
  TestConsole quiet;
  estimateOf(values, s, quiet);
  EXPECT_EQ(quiet.text().find("lower quartile"), std::string::npos);
  s.verbosity = 3;
  TestConsole tc;
  estimateOf(values, s, tc);
  EXPECT_NE(tc.text().find("  in sky calculation routine...\n"), std::string::npos);
  EXPECT_NE(tc.text().find("lower quartile =  25     n =  25\n"), std::string::npos);
  EXPECT_NE(tc.text().find("median         =  50     n =  50\n"), std::string::npos);
  EXPECT_NE(tc.text().find("upper quartile =  75     n =  75\n"), std::string::npos);
}

TEST(PhotSky, FlatSkyLockedSkyAndTinySamples) {
  TestConsole tc;
  const phot::RobustSky flat = estimateOf(std::vector<int32_t>(2601, 812), settingsWith("clipped mean"), tc);
  EXPECT_EQ(flat.sky, 812.0f);
  EXPECT_EQ(flat.sd, 0.0f);

  core::Settings locked = settingsWith("median");
  locked.skyLocked = 1;
  locked.forcedSky = 345.5f;
  locked.forcedSkySd = 7.25f;
  const phot::RobustSky forced = estimateOf({1, 2, 3, 4, 5, 6, 7, 8}, locked, tc);
  EXPECT_EQ(forced.sky, 345.5f);
  EXPECT_EQ(forced.sd, 7.25f);

  // Three samples: the truncated indices 0 are read as the first sample, never below it.
  const phot::RobustSky three = estimateOf({7, 5, 6}, settingsWith("clipped mean"), tc);
  EXPECT_FLOAT_EQ(three.sky, 5.5f);  // samples 1..2
  EXPECT_FLOAT_EQ(three.sd, 0.75f);  // 0.75 * (sample 2 - sample 1)
  // Values spread wider than a histogram covers are ordered just the same.
  const phot::RobustSky wide = estimateOf({100000, 1, 70000, 3, 2, 5, 4, 99999}, settingsWith("median"), tc);
  EXPECT_FLOAT_EQ(wide.sky, 4.0f);                   // sample 4 of 1 2 3 4 5 70000 99999 100000
  EXPECT_FLOAT_EQ(wide.sd, 0.75f * (70000.0f - 2.0f));  // samples 6 and 2
  const phot::RobustSky none = estimateOf({}, settingsWith("median"), tc);
  EXPECT_EQ(none.sky, 0.0f);
}

TEST(PhotSky, SampleStoreHoldsAtMostTenThousand) {
  phot::SkySamples samples;
  phot::skgClear(samples);
  for (int32_t v = 0; v < 10050; ++v) phot::skgAdd(samples, v);
  EXPECT_EQ(samples.n, 10000);
  EXPECT_EQ(samples.sample[10000], 9999);
}

TEST(PhotSky, PatchOfRadiusTwoPointFourHoldsNinePixels) {
  // Pixel values encode their position, so the sum tells exactly which pixels were taken.
  image::Workspaces ws = phottest::flatFrame(30, 30, 0);
  for (int32_t i = 1; i <= 30; ++i)
    for (int32_t j = 1; j <= 30; ++j) ws.put(i, j, 1000 * i + j);
  TestConsole tc;
  core::Settings s;
  const phot::PatchSums p = phot::getsky(tc.console, s, ws, 10.4f, 19.6f, 2.4f, 0);
  ASSERT_FALSE(p.outside);
  EXPECT_EQ(p.n, 9.0);
  double sum = 0.0, squares = 0.0;
  for (int32_t i = 9; i <= 11; ++i)
    for (int32_t j = 19; j <= 21; ++j) {
      sum += 1000 * i + j;
      squares += double(1000 * i + j) * (1000 * i + j);
    }
  EXPECT_EQ(p.sum, sum);
  EXPECT_EQ(p.sumSquares, squares);
}

TEST(PhotSky, PatchMarksPixelsAndStopsAtTheEdge) {
  image::Workspaces ws = phottest::flatFrame(20, 20, 100);
  TestConsole tc;
  core::Settings s;
  const phot::PatchSums marked = phot::getsky(tc.console, s, ws, 10.0f, 10.0f, 2.0f, 1);
  EXPECT_EQ(marked.sum, 900.0);  // values read before marking
  int32_t p = 0;
  ASSERT_TRUE(ws.get(11, 11, p));
  EXPECT_EQ(p, 65534);
  ASSERT_TRUE(ws.get(12, 10, p));
  EXPECT_EQ(p, 100);  // offset (2, 0) is not part of a radius-2 patch

  const phot::PatchSums edge = phot::getsky(tc.console, s, ws, 1.0f, 10.0f, 3.0f, 0);
  EXPECT_TRUE(edge.outside);
  EXPECT_NE(tc.text().find(" \n   error return from getsky\n"), std::string::npos);
}

TEST(PhotSky, VerbosityTwentyFiveDumpsThePatchAndStops) {
  image::Workspaces ws = phottest::flatFrame(60, 60, 0);
  for (int32_t i = 1; i <= 60; ++i)
    for (int32_t j = 1; j <= 60; ++j) ws.put(i, j, 100 * i + j);
  const auto folder = testsupport::freshFolder("skydump");
  core::Settings s;
  s.workingPath = textio::fixed(folder.string() + "/", 80);
  s.verbosity = 25;
  TestConsole tc;
  try {
    (void)phot::getsky(tc.console, s, ws, 30.0f, 31.0f, 3.0f, 0);
    ADD_FAILURE() << "no stop";
  } catch (const textio::FatalStop& stop) {
    EXPECT_STREQ(stop.what(), "");  // a quiet stop: the ending prints nothing
    EXPECT_NE(stop.message().find("sky.dat"), std::string::npos);
  }
  EXPECT_EQ(tc.text(), "");
  const std::vector<std::string> lines = testsupport::lines(testsupport::readFile(folder / "sky.dat"));
  ASSERT_EQ(lines.size(), 41u * 41u);
  EXPECT_EQ(lines[0], "   1011");                 // offsets (-20, -20): pixel (10, 11)
  EXPECT_EQ(lines[1], "   1012");                 // j varies fastest
  EXPECT_EQ(lines[41 * 41 - 1], "   5051");       // pixel (50, 51)
  // A dump reaching outside the image stops with its message instead.
  TestConsole edge;
  try {
    (void)phot::getsky(edge.console, s, ws, 10.0f, 31.0f, 3.0f, 0);
    ADD_FAILURE() << "no stop";
  } catch (const textio::FatalStop& stop) {
    EXPECT_EQ(edge.text(), "");  // the message travels in the stop; the ending prints it
    EXPECT_STREQ(stop.what(), "error kerr=1 ");
  }
  std::filesystem::remove_all(folder);
}

TEST(PhotSky, MomentsStayDefined) {
  const phot::Moments m = phot::stdev(10.0, 58.0, 2.0);  // values 3 and 7
  EXPECT_DOUBLE_EQ(m.mean, 5.0);
  EXPECT_DOUBLE_EQ(m.sd, 2.0);
  EXPECT_DOUBLE_EQ(m.se, 2.0);

  const phot::Moments one = phot::stdev(42.0, 1764.0, 1.0);
  EXPECT_TRUE(one.valid);
  EXPECT_EQ(one.se, 0.0);

  // Seven equal values whose computed variance rounds below zero.
  const double c = 45611.85649762068;
  double sum = 0.0, squares = 0.0;
  for (int k = 0; k < 7; ++k) {
    sum += c;
    squares += c * c;
  }
  ASSERT_LT(squares / 7.0 - (sum / 7.0) * (sum / 7.0), 0.0);
  const phot::Moments flat = phot::stdev(sum, squares, 7.0);
  EXPECT_EQ(flat.sd, 0.0);
  EXPECT_EQ(flat.se, 0.0);

  EXPECT_FALSE(phot::stdev(0.0, 0.0, 0.0).valid);
}

TEST(PhotSky, AutomaticBoxSky) {
  image::Workspaces ws = phottest::flatFrame(120, 120, 500);
  ws.put(60, 60, 30000);  // the object itself: clipped away
  ws.put(61, 60, 20000);
  core::Settings s;
  s.skyBox = 21;
  TestConsole tc;
  phot::SkySamples samples;
  const phot::ObjectSky sky = phot::autoSky(tc.console, s, ws, samples, 3, 60.2f, 59.7f);
  EXPECT_EQ(sky.sky, 500.0);
  EXPECT_EQ(sky.sd, 0.0);
  EXPECT_EQ(samples.n, 21 * 21);
  EXPECT_NE(tc.text().find("    automatic sky determination for object =3 (    60.20   59.70)\n"),
            std::string::npos);
  EXPECT_NE(tc.text().find("   bgr(i) =  500\n"), std::string::npos);

  const phot::ObjectSky edge = phot::autoSky(tc.console, s, ws, samples, 1, 8.0f, 60.0f);
  EXPECT_EQ(edge.sky, -100.0);
  EXPECT_EQ(edge.error, 0.0);
}

TEST(PhotSky, AutomaticBoxSkyOnNoise) {
  const double level = 1000.0;
  image::Workspaces ws = phottest::noisyFrame(200, 200, level, [](int32_t, int32_t) { return 0.0; }, 7);
  core::Settings s;
  TestConsole tc;
  phot::SkySamples samples;
  const phot::ObjectSky sky = phot::autoSky(tc.console, s, ws, samples, 1, 100.0f, 100.0f);
  // 51 x 51 samples of deviation sqrt(1000) = 31.6: the clipped mean lies within a few
  // standard errors, and 0.75 IQR of a normal sample is 1.012 sigma.
  EXPECT_NEAR(sky.sky, level, 2.0);
  EXPECT_NEAR(sky.sd, 1.012 * std::sqrt(level), 2.5);
  EXPECT_DOUBLE_EQ(sky.error, sky.sd / 50.0);
}

std::array<phot::SkySpot, phot::kSkySpots + 1> spotsAt(std::initializer_list<std::pair<float, float>> at) {
  std::array<phot::SkySpot, phot::kSkySpots + 1> spots{};
  int j = 1;
  for (auto [u, v] : at) spots[static_cast<size_t>(j++)] = {true, u, v};
  return spots;
}

TEST(PhotSky, PooledPatches) {
  image::Workspaces ws = phottest::flatFrame(100, 100, 200);
  for (int32_t j = 1; j <= 100; ++j) ws.put(70, j, 300);
  core::Settings s;
  s.skyApertureRadius = 1.0f;  // R = 1: the single centre pixel
  TestConsole tc;
  const phot::PooledSky pooled =
      phot::pooledSky(tc.console, s, ws, 1, spotsAt({{30, 30}, {70, 40}}), 0, false);
  EXPECT_DOUBLE_EQ(pooled.sky.sky, 250.0);
  EXPECT_DOUBLE_EQ(pooled.sky.sd, 50.0);
  EXPECT_DOUBLE_EQ(pooled.sky.error, 50.0);

  // A patch outside the image ends the pooling with an invalid sky.
  const phot::PooledSky outside =
      phot::pooledSky(tc.console, s, ws, 2, spotsAt({{30, 30}, {101.0f, 40}, {50, 50}}), 0, false);
  EXPECT_EQ(outside.sky.sky, -1.0e6);
  EXPECT_EQ(outside.sky.error, -1.0e6);

  // Under the nearest-two methods object 1 goes on and keeps every good patch's own sky.
  const phot::PooledSky perSpot =
      phot::pooledSky(tc.console, s, ws, 1, spotsAt({{30, 30}, {101.0f, 40}, {70, 50}}), 0, true);
  EXPECT_TRUE(perSpot.spotValid[1]);
  EXPECT_FALSE(perSpot.spotValid[2]);
  EXPECT_TRUE(perSpot.spotValid[3]);
  EXPECT_EQ(perSpot.spotSky[3], 300.0);

  // Patches without any pixel (radius below 0.5) give no usable sky.
  s.skyApertureRadius = 0.3f;
  const phot::PooledSky empty =
      phot::pooledSky(tc.console, s, ws, 1, spotsAt({{30, 30}}), 0, false);
  EXPECT_LE(empty.sky.sky, 0.0);
}

TEST(PhotSky, PooledTraceShowsPlusMinusByte) {
  image::Workspaces ws = phottest::flatFrame(60, 60, 200);
  core::Settings s;
  s.verbosity = 3;
  s.skyApertureRadius = 2.0f;
  TestConsole tc;
  phot::pooledSky(tc.console, s, ws, 4, spotsAt({{30, 30}}), 0, false);
  EXPECT_NE(tc.text().find("            background for star  4 =   200.0  \xF1  0.0\n"),
            std::string::npos);
}

struct NearestCase {
  core::Settings settings;
  image::Camera camera = phottest::squareCamera();
  std::array<float, phot::kSkySpots + 1> du{}, dv{};
  phot::PooledSky measured;
  NearestCase() {
    settings.skySubtractionMethod = 2;
    settings.skyApertureRadius = 2.0f;
    settings.apertureRadius = 2.0f;  // exclusion radius 6 pixels
    du.fill(-1.0e9f);
    dv.fill(-1.0e9f);
  }
  void spot(int j, float u, float v, double sky, double error, bool valid = true) {
    du[static_cast<size_t>(j)] = u;
    dv[static_cast<size_t>(j)] = v;
    measured.spotSky[static_cast<size_t>(j)] = sky;
    measured.spotError[static_cast<size_t>(j)] = error;
    measured.spotValid[static_cast<size_t>(j)] = valid;
  }
};

TEST(PhotSky, NearestTwoSkiesSkipNeighboursInsideTheExclusionRadius) {
  NearestCase c;
  for (int j = 1; j <= 20; ++j) c.spot(j, 10.0f * j, 50.0f, 100.0 + j, 1.0 * j);
  TestConsole tc;
  // u = 73: k = 7 (70 <= 73 < 80); spot 7 lies 3 away, spot 6 lies 13 away; upward 8 lies 7 away.
  const phot::NearestSky r =
      phot::nr2sky(tc.console, c.settings, c.camera, 73.0f, 50.0f, c.du, c.dv, c.measured);
  ASSERT_TRUE(r.valid);
  EXPECT_DOUBLE_EQ(r.sky, 0.5 * (106.0 + 108.0));
  EXPECT_DOUBLE_EQ(r.error, std::sqrt((36.0 + 64.0) / 2.0));
  EXPECT_NE(tc.text().find("          in routine nr2sky; nearest sky position :  7\n"),
            std::string::npos);
  EXPECT_NE(tc.text().find("          taking mean of sky values   106.0 \xF1  6.0\n"),
            std::string::npos);
}

TEST(PhotSky, NearestTwoSkiesKeyBelowEveryValueAndUnmeasuredSpots) {
  NearestCase c;
  for (int j = 1; j <= 20; ++j) c.spot(j, 100.0f + 10.0f * j, 50.0f, 100.0 + j, 1.0);
  TestConsole tc;
  // Key below every stored value: k = 20; the upper search starts (and ends) at 20.
  phot::NearestSky r =
      phot::nr2sky(tc.console, c.settings, c.camera, 5.0f, 50.0f, c.du, c.dv, c.measured);
  EXPECT_NE(tc.text().find("nearest sky position : 20\n"), std::string::npos);
  EXPECT_DOUBLE_EQ(r.sky, 120.0);

  // Spots 19 and 20 not measured on this frame: never chosen.
  c.measured.spotValid[19] = false;
  c.measured.spotValid[20] = false;
  r = phot::nr2sky(tc.console, c.settings, c.camera, 5.0f, 50.0f, c.du, c.dv, c.measured);
  ASSERT_TRUE(r.valid);
  EXPECT_DOUBLE_EQ(r.sky, 118.0);

  // Nothing measured at all: no sky.
  c.measured.spotValid.fill(false);
  r = phot::nr2sky(tc.console, c.settings, c.camera, 5.0f, 50.0f, c.du, c.dv, c.measured);
  EXPECT_FALSE(r.valid);
}

TEST(PhotSky, NearestTwoSkiesByVUsesTheVOrder) {
  NearestCase c;
  c.settings.skySubtractionMethod = 3;
  for (int j = 1; j <= 20; ++j) c.spot(j, 0.0f, 10.0f * j, 200.0 + j, 2.0);
  TestConsole tc;
  const phot::NearestSky r =
      phot::nr2sky(tc.console, c.settings, c.camera, 0.0f, 151.0f, c.du, c.dv, c.measured);
  // k = 15 (150 <= 151 < 160); spot 15 is 1 away, 14 is 11 away; 16 is 9 away.
  EXPECT_DOUBLE_EQ(r.sky, 0.5 * (214.0 + 216.0));
  EXPECT_DOUBLE_EQ(r.error, 2.0);
}

}  // namespace

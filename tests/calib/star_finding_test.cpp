// Star finding on synthetic frames: Gaussian stars of known position on a noisy sky, exact
// star list blocks for hand-computed stars, the saturated flat top, proximity, the sum rule,
// the margins of the measuring box, the sky grid and the candidate limit.
#include "calib/star_finding.h"

#include "calib/pixel_ops.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>

#include "tests/calib/synthetic_frames.h"
#include "textio/console.h"
#include "tests/support/run_pelm.h"

namespace {

using calibtest::blank;
using calibtest::Star;

core::Settings boxed(int32_t nx, int32_t ny) {
  core::Settings s;
  s.searchBox = {5, nx - 5, 5, ny - 5};
  return s;
}

using testsupport::lines;

struct Found {
  float u, v;
};

// The star lines of a block (between "     u     v" and the end line).
std::vector<Found> starsOf(const std::string& block) {
  std::vector<Found> out;
  bool in = false;
  for (const std::string& l : lines(block)) {
    if (l == "     u     v") {
      in = true;
      continue;
    }
    if (!in) continue;
    float u = std::stof(l.substr(1, 7)), v = std::stof(l.substr(9, 7));
    if (u == 9999.0f) break;
    out.push_back({u, v});
  }
  return out;
}

TEST(CalibStarFinding, GaussianStarsOnNoisySkyFoundWithinATenthOfAPixel) {
  auto ws = blank(200, 150);
  const std::vector<Star> stars{{50.3, 40.7, 8000}, {120.6, 100.2, 3000}, {160.45, 30.8, 20000},
                                {80.0, 120.5, 1500}, {30.9, 110.1, 600}};
  calibtest::paint(*ws, 1000.0, 10.0, 1.2, stars);
  core::Settings settings = boxed(200, 150);
  calibtest::TestConsole tc;
  std::ostringstream out;
  int n = calib::findst(tc.console, settings, *ws, "synthetic", out);
  std::vector<Found> found = starsOf(out.str());
  ASSERT_EQ(n, 5);
  ASSERT_EQ(found.size(), stars.size());
  for (const Star& s : stars) {
    bool matched = false;
    for (const Found& f : found) {
      if (std::fabs(f.u - s.u) < 0.1 && std::fabs(f.v - s.v) < 0.1) matched = true;
    }
    EXPECT_TRUE(matched) << "star at " << s.u << ", " << s.v;
  }
  // sky from the grid: the noise median is close to 1000
  float sky = calib::estsky(tc.console, settings, *ws).value_or(0.0f);
  EXPECT_NEAR(sky, 1000.0f, 3.0f);
}

TEST(CalibStarFinding, BlockAndConsoleLinesForHandComputedStars) {
  auto ws = blank(200, 150);
  calib::setall(*ws, 200, 150, 1000);
  // symmetric 3 x 3 star at (50, 40); a two-pixel star at (120, 100) and (121, 100)
  for (int di = -1; di <= 1; ++di) {
    for (int dj = -1; dj <= 1; ++dj) ws->put(50 + di, 40 + dj, 1000 + (di == 0 && dj == 0 ? 900 : di == 0 || dj == 0 ? 300 : 100));
  }
  ws->put(120, 100, 1900);
  ws->put(121, 100, 1500);
  ws->frameTime = 21.5042f;
  core::Settings settings = boxed(200, 150);
  calibtest::TestConsole tc;
  std::ostringstream out;
  EXPECT_EQ(calib::findst(tc.console, settings, *ws, "fmg001              ", out), 2);
  EXPECT_EQ(out.str(),
            " \n"
            "  stars found in fmg001              \n"
            "  estimated sky value =    1000.\n"
            "  time (hours) = 21.5042\n"
            "     u     v\n"
            "   50.00   40.00  1  1.0     1900    900\n"
            "  120.36  100.00  2  1.4     1900    900\n"
            " 9999.00 9999.00  0  0.0\n");
  EXPECT_EQ(tc.text(),
            "   star   1   u =   50.00     v =   40.00    fwhm =  1  1.0     1900    900\n"
            "   star   2   u =  120.36     v =  100.00    fwhm =  2  1.4     1900    900\n");
}

TEST(CalibStarFinding, FrameWithoutStarsWritesHeaderAndEndLineOnly) {
  auto ws = blank(200, 150);
  calibtest::paint(*ws, 1000.0, 5.0, 1.0, {});
  ws->frameTime = 3.25f;
  core::Settings settings = boxed(200, 150);
  calibtest::TestConsole tc;
  std::ostringstream out;
  EXPECT_EQ(calib::findst(tc.console, settings, *ws, "empty", out), 0);
  std::vector<std::string> l = lines(out.str());
  ASSERT_EQ(l.size(), 6u);
  EXPECT_EQ(l[0], " ");
  EXPECT_EQ(l[1], "  stars found in empty               ");
  EXPECT_EQ(l[2].substr(0, 24), "  estimated sky value = ");
  EXPECT_EQ(l[3], "  time (hours) =  3.2500");
  EXPECT_EQ(l[5], " 9999.00 9999.00  0  0.0");
  EXPECT_EQ(tc.text(), "");
}

TEST(CalibStarFinding, SaturatedFlatTopRemovesItselfByProximity) {
  auto ws = blank(200, 150);
  // the bright star saturates over several pixels; the faint one is listed
  calibtest::paint(*ws, 1000.0, 5.0, 1.5, {{60.2, 70.4, 200000}, {140.0, 90.0, 5000}});
  int saturated = 0;
  for (int32_t i = 55; i <= 65; ++i) {
    for (int32_t j = 65; j <= 75; ++j) {
      int32_t v = 0;
      ASSERT_TRUE(ws->get(i, j, v));
      saturated += v == 65535;
    }
  }
  ASSERT_GE(saturated, 4);
  core::Settings settings = boxed(200, 150);
  calibtest::TestConsole tc;
  std::ostringstream out;
  std::vector<Found> found;
  calib::findst(tc.console, settings, *ws, "sat", out);
  found = starsOf(out.str());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NEAR(found[0].u, 140.0f, 0.1f);
  EXPECT_NEAR(found[0].v, 90.0f, 0.1f);
}

TEST(CalibStarFinding, ProximityDropsTheLowerPeakOfAClosePair) {
  auto ws = blank(200, 150);
  calib::setall(*ws, 200, 150, 1000);
  ws->put(60, 60, 1900);
  ws->put(65, 60, 1500);  // 5 pixels away
  core::Settings settings = boxed(200, 150);
  auto count = [&](int proximity) {
    settings.findProximity = proximity;
    calibtest::TestConsole tc;
    std::ostringstream out;
    return starsOf((calib::findst(tc.console, settings, *ws, "pair", out), out.str()));
  };
  std::vector<Found> six = count(6);
  ASSERT_EQ(six.size(), 1u);
  EXPECT_FLOAT_EQ(six[0].u, 60.0f);
  EXPECT_EQ(count(5).size(), 2u);  // 25 is not below 25
  EXPECT_EQ(count(0).size(), 2u);
  // of equal peaks closer than the proximity the first in scan order stays
  ws->put(65, 60, 1900);
  std::vector<Found> tied = count(6);
  ASSERT_EQ(tied.size(), 1u);
  EXPECT_FLOAT_EQ(tied[0].u, 60.0f);
  EXPECT_EQ(count(5).size(), 2u);
}

TEST(CalibStarFinding, StarWhoseTwoBrightestPixelsTieIsFoundOnceAtItsCentroid) {
  // halfway between columns 80 and 81 the two brightest pixels are equal (no noise)
  auto ws = blank(200, 150);
  const std::vector<Star> stars{{80.5, 60.3, 1500}, {140.2, 100.7, 3000}};
  calibtest::paint(*ws, 500.0, 0.0, 1.3, stars);
  int32_t left = 0, right = 0;
  ASSERT_TRUE(ws->get(80, 60, left));
  ASSERT_TRUE(ws->get(81, 60, right));
  ASSERT_EQ(left, right);
  ASSERT_GT(left, 1500);
  calibtest::TestConsole tc;
  std::ostringstream out;
  EXPECT_EQ(calib::findst(tc.console, boxed(200, 150), *ws, "tied", out), 2);
  std::vector<Found> found = starsOf(out.str());
  ASSERT_EQ(found.size(), 2u);
  EXPECT_NEAR(found[0].u, 80.5f, 0.1f);
  EXPECT_NEAR(found[0].v, 60.3f, 0.1f);
  EXPECT_NEAR(found[1].u, 140.2f, 0.1f);
  EXPECT_NEAR(found[1].v, 100.7f, 0.1f);
}

TEST(CalibStarFinding, CentroidSumOf89RejectedAnd90Kept) {
  auto ws = blank(50, 50);
  calib::setall(*ws, 50, 50, 100);
  ws->put(20, 25, 189);
  calibtest::TestConsole tc;
  calib::Centroid low = calib::findb1(tc.console, *ws, 20, 25, 7, 100.0f);
  EXPECT_TRUE(low.reject);
  EXPECT_EQ(low.u, 0.0f);
  ws->put(20, 25, 190);
  calib::Centroid kept = calib::findb1(tc.console, *ws, 20, 25, 7, 100.0f);
  EXPECT_FALSE(kept.reject);
  EXPECT_FLOAT_EQ(kept.u, 20.0f);
  EXPECT_FLOAT_EQ(kept.v, 25.0f);
  EXPECT_FLOAT_EQ(kept.rfwhm, 1.0f);
  EXPECT_EQ(kept.ifwhm, 1);
  EXPECT_EQ(tc.text(), "");
}

// A single bright pixel on a zero background, measured with sky 5 (every other pixel of the
// box weighs -5): accepted when the peak may lie there, rejected (no pixel above 0) when not.
bool measured(int box, int32_t i, int32_t j, int32_t nx = 60, int32_t ny = 60) {
  auto ws = blank(nx, ny);
  ws->put(i, j, 1005);
  calibtest::TestConsole tc;
  calib::Centroid c = calib::findb1(tc.console, *ws, i, j, box, 5.0f);
  if (!c.reject) {
    EXPECT_FLOAT_EQ(c.u, static_cast<float>(i));
    EXPECT_FLOAT_EQ(c.v, static_cast<float>(j));
  }
  return !c.reject;
}

TEST(CalibStarFinding, MeasuringBoxMarginsForBox7AndBox8) {
  EXPECT_TRUE(measured(7, 6, 30));
  EXPECT_FALSE(measured(7, 5, 30));
  EXPECT_TRUE(measured(7, 54, 30));   // nx - 6
  EXPECT_FALSE(measured(7, 55, 30));  // nx - 5
  EXPECT_TRUE(measured(7, 30, 6));
  EXPECT_FALSE(measured(7, 30, 55));
  EXPECT_TRUE(measured(8, 7, 30));
  EXPECT_FALSE(measured(8, 6, 30));
  EXPECT_TRUE(measured(8, 53, 30));
  EXPECT_FALSE(measured(8, 54, 30));
}

TEST(CalibStarFinding, LowSkyRejectsEveryStarWithAMessageEach) {
  auto ws = blank(200, 150);
  calib::setall(*ws, 200, 150, 2);
  ws->put(50, 50, 900);
  ws->put(100, 80, 900);
  core::Settings settings = boxed(200, 150);
  calibtest::TestConsole tc;
  std::ostringstream out;
  EXPECT_EQ(calib::findst(tc.console, settings, *ws, "dark", out), 0);
  const std::string message =
      "\n   * error * : finbd1 called with sky value =     2.0\n\n";
  EXPECT_EQ(tc.text(), message + message);
}

TEST(CalibStarFinding, SkyGridStepsAndOrder) {
  // pixel = 1000 j + i grows along the sampling order, so the 376th sample is known:
  // steps 6 and 4 give 32 samples a row; sample 376 is the 24th of the 12th row.
  auto ws = blank(200, 150);
  for (int32_t i = 1; i <= 200; ++i) {
    for (int32_t j = 1; j <= 150; ++j) ws->put(i, j, 1000 * j + i);
  }
  core::Settings settings = boxed(200, 150);
  calibtest::TestConsole tc;
  EXPECT_EQ(calib::estsky(tc.console, settings, *ws), 49143.0f);
  // a box 26 pixels wide: step 1 along i (not 0), 4 along j; rows of 26 samples, so
  // sample 376 is the 12th of the 15th row
  settings.searchBox = {11, 36, 5, 145};
  EXPECT_EQ(calib::estsky(tc.console, settings, *ws), 1000.0f * (5 + 14 * 4) + 11 + 11);
  // a box reaching outside the image is cut to it: 1..30 x 1..145, rows of 30 samples
  settings.searchBox = {-50, 30, -9, 145};
  EXPECT_EQ(calib::estsky(tc.console, settings, *ws), 1000.0f * (1 + 12 * 4) + 1 + 15);
  EXPECT_EQ(tc.text(), "");
}

TEST(CalibStarFinding, SkyGridTooSmallGivesNoEstimateAndNoBlock) {
  auto ws = blank(200, 150);
  calib::setall(*ws, 200, 150, 1000);
  ws->put(20, 20, 5000);
  core::Settings settings;
  const std::string message = "error in estsky; <752 pixels selected\n";
  for (std::array<int32_t, 4> box : {std::array<int32_t, 4>{5, 30, 5, 30},     // 26 x 26 = 676 pixels
                                     std::array<int32_t, 4>{11, 30, 5, 145},   // 20 x 36 grid points
                                     std::array<int32_t, 4>{5, -5, 5, -5}}) {  // never resolved
    settings.searchBox = box;
    calibtest::TestConsole tc;
    EXPECT_FALSE(calib::estsky(tc.console, settings, *ws).has_value());
    std::ostringstream out;
    EXPECT_EQ(calib::findst(tc.console, settings, *ws, "small", out), -1);
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(calib::findbs(tc.console, settings, *ws, 7).found);
    EXPECT_EQ(tc.text(), message + message + message);
  }
  // no frame at all
  auto none = blank(0, 0);
  calibtest::TestConsole tc;
  EXPECT_FALSE(calib::estsky(tc.console, boxed(200, 150), *none).has_value());
  EXPECT_EQ(tc.text(), message);
}

TEST(CalibStarFinding, FourHundredCandidatesEndTheScan) {
  auto ws = blank(200, 150);
  calib::setall(*ws, 200, 150, 1000);
  int placed = 0;
  for (int32_t i = 10; i <= 190; i += 5) {
    for (int32_t j = 10; j <= 140; j += 5) {
      ws->put(i, j, 2000);
      ++placed;
    }
  }
  ASSERT_GT(placed, 400);
  core::Settings settings = boxed(200, 150);
  calibtest::TestConsole tc;
  std::ostringstream out;
  EXPECT_EQ(calib::findst(tc.console, settings, *ws, "crowded", out), 400);
  std::vector<std::string> con = lines(tc.text());
  ASSERT_FALSE(con.empty());
  EXPECT_EQ(con[0], "maximum no of stars found");
  std::vector<Found> found = starsOf(out.str());
  ASSERT_EQ(found.size(), 400u);
  // columns of 27 stars each, scanned i outer: the 400th is the 22nd of the 15th column
  EXPECT_FLOAT_EQ(found.back().u, 10.0f + 14 * 5);
  EXPECT_FLOAT_EQ(found.back().v, 10.0f + 21 * 5);
}

TEST(CalibStarFinding, BrightestStarOfTheBox) {
  auto ws = blank(200, 150);
  calibtest::paint(*ws, 1000.0, 5.0, 1.2, {{70.3, 50.6, 4000}, {150.2, 120.7, 9000}});
  core::Settings settings = boxed(200, 150);
  calibtest::TestConsole tc;
  calib::Brightest b = calib::findbs(tc.console, settings, *ws, 7);
  ASSERT_TRUE(b.found);
  EXPECT_NEAR(b.u, 150.2f, 0.1f);
  EXPECT_NEAR(b.v, 120.7f, 0.1f);
  // the symmetric 3 x 3 star: centre exactly on a pixel, one profile column above half
  auto exact = blank(200, 150);
  calib::setall(*exact, 200, 150, 1000);
  for (int di = -1; di <= 1; ++di) {
    for (int dj = -1; dj <= 1; ++dj) exact->put(50 + di, 40 + dj, di == 0 && dj == 0 ? 1900 : 1200);
  }
  calibtest::TestConsole line;
  calib::findbs(line.console, settings, *exact, 7);
  EXPECT_EQ(line.text(), "   weighted maximum of brightest star in box at =  50.00  40.00   w= 1\n");
  auto dark = blank(200, 150);
  dark->put(100, 2, 5000);  // outside the search box
  calibtest::TestConsole none;
  EXPECT_FALSE(calib::findbs(none.console, settings, *dark, 7).found);
  EXPECT_NE(none.text().find("no pixel above 0"), std::string::npos);
}

}  // namespace

namespace {

TEST(CalibStarFinding, ProfileCountsPixelsOutsideTheImageAsSky) {
  // box 1: h = 0, margin 3, so the peak may lie 3 pixels from the edge and the nine-column
  // profile reaches one or two columns beyond it; those columns count as sky (q = 0).
  for (int32_t i : {3, 57}) {
    auto ws = blank(60, 40);
    calib::setall(*ws, 60, 40, 5);
    ws->put(i, 20, 1005);
    ws->put(i + (i == 3 ? 1 : -1), 20, 605);  // a second column above half the first
    calibtest::TestConsole tc;
    calib::Centroid c = calib::findb1(tc.console, *ws, i, 20, 1, 5.0f);
    ASSERT_FALSE(c.reject) << i;
    EXPECT_FLOAT_EQ(c.u, static_cast<float>(i));
    EXPECT_EQ(c.ifwhm, 2) << i;
  }
}

TEST(CalibStarFinding, SearchBoxLargerThanTheImageIsCutToIt) {
  auto ws = blank(200, 150);
  calibtest::paint(*ws, 1000.0, 5.0, 1.2, {{100.3, 75.6, 5000}});
  ws->put(1, 1, 20000);      // a hot corner pixel: a candidate, but too near the edge to measure
  ws->put(200, 150, 20000);
  core::Settings settings;
  settings.searchBox = {-20, 400, -20, 300};
  calibtest::TestConsole tc;
  std::ostringstream out;
  EXPECT_EQ(calib::findst(tc.console, settings, *ws, "cut", out), 1);
  std::vector<Found> found = starsOf(out.str());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NEAR(found[0].u, 100.3f, 0.1f);
  EXPECT_NEAR(found[0].v, 75.6f, 0.1f);
}

}  // namespace

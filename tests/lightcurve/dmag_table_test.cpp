// Differential magnitudes: naming, normalisation, magnitudes, time codes and line layout.
#include <gtest/gtest.h>

#include <cmath>

#include "lightcurve/dmag_table.h"
#include "textio/fortran_format.h"

namespace {

using lightcurve::dmagNames;
using lightcurve::Reduction;
using lightcurve::reduceObservation;
using lightcurve::TimeCorrector;

std::string pad(const std::string& s) { return s + std::string(20 - s.size(), ' '); }

TEST(LightcurveDmag, OutputNames) {
  auto n = dmagNames("night1");
  EXPECT_TRUE(n.ok);
  EXPECT_EQ(n.input, pad("night1.dat"));
  EXPECT_EQ(n.output, pad("night1.res"));
  n = dmagNames("night1.txt");
  EXPECT_EQ(n.input, pad("night1.txt"));
  EXPECT_EQ(n.output, pad("night1.res"));
  n = dmagNames("a.b");  // ".res" covers the type and the blanks after it
  EXPECT_EQ(n.output, pad("a.res"));
  n = dmagNames("x.res");  // the caller refuses this one: output equals input
  EXPECT_EQ(n.input, n.output);
  n = dmagNames("abcdefghijklmnop");  // no dot and no room in the first 15 columns
  EXPECT_FALSE(n.ok);
  n = dmagNames("abcdefghijklmno");  // four blanks begin at column 16: still no room
  EXPECT_FALSE(n.ok);
  n = dmagNames("abcdefghijklmn");
  EXPECT_EQ(n.input, pad("abcdefghijklmn.dat"));
}

TEST(LightcurveDmag, RatioErrors) {
  EXPECT_EQ(lightcurve::geter(0.0f, 5.0f, 100.0f, 1.0f), 0.0f);
  EXPECT_EQ(lightcurve::geter(-3.0f, 5.0f, 100.0f, 1.0f), 0.0f);
  // 10 % on the star and none on the normaliser: 10 % of the ratio.
  EXPECT_FLOAT_EQ(lightcurve::geter(100.0f, 10.0f, 200.0f, 0.0f), 0.05f);
  // 3 % and 4 % add in quadrature to 5 %.
  EXPECT_FLOAT_EQ(lightcurve::geter(300.0f, 9.0f, 100.0f, 4.0f), 0.15f);
}

Reduction ratios(const std::string& format, std::array<int, 10> refs) {
  Reduction r;
  r.format = pad(format);
  r.refs = refs;
  return r;
}

TEST(LightcurveDmag, NormalisesToTheMeanOfTheReferenceStars) {
  std::array<float, 20> v{};
  v[0] = 4000.0f, v[1] = 1000.0f, v[2] = 3000.0f, v[3] = 500.0f;
  v[10] = 40.0f, v[11] = 30.0f, v[12] = 40.0f;
  Reduction r = ratios("sssbx     eee", {2, 3});
  auto out = reduceObservation(v, r);
  EXPECT_FLOAT_EQ(out[0], 2.0f);
  EXPECT_FLOAT_EQ(out[1], 0.5f);
  EXPECT_FLOAT_EQ(out[2], 1.5f);
  EXPECT_EQ(out[3], 0.0f);  // "b": written as 0
  EXPECT_EQ(out[4], 0.0f);  // not computed
  // Normaliser error: sqrt(30^2 + 40^2) / 2 = 25 on 2000.
  EXPECT_FLOAT_EQ(out[10], 2.0f * std::sqrt(0.01f * 0.01f + 0.0125f * 0.0125f));
  EXPECT_EQ(out[13], 0.0f);  // no "e" for value 14
}

TEST(LightcurveDmag, Magnitudes) {
  std::array<float, 20> v{};
  v[0] = 1000.0f, v[1] = 2000.0f, v[2] = 0.0f, v[3] = 1000.0f;
  v[11] = 200.0f, v[13] = 2000.0f;
  Reduction r = ratios("ssss       e e", {1});
  r.magnitudes = true;
  r.zeroPoint = 0.0f;
  auto out = reduceObservation(v, r);
  EXPECT_EQ(out[0], 0.0f);
  EXPECT_EQ(textio::fmtF(out[1], 8, 5), "-0.75257");  // twice as bright
  EXPECT_FLOAT_EQ(out[2], 99.999f);        // ratio 0
  // Ratio 2 +- 0.2: half the spread of the magnitudes of 2.2 and 1.8.
  EXPECT_NEAR(out[11], 0.5 * 2.5 * std::log10(2.2 / 1.8), 1e-6);
  EXPECT_FLOAT_EQ(out[13], 99.999f);  // error as large as the ratio: no magnitude error
  r.zeroPoint = 12.5f;
  EXPECT_EQ(textio::fmtF(reduceObservation(v, r)[1], 8, 5), "11.74743");
}

TEST(LightcurveDmag, ZeroNormaliser) {
  std::array<float, 20> v{};
  v[1] = 500.0f, v[11] = 10.0f;
  Reduction r = ratios("ss         e", {1});
  auto out = reduceObservation(v, r);
  EXPECT_EQ(out[1], 0.0f);
  EXPECT_EQ(out[11], 0.0f);
  r.magnitudes = true;
  out = reduceObservation(v, r);
  EXPECT_FLOAT_EQ(out[0], 99.999f);
  EXPECT_FLOAT_EQ(out[1], 99.999f);
}

std::vector<float> correct(char code, std::initializer_list<float> times) {
  TimeCorrector c(code);
  std::vector<float> out;
  for (float t : times) out.push_back(c.next(t));
  return out;
}

TEST(LightcurveDmag, TimeCodesAndMidnight) {
  EXPECT_EQ(correct(' ', {23.5f, 0.5f, 1.5f}), (std::vector<float>{23.5f, 24.5f, 25.5f}));
  EXPECT_EQ(correct('b', {23.5f, 0.5f, 1.5f}), (std::vector<float>{22.5f, 23.5f, 24.5f}));
  // Switch to summer time at 2 am: times recorded after it (past 26.0) lose an hour.
  EXPECT_EQ(correct('s', {23.0f, 1.0f, 2.0f, 3.5f}), (std::vector<float>{23.0f, 25.0f, 26.0f, 26.5f}));
  // Switch back at 2 am: times up to 26.0 were summer time.
  EXPECT_EQ(correct('a', {23.0f, 1.0f, 2.0f, 2.5f}), (std::vector<float>{22.0f, 24.0f, 25.0f, 26.5f}));
  EXPECT_EQ(correct('x', {20.0f, 21.0f}), (std::vector<float>{20.0f, 21.0f}));
}

TEST(LightcurveDmag, TargetPositionSigns) {
  float ra = 0.0f, dec = 0.0f;
  ASSERT_TRUE(lightcurve::parseTarget("  5 30  -0 30", ra, dec));
  EXPECT_FLOAT_EQ(ra, 82.5f);
  EXPECT_FLOAT_EQ(dec, -0.5f);
  ASSERT_TRUE(lightcurve::parseTarget("12, 0, -5, 30", ra, dec));
  EXPECT_FLOAT_EQ(dec, -5.5f);
  ASSERT_TRUE(lightcurve::parseTarget("1 30 +10 15", ra, dec));
  EXPECT_FLOAT_EQ(ra, 22.5f);
  EXPECT_FLOAT_EQ(dec, 10.25f);
  EXPECT_FALSE(lightcurve::parseTarget("1 30 north", ra, dec));
  EXPECT_FLOAT_EQ(ra, 22.5f);  // unchanged
}

TEST(LightcurveDmag, HeaderLinesAndLayout) {
  EXPECT_TRUE(lightcurve::isPhotometryLine("  photometry :"));
  EXPECT_FALSE(lightcurve::isPhotometryLine("  photometry : x"));
  EXPECT_TRUE(lightcurve::isFormatLine("  output format : ssss"));
  EXPECT_TRUE(lightcurve::isTitleLine("     y   m  d    UTC     star1 star2"));
  EXPECT_TRUE(lightcurve::endsStarList("  obj"));
  EXPECT_FALSE(lightcurve::endsStarList("obj"));

  std::array<std::string, 10> names{"star1", "cmp  ", "", "", "", "", "", "", "", ""};
  std::string title = lightcurve::dmagTitle(names);
  EXPECT_EQ(title.substr(0, 43), " year  m  d    UTC" + std::string(7, ' ') + "star1    cmp      ");
  EXPECT_EQ(title.size(), 18u + 7u + 90u + 90u + 16u);
  EXPECT_EQ(title.substr(title.size() - 16), "    HJD    phase");

  std::array<float, 20> cols{};
  cols[0] = 1.0f, cols[1] = -0.752575f, cols[2] = 99.999f, cols[10] = 0.0123f;
  std::string line = lightcurve::dmagLine(2005, 9, 10, 25.5f, cols, 2453624.47921, 0.75);
  std::string want = " 2005  9 10  25.500  1.00000 -0.75257 99.99900";
  for (int k = 3; k < 10; ++k) want += "  0.00000";
  want += "  0.01230";
  for (int k = 11; k < 20; ++k) want += "  0.00000";
  want += "  2453624.4792 0.75000    0.00   0.0   0.0";
  EXPECT_EQ(line, want);
}

}  // namespace

// Photometry statistics: records of both layouts, ratios, means and scatter, and the listings.
#include <gtest/gtest.h>

#include <sstream>

#include "lightcurve/photometry_stats.h"
#include "tests/support/run_pelm.h"
#include "textio/console.h"
#include "textio/fortran_format.h"

namespace {

using lightcurve::StatsTable;

// A record of the photometry output file: frame name, date, time, ten fluxes, ten skies, q, n.
std::string photRecord(const std::string& frame, float time, std::array<float, 10> flux, std::array<float, 10> sky) {
  textio::Line l(" ");
  l.a(frame + std::string(20 - frame.size(), ' '), 20).x(1).i(2026, 4).a(",").i(12, 2).a(",").i(7, 2).a(",");
  l.f(time, 8, 3).a(",");
  for (float f : flux) l.f(f, 8, 0).a(",");
  for (float s : sky) l.f(s, 7, 1).a(",");
  return l.f(0.0, 5, 3).a(",").i(0, 3).str();
}

// The log header written before the first record, for stars star1, cmp1 and cmp2.
const char* kPhotHeader =
    " \"output from PELM version 2.1       \"\n"
    "\" \"\n"
    " \"star1\",\"star1\", 100.00, 200.00\n"
    " \"cmp1 \",\"cmp1 \", 300.00, 400.00\n"
    " \"cmp2 \",\"cmp2 \", 500.00, 600.00\n"
    "\" \"\n"
    " \"automatic sky subtraction\"\n"
    " \"skybox = \",  50\n"
    " \n"
    " \"output format : ssssssssssbbbbbbbbbb\"\n"
    " \n"
    " \"soft aperture; radius = \" 2.00\n"
    " \n"
    " \"start of data\"\n"
    " \"y\",\"m\",\"d\",\"time\",\"star1\",\"cmp1 \",\"cmp2 \",\"     \",\"     \",\"     \",\"     \",\"     \","
    "\"     \",\"     \",\"star1\",\"cmp1 \",\"cmp2 \",\"     \",\"     \",\"     \",\"     \",\"     \",\"     \","
    "\"     \"\n";

TEST(LightcurveStats, TitleItemsKeepQuotedBlanks) {
  auto items = lightcurve::titleItems(" \"y\",\"m\",\"d\",\"time\",\"cmp1 \",\"a b\", plain , \"\"");
  ASSERT_EQ(items.size(), 8u);
  EXPECT_EQ(items[3], "time");
  EXPECT_EQ(items[4], "cmp1 ");
  EXPECT_EQ(items[5], "a b");
  EXPECT_EQ(items[6], "plain");
  EXPECT_EQ(items[7], "");
}

TEST(LightcurveStats, RecordsOfBothLayouts) {
  lightcurve::StatsLine l;
  ASSERT_TRUE(lightcurve::readStatsRecord(
      "2005 9 10 21.25 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20", l));
  EXPECT_FLOAT_EQ(l.time, 21.25f);
  EXPECT_FLOAT_EQ(l.value[9], 10.0f);
  EXPECT_FLOAT_EQ(l.error[0], 11.0f);
  ASSERT_TRUE(lightcurve::readStatsRecord(photRecord("f0001.fit", 22.5f, {1500, 700}, {12.5f, 13.0f}), l));
  EXPECT_FLOAT_EQ(l.time, 22.5f);
  EXPECT_FLOAT_EQ(l.value[0], 1500.0f);
  EXPECT_FLOAT_EQ(l.value[1], 700.0f);
  EXPECT_FLOAT_EQ(l.error[1], 13.0f);
  // Lines that are not records.
  EXPECT_FALSE(lightcurve::readStatsRecord(" 22.500 refined position star1  100.0  200.0   100.1  200.2    0.10 0.20", l));
  EXPECT_FALSE(lightcurve::readStatsRecord("clouds from 23h onwards", l));
  EXPECT_FALSE(lightcurve::readStatsRecord("2005 9 10 21.25 1 2 3", l));
  EXPECT_FALSE(lightcurve::readStatsRecord("", l));
}

StatsTable twoStars(std::initializer_list<std::array<float, 2>> rows) {
  StatsTable t;
  t.clear();
  for (auto r : rows) {
    ++t.n;
    t.lines[t.n].value[0] = r[0];
    t.lines[t.n].value[1] = r[1];
  }
  return t;
}

struct Quiet {
  std::istringstream keys;
  std::ostringstream screen;
  textio::Console console{keys, screen};
};

TEST(LightcurveStats, MeansAndScatter) {
  Quiet q;
  // Star 1 normalised by star 2: ratios 0.4 and 0.6.
  StatsTable t = twoStars({{400.0f, 1000.0f}, {600.0f, 1000.0f}});
  t.selected[1] = 1;
  lightcurve::computeRatios(t);
  lightcurve::computeStatistics(q.console, t);
  EXPECT_EQ(textio::fmtF(t.mean[0], 8, 6), "0.500000");
  EXPECT_EQ(textio::fmtF(t.sd[0], 8, 6), "0.141421");
  EXPECT_EQ(textio::fmtF(t.relativeSd[0], 8, 6), "0.282843");
  // The normalising star itself: ratio 1 on every line, no scatter.
  EXPECT_EQ(t.lines[1].ratio[1], 1.0f);
  EXPECT_EQ(t.mean[1], 1.0f);
  EXPECT_EQ(t.sd[1], 0.0f);
  // A star with all values 0.
  EXPECT_EQ(t.mean[2], 0.0f);
  EXPECT_EQ(t.sd[2], 0.0f);
  EXPECT_EQ(t.relativeSd[2], 0.0f);
  EXPECT_EQ(q.screen.str().rfind("sum =  0.5\nsum =  1\nsum =  0\n", 0), 0u) << q.screen.str();
}

TEST(LightcurveStats, DegenerateTables) {
  Quiet q;
  StatsTable empty = twoStars({});
  empty.selected[1] = 1;
  lightcurve::computeRatios(empty);
  lightcurve::computeStatistics(q.console, empty);
  EXPECT_EQ(empty.mean[0], 0.0f);
  EXPECT_EQ(empty.sd[0], 0.0f);

  StatsTable one = twoStars({{400.0f, 1000.0f}});
  one.selected[1] = 1;
  lightcurve::computeRatios(one);
  lightcurve::computeStatistics(q.console, one);
  EXPECT_FLOAT_EQ(one.mean[0], 0.4f);
  EXPECT_EQ(one.sd[0], 0.0f);

  // A line whose normalising star reads 0 gets ratios 0 and stays out of mean and sd.
  StatsTable gap = twoStars({{400.0f, 1000.0f}, {999.0f, 0.0f}, {600.0f, 1000.0f}});
  gap.selected[1] = 1;
  lightcurve::computeRatios(gap);
  lightcurve::computeStatistics(q.console, gap);
  EXPECT_EQ(gap.lines[2].ratio[0], 0.0f);
  EXPECT_EQ(gap.lines[2].ratioError[0], 0.0f);
  EXPECT_FLOAT_EQ(gap.mean[0], 0.5f);
  EXPECT_EQ(textio::fmtF(gap.sd[0], 8, 6), "0.141421");
}

TEST(LightcurveStats, LoadsThePhotometryOutputFile) {
  auto dir = testsupport::freshFolder("stats");
  std::string file = kPhotHeader;
  file += photRecord("f0001.fit", 21.0f, {400, 600, 400}, {10, 11, 12}) + "\n";
  file += " 21.020 refined position star1  100.0  200.0   100.1  200.2    0.10 0.20\n";
  file += "clouds from 21.1 h\n";
  file += photRecord("f0002.fit", 21.2f, {600, 400, 600}, {10, 11, 12}) + "\n";
  testsupport::writeFile(dir / "night.txt", file);
  std::istringstream keys("cmp1\nxx\ncmp2\n\n");
  std::ostringstream screen;
  textio::Console console(keys, screen);
  StatsTable t;
  lightcurve::stload(console, (dir / "night.txt").string(), "night.txt", t);
  EXPECT_EQ(t.n, 2);
  EXPECT_EQ(t.codes[0], "star1");
  EXPECT_EQ(t.codes[2], "cmp2 ");
  EXPECT_EQ(t.codes[3], "     ");
  EXPECT_EQ(t.selected[1] + t.selected[2], 2);
  EXPECT_EQ(t.mean[0], 0.5f);  // 400/1000 and 600/1000
  std::string out = screen.str();
  EXPECT_NE(out.find("          >>> \"start of data\"    \n"), std::string::npos) << out;
  EXPECT_NE(out.find("    number of lines read from input file =    2\n"), std::string::npos) << out;
  EXPECT_NE(out.find("   star not recognised!\n"), std::string::npos) << out;
  EXPECT_NE(out.find("    this is star #  3\n"), std::string::npos) << out;

  // Missing file: a message naming it, an empty table, nothing created.
  lightcurve::stload(console, (dir / "none.txt").string(), "none.txt", t);
  EXPECT_EQ(t.n, 0);
  EXPECT_NE(screen.str().find("   error - cannot open file " + (dir / "none.txt").string() + "\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "none.txt"));
  std::filesystem::remove_all(dir);
}

TEST(LightcurveStats, TitleLineAfterSeventyHeaderLines) {
  auto dir = testsupport::freshFolder("stats70");
  std::string file;
  for (int i = 0; i < 70; ++i) file += "header " + std::to_string(i) + "\n";
  file += "y m d t aaaaa bbbbb\n";
  file += "2005 9 10 21.25 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20\n";
  testsupport::writeFile(dir / "h.txt", file);
  std::istringstream keys("\n");
  std::ostringstream screen;
  textio::Console console(keys, screen);
  StatsTable t;
  lightcurve::stload(console, (dir / "h.txt").string(), "h.txt", t);
  EXPECT_EQ(t.codes[1], "bbbbb");
  EXPECT_EQ(t.n, 1);
  EXPECT_EQ(t.mean[0], 0.0f);  // no normalising star: nothing computed
  EXPECT_EQ(t.lines[1].ratio[0], 0.0f);
  std::filesystem::remove_all(dir);
}

TEST(LightcurveStats, FileEndingInTheHeader) {
  auto dir = testsupport::freshFolder("statsshort");
  testsupport::writeFile(dir / "s.txt", " \"output from PELM version 2.1       \"\n\" \"\n");
  std::istringstream keys("\n");
  std::ostringstream screen;
  textio::Console console(keys, screen);
  StatsTable t;
  lightcurve::stload(console, (dir / "s.txt").string(), "s.txt", t);
  EXPECT_EQ(t.n, 0);
  EXPECT_NE(screen.str().find("    number of lines read from input file =    0\n"), std::string::npos) << screen.str();
  std::filesystem::remove_all(dir);
}

TEST(LightcurveStats, Listings) {
  Quiet q;
  StatsTable t = twoStars({{400.0f, 1000.0f}, {600.0f, 1000.0f}});
  t.fileName = "night.txt           ";
  t.lines[1].time = 21.5f;
  t.lines[1].error[0] = 20.0f;
  t.selected[1] = 1;
  lightcurve::computeRatios(t);
  lightcurve::computeStatistics(q.console, t);
  q.screen.str("");
  lightcurve::lstrat(q.console, t);
  std::string first = " 21.500 0.400000 1.000000";
  for (int k = 2; k < 10; ++k) first += " 0.000000";
  first += " 0.020000";
  for (int k = 1; k < 10; ++k) first += " 0.000000";
  first += " \n";
  EXPECT_EQ(q.screen.str().substr(0, first.size()), first);
  q.screen.str("");
  lightcurve::lststs(q.console, t);
  std::string want =
      "    20 items written to output file:\n"
      "    10 x mean normalised signal, then\n"
      "    10 x standard deviation for normalised signal (as fraction of mean signal) \n"
      " \"night.txt           \",0.500000, 1.000000, ";
  for (int k = 2; k < 10; ++k) want += "0.000000, ";
  want += "  , 0.282843";
  for (int k = 1; k < 10; ++k) want += ", 0.000000";
  EXPECT_EQ(q.screen.str(), want + "\n");
}

}  // namespace

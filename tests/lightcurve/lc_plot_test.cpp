// Light-curve pictures: reading dmag output, and SVG files that parse as XML with one point
// per observation (checked with Python's XML parser).
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "lightcurve/lc_plot.h"
#include "tests/support/run_pelm.h"

namespace {

namespace fs = std::filesystem;

// The dmag output of the golden session with magnitudes: four observations of var, cmp1 and
// cmp2, the last one without a magnitude for var.
const fs::path kRes = fs::path(PELM_SOURCE_DIR) / "tests/sessions/dmag-magnitudes.files/night1.res";

using testsupport::lines;

TEST(LightcurvePlot, ReadsDmagOutput) {
  lightcurve::ResFile res;
  std::string error;
  ASSERT_TRUE(lightcurve::readResFile(lines(testsupport::readFile(kRes)), res, error)) << error;
  EXPECT_TRUE(res.magnitudes);
  EXPECT_EQ(res.names[0], "var  ");
  EXPECT_EQ(res.names[2], "cmp2 ");
  EXPECT_EQ(res.names[3], "     ");
  EXPECT_EQ(res.references, (std::vector<std::string>{"cmp1", "cmp2"}));
  ASSERT_EQ(res.rows.size(), 4u);
  EXPECT_FLOAT_EQ(res.rows[2].time, 24.2f);
  EXPECT_FLOAT_EQ(res.rows[0].cols[0], 9.24743f);
  EXPECT_DOUBLE_EQ(res.rows[3].hjd, 2453624.5243);
  EXPECT_FALSE(lightcurve::readResFile({"no titles here"}, res, error));
}

TEST(LightcurvePlot, PointsAndLeftOut) {
  lightcurve::ResFile res;
  std::string error;
  ASSERT_TRUE(lightcurve::readResFile(lines(testsupport::readFile(kRes)), res, error));
  lightcurve::Ephemeris none;
  lightcurve::Plot var = lightcurve::plotStar(res, 1, none, "night1.res");
  EXPECT_EQ(var.points, 3);
  EXPECT_EQ(var.leftOut, 1);
  // One night: against UT hours of the first date; errors drawn.
  EXPECT_NE(var.svg.find(">UT (hours from 2005-09-10 0h)<"), std::string::npos);
  EXPECT_NE(var.svg.find(">error bars: 1-sigma errors of the file<"), std::string::npos);
  EXPECT_EQ(lightcurve::plotStar(res, 2, none, "night1.res").points, 4);
  EXPECT_EQ(lightcurve::plotStar(res, 5, none, "night1.res").points, 4);  // a column of zeros still plots
  lightcurve::ResFile empty;
  EXPECT_EQ(lightcurve::plotStar(empty, 1, none, "x").svg, "");
}

// Parses an SVG file with Python's XML parser; prints the number of points, the x label and
// whether every point lies inside the plotting area.
const char* kCheck = R"(import sys, xml.etree.ElementTree as ET
ns = "{http://www.w3.org/2000/svg}"
root = ET.parse(sys.argv[1]).getroot()
points = [c for c in root.iter(ns + "circle") if c.get("class") == "point"]
inside = all(90 <= float(c.get("cx")) <= 780 and 50 <= float(c.get("cy")) <= 440 for c in points)
label = [t.text for t in root.iter(ns + "text") if t.get("class") == "xlabel"][0]
print(len(points), inside, label)
)";

std::string checkSvg(const fs::path& dir, const std::string& svg) {
  testsupport::writeFile(dir / "check.py", kCheck);
  std::string cmd = "/usr/bin/python3 " + (dir / "check.py").string() + " " + (dir / svg).string() + " > " +
                    (dir / "check.txt").string() + " 2>&1";
  if (std::system(cmd.c_str()) != 0) return "parse failed: " + testsupport::readFile(dir / "check.txt");
  return testsupport::readFile(dir / "check.txt");
}

TEST(LightcurvePlot, CommandWritesParsableSvg) {
  if (std::system("/usr/bin/python3 -c 'import xml.etree.ElementTree' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "/usr/bin/python3 is not available to parse the SVG";
  }
  fs::path dir = testsupport::freshFolder("lcplot");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", 100, 100));
  testsupport::writeFile(dir / "night1.res", testsupport::readFile(kRes));
  auto r = testsupport::runPelm(dir, "lcplot\nnight1.res\n\nstop\n");
  EXPECT_NE(r.out.find("   plot written to night1.svg\n   points plotted =    3\n"
                       "   observations without a magnitude left out =    1\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(checkSvg(dir, "night1.svg"), "3 True UT (hours from 2005-09-10 0h)\n");
  // Against phase once an ephemeris is set; another star; refusals.
  r = testsupport::runPelm(dir, "ephemeris\n2453624.0 0.25\nlcplot\nnight1.res\ncmp2\nlcplot\nnight1.res\nzz\n"
                                "lcplot\nnone.res\nstop\n");
  EXPECT_EQ(checkSvg(dir, "night1.svg"), "4 True phase (period 0.250000 d)\n");
  EXPECT_NE(r.out.find("   error - star not recognised"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   error - cannot open input file none.res"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(dir / "none.svg"));
  fs::remove_all(dir);
}

}  // namespace

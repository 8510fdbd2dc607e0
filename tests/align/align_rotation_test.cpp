// Alignment with field rotation on star fields made in the test: known rotations and shifts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>

#include "align/align_rotation.h"
#include "core/settings.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "tests/support/run_pelm.h"

namespace {

struct Pos {
  double u, v;
};

std::vector<Pos> field(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> uni(30.0, 1000.0);
  std::vector<Pos> stars;
  for (int k = 0; k < n; ++k) stars.push_back({uni(rng), uni(rng) * 0.7});
  return stars;
}

// Fiducial position into a frame: rotate about the origin in physical units (v scaled by
// px/py), then shift, as the program's convention has it.
Pos toFrame(Pos p, double du, double dv, double degrees, double px = 1.0, double py = 1.0) {
  double t = degrees * M_PI / 180.0;
  double x = p.u, y = p.v * px / py;
  double xr = x * std::cos(t) + y * std::sin(t);
  double yr = y * std::cos(t) - x * std::sin(t);
  return {xr + du, yr / (px / py) + dv};
}

std::string starLine(double u, double v) {
  char b[64];
  std::snprintf(b, sizeof b, " %7.2f %7.2f  3  3.1     2000   1200", u, v);
  return b;
}

std::string block(const std::string& name, double time, const std::vector<Pos>& stars) {
  std::string s = "\n  stars found in " + textio::fixed(name, 20) + "\n  estimated sky value =     800.\n";
  char t[64];
  std::snprintf(t, sizeof t, "  time (hours) = %7.4f\n", time);
  s += t;
  s += "     u     v\n";
  for (const Pos& p : stars) s += starLine(p.u, p.v) + "\n";
  s += " 9999.00 9999.00  0  0.0\n";
  return s;
}

struct AlignrRun {
  std::filesystem::path dir = testsupport::freshFolder("alignr");
  core::Settings settings;
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};
  std::unique_ptr<align::AlignmentTable> previous = std::make_unique<align::AlignmentTable>();

  AlignrRun() {
    settings.workingPath = textio::fixed(dir.string() + "/", 80);
    settings.starListFile = textio::fixed("stars.lst", 20);
  }
  ~AlignrRun() { std::filesystem::remove_all(dir); }

  void fiducials(const std::vector<Pos>& stars, size_t n) {
    std::string s;
    for (size_t k = 0; k < n; ++k) s += std::to_string(stars[k].u) + " " + std::to_string(stars[k].v) + "\n";
    testsupport::writeFile(dir / "stars.fid", s);
  }
  align::AlignRun run(const std::string& answers, float px = 9.0f, float py = 9.0f) {
    in.str(answers);
    return align::alignRotation(console, settings, 1392, 1040, {px, py}, *previous);
  }
  // The align.dat lines, as (du, dv, rotation, rms) numbers.
  std::vector<std::array<double, 4>> results() {
    std::vector<std::array<double, 4>> r;
    std::istringstream dat(testsupport::readFile(dir / "align.dat"));
    std::string line;
    while (std::getline(dat, line)) {
      r.push_back({std::stod(line.substr(30, 7)), std::stod(line.substr(38, 7)), std::stod(line.substr(47, 9)),
                   std::stod(line.substr(73, 5))});
    }
    return r;
  }
};

TEST(SearchRotation, ExactFieldRotatedTwoDegreesIsFoundWithinTheFinestStep) {
  auto t = std::make_unique<align::MatchTables>();
  auto stars = field(25, 3);
  align::PixelSizes px{9.0f, 9.0f};
  t->fiducialCount = 12;
  for (int k = 1; k <= 12; ++k) {
    t->fidU[k] = static_cast<float>(stars[static_cast<size_t>(k - 1)].u);
    t->fidV[k] = static_cast<float>(stars[static_cast<size_t>(k - 1)].v);
  }
  t->frameStarCount = 25;
  for (int k = 1; k <= 25; ++k) {
    Pos p = toFrame(stars[static_cast<size_t>(k - 1)], 12.3, -4.6, 2.0);
    t->starU[k] = static_cast<float>(p.u);
    t->starV[k] = static_cast<float>(p.v);
    align::uvxy(t->starU[k], t->starV[k], t->starX[k], t->starY[k], 0.0f, px);
  }
  float s0 = 2.0f * 17.19f / 1392.0f;
  align::RotationSearch search{0.0, s0, static_cast<int>(181.0f / s0), 4};
  align::RotationMatch m = align::searchRotation(*t, search, 2.0f, true, px);
  ASSERT_TRUE(m.matched);
  EXPECT_NEAR(m.rotation, 2.0, s0 / 1000.0 + 1e-5);
  EXPECT_NEAR(m.du, 12.3, 0.01);
  EXPECT_NEAR(m.dv, -4.6, 0.01);
}

TEST(AlignRotation, FromScratchRecoversRotationAndOffsets) {
  AlignrRun r;
  auto stars = field(40, 7);
  r.fiducials(stars, 15);
  std::string list;
  const double rot[] = {0.0, 2.0, 2.5};
  const double du[] = {0.0, 7.25, -3.5}, dv[] = {0.0, -2.75, 11.0};
  for (int f = 0; f < 3; ++f) {
    std::vector<Pos> frame;
    for (const Pos& p : stars) frame.push_back(toFrame(p, du[f], dv[f], rot[f]));
    list += block("img00" + std::to_string(f + 1) + ".fts", 22.0 + f * 0.1, frame);
  }
  testsupport::writeFile(r.dir / "stars.lst", list);
  align::AlignRun run = r.run("y\n1\n1\n");
  EXPECT_EQ(run.found, 3);
  EXPECT_EQ(run.matched, 3);
  auto res = r.results();
  ASSERT_EQ(res.size(), 3u);
  for (int f = 0; f < 3; ++f) {
    EXPECT_NEAR(res[static_cast<size_t>(f)][0], du[f], 0.05) << f;
    EXPECT_NEAR(res[static_cast<size_t>(f)][1], dv[f], 0.05) << f;
    // Positions carry two decimals, which limits the rotation to about 0.001 degree.
    EXPECT_NEAR(res[static_cast<size_t>(f)][2], rot[f], 0.002) << f;
  }
  EXPECT_NE(r.out.str().find(" files matched =   3 out of   3      100.0 percent\n"), std::string::npos);
  EXPECT_NE(testsupport::readFile(r.dir / "align.txt").find("\"img002.fts          \","), std::string::npos);
}

TEST(AlignRotation, LaterFramesAreSearchedAroundThePreviousMatchUnlessAnyOrientationIsAllowed) {
  AlignrRun r;
  auto stars = field(30, 11);
  r.fiducials(stars, 10);
  std::string list;
  // A field drifting 4 degrees a frame: each frame is within a few degrees of the previous one.
  for (int f = 0; f < 4; ++f) {
    std::vector<Pos> frame;
    for (const Pos& p : stars) frame.push_back(toFrame(p, 5.0, 5.0, 4.0 * f));
    list += block("d" + std::to_string(f), 1.0 + f * 0.1, frame);
  }
  // Then a jump of 8 degrees from the previous frame.
  std::vector<Pos> jump;
  for (const Pos& p : stars) jump.push_back(toFrame(p, 5.0, 5.0, 20.0));
  list += block("jump", 1.5, jump);
  testsupport::writeFile(r.dir / "stars.lst", list);
  align::AlignRun followed = r.run("y\n1\n1\n");
  EXPECT_EQ(followed.matched, 4);
  auto res = r.results();
  ASSERT_EQ(res.size(), 5u);
  EXPECT_NEAR(res[3][2], 12.0, 0.002);
  EXPECT_EQ(res[4][0], 9999.99);
  EXPECT_NEAR(res[4][2], 999.999, 0.0001);
  EXPECT_EQ(res[4][3], 99.99);
  align::AlignRun any = r.run("y\n1\n2\n");
  EXPECT_EQ(any.matched, 5);
  EXPECT_NEAR(r.results()[4][2], 20.0, 0.002);
}

TEST(AlignRotation, RectangularPixelsReportDvInVPixels) {
  AlignrRun r;
  auto stars = field(30, 5);
  r.fiducials(stars, 10);
  std::vector<Pos> frame;
  for (const Pos& p : stars) frame.push_back(toFrame(p, 3.0, 6.0, 1.0, 9.0, 12.0));
  testsupport::writeFile(r.dir / "stars.lst", block("rect", 2.0, frame));
  align::AlignRun run = r.run("y\n1\n1\n", 9.0f, 12.0f);
  EXPECT_EQ(run.matched, 1);
  auto res = r.results();
  ASSERT_EQ(res.size(), 1u);
  EXPECT_NEAR(res[0][0], 3.0, 0.05);
  EXPECT_NEAR(res[0][1], 6.0, 0.05);
  EXPECT_NEAR(res[0][2], 1.0, 0.002);
}

TEST(AlignRotation, ModelModeTriesOnlyTheModelRotation) {
  AlignrRun r;
  auto stars = field(30, 9);
  r.fiducials(stars, 10);
  std::string list;
  for (int f = 0; f < 2; ++f) {
    std::vector<Pos> frame;
    // The true rotation differs a little from the model: the model value is kept anyway.
    for (const Pos& p : stars) frame.push_back(toFrame(p, 1.0, 2.0, 0.5 + 0.1 * f + 0.01));
    list += block("m" + std::to_string(f) + ".fts", 3.0 + f, frame);
  }
  testsupport::writeFile(r.dir / "stars.lst", list);
  testsupport::writeFile(r.dir / "rotate.mdl", "1 = highest power of (t-t0)\n3.0 = t0\n0.5 coefficient of (t-t0)**0\n"
                                               "0.1 coefficient of (t-t0)**1\n");
  r.previous->entries[1].name = textio::fixed("m1", 20);
  r.previous->entries[1].rotation = 0.61f;
  align::AlignRun run = r.run("y\n2\n");
  EXPECT_EQ(run.matched, 2);
  auto res = r.results();
  ASSERT_EQ(res.size(), 2u);
  EXPECT_DOUBLE_EQ(res[0][2], 0.5);
  EXPECT_DOUBLE_EQ(res[1][2], 0.6);
  EXPECT_EQ(testsupport::readFile(r.dir / "rotationfit.txt"),
            " \"m1.fts              \" , 4.0000,  0.61000,  0.60000\n");
}

TEST(AlignRotation, MissingInputsLeaveThePreviousAlignmentUntouched) {
  AlignrRun r;
  auto stars = field(10, 1);
  r.fiducials(stars, 5);
  testsupport::writeFile(r.dir / "align.dat", "previous\n");
  align::AlignRun run = r.run("y\n1\n1\n");
  EXPECT_FALSE(run.ran);
  EXPECT_EQ(testsupport::readFile(r.dir / "align.dat"), "previous\n");
  testsupport::writeFile(r.dir / "stars.lst", block("a", 1.0, {}));
  run = r.run("y\n2\n");  // model mode without rotate.mdl
  EXPECT_FALSE(run.ran);
  EXPECT_EQ(testsupport::readFile(r.dir / "align.dat"), "previous\n");
  r.settings.matchTolerance = 0.0f;
  run = r.run("y\n1\n1\n");
  EXPECT_FALSE(run.ran);
  EXPECT_NE(r.out.str().find("tolerance must be above 0"), std::string::npos);
}

}  // namespace

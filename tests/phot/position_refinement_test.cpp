// Refining the star data table from star lists, and tracking a moving object.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>

#include "core/settings.h"
#include "motion/path_fit.h"
#include "phot/position_refinement.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "tests/support/run_pelm.h"

namespace {

struct Star {
  float u, v;
};

std::string block(const std::string& name, double time, const std::vector<Star>& stars) {
  std::string s = "\n  stars found in " + textio::fixed(name, 20) + "\n  estimated sky value =     800.\n";
  char line[80];
  std::snprintf(line, sizeof line, "  time (hours) = %7.4f\n     u     v\n", time);
  s += line;
  for (const Star& p : stars) {
    std::snprintf(line, sizeof line, " %7.2f %7.2f  3  3.1     2000   1200\n", p.u, p.v);
    s += line;
  }
  return s + " 9999.00 9999.00  0  0.0\n";
}

struct Refine {
  std::filesystem::path dir = testsupport::freshFolder("refine");
  core::Settings settings;
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};
  std::unique_ptr<phot::StarData> sd = std::make_unique<phot::StarData>();
  align::PixelSizes px{9.0f, 9.0f};

  Refine() {
    settings.workingPath = textio::fixed(dir.string() + "/", 80);
    settings.starListFile = textio::fixed("stars.lst", 20);
  }
  ~Refine() { std::filesystem::remove_all(dir); }
  void add(const std::string& code, float u, float v) {
    int k = ++sd->starCount;
    sd->stars[k].code = textio::fixed(code, 5);
    sd->stars[k].approxU = u;
    sd->stars[k].approxV = v;
  }
};

TEST(UpdatePositions, FirstFrameStarsWithinToleranceReplaceRefinedPositions) {
  Refine r;
  r.add("a", 100.0f, 100.0f);
  r.add("b", 300.0f, 200.0f);
  r.add("c", 500.0f, 400.0f);
  r.sd->stars[3].refinedU = 7.0f;
  testsupport::writeFile(r.dir / "stars.lst", block("f1.fts", 1.0, {{101.0f, 100.5f}, {100.2f, 99.9f}, {301.5f, 200.2f}}) +
                                                 block("f2.fts", 1.1, {{500.0f, 400.0f}}));
  r.in.str("\n");
  phot::updatePositions(r.console, r.settings, r.px, *r.sd);
  EXPECT_EQ(r.sd->stars[1].refinedU, 100.2f);  // the later of two rows within tolerance wins
  EXPECT_EQ(r.sd->stars[1].refinedV, 99.9f);
  EXPECT_EQ(r.sd->stars[2].refinedU, 301.5f);
  EXPECT_EQ(r.sd->stars[3].refinedU, 7.0f);    // only the first frame is used
  EXPECT_NE(testsupport::readFile(r.dir / "stardata.txt").find("100.2"), std::string::npos);
}

TEST(UpdatePositions, MissingOrUnreadableListLeavesTheTableUnchanged) {
  Refine r;
  r.add("a", 100.0f, 100.0f);
  r.in.str("\n");
  phot::updatePositions(r.console, r.settings, r.px, *r.sd);
  EXPECT_NE(r.out.str().find("   error - cannot open position list file"), std::string::npos);
  testsupport::writeFile(r.dir / "stars.lst", "\n  stars found in f1\n sky\n time\n  u v\n 100.1 100.0\n oops\n");
  r.in.str("\n");
  phot::updatePositions(r.console, r.settings, r.px, *r.sd);
  EXPECT_EQ(r.sd->stars[1].refinedU, 0.0f);
  EXPECT_NE(r.out.str().find("cannot read line      7 of stars.lst"), std::string::npos) << r.out.str();
  EXPECT_FALSE(std::filesystem::exists(r.dir / "stardata.txt"));
  r.settings.starListFile = std::string(20, ' ');
  phot::updatePositions(r.console, r.settings, r.px, *r.sd);
  EXPECT_NE(r.out.str().find("   error: no star positions file has been specifed !"), std::string::npos);
}

TEST(UpdateMultiple, TrackedAsteroidPathIsRecoveredByThePathFit) {
  Refine r;
  r.settings.matchTolerance = 2.0f;
  r.add("ast", 200.0f, 150.0f);
  r.add("s1", 400.0f, 300.0f);
  r.add("s2", 120.0f, 420.0f);
  auto table = std::make_unique<align::AlignmentTable>();
  std::string list;
  const float speedU = 4.0f, speedV = -2.0f;
  for (int k = 1; k <= 8; ++k) {
    float t = 20.0f + 0.25f * static_cast<float>(k - 1);
    float du = 0.5f * k, dv = -0.3f * k;
    std::string name = "f" + std::to_string(k);
    table->entries[k].name = textio::fixed(name, 20);
    table->entries[k].time = t;
    table->entries[k].du = du;
    table->entries[k].dv = dv;
    table->entries[k].rotation = 0.0f;
    float noise = 0.02f * static_cast<float>((k * 37) % 5 - 2);
    std::vector<Star> stars = {{400.0f + du + noise, 300.0f + dv},
                               {200.0f + speedU * (t - 20.0f) + du - noise, 150.0f + speedV * (t - 20.0f) + dv + noise},
                               {120.0f + du, 420.0f + dv - noise}};
    list += block(name + ".fts", t, stars);
  }
  list += block("notaligned.fts", 23.0, {{400.0f, 300.0f}});
  testsupport::writeFile(r.dir / "stars.lst", list);
  auto residuals = std::make_unique<motion::ResidualTable>();
  motion::PathModel model;
  float frameTime = 0.0f;
  r.in.str("ast\ny\n");
  phot::updateMultiple(r.console, r.settings, r.px, *r.sd, *table, model, *residuals, frameTime);
  EXPECT_EQ(residuals->count, 8);
  EXPECT_NEAR(r.sd->stars[2].refinedU, 400.0f, 0.02);
  EXPECT_NEAR(r.sd->stars[3].refinedV, 420.0f, 0.02);
  // The moving object's positions go back to where it started.
  EXPECT_EQ(r.sd->stars[1].approxU, 200.0f);
  EXPECT_EQ(r.sd->stars[1].refinedU, 200.0f);
  std::string path = testsupport::readFile(r.dir / "objectpath.txt");
  EXPECT_EQ(std::count(path.begin(), path.end(), '\n'), 8);
  EXPECT_EQ(path.substr(0, 40), "  20.0000 ,  200.00 ,  150.00 , ast   , ");

  std::istringstream fitIn("1\n");
  std::ostringstream fitOut;
  textio::Console fitConsole(fitIn, fitOut);
  auto models = std::make_unique<motion::PathModels>();
  ASSERT_TRUE(motion::fitpth(fitConsole, r.settings.workingPath, *models, motion::PathEpoch::FirstPosition));
  ASSERT_TRUE(motion::rdpth(fitConsole, r.settings.workingPath, *models));
  EXPECT_NEAR(models->model1.cu[2], speedU, 0.05);
  EXPECT_NEAR(models->model1.cv[2], speedV, 0.05);
  EXPECT_NEAR(models->model1.cu[1], 200.0f, 0.05);
}

TEST(UpdateMultiple, NoAlignedFrameLeavesTheTableAndObjectPathAsTheyWere) {
  Refine r;
  r.add("s1", 400.0f, 300.0f);
  r.sd->stars[1].refinedU = 401.0f;
  auto table = std::make_unique<align::AlignmentTable>();
  testsupport::writeFile(r.dir / "stars.lst", block("f1.fts", 1.0, {{400.0f, 300.0f}}));
  auto residuals = std::make_unique<motion::ResidualTable>();
  motion::PathModel model;
  float frameTime = 0.0f;
  r.in.str("\nn\n");
  testsupport::writeFile(r.dir / "objectpath.txt", "  21.0000  400.00  300.00\n");
  phot::updateMultiple(r.console, r.settings, r.px, *r.sd, *table, model, *residuals, frameTime);
  EXPECT_EQ(r.sd->stars[1].refinedU, 401.0f);
  EXPECT_NE(r.out.str().find("  no offset recorded for this file !"), std::string::npos);
  EXPECT_NE(r.out.str().find("   no star found in an aligned frame: objectpath.txt and the star data table are left "
                             "as they were\n"),
            std::string::npos);
  EXPECT_EQ(testsupport::readFile(r.dir / "objectpath.txt"), "  21.0000  400.00  300.00\n");
  EXPECT_FALSE(std::filesystem::exists(r.dir / "stardata.txt"));
}

}  // namespace

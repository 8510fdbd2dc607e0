// Path models: position at a time, the model files, combination, the order answers, the fit
// to measured positions and the estimate from two positions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>

#include "motion/path_fit.h"
#include "motion/path_model.h"
#include "tests/support/run_pelm.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace fs = std::filesystem;

namespace {

struct Folder {
  fs::path dir = testsupport::freshFolder("pathmodel");
  std::string path = dir.string() + "/";  // the working path
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};

  explicit Folder(const std::string& answers = "") : in(answers) {}
  ~Folder() { fs::remove_all(dir); }
  std::string read(const char* name) const { return testsupport::readFile(dir / name); }
  void write(const char* name, const std::string& text) const { testsupport::writeFile(dir / name, text); }
  bool saw(const std::string& text) const { return out.str().find(text) != std::string::npos; }
};

motion::PathModel quadratic() {
  motion::PathModel m;
  m.t0 = 21.25f;
  m.uOrder = 2;
  m.vOrder = 1;
  m.cu[1] = 400.0f;
  m.cu[2] = 12.0f;
  m.cu[3] = -0.5f;
  m.cv[1] = 300.0f;
  m.cv[2] = -4.0f;
  return m;
}

bool same(const motion::PathModel& a, const motion::PathModel& b) {
  if (a.uOrder != b.uOrder || a.vOrder != b.vOrder || std::memcmp(&a.t0, &b.t0, sizeof a.t0) != 0) return false;
  for (int k = 1; k <= motion::kPathCoefficients; ++k) {
    if (std::memcmp(&a.cu[k], &b.cu[k], sizeof(float)) != 0) return false;
    if (std::memcmp(&a.cv[k], &b.cv[k], sizeof(float)) != 0) return false;
  }
  return true;
}

TEST(PathModel, PositionAtT0IsTheConstantTermsWithoutMotion) {
  const motion::PathModel m = quadratic();
  motion::PathPosition p = motion::movuv(m, 21.25f);
  EXPECT_EQ(p.u, 400.0f);
  EXPECT_EQ(p.v, 300.0f);
  EXPECT_EQ(p.du, 0.0f);
  EXPECT_EQ(p.dv, 0.0f);
  p = motion::movuv(m, 23.25f);  // two hours on
  EXPECT_FLOAT_EQ(p.u, 400.0f + 24.0f - 2.0f);
  EXPECT_FLOAT_EQ(p.du, 22.0f);
  EXPECT_FLOAT_EQ(p.v, 292.0f);
  EXPECT_FLOAT_EQ(p.dv, -8.0f);
  // Terms above the order take no part even when a slot holds a value.
  motion::PathModel n = m;
  n.cv[3] = 100.0f;
  EXPECT_FLOAT_EQ(motion::movuv(n, 23.25f).v, 292.0f);
}

TEST(PathModel, SavepathThenLoadpathReproducesTheModelExactly) {
  Folder f;
  std::mt19937 gen(7);
  std::uniform_real_distribution<float> any(-2000.0f, 2000.0f);
  motion::PathModels models;
  motion::PathModel& m = models.model1;
  m.t0 = 23.987654f;
  m.uOrder = 5;
  m.vOrder = 3;
  for (int k = 1; k <= 6; ++k) m.cu[k] = any(gen) * std::pow(0.01f, static_cast<float>(k - 1));
  for (int k = 1; k <= 4; ++k) m.cv[k] = any(gen) / 3.0f;
  m.cv[2] = 0.1f;
  m.cv[3] = 1.0e-7f;
  ASSERT_TRUE(motion::svpth(f.console, f.path, models));
  motion::PathModels loaded;
  ASSERT_TRUE(motion::rdpth(f.console, f.path, loaded));
  EXPECT_TRUE(same(loaded.model1, m));
  // Model 2 has files of its own.
  models.model2 = quadratic();
  ASSERT_TRUE(motion::svpth2(f.console, f.path, models));
  ASSERT_TRUE(motion::rdpth2(f.console, f.path, loaded));
  EXPECT_TRUE(same(loaded.model2, quadratic()));
  EXPECT_TRUE(same(loaded.model1, m));
  EXPECT_EQ(f.read("vpath2.mdl"), " 1\n 21.25\n 300\n -4\n");
}

TEST(PathModel, LoadpathRefusesBadFilesAndKeepsTheModel) {
  struct Case {
    const char* what;
    const char* upath;  // nullptr: file missing
    const char* message;
  };
  const Case cases[] = {
      {"missing file", nullptr, "   error - cannot open file "},
      {"order above 5", " 6\n 1.0\n 1\n 2\n 3\n 4\n 5\n 6\n 7\n", "   error - order 6 in "},
      {"negative order", " -1\n 1.0\n", "   error - order -1 in "},
      {"short file", " 2\n 1.0\n 5\n 6\n", "   error - cannot read line 5 of "},
      {"malformed number", " 1\n t0\n 5\n 6\n", "   error - cannot read line 2 of "},
  };
  for (const Case& c : cases) {
    Folder f;
    if (c.upath) f.write("upath.mdl", c.upath);
    f.write("vpath.mdl", " 1\n 2.0\n 7\n 8\n");
    motion::PathModels models;
    models.model1 = quadratic();
    EXPECT_FALSE(motion::rdpth(f.console, f.path, models)) << c.what;
    EXPECT_TRUE(same(models.model1, quadratic())) << c.what;
    EXPECT_TRUE(f.saw(c.message)) << c.what << "\n" << f.out.str();
    EXPECT_TRUE(f.saw("upath.mdl")) << c.what;
    EXPECT_TRUE(f.saw("    path model (1) not changed\n")) << c.what;
  }
}

TEST(PathModel, LoadpathReadsLabelledFilesAndTakesT0FromTheVFile) {
  Folder f;
  f.write("upath.mdl", " 1 = highest power of (t-t0)\n 21.5 = t0\n 100.25 coefficient of (t-t0)**0\n"
                       " 3.5 coefficient of (t-t0)**1\n");
  f.write("vpath.mdl", " 0 = highest power of (t-t0)\n 21.75 = t0\n 50 coefficient of (t-t0)**0\n");
  motion::PathModels models;
  models.model1.cu[3] = 9.0f;  // stale slot: cleared by the load
  ASSERT_TRUE(motion::rdpth(f.console, f.path, models));
  const motion::PathModel& m = models.model1;
  EXPECT_EQ(m.uOrder, 1);
  EXPECT_EQ(m.vOrder, 0);
  EXPECT_EQ(m.t0, 21.75f);
  EXPECT_EQ(m.cu[1], 100.25f);
  EXPECT_EQ(m.cu[2], 3.5f);
  EXPECT_EQ(m.cu[3], 0.0f);
  EXPECT_EQ(m.cv[1], 50.0f);
  EXPECT_TRUE(f.saw("    reading path model from upath.mdl and vpath.mdl   \n"));
}

TEST(PathModel, AddpathCombinesWithinFiveHundredthsOfAMilliHourOnly) {
  // t0 4e-5 hours apart combines; 1e-4 hours apart is refused and nothing changes.
  for (float gap : {0.00004f, 0.0001f}) {
    Folder f;
    motion::PathModels models;
    models.model1 = quadratic();
    models.model2 = quadratic();
    models.model2.t0 = 21.25f + gap;
    motion::addpth(f.console, f.path, models);
    if (gap < 0.00005f) {
      EXPECT_FLOAT_EQ(models.model1.cu[2], 24.0f);
      EXPECT_FLOAT_EQ(models.model1.cu[3], -1.0f);
      EXPECT_EQ(models.model1.cu[1], 400.0f) << "constant terms stay";
      EXPECT_TRUE(fs::exists(f.dir / "upath.mdl"));
    } else {
      EXPECT_TRUE(same(models.model1, quadratic()));
      EXPECT_TRUE(f.saw("    cannot combine models - x-axes have different zero points!\n\n"));
      EXPECT_FALSE(fs::exists(f.dir / "upath.mdl"));
    }
  }
}

TEST(PathModel, AddpathKeepsTheMotionOfAHigherOrderModelTwo) {
  // A constant model 1 (fitted to positions in frames stacked along model 2) plus the linear
  // model 2: the combined model must move as model 2 does.
  Folder f;
  motion::PathModels models;
  models.model1.t0 = 22.0f;
  models.model1.cu[1] = 501.5f;
  models.model1.cv[1] = 250.25f;
  models.model2.t0 = 22.0f;
  models.model2.uOrder = models.model2.vOrder = 1;
  models.model2.cu[1] = 500.0f;
  models.model2.cu[2] = 8.0f;
  models.model2.cv[1] = 250.0f;
  models.model2.cv[2] = -3.0f;
  motion::addpth(f.console, f.path, models);
  EXPECT_EQ(models.model1.uOrder, 1);
  EXPECT_EQ(models.model1.vOrder, 1);
  motion::PathPosition p = motion::movuv(models.model1, 24.0f);
  EXPECT_FLOAT_EQ(p.u, 517.5f);
  EXPECT_FLOAT_EQ(p.v, 244.25f);
  EXPECT_EQ(f.read("upath.mdl"), " 1\n 22\n 501.5\n 8\n");
}

TEST(PathModel, OrderAnswersFollowTheScanningRule) {
  struct Case {
    const char* answer;
    int u, v;
  } cases[] = {
      {"2", 2, 2}, {"2 3", 2, 3}, {"2 3 1", 2, 1}, {"a", 0, 0}, {"", 0, 0},
      {"6", 6, 6}, {"0 7 9 3", 3, 3}, {"u=2,v=4", 2, 4}, {"order 1", 1, 1},
  };
  for (const Case& c : cases) {
    motion::PathOrders o = motion::scanOrders(c.answer);
    EXPECT_EQ(o.u, c.u) << c.answer;
    EXPECT_EQ(o.v, c.v) << c.answer;
  }
}

TEST(PathModel, ShowpathPrintsEveryPowerUpToTheHigherOrder) {
  Folder f;
  motion::spmcf(f.console, quadratic());
  EXPECT_EQ(f.out.str(),
            "\n   fitted model to path: \n\n"
            "    time zero = 21.2500\n"
            "    highest power of t (u) 2   (v) 1\n"
            "    coefficients of (t-tzero)^0   (u)   400.000000         (v)   300.000000\n"
            "    coefficients of (t-tzero)^1   (u)    12.000000         (v)    -4.000000\n"
            "    coefficients of (t-tzero)^2   (u)    -0.500000         (v)     0.000000\n\n");
}

// ---------------------------------------------------------------- fit to measured positions

std::string noisyQuadraticPath(double sigma, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> noise(0.0, sigma);
  std::string text;
  for (int i = 0; i < 48; ++i) {
    const double t = 22.9 + 0.05 * i, x = t - 22.9;
    const double u = 1180.4 + 21.0 * x - 1.5 * x * x + noise(gen);  // beyond 1000: needs the whole digits
    const double v = 310.2 - 6.0 * x + noise(gen);
    char buf[160];
    std::snprintf(buf, sizeof buf, "  %.4f , %8.3f , %8.3f , ast1 , frame%03d.fts ,  0.00,  0.00\n", t, u, v, i);
    text += buf;
  }
  return text;
}

TEST(PathModel, FitpathRecoversANoisyQuadraticPathWithinItsExpectedError) {
  // 48 positions over 2.35 hours with 0.05-pixel noise. Standard errors (sigma times the root
  // of the diagonal of the inverse normal matrix, computed with numpy): quadratic u 0.0208 px,
  // 0.0409 px/h, 0.0168 px/h^2; linear v 0.0142 px, 0.0104 px/h. Allowed: four of them.
  Folder f("2 1\n");
  f.write("objectpath.txt", noisyQuadraticPath(0.05, 99));
  motion::PathModels models;
  ASSERT_TRUE(motion::fitpth(f.console, f.path, models, motion::PathEpoch::FirstPosition)) << f.out.str();
  ASSERT_TRUE(motion::rdpth(f.console, f.path, models));
  const motion::PathModel& m = models.model1;
  EXPECT_EQ(m.t0, 22.9f);
  EXPECT_EQ(m.uOrder, 2);
  EXPECT_EQ(m.vOrder, 1);
  EXPECT_NEAR(m.cu[1], 1180.4, 0.083);
  EXPECT_NEAR(m.cu[2], 21.0, 0.164);
  EXPECT_NEAR(m.cu[3], -1.5, 0.067);
  EXPECT_NEAR(m.cv[1], 310.2, 0.057);
  EXPECT_NEAR(m.cv[2], -6.0, 0.042);
  EXPECT_EQ(m.cv[3], 0.0f);
  const std::string u = f.read("upath.mdl");
  EXPECT_EQ(u.substr(0, 30), " 2 = highest power of (t-t0)\n ");
  EXPECT_NE(u.find(" coefficient of (t-t0)**2\n"), std::string::npos);
}

TEST(PathModel, FitstackedTakesT0FromModelTwo) {
  Folder f("1\n");
  f.write("objectpath.txt", " 22.500, 100.0, 200.0\n 23.500, 104.0, 199.0\n");
  motion::PathModels models;
  models.model2.t0 = 22.0f;
  ASSERT_TRUE(motion::fitpth(f.console, f.path, models, motion::PathEpoch::Model2));
  ASSERT_TRUE(motion::rdpth(f.console, f.path, models));
  EXPECT_EQ(models.model1.t0, 22.0f);
  EXPECT_FLOAT_EQ(models.model1.cu[1], 98.0f);
  EXPECT_FLOAT_EQ(models.model1.cu[2], 4.0f);
  EXPECT_FLOAT_EQ(models.model1.cv[1], 200.5f);
  EXPECT_TRUE(f.saw("   t0 = 22.00000\n   order of fit (1=linear, 2=quadratic etc): "));
}

TEST(PathModel, AFailedFitLeavesTheModelFilesAsTheyWere) {
  struct Case {
    const char* what;
    const char* objectpath;  // nullptr: missing
    const char* answers;
  } cases[] = {
      {"missing objectpath.txt", nullptr, "1\n"},
      {"one position for a linear fit", " 22.0, 100.0, 200.0\n", "1\n"},
      {"all times equal", " 22.0, 100.0, 200.0\n 22.0, 101.0, 201.0\n", "1\n"},
      {"v order too high for the points", " 22.0, 100, 200\n 22.5, 101, 201\n", "1 2\n"},
      {"empty file", "", "0\n"},
      {"malformed line", " 22.0, 100.0, 200.0\n 22.5, 101.0\n", "1\n"},
  };
  for (const Case& c : cases) {
    Folder f(c.answers);
    if (c.objectpath) f.write("objectpath.txt", c.objectpath);
    f.write("upath.mdl", "old u\n");
    f.write("vpath.mdl", "old v\n");
    motion::PathModels models;
    EXPECT_FALSE(motion::fitpth(f.console, f.path, models, motion::PathEpoch::FirstPosition)) << c.what;
    EXPECT_EQ(f.read("upath.mdl"), "old u\n") << c.what;
    EXPECT_EQ(f.read("vpath.mdl"), "old v\n") << c.what;
    EXPECT_TRUE(f.saw("   path model files not changed\n")) << c.what << "\n" << f.out.str();
  }
}

TEST(PathModel, OrderAboveFiveIsAskedAgain) {
  Folder f("6\n3 6\n0\n");
  f.write("objectpath.txt", " 22.0, 100.0, 200.0\n");
  motion::PathModels models;
  ASSERT_TRUE(motion::fitpth(f.console, f.path, models, motion::PathEpoch::FirstPosition));
  const std::string q = "   order of fit (1=linear, 2=quadratic etc): ";
  const std::string no = "   not higher than 5, please!\n";
  EXPECT_EQ(f.out.str().substr(0, 3 * q.size() + 2 * no.size()), q + no + q + no + q);
  EXPECT_EQ(f.read("upath.mdl"),
            " 0 = highest power of (t-t0)\n 22 = t0\n 100 coefficient of (t-t0)**0\n");
}

// ---------------------------------------------------------------- estimate from two positions

struct Night {
  align::AlignmentTable table;
  Night() {
    auto set = [&](int k, const char* name, float t, float du, float dv, float rot) {
      align::AlignmentEntry& e = table.entries[k];
      e.name = textio::fixed(name, 20);
      e.time = t;
      e.du = du;
      e.dv = dv;
      e.rotation = rot;
    };
    set(1, "a001", 1.0f, 0.0f, 0.0f, 0.0f);
    set(2, "a002", 2.0f, 0.0f, 0.0f, 0.0f);
    set(3, "a003", 3.0f, 0.0f, 0.0f, 0.0f);
    set(4, "b001", 1.0f, 5.0f, -3.0f, 0.0f);
    set(5, "b002", 3.0f, -2.0f, 4.0f, 90.0f);
    set(6, "dup", 2.5f, 0.0f, 0.0f, 0.0f);
    set(7, "dup", 2.75f, 0.0f, 0.0f, 0.0f);
  }
};

TEST(PathModel, EstimateFromTwoPositionsGivesTheLinearMotion) {
  Folder f;
  Night n;
  motion::PathModels models;
  float frameTime = 0.0f;
  motion::estpth(f.console, n.table, {}, {"a001.fts", 10.0f, 20.0f}, {"a003", 13.0f, 18.0f}, frameTime, models);
  const motion::PathModel& m = models.model1;
  EXPECT_EQ(m.uOrder, 1);
  EXPECT_EQ(m.vOrder, 1);
  EXPECT_EQ(m.t0, 1.0f);
  EXPECT_EQ(m.cu[1], 10.0f);
  EXPECT_EQ(m.cv[1], 20.0f);
  EXPECT_FLOAT_EQ(m.cu[2], 1.5f);
  EXPECT_FLOAT_EQ(m.cv[2], -1.0f);
  EXPECT_TRUE(same(models.model2, m));
  EXPECT_EQ(frameTime, 3.0f);
  EXPECT_EQ(f.out.str(),
            "\n"
            "    first image du, dv, rotation =    0.0    0.0    0.0\n"
            "    object position #1  t =  1.000 U,V =   10.0   20.0\n"
            "\n"
            "    first image du, dv, rotation =    0.0    0.0    0.0\n"
            "    object position #2  t =  3.000 U,V =   13.0   18.0\n"
            "\n\n  provisional path calculated but not saved to file\n\n"
            "  you should now switch motion ON, then update positions with tracking enabled\n");
}

TEST(PathModel, EstimateCarriesObservedPositionsIntoTheFiducialFrame) {
  // b001 is shifted by (5, -3); b002 by (-2, 4) after a 90-degree rotation, under which the
  // fiducial position (x, y) appears at (y, -x) before the shift.
  Folder f;
  Night n;
  motion::PathModels models;
  float frameTime = 0.0f;
  motion::estpth(f.console, n.table, {}, {"b001", 15.0f, 17.0f}, {"b002", 20.0f - 2.0f, -16.0f + 4.0f}, frameTime,
                 models);
  EXPECT_NEAR(models.model1.cu[1], 10.0f, 1e-4);
  EXPECT_NEAR(models.model1.cv[1], 20.0f, 1e-4);
  EXPECT_NEAR(models.model1.cu[2], 3.0f, 1e-4);   // to (16, 20) in two hours
  EXPECT_NEAR(models.model1.cv[2], 0.0f, 1e-4);
}

TEST(PathModel, EstimateNeedsBothFramesAndDistinctTimes) {
  struct Case {
    const char* a;
    const char* b;
    const char* message;
  } cases[] = {
      {"a001", "zzz", "   ERROR - cannot match the two files!\n"},
      {"dup", "nothere", "   ERROR - cannot match the two files!\n"},  // one name twice is not two
      {"", "a001", "   ERROR - cannot match the two files!\n"},        // a blank name is no frame
      {"a001", "b001.fit", "   ERROR - time difference zero! \n"},
  };
  for (const Case& c : cases) {
    Folder f;
    Night n;
    motion::PathModels models;
    models.model1 = quadratic();
    models.model2 = quadratic();
    float frameTime = 0.0f;
    motion::estpth(f.console, n.table, {}, {c.a, 10.0f, 20.0f}, {c.b, 13.0f, 18.0f}, frameTime, models);
    EXPECT_TRUE(f.saw(c.message)) << c.a << " " << c.b << "\n" << f.out.str();
    EXPECT_TRUE(same(models.model2, quadratic())) << c.a;
    if (std::strcmp(c.message, "   ERROR - time difference zero! \n") == 0) {
      EXPECT_EQ(models.model1.uOrder, 1);
      EXPECT_EQ(models.model1.t0, 1.0f);
      EXPECT_EQ(models.model1.cu[1], 10.0f);
      EXPECT_EQ(models.model1.cu[2], 0.0f);
      EXPECT_EQ(models.model1.cu[3], 0.0f);
    } else {
      EXPECT_TRUE(same(models.model1, quadratic())) << c.a;
    }
  }
}

}  // namespace

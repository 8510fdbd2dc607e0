// Rotation model: the fit over the alignment table and the rotate.mdl file.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "align/rotation_model.h"
#include "motion/rotation_fit.h"
#include "tests/support/run_pelm.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace fs = std::filesystem;

namespace {

struct RotRun {
  fs::path dir = testsupport::freshFolder("rotfit");
  std::string path = dir.string() + "/";
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};
  std::unique_ptr<align::AlignmentTable> table = std::make_unique<align::AlignmentTable>();

  explicit RotRun(const std::string& answers) : in(answers) {
    for (align::AlignmentEntry& e : table->entries) e.rotation = 1000.0f;  // as a load leaves them
  }
  ~RotRun() { fs::remove_all(dir); }
  void set(int k, const std::string& name, float time, float rotation) {
    align::AlignmentEntry& e = table->entries[k];
    e.name = textio::fixed(name, 20);
    e.time = time;
    e.rotation = rotation;
  }
  align::RotationModel model() {
    align::RotationModel m;
    std::string error;
    EXPECT_TRUE(align::readRotationModel((dir / "rotate.mdl").string(), m, error)) << error;
    return m;
  }
};

TEST(RotationFit, ThreeRotationsOnALine) {
  RotRun r("1\n");
  r.set(1, "f1", 1.0f, 0.1f);
  r.set(2, "f2", 2.0f, 0.2f);
  r.set(3, "f3", 3.0f, 0.3f);
  ASSERT_TRUE(motion::fitrot(r.console, r.path, *r.table)) << r.out.str();
  align::RotationModel m = r.model();
  EXPECT_EQ(m.order, 1);
  EXPECT_EQ(m.t0, 1.0);
  EXPECT_NEAR(m.c[0], 0.1, 1e-7);  // the rotations are 4-byte values
  EXPECT_NEAR(m.c[1], 0.1, 1e-7);
  EXPECT_NE(r.out.str().find("  rotation model written to rotate.mdl\n\n"
                             "  you should now re-run alignr to put this fit into the alignment table\n\n"),
            std::string::npos);
}

TEST(RotationFit, KnownLinearDriftAcrossMidnightIsRecovered) {
  // 40 frames from 22.0 h to 25.9 h (after midnight on the corrected scale), the field turning
  // by 0.12 degrees an hour from 0.35 degrees; frames without rotation and empty entries between.
  RotRun r("1\n");
  int k = 0;
  for (int i = 0; i < 40; ++i) {
    const float t = 22.0f + 0.1f * static_cast<float>(i);
    r.set(++k, "f" + std::to_string(i), t, 0.35f + 0.12f * (t - 22.0f));
    if (i % 7 == 3) r.set(++k, "nomatch" + std::to_string(i), t, 999.99902f);
    if (i % 9 == 4) r.set(++k, "unloaded" + std::to_string(i), t, 1000.0f);
    if (i % 11 == 5) ++k;  // empty entry
  }
  ASSERT_TRUE(motion::fitrot(r.console, r.path, *r.table)) << r.out.str();
  align::RotationModel m = r.model();
  EXPECT_EQ(m.t0, 22.0);
  EXPECT_NEAR(m.c[0], 0.35, 2e-6);
  EXPECT_NEAR(m.c[1], 0.12, 2e-6);
  EXPECT_NEAR(m.at(25.5), 0.35 + 0.12 * 3.5, 1e-5);
  std::istringstream xy(testsupport::readFile(r.dir / "xy.dat"));
  int lines = 0;
  for (std::string l; std::getline(xy, l);) {
    ++lines;
    EXPECT_EQ(l.find("999.99"), std::string::npos) << l;
    EXPECT_EQ(l.find(" 1000"), std::string::npos) << l;
  }
  EXPECT_EQ(lines, 40);
}

TEST(RotationFit, OrderSevenIsRefusedAndSixAccepted) {
  RotRun r("7\n-1\n6\n");
  for (int i = 0; i < 12; ++i) r.set(i + 1, "f" + std::to_string(i), 1.0f + 0.5f * static_cast<float>(i), 0.25f);
  ASSERT_TRUE(motion::fitrot(r.console, r.path, *r.table)) << r.out.str();
  const std::string q = "   order of fit (1=linear, 2=quadratic etc): ";
  EXPECT_NE(r.out.str().find(q + "   not higher than 6, please!\n" + q + "   not lower than 0, please!\n" + q +
                             " opening file "),
            std::string::npos)
      << r.out.str();
  align::RotationModel m = r.model();
  EXPECT_EQ(m.order, 6);
  EXPECT_NEAR(m.c[0], 0.25, 1e-9);
  for (int k = 1; k <= 6; ++k) EXPECT_NEAR(m.c[static_cast<size_t>(k)], 0.0, 1e-9) << k;
}

TEST(RotationFit, NoUsableRotationKeepsTheOldModel) {
  RotRun r("1\n");
  r.set(1, "f1", 1.0f, 999.99902f);
  r.set(2, "f2", 2.0f, 0.5f);  // one point cannot fix a line
  testsupport::writeFile(r.dir / "rotate.mdl", "old model\n");
  EXPECT_FALSE(motion::fitrot(r.console, r.path, *r.table));
  EXPECT_EQ(testsupport::readFile(r.dir / "rotate.mdl"), "old model\n");
  EXPECT_NE(r.out.str().find("   error - no unique solution (too few distinct points?)\n   rotate.mdl not changed\n"),
            std::string::npos);
}

TEST(RotationModelFile, WrittenModelReadsBackExactlyAndOrdersAboveSixAreRefused) {
  fs::path dir = testsupport::freshFolder("rotmdl");
  align::RotationModel m;
  m.order = 3;
  m.t0 = 23.123456789012345;
  m.c = {0.1, -2.5e-3, 1.0 / 3.0, 7e-9, 0, 0, 0};
  const std::string host = (dir / "rotate.mdl").string();
  testsupport::writeFile(host, align::rotationModelText(m));
  EXPECT_EQ(testsupport::readFile(host).substr(0, 51), " 3 = highest power of (t-t0)\n 23.123456789012344 = ");
  align::RotationModel back;
  std::string error;
  ASSERT_TRUE(align::readRotationModel(host, back, error)) << error;
  EXPECT_EQ(back.order, 3);
  EXPECT_EQ(back.t0, m.t0);
  EXPECT_EQ(back.c, m.c);

  testsupport::writeFile(host, " 7 = highest power of (t-t0)\n 1.0 = t0\n" + std::string(8, '1') + "\n");
  back = m;
  EXPECT_FALSE(align::readRotationModel(host, back, error));
  EXPECT_NE(error.find("order 7"), std::string::npos) << error;
  EXPECT_EQ(back.t0, m.t0) << "model untouched";
  EXPECT_FALSE(align::readRotationModel((dir / "none.mdl").string(), back, error));
  EXPECT_NE(error.find("none.mdl"), std::string::npos);
  fs::remove_all(dir);
}

}  // namespace

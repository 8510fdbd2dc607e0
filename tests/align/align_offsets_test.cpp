// Offset-only alignment: the matching test, hypotheses, doubled images, the star list reader
// and whole runs writing align.dat and align.txt.
#include "align/align_offsets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "core/settings.h"
#include "tests/align/star_list_text.h"
#include "tests/support/run_pelm.h"
#include "textio/console.h"

namespace fs = std::filesystem;
using aligntest::Star;

namespace {

const std::vector<Star> kPattern = {{120.3, 88.7}, {402.55, 310.1}, {250.0, 700.25}, {910.8, 455.4},
                                    {60.1, 980.9}};

void setFiducials(align::MatchTables& t, const std::vector<Star>& stars) {
  t.fiducialCount = static_cast<int>(stars.size());
  for (int k = 1; k <= t.fiducialCount; ++k) {
    t.fidX[k] = t.fidU[k] = static_cast<float>(stars[k - 1].u);
    t.fidY[k] = t.fidV[k] = static_cast<float>(stars[k - 1].v);
  }
}

void setFrame(align::MatchTables& t, const std::vector<Star>& stars) {
  t.frameStarCount = static_cast<int>(stars.size());
  for (int i = 1; i <= t.frameStarCount; ++i) {
    t.starX[i] = t.starU[i] = static_cast<float>(stars[i - 1].u);
    t.starY[i] = t.starV[i] = static_cast<float>(stars[i - 1].v);
  }
}

TEST(AlignMatching, ToleranceIsStrictAndTheFirstStarInListOrderWins) {
  align::MatchTables t;
  setFrame(t, {{100.0, 100.0}, {101.0, 100.0}});
  int found = -1;
  float xm = 0, ym = 0;
  align::test(t, 102.0f, 100.0f, 2.0f, found, xm, ym);  // nearest star exactly 1.0 away: (101, 100)
  EXPECT_EQ(found, 1);
  EXPECT_EQ(xm, 101.0f);
  align::test(t, 103.0f, 100.0f, 2.0f, found, xm, ym);  // exactly 2.0 from (101, 100): no match
  EXPECT_EQ(found, 0);
  align::test(t, 102.99f, 100.0f, 2.0f, found, xm, ym);
  EXPECT_EQ(found, 1);
  align::test(t, 100.5f, 100.0f, 2.0f, found, xm, ym);  // both within: the first listed
  EXPECT_EQ(xm, 100.0f);
}

TEST(AlignMatching, IdenticalAndShiftedFramesGiveTheirOffsets) {
  align::MatchTables t;
  setFiducials(t, kPattern);
  std::vector<Star> frame = kPattern;
  frame.insert(frame.begin() + 2, Star{500.0, 500.0});  // an extra star that is not fiducial
  setFrame(t, frame);
  align::FrameMatch m = align::matchFrame(t, 2.0f, true);
  EXPECT_TRUE(m.aligned);
  EXPECT_EQ(m.hypotheses, 1);
  EXPECT_EQ(m.du, 0.0f);
  EXPECT_EQ(m.dv, 0.0f);
  EXPECT_EQ(m.rms, 0.0f);
  setFrame(t, aligntest::shifted(frame, 3.0, -1.5));
  m = align::matchFrame(t, 2.0f, true);
  ASSERT_TRUE(m.aligned);
  EXPECT_NEAR(m.du, 3.0f, 1e-4f);
  EXPECT_NEAR(m.dv, -1.5f, 1e-4f);
  // A star missing from the frame: no hypothesis survives.
  std::vector<Star> missing = aligntest::shifted(kPattern, 3.0, -1.5);
  missing.pop_back();
  setFrame(t, missing);
  m = align::matchFrame(t, 2.0f, true);
  EXPECT_FALSE(m.aligned);
  EXPECT_EQ(m.du, 9999.99f);
}

TEST(AlignMatching, OffsetIsTheMeanOverTheMatchedStarsWithItsRms) {
  align::MatchTables t;
  setFiducials(t, {{100.0, 100.0}, {300.0, 100.0}});
  setFrame(t, {{110.5, 100.0}, {310.0, 100.0}});  // offsets 10.5 and 10.0
  align::FrameMatch m = align::matchFrame(t, 2.0f, true);
  ASSERT_TRUE(m.aligned);
  EXPECT_NEAR(m.du, 10.25f, 1e-5f);
  EXPECT_NEAR(m.dv, 0.0f, 1e-5f);
  EXPECT_NEAR(m.rms, 0.25f, 1e-5f);
}

TEST(AlignMatching, DoubledImagesFailUnlessRejectionIsOff) {
  align::MatchTables t;
  setFiducials(t, kPattern);
  std::vector<Star> frame = aligntest::shifted(kPattern, 1.0, 1.0);
  std::vector<Star> ghost = aligntest::shifted(kPattern, 21.0, 6.0);
  frame.insert(frame.end(), ghost.begin(), ghost.end());
  setFrame(t, frame);
  align::FrameMatch m = align::matchFrame(t, 2.0f, true);
  EXPECT_EQ(m.hypotheses, 2);
  EXPECT_FALSE(m.aligned);
  EXPECT_EQ(m.du, 9999.99f);
  m = align::matchFrame(t, 2.0f, false);
  ASSERT_TRUE(m.aligned);
  EXPECT_NEAR(m.du, 21.0f, 1e-4f);  // the later star in list order
  EXPECT_NEAR(m.dv, 6.0f, 1e-4f);
}

TEST(AlignMatching, FailedHypothesisLeavesTheOffsetUnchanged) {
  align::MatchTables t;
  setFiducials(t, kPattern);
  setFrame(t, {{5.0, 5.0}, {7.0, 9.0}});
  int found = -1;
  float du = 42.0f, dv = 43.0f;
  align::fidtst(t, 1, 1, found, du, dv, 2.0f);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(du, 42.0f);
  EXPECT_EQ(dv, 43.0f);
}

TEST(AlignMatching, FwhmRounding) {
  align::FrameBlock b;
  EXPECT_EQ(align::frameFwhm(b), 0);
  b.stars = {{1, 1, 3}, {2, 2, 3}, {3, 3, 4}};
  EXPECT_EQ(align::frameFwhm(b), 3);  // 3.33
  b.stars = {{1, 1, 3}, {2, 2, 4}};
  EXPECT_EQ(align::frameFwhm(b), 4);  // 3.5
}

TEST(AlignStarList, EndMarkerAndStarLimit) {
  std::vector<Star> many;
  for (int i = 0; i < 450; ++i) many.push_back({10.0 + i, 20.0 + i});
  std::string text = aligntest::block("a.fts", 1000, 1.5, {{9998.0, 5.0}, {5.0, 5.0}}, false) +
                     " 9998.50 9999.00  0  0.0\n" + aligntest::block("b.fts", 1100, 1.6, many) +
                     aligntest::block("c.fts", 1200, 1.7, {{7.0, 8.0, 5}});
  std::istringstream in(text);
  align::StarListReader reader(in, 400);
  align::FrameBlock b;
  ASSERT_EQ(reader.next(b), align::BlockRead::Frame);
  EXPECT_EQ(b.name, "a.fts               ");
  EXPECT_EQ(b.sky, 1000.0f);
  EXPECT_FLOAT_EQ(b.time, 1.5f);
  ASSERT_EQ(b.stars.size(), 2u);  // u = 9998.0 is a star; 9998.5 ends the frame
  EXPECT_EQ(b.stars[0].u, 9998.0f);
  ASSERT_EQ(reader.next(b), align::BlockRead::Frame);
  EXPECT_EQ(b.stars.size(), 400u);
  EXPECT_EQ(b.stars[399].u, 409.0f);
  ASSERT_EQ(reader.next(b), align::BlockRead::Frame);  // the lines past the 400th are passed over
  EXPECT_EQ(b.name, "c.fts               ");
  EXPECT_EQ(b.stars[0].width, 5);
  EXPECT_EQ(reader.next(b), align::BlockRead::End);
}

TEST(AlignStarList, TruncatedBlockAndUnreadableLine) {
  std::istringstream cut(aligntest::block("a.fts", 1000, 1.5, {{5.0, 5.0}}, false));
  align::StarListReader r1(cut);
  align::FrameBlock b;
  EXPECT_EQ(r1.next(b), align::BlockRead::Truncated);
  EXPECT_EQ(r1.problemLine(), 0);
  std::istringstream bad(aligntest::block("a.fts", 1000, 1.5, {{5.0, 5.0}}) + "\n  stars found in b\n"
                         "  estimated sky value =     10.\n  time (hours) = xx\n");
  align::StarListReader r2(bad);
  EXPECT_EQ(r2.next(b), align::BlockRead::Frame);
  EXPECT_EQ(r2.next(b), align::BlockRead::Truncated);
  EXPECT_EQ(r2.problemLine(), 11);
}

// Whole runs in a temporary working directory.
struct AlignRunFixture : ::testing::Test {
  fs::path dir = testsupport::freshFolder("align");
  core::Settings settings;
  std::istringstream keys;
  std::ostringstream screen;
  textio::Console console{keys, screen};

  void SetUp() override {
    settings.workingPath = textio::fixed(dir.string() + "/", 80);
    settings.starListFile = textio::fixed("stars.lst", 20);
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir);
  }
  align::AlignRun run(const std::string& answers) {
    keys.str(answers);
    keys.clear();
    screen.str("");
    return align::alignOffsets(console, settings);
  }
};

TEST_F(AlignRunFixture, MidnightConsoleLinesAndBothFiles) {
  testsupport::writeFile(dir / "stars.fid", aligntest::fidFile(kPattern));
  testsupport::writeFile(dir / "stars.lst",
                         aligntest::block("img001.fts", 1203, 23.8, kPattern) +
                             aligntest::block("img002.fts", 1210, 0.2, aligntest::shifted(kPattern, 3.0, -1.5)) +
                             aligntest::block("img003.fts", 1190, 0.25, {{10, 10}, {20, 20, 4}}));
  align::AlignRun r = run("y\n");
  EXPECT_TRUE(r.ran);
  EXPECT_EQ(r.found, 3);
  EXPECT_EQ(r.matched, 2);
  const std::string lines[] = {
      " img001.fts           23.8000    0.00    0.00    0.00000     3    1203.0  0.00",
      " img002.fts           24.2000    3.00   -1.50    0.00000     3    1210.0  0.00",
      " img003.fts           24.2500 9999.99 9999.99    0.00000     4    1190.0 99.99"};
  std::string expected =
      "  reading coordinates of fiducial stars ...\n"
      "           120.30   88.70\n"
      "           402.55  310.10\n"
      "           250.00  700.25\n"
      "           910.80  455.40\n"
      "            60.10  980.90\n"
      " number of fiducial stars  =   5\n"
      "  try to reject double images y/n [y] : \n"
      "  file                 time      du      dv      rotate    fwhm     sky   rms\n"
      "                                                 degree\n" +
      lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n" +
      "\n"
      " please remember, don't forget ...\n"
      "   offset is in sense observed minus fiducial\n"
      "   tolerance for match is 2 pixels \n"
      "\n"
      "   centre of pixel is at u.0, v.0\n"
      "\n"
      "\n"
      " files matched =   2 out of   3       66.7 percent\n"
      "\n"
      " alignment data written to align.dat\n"
      " alignment data in CSV format written to align.txt\n"
      "\n";
  EXPECT_EQ(screen.str(), expected);
  EXPECT_EQ(testsupport::readFile(dir / "align.dat"), lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n");
  EXPECT_EQ(testsupport::readFile(dir / "align.txt"),
            " \"img001.fts          \",23.8000,   0.00,   0.00,  0.000,   3,   1203.0, 0.00\n"
            " \"img002.fts          \",24.2000,   3.00,  -1.50,  0.000,   3,   1210.0, 0.00\n");
}

TEST_F(AlignRunFixture, DoubledImageAnswerN) {
  testsupport::writeFile(dir / "stars.fid", aligntest::fidFile(kPattern));
  std::vector<Star> doubled = aligntest::shifted(kPattern, 1.0, 1.0);
  std::vector<Star> ghost = aligntest::shifted(kPattern, 21.0, 6.0);
  doubled.insert(doubled.end(), ghost.begin(), ghost.end());
  testsupport::writeFile(dir / "stars.lst", aligntest::block("d.fts", 100, 2.0, doubled));
  // no frame matched: nothing is written
  EXPECT_EQ(run("\n").matched, 0);
  EXPECT_NE(screen.str().find("9999.99 9999.99"), std::string::npos);
  EXPECT_NE(screen.str().find(" no frame matched: align.dat and align.txt are left as they were\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "align.dat"));
  EXPECT_FALSE(fs::exists(dir / "align.txt"));
  EXPECT_EQ(run("n\n").matched, 1);
  EXPECT_NE(testsupport::readFile(dir / "align.dat").find("   21.00    6.00"), std::string::npos);
}

TEST_F(AlignRunFixture, MissingInputsTouchNoOutput) {
  testsupport::writeFile(dir / "align.dat", "previous\n");
  testsupport::writeFile(dir / "align.txt", "previous csv\n");
  align::AlignRun r = run("y\n");  // no stars.fid
  EXPECT_FALSE(r.ran);
  EXPECT_EQ(screen.str(), "  reading coordinates of fiducial stars ...\n    error -  cannot open file stars.fid\n\n");
  testsupport::writeFile(dir / "stars.fid", aligntest::fidFile({kPattern[0]}));
  testsupport::writeFile(dir / "stars.lst", aligntest::block("a.fts", 100, 2.0, kPattern));
  r = run("y\n");  // one fiducial star only
  EXPECT_FALSE(r.ran);
  EXPECT_NE(screen.str().find("at least two fiducial stars"), std::string::npos);
  testsupport::writeFile(dir / "stars.fid", aligntest::fidFile(kPattern));
  fs::remove(dir / "stars.lst");
  r = run("y\n");  // no star list
  EXPECT_FALSE(r.ran);
  EXPECT_NE(screen.str().find("cannot open star position list file stars.lst"), std::string::npos);
  EXPECT_EQ(testsupport::readFile(dir / "align.dat"), "previous\n");
  EXPECT_EQ(testsupport::readFile(dir / "align.txt"), "previous csv\n");
}

TEST_F(AlignRunFixture, EmptyListReportsZeroOfZeroAndKeepsTheTable) {
  testsupport::writeFile(dir / "stars.fid", aligntest::fidFile(kPattern));
  testsupport::writeFile(dir / "stars.lst", "");
  testsupport::writeFile(dir / "align.dat", "previous\n");
  testsupport::writeFile(dir / "align.txt", "previous csv\n");
  align::AlignRun r = run("y\n");
  EXPECT_FALSE(r.ran);
  EXPECT_NE(screen.str().find(" files matched =   0 out of   0        0.0 percent\n\n"
                              " no frame matched: align.dat and align.txt are left as they were\n\n"),
            std::string::npos);
  EXPECT_EQ(screen.str().find("written to align.dat"), std::string::npos);
  EXPECT_EQ(testsupport::readFile(dir / "align.dat"), "previous\n");
  EXPECT_EQ(testsupport::readFile(dir / "align.txt"), "previous csv\n");
}

}  // namespace

// Pixel arithmetic: the clipping and truncation rules with their worked examples, marks,
// averages, path marking and the rotated resampling.
#include "calib/pixel_ops.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/calib/synthetic_frames.h"
#include "tests/support/run_pelm.h"
#include "textio/fixed_text.h"

namespace {

using calibtest::blank;

// A 1-row image holding the given values (i = 1, 2, ...).
std::unique_ptr<image::Workspaces> row(std::initializer_list<int32_t> values) {
  auto ws = blank(static_cast<int32_t>(values.size()), 1);
  int32_t i = 1;
  for (int32_t v : values) ws->put(i++, 1, v);
  return ws;
}

std::vector<int32_t> pixels(const image::Workspaces& ws) {
  std::vector<int32_t> out;
  for (int32_t i = 1; i <= ws.nx; ++i) {
    for (int32_t j = 1; j <= ws.ny; ++j) {
      int32_t v = 0;
      EXPECT_TRUE(ws.get(i, j, v));
      out.push_back(v);
    }
  }
  return out;
}

TEST(CalibClipping, MultiplyTruncatesAndClips) {
  auto ws = row({1000, 3, 70000, 32768, -5, 0});
  calib::multip(*ws, 1.5f);
  EXPECT_EQ(pixels(*ws), (std::vector<int32_t>{1500, 4, 65535, 49152, 0, 0}));
  auto neg = row({1, 500, 65535, -7});
  calib::multip(*neg, -1.0f);  // every positive pixel becomes 0; a negative one turns positive
  EXPECT_EQ(pixels(*neg), (std::vector<int32_t>{0, 0, 0, 7}));
  auto edge = row({32768, 3});
  calib::multip(*edge, 2.0f);  // 65536 is clipped; 3 x 2 = 6
  EXPECT_EQ(pixels(*edge), (std::vector<int32_t>{65535, 6}));
}

TEST(CalibClipping, SubtractIntegerClipsBothEnds) {
  auto ws = row({65530, 3, 100});
  calib::subtra(*ws, -10);
  EXPECT_EQ(pixels(*ws), (std::vector<int32_t>{65535, 13, 110}));
  auto down = row({3, 100, 5});
  calib::subtra(*down, 5);
  EXPECT_EQ(pixels(*down), (std::vector<int32_t>{0, 95, 0}));
  auto huge = row({2147483000});
  calib::subtra(*huge, -2147483000);  // no overflow: clipped to 65535
  EXPECT_EQ(pixels(*huge), (std::vector<int32_t>{65535}));
}

TEST(CalibClipping, SubtractRealTruncatesAndClips) {
  auto ws = row({65536, 65535, 100, 5});
  calib::subval(*ws, -1.5f);  // 65537.5 -> 65537 -> 65536
  EXPECT_EQ(pixels(*ws), (std::vector<int32_t>{65536, 65536, 101, 6}));
  auto down = row({100, 5, 11});
  calib::subval(*down, 10.7f);  // 89.3 -> 89; -5.7 -> 0; 0.3 -> 0
  EXPECT_EQ(pixels(*down), (std::vector<int32_t>{89, 0, 0}));
}

TEST(CalibClipping, ContrastStretchesFromTruncatedLevel) {
  auto ws = row({99, 100, 101, 110, 30000, -50});
  calib::contrst(*ws, 100.7f, 3.0f);  // L = 100
  EXPECT_EQ(pixels(*ws), (std::vector<int32_t>{99, 100, 103, 130, 65534, -50}));
  auto half = row({100, 101, 103});
  calib::contrst(*half, 100.7f, 0.5f);  // 100 + 0.5 -> 100, 100 + 1.5 -> 101
  EXPECT_EQ(pixels(*half), (std::vector<int32_t>{100, 100, 101}));
}

TEST(CalibClipping, DarkSubtractionNeverNegative) {
  auto ws = row({500, 100, 50});
  ws->put2(1, 1, 120);
  ws->put2(2, 1, 100);
  ws->put2(3, 1, 80);
  calib::subtractDark(*ws);
  EXPECT_EQ(pixels(*ws), (std::vector<int32_t>{380, 0, 0}));
}

TEST(CalibClipping, RoundHalvesAwayFromZero) {
  int32_t ix = 0, iy = 0;
  calib::round(-2.5f, 2.4999f, ix, iy);
  EXPECT_EQ(ix, -3);
  EXPECT_EQ(iy, 2);
  calib::round(2.5f, -0.4f, ix, iy);
  EXPECT_EQ(ix, 3);
  EXPECT_EQ(iy, 0);
  EXPECT_EQ(calib::roundHalfAway(-7.49f), -7);
}

TEST(CalibMarks, MaskZeroesOutsideTheInclusiveBox) {
  auto ws = blank(6, 5);
  calib::setall(*ws, 6, 5, 9);
  calib::mask(*ws, 2, 4, 3, 5);
  int32_t v = -1;
  for (int32_t i = 1; i <= 6; ++i) {
    for (int32_t j = 1; j <= 5; ++j) {
      ASSERT_TRUE(ws->get(i, j, v));
      bool inside = i >= 2 && i <= 4 && j >= 3 && j <= 5;
      EXPECT_EQ(v, inside ? 9 : 0) << i << "," << j;
    }
  }
}

TEST(CalibMarks, SetallCoversTheCameraArrayOnly) {
  auto ws = blank(4, 3);
  calib::setall(*ws, 10, 10, 7);  // larger than the image: the rest is ignored
  EXPECT_EQ(pixels(*ws), std::vector<int32_t>(12, 7));
  calib::setall(*ws, 2, 3, 1);
  int32_t v = 0;
  ASSERT_TRUE(ws->get(2, 3, v));
  EXPECT_EQ(v, 1);
  ASSERT_TRUE(ws->get(3, 1, v));
  EXPECT_EQ(v, 7);
}

TEST(CalibMarks, MarkDrawsTwoBarsLeavingTheCentre) {
  auto ws = blank(40, 40);
  calib::mark(*ws, 20, 20);
  int32_t v = 0;
  for (int32_t j = 1; j <= 40; ++j) {
    ASSERT_TRUE(ws->get(20, j, v));
    int32_t d = std::abs(j - 20);
    EXPECT_EQ(v, d >= 7 && d <= 12 ? 65535 : 0) << j;
  }
  ASSERT_TRUE(ws->get(21, 27, v));
  EXPECT_EQ(v, 0);
  calib::mark(*ws, 3, 3);  // bars leaving the image are simply cut
  ASSERT_TRUE(ws->get(3, 10, v));
  EXPECT_EQ(v, 65535);
}

TEST(CalibMarks, ObjectTicksFollowTheDirectionLetters) {
  auto ws = blank(40, 40);
  calib::mobjct(*ws, 20.9f, 20.2f, 3, 5, "rl  ");
  std::vector<int32_t> all = pixels(*ws);
  int count = 0;
  for (int32_t v : all) count += v == 63000;
  EXPECT_EQ(count, 6);
  int32_t v = 0;
  for (int32_t i : {23, 24, 25, 15, 16, 17}) {
    ASSERT_TRUE(ws->get(i, 20, v));
    EXPECT_EQ(v, 63000) << i;
  }
  auto upper = blank(40, 40);
  calib::mobjct(*upper, 20.0f, 20.0f, 3, 5, "RLUD");
  for (int32_t p : pixels(*upper)) ASSERT_EQ(p, 0);
  auto vertical = blank(40, 40);
  calib::mobjct(*vertical, 20.0f, 20.0f, 2, 2, "ud");
  ASSERT_TRUE(vertical->get(20, 18, v));
  EXPECT_EQ(v, 63000);
  ASSERT_TRUE(vertical->get(20, 22, v));
  EXPECT_EQ(v, 63000);
}

TEST(CalibAverages, WholeFrameAndBoxMeansPrinted) {
  auto ws = blank(4, 2);
  int32_t k = 0;
  for (int32_t i = 1; i <= 4; ++i) {
    for (int32_t j = 1; j <= 2; ++j) ws->put(i, j, 10 * ++k);  // 10 .. 80
  }
  calibtest::TestConsole tc;
  EXPECT_FLOAT_EQ(calib::avpix(tc.console, *ws), 45.0f);
  EXPECT_EQ(tc.text(), "   average pixel value =      45.\n");
  calibtest::TestConsole box;
  EXPECT_FLOAT_EQ(calib::wavpix(box.console, *ws, 2, 3, 2, 2), 50.0f);  // 40 and 60
  EXPECT_EQ(box.text(), "   average pixel value in defined box =      50.\n");
}

TEST(CalibAverages, BoxesReachingOutsideUseOnlyInsidePixels) {
  auto ws = blank(3, 3);
  calib::setall(*ws, 3, 3, 100);
  ws->put(3, 3, 400);
  calibtest::TestConsole tc;
  // 4 pixels inside (2..3 x 2..3): 100, 100, 100, 400; nothing beyond the edge is read
  EXPECT_FLOAT_EQ(calib::wavpix(tc.console, *ws, 2, 9, 2, 9), 175.0f);
  EXPECT_NE(tc.text().find("only the pixels inside"), std::string::npos);
  calibtest::TestConsole none;
  EXPECT_FLOAT_EQ(calib::wavpix(none.console, *ws, 5, 9, 5, 9), 0.0f);
  EXPECT_NE(none.text().find("no pixel"), std::string::npos);
  EXPECT_NE(none.text().find("   average pixel value in defined box =       0."), std::string::npos);
  auto empty = blank(0, 0);
  calibtest::TestConsole e;
  EXPECT_FLOAT_EQ(calib::avpix(e.console, *empty), 0.0f);
  EXPECT_NE(e.text().find("no pixel"), std::string::npos);
}

class CalibMarkPath : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = testsupport::freshFolder("markpa");
    settings.workingPath = textio::fixed(folder.string() + "/", 80);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }
  std::filesystem::path folder;
  core::Settings settings;
};

TEST_F(CalibMarkPath, MarksTheLastTwoNumbersOfEveryRecordAfterTheHeader) {
  testsupport::writeFile(folder / "path.txt",
                         "some title line\n"
                         "   1.0 2.0\n"  // before the header: not a record
                         "    y  m  d  hours     u      v\n"
                         " 2005  9 12  21.50  10.2   20.7\n"
                         " 2005  9 12  21.60  -3.0   30.0\r\n"
                         "\n"
                         " a remark line\n");
  auto ws = blank(40, 40);
  calibtest::TestConsole tc;
  int n = calib::markpa(tc.console, settings, *ws, textio::fixed("path.txt", 20), 1.0f, -2.0f);
  EXPECT_EQ(n, 2);
  int32_t v = 0;
  ASSERT_TRUE(ws->get(11, 19, v));  // truncate(1 + 10.2 + 0.5), truncate(-2 + 20.7 + 0.5)
  EXPECT_EQ(v, 65534);
  ASSERT_TRUE(ws->get(1, 2, v));  // the numbers before the header mark nothing
  EXPECT_EQ(v, 0);
  int count = 0;
  for (int32_t p : pixels(*ws)) count += p == 65534;
  EXPECT_EQ(count, 1);  // the second point, (-1, 28), lies outside the image
  EXPECT_NE(tc.text().find("1 line(s) without a u, v pair skipped"), std::string::npos);
}

TEST_F(CalibMarkPath, MissingFileOrHeaderMarksNothing) {
  auto ws = blank(40, 40);
  calibtest::TestConsole missing;
  EXPECT_EQ(calib::markpa(missing.console, settings, *ws, textio::fixed("none.txt", 20), 0, 0), 0);
  EXPECT_NE(missing.text().find("   ERROR: cannot open file "), std::string::npos);
  testsupport::writeFile(folder / "nohead.txt", "  y m d\n 1 2 3 10.0 10.0\n");
  calibtest::TestConsole nohead;
  EXPECT_EQ(calib::markpa(nohead.console, settings, *ws, textio::fixed("nohead.txt", 20), 0, 0), 0);
  EXPECT_NE(nohead.text().find("nothing marked"), std::string::npos);
  for (int32_t p : pixels(*ws)) ASSERT_EQ(p, 0);
}

// A deterministic pattern with no two equal neighbours.
void pattern(image::Workspaces& ws) {
  for (int32_t i = 1; i <= ws.nx; ++i) {
    for (int32_t j = 1; j <= ws.ny; ++j) ws.put2(i, j, (i * 7919 + j * 104729) % 65536);
  }
}

TEST(CalibRotation, ZeroRotationAndShiftCopiesWorkspace2) {
  auto ws = blank(23, 17);
  pattern(*ws);
  calib::iderot(*ws, 6.45f, 6.45f, image::Combine::Replace, 0, 0, 0, 0, 0);
  for (int32_t i = 1; i <= 23; ++i) {
    for (int32_t j = 1; j <= 17; ++j) {
      int32_t a = 0, b = 0;
      ASSERT_TRUE(ws->get(i, j, a));
      ASSERT_TRUE(ws->get2(i, j, b));
      ASSERT_EQ(a, b) << i << "," << j;
    }
  }
  // non-square pixels cancel out when there is no rotation
  auto rect = blank(23, 17);
  pattern(*rect);
  calib::iderot(*rect, 6.0f, 9.0f, image::Combine::Replace, 0, 0, 0, 0, 0);
  int32_t a = 0, b = 0;
  ASSERT_TRUE(rect->get(13, 11, a));
  ASSERT_TRUE(rect->get2(13, 11, b));
  EXPECT_EQ(a, b);
}

TEST(CalibRotation, QuarterTurnMapsKnownPixels) {
  // 90 degrees: xr = y, yr = -x; with dv = n + 1 pixel (i, j) samples workspace 2 at (j, n + 1 - i).
  const int32_t n = 15;
  auto ws = blank(n, n);
  pattern(*ws);
  calib::iderot(*ws, 6.45f, 6.45f, image::Combine::Replace, 0.0f, static_cast<float>(n + 1), 90.0f, 0, 0);
  for (int32_t i = 1; i <= n; ++i) {
    for (int32_t j = 1; j <= n; ++j) {
      int32_t a = 0, b = 0;
      ASSERT_TRUE(ws->get(i, j, a));
      ASSERT_TRUE(ws->get2(j, n + 1 - i, b));
      ASSERT_EQ(a, b) << i << "," << j;
    }
  }
}

TEST(CalibRotation, ShiftAveragesSamplesAndDividesByTwentyFiveAtTheEdge) {
  auto ws = blank(10, 4);
  for (int32_t i = 1; i <= 10; ++i) {
    for (int32_t j = 1; j <= 4; ++j) ws->put2(i, j, 1000 * i);
  }
  for (int32_t j = 1; j <= 4; ++j) ws->put(3, j, 7);  // kept with addFlag = 1
  // du = 0.5: two of the five sample columns round to i, three to i + 1
  calib::iderot(*ws, 1.0f, 1.0f, image::Combine::Add, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f);
  int32_t v = 0;
  ASSERT_TRUE(ws->get(3, 2, v));
  EXPECT_EQ(v, 7 + (10 * 3000 + 15 * 4000) / 25);
  ASSERT_TRUE(ws->get(10, 2, v));  // i + 1 = 11 is outside: 10 of 25 samples count
  EXPECT_EQ(v, 10 * 10000 / 25);
}

}  // namespace

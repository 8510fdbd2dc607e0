// Pixel access at the image edges, clearing and copying, and the 11 x 11 listings.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "image/workspace_listing.h"
#include "image/workspaces.h"
#include "tests/support/run_pelm.h"
#include "textio/console.h"

namespace {

struct WorkspaceTest : ::testing::Test {
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};
  std::unique_ptr<image::Workspaces> ws = std::make_unique<image::Workspaces>();
  void SetUp() override {
    ws->nx = 8;
    ws->ny = 8;
  }
  std::vector<std::string> lines() const { return testsupport::lines(out.str()); }
};

TEST_F(WorkspaceTest, AccessOutsideTheImageReadsNothingAndWritesNothing) {
  ws->put(8, 8, 5);
  int32_t v = 77;
  EXPECT_TRUE(ws->get(8, 8, v));
  EXPECT_EQ(v, 5);
  for (auto [i, j] : {std::pair{0, 1}, {1, 0}, {9, 1}, {1, 9}}) {
    v = 77;
    EXPECT_FALSE(ws->get(i, j, v));
    EXPECT_EQ(v, 77);
    ws->put(i, j, 3);
    ws->put2(i, j, 3);
  }
  EXPECT_EQ(std::count(ws->w1.begin(), ws->w1.end(), 3), 0);
  EXPECT_EQ(std::count(ws->w2.begin(), ws->w2.end(), 3), 0);
}

TEST_F(WorkspaceTest, ClearingAndCopyingStayWithinTheImage) {
  std::fill(ws->w1.begin(), ws->w1.end(), 9);
  ws->w3[100] = 4;
  image::copy12(console, *ws);
  EXPECT_EQ(ws->w2[63], 9);
  EXPECT_EQ(ws->w2[64], 0);  // beyond 8 x 8
  image::init(console, *ws);
  image::init3(console, *ws);
  EXPECT_EQ(ws->w1[63], 0);
  EXPECT_EQ(ws->w1[64], 9);
  EXPECT_EQ(ws->w3[100], 4);
  image::init2(console, *ws);
  EXPECT_EQ(ws->w2[0], 0);
  EXPECT_EQ(out.str(),
            "  array 1 copied to array 2\n  array 1 initialised\n  array 3 initialised\n  array 2 initialised\n");
}

TEST_F(WorkspaceTest, ListNearACornerShowsZerosAndMeasuresTheImageOnly) {
  // A checkerboard of 10 and 20: mean 15, rms 5 over the 8 x 8 pixels that lie in the block.
  for (int i = 1; i <= 8; ++i)
    for (int j = 1; j <= 8; ++j) ws->put(i, j, (i + j) % 2 ? 20 : 10);
  image::list(console, *ws, 3, 3, image::ListingCopy::ScreenOnly);
  auto l = lines();
  ASSERT_EQ(l.size(), 14u);
  EXPECT_EQ(l[0], "");
  EXPECT_EQ(l[1], "       0     0     0     0     0     0     0     0     0     0     0 ");
  EXPECT_EQ(l[4], "       0     0     0    10    20    10    20    10    20    10    20 ");
  EXPECT_EQ(l[11], "       0     0     0    20    10    20    10    20    10    20    10 ");
  EXPECT_EQ(l[12], "   rms =   5.0");
  EXPECT_EQ(l[13], "");
}

TEST_F(WorkspaceTest, WideValuesOverflowTheirFields) {
  ws->put(5, 5, -10000);
  ws->put(6, 5, 100000);
  ws->put(7, 5, -9999);
  image::list(console, *ws, 6, 5, image::ListingCopy::ScreenOnly);
  EXPECT_EQ(lines()[6], "       0     0     0     0 ***** ***** -9999     0     0     0     0 ");
}

TEST_F(WorkspaceTest, LlistPrintsOnlyPixelsInsideTheImage) {
  ws->put(1, 1, 42);
  image::llist(console, *ws, 2, 2, image::ListingCopy::ScreenOnly);
  auto l = lines();
  ASSERT_EQ(l.size(), 2u + 7 * 7);  // i, j from 1 to 7
  EXPECT_EQ(l[1], "       1     1    42 ");
  EXPECT_EQ(l[2], "       2     1     0 ");
  EXPECT_EQ(l[8], "       1     2     0 ");
  EXPECT_EQ(l.back(), "");
}

TEST_F(WorkspaceTest, AListingWhollyOutsideTheImageShowsZeros) {
  image::list3(console, *ws, 100, 100, image::ListingCopy::ScreenOnly);
  auto l = lines();
  EXPECT_EQ(l[12], "   rms =   0.0");
}

TEST_F(WorkspaceTest, TheLogGetsTheTableButNotTheRms) {
  auto dir = testsupport::freshFolder("wslog");
  ASSERT_TRUE(console.openLog((dir / "log.txt").string()));
  ws->put(4, 4, 7);
  image::list2(console, *ws, 4, 4, image::ListingCopy::AlsoToLog);  // workspace 2 is all zero
  image::list(console, *ws, 4, 4, image::ListingCopy::ScreenOnly);  // no log
  image::llist(console, *ws, 4, 4, image::ListingCopy::AlsoToLog);
  console.closeLog();
  std::string log = testsupport::readFile(dir / "log.txt");
  std::filesystem::remove_all(dir);
  EXPECT_EQ(log.find("rms"), std::string::npos);
  EXPECT_NE(log.find("\n       4     4     7 \n"), std::string::npos);
  // The table of workspace 1, listed with logFlag 0, reached the console only.
  std::string row = "   ";
  for (int i = -1; i <= 9; ++i) row += i == 4 ? "    7 " : "    0 ";
  EXPECT_NE(out.str().find(row + "\n"), std::string::npos);
  EXPECT_EQ(log.find(row), std::string::npos);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1 + 11 + 1 + 64);
}

}  // namespace

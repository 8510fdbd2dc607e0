// The console seam: numeric answers, scripts and the log.
#include "textio/console.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/support/run_pelm.h"
#include "textio/value_ranges.h"

namespace {

TEST(Console, NumbersMayContinueOnFollowingLines) {
  std::istringstream in("10\n\n20 30 ignored\n");
  std::ostringstream out;
  textio::Console c(in, out);
  auto v = c.askInts("   i, j,  value : ", 3, textio::kAnyInteger);
  EXPECT_EQ(v, (std::vector<int32_t>{10, 20, 30}));
  EXPECT_EQ(out.str(), "   i, j,  value : ");
}

TEST(Console, AnIntegerPromptRefusesAFractionAndAsksAgainAtTheKeyboard) {
  std::istringstream in("2.5\n7\n");
  std::ostringstream out;
  textio::Console c(in, out);
  EXPECT_EQ(c.askInt("n = ", textio::kAnyInteger), 7);
  EXPECT_EQ(out.str(), "n =    error - cannot read a number from: 2.5\nn = ");
}

TEST(Console, EndOfKeyboardInputInsideACommandStopsTheProgram) {
  std::istringstream in("");
  std::ostringstream out;
  textio::Console c(in, out);
  EXPECT_THROW(c.askReal("x = ", textio::kAnyReal), textio::FatalStop);
}

TEST(Console, UnreadableScriptAnswerClosesTheScriptAndAbandonsTheCommand) {
  auto dir = testsupport::freshFolder("console");
  testsupport::writeFile(dir / "s.txt", "abc\nsoft\n");
  std::istringstream in("");
  std::ostringstream out;
  textio::Console c(in, out);
  ASSERT_TRUE(c.openScript((dir / "s.txt").string()));
  EXPECT_THROW(c.askInt("n = ", textio::kAnyInteger), textio::CommandAbandoned);
  EXPECT_FALSE(c.inScript());
  std::filesystem::remove_all(dir);
}

// A value outside its range takes the path of an unreadable one: at the keyboard the whole
// prompt is asked again (values of the refused line are dropped), from a script the script is
// closed and the command abandoned; a range may be given per value.
TEST(Console, AValueOutsideItsRangeIsRefusedLikeAnUnreadableOne) {
  {
    std::istringstream in("5 2147483647\n-2147483648\n1e30 3\n0.5 3\n");
    std::ostringstream out;
    textio::Console c(in, out);
    auto v = c.askNumbers("u, n = ", "ri", {textio::Range{-10, 10}, textio::Range{1, 5}});
    EXPECT_EQ(v, (std::vector<double>{0.5, 3}));
    EXPECT_EQ(out.str(),
              "u, n =    error - number out of range (1 to 5): 2147483647\n"
              "u, n =    error - number out of range (-10 to 10): -2147483648\n"
              "u, n =    error - number out of range (-10 to 10): 1e30\n"
              "u, n = ");
  }
  {
    std::istringstream in("0.001\nnan\n0.01\n");
    std::ostringstream out;
    textio::Console c(in, out);
    EXPECT_EQ(c.askReal("r = ", textio::kRadius), 0.01f);  // an end as typed is inside
    EXPECT_EQ(out.str(),
              "r =    error - number out of range (0.01 to 10000): 0.001\n"
              "r =    error - cannot read a number from: nan\nr = ");
  }
  auto dir = testsupport::freshFolder("console");
  testsupport::writeFile(dir / "s.txt", "1 2 -2147483648 -2147483648\nsky\n");
  std::istringstream in("");
  std::ostringstream out;
  textio::Console c(in, out);
  ASSERT_TRUE(c.openScript((dir / "s.txt").string()));
  EXPECT_THROW(c.askInts("box = ", 4, textio::kCoordinate), textio::CommandAbandoned);
  EXPECT_FALSE(c.inScript());
  EXPECT_NE(out.str().find("   error - number out of range (-1447680 to 1447680): -2147483648\n"),
            std::string::npos);
  std::filesystem::remove_all(dir);
}

TEST(Console, LogLinesReachTheFileAtOnce) {
  auto dir = testsupport::freshFolder("console");
  std::istringstream in;
  std::ostringstream out;
  textio::Console c(in, out);
  ASSERT_TRUE(c.openLog((dir / "log.txt").string()));
  c.logLine(" first");
  EXPECT_EQ(testsupport::readFile(dir / "log.txt"), " first\n");
  c.closeLog();
  c.logLine(" dropped");
  EXPECT_EQ(testsupport::readFile(dir / "log.txt"), " first\n");
  std::filesystem::remove_all(dir);
}

}  // namespace

// The console seam: numeric answers, scripts and the log.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "textio/console.h"
#include "tests/support/run_pelm.h"

namespace {

TEST(Console, NumbersMayContinueOnFollowingLines) {
  std::istringstream in("10\n\n20 30 ignored\n");
  std::ostringstream out;
  textio::Console c(in, out);
  auto v = c.askInts("   i, j,  value : ", 3);
  EXPECT_EQ(v, (std::vector<int32_t>{10, 20, 30}));
  EXPECT_EQ(out.str(), "   i, j,  value : ");
}

TEST(Console, AnIntegerPromptRefusesAFractionAndAsksAgainAtTheKeyboard) {
  std::istringstream in("2.5\n7\n");
  std::ostringstream out;
  textio::Console c(in, out);
  EXPECT_EQ(c.askInt("n = "), 7);
  EXPECT_EQ(out.str(), "n =    error - cannot read a number from: 2.5\nn = ");
}

TEST(Console, EndOfKeyboardInputInsideACommandStopsTheProgram) {
  std::istringstream in("");
  std::ostringstream out;
  textio::Console c(in, out);
  EXPECT_THROW(c.askReal("x = "), textio::FatalStop);
}

TEST(Console, UnreadableScriptAnswerClosesTheScriptAndAbandonsTheCommand) {
  auto dir = testsupport::freshFolder("console");
  testsupport::writeFile(dir / "s.txt", "abc\nsoft\n");
  std::istringstream in("");
  std::ostringstream out;
  textio::Console c(in, out);
  ASSERT_TRUE(c.openScript((dir / "s.txt").string()));
  EXPECT_THROW(c.askInt("n = "), textio::CommandAbandoned);
  EXPECT_FALSE(c.inScript());
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

// Joining typed names to the working path, and the host path of a full name.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/paths.h"
#include "tests/support/run_pelm.h"

namespace {

struct Fixture {
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};
};

TEST(Adpath, JoinsRightAfterThePathWithoutSeparator) {
  Fixture f;
  std::string full;
  ASSERT_TRUE(textio::adpath(f.console, textio::fixed("C:\\night1\\", 80), textio::fixed("img001.fit", 20), full));
  EXPECT_EQ(full, textio::fixed("C:\\night1\\img001.fit", 80));
  ASSERT_TRUE(textio::adpath(f.console, std::string(80, ' '), textio::fixed("a.txt", 20), full));
  EXPECT_EQ(full, textio::fixed("a.txt", 80));
  EXPECT_EQ(f.out.str(), "");
}

TEST(Adpath, SixtyCharacterPathJoinsAnyNameAndLongerPathsJoinShortNames) {
  Fixture f;
  std::string full;
  std::string name20(20, 'n');
  EXPECT_TRUE(textio::adpath(f.console, textio::fixed(std::string(60, 'p'), 80), name20, full));
  EXPECT_EQ(full, std::string(60, 'p') + name20);
  EXPECT_TRUE(textio::adpath(f.console, textio::fixed(std::string(75, 'p'), 80), textio::fixed("s.txt", 20), full));
  EXPECT_EQ(f.out.str(), "");
  EXPECT_FALSE(textio::adpath(f.console, textio::fixed(std::string(61, 'p'), 80), name20, full));
  EXPECT_EQ(f.out.str(), "   error in routine adpath; full filename >80 chars\n");
}

TEST(HostPath, BackslashesSeparateDirectoriesAndTrailingBlanksGo) {
  EXPECT_EQ(textio::hostPath(textio::fixed("\\data\\night1\\img1.fit", 80)), "/data/night1/img1.fit");
  EXPECT_EQ(textio::hostPath(textio::fixed("night1\\a b.txt", 80)), "night1/a b.txt");
}

TEST(ReplaceFileAtomically, NewContentReplacesTheOldAndNoScratchFileStays) {
  auto dir = testsupport::freshFolder("atomic");
  std::string name = (dir / "stardata.txt").string();
  testsupport::writeFile(name, "old\n");
  ASSERT_TRUE(textio::replaceFileAtomically(name, "new content\n"));
  EXPECT_EQ(testsupport::readFile(name), "new content\n");
  EXPECT_FALSE(std::filesystem::exists(name + ".new"));
  EXPECT_FALSE(textio::replaceFileAtomically((dir / "no-such-dir" / "x").string(), "x"));
  std::filesystem::remove_all(dir);
}

}  // namespace

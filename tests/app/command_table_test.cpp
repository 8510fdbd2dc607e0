// The command table itself, and the normalising of typed keywords.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/command_table.h"
#include "app/interpreter.h"

namespace {

TEST(CommandTable, AliasesAreUniqueShortLowerCaseAndFreeOfCommentCharacters) {
  std::set<std::string> seen;
  for (const app::Command& c : app::commandTable()) {
    std::string keywords(c.keywords);
    size_t b = 0;
    while (b <= keywords.size()) {
      size_t e = keywords.find(' ', b);
      if (e == std::string::npos) e = keywords.size();
      std::string alias = keywords.substr(b, e - b);
      EXPECT_GE(alias.size(), 1u) << "empty alias in row \"" << keywords << "\"";
      EXPECT_LE(alias.size(), 10u) << alias;
      for (char ch : alias) {
        EXPECT_TRUE((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9')) << alias;
      }
      EXPECT_EQ(alias.find_first_of(";!/"), std::string::npos) << alias;
      EXPECT_TRUE(seen.insert(alias).second) << "duplicate alias " << alias;
      b = e + 1;
    }
    EXPECT_NE(c.run, nullptr) << keywords;
  }
}

TEST(CommandTable, LookupComparesWholeKeywords) {
  EXPECT_NE(app::findCommand("soft      "), nullptr);
  EXPECT_EQ(app::findCommand("sof       "), nullptr);
  EXPECT_EQ(app::findCommand("softer    "), nullptr);
  EXPECT_EQ(app::findCommand("          "), nullptr);
  EXPECT_EQ(app::findCommand("dv        "), app::findCommand("dvload    "));
}

TEST(Normalise, SkipsBlanksFoldsCaseAndKeepsTenCharacters) {
  EXPECT_EQ(app::normalise("  S T O P  "), "stop      ");
  EXPECT_EQ(app::normalise("resetmaxstack"), "resetmaxst");
  EXPECT_EQ(app::normalise("stack ; remark"), "stack;rema");
  EXPECT_EQ(app::normalise(""), "          ");
  EXPECT_EQ(app::normalise("Abc9_xYZ"), "abc9_xyz  ");
  // Only the first 30 characters of a line count.
  EXPECT_EQ(app::normalise(std::string(29, ' ') + "ab"), "a         ");
}

}  // namespace

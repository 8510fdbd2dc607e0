// The free-format reader: separators, trailing text, refused forms.
#include <gtest/gtest.h>

#include "textio/fixed_text.h"
#include "textio/free_format.h"

namespace {

TEST(FreeFormat, SplitsOnBlanksCommasAndTabs) {
  auto items = textio::splitFree("  12, 3.5\t-7  ,, x ");
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0], "12");
  EXPECT_EQ(items[1], "3.5");
  EXPECT_EQ(items[2], "-7");
  EXPECT_EQ(items[3], "x");
}

TEST(FreeFormat, RealsIncludingFortranExponents) {
  double v = 0;
  EXPECT_TRUE(textio::parseReal("1.5D3", v));
  EXPECT_EQ(v, 1500.0);
  EXPECT_TRUE(textio::parseReal("-.25e-1", v));
  EXPECT_EQ(v, -0.025);
  EXPECT_TRUE(textio::parseReal("7.", v));
  EXPECT_EQ(v, 7.0);
  EXPECT_TRUE(textio::parseReal("+3", v));
  EXPECT_EQ(v, 3.0);
}

TEST(FreeFormat, RefusesWhatIsNotADecimalNumber) {
  double v = 42;
  for (const char* bad : {"nan", "inf", "-inf", "0x10", "1e", "abc", ".", "-", "1.5x", "1e999", ""}) {
    EXPECT_FALSE(textio::parseReal(bad, v)) << bad;
  }
  EXPECT_EQ(v, 42);
  int64_t i = 0;
  EXPECT_FALSE(textio::parseInt("3.5", i));
  EXPECT_FALSE(textio::parseInt("99999999999999999999", i));
  EXPECT_TRUE(textio::parseInt("-12", i));
  EXPECT_EQ(i, -12);
}

TEST(FreeFormat, TrailingTextAfterTheNeededValuesIsIgnored) {
  std::vector<double> v;
  EXPECT_TRUE(textio::readReals("1392 1040   ! camera size", 2, v));
  EXPECT_EQ(v[1], 1040.0);
  EXPECT_FALSE(textio::readReals("1392 abc", 2, v));
  EXPECT_FALSE(textio::readReals("1392", 2, v));
}

TEST(FreeFormat, IntegerItemsRefuseValuesOutsideFourBytes) {
  textio::FreeItems items("2147483648 5");
  int32_t v = 0;
  EXPECT_FALSE(items.integer(v));
  int64_t w = 0;
  EXPECT_TRUE(items.integer(w));
  EXPECT_EQ(w, 2147483648LL);
}

TEST(FixedText, PaddingTrimmingAndCommentBlanking) {
  EXPECT_EQ(textio::fixed("abc", 5), "abc  ");
  EXPECT_EQ(textio::fixed("abcdef", 3), "abc");
  std::string s = textio::fixed("img12 ; note", 20);
  textio::blankFrom(s, ";/!");
  EXPECT_EQ(s, textio::fixed("img12", 20));
  EXPECT_EQ(textio::dropCr("x\r"), "x");
  EXPECT_EQ(textio::trim("  a b  "), "a b");
}

}  // namespace

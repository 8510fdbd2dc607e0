// Name operations: comments, types stripped and appended, the current type chosen,
// output names and frame numbers under each numbering convention.
#include <gtest/gtest.h>

#include <sstream>

#include "image/file_names.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace {

struct Names : ::testing::Test {
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};
  core::Settings settings;
  void SetUp() override {
    image::setTypeCode(settings, image::kCurrentType, "fit");
    image::setTypeCode(settings, image::kRawType, "fit");
    image::setTypeCode(settings, image::kDarkType, "drk");
    image::setTypeCode(settings, image::kFlatType, "dfc");
  }
  std::string stripped(const std::string& typed) {
    std::string name = textio::fixed(typed, 20);
    image::strip(console, settings, name);
    return name;
  }
};

TEST_F(Names, StripKeepsTheBaseAndRemembersTheType) {
  EXPECT_EQ(stripped("m31.fts"), textio::fixed("m31", 20));
  EXPECT_EQ(image::typeCode(settings, image::kSuppliedType), "fts");
  EXPECT_EQ(out.str(), "   have stripped off file type; file type was fts\n\n");
  EXPECT_EQ(stripped("m31"), textio::fixed("m31", 20));
  EXPECT_EQ(image::typeCode(settings, image::kSuppliedType), "   ");
  EXPECT_EQ(stripped("a.b.c"), textio::fixed("a", 20));
  EXPECT_EQ(image::typeCode(settings, image::kSuppliedType), "b.c");
  EXPECT_EQ(stripped("x.fitsfile"), textio::fixed("x", 20));
  EXPECT_EQ(image::typeCode(settings, image::kSuppliedType), "fit");
}

TEST_F(Names, CommentsAndTypesAreBlankedWithoutChangingTheWidth) {
  std::string name = textio::fixed("img12 ;a remark", 20);
  image::fnoc(name);
  EXPECT_EQ(name, textio::fixed("img12", 20));
  name = textio::fixed("dark!x/y", 20);
  image::fnoc(name);
  EXPECT_EQ(name, textio::fixed("dark", 20));
  name = textio::fixed("flat.fit", 20);
  image::stripx(name);
  EXPECT_EQ(name, textio::fixed("flat", 20));
}

TEST_F(Names, AddtypAppendsTheCurrentTypeAfterTheLastCharacter) {
  std::string name = textio::fixed("img12", 20);
  image::addtyp(console, settings, name);
  EXPECT_EQ(name, textio::fixed("img12.fit", 20));
  EXPECT_EQ(out.str(),
            "   entered routine addtyp; fname = img12               \n"
            "   adding file type... filename = img12.fit           \n");
  name = textio::fixed("abcdefghijklmnop", 20);  // 16 characters: the type just fits
  image::addtyp(console, settings, name);
  EXPECT_EQ(name, "abcdefghijklmnop.fit");
}

TEST_F(Names, BaseNamesOver16CharactersAreRefusedNotCut) {
  EXPECT_TRUE(image::baseNameFits(console, textio::fixed("abcdefghijklmnop", 20)));
  EXPECT_EQ(out.str(), "");
  EXPECT_FALSE(image::baseNameFits(console, "abcdefghijklmnopq"));
  EXPECT_EQ(out.str(),
            "   error - file name longer than 16 characters (no room for its file type): abcdefghijklmnopq\n");
  std::string name = "abcdefghijklmnopqrstuvw";  // a longer name keeps its type when one is added
  image::addtyp(console, settings, name);
  EXPECT_EQ(textio::trimRight(name), "abcdefghijklmnopqrstuvw.fit");
}

TEST_F(Names, ChoosingTheTypeUsesASuppliedTypeFirst) {
  stripped("m31");
  out.str("");
  image::setdrk(console, settings);
  EXPECT_EQ(image::typeCode(settings, image::kCurrentType), "drk");
  EXPECT_EQ(out.str(), "  setting file type for dark corrected image ... \n   use file type drk\n");
  stripped("x.abc");
  out.str("");
  image::setdrk(console, settings);
  EXPECT_EQ(image::typeCode(settings, image::kCurrentType), "abc");
  EXPECT_EQ(out.str(), "  setting file type for dark corrected image ... \n   use file type supplied with filename\n");
  out.str("");
  image::setraw(console, settings);  // the supplied type lasts until the next strip
  EXPECT_EQ(out.str(), "  setting file type for raw image ... \n  use file type supplied with filename\n");
  stripped("y");
  out.str("");
  image::setflt(console, settings);
  EXPECT_EQ(image::typeCode(settings, image::kCurrentType), "dfc");
  EXPECT_EQ(out.str(), "  setting file type for dark + flat corrected image ... \n   use file type dfc\n");
}

TEST_F(Names, RenameOverwritesOnlyNonBlankPositions) {
  image::setTypeCode(settings, image::kOverwriteChars, "f  ");
  EXPECT_EQ(image::rename(settings, textio::fixed("img0012", 20)), textio::fixed("fmg0012", 20));
  image::setTypeCode(settings, image::kOverwriteChars, "fl ");
  EXPECT_EQ(image::rename(settings, textio::fixed("img0012", 20)), textio::fixed("flg0012", 20));
  image::setTypeCode(settings, image::kOverwriteChars, " x ");
  EXPECT_EQ(image::rename(settings, textio::fixed("img0012", 20)), textio::fixed("ixg0012", 20));
  image::setTypeCode(settings, image::kOverwriteChars, "");
  EXPECT_EQ(image::rename(settings, textio::fixed("img0012", 20)), textio::fixed("img0012", 20));
}

TEST_F(Names, FrameNumbersFollowTheNumberingConvention) {
  image::setTypeCode(settings, image::kNumberingConvention, "0");
  EXPECT_EQ(image::frameNumber(settings, 7), "7");
  EXPECT_EQ(image::frameNumber(settings, 12), "12");
  image::setTypeCode(settings, image::kNumberingConvention, "3");
  EXPECT_EQ(image::frameNumber(settings, 7), "007");
  EXPECT_EQ(image::frameNumber(settings, 12), "012");
  EXPECT_EQ(image::frameNumber(settings, 1000), "***");
  image::setTypeCode(settings, image::kNumberingConvention, "5");
  EXPECT_EQ(image::frameNumber(settings, 99999), "99999");
  image::setTypeCode(settings, image::kNumberingConvention, "");  // no code stored: as many digits as needed
  EXPECT_EQ(image::frameNumber(settings, 42), "42");
}

TEST_F(Names, TypedNamesKeepTheirFullLengthForChecking) {
  in.str("img3.fit ; the third\nabcdefghijklmnopqrstuvwxyz.fit\n");
  EXPECT_EQ(image::answerName(console, "   enter filename : "), textio::fixed("img3.fit", 20));
  std::string longName = image::answerName(console, "   enter filename : ");
  EXPECT_EQ(longName, "abcdefghijklmnopqrstuvwxyz.fit");
  image::stripx(longName);
  EXPECT_FALSE(image::baseNameFits(console, longName));
}

}  // namespace

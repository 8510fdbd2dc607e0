// Header values: size and BZERO, the date orders, date with time, separate time cards,
// midnight, fractional seconds and missing cards.
#include <gtest/gtest.h>

#include <sstream>

#include "image/fits_header.h"
#include "image/fits_load.h"
#include "tests/image/fits_files.h"
#include "textio/console.h"

namespace {

using fitstest::valueCard;

struct Convh : ::testing::Test {
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};
  image::KeywordCards cards;
  image::FrameHeader h;

  void SetUp() override {
    for (const auto& c : fitstest::basicCards(256, 200)) cards.take(c);
  }
  bool parse(int32_t dateOrder = 1, bool withDate = true) {
    return image::convh(console, cards, withDate, dateOrder, h);
  }
};

TEST_F(Convh, SizeAndBzero) {
  cards.take(valueCard("DATE-OBS", "'2018-04-17T03:35:22'"));
  ASSERT_TRUE(parse());
  EXPECT_EQ(h.bitpix, 16);
  EXPECT_EQ(h.naxis, 2);
  EXPECT_EQ(h.nx, 256);
  EXPECT_EQ(h.ny, 200);
  EXPECT_EQ(h.bzero, 32768.0f);
  // A comment full of e's after the value does no harm; the last card of a keyword wins.
  cards.take(fitstest::card("BZERO   =              -1024.5 / offset, see the data range reference"));
  ASSERT_TRUE(parse());
  EXPECT_EQ(h.bzero, -1024.5f);
  cards.take(fitstest::card("BZERO   =               3.2768E4"));
  ASSERT_TRUE(parse());
  EXPECT_EQ(h.bzero, 32768.0f);
  // A card that is not BZERO does not count as one.
  cards.bzero = std::string(80, ' ');
  cards.take(fitstest::card("BZEROX  =                  500"));
  ASSERT_TRUE(parse());
  EXPECT_EQ(h.bzero, 0.0f);
  EXPECT_EQ(out.str(), "");
}

TEST_F(Convh, IsoDateWithTimeAndNoTimeCards) {
  cards.take(valueCard("DATE-OBS", "'2005-09-12T21:30:15'"));
  ASSERT_TRUE(parse());
  EXPECT_EQ(h.year, 2005);
  EXPECT_EQ(h.month, 9);
  EXPECT_EQ(h.day, 12);
  EXPECT_EQ(h.hour, 21);
  EXPECT_EQ(h.minute, 30);
  EXPECT_EQ(h.second, 15);
  EXPECT_NEAR(h.frameTime, 21.504167f, 1e-5);
  EXPECT_EQ(out.str(), "");  // no time lines without time cards
}

TEST_F(Convh, FractionalSecondsGiveWholeSeconds) {
  cards.take(valueCard("DATE-OBS", "'2005-09-12T21:30:15.875'"));
  ASSERT_TRUE(parse());
  EXPECT_EQ(h.second, 15);
  EXPECT_NEAR(h.frameTime, 21.504167f, 1e-5);
}

TEST_F(Convh, DayMonthYearWithTimeObs) {
  cards.take(valueCard("DATE-OBS", "'12/09/05'"));
  cards.take(valueCard("TIME-OBS", "'21:30:15'"));
  ASSERT_TRUE(parse(0));
  EXPECT_EQ(h.year, 2005);
  EXPECT_EQ(h.month, 9);
  EXPECT_EQ(h.day, 12);
  EXPECT_EQ(h.hour, 21);
  EXPECT_EQ(h.minute, 30);
  EXPECT_EQ(h.second, 15);
  EXPECT_EQ(out.str(),
            "    12    9 2005    21 30 15\n"
            "    12    9 2005    21 30 15\n"
            "    12    9 2005    21 30 15   decimal hours =  21.504\n");
}

TEST_F(Convh, DateWithoutItsTimeFailsWhenNoTimeCard) {
  cards.take(valueCard("DATE-OBS", "'12/09/05'"));
  EXPECT_FALSE(parse(0));
  EXPECT_EQ(out.str(), "    error in convh - are you trying to read a non-existent file?\n");
}

TEST_F(Convh, StartAndEndAcrossMidnight) {
  cards.take(valueCard("DATE-OBS", "'2005-09-12'"));
  cards.take(valueCard("UT-START", "'23:50:00'"));
  cards.take(valueCard("UT-END", "'00:10:00'"));
  cards.take(valueCard("TIME-OBS", "'12:00:00'"));  // separate start and end times win
  ASSERT_TRUE(parse(1));
  EXPECT_EQ(h.frameTime, 24.0f);
  EXPECT_EQ(h.hour, 24);
  EXPECT_EQ(h.minute, 0);
  EXPECT_EQ(h.second, 0);
  EXPECT_EQ(out.str(),
            "    12    9 2005    23 50  0\n"
            "    12    9 2005     0 10  0\n"
            "    12    9 2005    24  0  0   decimal hours =  24.000\n");
}

TEST_F(Convh, MidExposureTime) {
  cards.take(valueCard("DATE-OBS", "'2007-01-03'"));
  cards.take(valueCard("UT-START", "'01:00:00'"));
  cards.take(valueCard("UT-END", "'01:01:30'"));
  ASSERT_TRUE(parse());
  EXPECT_EQ(h.hour, 1);
  EXPECT_EQ(h.minute, 0);
  EXPECT_EQ(h.second, 45);
}

TEST_F(Convh, MissingCards) {
  // Only a start time: fewer than two time values.
  cards.take(valueCard("DATE-OBS", "'2005-09-12'"));
  cards.take(valueCard("UT-START", "'23:50:00'"));
  EXPECT_FALSE(parse());
  // Frames for workspaces 2 and 3 need no date at all.
  image::KeywordCards bare;
  for (const auto& c : fitstest::basicCards(10, 10, "")) bare.take(c);
  cards = bare;
  EXPECT_TRUE(parse(1, false));
  EXPECT_EQ(h.bzero, 0.0f);
  EXPECT_FALSE(parse(1, true));  // workspace 1 needs DATE-OBS
  image::KeywordCards noSize;
  noSize.take(valueCard("BITPIX", "16"));
  noSize.take(valueCard("NAXIS", "2"));
  noSize.take(valueCard("NAXIS1", "10"));
  cards = noSize;
  out.str("");
  EXPECT_FALSE(parse(1, false));
  EXPECT_EQ(out.str(), "    error in convh - are you trying to read a non-existent file?\n");
}

TEST_F(Convh, TwoDigitYearsAndDateOrders) {
  cards.take(valueCard("DATE-OBS", "'05/09/12T01:02:03'"));
  ASSERT_TRUE(parse(1));
  EXPECT_EQ(h.year, 2005);
  EXPECT_EQ(h.day, 12);
  ASSERT_TRUE(parse(0));
  EXPECT_EQ(h.year, 2012);
  EXPECT_EQ(h.day, 5);
}

TEST_F(Convh, SignsAndLettersAreFilteredOutOfIntegerCards) {
  cards.take(valueCard("BITPIX", "-32"));
  cards.take(valueCard("DATE-OBS", "'2018-04-17T03:35:22'"));
  ASSERT_TRUE(parse());
  EXPECT_EQ(h.bitpix, 32);  // the load then refuses it as not 16-bit
}

}  // namespace

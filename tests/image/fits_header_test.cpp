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
    return image::convh(console, cards, withDate,
                        dateOrder == 0 ? image::DateOrder::DayMonthYear : image::DateOrder::YearMonthDay, h);
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

TEST_F(Convh, FractionalSecondsAreKeptInTheFrameTime) {
  cards.take(valueCard("DATE-OBS", "'2005-09-12T21:30:15.875'"));
  ASSERT_TRUE(parse());
  EXPECT_EQ(h.second, 15);
  EXPECT_NEAR(h.frameTime, 21.0 + 30.0 / 60 + 15.875 / 3600, 2e-6);
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

TEST_F(Convh, DateWithoutItsTimeIsTakenWithAWarning) {
  cards.take(valueCard("DATE-OBS", "'12/09/05'"));
  EXPECT_TRUE(parse(0));
  EXPECT_EQ(h.year, 2005);
  EXPECT_EQ(h.frameTime, 0.0f);
  EXPECT_EQ(out.str(), "   warning - the header gives no time of observation; the frame time is 0\n");
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
  // Only an end time: no start to take.
  cards.take(valueCard("DATE-OBS", "'2005-09-12'"));
  cards.take(valueCard("UT-END", "'23:50:00'"));
  EXPECT_FALSE(parse());
  // Frames for workspaces 2 and 3 need no date at all.
  image::KeywordCards bare;
  for (const auto& c : fitstest::basicCards(10, 10, "")) bare.take(c);
  cards = bare;
  EXPECT_TRUE(parse(1, false));
  EXPECT_EQ(h.bzero, 0.0f);
  out.str("");
  EXPECT_TRUE(parse(1, true));  // workspace 1 takes a frame without a date, with a warning
  EXPECT_FALSE(h.dated);
  EXPECT_EQ(out.str(), "   warning - the header gives no date (DATE-OBS); the frame has no date or time\n");
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

TEST_F(Convh, IntegerCardsKeepTheirSign) {
  cards.take(valueCard("BITPIX", "-32"));
  cards.take(valueCard("NAXIS1", "-5"));
  cards.take(valueCard("DATE-OBS", "'2018-04-17T03:35:22'"));
  ASSERT_TRUE(parse());
  EXPECT_EQ(h.bitpix, -32);
  EXPECT_EQ(h.nx, -5);  // the load then refuses the size
}

// Frame times and dates: which card gives the start, mid-exposure or the start (frametime 2),
// the date forms, and impossible dates, times and exposures.
TEST_F(Convh, FrameTimesFromEveryCardAndRefusedImpossibleValues) {
  struct Case {
    std::vector<std::pair<const char*, const char*>> cards;
    int32_t dateOrder;
    bool mid;
    bool ok;
    int32_t y, m, d;
    double hours;
    const char* line;  // a line the parse must print ("" for none)
  };
  const double t0 = 21.0 + 30.0 / 60 + 15.5 / 3600;
  const Case cases[] = {
      {{{"DATE-OBS", "'2018-04-17T21:30:15.5'"}, {"EXPTIME", "60.0"}}, 1, true, true, 2018, 4, 17, t0 + 30.0 / 3600, ""},
      {{{"DATE-OBS", "'2018-04-17T21:30:15.5'"}, {"EXPTIME", "60.0"}}, 1, false, true, 2018, 4, 17, t0, ""},
      {{{"DATE-OBS", "'2018-04-17T21:30:15.5'"}, {"EXPOSURE", "10"}}, 0, true, true, 2018, 4, 17, t0 + 5.0 / 3600, ""},
      {{{"DATE-OBS", "'2013-07-13'"}, {"UT", "'00:57:33'"}, {"EXPTIME", "90"}}, 1, true, true, 2013, 7, 13,
       57.0 / 60 + 33.0 / 3600 + 45.0 / 3600, "    13    7 2013     0 57 33"},
      {{{"DATE-OBS", "'17/04/95'"}, {"TIME-OBS", "'21:30:15.25'"}, {"EXPTIME", "20"}}, 0, true, true, 1995, 4, 17,
       t0 - 0.25 / 3600 + 10.0 / 3600, "    17    4 1995    21 30 25   decimal hours =  21.507"},
      {{{"DATE-OBS", "'2018-04-17'"}, {"UT-START", "'21:30:15.5'"}, {"UT-END", "'21:31:15.5'"}, {"EXPTIME", "600"}}, 1,
       true, true, 2018, 4, 17, t0 + 30.0 / 3600, ""},
      {{{"DATE-OBS", "'2018-04-17'"}, {"UT-START", "'21:30:15.5'"}, {"EXPTIME", "60"}}, 1, true, true, 2018, 4, 17,
       t0 + 30.0 / 3600, ""},
      {{{"DATE-OBS", "'2018-04-17T21:30:15.5'"}, {"EXPTIME", "-5"}}, 1, true, true, 2018, 4, 17, t0,
       "   warning - EXPTIME = -5 is not an exposure time; the frame time is the start time"},
      {{{"DATE-OBS", "'2018-04-17T21:30:15.5'"}, {"EXPTIME", "1e30"}}, 1, true, true, 2018, 4, 17, t0,
       "   warning - EXPTIME = 1e30 is not an exposure time; the frame time is the start time"},
      {{{"DATE-OBS", "'2018-13-45T21:30:15'"}}, 1, true, false, 0, 0, 0, 0,
       "   error - impossible date in DATE-OBS: year 2018 month 13 day 45; file not loaded"},
      {{{"DATE-OBS", "'9999-99-99'"}, {"TIME-OBS", "'01:00:00'"}}, 1, true, false, 0, 0, 0, 0,
       "   error - impossible date in DATE-OBS: year 9999 month 99 day 99; file not loaded"},
      {{{"DATE-OBS", "'0000-00-00T00:00:00'"}}, 1, true, false, 0, 0, 0, 0, "   error - impossible date in DATE-OBS"},
      {{{"DATE-OBS", "'2019-02-29T00:00:00'"}}, 1, true, false, 0, 0, 0, 0, "   error - impossible date in DATE-OBS"},
      {{{"DATE-OBS", "'2018-04-17T21:30:75'"}}, 1, true, false, 0, 0, 0, 0,
       "   error - impossible time in DATE-OBS: 21 h 30 m 75 s; file not loaded"},
      {{{"DATE-OBS", "'2018-04-17'"}, {"TIME-OBS", "'25:61:61'"}}, 1, true, false, 0, 0, 0, 0,
       "   error - impossible time in TIME-OBS: 25 h 61 m 61 s; file not loaded"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cards[0].second);
    image::KeywordCards k = cards;
    for (const auto& [key, value] : c.cards) k.take(valueCard(key, value));
    out.str("");
    image::FrameHeader got;
    ASSERT_EQ(image::convh(console, k, true, core::dateOrderOf(c.dateOrder), got, nullptr, c.mid), c.ok)
        << out.str();
    if (*c.line) {
      EXPECT_NE(out.str().find(c.line), std::string::npos) << out.str();
    }
    if (!c.ok) continue;
    EXPECT_EQ(got.year, c.y);
    EXPECT_EQ(got.month, c.m);
    EXPECT_EQ(got.day, c.d);
    EXPECT_NEAR(got.frameTime, c.hours, 2e-6);
  }
}

}  // namespace

// Frame times read from header cards, designations and the packed forms of the 80-column
// format, the rounding of sexagesimal fields at their carries, and the ADES header at the
// limits of every site that `site` accepts.
#include <gtest/gtest.h>

#include "sky/mpc_reports.h"
#include "sky/utc_time.h"
#include "tests/image/fits_files.h"
#include "tests/sky/ades_reader.h"

namespace {

std::string trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

TEST(FrameTimes, MidExposureFromEveryFormOfTheHeaderToTheMillisecond) {
  struct Case {
    std::string cards;
    core::DateOrder order;
    std::string iso;
  };
  const Case cases[] = {
      {fitstest::freeCard("DATE-OBS", "'2026-03-14T21:59:45.250'") + fitstest::freeCard("EXPTIME", "30.5"), core::DateOrder::YearMonthDay,
       "2026-03-14T22:00:00.500Z"},
      {fitstest::freeCard("DATE-OBS", "'2026-03-14'") + fitstest::freeCard("TIME-OBS", "'23:59:50.125'") + fitstest::freeCard("EXPTIME", "20."),
       core::DateOrder::YearMonthDay, "2026-03-15T00:00:00.125Z"},
      {fitstest::freeCard("DATE-OBS", "'2026-03-14'") + fitstest::freeCard("UT-START", "'23:59:00'") + fitstest::freeCard("UT-END", "'00:01:00.5'"),
       core::DateOrder::YearMonthDay, "2026-03-15T00:00:00.250Z"},
      {fitstest::freeCard("DATE-OBS", "'14/03/26'") + fitstest::freeCard("UT", "'01:02:03'") + fitstest::freeCard("EXPOSURE", "60"),
       core::DateOrder::DayMonthYear, "2026-03-14T01:02:33.000Z"},
      {fitstest::freeCard("DATE-OBS", "'99/12/31'") + fitstest::freeCard("TIME-OBS", "'23:59:59.9996'"), core::DateOrder::YearMonthDay,
       "2000-01-01T00:00:00.000Z"},
  };
  for (const Case& c : cases) {
    sky::UtcTime t;
    std::string problem;
    ASSERT_TRUE(sky::midExposure(c.cards, c.order, t, problem)) << problem;
    EXPECT_EQ(sky::isoTime(t), c.iso) << c.cards;
  }
  // A bad card names its reason.
  const std::pair<std::string, std::string> bad[] = {
      {fitstest::freeCard("TIME-OBS", "'21:00:00'"), "the header has no DATE-OBS"},
      {fitstest::freeCard("DATE-OBS", "'2026-13-01'") + fitstest::freeCard("TIME-OBS", "'21:00:00'"), "DATE-OBS '2026-13-01' is not a date"},
      {fitstest::freeCard("DATE-OBS", "'2026-03-14'") + fitstest::freeCard("TIME-OBS", "'21:00:75'"), "a time card of the header is not hh:mm:ss"},
      {fitstest::freeCard("DATE-OBS", "'2026-03-14'"), "the header has no time of the exposure"},
  };
  for (const auto& [cards, reason] : bad) {
    sky::UtcTime t;
    std::string problem;
    EXPECT_FALSE(sky::midExposure(cards, core::DateOrder::YearMonthDay, t, problem));
    EXPECT_EQ(problem, reason);
  }
}

TEST(ReportFields, DesignationsPackAndSexagesimalFieldsCarry) {
  const std::tuple<std::string, sky::Designation::Kind, std::string> ok[] = {
      {"433", sky::Designation::Kind::Permanent, "00433"},
      {"123456", sky::Designation::Kind::Permanent, "C3456"},
      {"2026 AB12", sky::Designation::Kind::Provisional, "K26A12B"},
      {"1998 SS162", sky::Designation::Kind::Provisional, "J98SG2S"},
      {"2026 CQ", sky::Designation::Kind::Provisional, "K26C00Q"},
      {"pelm_01", sky::Designation::Kind::Temporary, "pelm_01"},
  };
  sky::ReportContext c;
  c.site.code = "Z84";
  for (const auto& [typed, kind, packed] : ok) {
    std::string problem;
    ASSERT_TRUE(sky::parseDesignation(typed, c.designation, problem)) << typed;
    EXPECT_EQ(c.designation.kind, kind) << typed;
    std::string line = sky::mpc80(c, {{sky::UtcTime{20526, 86399.9999}, {359.99999999, -0.0000001}}});
    ASSERT_EQ(line.size(), 81u) << line;
    EXPECT_EQ(trimmed(line.substr(0, 12)), packed) << typed;
    // The last instant of a day rounds to the next day; RA 360 to 0h; a tiny negative Dec keeps its sign.
    EXPECT_EQ(line.substr(15, 41), "2026 03 15.00000000 00 00.000-00 00 00.00") << line;
  }
  std::string problem;
  for (const char* badName : {"", "2026 IB12", "A very long name", "pelm 01", "12345678"}) {
    EXPECT_FALSE(sky::parseDesignation(badName, c.designation, problem)) << badName;
  }
  EXPECT_EQ(sky::raSexagesimal(15.0 * (1.0 + 59.0 / 60.0 + 59.9996 / 3600.0)), "02 00 00.000");
  EXPECT_EQ(sky::decSexagesimal(-(10.0 + 59.0 / 60.0 + 59.996 / 3600.0)), "-11 00 00.00");
}

// Every aperture `site` accepts (0.01-20 m) is written as the schema's positive decimal of at
// most 6 characters, with the value kept to its last written digit; designs, detectors and
// names at the longest `site` accepts are within the schema's lengths, one longer is refused.
TEST(ReportFields, AdesHeaderHoldsEverySiteThatSiteAccepts) {
  sky::ReportContext c;
  c.site.code = "Z84";
  c.site.longitude = -2.546, c.site.latitude = 37.2236, c.site.altitude = 2168;
  const std::string name100 = "A. " + std::string(97, 'N'), text25(25, 'D');
  c.site.observers = name100 + ", B. Helper";
  c.site.measurers = name100;
  c.site.contactName = name100;
  c.site.contactInfo = "observer@example.org";
  std::string problem;
  ASSERT_TRUE(sky::parseDesignation("433", c.designation, problem));
  for (double aperture : {0.01, 0.01234, 0.0635, 0.35, 1.0, 9.99996, 12.3456, 19.9999, 20.0}) {
    char typed[32];
    std::snprintf(typed, sizeof typed, "%.6g", aperture);
    c.site.telescope = std::string(typed) + ", " + text25 + ", " + text25;
    ASSERT_EQ(sky::checkSite(c.site), "") << typed;
    adesreader::Psv psv = adesreader::readPsv(sky::adesPsv(c, {{sky::UtcTime{20526, 3600.0}, {165.4855, 12.3131}}}));
    ASSERT_EQ(psv.problem, "") << typed;
    std::string written = psv.blocks["telescope"][1].substr(9);
    EXPECT_NEAR(std::stod(written), aperture, aperture < 10.0 ? 0.00005 : 0.0005) << written;
  }
  sky::Site longer = c.site;
  longer.telescope = "0.35, " + text25 + "D, CCD";
  EXPECT_EQ(sky::checkSite(longer), "the telescope design and detector must be 25 characters at most");
  longer = c.site;
  longer.measurers = "B. Helper; " + name100 + "N";
  EXPECT_EQ(sky::checkSite(longer), "a name is over 100 characters");
  longer = c.site;
  longer.contactName = name100 + "N";
  EXPECT_EQ(sky::checkSite(longer), "a name is over 100 characters");
}

}  // namespace

// The site file: what is written reads back the same, and every refusal names its reason.
#include <gtest/gtest.h>

#include "sky/site.h"
#include "tests/support/run_pelm.h"

namespace {

sky::Site example() {
  sky::Site s;
  s.code = "Z84";
  s.longitude = -2.546, s.latitude = 37.2236, s.altitude = 2168;
  s.observers = "A. Observer, B. Helper";
  s.measurers = "A. Observer";
  s.telescope = "0.35, Schmidt-Cassegrain, CCD";
  s.contactName = "A. Observer";
  s.contactInfo = "observer@example.org";
  return s;
}

TEST(SiteFile, WrittenSiteReadsBackAndItsPartsSplit) {
  auto dir = testsupport::freshFolder("site-file");
  testsupport::writeFile(dir / "site.txt", sky::siteText(example()));
  sky::Site back;
  std::string problem;
  ASSERT_EQ(sky::readSite((dir / "site.txt").string(), back, problem), sky::SiteRead::Ok) << problem;
  EXPECT_EQ(sky::siteText(back), sky::siteText(example()));
  EXPECT_EQ(back.longitude, -2.546);
  EXPECT_EQ(back.altitude, 2168.0);
  sky::Telescope t;
  ASSERT_TRUE(sky::parseTelescope(back.telescope, t));
  EXPECT_EQ(t.aperture, 0.35);
  EXPECT_EQ(t.design, "Schmidt-Cassegrain");
  EXPECT_EQ(t.detector, "CCD");
  EXPECT_EQ(sky::splitNames(" A. B ;C. D,, "), (std::vector<std::string>{"A. B", "C. D"}));
  EXPECT_EQ(sky::readSite((dir / "none.txt").string(), back, problem), sky::SiteRead::Missing);
}

TEST(SiteFile, EveryBadValueIsRefusedWithItsReason) {
  auto dir = testsupport::freshFolder("site-bad");
  const std::pair<std::string, std::string> cases[] = {
      {"observatory code = z8\n", "the observatory code must be 3 capital letters or digits"},
      {"longitude latitude altitude = 1 95 0\n", "the latitude must be -90 to 90 degrees"},
      {"longitude latitude altitude = nan 45 0\n", "line 8 is not a site value"},
      {"telescope = 0.35, Reflector\n", "the telescope must be: aperture (0.01-20 m), design, detector"},
      {"measurers = ;\n", "no measurers given"},
      {"contact info = a|b\n", "a value holds a character other than printable ASCII, a | or is over 200 characters"},
      {"favourite colour = blue\n", "line 8 is not a site value"},
  };
  for (const auto& [line, reason] : cases) {
    testsupport::writeFile(dir / "site.txt", sky::siteText(example()) + line);
    sky::Site s;
    std::string problem;
    EXPECT_EQ(sky::readSite((dir / "site.txt").string(), s, problem), sky::SiteRead::Malformed) << line;
    EXPECT_EQ(problem, reason) << line;
  }
}

}  // namespace

// `site` as an observer runs it: the values kept on blank answers, bad answers refused with
// one message and the stored file unchanged, and `alcdef` taking its defaults from the site.
#include <gtest/gtest.h>

#include "tests/support/run_pelm.h"

namespace {

const std::string kFirst =
    "site\nz84\n-2.546 37.2236 2168\nA. Observer, B. Helper\nA. Observer\n0.35, Schmidt-Cassegrain, CCD\n"
    "A. Observer\nobserver@example.org\n";
const std::string kStored =
    "observatory code = Z84\nlongitude latitude altitude = -2.546 37.2236 2168\nobservers = A. Observer, B. Helper\n"
    "measurers = A. Observer\ntelescope = 0.35, Schmidt-Cassegrain, CCD\ncontact name = A. Observer\n"
    "contact info = observer@example.org\n";

TEST(SiteCommand, BlankAnswersKeepTheStoredValuesAndBadOnesChangeNothing) {
  auto dir = testsupport::freshFolder("site-cmd");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", 100, 100));
  auto r = testsupport::runPelm(dir, kFirst + "stop\n");
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("  observatory code :   longitude, latitude (degrees, E+ N+) and altitude (m) :   observers :"
                       "   measurers :   telescope (aperture m, design, detector) :   contact name :   contact info : "
                       "  site Z84 written to site.txt\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(testsupport::readFile(dir / "site.txt"), kStored);

  r = testsupport::runPelm(dir, "site\n\n\n\nC. Measurer\n\n\n\nsite\n\n1 95 0\n\n\n\n\n\nsite\n\n\n\n\n0.35 Reflector\n\n\nstop\n");
  EXPECT_NE(r.out.find("  observatory code [Z84] :   longitude, latitude (degrees, E+ N+) and altitude (m) "
                       "[-2.546 37.2236 2168] :   observers [A. Observer, B. Helper] :   measurers [A. Observer] :   "
                       "telescope (aperture m, design, detector) [0.35, Schmidt-Cassegrain, CCD] :   contact name "
                       "[A. Observer] :   contact info [observer@example.org] :   site Z84 written to site.txt\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("   error - the latitude must be -90 to 90 degrees; site not written\n"), std::string::npos);
  EXPECT_NE(r.out.find("   error - the telescope must be: aperture (0.01-20 m), design, detector; site not written\n"),
            std::string::npos);
  std::string kept = kStored;
  kept.replace(kept.find("measurers = A. Observer"), 23, "measurers = C. Measurer");
  EXPECT_EQ(testsupport::readFile(dir / "site.txt"), kept);

  // A new site with a blank required value writes nothing.
  auto fresh = testsupport::freshFolder("site-cmd-blank");
  r = testsupport::runPelm(fresh, "site\nZ84\n1 2 3\n\n\n\n\n\nstop\n");
  EXPECT_NE(r.out.find("   error - no observers given; site not written\n"), std::string::npos) << r.out;
  EXPECT_FALSE(std::filesystem::exists(fresh / "site.txt"));
}

TEST(SiteCommand, AlcdefTakesObserversContactAndPositionFromTheSite) {
  auto dir = testsupport::freshFolder("site-alcdef");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", 100, 100));
  testsupport::writeFile(dir / "site.txt", kStored);
  testsupport::writeFile(dir / "rzcas.res",
                         testsupport::readFile(std::filesystem::path(PELM_SOURCE_DIR) /
                                               "tests/sessions/dmag-magnitudes.files/night1.res"));
  auto r = testsupport::runPelm(dir, "alcdef\nrzcas.res\n1\n12345\nSomeone\n1990 XY\n\n\n\nv\n\nrz.alc\nstop\n");
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("   observers [A. Observer, B. Helper] :   contact name [A. Observer] :   contact info "
                       "[observer@example.org] :   filter [C] :   observatory longitude and latitude, degrees (E+, N+) "
                       "[-2.546 37.2236] :   output file"),
            std::string::npos)
      << r.out;
  std::string alc = testsupport::readFile(dir / "rz.alc");
  EXPECT_NE(alc.find("OBSERVERS=A. Observer, B. Helper\n"), std::string::npos) << alc;
  EXPECT_NE(alc.find("CONTACTINFO=[observer@example.org]\n"), std::string::npos);
  EXPECT_NE(alc.find("OBSLONGITUDE=-2.5460\nOBSLATITUDE=+37.2236\n"), std::string::npos);
}

}  // namespace

// Sky solutions against astropy.wcs (Debian python3-astropy, which wraps its own copy of
// wcslib): headers of every form pelm reads and the real frame's TAN-SIP header, pixel to sky
// over a grid covering each whole frame, agreeing to 1 milliarcsecond. Headers that give no
// usable solution are refused with their reason.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "sky/header_cards.h"
#include "sky/sky_solution.h"
#include "tests/image/fits_files.h"
#include "tests/support/run_pelm.h"

namespace {

namespace fs = std::filesystem;

const char* kScript = R"(import sys, warnings
warnings.simplefilter("ignore")
from astropy.io import fits
from astropy.wcs import WCS
import numpy as np
header = fits.Header.fromstring(open(sys.argv[1]).read())
w = WCS(header)
pix = np.loadtxt(sys.argv[2], ndmin=2)
world = w.all_pix2world(pix, 1)
for ra, dec in world:
    print(repr(float(ra)), repr(float(dec)))
)";

std::string cards(const std::vector<std::pair<std::string, std::string>>& kv) {
  std::string out = fitstest::freeCard("SIMPLE", "T") + fitstest::freeCard("BITPIX", "16") + fitstest::freeCard("NAXIS", "2") + fitstest::freeCard("NAXIS1", "1000") +
                    fitstest::freeCard("NAXIS2", "800");
  for (const auto& [k, v] : kv) out += fitstest::freeCard(k, v);
  std::string end = "END";
  end.resize(80, ' ');
  return out + end;
}

using Cards = std::vector<std::pair<std::string, std::string>>;

const Cards kTanCommon = {{"CTYPE1", "'RA---TAN'"}, {"CTYPE2", "'DEC--TAN'"}, {"CRPIX1", "500.5"},
                          {"CRPIX2", "400.5"},      {"CRVAL1", "359.95"},     {"CRVAL2", "-42.25"},
                          {"RADESYS", "'ICRS'"}};

Cards with(Cards base, const Cards& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

// Every form the reader supports, each over a 1000 x 800 frame.
std::vector<std::pair<std::string, std::string>> headerForms() {
  Cards sip = with(kTanCommon, {{"CD1_1", "-4.1E-4"}, {"CD1_2", "1.2E-5"}, {"CD2_1", "1.1E-5"}, {"CD2_2", "4.1E-4"},
                                {"A_ORDER", "2"},     {"A_0_2", "2.1E-6"},  {"A_1_1", "-3.3E-6"}, {"A_2_0", "4.0E-6"},
                                {"B_ORDER", "2"},     {"B_0_2", "-1.5E-6"}, {"B_1_1", "2.5E-6"},  {"B_2_0", "1.0E-6"}});
  sip[0].second = "'RA---TAN-SIP'";
  sip[1].second = "'DEC--TAN-SIP'";
  Cards tpv = with(kTanCommon, {{"CD1_1", "-4.1E-4"}, {"CD1_2", "1.2E-5"}, {"CD2_1", "1.1E-5"}, {"CD2_2", "4.1E-4"},
                                {"PV1_0", "1.0E-5"},  {"PV1_1", "1.0"},     {"PV1_2", "2.0E-4"},  {"PV1_4", "3.0E-3"},
                                {"PV1_7", "-2.0E-2"}, {"PV2_0", "-1.0E-5"}, {"PV2_1", "1.0"},     {"PV2_2", "1.0E-4"},
                                {"PV2_5", "2.5E-3"},  {"PV2_10", "1.5E-2"}});
  tpv[0].second = "'RA---TPV'";
  tpv[1].second = "'DEC--TPV'";
  return {
      {"TAN with CD", cards(with(kTanCommon, {{"CD1_1", "-4.16E-4"}, {"CD1_2", "1.8E-5"}, {"CD2_1", "1.7E-5"},
                                              {"CD2_2", "4.16E-4"}}))},
      {"PC and CDELT", cards(with(kTanCommon, {{"CDELT1", "-4.2E-4"}, {"CDELT2", "4.2E-4"}, {"PC1_1", "0.9986"},
                                               {"PC1_2", "-0.0523"}, {"PC2_1", "0.0523"}, {"PC2_2", "0.9986"}}))},
      {"CDELT and CROTA2", cards(with(kTanCommon, {{"CDELT1", "-4.2E-4"}, {"CDELT2", "4.2E-4"}, {"CROTA2", "12.5"},
                                                   {"RADESYS", "'FK5'"}, {"EQUINOX", "2000.0"}}))},
      {"TAN-SIP", cards(sip)},
      {"TPV", cards(tpv)},
  };
}

// Compares pelm's positions with astropy's for a grid over nx x ny pixels; returns the worst
// separation in milliarcseconds.
double worstAgainstAstropy(const fs::path& dir, const std::string& header, int nx, int ny) {
  std::string problem;
  auto solution = sky::SkySolution::fromCards(header, problem);
  EXPECT_TRUE(solution) << problem;
  if (!solution) return 1e9;
  std::ostringstream grid;
  grid.precision(17);
  std::vector<std::pair<double, double>> pixels;
  for (int i = 0; i <= 10; ++i) {
    for (int j = 0; j <= 10; ++j) pixels.push_back({0.5 + nx * i / 10.0, 0.5 + ny * j / 10.0});
  }
  for (auto [u, v] : pixels) grid << u << ' ' << v << '\n';
  testsupport::writeFile(dir / "wcs.py", kScript);
  testsupport::writeFile(dir / "header.txt", header);
  testsupport::writeFile(dir / "pixels.txt", grid.str());
  std::string command = "/usr/bin/python3 " + (dir / "wcs.py").string() + " " + (dir / "header.txt").string() + " " +
                        (dir / "pixels.txt").string() + " > " + (dir / "out.txt").string() + " 2>" +
                        (dir / "err.txt").string();
  EXPECT_EQ(std::system(command.c_str()), 0) << testsupport::readFile(dir / "err.txt");
  std::istringstream out(testsupport::readFile(dir / "out.txt"));
  double worst = 0.0;
  for (auto [u, v] : pixels) {
    sky::SkyPosition ours, theirs;
    EXPECT_TRUE(solution->toSky(u, v, ours));
    EXPECT_TRUE(out >> theirs.ra >> theirs.dec) << "astropy gave fewer positions";
    theirs.ra = std::fmod(theirs.ra + 360.0, 360.0);
    worst = std::max(worst, sky::separationArcsec(ours, theirs) * 1000.0);
  }
  return worst;
}

bool haveAstropy() { return std::system("/usr/bin/python3 -c 'import astropy.wcs' >/dev/null 2>&1") == 0; }

TEST(SkySolution, EveryHeaderFormAgreesWithAstropyToOneMilliarcsecond) {
  if (!haveAstropy()) GTEST_SKIP() << "/usr/bin/python3 with astropy (python3-astropy) is not installed";
  fs::path dir = testsupport::freshFolder("wcs-forms");
  // The distortions are applied: SIP and TPV move the corner away from the plain TAN position.
  std::string problem;
  auto forms = headerForms();
  auto tan = sky::SkySolution::fromCards(forms[0].second, problem);
  auto sip = sky::SkySolution::fromCards(forms[3].second, problem);
  auto tpv = sky::SkySolution::fromCards(forms[4].second, problem);
  ASSERT_TRUE(tan && sip && tpv) << problem;
  sky::SkyPosition a, b, c;
  ASSERT_TRUE(tan->toSky(0.5, 0.5, a) && sip->toSky(0.5, 0.5, b) && tpv->toSky(0.5, 0.5, c));
  EXPECT_GT(sky::separationArcsec(a, b), 0.5);
  EXPECT_GT(sky::separationArcsec(a, c), 0.02);
  EXPECT_EQ(sip->projection(), "TAN-SIP");
  EXPECT_EQ(tpv->projection(), "TPV");
  for (const auto& [form, header] : forms) {
    double worst = worstAgainstAstropy(dir, header, 1000, 800);
    EXPECT_LT(worst, 1.0) << form;
    std::printf("  %-18s worst separation from astropy %.2e mas\n", form.c_str(), worst);
  }
}

TEST(SkySolution, TheRealFramesTanSipHeaderAgreesWithAstropy) {
  if (!haveAstropy()) GTEST_SKIP() << "/usr/bin/python3 with astropy (python3-astropy) is not installed";
  fs::path real = fs::path(PELM_SOURCE_DIR) / "tests/data/real/aspen_eyuma_thumbnail.fit";
  if (!fs::exists(real)) real = "/work/shared/data/real/aspen_eyuma_thumbnail.fit";
  std::string header, problem;
  ASSERT_TRUE(sky::readHeaderCards(real.string(), header, problem)) << problem;
  auto solution = sky::SkySolution::fromCards(header, problem);
  ASSERT_TRUE(solution) << problem;
  EXPECT_EQ(solution->projection(), "TAN-SIP");
  double worst = worstAgainstAstropy(testsupport::freshFolder("wcs-real"), header, 256, 256);
  EXPECT_LT(worst, 1.0);
  std::printf("  real frame (TAN-SIP) worst separation from astropy %.2e mas\n", worst);
}

TEST(SkySolution, HeadersWithoutAUsableSolutionAreRefusedWithTheirReason) {
  Cards cd = {{"CD1_1", "-4.16E-4"}, {"CD1_2", "0.0"}, {"CD2_1", "0.0"}, {"CD2_2", "4.16E-4"}};
  Cards noCtype(kTanCommon.begin() + 2, kTanCommon.end());
  Cards unknown = kTanCommon;
  unknown[0].second = "'RA---XYZ'";
  unknown[1].second = "'DEC--XYZ'";
  Cards nanValue = with(kTanCommon, cd);
  nanValue[4].second = "NaN";
  Cards b1950 = with(kTanCommon, cd);
  b1950[6].second = "'FK4'";
  const std::pair<std::string, Cards> cases[] = {
      {"no CTYPE", with(noCtype, cd)},
      {"unknown projection", with(unknown, cd)},
      {"singular CD", with(kTanCommon, {{"CD1_1", "1.0E-4"}, {"CD1_2", "2.0E-4"}, {"CD2_1", "1.0E-4"}, {"CD2_2", "2.0E-4"}})},
      {"NaN", nanValue},
      {"FK4", b1950},
  };
  for (const auto& [what, kv] : cases) {
    std::string problem;
    EXPECT_EQ(sky::SkySolution::fromCards(cards(kv), problem), nullptr) << what;
    EXPECT_FALSE(problem.empty()) << what;
    std::printf("  %-18s -> %s\n", what.c_str(), problem.c_str());
  }
}

}  // namespace

// The night report: a column's scatter is its standard deviation, and a small night gives the
// whole report and summary as written here.
#include "results/night_report.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(NightReport, ScatterIsTheStandardDeviationWithoutMissingValues) {
  results::ResTable curve;
  curve.magnitudes = true;
  curve.names[0] = "ast";
  curve.names[2] = "s1";
  for (double v : {1.0, 1.2, 1.4, 99.999}) {
    results::ResRow r;
    r.value[0] = v;
    r.value[2] = 0.5;
    curve.rows.push_back(r);
  }
  const auto scatter = results::columnScatter(curve);
  ASSERT_EQ(scatter.size(), 2u);
  EXPECT_EQ(scatter[0].name, "ast");
  EXPECT_EQ(scatter[0].points, 3);
  EXPECT_NEAR(scatter[0].rms, std::sqrt(0.08 / 3.0), 1e-12);
  EXPECT_EQ(scatter[1].points, 4);
  EXPECT_NEAR(scatter[1].rms, 0.0, 1e-12);
}

TEST(NightReport, ASmallNightGivesTheWholeReport) {
  results::NightFacts f;
  f.listed = 3;
  f.alignment = {{"fmg001", 21.0, 0.0, 0.0, 0.0, 700.0, 0.0, 3, true},
                 {"fmg002", 21.1, 1.5, -0.5, 0.01, 700.0, 0.05, 4, true},
                 {"fmg003", 21.2, 9999.99, 9999.99, 0.0, 700.0, 0.0, 0, false}};
  f.flags["ast"] = {{"aperture", 1}, {"clean", 1}};
  f.timing = {"   timing - fmg002: 30.0 s after fmg001, less than the exposure"};
  f.lightCurve = "night.res";
  f.scatter = {{"ast", 2, 0.01234}};
  f.astrometry = "astrometry.psv";
  f.positions = 2;
  f.rmsRa = 0.1, f.rmsDec = 0.2;
  f.pictures = {"night-offsets.svg"};
  EXPECT_EQ(results::nightReport(f),
            "# Night report\n\n## Frames\n\n"
            "| listed | in align.dat | aligned | not aligned |\n|---|---|---|---|\n| 3 | 3 | 2 | 1 |\n\n"
            "| through the night | range |\n|---|---|\n| time (h UT) | 21.0000 to 21.1000 |\n"
            "| du (pixels) | 0.00 to 1.50 |\n| dv (pixels) | -0.50 to 0.00 |\n| rotation (degrees) | 0.000 to 0.010 |\n"
            "| fwhm (pixels) | 3 to 4 |\n\n- not aligned: fmg003\n\n"
            "## Flags\n\n| object | measurements | contaminated | aperture | sky | steady | skybox | clean | nolist |\n"
            "|---|---|---|---|---|---|---|---|---|\n| ast | 2 | 1 | 1 | 0 | 0 | 0 | 1 | 0 |\n\n"
            "Timing:\n\n- timing - fmg002: 30.0 s after fmg001, less than the exposure\n\n"
            "## Photometry\n\nScatter of each column of night.res about its mean:\n\n"
            "| column | points | rms |\n|---|---|---|\n| ast | 2 | 0.0123 |\n\n"
            "## Astrometry\n\n2 positions in astrometry.psv; rms of the residuals 0.100\" in RA, 0.200\" in Dec.\n\n"
            "## Pictures\n\n![night-offsets.svg](night-offsets.svg)\n\n");
  const std::vector<std::string> summary = {"   frames: 3 listed, 2 of 3 in align.dat aligned",
                                            "   ast: 1 of 2 measurements contaminated", "   timing anomalies: 1",
                                            "   scatter of ast: 0.0123 (2 points)",
                                            "   astrometric rms (arcsec): RA 0.100  Dec 0.200"};
  EXPECT_EQ(results::nightSummary(f), summary);
}

}  // namespace

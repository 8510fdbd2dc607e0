// Photometry of a frame: records of known stars, refusals at the image edge, the mean-per-pixel
// type without an area, the position check, the PSF list and table lines, and optimal extraction.
#include "phot/phot_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "tests/phot/synthetic.h"
#include "textio/fortran_format.h"
#include "tests/support/run_pelm.h"

namespace {

using phottest::TestConsole;

struct FrameFixture {
  TestConsole tc;
  core::Settings settings;
  image::Camera camera = phottest::squareCamera(1.0f);
  image::Workspaces ws;
  align::AlignmentTable alignment;
  phot::StarData stars;
  motion::PathModel path;
  phot::PsfModel model;
  phot::SkySamples samples;
  phot::PhotTables tables{tc.console, settings, camera, ws, alignment, stars, path, model, samples};
  float r0 = 0.0f, e = 0.0f;
  int32_t weighting = 0;

  // Round stars of the elliptical model at the given fiducial positions, frame shifted by
  // (3, -2) from the fiducial frame, sky 700 with photon noise.
  FrameFixture(std::vector<std::pair<float, float>> at, double amplitude = 3000.0) {
    for (size_t k = 0; k < at.size(); ++k) {
      stars.starLabels[int(k) + 1] = textio::fixed("S" + std::to_string(k + 1), 5);
      stars.photStarU[int(k) + 1] = at[k].first;
      stars.photStarV[int(k) + 1] = at[k].second;
    }
    stars.photStarCount = int32_t(at.size());
    ws = phottest::noisyFrame(200, 160, 700.0, [&](int32_t i, int32_t j) {
      double s = 0.0;
      for (auto [u, v] : at) s += phottest::ellipticalPixel(amplitude, u + 3.0, v - 2.0, 1.4, 1.0, i, j);
      return s;
    }, 41);
    ws.frameYear = 2026;
    ws.frameMonth = 3;
    ws.frameDay = 9;
    alignment.entries[4].name = textio::fixed("night001", 20);
    alignment.entries[4].time = 22.125f;
  }
  phot::PhotResults run(const std::string& type, std::ostream* list = nullptr, std::ostream* table = nullptr) {
    phot::PhotOptions o;
    o.logOn = 1;
    o.apertureType = type;
    return phot::phot(tables, "night001.fts", 3.0f, -2.0f, 0.0f, o, r0, e, weighting, list, table);
  }
};

TEST(PhotFrame, SoftRecordsOnConsoleAndInTheLog) {
  FrameFixture f({{60.0f, 50.0f}, {120.4f, 90.7f}, {4.0f, 80.0f}});
  const auto folder = testsupport::freshFolder("photframe");
  ASSERT_TRUE(f.tc.console.openLog((folder / "log.txt").string()));
  f.settings.apertureRadius = 5.0f;
  const phot::PhotResults r = f.run("soft");
  f.tc.console.closeLog();
  EXPECT_EQ(f.ws.frameTime, 22.125f);
  const double truth = 3000.0 * M_PI * 1.4 * 1.4 * (1.0 - std::exp(-25.0 / (1.4 * 1.4)));
  for (int k = 1; k <= 2; ++k) {
    EXPECT_NEAR(r.flux[k], truth, 4.0 * r.error[k]) << k;
    EXPECT_NEAR(r.sky[k], 700.0, 3.0);
  }
  // Object 3 sits 7 pixels from the frame edge: its sky box does not fit, flux and sky are 0.
  EXPECT_EQ(r.flux[3], 0.0f);
  EXPECT_EQ(r.sky[3], 0.0);
  const std::string log = testsupport::readFile(folder / "log.txt");
  const std::string head = " night001.fts         2026, 3, 9,  22.125";
  ASSERT_EQ(log.substr(0, head.size()), head);
  // Ten flux fields, ten sky fields, q and n: 22 comma-separated fields after the time.
  std::istringstream fields(log.substr(head.size()));
  std::vector<std::string> cells;
  for (std::string c; std::getline(fields, c, ',');) cells.push_back(c);
  ASSERT_EQ(cells.size(), 22u);
  EXPECT_EQ(cells[0], textio::fmtF(r.flux[1], 8, 0));
  EXPECT_EQ(cells[2], "      0.");
  EXPECT_EQ(cells[3], "      0.");
  EXPECT_EQ(cells[10], textio::fmtF(r.sky[1], 7, 1));
  EXPECT_EQ(cells[12], "    0.0");
  EXPECT_EQ(cells[20], "0.000");
  EXPECT_EQ(cells[21], "  0\n");
  EXPECT_NE(f.tc.text().find("   photometry output data: date, time, star(1-10), sky(1-10)\n"
                             "   2026  3  9   22.125  "),
            std::string::npos);
  std::filesystem::remove_all(folder);
}

TEST(PhotFrame, NoObjectsStillWritesARecordOfZeros) {
  FrameFixture f({});
  const auto folder = testsupport::freshFolder("photframe0");
  ASSERT_TRUE(f.tc.console.openLog((folder / "log.txt").string()));
  f.run("soft");
  f.tc.console.closeLog();
  std::string want = " night001.fts         2026, 3, 9,  22.125";
  for (int k = 0; k < 10; ++k) want += "      0.,";
  for (int k = 0; k < 10; ++k) want += "    0.0,";
  want += "0.000,  0\n";
  EXPECT_EQ(testsupport::readFile(folder / "log.txt"), want);
  std::filesystem::remove_all(folder);
}

TEST(PhotFrame, MeanPerPixelWithoutAnAreaIsZeroNotUndefined) {
  // Sky from a patch well inside; the object 3 pixels from the edge: the aperture box fails.
  FrameFixture f({{0.0f, 80.0f}});
  f.stars.skyOffsetU[1][1] = 50.0f;
  f.stars.skyOffsetV[1][1] = 0.0f;
  f.settings.skyApertureRadius = 3.0f;
  const phot::PhotResults r = f.run("hdav");
  EXPECT_GT(r.sky[1], 600.0);
  EXPECT_EQ(r.flux[1], 0.0f);
  EXPECT_EQ(r.error[1], 0.0f);
}

TEST(PhotFrame, MeanPerPixelOfAStar) {
  FrameFixture f({{60.0f, 50.0f}});
  f.settings.apertureRadius = 5.0f;
  const phot::PhotResults hard = f.run("hard");
  const phot::PhotResults mean = f.run("hdav");
  // The mean excess per pixel: the hard flux divided by the 81 pixels of radius 5.
  EXPECT_NEAR(mean.flux[1], hard.flux[1] / 81.0f, 1e-3);
}

TEST(PhotFrame, PositionCheckOfAStarAtItsPlace) {
  FrameFixture f({{60.0f, 50.0f}}, 20000.0);
  const phot::PhotResults r = f.run("chec");
  EXPECT_LT(r.flux[1], 0.05f);  // noise moves the centroid by a few hundredths at most
  EXPECT_NE(f.tc.text().find(" 22.125 refined position S1      60.0   50.0    60.0   50.0   "),
            std::string::npos);
  EXPECT_EQ(f.tc.text().find("photometry output data"), std::string::npos);
}

TEST(PhotFrame, PositionCheckWithoutAStarPrintsNothing) {
  // Object 2 is placed on empty sky: the centring rejects it; no line, flux 0.
  FrameFixture f({{60.0f, 50.0f}, {150.0f, 100.0f}}, 20000.0);
  FrameFixture empty({{60.0f, 50.0f}}, 20000.0);
  f.ws = empty.ws;
  const phot::PhotResults r = f.run("chec");
  EXPECT_NE(f.tc.text().find(" refined position S1   "), std::string::npos);
  EXPECT_EQ(f.tc.text().find(" refined position S2   "), std::string::npos);
  EXPECT_EQ(r.flux[2], 0.0f);
}

TEST(PhotFrame, PsfRunWritesListAndTable) {
  FrameFixture f({{60.0f, 50.0f}, {120.3f, 90.6f}, {196.0f, 40.0f}});
  f.stars.skyOffsetU[3][1] = -30.0f;  // sky fits; the 11 x 11 box of object 3 does not
  f.stars.skyOffsetV[3][1] = 0.0f;
  f.settings.skyApertureRadius = 3.0f;
  std::ostringstream list, table;
  const phot::PhotResults r = f.run("psfa", &list, &table);
  std::istringstream lines(list.str());
  std::vector<std::string> l;
  for (std::string s; std::getline(lines, s);) l.push_back(s);
  ASSERT_EQ(l.size(), 9u);  // header of 6 lines, two objects, terminator
  EXPECT_EQ(l[0], " ");
  EXPECT_EQ(l[2], "  stars found in night001.fts        ");
  EXPECT_EQ(l[4], "  time (hours) = 22.1250");
  EXPECT_EQ(l[5], "     u     v     -   rpsf    e     q ");
  // Fitted centres in frame pixels (fiducial + (3, -2)), shapes near r0 1.4, e 1.0.
  EXPECT_NEAR(std::stod(l[6].substr(1, 7)), 63.0, 0.1);
  EXPECT_NEAR(std::stod(l[6].substr(9, 7)), 48.0, 0.1);
  EXPECT_NEAR(std::stod(l[7].substr(1, 7)), 123.3, 0.1);
  EXPECT_NEAR(std::stod(l[7].substr(9, 7)), 88.6, 0.1);
  EXPECT_EQ(l[8].substr(0, 20), " 9999.00 9999.00  1 ");
  EXPECT_NEAR(r.widthNS[1], 1.4f, 0.1f);
  EXPECT_NEAR(r.widthEW[2], 1.4f, 0.1f);
  EXPECT_EQ(r.widthNS[3], 0.0f);
  EXPECT_EQ(f.weighting, 1);
  EXPECT_EQ(table.str().substr(0, 32), " \"night001.fts        \", 22.125,");
  EXPECT_EQ(f.stars.psfNumber, 2.0f);  // two fits added to the frame's PSF sums
}

TEST(PhotFrame, OptimalExtractionOfTwoStars) {
  FrameFixture f({{60.0f, 50.0f}, {120.4f, 90.7f}});
  f.r0 = 1.4f;
  f.e = 1.0f;
  const phot::PhotResults r = f.run("opti");
  const double truth = 3000.0 * M_PI * 1.4 * 1.4;
  for (int k = 1; k <= 2; ++k) EXPECT_NEAR(r.flux[k], truth, 4.0 * r.error[k] + 0.01 * truth) << k;
  EXPECT_EQ(f.model.subsampling, 5);
}

TEST(PhotFrame, MovingObjectFollowsThePathModel) {
  // Object 2's stored position is wrong; the path model puts it at (70, 50) at any time.
  FrameFixture f({{60.0f, 50.0f}, {10.0f, 10.0f}});
  f.path.cu[1] = 70.0f;
  f.path.cv[1] = 50.0f;
  f.settings.motionOn = 1;
  FrameFixture g({{60.0f, 50.0f}, {70.0f, 50.0f}});
  // Under "psf " the moving object is object 2; the frame of f has no star at (70, 50), so use
  // g's pixels for both runs.
  f.ws = g.ws;
  std::ostringstream list, table;
  f.run("psf ", &list, &table);
  EXPECT_NE(f.tc.text().find("    object =  2   (u0,v0) =    70.00    50.00\n"), std::string::npos);
  EXPECT_NE(f.tc.text().find("    object =  1   (u0,v0) =    60.00    50.00\n"), std::string::npos);
  // Under every other type the moving object is object 1.
  f.tc.out.str("");
  f.run("soft");
  EXPECT_NE(f.tc.text().find("    object =  1   (u0,v0) =    70.00    50.00\n"), std::string::npos);
}

TEST(PhotFrame, TraceLinesFollowTheVerbosity) {
  FrameFixture f({{60.0f, 50.0f}, {120.4f, 90.7f}});
  f.r0 = 1.4f;
  f.e = 1.0f;
  f.settings.verbosity = 5;
  f.run("opti");
  const std::string out = f.tc.text();
  for (const char* line :
       {"     entered phot ; uoff, voff, rotat =    3.00   -2.00   0.000 aperture type = opti\n",
        "  start of main photometry loop for star number 1\n", "  end of main photometry loop for star number 2\n",
        "  getting star count for u,v =   63.0   48.0\n", "  calling wtmask ... \n", "  calling mvmask ... \n",
        "  calling extrct ... \n", "   total optimal flux for star  2 signal-sky = ",
        " \n  end of main photometry loop;  aptype = opti\n"}) {
    EXPECT_NE(out.find(line), std::string::npos) << line;
  }
  // At verbosity 1 none of them.
  FrameFixture quiet({{60.0f, 50.0f}, {120.4f, 90.7f}});
  quiet.r0 = 1.4f;
  quiet.e = 1.0f;
  quiet.settings.verbosity = 1;
  quiet.run("opti");
  for (const char* text : {"entered phot", "main photometry loop", "calling", "getting star count", "total optimal"})
    EXPECT_EQ(quiet.tc.text().find(text), std::string::npos) << text;
}

TEST(PhotFrame, PsfRunFitsPositionsOfLaterObjectsWithTheFirstObjectsShape) {
  FrameFixture f({{60.0f, 50.0f}, {120.3f, 90.6f}, {150.7f, 60.2f}});
  f.settings.verbosity = 2;
  std::ostringstream list, table;
  const phot::PhotResults r = f.run("psf ", &list, &table);
  const std::string out = f.tc.text();
  EXPECT_NE(out.find(" processing file night001.fts         star =  3\n"), std::string::npos);
  EXPECT_NE(out.find("calling psfpos star =  3 r0psf,ellip = "), std::string::npos);
  EXPECT_EQ(out.find("calling psffit star"), std::string::npos);
  std::istringstream lines(list.str());
  std::vector<std::string> l;
  for (std::string s; std::getline(lines, s);) l.push_back(s);
  ASSERT_EQ(l.size(), 10u);  // header, three objects, terminator
  // Objects 2 and 3 carry object 1's shape and their own fitted centres.
  for (int k = 7; k <= 8; ++k) EXPECT_EQ(l[k].substr(18, 13), l[6].substr(18, 13)) << l[k];
  EXPECT_NEAR(std::stod(l[8].substr(1, 7)), 153.7, 0.1);
  EXPECT_NEAR(std::stod(l[8].substr(9, 7)), 58.2, 0.1);
  EXPECT_EQ(r.widthNS[2], 0.0f);
  EXPECT_EQ(r.widthNS[3], 0.0f);
  EXPECT_GT(r.widthNS[1], 1.2f);
  EXPECT_EQ(f.stars.psfNumber, 1.0f);  // only object 1's fit goes to the PSF sums
}

TEST(PhotFrame, OptimalExtractionRefusesOneObjectAndMeasuresTheOthers) {
  // Object 2's sky patch lies inside but its 11 x 11 box reaches past the right edge.
  FrameFixture f({{60.0f, 50.0f}, {193.0f, 80.0f}, {120.4f, 90.7f}});
  f.stars.skyOffsetU[2][1] = -40.0f;
  f.stars.skyOffsetV[2][1] = 0.0f;
  f.settings.skyApertureRadius = 3.0f;
  f.r0 = 1.4f;
  f.e = 1.0f;
  const phot::PhotResults r = f.run("opti");
  EXPECT_GT(r.sky[2], 600.0);
  EXPECT_EQ(r.flux[2], 0.0f);
  EXPECT_EQ(r.error[2], 0.0f);
  EXPECT_GT(r.flux[3], 0.5f * r.flux[1]);
  EXPECT_NE(f.tc.text().find("    object box reaches outside the image; object not measured\n"), std::string::npos);
  // A PSF shape of zero size gives no weight mask: every object refused, none undefined.
  FrameFixture g({{60.0f, 50.0f}, {120.4f, 90.7f}});
  const phot::PhotResults z = g.run("opti");
  for (int k = 1; k <= 2; ++k) {
    EXPECT_EQ(z.flux[k], 0.0f) << k;
    EXPECT_FALSE(std::isnan(z.error[k])) << k;
  }
  EXPECT_NE(g.tc.text().find("no usable weight mask"), std::string::npos);
}

TEST(PhotFrame, NearestTwoSkiesReplaceThePooledSkyOfObjectOne) {
  // A sky rising 5 counts a pixel along u, no noise. The nearest-two search compares the
  // object's fiducial (u, v) = (60, 50) with the stored offsets themselves: offsets 40, 58, 70, 90 put the
  // patches at frame u 103, 121, 133, 153 (skies 900, 990, 1050, 1150). Pooled: their mean;
  // nearest two: 58 lies inside the exclusion radius (3 + 2 + 2), so 40 and 70 are taken.
  for (int method : {1, 2}) {
    FrameFixture f({{60.0f, 50.0f}});
    for (int32_t i = 1; i <= f.ws.nx; ++i)
      for (int32_t j = 1; j <= f.ws.ny; ++j) f.ws.put(i, j, 700 + 5 * (i - 63));
    const float offsets[] = {40.0f, 58.0f, 70.0f, 90.0f};
    for (int k = 0; k < 4; ++k) {
      f.stars.skyOffsetU[1][k + 1] = offsets[k];
      f.stars.skyOffsetV[1][k + 1] = 50.0f;  // level with the object's fiducial v
    }
    f.settings.skyApertureRadius = 3.0f;
    f.settings.apertureRadius = 2.0f;
    f.settings.skySubtractionMethod = method;
    const phot::PhotResults r = f.run("soft");
    EXPECT_DOUBLE_EQ(r.sky[1], method == 1 ? 1022.5 : 975.0) << method;
    const bool printed = f.tc.text().find("          in routine nr2sky; nearest sky position :  2\n") != std::string::npos;
    EXPECT_EQ(printed, method == 2);
  }
}

}  // namespace

// Photometry over a file list, run in-process on frames written by the test: the log header
// line by line, one record per frame with the known stars measured, and the PSF files of a
// one-frame psffiles run.
#include "app/photometry_commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "image/fits_load.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "tests/image/fits_files.h"
#include "tests/phot/synthetic.h"
#include "tests/support/in_process.h"
#include "tests/support/run_pelm.h"

namespace fs = std::filesystem;

namespace {

constexpr int kNx = 100, kNy = 80;

// A 16-bit frame stored with BZERO 32768; value(i, j) for pixel (i, j), i along the row.
std::string fitsFrame(const std::function<int32_t(int, int)>& value, const std::string& dateObs) {
  std::vector<std::string> cards = fitstest::basicCards(kNx, kNy);
  cards.push_back(fitstest::card("DATE-OBS= '" + dateObs + "'"));
  return fitstest::header(cards) +
         fitstest::data(kNx, kNy, [&](int i, int j) { return static_cast<uint16_t>(value(i, j) ^ 0x8000); });
}

// Two stars of the elliptical model (amplitude 2500, r0 1.4, e 1) at fiducial (40, 30) and
// (70, 50), shifted by (du, dv), on a sky of 600 with photon noise.
std::string starFrame(double du, double dv, unsigned seed, const std::string& dateObs) {
  const image::Workspaces ws = phottest::noisyFrame(kNx, kNy, 600.0, [&](int32_t i, int32_t j) {
    return phottest::ellipticalPixel(2500.0, 40.0 + du, 30.0 + dv, 1.4, 1.0, i, j) +
           phottest::ellipticalPixel(2500.0, 70.0 + du, 50.0 + dv, 1.4, 1.0, i, j);
  }, seed);
  return fitsFrame([&](int i, int j) {
    int32_t p = 0;
    (void)ws.get(i, j, p);
    return p;
  }, dateObs);
}

struct ListRun : testsupport::InProcess {
  fs::path folder = testsupport::freshFolder("photfiles");

  ListRun(const std::string& keyed, const std::vector<std::string>& frames) {
    answers(keyed);
    app::State& s = *state;
    s.settings.workingPath = textio::fixed(folder.string() + "/", 80);
    for (auto& code : s.settings.fileTypeCodes) code = "fit";
    s.camera = image::defaultCamera();
    std::string list = std::to_string(frames.size()) + "\n";
    for (size_t k = 0; k < frames.size(); ++k) {
      list += textio::fixed(frames[k], 20) + "\n";
      auto& e = s.alignment.entries[int(k) + 1];
      e.name = textio::fixed(frames[k], 20);
      e.time = 21.5f + 0.25f * float(k);
      e.du = 2.0f * float(k);
      e.dv = -1.0f * float(k);
      e.fwhm = 2;
      testsupport::writeFile(folder / (frames[k] + ".fit"),
                             starFrame(e.du, e.dv, 90u + unsigned(k), "2026-03-09T21:30:00"));
    }
    testsupport::writeFile(folder / "filelist.txt", list + " \n");
    phot::StarData& sd = s.starData;
    sd.photStarCount = 2;
    sd.starLabels[1] = "ref  ";
    sd.starLabels[2] = "var  ";
    sd.photStarU[1] = 40.0f;
    sd.photStarV[1] = 30.0f;
    sd.photStarU[2] = 70.0f;
    sd.photStarV[2] = 50.0f;
    s.settings.skyBox = 21;
    s.settings.apertureRadius = 4.0f;
  }
  ~ListRun() { fs::remove_all(folder); }
  std::vector<std::string> lines(const std::string& name) {
    return testsupport::lines(testsupport::readFile(folder / name));
  }
};

TEST(PhotometryCommands, PhotfilesWritesTheLogHeaderAndOneRecordPerFrame) {
  ListRun run("...\n", {"night001", "night002"});
  ASSERT_TRUE(run.console.openLog((run.folder / "pelmlog.txt").string()));
  run.state->interp.logOn = 1;
  app::photfilesCommand(run.session);
  run.console.closeLog();
  const std::vector<std::string> log = run.lines("pelmlog.txt");
  const std::vector<std::string> header = {
      "\" \"",
      " \"ref  \",\"ref  \",  40.00,  30.00",
      " \"var  \",\"var  \",  70.00,  50.00",
      "\" \"",
      " \"automatic sky subtraction\"",
      " \"skybox = \",  21",
      " ",
      "\"output format : ssssssssssbbbbbbbbbb\"",
      " ",
      " \"soft aperture; radius = \" 4.00",
      " ",
      " \"start of data\"",
      " \"y\",\"m\",\"d\",\"time\",\"ref  \",\"var  \",\"     \",\"     \",\"     \",\"     \",\"     \","
      "\"     \",\"     \",\"     \",\"ref  \",\"var  \",\"     \",\"     \",\"     \",\"     \",\"     \","
      "\"     \",\"     \",\"     \""};
  ASSERT_EQ(log.size(), header.size() + 2);
  for (size_t k = 0; k < header.size(); ++k) EXPECT_EQ(log[k], header[k]) << "line " << k + 1;
  // Records: name with its type, date, the frame's time from the alignment table, and both
  // stars' fluxes close to the truth within a radius of 4 (noise about 1.5 %).
  const double truth = 2500.0 * M_PI * 1.4 * 1.4 * (1.0 - std::exp(-16.0 / (1.4 * 1.4)));
  for (int f = 0; f < 2; ++f) {
    const std::string& rec = log[header.size() + size_t(f)];
    // The list holds the names without their type, and PHOT records the name it is given.
    EXPECT_EQ(rec.substr(0, 41), " " + textio::fixed(std::string("night00") + char('1' + f), 20) +
                                     " 2026, 3, 9," + textio::fmtF(21.5 + 0.25 * f, 8, 3));
    for (int k = 0; k < 2; ++k) {
      const double flux = std::stod(rec.substr(41 + 9 * size_t(k), 8));
      EXPECT_NEAR(flux, truth, 0.06 * truth) << "frame " << f << " star " << k;
    }
    EXPECT_EQ(rec.substr(41 + 18, 9), "      0.,");
  }
}

// Photometry reads only a few places of each frame, but when the batch ends workspace 1 holds
// the last frame that loaded, whole, as loading it does; a frame that cannot be loaded at
// the end of the list leaves the one before.
TEST(PhotometryCommands, AfterTheBatchWorkspaceOneHoldsTheLastFrameWhole) {
  for (bool lastMissing : {false, true}) {
    ListRun run("...\n", {"night001", "night002", "night003"});
    if (lastMissing) fs::remove(run.folder / "night003.fit");
    app::photfilesCommand(run.session);
    const app::State& st = *run.state;
    EXPECT_FALSE(st.ws.deferred.active());
    // The same frame loaded on its own into a fresh workspace set.
    ListRun alone("", {lastMissing ? "night002" : "night003"});
    alone.state->alignment = st.alignment;
    for (int k = 1; k <= 3; ++k) {
      const std::string name = "night00" + std::to_string(k) + ".fit";
      if (fs::exists(run.folder / name)) testsupport::writeFile(alone.folder / name, testsupport::readFile(run.folder / name));
    }
    app::State& ref = *alone.state;
    ASSERT_TRUE(image::load(alone.console, ref.settings, ref.camera, ref.ws,
                            textio::fixed(lastMissing ? "night002" : "night003", 20), image::Combine::Replace,
                            1.0f, 0, 0));
    ASSERT_EQ(st.ws.nx, kNx);
    int wrong = 0;
    for (size_t p = 0; p < size_t(kNx) * kNy; ++p) wrong += st.ws.w1[p] != ref.ws.w1[p];
    EXPECT_EQ(wrong, 0) << (lastMissing ? "last frame missing" : "all frames there");
  }
}

TEST(PhotometryCommands, FramesRefusedForWidthOrAlignment) {
  ListRun run("...\n", {"night001", "night002", "night003"});
  run.state->alignment.entries[2].fwhm = 4;  // above the limit of 3
  run.state->alignment.entries[3].name = textio::fixed("other", 20);
  app::photfilesCommand(run.session);
  const std::string out = run.screen.str();
  EXPECT_NE(out.find("   error - PSF too wide\n"), std::string::npos);
  EXPECT_NE(out.find("   night003:    error - no alignment\n"), std::string::npos);
  // Only the first frame was loaded and measured.
  size_t loads = 0;
  for (size_t p = out.find("entered load"); p != std::string::npos; p = out.find("entered load", p + 1)) ++loads;
  EXPECT_EQ(loads, 1u);
  EXPECT_NE(out.find("    object =  2"), std::string::npos);
}

TEST(PhotometryCommands, SingleUnalignedFrameIsMeasuredOnRequest) {
  ListRun run("...\n\n", {"night001"});
  run.state->alignment.entries[1].name = textio::fixed("other", 20);
  app::photfilesCommand(run.session);
  const std::string out = run.screen.str();
  EXPECT_NE(out.find(" \n   process image without alignment ? Y/N [Y] "), std::string::npos);
  EXPECT_NE(out.find("    object =  1   (u0,v0) =    40.00    30.00\n"), std::string::npos);
  EXPECT_NE(out.find("   weighting (according to variance) turned back ON for PSF fitting\n \n"),
            std::string::npos);
}

TEST(PhotometryCommands, PsfFilesOfOneFrame) {
  ListRun run("...\n", {"night001"});
  run.state->interp.apertureType = "psf ";
  app::photfilesCommand(run.session);
  EXPECT_EQ(run.state->settings.starListFile, textio::fixed("stars1.psf", 20));
  const std::vector<std::string> list = run.lines("stars1.psf");
  ASSERT_EQ(list.size(), 9u);
  EXPECT_EQ(list[2], "  stars found in night001            ");
  EXPECT_EQ(list[4], "  time (hours) = 21.5000");
  EXPECT_NEAR(std::stod(list[6].substr(1, 7)), 40.0, 0.1);
  EXPECT_NEAR(std::stod(list[7].substr(9, 7)), 50.0, 0.1);
  EXPECT_EQ(list[8].substr(0, 20), " 9999.00 9999.00  1 ");
  const std::vector<std::string> table = run.lines("starspsf1.txt");
  ASSERT_EQ(table.size(), 4u);
  EXPECT_EQ(table[0].substr(0, 32), " \"image\",\"time\",\"ref  \",\"var  \",");
  EXPECT_EQ(table[1].rfind(" \"     \",\"    \",\"fwhmNS\",\"fwhmNS\",", 0), 0u);
  EXPECT_EQ(table[2], " \"     \",\"    \"" + [] {
    std::string s;
    for (int k = 0; k < 20; ++k) s += ",\"pixel\"";
    return s;
  }());
  EXPECT_EQ(table[3].substr(0, 32), " \"night001            \", 21.500,");
  EXPECT_FALSE(fs::exists(run.folder / "stars.psf"));
}

TEST(PhotometryCommands, OptimalRunNeedsThePsfList) {
  ListRun run("...\n", {"night001"});
  run.state->interp.apertureType = "opti";
  app::photfilesCommand(run.session);
  EXPECT_NE(run.screen.str().find("   looking up stars.psf...\n   error - cannot open stars.psf; frame not measured\n"),
            std::string::npos);
  EXPECT_EQ(run.screen.str().find("total optimal flux"), std::string::npos);
}

}  // namespace

namespace {

TEST(PhotometryCommands, OptimalRunTakesTheMeanShapeOfItsFrameBlock) {
  ListRun run("...\n", {"night001", "night002"});
  // A block for night001 with two star lines, and one for night002 without any.
  testsupport::writeFile(run.folder / "stars.psf",
                         " \n \n  stars found in night001            \n  estimated sky value =     600. (star1 )\n"
                         "  time (hours) = 21.5000\n     u     v     -   rpsf    e     q \n"
                         "   40.00   30.00  1  1.30 1.00   0.000      1.00\n"
                         "   70.00   50.00  1  1.50 1.10   0.000      1.00\n"
                         " 9999.00 9999.00  1  1.50 1.10   0.000\n"
                         " \n \n  stars found in night002            \n  estimated sky value =     600. (star1 )\n"
                         "  time (hours) = 21.7500\n     u     v     -   rpsf    e     q \n"
                         " 9999.00 9999.00  1  1.50 1.10   0.000\n");
  run.state->interp.apertureType = "opti";
  app::photfilesCommand(run.session);
  const std::string out = run.screen.str();
  EXPECT_NE(out.find("          r0psf, ellip = 1.30  1.00\n          r0psf, ellip = 1.50  1.10\n"
                     "     mean r0psf, ellip = 1.40  1.05\n"),
            std::string::npos);
  EXPECT_NE(out.find("   no PSF star lines for this frame in stars.psf; frame not measured\n"), std::string::npos);
  EXPECT_EQ(run.state->psfModel.subsampling, 5);  // the first frame was measured with its mask
}

}  // namespace

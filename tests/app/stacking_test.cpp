// Averaging and stacking over a file list, on small frames written by the test.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>

#include "align/alignment_table.h"
#include "app/sky_spot_command.h"
#include "app/stacking_commands.h"
#include "app/state.h"
#include "image/camera.h"
#include "tests/image/fits_files.h"
#include "tests/support/in_process.h"
#include "tests/support/run_pelm.h"
#include "textio/fixed_text.h"

namespace {

constexpr int kN = 64;

struct Stacking : testsupport::InProcess {
  std::filesystem::path dir = testsupport::freshFolder("stack");
  std::string alignDat;
  std::vector<std::string> names;

  Stacking() {
    state->settings.workingPath = textio::fixed(dir.string() + "/", 80);
    state->settings.fileTypeCodes = {"fts", "   ", "fit", "drk", "fts", "   ", "   ", "   ", "3  ", "   "};
    image::Camera& cam = state->camera;
    cam.nx = cam.ny = kN;
    cam.pixelSizeX = cam.pixelSizeY = 9.0f;
    cam.icv = 4;
    image::decode(console, cam, image::DecodeListing::Quiet);
    state->ws.nx = state->ws.ny = kN;
  }
  ~Stacking() {
    if (!::testing::Test::HasFailure()) std::filesystem::remove_all(dir);
  }
  // A frame file of values v(i, j) (0..65535), stored with BZERO 32768, and its alignment line.
  void frame(const std::string& name, float time, float du, float dv, float rot, int fwhm,
             const std::function<int(int, int)>& v) {
    std::vector<std::string> cards = fitstest::basicCards(kN, kN);
    cards.push_back(fitstest::card("DATE-OBS= '2026-03-14T21:00:00'"));
    std::string bytes = fitstest::header(cards) +
                        fitstest::data(kN, kN, [&](int i, int j) { return static_cast<uint16_t>(v(i, j) ^ 0x8000); });
    testsupport::writeFile(dir / (name + ".fts"), bytes);
    alignDat += align::alignRecord(name + ".fts", time, du, dv, rot, fwhm, 100.0f, 0.0f) + "\n";
    names.push_back(name);
  }
  void writeLists() {
    testsupport::writeFile(dir / "align.dat", alignDat);
    std::string list = std::to_string(names.size()) + "\n";
    for (const auto& n : names) list += textio::fixed(n, 20) + "\n";
    testsupport::writeFile(dir / "filelist.txt", list + " \n");
  }
  int pixel(int i, int j) {
    int32_t v = -1;
    (void)state->ws.get(i, j, v);
    return v;
  }
  int count(const std::string& text) {
    int n = 0;
    for (size_t p = printed().find(text); p != std::string::npos; p = printed().find(text, p + 1)) ++n;
    return n;
  }
};

// A square "star" of 3 x 3 pixels of height h centred at (ci, cj) on a sky of 100.
std::function<int(int, int)> square(int ci, int cj, int h) {
  return [=](int i, int j) { return std::abs(i - ci) <= 1 && std::abs(j - cj) <= 1 ? 100 + h : 100; };
}

TEST(Stacking, AvfilesGivesTheMeanAndRescalesWhenAFrameIsMissing) {
  Stacking t;
  t.frame("a", 1.0f, 0, 0, 0, 3, [](int, int) { return 100; });
  t.frame("b", 1.1f, 0, 0, 0, 3, [](int, int) { return 200; });
  t.frame("c", 1.2f, 0, 0, 0, 3, [](int, int) { return 400; });
  t.writeLists();
  // avfiles reads raw frames.
  for (const char* n : {"a", "b", "c"}) {
    std::filesystem::rename(t.dir / (std::string(n) + ".fts"), t.dir / (std::string(n) + ".fit"));
  }
  t.answers("...\n");
  app::avfiles(t.session);
  EXPECT_EQ(t.pixel(1, 1), 233);
  EXPECT_EQ(t.pixel(kN, kN), 233);
  std::filesystem::remove(t.dir / "c.fit");
  t.answers("...\n");
  app::avfiles(t.session);
  EXPECT_EQ(t.pixel(10, 10), 150);
  EXPECT_EQ(t.count("could not be loaded"), 1);
}

TEST(Stacking, StackPutsShiftedStarsBackOnTheFiducialPixels) {
  Stacking t;
  const int di[] = {0, 3, -2, 5}, dj[] = {0, 1, 4, -3};
  for (int k = 0; k < 4; ++k) t.frame("f" + std::to_string(k), 20.0f + k, di[k], dj[k], 0, 3, square(30 + di[k], 25 + dj[k], 800));
  t.writeLists();
  t.answers("...\n");
  app::stack(t.session);
  EXPECT_EQ(t.pixel(30, 25), 900);
  EXPECT_EQ(t.pixel(31, 26), 900);
  EXPECT_EQ(t.pixel(33, 25), 100);
  EXPECT_EQ(t.count("   total number of files stacked =   4\n"), 1);
  EXPECT_NEAR(t.state->settings.stackTimeSum, 21.5f, 1e-5);
  EXPECT_NE(t.printed().find("                    average time = 21.500\n"), std::string::npos);
}

TEST(Stacking, FwhmAtTheLimitIsStackedAndAboveItIsNot) {
  Stacking t;
  t.state->interp.fwhmLimit = 3;
  t.frame("ok", 1.0f, 0, 0, 0, 3, [](int, int) { return 300; });
  t.frame("wide", 1.1f, 0, 0, 0, 4, [](int, int) { return 900; });
  t.writeLists();
  t.answers("...\n");
  app::stack(t.session);
  EXPECT_EQ(t.pixel(5, 5), 300);
  EXPECT_EQ(t.count("   adding file ok"), 1);
  EXPECT_EQ(t.count("   adding file wide"), 0);
}

TEST(Stacking, PartialStacksOfMaxStackFrames) {
  for (int frames : {9, 8}) {
    Stacking t;
    t.state->settings.maxStack = 3;
    for (int k = 0; k < frames; ++k) t.frame("p" + std::to_string(k), 1.0f + 0.1f * k, 0, 0, 0, 3, [](int, int) { return 10; });
    t.writeLists();
    t.answers("...\n");
    app::stack(t.session);
    EXPECT_EQ(t.count("   total number of files stacked =   3\n"), frames / 3) << frames;
    EXPECT_EQ(t.count("average time"), 0);
    // Each partial stack is measured along the path; without a PSF model nothing is appended.
    EXPECT_EQ(t.count("   no PSF model - use readpsffil\n"), frames / 3);
    EXPECT_EQ(t.pixel(7, 7), 10 * (frames % 3)) << "frames left summed, unscaled";
  }
}

TEST(Stacking, AFrameMissingFromTheAlignmentOrTheDiskIsNotStacked) {
  Stacking t;
  t.frame("a", 1.0f, 0, 0, 0, 3, [](int, int) { return 100; });
  t.frame("b", 1.1f, 0, 0, 0, 3, [](int, int) { return 300; });
  t.writeLists();
  testsupport::writeFile(t.dir / "filelist.txt", "4\n" + textio::fixed("a", 20) + "\n" + textio::fixed("gone", 20) +
                                                     "\n" + textio::fixed("b", 20) + "\n" + textio::fixed("x", 20) + "\n \n");
  std::filesystem::remove(t.dir / "b.fts");
  t.answers("...\n");
  app::stack(t.session);
  EXPECT_EQ(t.pixel(3, 3), 100);
  EXPECT_EQ(t.count("   total number of files stacked =   1\n"), 1);
  EXPECT_EQ(t.count("  no offset recorded for this file !\n"), 2);
}

TEST(Stacking, EmptyStackIsReportedWithoutDividingByZero) {
  Stacking t;
  t.frame("wide", 1.0f, 0, 0, 0, 9, [](int, int) { return 100; });
  t.writeLists();
  t.answers("...\n");
  app::rstack(t.session);
  EXPECT_EQ(t.count("   error - no frames stacked\n"), 1);
  EXPECT_EQ(t.pixel(3, 3), 0);
  EXPECT_EQ(t.state->settings.stackTimeSum, 0.0f);
}

TEST(Stacking, TrackAndStackMakesTheMovingObjectPointLike) {
  Stacking plain, track;
  for (Stacking* t : {&plain, &track}) {
    for (int k = 0; k < 5; ++k) {
      float time = 2.0f + 0.5f * static_cast<float>(k);
      // The object moves 4 pixels an hour along u: 2 pixels a frame.
      t->frame("m" + std::to_string(k), time, 0, 0, 0, 3,
               [k](int i, int j) { return i == 20 + 2 * k && j == 30 ? 1100 : 100; });
    }
    t->writeLists();
    t->state->paths.model1.t0 = 2.0f;
    t->state->paths.model1.uOrder = 1;
    t->state->paths.model1.vOrder = 1;
    t->state->paths.model1.cu[1] = 20.0f;
    t->state->paths.model1.cu[2] = 4.0f;
    t->state->paths.model1.cv[1] = 30.0f;
    t->answers("...\n");
  }
  app::stack(plain.session);
  track.state->settings.motionOn = 1;
  app::stack(track.session);
  int plainPeak = 0;
  for (int i = 15; i <= 35; ++i) plainPeak = std::max(plainPeak, plain.pixel(i, 30) - 100);
  int trackPeak = track.pixel(20, 30) - 100;
  EXPECT_EQ(trackPeak, 1000);
  EXPECT_GE(trackPeak, 3 * plainPeak);
}

TEST(Stacking, RstackUndoesARotationAndASubPixelShift) {
  Stacking t;
  const double rot = 1.0, du = 0.3, dv = -0.4, u0 = 40.0, v0 = 35.0;
  double th = rot * M_PI / 180.0;
  double uf = u0 * std::cos(th) + v0 * std::sin(th) + du;
  double vf = v0 * std::cos(th) - u0 * std::sin(th) + dv;
  auto gauss = [](double uc, double vc) {
    return [=](int i, int j) {
      double r2 = (i - uc) * (i - uc) + (j - vc) * (j - vc);
      return 100 + static_cast<int>(std::lround(5000.0 * std::exp(-r2 / (2 * 1.5 * 1.5))));
    };
  };
  t.frame("r0", 1.0f, 0, 0, 0, 3, gauss(u0, v0));
  t.frame("r1", 1.1f, static_cast<float>(du), static_cast<float>(dv), static_cast<float>(rot), 3, gauss(uf, vf));
  t.writeLists();
  t.answers("...\n");
  app::rstack(t.session);
  double sum = 0, su = 0, sv = 0;
  for (int i = 32; i <= 48; ++i) {
    for (int j = 27; j <= 43; ++j) {
      double w = t.pixel(i, j) - 100;
      sum += w;
      su += w * i;
      sv += w * j;
    }
  }
  EXPECT_NEAR(su / sum, u0, 0.2);
  EXPECT_NEAR(sv / sum, v0, 0.2);
}

TEST(Stacking, PathPhotometryAppendsToTheOpenObjectPathFile) {
  Stacking t;
  t.state->ws.nx = t.state->ws.ny = kN;
  for (int i = 1; i <= kN; ++i) {
    for (int j = 1; j <= kN; ++j) {
      double r2 = (i - 30.3) * (i - 30.3) + (j - 25.6) * (j - 25.6);
      t.state->ws.put(i, j, 200 + static_cast<int>(std::lround(3000.0 * std::exp(-r2 / (1.6 * 1.6)))));
    }
  }
  t.state->paths.model1.cu[1] = 30.0f;
  t.state->paths.model1.cv[1] = 26.0f;
  t.state->settings.stackPsfRSum = 1.6f;
  t.state->settings.stackPsfESum = 1.0f;
  t.state->settings.stackTimeSum = 21.25f;
  t.state->settings.skyBox = 21;
  app::openPathFile(t.session);
  app::astpsfpos(t.session);
  app::closePathFile(t.session);
  std::string line = testsupport::readFile(t.dir / "objectpath.txt");
  ASSERT_EQ(line.size(), 41u) << line;
  EXPECT_EQ(line.substr(0, 8), " 21.250,");
  EXPECT_NEAR(std::stod(line.substr(8, 8)), 30.3, 0.02);
  EXPECT_NEAR(std::stod(line.substr(17, 8)), 25.6, 0.02);
  EXPECT_EQ(line.substr(25, 9), ",  sky=, ");
}

// Three frames an hour apart; the object moves 8 pixels an hour along u (u = 20, 28, 36 at
// v = 30) and a faint fixed source of 500 sits where the object is at 3.0 h.
void skySpotNight(Stacking& t) {
  for (int k = 0; k < 3; ++k) {
    t.frame(std::string(1, static_cast<char>('a' + k)), 2.0f + static_cast<float>(k), 0, 0, 0, 3, [k](int i, int j) {
      int v = 100;
      if (i == 20 + 8 * k && j == 30) v += 1000;
      if (i == 28 && j == 30) v += 500;
      return v;
    });
  }
  t.writeLists();
  align::alload(t.console, t.state->settings.workingPath, t.state->alignment);
  motion::PathModel& m = t.state->paths.model1;
  m.t0 = 2.0f;
  m.uOrder = m.vOrder = 1;
  m.cu[1] = 20.0f;
  m.cu[2] = 8.0f;
  m.cv[1] = 30.0f;
  t.state->settings.skyBox = 21;
}

TEST(SkySpots, AveragesPerPlaceOverTheSeriesSkippingTheObjectsOwnPlace) {
  struct Case {
    const char* type;
    const char* limits;
    const char* table;
  } cases[] = {
      // Places exactly the minimum distance away are measured; the object's own place never.
      {"soft", "8 24", "    2.000,       0.0,     2.0\n    3.000,     500.0,     2.0\n    4.000,       0.0,     2.0\n"},
      {"hard", "8 24", "    2.000,       0.0,     2.0\n    3.000,     500.0,     2.0\n    4.000,       0.0,     2.0\n"},
      // Places further than 1.5 h from the frame's own time are skipped.
      {"soft", "8 1.5", "    2.000,       0.0,     1.0\n    3.000,     500.0,     2.0\n    4.000,       0.0,     1.0\n"},
      // Further than the minimum distance allows: only places 16 pixels away.
      {"soft", "8.01 24", "    2.000,       0.0,     1.0\n    4.000,       0.0,     1.0\n"},
  };
  for (const Case& c : cases) {
    Stacking t;
    skySpotNight(t);
    t.state->interp.apertureType = c.type;
    t.answers(std::string(c.limits) + "\n...\n");
    app::multiskyCommand(t.session);
    EXPECT_EQ(testsupport::readFile(t.dir / "sky-spots.txt"), c.table) << c.type << " " << c.limits;
    EXPECT_TRUE(std::filesystem::exists(t.dir / "sky-spots.dat"));
    EXPECT_EQ(testsupport::readFile(t.dir / "sky-spots.dat"), "");
    EXPECT_EQ(t.count("    Ideally the results of this photometry should be zero!\n"), 1);
    EXPECT_EQ(t.count("time difference (hours) =  \n    results written to sky-spots.txt\n \n"), 1);
    EXPECT_EQ(t.count("    measuring sky positions along path in frame a                   \n"), 1);
    const bool faintSourceMeasured = std::string(c.table).find(" 3.000,") != std::string::npos;
    EXPECT_EQ(t.count("    a                   ( t =  2.000); asteroid at t =  3.000 sky =   500.0\n"),
              faintSourceMeasured ? 1 : 0);
  }
}

TEST(SkySpots, TypesWithoutAMeasurementAddNothingAndSayWhy) {
  for (const char* type : {"psf ", "opti", "chec"}) {
    Stacking t;
    skySpotNight(t);
    t.state->interp.apertureType = type;
    t.answers("0 24\n...\n");
    app::multiskyCommand(t.session);
    EXPECT_EQ(testsupport::readFile(t.dir / "sky-spots.txt"), "") << type;
    EXPECT_EQ(t.count("frame not used\n"), 3) << type;
    EXPECT_EQ(t.count("asteroid at t ="), 0) << type;
  }
  // With the frames' PSF stored, "opti" measures: the empty places give 0.
  Stacking t;
  skySpotNight(t);
  t.state->interp.apertureType = "opti";
  for (int d = 1; d <= 3; ++d) {
    t.state->starData.framePsfR[d] = 1.2f;
    t.state->starData.framePsfE[d] = 1.0f;
  }
  t.answers("8 24\n...\n");
  app::multiskyCommand(t.session);
  const std::string table = testsupport::readFile(t.dir / "sky-spots.txt");
  EXPECT_EQ(table.substr(0, 30), "    2.000,       0.0,     2.0\n");
  EXPECT_EQ(t.count("frame not used"), 0);
}

TEST(SkySpots, AnUnalignedFrameIsSkippedWithItsMessage) {
  Stacking t;
  skySpotNight(t);
  t.state->alignment.entries[2].name = std::string(20, ' ');
  t.answers("8 24\n...\n");
  app::multiskyCommand(t.session);
  EXPECT_EQ(t.count("   b                   :    error - no alignment\n"), 1);
  // Frames a and c measure each other's places only; the entry without a name prints a blank line.
  EXPECT_EQ(testsupport::readFile(t.dir / "sky-spots.txt"), "    2.000,       0.0,     1.0\n    4.000,       0.0,     1.0\n");
}

}  // namespace

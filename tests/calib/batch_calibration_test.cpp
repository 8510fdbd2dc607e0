// Batch calibration over frames written by the test: a dark, a flat and three raw frames of
// a star field whose corrected pixels are known exactly. Whole-program runs of dfs and s
// compare stars.lst line by line; in-process runs check the mends for frames that cannot be
// loaded, blank dark and flat answers, short file lists and the dark command.
#include "calib/batch_calibration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "calib/flat_field.h"
#include "image/file_list.h"
#include "image/file_names.h"
#include "image/fits_load.h"
#include "tests/image/fits_files.h"
#include "tests/support/run_pelm.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace fs = std::filesystem;

namespace {

constexpr int kNx = 64, kNy = 48;

// The corrected sky-and-stars value of frame k (0, 1, 2): 500 everywhere, a symmetric 3 x 3
// star at (20 + k, 15) and a two-pixel star at (40 + k, 30), (41 + k, 30). All values are
// multiples of 5, so the raw frames below hold whole numbers.
int32_t scene(int k, int i, int j) {
  int di = i - (20 + k), dj = j - 15;
  if (std::abs(di) <= 1 && std::abs(dj) <= 1) return 500 + (di == 0 && dj == 0 ? 900 : di == 0 || dj == 0 ? 300 : 100);
  if (j == 30 && i == 40 + k) return 1400;
  if (j == 30 && i == 41 + k) return 1000;
  return 500;
}
int32_t flat(int i, int) { return i % 2 == 0 ? 1200 : 800; }  // mean exactly 1000
int32_t dark(int, int j) { return 100 + j % 3; }
int32_t raw(int k, int i, int j) { return dark(i, j) + scene(k, i, j) * flat(i, j) / 1000; }

// A frame with BZERO 32768 as a camera with input control variable 4 stores it.
std::string frame(const std::function<int32_t(int, int)>& value, const std::string& dateObs, int nx = kNx,
                  int ny = kNy) {
  std::vector<std::string> cards = fitstest::basicCards(nx, ny);
  cards.push_back(fitstest::valueCard("DATE-OBS", "'" + dateObs + "'"));
  return fitstest::header(cards) +
         fitstest::data(nx, ny, [&](int i, int j) { return static_cast<uint16_t>(value(i, j) ^ 0x8000); });
}

const char* const kTimes[] = {"2005-09-12T21:30:15", "2005-09-12T21:32:15", "2005-09-12T21:34:15"};

// Path file: blank path; raw "fit", dark-corrected "drk", dark+flat "flt", 3-digit numbers,
// the first character of corrected names replaced by "f".
std::string pathDat() {
  std::string s = std::string(80, ' ') + "\n";
  for (const char* code : {"fit", "   ", "fit", "drk", "flt", "   ", "   ", "   ", "3  ", "f  "}) s += std::string(code) + "\n";
  return s;
}

void writeNight(const fs::path& dir, bool withImg002 = true) {
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", kNx, kNy, 6.45, 6.45, 1.5, 4, 1));
  testsupport::writeFile(dir / "path.dat", pathDat());
  testsupport::writeFile(dir / "dark01.fit", frame(dark, kTimes[0]));
  testsupport::writeFile(dir / "flat01.drk", frame(flat, kTimes[0]));
  for (int k = 0; k < 3; ++k) {
    if (k == 1 && !withImg002) continue;
    testsupport::writeFile(dir / ("img00" + std::to_string(k + 1) + ".fit"),
                           frame([k](int i, int j) { return raw(k, i, j); }, kTimes[k]));
  }
}

// The block findst writes for frame k under the given name.
std::string block(int k, const std::string& name) {
  const char* times[] = {"21.5042", "21.5375", "21.5708"};
  const char* first[] = {"   20.00", "   21.00", "   22.00"};
  const char* second[] = {"   40.36", "   41.36", "   42.36"};
  return std::string(" \n") + "  stars found in " + textio::fixed(name, 20) + "\n" +
         "  estimated sky value =     500.\n" + "  time (hours) = " + times[k] + "\n" + "     u     v\n" +
         first[k] + "   15.00  1  1.0     1400    900\n" + second[k] + "   30.00  2  1.4     1400    900\n" +
         " 9999.00 9999.00  0  0.0\n";
}

using testsupport::lines;

void expectSameLines(const std::string& got, const std::string& want) {
  std::vector<std::string> g = lines(got), w = lines(want);
  for (size_t n = 0; n < std::max(g.size(), w.size()); ++n) {
    ASSERT_EQ(n < g.size() ? g[n] : "<none>", n < w.size() ? w[n] : "<none>") << "line " << n + 1;
  }
  EXPECT_EQ(got, want);
}

// Loads a saved frame back and compares every pixel with the scene of frame k.
void expectCorrected(const fs::path& dir, const std::string& name, int k) {
  std::string messages;
  const std::unique_ptr<image::Workspaces> ws = fitstest::loadCorrected(dir, name, messages);
  ASSERT_NE(ws, nullptr) << messages;
  ASSERT_EQ(ws->nx, kNx);
  ASSERT_EQ(ws->ny, kNy);
  for (int i = 1; i <= kNx; ++i) {
    for (int j = 1; j <= kNy; ++j) {
      int32_t v = 0;
      ASSERT_TRUE(ws->get(i, j, v));
      ASSERT_EQ(v, scene(k, i, j)) << name << " pixel " << i << "," << j;
    }
  }
}

TEST(CalibBatchRun, DfsCorrectsSavesRenamedFramesAndListsTheirStars) {
  fs::path dir = testsupport::freshFolder("dfs");
  writeNight(dir);
  std::string rawBefore = testsupport::readFile(dir / "img001.fit");
  auto r = testsupport::runPelm(dir, "dfs\ndark01\nflat01\nimg001\n..\nimg003\n\nstop\n");
  EXPECT_EQ(r.status, 0);
  for (int k = 0; k < 3; ++k) expectCorrected(dir, "fmg00" + std::to_string(k + 1), k);
  expectSameLines(testsupport::readFile(dir / "stars.lst"), block(0, "fmg001") + block(1, "fmg002") + block(2, "fmg003"));
  EXPECT_EQ(testsupport::readFile(dir / "img001.fit"), rawBefore);
  EXPECT_NE(r.out.find("   dark and flat correct files and find stars\n"
                       "   the flat file must have been dark corrected already, i.e. this \n"
                       "   command calculates: (data-dark)*[average flat pixel]/[flat pixel]\n"
                       "   flat pixels<0.3 average are flagged as bad and set to zero\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("\n   enter file   3 to process: "), std::string::npos);
  EXPECT_NE(r.out.find("   average flat pixel =   1000.\n   number of flat pixels rejected =      0\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("   star   1   u =   20.00     v =   15.00    fwhm =  1  1.0     1400    900\n"),
            std::string::npos);

  // "s" on the corrected frames finds the same stars under the names as listed
  auto again = testsupport::runPelm(dir, "s\nfmg001\n..\nfmg003\n\nstop\n");
  EXPECT_EQ(again.status, 0);
  EXPECT_NE(again.out.find("   find stars in files which have already been dark and flat corrected\n"
                           "   (i.e. dfs without the df)\n"),
            std::string::npos);
  EXPECT_NE(again.out.find("   returned from gflist...\n"), std::string::npos);
  expectSameLines(testsupport::readFile(dir / "stars.lst"), block(0, "fmg001") + block(1, "fmg002") + block(2, "fmg003"));
  if (!::testing::Test::HasFailure()) fs::remove_all(dir);
}

TEST(CalibBatchRun, DfcSavesWithoutStarList) {
  fs::path dir = testsupport::freshFolder("dfc");
  writeNight(dir);
  auto r = testsupport::runPelm(dir, "dfc\ndark01\nflat01\nimg001\n..\nimg003\n\nstop\n");
  EXPECT_EQ(r.status, 0);
  for (int k = 0; k < 3; ++k) expectCorrected(dir, "fmg00" + std::to_string(k + 1), k);
  EXPECT_FALSE(fs::exists(dir / "stars.lst"));
  EXPECT_NE(r.out.find("   dark and flat correct files \n"), std::string::npos);
  if (!::testing::Test::HasFailure()) fs::remove_all(dir);
}

TEST(CalibBatchRun, FramesThatDoNotFitOrCannotBeMeasuredAreSkippedAndTheSessionGoesOn) {
  fs::path dir = testsupport::freshFolder("dfsskip");
  writeNight(dir);
  // img004 is 20 pixels wide, img005 has 40 rows: neither fits the 64 x 48 dark and flat
  testsupport::writeFile(dir / "img004.fit", frame([](int i, int j) { return raw(0, i, j); }, kTimes[0], 20, kNy));
  testsupport::writeFile(dir / "img005.fit", frame([](int i, int j) { return raw(0, i, j); }, kTimes[0], kNx, 40));
  // a narrow corrected frame has too few pixels for the sky grid of s
  testsupport::writeFile(dir / "narrow.flt", frame([](int i, int j) { return scene(0, i, j); }, kTimes[0], 20, kNy));
  auto r = testsupport::runPelm(dir,
                                "dfs\ndark01\nflat01\nimg001\n..\nimg005\n\n"
                                "s\nfmg001\nnarrow\nfmg003\n\n\n"
                                "setbox\n5 10 5 10\nsky\nfind\nsubtractsk\nfindstars\nx\n");
  EXPECT_EQ(r.status, 0);
  for (int k = 0; k < 3; ++k) expectCorrected(dir, "fmg00" + std::to_string(k + 1), k);
  EXPECT_FALSE(fs::exists(dir / "fmg004.flt"));
  EXPECT_FALSE(fs::exists(dir / "fmg005.flt"));
  EXPECT_NE(r.out.find("\n   img004 is 20 x 48 pixels but the dark is 64 x 48 and the flat 64 x 48:"
                       " frame skipped, nothing saved\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\n   img005 is 64 x 40 pixels but the dark is 64 x 48 and the flat 64 x 48:"
                       " frame skipped, nothing saved\n"),
            std::string::npos);
  // s skipped the narrow frame and listed the two others; the four commands after setbox
  // each said why they measured nothing, and stars1.lst was never written
  expectSameLines(testsupport::readFile(dir / "stars.lst"), block(0, "fmg001") + block(2, "fmg003"));
  const std::string message = "error in estsky; <752 pixels selected\n";
  size_t messages = 0;
  for (size_t p = r.out.find(message); p != std::string::npos; p = r.out.find(message, p + 1)) ++messages;
  EXPECT_EQ(messages, 5u);
  EXPECT_FALSE(fs::exists(dir / "stars1.lst"));
  EXPECT_TRUE(r.out.ends_with(message + " $ ")) << r.out.substr(r.out.size() - 200);
  if (!::testing::Test::HasFailure()) fs::remove_all(dir);
}

// In-process runs in a folder holding the night's frames.
class CalibBatch : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = testsupport::freshFolder("batch");
    writeNight(dir, false);
    settings.workingPath = textio::fixed(dir.string() + "/", 80);
    const char* codes[] = {"fit", "   ", "fit", "drk", "flt", "   ", "   ", "   ", "3  ", "f  "};
    for (int p = 1; p <= 10; ++p) image::setTypeCode(settings, p, codes[p - 1]);
    camera.icv = 4;
    image::decode(console, camera, image::DecodeListing::Quiet);
    ws->nx = kNx;
    ws->ny = kNy;
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir);
  }
  calib::BatchTables tables() { return calib::BatchTables{console, settings, camera, *ws}; }
  std::string starList() { return testsupport::readFile(dir / "stars.lst"); }

  fs::path dir;
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};
  core::Settings settings;
  image::Camera camera;
  std::unique_ptr<image::Workspaces> ws = std::make_unique<image::Workspaces>();
  calib::StarListOutput stars;
};

TEST_F(CalibBatch, FrameThatCannotBeLoadedIsSkippedAndNeverSaved) {
  testsupport::writeFile(dir / "fmg002.flt", "an earlier good frame");
  in.str("dark01\nflat01\nimg001\n..\nimg003\n\n");
  calib::dfs(tables(), stars);
  // the list is read back while stars.lst is still open: every block is already there
  expectSameLines(starList(), block(0, "fmg001") + block(2, "fmg003"));
  EXPECT_EQ(testsupport::readFile(dir / "fmg002.flt"), "an earlier good frame");
  expectCorrected(dir, "fmg003", 2);
  EXPECT_NE(out.str().find("   ERROR: cannot open file "), std::string::npos);
  EXPECT_TRUE(stars.isOpen());
  EXPECT_EQ(settings.starListFile, textio::fixed("stars.lst", 20));
}

TEST_F(CalibBatch, DarkOrFlatThatCannotBeLoadedEndsTheCommand) {
  in.str("nodark\nimg001\n..\nimg003\n\n");
  EXPECT_TRUE(textio::isBlank(calib::dfc(tables())));
  EXPECT_NE(out.str().find("   dark frame not loaded: no file processed"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "fmg001.flt"));
  EXPECT_FALSE(fs::exists(dir / "filelist.txt"));  // the list was never asked for

  out.str("");
  in.clear();
  in.str("dark01\nnoflat\nimg001\n..\nimg003\n\n");
  calib::dfs(tables(), stars);
  EXPECT_NE(out.str().find("   flat frame not loaded: no file processed"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "fmg001.flt"));
  EXPECT_EQ(starList(), "");
}

TEST_F(CalibBatch, BlankDarkAndFlatAnswersUseTheWorkspacesAsTheyAre) {
  for (int i = 1; i <= kNx; ++i) {
    for (int j = 1; j <= kNy; ++j) {
      ws->put2(i, j, dark(i, j));
      ws->put3(i, j, flat(i, j));
    }
  }
  in.str("\n\nimg001\n\n\n");
  calib::dfs(tables(), stars);
  expectSameLines(starList(), block(0, "fmg001"));
  expectCorrected(dir, "fmg001", 0);
}

TEST_F(CalibBatch, CountLargerThanTheNamesStopsAtTheLastName) {
  testsupport::writeFile(dir / "filelist.txt", "5\nimg001              \nimg003              \n");
  in.str("dark01\nflat01\n...\n");
  calib::dfs(tables(), stars);
  expectSameLines(starList(), block(0, "fmg001") + block(2, "fmg003"));
  EXPECT_NE(out.str().find("enter file   3 to process: "), std::string::npos);
  EXPECT_EQ(out.str().find("enter file   4"), std::string::npos);
}

TEST_F(CalibBatch, DarkThatCannotBeLoadedLeavesWorkspace1Unchanged) {
  for (int i = 1; i <= kNx; ++i) {
    for (int j = 1; j <= kNy; ++j) {
      ws->put(i, j, 1000 + i);
      ws->put2(i, j, 999);  // what an earlier dark left behind
    }
  }
  image::setTypeCode(settings, image::kCurrentType, "fit");
  EXPECT_FALSE(calib::dark(console, settings, camera, *ws, textio::fixed("nodark", 20)));
  int32_t v = 0;
  ASSERT_TRUE(ws->get(7, 9, v));
  EXPECT_EQ(v, 1007);
  EXPECT_NE(out.str().find("   dark frame not loaded: nothing subtracted"), std::string::npos);
  // the real dark is subtracted and clipped at 0
  EXPECT_TRUE(calib::dark(console, settings, camera, *ws, textio::fixed("dark01", 20)));
  ASSERT_TRUE(ws->get(7, 9, v));
  EXPECT_EQ(v, 1007 - dark(7, 9));
}

}  // namespace

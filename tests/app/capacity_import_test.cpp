// Workspaces that follow the camera (start-up, the camera command, refusals, a frame wider
// than the designed rows saved back unchanged) and import of frames named by a capture
// program, run through the whole program.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/image/fits_files.h"
#include "tests/support/run_pelm.h"

namespace fs = std::filesystem;

namespace {

// A 16-bit frame (BZERO 32768) of nx x ny with pixel (i, j) = 1000 + (7 i + 3 j) % 5000 + seed,
// dated by DATE-OBS and TIME-OBS when given.
std::string frame(int nx, int ny, int seed, const std::string& date = "", const std::string& time = "") {
  std::string h = fitstest::freeCard("SIMPLE", "                   T") + fitstest::freeCard("BITPIX", "                  16") +
                  fitstest::freeCard("NAXIS", "                   2") + fitstest::freeCard("NAXIS1", std::to_string(nx)) +
                  fitstest::freeCard("NAXIS2", std::to_string(ny)) + fitstest::freeCard("BZERO", "32768") + fitstest::freeCard("BSCALE", "1");
  if (!date.empty()) h += fitstest::freeCard("DATE-OBS", "'" + date + "'");
  if (!time.empty()) h += fitstest::freeCard("TIME-OBS", "'" + time + "'");
  std::string end = "END";
  end.resize(80, ' ');
  h += end;
  h.resize((h.size() + 2879) / 2880 * 2880, ' ');
  std::string data;
  data.reserve(static_cast<size_t>(nx) * ny * 2);
  for (int j = 1; j <= ny; ++j) {
    for (int i = 1; i <= nx; ++i) {
      const auto stored = static_cast<uint16_t>(1000 + (7 * i + 3 * j) % 5000 + seed - 32768);
      data += static_cast<char>(stored >> 8);
      data += static_cast<char>(stored & 0xFF);
    }
  }
  data.resize((data.size() + 2879) / 2880 * 2880, '\0');
  return h + data;
}

void writePathDat(const fs::path& dir, const std::string& numbering) {
  std::string pathDat = std::string(80, ' ') + "\n";
  for (const std::string code : {"", "", "fit", "drk", "fts", "", "", "", numbering.c_str(), ""}) {
    pathDat += (code + "   ").substr(0, 3) + "\n";
  }
  testsupport::writeFile(dir / "path.dat", pathDat);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Capacity, WorkspacesFollowTheCameraAndAWideFrameSavesBackUnchanged) {
  fs::path dir = testsupport::freshFolder("capacity");
  writePathDat(dir, "3");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("designed", 1392, 1040));
  testsupport::writeFile(dir / "wide.ccd", testsupport::deviceCcd("wide", 3100, 2000));
  testsupport::writeFile(dir / "huge.ccd", testsupport::deviceCcd("huge", 20000, 20000));
  testsupport::writeFile(dir / "wide.fit", frame(3100, 2000, 11, "2026-03-14", "21:00:00"));

  auto first = testsupport::runPelm(dir, "load\nwide\ncamera\nhuge\ncamera\nwide\nload\nwide\nsave\ncopy\nstop\n");
  ASSERT_EQ(first.status, 0) << first.out;
  EXPECT_TRUE(contains(first.out, " maximum image size 1447680 pixels; 16 bit only at present"));
  EXPECT_TRUE(contains(first.out, "   error - frame of 3100 x 2000 pixels is larger than a workspace (1447680 pixels);"
                                  " file not loaded"));
  EXPECT_TRUE(contains(first.out, "   error - camera setup file huge.ccd has more than 268435456 pixels; camera unchanged"));
  // Loaded after the camera grew the workspaces, saved row by row (3100 pixels to a row).
  // The pixels come back unchanged (the saved header is pelm's own).
  const std::string wide = testsupport::readFile(dir / "wide.fit");
  const std::string copy = testsupport::readFile(dir / "copy.fit");
  ASSERT_EQ(copy.size(), wide.size());
  EXPECT_TRUE(copy.compare(2880, std::string::npos, wide, 2880, std::string::npos) == 0);

  // device.ccd is now the wide camera: the workspaces are sized for it from the start.
  auto second = testsupport::runPelm(dir, "stop\n");
  ASSERT_EQ(second.status, 0);
  EXPECT_TRUE(contains(second.out, " maximum image size 6200000 pixels; 16 bit only at present"));

  // A camera above 2^28 pixels at start-up stops the program, as a camera too large always did.
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("huge", 20000, 20000));
  auto third = testsupport::runPelm(dir, "stop\n");
  EXPECT_EQ(third.status, 1);
  EXPECT_TRUE(contains(third.out, "error : more than 268435456 pixels !"));
  if (!::testing::Test::HasFailure()) fs::remove_all(dir);
}

TEST(Import, FramesAreNumberedByTheirTimeLinkedAndNeverOverwritten) {
  fs::path dir = testsupport::freshFolder("import");
  writePathDat(dir, "4");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("cmos", 200, 100));
  // Names sort otherwise than times; the last two share a time and go by name.
  const std::vector<std::pair<std::string, std::string>> files = {
      {"M31_Light_60s_2026-03-14_21-10-00_0003.fits", "21:10:00"},
      {"M31_Light_60s_2026-03-14_21-00-00_0002.fits", "21:00:00"},
      {"M31_Light_60s_2026-03-14_23-59-00_0001.fits", "23:59:00"},
      {"zz_early.fits", "20:50:00"},
      {"aa_same.fits", "21:10:00"}};
  for (size_t k = 0; k < files.size(); ++k) {
    testsupport::writeFile(dir / files[k].first, frame(200, 100, static_cast<int>(k), "2026-03-14", files[k].second));
  }
  testsupport::writeFile(dir / "after_midnight.fits", frame(200, 100, 9, "2026-03-15", "00:01:00"));
  testsupport::writeFile(dir / "other.fit", frame(200, 100, 8, "2026-03-14", "19:00:00"));  // not *.fits

  auto run = testsupport::runPelm(dir, "import\n*.fits\n\nload\nimg0003\nimport\n*.fits\nimg\nstop\n");
  ASSERT_EQ(run.status, 0) << run.out;
  const std::vector<std::string> order = {"zz_early.fits",
                                          "M31_Light_60s_2026-03-14_21-00-00_0002.fits",
                                          "M31_Light_60s_2026-03-14_21-10-00_0003.fits",
                                          "aa_same.fits",
                                          "M31_Light_60s_2026-03-14_23-59-00_0001.fits",
                                          "after_midnight.fits"};
  for (size_t k = 0; k < order.size(); ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "img%04d.fit", static_cast<int>(k + 1));
    ASSERT_TRUE(fs::exists(dir / name)) << name;
    EXPECT_TRUE(testsupport::readFile(dir / name) == testsupport::readFile(dir / order[k])) << name;
  }
  EXPECT_FALSE(fs::exists(dir / "img0007.fit"));
  // Each new name, the original name and the frame's date and time, in that order.
  auto lines = testsupport::lines(testsupport::readFile(dir / "import.txt"));
  ASSERT_EQ(lines.size(), order.size());
  EXPECT_EQ(lines[0].substr(0, 21), "img0001.fit          ");
  EXPECT_TRUE(contains(lines[0], "zz_early.fits  2026-03-14  20.8333")) << lines[0];
  EXPECT_TRUE(contains(lines[5], "after_midnight.fits  2026-03-15   0.0167")) << lines[5];
  // The numbered frames go through the designed chain: img0003 loads as a raw frame.
  EXPECT_TRUE(contains(run.out, "   file to load : img0003.fit"));
  EXPECT_FALSE(contains(run.out, "ERROR: cannot open file"));
  // The second import would make img0001.fit again: nothing is made, nothing overwritten.
  EXPECT_TRUE(contains(run.out, "   error - img0001.fit exists already; nothing imported (no frame is overwritten)"));
  EXPECT_EQ(testsupport::lines(testsupport::readFile(dir / "import.txt")).size(), order.size());
  if (!::testing::Test::HasFailure()) fs::remove_all(dir);
}

}  // namespace

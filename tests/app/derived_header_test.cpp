// Saved frames that say what was done to them, on a generated night: dfs's HISTORY and
// IMAGETYP, an average's combined times, exposure and NCOMBINE, a frame loaded and saved
// unchanged, dfs's warning on a frame corrected twice, and fitsverify on what was written.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "results/frame_stamp.h"
#include "tests/support/run_pelm.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> cardsOf(const fs::path& p) { return results::headerCards(testsupport::readFile(p)); }

std::vector<std::string> withKey(const std::vector<std::string>& cards, const std::string& key) {
  std::vector<std::string> out;
  for (const std::string& c : cards) {
    if (c.compare(0, key.size(), key) == 0 && (key.size() >= 8 || c[key.size()] == ' ')) out.push_back(c);
  }
  return out;
}

std::string textValue(const std::vector<std::string>& cards, const std::string& key) {
  std::vector<std::string> c = withKey(cards, key);
  if (c.size() != 1) return "<" + std::to_string(c.size()) + " cards>";
  size_t a = c[0].find('\''), b = c[0].find('\'', a + 1);
  std::string v = c[0].substr(a + 1, b - a - 1);
  return v.substr(0, v.find_last_not_of(' ') + 1);
}

TEST(DerivedHeader, CorrectedAndCombinedFramesRecordWhatWasDone) {
  fs::path dir = testsupport::freshFolder("derived");
  std::string cmd = std::string(PELM_TOOLS_DIR) + "/simnight --out '" + dir.string() +
                    "' --frames 4 --size 120 90 --stars 12 --seed 3 > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::string pathDat = std::string(80, ' ') + "\n";
  for (const char* code : {"", "", "fit", "drk", "fts", "", "", "", "3", ""}) pathDat += (std::string(code) + "   ").substr(0, 3) + "\n";
  testsupport::writeFile(dir / "path.dat", pathDat);
  auto r = testsupport::runPelm(dir, "dfs\ndark.fit\nflat.fit\nimg001\n..\nimg004\n\navfiles\nimg001\n..\nimg004\n\nsave\navg\n"
                                     "load\nimg003\nsave\ncopy3\nstop\n");
  ASSERT_EQ(r.status, 0) << r.out;

  std::vector<std::string> fmg = cardsOf(dir / "img002.fts");
  std::vector<std::string> history = withKey(fmg, "HISTORY");
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].substr(0, 40), "HISTORY pelm: dark subtracted: dark     ");
  EXPECT_EQ(history[1].substr(0, 50), "HISTORY pelm: flat-field corrected with flat (its ");
  EXPECT_EQ(textValue(fmg, "IMAGETYP"), "LIGHT");
  // The single frame's own time cards stay on a corrected frame.
  EXPECT_EQ(withKey(fmg, "TIME-OBS").size(), 1u);

  // The average: the span and mean of the four frames' mid-exposure times, their exposures
  // summed, no time card of a single frame.
  std::vector<std::string> avg = cardsOf(dir / "avg.fit");
  results::FrameStamp first, last;
  std::string why;
  ASSERT_TRUE(results::readFrameStamp((dir / "img001.fit").string(), first, why));
  ASSERT_TRUE(results::readFrameStamp((dir / "img004.fit").string(), last, why));
  double span0 = first.mid.jd() - first.exposure / 172800.0, span1 = last.mid.jd() + last.exposure / 172800.0;
  results::UtcDate mid{std::floor(0.5 * (span0 + span1)), 0.5 * (span0 + span1) - std::floor(0.5 * (span0 + span1))};
  EXPECT_EQ(textValue(avg, "DATE-OBS"), results::isoUtc(mid));
  EXPECT_EQ(withKey(avg, "TIME-OBS").size(), 0u);
  EXPECT_EQ(withKey(avg, "DATE-AVG").size(), 1u);
  ASSERT_EQ(withKey(avg, "EXPTIME").size(), 1u);
  EXPECT_NEAR(std::stod(withKey(avg, "EXPTIME")[0].substr(10, 20)), 4 * first.exposure, 1e-6);
  ASSERT_EQ(withKey(avg, "NCOMBINE").size(), 1u);
  EXPECT_EQ(std::stoi(withKey(avg, "NCOMBINE")[0].substr(10, 20)), 4);
  ASSERT_EQ(withKey(avg, "HISTORY").size(), 1u);
  EXPECT_EQ(withKey(avg, "HISTORY")[0].substr(0, 50), "HISTORY pelm: average of 4 frames, img001 to img00");
  // The frame read back has the combined time, as a reader of DATE-OBS and EXPTIME would.
  results::FrameStamp combined;
  ASSERT_TRUE(results::readFrameStamp((dir / "avg.fit").string(), combined, why)) << why;

  // Loaded and saved unchanged: no card added, the same header.
  EXPECT_EQ(cardsOf(dir / "copy3.fit"), cardsOf(dir / "img003.fit"));

  if (std::system("command -v fitsverify >/dev/null 2>&1") == 0) {
    for (const char* f : {"img002.fts", "avg.fit"}) {
      std::string v = "fitsverify -q -e '" + (dir / f).string() + "' > '" + (dir / "verify.txt").string() + "' 2>&1";
      EXPECT_EQ(std::system(v.c_str()), 0) << f << ": " << testsupport::readFile(dir / "verify.txt");
    }
  }

  // A corrected frame given to dfs again is corrected again, with a warning.
  fs::copy_file(dir / "img001.fts", dir / "twice001.fit");
  fs::copy_file(dir / "img002.fit", dir / "twice002.fit");
  auto again = testsupport::runPelm(dir, "dfs\ndark.fit\nflat.fit\ntwice001\n..\ntwice002\n\nstop\n");
  EXPECT_NE(again.out.find("   warning - twice001 already carries pelm's dark and flat correction; it is corrected again\n"),
            std::string::npos)
      << again.out;
  EXPECT_EQ(r.out.find("already carries"), std::string::npos);
  EXPECT_EQ(again.out.find("twice002 already carries"), std::string::npos);  // a raw frame is not warned of
  fs::remove_all(dir);
}

}  // namespace

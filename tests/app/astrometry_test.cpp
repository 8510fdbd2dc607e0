// `astrometry` on a generated night with a sky solution in its fiducial frame: the ADES and
// 80-column reports read back by an independent reader, compared with the asteroid's true
// sky track and mid-exposure times and with the console; a partial-stack position timed by
// the stack's mid-time; and bad input that must give one message and no report.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>

#include "tests/sky/ades_reader.h"
#include "tests/support/run_pelm.h"

namespace {

namespace fs = std::filesystem;

const std::string kReduce =
    "dfs\ndark.fit\nflat.fit\nimg001\n..\nimg020\n\n"
    "positions\ns1\ncomparison 1\n115.7 67.3\ns2\ncomparison 2\n374.5 379.4\ns3\ncomparison 3\n330.5 110.5\n"
    "ast\nasteroid\n192.0 168.0\n\nupdateposi\n\nfiducialst\ns1\ns2\ns3\n\nalign\n\ny\n"
    "estimatepa\nfmg001\n192.0 168.0\nfmg020\n211.0 169.3\nmotionon\nupdatemult\nast\ny\nfitpath\n2\n";
const std::string kSite =
    "Z84\n-2.546 37.2236 2168\nA. Observer, B. Helper\nA. Observer\n0.35, Schmidt-Cassegrain, CCD\nA. Observer\n"
    "observer@example.org\n";

struct SkyTruth {
  std::map<std::string, std::string> time;  // frame name (img001) -> ISO mid-exposure
  std::map<std::string, std::pair<double, double>> sky;
};

// A generated night (20 frames, bright asteroid, sky solution), reduced up to the fitted path.
struct SkyNight {
  fs::path dir = testsupport::freshFolder("astrometry");
  SkyTruth truth;
  SkyNight() {
    std::string cmd = std::string(PELM_TOOLS_DIR) + "/simnight --out '" + dir.string() +
                      "' --frames 20 --seed 3 --sky --asteroid-mag 11.5 > /dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    std::string pathDat = std::string(80, ' ') + "\n";
    for (const char* code : {"", "", "fit", "drk", "fts", "", "", "", "3", "f"}) pathDat += (std::string(code) + "   ").substr(0, 3) + "\n";
    testsupport::writeFile(dir / "path.dat", pathDat);
    std::istringstream in(testsupport::readFile(dir / "truth.txt"));
    for (std::string l; std::getline(in, l);) {
      std::istringstream f(l);
      std::string tag, name, iso;
      double ra, dec;
      if (l.rfind("sky img", 0) == 0 && f >> tag >> name >> iso >> ra >> dec) {
        name = name.substr(0, name.find('.'));
        truth.time[name] = iso, truth.sky[name] = {ra, dec};
      }
    }
    EXPECT_EQ(truth.time.size(), 20u);
  }
  ~SkyNight() {
    if (!::testing::Test::HasFailure()) fs::remove_all(dir);
  }
};

double arcsecBetween(double ra1, double dec1, double ra2, double dec2) {
  double c = std::cos(0.5 * (dec1 + dec2) * M_PI / 180.0);
  return std::hypot((ra1 - ra2) * c, dec1 - dec2) * 3600.0;
}

// A console position line: frame, date, time, RA h m s, Dec d m s, residuals.
struct ConsoleLine {
  std::string frame, iso;
  double ra = 0, dec = 0;
};
std::vector<ConsoleLine> consolePositions(const std::string& out) {
  static const std::regex line(
      R"(  (\S+(?: [ 0-9.]+)?)\s+(\d{4}-\d\d-\d\d) (\d\d:\d\d:\d\d\.\d{3})  (\d\d) (\d\d) (\d\d\.\d{3})  ([+-])(\d\d) (\d\d) (\d\d\.\d\d) +-?\d+\.\d\d +-?\d+\.\d\d(  \*)?)");
  std::vector<ConsoleLine> found;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) {
    std::smatch m;
    if (!std::regex_match(l, m, line)) continue;
    ConsoleLine c;
    c.frame = adesreader::trim(m[1]), c.iso = std::string(m[2]) + "T" + std::string(m[3]) + "Z";
    c.ra = 15.0 * (std::stod(m[4]) + std::stod(m[5]) / 60.0 + std::stod(m[6]) / 3600.0);
    c.dec = (std::stod(m[8]) + std::stod(m[9]) / 60.0 + std::stod(m[10]) / 3600.0) * (m[7] == "-" ? -1.0 : 1.0);
    found.push_back(c);
  }
  return found;
}

TEST(Astrometry, ReportsAgreeWithTheTrueSkyTrackTimesAndTheConsole) {
  SkyNight night;
  // A partial stack's position at 21.500 h, on the true track (192 + 9 t, 168 + 5 t px).
  // The second run reads the first run's objectpath.txt with the stack's line appended, as
  // the path photometry of a partial stack appends it.
  auto first = testsupport::runPelm(night.dir, kReduce + "site\n" + kSite + "astrometry\nimg001\n\n2026 AB12\n\n\nstop\n");
  ASSERT_EQ(first.status, 0);
  std::string path = testsupport::readFile(night.dir / "objectpath.txt");
  testsupport::writeFile(night.dir / "withstack.txt", path + " 21.500,  196.50,  170.50,  sky=,  800.0\n");
  auto r = testsupport::runPelm(night.dir, "loadpath\nastrometry\nimg001\nwithstack.txt\n433\nGaia2\nstacked.psv\nstop\n");
  ASSERT_EQ(r.status, 0);

  adesreader::Psv psv = adesreader::readPsv(testsupport::readFile(night.dir / "astrometry.psv"));
  ASSERT_EQ(psv.problem, "");
  EXPECT_EQ(psv.blocks["observers"], (std::vector<std::string>{"name A. Observer", "name B. Helper"}));
  EXPECT_EQ(psv.columns.front(), "provID");
  size_t lines = 0;
  for (char ch : path) lines += ch == '\n';
  ASSERT_EQ(psv.records.size(), lines);
  std::vector<ConsoleLine> console = consolePositions(first.out);
  ASSERT_EQ(console.size(), psv.records.size()) << first.out;
  double sum2 = 0.0, worst = 0.0;
  for (size_t k = 0; k < psv.records.size(); ++k) {
    auto& rec = psv.records[k];
    std::string frame = "img" + console[k].frame.substr(3);
    ASSERT_TRUE(night.truth.time.count(frame)) << console[k].frame;
    EXPECT_EQ(rec["obsTime"], night.truth.time[frame]) << "obsTime must be the true mid-exposure to 1 ms";
    EXPECT_EQ(rec["obsTime"], console[k].iso);
    EXPECT_EQ(rec["provID"], "2026 AB12");
    EXPECT_EQ(rec["stn"], "Z84");
    EXPECT_EQ(rec["mode"], "CCD");
    EXPECT_EQ(rec["astCat"], "Gaia3");
    double ra = std::stod(rec["ra"]), dec = std::stod(rec["dec"]);
    EXPECT_LT(std::fabs(ra - console[k].ra) * 3600.0, 0.0005 * 15.0 + 0.0036) << k;
    EXPECT_LT(std::fabs(dec - console[k].dec) * 3600.0, 0.005 + 0.0036) << k;
    auto [tra, tdec] = night.truth.sky[frame];
    double e = arcsecBetween(ra, dec, tra, tdec);
    sum2 += e * e, worst = std::max(worst, e);
  }
  double rms = std::sqrt(sum2 / static_cast<double>(psv.records.size()));
  std::printf("  ADES positions against the truth: rms %.3f\", worst %.3f\" (%zu positions)\n", rms, worst,
              psv.records.size());
  EXPECT_LT(rms, 0.10);
  EXPECT_LT(worst, 0.25);
  EXPECT_NE(first.out.find("  rms of the residuals (arcsec): RA "), std::string::npos);

  // The 80-column file: the same positions, field by field.
  std::istringstream obs(testsupport::readFile(night.dir / "astrometry.obs"));
  size_t k = 0;
  for (std::string l; std::getline(obs, l); ++k) {
    adesreader::Obs80 o = adesreader::readObs80(l);
    ASSERT_EQ(o.problem, "") << l;
    ASSERT_LT(k, psv.records.size());
    EXPECT_EQ(o.designation, "K26A12B");
    EXPECT_EQ(o.note2, "C");
    EXPECT_EQ(o.code, "Z84");
    const std::string& iso = psv.records[k]["obsTime"];
    double day = std::stoi(iso.substr(8, 2)) + (std::stoi(iso.substr(11, 2)) * 3600 + std::stoi(iso.substr(14, 2)) * 60 +
                                                std::stod(iso.substr(17, 6))) / 86400.0;
    EXPECT_NEAR(o.day, day, 0.6e-6);
    EXPECT_LT(arcsecBetween(o.raDeg, o.decDeg, std::stod(psv.records[k]["ra"]), std::stod(psv.records[k]["dec"])), 0.012);
  }
  EXPECT_EQ(k, psv.records.size());

  // The stack's position: at its mid-time, on the track between frames 8 and 9.
  adesreader::Psv stacked = adesreader::readPsv(testsupport::readFile(night.dir / "stacked.psv"));
  ASSERT_EQ(stacked.problem, "") << r.out;
  ASSERT_EQ(stacked.records.size(), lines + 1);
  auto& last = stacked.records.back();
  EXPECT_EQ(stacked.columns.front(), "permID");
  EXPECT_EQ(last["permID"], "433");
  EXPECT_EQ(last["astCat"], "Gaia2");
  EXPECT_EQ(last["obsTime"], "2026-03-14T21:30:00.000Z");
  double midRa = 0.5 * (night.truth.sky["img008"].first + night.truth.sky["img009"].first);
  double midDec = 0.5 * (night.truth.sky["img008"].second + night.truth.sky["img009"].second);
  EXPECT_LT(arcsecBetween(std::stod(last["ra"]), std::stod(last["dec"]), midRa, midDec), 0.01);
  EXPECT_NE(r.out.find("  stack 21.500         2026-03-14 21:30:00.000"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("residuals against path model 1"), std::string::npos);
  std::string obs2 = testsupport::readFile(night.dir / "stacked.obs");
  EXPECT_EQ(obs2.substr(0, 5), "00433");
}

TEST(Astrometry, BadInputGivesOneMessageAndNoReport) {
  SkyNight night;
  auto r = testsupport::runPelm(night.dir, kReduce + "stop\n");
  ASSERT_EQ(r.status, 0);
  testsupport::writeFile(night.dir / "empty.txt", "\n\n");
  testsupport::writeFile(night.dir / "bad.txt", " 21.0 , abc , 12\n");
  testsupport::writeFile(night.dir / "late.txt", " 47.000,  196.50,  170.50,  sky=,  800.0\n 47.100,  197.50,  170.50,  sky=,  800.0\n");
  // A frame whose header has no sky solution, and one with a singular CD matrix.
  std::string header = testsupport::readFile(night.dir / "img001.fit");
  std::string singular = header;
  size_t at = singular.find("CD2_1   = ");
  ASSERT_NE(at, std::string::npos);
  size_t cd11 = singular.find("CD1_1   = "), cd12 = singular.find("CD1_2   = "), cd22 = singular.find("CD2_2   = ");
  singular.replace(at, 80, singular.substr(cd11, 80).replace(0, 5, "CD2_1"));
  singular.replace(cd22, 80, singular.substr(cd12, 80).replace(0, 5, "CD2_2"));
  testsupport::writeFile(night.dir / "sing.fit", singular);
  const std::pair<std::string, std::string> cases[] = {
      {"img002\n\n2026 AB12\n\nout1.psv\n", "   error - frame img002 has no usable sky solution: "},
      {"sing\n\n2026 AB12\n\nout2.psv\n", "   error - frame sing has no usable sky solution: "},
      {"img001\nempty.txt\n2026 AB12\n\nout3.psv\n", "   error - positions file empty.txt: it holds no position; nothing written\n"},
      {"img001\nbad.txt\n2026 AB12\n\nout4.psv\n", "   error - positions file bad.txt: line 1 is not a time, u, v position; nothing written\n"},
      {"img001\nlate.txt\n2026 AB12\n\nout5.psv\n", "   error - the time of line 1 of late.txt is outside the night of img001; nothing written\n"},
      {"img001\n\n\n\nout6.psv\n", "   error - no object designation given; nothing written\n"},
      {"img001\n\nA very long name\n\nout7.psv\n", "   error - the designation must be"},
      {"img001\n\n2026 AB12\nGaia 3\nout8.psv\n", "   error - the catalogue name must be"},
      {"\n\n2026 AB12\n\nout9.psv\n", "   error - no frame with the sky solution given; nothing written\n"},
  };
  std::string input = "site\n" + kSite;
  for (const auto& [answers, message] : cases) input += "astrometry\n" + answers;
  r = testsupport::runPelm(night.dir, "fitpath\n2\n" + input + "stop\n");
  for (const auto& [answers, message] : cases) {
    EXPECT_NE(r.out.find(message), std::string::npos) << message << "\n" << r.out;
  }
  for (int k = 1; k <= 9; ++k) {
    EXPECT_FALSE(fs::exists(night.dir / ("out" + std::to_string(k) + ".psv"))) << k;
    EXPECT_FALSE(fs::exists(night.dir / ("out" + std::to_string(k) + ".obs"))) << k;
  }
  // Without site.txt the command asks for the site first; a blank code stops it.
  fs::remove(night.dir / "site.txt");
  r = testsupport::runPelm(night.dir, "astrometry\n\n1 2 3\nA\nA\n0.3, R, CCD\nA\na@b\nimg001\n\n2026 AB12\n\nout10.psv\nstop\n");
  EXPECT_NE(r.out.find("   no site.txt yet - the observatory first:\n  observatory code : "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   error - no site.txt; give the observatory with `site` first\n"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(night.dir / "out10.psv"));
}

}  // namespace

namespace {

// A position 3 pixels (4.5") off the track is flagged beyond 3 x rms; it stays in the report
// unless the observer answers y to the question that only a flagged position brings.
TEST(Astrometry, AFlaggedPositionLeavesTheReportOnlyWhenTheObserverSaysSo) {
  SkyNight night;
  auto first = testsupport::runPelm(night.dir, kReduce + "site\n" + kSite + "astrometry\nimg001\n\n2026 AB12\n\n\nstop\n");
  ASSERT_EQ(first.status, 0);
  EXPECT_EQ(first.out.find("leave out flagged positions?"), std::string::npos);
  std::vector<std::string> lines = testsupport::lines(testsupport::readFile(night.dir / "objectpath.txt"));
  ASSERT_GE(lines.size(), 20u);
  std::string& off = lines[9];
  const size_t comma = off.find(',');
  const double u = std::stod(off.substr(comma + 1));
  char shifted[16];
  std::snprintf(shifted, sizeof shifted, " %7.2f ", u + 3.0);
  off.replace(comma + 1, off.find(',', comma + 1) - comma - 1, shifted);
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  testsupport::writeFile(night.dir / "outlier.txt", text);
  const std::string ask = "astrometry\nimg001\noutlier.txt\n2026 AB12\n\n";
  auto r = testsupport::runPelm(night.dir, "loadpath\n" + ask + "kept.psv\n\n" + ask + "left.psv\ny\nstop\n");
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("  * residual above 3 x rms: 1 positions"), std::string::npos);
  size_t asked = 0;
  for (size_t at = r.out.find("  leave out flagged positions? [n] : "); at != std::string::npos;
       at = r.out.find("  leave out flagged positions? [n] : ", at + 1))
    ++asked;
  EXPECT_EQ(asked, 2u);
  EXPECT_NE(r.out.find("  1 flagged positions left out; the report's rms is that of the 19 kept"), std::string::npos);
  adesreader::Psv kept = adesreader::readPsv(testsupport::readFile(night.dir / "kept.psv"));
  adesreader::Psv left = adesreader::readPsv(testsupport::readFile(night.dir / "left.psv"));
  ASSERT_EQ(kept.problem, "");
  ASSERT_EQ(left.problem, "");
  EXPECT_EQ(kept.records.size(), lines.size());
  EXPECT_EQ(left.records.size(), lines.size() - 1);
  // The report's rms without the outlier is that of a clean track, far below the kept one's.
  EXPECT_LT(std::stod(left.records[0].at("rmsRA")) + std::stod(left.records[0].at("rmsDec")),
            0.5 * (std::stod(kept.records[0].at("rmsRA")) + std::stod(kept.records[0].at("rmsDec"))));
}

}  // namespace

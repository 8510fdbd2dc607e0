// The period and alcdef commands run as an observer runs them: console lines and files of a
// period search on two generated nights, ALCDEF files checked by a reader written here from
// the format's rules, and bad answers that must give one message and no file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>

#include "tests/support/run_pelm.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDmagRes = fs::path(PELM_SOURCE_DIR) / "tests/sessions/dmag-magnitudes.files/night1.res";

// A folder with a camera and two generated nights (2.8 h, double-peaked) as night1.res and
// night2.res.
fs::path nightsFolder(const std::string& tag) {
  fs::path dir = testsupport::freshFolder(tag);
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", 100, 100));
  std::string cmd = std::string(PELM_TOOLS_DIR) + "/simnight --out '" + dir.string() +
                    "' --lightcurve-only --nights 2 --night-gap 3 --frames 80 --cadence 3 --period 2.8"
                    " --amplitude 0.3 --double-peak --seed 7";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  return dir;
}

TEST(PeriodCommand, TwoNightsFromAScriptGiveTheLinesAndTheFiles) {
  fs::path dir = nightsFolder("period-cmd");
  auto r = testsupport::runPelm(dir, "period\nnight1.res\nnight2.res\n\n\n1 10\n\nstop\n");
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("  light curve file (blank to end) :   light curve file (blank to end) :   light curve file "
                       "(blank to end) :   column of the object (1-10) [1] :   shortest and longest period, hours : "
                       "  Fourier order (1-8) [4] : "),
            std::string::npos)
      << r.out;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex("\n  best period \\(h\\) = ( {0,4}\\d+\\.\\d{6}) \\+/- "
                                                     "( {0,2}\\d+\\.\\d{6})\n")))
      << r.out;
  EXPECT_EQ(m[1].length(), 12);
  EXPECT_NEAR(std::stod(m[1]), 2.8, 0.003 * 2.8);
  EXPECT_TRUE(std::regex_search(r.out, std::regex("\n  amplitude \\(mag\\) =   0\\.[23]\\d\\d\n"))) << r.out;
  EXPECT_TRUE(std::regex_search(r.out, std::regex("\n  rms residual \\(mag\\) =  0\\.00[6-9]\\d\n"))) << r.out;
  EXPECT_NE(r.out.find("\n  points used =    160\n"), std::string::npos);
  EXPECT_NE(r.out.find("\n  half the best period (h) = "), std::string::npos);
  EXPECT_NE(r.out.find("\n  double the best period (h) = "), std::string::npos);
  // The report holds the whole scan, one trial a line, after its column titles.
  std::vector<std::string> report = testsupport::lines(testsupport::readFile(dir / "period.txt"));
  size_t titles = 0;
  while (titles < report.size() && report[titles] != "   period (h)      chi2/nu") ++titles;
  ASSERT_LT(titles, report.size());
  std::smatch t;
  std::string text = testsupport::readFile(dir / "period.txt");
  ASSERT_TRUE(std::regex_search(text, t, std::regex("trial periods = +(\\d+)")));
  EXPECT_EQ(report.size() - titles - 1, std::stoul(t[1]));
  EXPECT_NEAR(std::stod(report[titles + 1]), 10.0, 1e-6);
  EXPECT_NEAR(std::stod(report.back()), 1.0, 1e-6);
  // The phased picture: one point per observation, the fitted curve, two session colours.
  std::string phased = testsupport::readFile(dir / "phased.svg");
  size_t points = 0;
  for (size_t p = phased.find("class='point'"); p != std::string::npos; p = phased.find("class='point'", p + 1)) ++points;
  EXPECT_EQ(points, 160u);
  EXPECT_NE(phased.find("class='fit'"), std::string::npos);
  EXPECT_NE(phased.find("night2.res"), std::string::npos);
  EXPECT_NE(testsupport::readFile(dir / "periodogram.svg").find("class='scan'"), std::string::npos);
  // Both pictures are well-formed XML (Python's parser, when there is one).
  if (std::system("/usr/bin/python3 -c 'import xml.etree.ElementTree' >/dev/null 2>&1") == 0) {
    std::string parse = "/usr/bin/python3 -c 'import sys, xml.etree.ElementTree as E; [E.parse(f) for f in sys.argv[1:]]' '" +
                        (dir / "phased.svg").string() + "' '" + (dir / "periodogram.svg").string() + "'";
    EXPECT_EQ(std::system(parse.c_str()), 0);
  }
  fs::remove_all(dir);
}

// Each bad answer gives its message on one line and leaves no file.
TEST(PeriodCommand, BadInputGivesOneMessageAndNoFile) {
  fs::path dir = nightsFolder("period-bad");
  testsupport::writeFile(dir / "notres.res", "just some text\nwith no column titles\n");
  std::string good = testsupport::readFile(dir / "night1.res");
  std::string header = good.substr(0, good.find(" 2026"));
  testsupport::writeFile(dir / "short.res", header + " 2026  3 14  21.000  1.5 0.4\n");
  testsupport::writeFile(dir / "empty.res", header);
  std::vector<std::string> lines = testsupport::lines(good);
  std::string five = header;
  for (size_t k = 7; k < 12; ++k) five += lines[k] + "\n";
  testsupport::writeFile(dir / "five.res", five);
  const std::pair<const char*, const char*> cases[] = {
      {"notres.res\n\n\n1 10\n\n", "   error - notres.res has no column titles: not a light curve written by dmag\n"},
      {"short.res\n\n\n1 10\n\n", "   error - line 8 of short.res is not an observation of dmag\n"},
      {"empty.res\n\n\n1 10\n\n", "   error - empty.res holds no observations\n"},
      {"night1.res\n\n5\n1 10\n\n", "   error - column 5 of night1.res holds no values\n"},
      {"five.res\n\n\n1 10\n\n", "   error - 5 points are too few for 9 fitted parameters\n"},
      {"night1.res\n\n\n2 2\n\n", "   error - the periods must be positive and the shortest below the longest\n"},
      {"night1.res\n\n\n-1 5\n\n", "   error - the periods must be positive and the shortest below the longest\n"},
      {"night1.res\n\n\n5 2\n\n", "   error - the periods must be positive and the shortest below the longest\n"},
      {"night1.res\n\n\n1 10\n9\n", "   error - the Fourier order must be 1 to 8\n"},
      {"night1.res\n\n11\n1 10\n\n", "   error - the column of the object must be 1 to 10\n"},
      {"missing.res\n\n\n1 10\n\n", "   error - cannot open light curve file missing.res\n"},
      {"\n\n1 10\n\n", "   error - no light curve file given; nothing done\n"}};
  for (const auto& [answers, message] : cases) {
    auto r = testsupport::runPelm(dir, std::string("period\n") + answers + "stop\n");
    EXPECT_NE(r.out.find(message), std::string::npos) << answers << r.out;
    EXPECT_EQ(r.out.find("error", r.out.find("error") + 1), std::string::npos) << "more than one message:" << r.out;
    EXPECT_FALSE(fs::exists(dir / "period.txt")) << answers;
    EXPECT_FALSE(fs::exists(dir / "phased.svg")) << answers;
  }
  fs::remove_all(dir);
}

// An ALCDEF session read back by the format's rules: KEYWORD=VALUE lines of at most 255
// characters between STARTMETADATA and ENDMETADATA, then DATA lines and ENDDATA.
struct Alcdef {
  std::multimap<std::string, std::string> meta;
  std::vector<std::array<std::string, 3>> data;
  std::string problem;  // empty when the file follows the rules
};

Alcdef readAlcdef(const std::string& text) {
  Alcdef a;
  std::vector<std::string> l = testsupport::lines(text);
  const std::regex keyValue("([A-Z]+[0-9]*)=(.*)");
  const std::regex dataLine("DATA=(\\d{7}\\.\\d{6})\\|(-?\\d+\\.\\d{3})\\|(\\d+\\.\\d{3})");
  size_t i = 0;
  if (l.empty() || l[i++] != "STARTMETADATA") return a.problem = "no STARTMETADATA", a;
  for (; i < l.size() && l[i] != "ENDMETADATA"; ++i) {
    std::smatch m;
    if (l[i].size() > 255 || !std::regex_match(l[i], m, keyValue)) return a.problem = "bad line " + l[i], a;
    a.meta.insert({m[1], m[2]});
  }
  for (++i; i < l.size() && l[i] != "ENDDATA"; ++i) {
    std::smatch m;
    if (!std::regex_match(l[i], m, dataLine)) return a.problem = "bad data line " + l[i], a;
    a.data.push_back({m[1], m[2], m[3]});
  }
  if (i + 1 != l.size()) a.problem = "no ENDDATA at the end";
  // Value forms.
  const std::map<std::string, std::string> forms = {
      {"OBJECTNUMBER", "\\d+"}, {"SESSIONDATE", "\\d{4}-\\d{2}-\\d{2}"}, {"SESSIONTIME", "\\d{2}:\\d{2}:\\d{2}"},
      {"OBSLONGITUDE", "[+-]\\d{1,3}\\.\\d{4}"}, {"OBSLATITUDE", "[+-]\\d{1,2}\\.\\d{4}"},
      {"DIFFERMAGS", "TRUE"}, {"STANDARD", "NONE"}, {"LTCAPP", "NONE"}, {"REDUCEDMAGS", "NONE"},
      {"REVISEDDATA", "FALSE"}, {"ALLOWSHARING", "TRUE|FALSE"}, {"LTCTYPE", "NONE"}, {"COMMENT", ".+"},
      {"DELIMITER", "PIPE"}, {"FILTER", "C|U|B|V|R|I|SU|SG|SR|SI|SZ"},
      {"MAGBAND", "U|B|V|R|I|SU|SG|SR|SI|SZ"}, {"OBJECTNAME", ".+"}, {"MPCDESIG", ".+"},
      {"CONTACTNAME", ".+"}, {"CONTACTINFO", ".*\\[[^ ]+@[^ ]+\\].*"}, {"OBSERVERS", ".+"}};
  for (const auto& [key, form] : forms) {
    if (a.meta.count(key) != 1) return a.problem = "keyword " + key + " missing or repeated", a;
    if (!std::regex_match(a.meta.find(key)->second, std::regex(form))) return a.problem = "bad value of " + key, a;
  }
  // Keywords written only when their values are known.
  const std::map<std::string, std::string> optional = {
      {"OBJECTRA", "\\d{2}:\\d{2}:\\d{2}"}, {"OBJECTDEC", "[+-]\\d{2}:\\d{2}:\\d{2}"},
      {"MPCCODE", "[0-9A-Z][0-9]{2}"}, {"FACILITY", ".+"}};
  for (const auto& [key, form] : optional) {
    if (a.meta.count(key) > 1) return a.problem = "keyword " + key + " repeated", a;
    if (a.meta.count(key) == 1 && !std::regex_match(a.meta.find(key)->second, std::regex(form))) {
      return a.problem = "bad value of " + key, a;
    }
  }
  if (a.meta.count("OBJECTRA") != a.meta.count("OBJECTDEC")) return a.problem = "OBJECTRA without OBJECTDEC", a;
  return a;
}

TEST(AlcdefCommand, WrittenFilesFollowTheFormatAndCarryTheResValues) {
  fs::path dir = nightsFolder("alcdef-cmd");
  testsupport::writeFile(dir / "rzcas.res", testsupport::readFile(kDmagRes));
  auto r = testsupport::runPelm(dir, "alcdef\nnight2.res\n\n0\n2026 AB12\n2026 AB12\nA. Observer; B. Helper\nA. Observer\n"
                                     "observer@example.org, Hill Road 1\n\n-3.25 52.5\n\n"
                                     "alcdef\nrzcas.res\n1\n12345\nSomeone\n1990 XY\nC. Watcher\nC. Watcher\n[c@x.org]\nv\n"
                                     "350.5 -33.1\nrz.alc\nstop\n");
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("  ALCDEF file written: night2.alc\n  data lines =     80\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  ALCDEF file written: rz.alc\n  data lines =      3\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  light curve file (.res) :   column of the object (1-10) [1] :   object number (0 if "
                       "unnumbered) :   object name :   MPC designation :   observers :   contact name :   contact "
                       "info :   filter [C] :   observatory longitude and latitude, degrees (E+, N+) :   output file "
                       "[night2.alc] :   ALCDEF file written"),
            std::string::npos)
      << r.out;

  Alcdef night = readAlcdef(testsupport::readFile(dir / "night2.alc"));
  ASSERT_EQ(night.problem, "");
  EXPECT_EQ(night.meta.find("CONTACTINFO")->second, "[observer@example.org], Hill Road 1");
  EXPECT_EQ(night.meta.find("OBSLONGITUDE")->second, "-3.2500");
  EXPECT_EQ(night.meta.find("FILTER")->second, "C");
  EXPECT_EQ(night.meta.count("COMPNAME1") + night.meta.count("COMPNAME2"), 2u);
  // Night 2 starts three days after 2026-03-14 21:00 UT; its 80 points 3 minutes apart put
  // the middle of the session 237 / 2 minutes later.
  EXPECT_EQ(night.meta.find("SESSIONDATE")->second, "2026-03-17");
  EXPECT_EQ(night.meta.find("SESSIONTIME")->second, "22:58:30");
  EXPECT_EQ(night.meta.find("COMMENT")->second, "JD (UTC) from the light curve's UT to 0.001 h (frames not found)");
  // Every accepted .res line once, with its magnitude, error and date to the printed precision.
  std::vector<std::string> res = testsupport::lines(testsupport::readFile(dir / "night2.res"));
  std::vector<std::vector<double>> rows;
  for (const std::string& l : res) {
    std::istringstream f(l);
    std::vector<double> v;
    for (double x; f >> x;) v.push_back(x);
    if (v.size() >= 26 && v[0] > 2000) rows.push_back(v);
  }
  ASSERT_EQ(night.data.size(), rows.size());
  for (size_t k = 0; k < rows.size(); ++k) {
    EXPECT_NEAR(std::stod(night.data[k][1]), rows[k][4], 0.0005 + 1e-9);
    EXPECT_NEAR(std::stod(night.data[k][2]), rows[k][14], 0.0005 + 1e-9);
    EXPECT_NEAR(std::stod(night.data[k][0]), rows[k][24], 0.00005 + 0.0000005);  // HJD column, no light time
  }

  Alcdef rz = readAlcdef(testsupport::readFile(dir / "rz.alc"));
  ASSERT_EQ(rz.problem, "");
  EXPECT_EQ(rz.meta.find("OBSLONGITUDE")->second, "-9.5000");  // 350.5 east is 9.5 west
  EXPECT_EQ(rz.meta.find("FILTER")->second, "V");
  EXPECT_EQ(rz.meta.find("MAGBAND")->second, "V");
  EXPECT_EQ(rz.meta.find("COMPNAME1")->second, "cmp1");
  EXPECT_EQ(rz.meta.find("COMPNAME2")->second, "cmp2");
  // The 99.999 line is left out; the JD are those of the date and UT columns (2005 Sep 10
  // 22:30 UT = JD 2453624.4375), not the light-time corrected HJD column.
  ASSERT_EQ(rz.data.size(), 3u);
  EXPECT_EQ(rz.data[0], (std::array<std::string, 3>{"2453624.437500", "9.247", "0.014"}));
  EXPECT_EQ(rz.data[2][0], "2453624.508333");
  // The session's middle: between 22:30 and 24.2 h of September 10.
  EXPECT_EQ(rz.meta.find("SESSIONDATE")->second, "2005-09-10");
  EXPECT_EQ(rz.meta.find("SESSIONTIME")->second, "23:21:00");
  fs::remove_all(dir);
}

TEST(AlcdefCommand, ErrorsThatWouldAllBeZeroAreWarnedOfBeforeWriting) {
  fs::path dir = testsupport::freshFolder("alcdef-zero");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", 100, 100));
  std::string res = "   normalising star = cmp1 \n  zero point =  10.000\n\n year  m  d    UTC       var      cmp1   \n\n";
  for (const char* row : {" 2005  9 10  22.500  9.24743 10.75257", " 2005  9 10  22.600  9.34743 10.75257"}) {
    res += row;
    for (int k = 0; k < 18; ++k) res += "  0.00000";
    res += "  2453624.4375 0.00000\n";
  }
  testsupport::writeFile(dir / "zero.res", res);
  const std::string answers = "zero.res\n\n0\nname\ndesig\nobs\ncontact\ninfo@x.org\n\n1 2\n\n";
  auto no = testsupport::runPelm(dir, "alcdef\n" + answers + "n\nstop\n");
  EXPECT_NE(no.out.find("   warning - every MAGERR would be 0.000: the photometry was measured without errors "
                        "(`outputerro`)\n  write the ALCDEF file anyway? Y/N [N] :    nothing written\n"),
            std::string::npos)
      << no.out;
  EXPECT_FALSE(fs::exists(dir / "zero.alc"));
  auto yes = testsupport::runPelm(dir, "alcdef\n" + answers + "y\nstop\n");
  EXPECT_NE(yes.out.find("  ALCDEF file written: zero.alc\n"), std::string::npos) << yes.out;
  Alcdef a = readAlcdef(testsupport::readFile(dir / "zero.alc"));
  EXPECT_EQ(a.problem, "");
  ASSERT_EQ(a.data.size(), 2u);
  EXPECT_EQ(a.data[1][2], "0.000");
  fs::remove_all(dir);
}

TEST(AlcdefCommand, BadInputGivesOneMessageAndNoFile) {
  fs::path dir = nightsFolder("alcdef-bad");
  testsupport::writeFile(dir / "notres.res", "no titles\n");
  const std::string rest = "\n0\nname\ndesig\nobs\ncontact\ninfo@x.org\n";
  const std::pair<std::string, const char*> cases[] = {
      {"night1.res\n\n0\n\ndesig\nobs\ncontact\ninfo@x.org\n\n1 2\n\n", "   error - ALCDEF requires the object name; nothing written\n"},
      {"night1.res\n\n0\nname\ndesig\n\ncontact\ninfo@x.org\n\n1 2\n\n", "   error - ALCDEF requires the observers; nothing written\n"},
      {"night1.res\n\n0\nname\ndesig\nobs\ncontact\n\n\n1 2\n\n", "   error - ALCDEF requires the contact info; nothing written\n"},
      {"night1.res\n" + rest + "X\n1 2\n\n", "   error - filter X is not an ALCDEF filter (C U B V R I SU SG SR SI SZ)\n"},
      {"night1.res\n" + rest + "\n1 95\n\n", "   error - the latitude must lie from -90 to 90 degrees\n"},
      {"night1.res\n\n-3\nname\ndesig\nobs\ncontact\ninfo@x.org\n\n1 2\n\n", "   error - the object number cannot be negative\n"},
      {"night1.res\n5" + rest + "\n1 2\n\n", "   error - column 5 of night1.res holds no values\n"},
      {"notres.res\n" + rest + "\n1 2\n\n", "   error - notres.res has no column titles: not a light curve written by dmag\n"},
      {"night1.res\n" + rest + "\n1 2\nnight1.res\n", "   error - output would overwrite input\n"}};
  for (const auto& [answers, message] : cases) {
    auto r = testsupport::runPelm(dir, "alcdef\n" + answers + "stop\n");
    EXPECT_NE(r.out.find(message), std::string::npos) << answers << r.out;
    EXPECT_EQ(r.out.find("error", r.out.find("error") + 1), std::string::npos) << "more than one message:" << r.out;
    EXPECT_FALSE(fs::exists(dir / "night1.alc")) << answers;
    EXPECT_FALSE(fs::exists(dir / "notres.alc")) << answers;
  }
  EXPECT_EQ(testsupport::readFile(dir / "night1.res").substr(0, 10), " synthetic");
  fs::remove_all(dir);
}

}  // namespace

// Every export read back by astropy's Table.read: column names, units and values of the
// photometry log, light curve and alignment exports (ECSV and CSV) against the frames' own
// header times, BJD_TDB and airmass against astropy's barycentric correction and AltAz, the
// AAVSO Extended file field by field, and the refusals that must leave no file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "results/frame_stamp.h"
#include "results/time_scales.h"
#include "tests/support/run_pelm.h"

namespace {

namespace fs = std::filesystem;

std::string card(const std::string& key, const std::string& value, bool text) {
  char c[81];
  std::string v = text ? "'" + value + "'" : value;
  std::snprintf(c, sizeof c, "%-8s= %-70s", key.c_str(), v.c_str());
  return std::string(c, 80);
}

// A FITS file of header cards only (the exporter reads no pixels).
std::string header(const std::vector<std::string>& extra) {
  std::string h = card("SIMPLE", "T", false) + card("BITPIX", "16", false) + card("NAXIS", "0", false);
  for (const std::string& c : extra) h += c;
  h += "END" + std::string(77, ' ');
  h.resize((h.size() + 2879) / 2880 * 2880, ' ');
  return h;
}

std::vector<std::string> sited(std::vector<std::string> cards) {
  for (const std::string& c : {card("OBJCTRA", "04 00 00.0", true), card("OBJCTDEC", "+20 00 00", true),
                               card("SITELONG", "-110.0", false), card("SITELAT", "32.0", false),
                               card("SITEELEV", "2000.", false)}) {
    cards.push_back(c);
  }
  return cards;
}

std::string logRecord(const char* name, int d, double hours, double f1, double f2) {
  char l[400];
  int n = std::snprintf(l, sizeof l, " %-20s %4d,%2d,%2d,%8.3f%8.0f,%8.0f,", name, 2026, 3, d, hours, f1, f2);
  std::string s(l, static_cast<size_t>(n));
  for (int k = 0; k < 8; ++k) s += "      0.,";
  s += "  734.9,  735.9,";
  for (int k = 0; k < 8; ++k) s += "    0.0,";
  return s + "0.000,  0";
}

const char* kLogHead =
    " \"output from PELM version 2.1       \"\n\" \"\n \"ast  \",\"ast  \", 191.98, 167.93\n"
    " \"s1   \",\"s1   \", 421.29, 336.16\n\" \"\n \"automatic sky subtraction\"\n \"skybox = \",  50\n \n"
    "\"output format : ssssssssssbbbbbbbbbb\"\n \n \"soft aperture; radius = \" 4.00\n \n \"start of data\"\n"
    " \"y\",\"m\",\"d\",\"time\",\"ast  \",\"s1   \",\"     \",\"     \",\"     \",\"     \",\"     \",\"     \",\"     \","
    "\"     \",\"ast  \",\"s1   \",\"     \",\"     \",\"     \",\"     \",\"     \",\"     \",\"     \",\"     \"\n";

std::string resRow(double hours, double ast, double s1, double eAst, double eS1) {
  char l[600];
  std::snprintf(l, sizeof l, " 2026  3 14 %7.3f %8.5f %8.5f", hours, ast, s1);
  std::string s = l;
  for (int k = 0; k < 8; ++k) s += " 99.99900";
  std::snprintf(l, sizeof l, " %8.5f %8.5f", eAst, eS1);
  s += l;
  for (int k = 0; k < 8; ++k) s += "  0.00000";
  return s + "  2461114.3750 0.00000    0.00   0.0   0.0";
}

const char* kResHead =
    "   dmag table made by phot2dmag from night.txt\n   photometry :\n   ast\n   s1\n   obj\n"
    "   output format : ssssssssssbbbbbbbbbb\n   normalising star = s1   \n  zero point =   0.000\n\n"
    " year  m  d    UTC       ast      s1   \n\n";

std::string alignLine(const char* name, double hours, double du, double dv) {
  char l[120];
  std::snprintf(l, sizeof l, " %-20s %7.4f %7.2f %7.2f  %9.5f  %4d %9.1f %5.2f", name, hours, du, dv, 0.0, 3, 734.0,
                du > 9990.0 ? 99.99 : 0.05);
  return l;
}

// Astropy reads every file and checks it; it prints one line per failed check.
const char* kCheck = R"(import sys, math, warnings
warnings.simplefilter("ignore")
from astropy.utils import iers
iers.conf.auto_download = False
iers.conf.iers_degraded_accuracy = "ignore"
from astropy.table import Table
from astropy.time import Time
from astropy.coordinates import SkyCoord, EarthLocation, AltAz
import astropy.units as u
d = sys.argv[1]
bad = []
def check(ok, what):
    if not ok: bad.append(what)
site = EarthLocation.from_geodetic(-110.0 * u.deg, 32.0 * u.deg, 2000.0 * u.m)
target = SkyCoord("04h00m00s", "+20d00m00s", frame="icrs")
mids = {"f001": "2026-03-14T23:58:30.000", "f002": "2026-03-14T23:59:25.250",
        "f003": "2026-03-15T00:02:00.500", "f004": "2026-03-15T00:00:20.000"}
def bjd(iso):
    t = Time(iso, scale="utc", location=site)
    return (t.tdb + t.light_travel_time(target, "barycentric", ephemeris="builtin")).jd
def secz(iso):
    aa = target.transform_to(AltAz(obstime=Time(iso, scale="utc"), location=site, pressure=0 * u.hPa))
    s = float(aa.secz) - 1.0
    return 1.0 + s - 0.0018167 * s - 0.002875 * s * s - 0.0008083 * s ** 3
for fmt in ("ecsv", "csv"):
    t = Table.read(d + "/night." + fmt)
    check(t.colnames == ["frame", "utc_mid", "jd_utc", "time_from", "bjd_tdb", "airmass", "flux_ast", "sky_ast",
                         "flux_s1", "sky_s1"], fmt + " log names " + str(t.colnames))
    check(len(t) == 5, fmt + " log rows")
    if fmt == "ecsv":
        check(str(t["jd_utc"].unit) == "d" and str(t["bjd_tdb"].unit) == "d", "log jd units")
        check(t["flux_ast"].unit == u.adu and t["sky_ast"].unit == u.adu / u.pix, "log flux units")
        check("mid-exposure" in t["jd_utc"].description, "jd description")
    for row in t:
        f = str(row["frame"])
        if f in mids:
            check(str(row["utc_mid"]) == mids[f], fmt + " utc " + f + " " + str(row["utc_mid"]))
            check(row["time_from"] == "header", fmt + " source " + f)
            check(abs(row["jd_utc"] - Time(mids[f], scale="utc").jd) < 6e-7, fmt + " jd " + f)
            check(abs(row["bjd_tdb"] - bjd(mids[f])) < 6e-7, fmt + " bjd " + f)
            check(abs(row["airmass"] - secz(mids[f])) < 2e-3, fmt + " airmass " + f + " " + str(row["airmass"]))
    gone = t[t["frame"] == "f005"][0]
    check(gone["time_from"] == "table", fmt + " missing frame source")
    check(abs(gone["jd_utc"] - Time("2026-03-15T00:10:12", scale="utc").jd) < 6e-7, fmt + " missing frame jd")
    check(math.isnan(gone["bjd_tdb"]), fmt + " missing frame bjd")
    check(list(t["flux_ast"]) == [7978.0, 7796.0, 7934.0, 8107.0, 9073.0], fmt + " fluxes " + str(list(t["flux_ast"])))
    check(abs(t["sky_s1"][0] - 735.9) < 1e-9, fmt + " sky")
t = Table.read(d + "/night_res.ecsv")
check(t.colnames[:4] == ["frame", "utc_mid", "jd_utc", "time_from"] and t.colnames[-5:] ==
      ["hjd_file", "mag_ast", "mag_err_ast", "mag_s1", "mag_err_s1"], "res names " + str(t.colnames))
check(t["mag_ast"].unit == u.mag, "res mag unit")
check(list(t["frame"][:3]) == ["f001.fts", "f002.fts", "f003.fts"], "res frames " + str(list(t["frame"])))
check(abs(t["jd_utc"][2] - Time(mids["f003"], scale="utc").jd) < 6e-7, "res jd after midnight")
check(abs(t["mag_ast"][0] - 1.25108) < 1e-9 and abs(t["mag_err_ast"][0] - 0.01234) < 1e-9, "res values")
check(math.isnan(t["mag_s1"][1]), "res missing value")
t = Table.read(d + "/align.ecsv")
check(t.colnames == ["frame", "utc_mid", "jd_utc", "time_from", "time_ut", "du", "dv", "rotation", "fwhm", "sky", "rms",
                     "aligned"], "align names " + str(t.colnames))
check(str(t["du"].unit) == "pix" and str(t["rotation"].unit) == "deg", "align units")
check(list(t["aligned"]) == [True, True, True, False], "align flags")
check(math.isnan(t["du"][3]) and abs(t["dv"][1] - (-0.27)) < 1e-9, "align offsets")
check(list(t["time_from"]) == ["header", "header", "header", "table"], "align sources")
check(abs(t["jd_utc"][3] - Time("2026-03-15T00:06:00.000", scale="utc").jd) < 6e-7, "align night date")
for line in open(d + "/cases.txt"):
    iso, ours, air = line.split()
    check(abs(float(ours) - bjd(iso)) * 86400.0 < 1e-4, "bjd " + iso + " off by " + str((float(ours) - bjd(iso)) * 86400.0) + " s")
    check(abs(float(air) - secz(iso)) < 1e-3, "airmass " + iso)
print("\n".join(bad) if bad else "all checks passed")
)";

bool haveAstropy() { return std::system("/usr/bin/python3 -c 'import astropy' >/dev/null 2>&1") == 0; }

fs::path night() {
  fs::path dir = testsupport::freshFolder("export");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", 100, 100));
  testsupport::writeFile(dir / "f001.fts", header(sited({card("DATE-OBS", "2026-03-14", true),
                                                         card("TIME-OBS", "23:58:00", true), card("EXPTIME", "60.", false)})));
  testsupport::writeFile(dir / "f002.fts", header(sited({card("DATE-OBS", "2026-03-14T23:59:10.250", true),
                                                         card("EXPOSURE", "30.", false)})));
  testsupport::writeFile(dir / "f003.fts", header(sited({card("DATE-OBS", "2026-03-15", true),
                                                         card("UT", "00:01:30.5", true), card("EXPTIME", "60", false)})));
  testsupport::writeFile(dir / "f004.fts", header(sited({card("DATE-OBS", "2026-03-14", true),
                                                         card("UT-START", "23:59:50", true), card("UT-END", "00:00:50", true)})));
  std::string log = kLogHead;
  log += logRecord("f001", 14, 23.975, 7978, 35067) + "\n" + logRecord("f002", 14, 23.990, 7796, 35875) + "\n";
  log += logRecord("f003", 14, 24.033, 7934, 35504) + "\n" + logRecord("f004", 14, 24.006, 8107, 35835) + "\n";
  log += logRecord("f005", 14, 24.170, 9073, 35383) + "\n";
  testsupport::writeFile(dir / "night.txt", log);
  std::string res = kResHead;
  res += resRow(23.975, 1.25108, -0.35644, 0.01234, 0.005) + "\n" + resRow(23.990, 1.29934, 99.999, 0.012, 99.999) + "\n";
  res += resRow(24.033, 1.27472, -0.35224, 0.013, 0.005) + "\n";
  testsupport::writeFile(dir / "night.res", res);
  testsupport::writeFile(dir / "align.dat", alignLine("f001.fts", 23.975, 0.0, 0.0) + "\n" +
                                                alignLine("f002.fts", 23.9904, 0.42, -0.27) + "\n" +
                                                alignLine("f003.fts", 0.0334, 0.83, -0.56) + "\n" +
                                                alignLine("f009.fts", 0.1000, 9999.99, 9999.99) + "\n");
  return dir;
}

TEST(ExportAstropy, EveryExportReadsBackWithItsNamesUnitsAndValues) {
  if (!haveAstropy()) GTEST_SKIP() << "/usr/bin/python3 with astropy (Debian package python3-astropy) is not installed";
  fs::path dir = night();
  auto r = testsupport::runPelm(dir, "export\nnight.txt\n1\n\nexport\nnight.txt\n2\n\nexport\nnight.res\n1\nnight_res.ecsv\n"
                                     "export\nalign.dat\n\n\nexport\nnight.res\n3\n1\n2\nXYZ\nV1234 Her\nv\n\n\nstop\n");
  EXPECT_NE(r.out.find("  format: 1 = ECSV, 2 = CSV [1] : "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  format: 1 = ECSV, 2 = CSV, 3 = AAVSO [1] : "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  times from the frames' headers: 4; from the table's hours: 1; with BJD_TDB: 4"), std::string::npos)
      << r.out;
  // Full-precision cases of the library functions, checked by astropy too.
  std::string cases;
  results::Site site{-110.0, 32.0, 2000.0};
  const std::pair<const char*, double> times[] = {{"2026-03-14T23:58:30.000", 23 * 3600 + 58 * 60 + 30.0},
                                                  {"2026-03-15T00:02:00.500", 24 * 3600 + 120.5}};
  for (const auto& [iso, seconds] : times) {
    results::UtcDate utc;
    ASSERT_TRUE(results::utcDate(2026, 3, 14, seconds, utc));
    EXPECT_EQ(results::isoUtc(utc), iso);
    double b = 0.0, x = 0.0;
    ASSERT_TRUE(results::bjdTdb(utc, 60.0, 20.0, site, b));
    ASSERT_TRUE(results::airmass(utc, 60.0, 20.0, site, x));
    char line[120];
    std::snprintf(line, sizeof line, "%s %.10f %.6f\n", iso, b, x);
    cases += line;
  }
  testsupport::writeFile(dir / "cases.txt", cases);
  testsupport::writeFile(dir / "check.py", kCheck);
  std::string command = "/usr/bin/python3 " + (dir / "check.py").string() + " " + dir.string() + " > " +
                        (dir / "out.txt").string() + " 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(testsupport::readFile(dir / "out.txt"), "all checks passed\n");
  // The AAVSO Extended file: its six parameters and one 15-field record per value.
  std::vector<std::string> aavso = testsupport::lines(testsupport::readFile(dir / "night_lc_aavso.txt"));
  ASSERT_EQ(aavso.size(), 10u) << testsupport::readFile(dir / "night_lc_aavso.txt");
  const char* head[] = {"#TYPE=EXTENDED", "#OBSCODE=XYZ", "#SOFTWARE=pelm export", "#DELIM=,", "#DATE=JD",
                        "#OBSTYPE=CCD"};
  for (size_t k = 0; k < 6; ++k) EXPECT_EQ(aavso[k], head[k]);
  std::vector<std::string> f;
  std::stringstream in(aavso[7]);
  for (std::string item; std::getline(in, item, ',');) f.push_back(item);
  ASSERT_EQ(f.size(), 15u) << aavso[7];
  EXPECT_EQ(f[0], "V1234 Her");
  EXPECT_EQ(f[2], "1.251");
  EXPECT_EQ(f[3], "0.012");
  EXPECT_EQ(f[4], "V");
  EXPECT_EQ(f[5], "NO");
  EXPECT_EQ(f[6], "DIF");
  EXPECT_EQ(f[7], "s1");
  EXPECT_EQ(f[9], "s1");
  EXPECT_EQ(f[10], "-0.356");
  EXPECT_EQ(f[13], "na");

  // ALCDEF of the same light curve: JDs at mid-exposure from the frames' headers, the field's
  // position from them, the session's middle.
  auto alc = testsupport::runPelm(dir, "alcdef\nnight.res\n\n0\nname\ndesig\nobs\ncontact\ninfo@x.org\n\n1 2\n\nstop\n");
  std::vector<std::string> alcdef = testsupport::lines(testsupport::readFile(dir / "night.alc"));
  auto has = [&alcdef](const std::string& l) { return std::find(alcdef.begin(), alcdef.end(), l) != alcdef.end(); };
  EXPECT_TRUE(has("OBJECTRA=04:00:00")) << alc.out;
  EXPECT_TRUE(has("OBJECTDEC=+20:00:00"));
  EXPECT_TRUE(has("COMMENT=JD (UTC) at mid-exposure from the frames' headers"));
  EXPECT_TRUE(has("SESSIONDATE=2026-03-15"));
  EXPECT_TRUE(has("SESSIONTIME=00:00:15"));  // middle of 23:58:30 and 00:02:00.5
  results::UtcDate f3;
  ASSERT_TRUE(results::utcDate(2026, 3, 15, 120.5, f3));
  char jd[40];
  std::snprintf(jd, sizeof jd, "DATA=%.6f|1.275|0.013", f3.jd());
  EXPECT_TRUE(has(jd)) << jd << "\n" << testsupport::readFile(dir / "night.alc");
  fs::remove_all(dir);
}

TEST(ExportAstropy, BadInputIsRefusedAndLeavesNoFile) {
  fs::path dir = night();
  testsupport::writeFile(dir / "other.txt", "just some text\n");
  testsupport::writeFile(dir / "empty.txt", "");
  std::string half = testsupport::readFile(dir / "night.res");
  testsupport::writeFile(dir / "half.res", half.substr(0, half.size() - 60));
  std::string log = testsupport::readFile(dir / "night.txt");
  testsupport::writeFile(dir / "nan.txt", log.substr(0, log.find(" f003")) + logRecord("f003", 14, 24.033, 1, 2).replace(41, 8, "     nan"));
  testsupport::writeFile(dir / "head.txt", log.substr(0, log.find(" f001")));
  auto r = testsupport::runPelm(dir, "export\nother.txt\n\n\nexport\nempty.txt\n\n\nexport\nhalf.res\n\n\nexport\nnan.txt\n\n\n"
                                     "export\nhead.txt\n\n\nexport\nmissing.txt\n\n\nexport\nnight.res\n4\n\n"
                                     "export\nnight.txt\n\nnight.txt\nstop\n");
  EXPECT_NE(r.out.find("   error - other.txt is not a photometry log, a light curve (.res) or an alignment table of pelm;"
                       " nothing written"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("   error - empty.txt is not a photometry log"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("of half.res is not an observation of dmag"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("of nan.txt is not a photometry record"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   error - head.txt holds no photometry records; nothing written"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   error - cannot open missing.txt; nothing written"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   error - the format must be 1, 2 or 3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   error - output would overwrite input"), std::string::npos) << r.out;
  for (const char* f : {"other.ecsv", "empty.ecsv", "half.ecsv", "nan.ecsv", "head.ecsv", "missing.ecsv", "night.ecsv"}) {
    EXPECT_FALSE(fs::exists(dir / f)) << f;
  }
  for (const auto& e : fs::directory_iterator(dir)) EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos);
  fs::remove_all(dir);
}

}  // namespace

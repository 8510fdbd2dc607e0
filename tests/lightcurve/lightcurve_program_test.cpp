// Whole-program checks of the light-curve commands that a transcript cannot express:
// files that must not be created, and dmag reading its answers from the keyboard while a
// script runs.
#include <gtest/gtest.h>

#include "tests/support/run_pelm.h"

namespace {

namespace fs = std::filesystem;

const char* kTable =
    "  photometry :\n  var\n  cmp\n  obj\n  output format : ss\n     y   m  d    UTC\n"
    "2005 9 10 21.0  500 1000 0 0 0 0 0 0 0 0  0 0 0 0 0 0 0 0 0 0\n";

TEST(LightcurveProgram, RefusalsCreateNothing) {
  fs::path dir = testsupport::freshFolder("lcrefuse");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", 100, 100));
  testsupport::writeFile(dir / "night.txt", " \"start of data\"\n y m d time a b\n");
  // Missing inputs for dmag and stats; then dmag's default input (the name stats kept) is a
  // photometry output file, which has no column titles.
  testsupport::writeFile(dir / "nostars.dat", "  output format : ss\n     y   m  d    UTC\n");
  auto r = testsupport::runPelm(dir, "dmag\nnone\nstats\nmissing\nstats\nnight.txt\n\ndmag\n\ndmag\nnostars\nstop\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("   error - cannot open input file none.dat"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   error - cannot open file missing"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   input file [night.txt           ] = "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("no column titles"), std::string::npos) << r.out;
  // A table without stars ends the command instead of asking for a reference star for ever.
  EXPECT_NE(r.out.find("   error - no stars listed after \"  photometry :\"; nothing written\n $ "), std::string::npos)
      << r.out;
  for (const char* f : {"none.dat", "none.res", "missing", "night.res", "nostars.res"}) EXPECT_FALSE(fs::exists(dir / f)) << f;
  fs::remove_all(dir);
}

TEST(LightcurveProgram, DmagReadsTheKeyboardInsideAScript) {
  fs::path dir = testsupport::freshFolder("lcscript");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", 100, 100));
  testsupport::writeFile(dir / "t.dat", kTable);
  // The script holds only the command; its next line would be "stop", which ends the script.
  testsupport::writeFile(dir / "run.txt", "dmag\nstop\n");
  std::string keys = "script\nrun\nt\ncmp\n" + std::string(9, '\n') + "0\nn\n\nstop\n";
  auto r = testsupport::runPelm(dir, keys);
  EXPECT_EQ(r.status, 0);
  std::string res = testsupport::readFile(dir / "t.res");
  EXPECT_NE(res.find(" 2005  9 10  21.000  0.50000  1.00000  0.00000"), std::string::npos) << res;
  EXPECT_NE(r.out.find("   finished reading script file "), std::string::npos) << r.out;
  fs::remove_all(dir);
}

TEST(LightcurveProgram, StarsBeyondTheTenthAreIgnored) {
  fs::path dir = testsupport::freshFolder("lceleven");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", 100, 100));
  std::string table = "  photometry :\n";
  for (int k = 1; k <= 11; ++k) table += "  s" + std::to_string(k) + "\n";
  table += "  obj\n  output format : ss\n     y   m  d    UTC\n";
  table += "2005 9 10 21.0  500 1000 0 0 0 0 0 0 0 0  0 0 0 0 0 0 0 0 0 0\n";
  testsupport::writeFile(dir / "e.dat", table);
  // s11 is not a star of the table, so it cannot be a reference star either.
  auto r = testsupport::runPelm(dir, "dmag\ne\ns11\ns2\n" + std::string(9, '\n') + "0\nn\n\nstop\n");
  EXPECT_NE(r.out.find("   error - more than 10 stars listed; star s11   ignored\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   there are 10 stars in the input file \n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" : " "   error - star not recognised\n"), std::string::npos) << r.out;
  EXPECT_NE(testsupport::readFile(dir / "e.res").find(" 2005  9 10  21.000  0.50000  1.00000"), std::string::npos);
  fs::remove_all(dir);
}

}  // namespace

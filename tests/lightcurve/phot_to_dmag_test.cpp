// From photometry records to a dmag table, and on through dmag to magnitudes.
#include <gtest/gtest.h>

#include "lightcurve/phot_to_dmag.h"
#include "tests/support/run_pelm.h"

namespace {

namespace fs = std::filesystem;

// A photometry output file with errors (output format 2) for the objects var and cmp1, as the
// log header and the records of the photometry commands lay it out.
std::vector<std::string> photFile() {
  std::string blanks = std::string(",\"     \"") ;
  std::string labels = ",\"var  \",\"cmp1 \"";
  for (int k = 0; k < 8; ++k) labels += blanks;
  return {
      " \"output from PELM version 2.1       \"",
      "\" \"",
      " \"var  \",\"var  \", 100.00, 200.00",
      " \"cmp1 \",\"cmp1 \", 300.00, 400.00",
      "\" \"",
      " \"automatic sky subtraction\"",
      " \"skybox = \",  50",
      " ",
      " \"output format : sssssssssseeeeeeeeee\"",
      " ",
      " \"soft aperture; radius = \" 2.00",
      " ",
      " \"start of data\"",
      " \"y\",\"m\",\"d\",\"time\"" + labels + labels,
      " f0001.fit            2026,12, 7,  21.000,   2000.,   1000.,      0.,      0.,      0.,      0.,"
      "      0.,      0.,      0.,      0.,   20.0,   10.0,    0.0,    0.0,    0.0,    0.0,    0.0,    0.0,"
      "    0.0,    0.0,0.000,  0",
      " 21.100 refined position var    100.0  200.0   100.1  200.2    0.10 0.20",
      " f0002.fit            2026,12, 8,   0.500,    500.,   1000.,      0.,      0.,      0.,      0.,"
      "      0.,      0.,      0.,      0.,   10.0,   10.0,    0.0,    0.0,    0.0,    0.0,    0.0,    0.0,"
      "    0.0,    0.0,0.000,  0",
  };
}

TEST(LightcurvePhot2dmag, TableFromRecords) {
  lightcurve::DmagTableText t = lightcurve::photToDmag(photFile(), "night.txt");
  ASSERT_EQ(t.error, "");
  EXPECT_EQ(t.records, 2);
  EXPECT_EQ(t.passedOver, 1);
  ASSERT_EQ(t.stars.size(), 2u);
  EXPECT_EQ(t.text,
            "  dmag table made by phot2dmag from night.txt\n"
            "  photometry :\n"
            "  var  \n"
            "  cmp1 \n"
            "  obj\n"
            "  output format : sssssssssseeeeeeeeee\n"
            "     y   m  d    UTC var   cmp1 \n"
            "2026 12  7 21.000 2000. 1000. 0. 0. 0. 0. 0. 0. 0. 0. 20.0 10.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0\n"
            "2026 12  8 0.500 500. 1000. 0. 0. 0. 0. 0. 0. 0. 0. 10.0 10.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0\n");
}

TEST(LightcurvePhot2dmag, RefusesWhatIsNotAPhotometryFile) {
  std::vector<std::string> lines = photFile();
  EXPECT_NE(lightcurve::photToDmag({"a", "b"}, "x").error, "");
  std::vector<std::string> noFormat = lines;
  noFormat[8] = " ";
  EXPECT_NE(lightcurve::photToDmag(noFormat, "x").error.find("output format"), std::string::npos);
  std::vector<std::string> objLabel = lines;
  objLabel[13].replace(objLabel[13].find("var  "), 5, "objct");
  EXPECT_NE(lightcurve::photToDmag(objLabel, "x").error.find("objct"), std::string::npos);
}

TEST(LightcurvePhot2dmag, ChainToMagnitudes) {
  fs::path dir = testsupport::freshFolder("lcchain");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", 100, 100));
  std::string file;
  for (const std::string& l : photFile()) file += l + "\n";
  testsupport::writeFile(dir / "night.txt", file);
  // phot2dmag on the file, then dmag on the table with cmp1 as reference and zero point 0.
  std::string keys = "phot2dmag\nnight.txt\ndmag\nnight\ncmp1\n" + std::string(9, '\n') + "0\ny\n0\n\nstop\n";
  auto r = testsupport::runPelm(dir, keys);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("   records written =    2"), std::string::npos) << r.out;
  std::string res = testsupport::readFile(dir / "night.res");
  // var: twice cmp1, then half of it after midnight (time counted on to 24.5 h).
  EXPECT_NE(res.find(" 2026 12  7  21.000 -0.75257  0.00000"), std::string::npos) << res;
  EXPECT_NE(res.find(" 2026 12  8  24.500  0.75257  0.00000"), std::string::npos) << res;
  EXPECT_NE(res.find("  0.01536  0.01536"), std::string::npos) << res;  // errors of var and cmp1
  EXPECT_NE(res.find("  0.02428  0.01536"), std::string::npos) << res;
  EXPECT_EQ(testsupport::readFile(dir / "night.txt"), file);  // the photometry file is untouched
  fs::remove_all(dir);
}

}  // namespace

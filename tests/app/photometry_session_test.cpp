// The photometry command through the whole program: objects chosen from stardata.txt, the
// alignment table read from align.dat, the existing file list, the log file as the
// photometry output file.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "align/alignment_table.h"
#include "phot/star_data.h"
#include "tests/image/fits_files.h"
#include "tests/phot/synthetic.h"
#include "tests/support/run_pelm.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"

namespace fs = std::filesystem;

namespace {

constexpr int kNx = 100, kNy = 80;

std::string frameFile(double du, double dv, unsigned seed) {
  const image::Workspaces ws = phottest::noisyFrame(kNx, kNy, 600.0, [&](int32_t i, int32_t j) {
    return phottest::ellipticalPixel(2500.0, 40.0 + du, 30.0 + dv, 1.4, 1.0, i, j) +
           phottest::ellipticalPixel(2500.0, 70.0 + du, 50.0 + dv, 1.4, 1.0, i, j);
  }, seed);
  std::vector<std::string> cards = fitstest::basicCards(kNx, kNy);
  cards.push_back(fitstest::card("DATE-OBS= '2026-03-09T21:30:00'"));
  return fitstest::header(cards) + fitstest::data(kNx, kNy, [&](int i, int j) {
           int32_t p = 0;
           (void)ws.get(i, j, p);
           return static_cast<uint16_t>(p ^ 0x8000);
         });
}

TEST(PhotometrySession, PhotometryCommandWritesHeaderAndRecordsToTheLog) {
  const fs::path dir = testsupport::freshFolder("photometry-session");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", kNx, kNy, 6.45, 6.45, 1.0, 4, 1));
  std::string path = std::string(80, ' ') + "\n";
  for (int k = 0; k < 10; ++k) path += "fit\n";
  testsupport::writeFile(dir / "path.dat", path);
  testsupport::writeFile(dir / "night001.fit", frameFile(0.0, 0.0, 5));
  testsupport::writeFile(dir / "night002.fit", frameFile(1.5, -2.0, 6));
  testsupport::writeFile(dir / "filelist.txt", "2\n" + textio::fixed("night001", 20) + "\n" +
                                                   textio::fixed("night002", 20) + "\n \n");
  testsupport::writeFile(dir / "align.dat",
                         align::alignRecord("night001", 21.5f, 0.0f, 0.0f, 0.0f, 2, 600.0f) + "\n" +
                             align::alignRecord("night002", 21.75f, 1.5f, -2.0f, 0.0f, 2, 600.0f) + "\n");
  {
    phot::StarData sd;
    sd.starCount = 2;
    sd.stars[1].code = "ref  ";
    sd.stars[1].refinedU = sd.stars[1].approxU = 40.0f;
    sd.stars[1].refinedV = sd.stars[1].approxV = 30.0f;
    sd.stars[2].code = "var  ";
    sd.stars[2].refinedU = sd.stars[2].approxU = 70.0f;
    sd.stars[2].refinedV = sd.stars[2].approxV = 50.0f;
    std::istringstream in;
    std::ostringstream out;
    textio::Console console(in, out);
    ASSERT_TRUE(phot::gssave(console, textio::fixed(dir.string() + "/", 80), sd));
  }
  const testsupport::RunResult r =
      testsupport::runPelm(dir, "skybox\n21\nrphot\n4\nlog\n\nphotometry\nref\nvar\n\n...\nstop\n");
  EXPECT_EQ(r.status, 0) << r.out;
  const std::vector<std::string> lines = testsupport::lines(testsupport::readFile(dir / "pelmlog.txt"));
  size_t start = 0;
  while (start < lines.size() && lines[start] != "\" \"") ++start;
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
      " \"start of data\""};
  ASSERT_GE(lines.size(), start + header.size() + 3) << testsupport::readFile(dir / "pelmlog.txt");
  for (size_t k = 0; k < header.size(); ++k) EXPECT_EQ(lines[start + k], header[k]) << "line " << k;
  const double truth = 2500.0 * M_PI * 1.4 * 1.4 * (1.0 - std::exp(-16.0 / (1.4 * 1.4)));
  for (int f = 0; f < 2; ++f) {
    const std::string& rec = lines[start + header.size() + 1 + size_t(f)];
    EXPECT_EQ(rec.substr(0, 41), " " + textio::fixed(std::string("night00") + char('1' + f), 20) +
                                     " 2026, 3, 9," + textio::fmtF(21.5 + 0.25 * f, 8, 3));
    for (int k = 0; k < 2; ++k) {
      const double flux = std::stod(rec.substr(41 + 9 * size_t(k), 8));
      EXPECT_NEAR(flux, truth, 0.06 * truth) << "frame " << f << " star " << k;
    }
  }
  fs::remove_all(dir);
}

}  // namespace

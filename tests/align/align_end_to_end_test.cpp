// End to end: frames made here (a field of 35 Gaussian stars on a noisy sky, five frames
// shifted by known sub-pixel offsets) go through dfs, positions, startposit, fiducialst and
// align in one run of the program; every offset in align.dat must be within 0.05 pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <sstream>

#include "align/alignment_table.h"
#include "tests/support/run_pelm.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"

namespace fs = std::filesystem;

namespace {

constexpr int kNx = 400, kNy = 300;

struct FieldStar {
  double u, v, amplitude;
};

// 35 stars at least 14 pixels apart and 25 pixels inside the edges.
std::vector<FieldStar> field() {
  std::mt19937 rng(20051212);
  std::uniform_real_distribution<double> uu(25.0, kNx - 25.0), vv(25.0, kNy - 25.0), aa(1500.0, 9000.0);
  std::vector<FieldStar> stars;
  while (stars.size() < 35) {
    FieldStar s{uu(rng), vv(rng), aa(rng)};
    bool clear = true;
    for (const FieldStar& o : stars) clear = clear && std::hypot(o.u - s.u, o.v - s.v) > 14.0;
    if (clear) stars.push_back(s);
  }
  return stars;
}

std::string card(const std::string& text) { return textio::fixed(text, 80); }

// A 16-bit frame stored with BZERO 32768 (input control variable 4): value(i, j) for pixel
// (i, j), i along the row; the header carries the date and time.
std::string fitsFrame(const std::vector<int32_t>& value, const std::string& dateObs) {
  std::string h = card("SIMPLE  =                    T") + card("BITPIX  =                   16") +
                  card("NAXIS   =                    2") +
                  card(textio::Line("NAXIS1  = ").i(kNx, 20).str()) + card(textio::Line("NAXIS2  = ").i(kNy, 20).str()) +
                  card("BZERO   =                32768") + card("DATE-OBS= '" + dateObs + "'") + card("END");
  h.resize((h.size() + 2879) / 2880 * 2880, ' ');
  std::string d;
  for (int j = 1; j <= kNy; ++j) {
    for (int i = 1; i <= kNx; ++i) {
      auto stored = static_cast<uint16_t>(value[static_cast<size_t>((j - 1) * kNx + (i - 1))] ^ 0x8000);
      d += static_cast<char>(stored >> 8);
      d += static_cast<char>(stored & 0xFF);
    }
  }
  d.resize((d.size() + 2879) / 2880 * 2880, '\0');
  return h + d;
}

// Raw frame: dark 100 + sky 500 + stars (Gaussian, sigma 1.1 pixel, integrated over each
// pixel by 5 x 5 sub-samples) shifted by (du, dv), plus normal noise of 6 counts.
std::vector<int32_t> rawFrame(const std::vector<FieldStar>& stars, double du, double dv, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0.0, 6.0);
  std::vector<int32_t> px(static_cast<size_t>(kNx * kNy));
  const double s2 = 2.0 * 1.1 * 1.1;
  for (int j = 1; j <= kNy; ++j) {
    for (int i = 1; i <= kNx; ++i) {
      double value = 600.0 + noise(rng);
      for (const FieldStar& s : stars) {
        double cu = s.u + du, cv = s.v + dv;
        if (std::abs(i - cu) > 8 || std::abs(j - cv) > 8) continue;
        double sum = 0.0;
        for (int a = -2; a <= 2; ++a) {
          for (int b = -2; b <= 2; ++b) {
            double x = i + 0.2 * a - cu, y = j + 0.2 * b - cv;
            sum += std::exp(-(x * x + y * y) / s2);
          }
        }
        value += s.amplitude * sum / 25.0;
      }
      px[static_cast<size_t>((j - 1) * kNx + (i - 1))] = static_cast<int32_t>(std::lround(value));
    }
  }
  return px;
}

std::string pathDat() {
  std::string s(80, ' ');
  s += '\n';
  for (const char* code : {"fit", "   ", "fit", "drk", "flt", "   ", "   ", "   ", "3  ", "f  "}) {
    s += code;
    s += '\n';
  }
  return s;
}

TEST(AlignEndToEnd, DfsPositionsFiducialsAndAlignRecoverKnownOffsets) {
  const double offsets[5][2] = {{0.0, 0.0}, {1.37, -0.62}, {2.81, 0.44}, {-0.73, 3.19}, {4.05, -2.58}};
  std::vector<FieldStar> stars = field();
  fs::path dir = testsupport::freshFolder("align-e2e");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", kNx, kNy, 6.45, 6.45, 1.5, 4, 1));
  testsupport::writeFile(dir / "path.dat", pathDat());
  testsupport::writeFile(dir / "dark01.fit", fitsFrame(std::vector<int32_t>(kNx * kNy, 100), "2005-09-12T21:00:00"));
  testsupport::writeFile(dir / "flat01.drk", fitsFrame(std::vector<int32_t>(kNx * kNy, 1000), "2005-09-12T21:00:00"));
  for (int k = 0; k < 5; ++k) {
    std::string time = "2005-09-12T21:3" + std::to_string(k) + ":00";
    testsupport::writeFile(dir / ("img00" + std::to_string(k + 1) + ".fit"),
                           fitsFrame(rawFrame(stars, offsets[k][0], offsets[k][1], 7u + k), time));
  }
  // Twelve fiducial stars entered at their positions in the first frame.
  std::string input = "dfs\ndark01\nflat01\nimg001\n..\nimg005\n\npositions\n";
  for (int n = 1; n <= 12; ++n) {
    const FieldStar& s = stars[static_cast<size_t>(n - 1)];
    input += "F" + std::to_string(n) + "\n\n" + textio::Line().f(s.u, 9, 4).f(s.v, 10, 4).str() + "\n";
  }
  input += "\nstartposit\nfiducialst\n";
  for (int n = 1; n <= 12; ++n) input += "F" + std::to_string(n) + "\n";
  input += "\nalign\n\ny\nstop\n";
  testsupport::RunResult r = testsupport::runPelm(dir, input);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find(" files matched =   5 out of   5      100.0 percent"), std::string::npos) << r.out;

  std::istringstream dat(testsupport::readFile(dir / "align.dat"));
  std::string line;
  int k = 0;
  while (std::getline(dat, line)) {
    ASSERT_LT(k, 5) << line;
    align::AlignmentEntry e;
    ASSERT_TRUE(align::readAlignRecord(line, e)) << line;
    EXPECT_EQ(e.name, textio::fixed("fmg00" + std::to_string(k + 1), 20));
    EXPECT_NEAR(e.du, offsets[k][0], 0.05) << line;
    EXPECT_NEAR(e.dv, offsets[k][1], 0.05) << line;
    EXPECT_NEAR(e.time, 21.5 + k / 60.0, 1e-3) << line;
    ++k;
  }
  EXPECT_EQ(k, 5);
  if (!HasFailure()) fs::remove_all(dir);
}

}  // namespace

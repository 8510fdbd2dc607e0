// Cross-check of the soft aperture against a peer: photutils' aperture_photometry with
// method "subpixel" and subpixels = 20 samples each pixel at the same 400 sub-pixel centres.
// The synthetic frame is written as raw 32-bit integers; photutils reads it with numpy, places
// its apertures at the 0-based positions (u - 1, v - 1) and prints one raw sum per line.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "phot/aperture_sums.h"
#include "tests/phot/synthetic.h"
#include "tests/support/run_pelm.h"

namespace {

using phottest::TestConsole;

bool photutilsPresent() {
  return std::system("/usr/bin/python3 -c 'import photutils.aperture' >/dev/null 2>&1") == 0;
}

std::string runCapture(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

TEST(PhotPhotutils, SoftApertureAgreesWithSubpixelSums) {
  if (!photutilsPresent()) {
    GTEST_SKIP() << "python3-photutils is not installed (scripts/install-deps.sh installs it); "
                    "the cross-check with photutils cannot run";
  }
  struct Spot { float u, v, radius; };
  const std::vector<Spot> spots = {{40.0f, 40.0f, 2.0f},   {40.37f, 39.81f, 2.0f},
                                   {80.62f, 30.15f, 3.5f}, {30.5f, 80.5f, 5.0f},
                                   {75.11f, 77.93f, 1.3f}, {55.0f, 60.25f, 4.2f}};
  const image::Workspaces ws = phottest::noisyFrame(110, 100, 900.0, [&](int32_t i, int32_t j) {
    double s = 0.0;
    for (const Spot& p : spots) s += phottest::gaussianPixel(25000.0, p.u, p.v, 1.4, i, j);
    return s;
  }, 31);

  const auto folder = testsupport::freshFolder("photutils");
  const auto frame = folder / "frame.i32";
  {
    std::ofstream out(frame, std::ios::binary);
    for (int32_t j = 1; j <= ws.ny; ++j)
      for (int32_t i = 1; i <= ws.nx; ++i) {
        int32_t p = 0;
        (void)ws.get(i, j, p);
        out.write(reinterpret_cast<const char*>(&p), sizeof p);
      }
  }
  std::ostringstream script;
  script << "import numpy as np\n"
            "from photutils.aperture import CircularAperture, aperture_photometry\n"
         << "data = np.fromfile('" << frame.string() << "', dtype=np.int32).reshape(" << ws.ny << ", "
         << ws.nx << ").astype(float)\n";
  for (const Spot& p : spots) {
    script << "ap = CircularAperture((" << (p.u - 1.0) << ", " << (p.v - 1.0) << "), r=" << p.radius
           << ")\n"
              "print(repr(float(aperture_photometry(data, ap, method='subpixel', subpixels=20)"
              "['aperture_sum'][0])))\n";
  }
  testsupport::writeFile(folder / "sums.py", script.str());
  std::istringstream sums(runCapture("/usr/bin/python3 " + (folder / "sums.py").string() + " 2>&1"));

  const image::Camera cam = phottest::squareCamera(1.0f);
  for (const Spot& p : spots) {
    double peer = 0.0;
    ASSERT_TRUE(sums >> peer) << "photutils printed no sum:\n" << sums.str();
    TestConsole tc;
    const phot::ApertureSum ours = phot::getsof(tc.console, cam, 0, ws, p.u, p.v, p.radius, 900.0, 30.0);
    ASSERT_FALSE(ours.failed);
    EXPECT_NEAR(ours.sum, peer, 1e-4 * std::abs(peer)) << "at " << p.u << ", " << p.v << " r " << p.radius;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace

// Two nights of frames from simnight, three days apart, each with its own star field,
// transparency, sky and drift, reduced by pelm night by night to light curves, then `period`
// on both: the asteroid's injected rotation period comes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>

#include "tests/support/run_pelm.h"

namespace {

namespace fs = std::filesystem;

// The reduction of one night folder as an observer scripts it, from the night's truth.txt:
// calibration, the eight brightest stars as comparison and fiducial stars, alignment, the
// asteroid's path, photometry and differential magnitudes against the three brightest.
std::string nightScript(const fs::path& night) {
  std::vector<std::pair<double, std::string>> stars;  // magnitude, "code u v"
  std::vector<std::string> frames;                    // "u v" of the asteroid per frame
  std::istringstream in(testsupport::readFile(night / "truth.txt"));
  for (std::string line; std::getline(in, line);) {
    std::istringstream f(line);
    std::string kind, code, name;
    double u, v, mag, time, du, dv, rot, au, av;
    f >> kind;
    if (kind == "star" && f >> code >> u >> v >> mag) stars.push_back({mag, code + "\n\n" + std::to_string(u) + " " + std::to_string(v)});
    if (kind == "frame" && f >> name >> time >> du >> dv >> rot >> au >> av) frames.push_back(std::to_string(au) + " " + std::to_string(av));
  }
  std::sort(stars.begin(), stars.end());
  auto code = [&](size_t k) { return stars[k].second.substr(0, stars[k].second.find('\n')); };
  char last[8];
  std::snprintf(last, sizeof last, "%03zu", frames.size());
  std::ostringstream s;
  s << "dfs\ndark.fit\nflat.fit\nimg001\n..\nimg" << last << "\n\npositions\n";
  for (size_t k = 0; k < 8; ++k) s << stars[k].second << "\n";
  s << "ast\n\n" << frames.front() << "\n\nupdateposi\n\nfiducialst\n";
  for (size_t k = 0; k < 8; ++k) s << code(k) << "\n";
  s << "\nalign\n\ny\nestimatepa\nimg001\n" << frames.front() << "\nimg" << last << "\n" << frames.back() << "\n";
  // phot2dmag keeps the frames photflags.txt flags (n): every frame is compared with the truth.
  s << "motionon\nrphot\n4.0\nlog\nnight.txt\nphotometry\nast\n" << code(0) << "\n" << code(1) << "\n" << code(2)
    << "\n\n...\nlog\nphot2dmag\nnight.txt\nn\ndmag\nnight.dat\n" << code(0) << "\n" << code(1) << "\n" << code(2)
    << "\n\n\n\n\n\n\n\n0\ny\n0\n\nstop\n";
  return s.str();
}

// Scatter of a night's differential magnitudes of the asteroid about the injected ones (the
// night's mean difference removed): a blend with a field star would show here.
double scatterAboutTruth(const fs::path& night) {
  std::vector<std::pair<double, double>> truth;  // time, magnitude
  std::istringstream t(testsupport::readFile(night / "truth.txt"));
  for (std::string line; std::getline(t, line);) {
    std::istringstream f(line);
    std::string kind, name;
    std::vector<double> v(9);
    if (f >> kind >> name && kind == "frame" && f >> v[0] >> v[1] >> v[2] >> v[3] >> v[4] >> v[5] >> v[6] >> v[7] >> v[8]) {
      truth.push_back({v[0], v[8]});
    }
  }
  std::vector<double> diff;
  std::istringstream res(testsupport::readFile(night / "night.res"));
  for (std::string line; std::getline(res, line);) {
    std::istringstream f(line);
    int y, m, d;
    double time, mag;
    if (!(f >> y >> m >> d >> time >> mag) || y < 2000) continue;
    auto near = std::min_element(truth.begin(), truth.end(), [&](auto& a, auto& b) {
      return std::fabs(a.first - time) < std::fabs(b.first - time);
    });
    diff.push_back(mag - near->second);
  }
  double mean = 0, sum = 0;
  for (double x : diff) mean += x / static_cast<double>(diff.size());
  for (double x : diff) sum += (x - mean) * (x - mean);
  return diff.size() < 30 ? 1.0 : std::sqrt(sum / static_cast<double>(diff.size()));
}

TEST(PeriodNights, TwoReducedNightsGiveTheInjectedPeriod) {
  fs::path dir = testsupport::freshFolder("period-nights");
  std::string cmd = std::string(PELM_TOOLS_DIR) + "/simnight --out '" + dir.string() +
                    "' --nights 2 --night-gap 3 --frames 40 --cadence 5 --size 400 300 --stars 40 --seed 31"
                    " --asteroid-mag 12 --asteroid-speed 8 3 --amplitude 0.3 --period 2.8 --double-peak > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::string pathDat = std::string(80, ' ') + "\n";
  for (const char* c : {"", "", "fit", "drk", "fts", "", "", "", "3", ""}) pathDat += (std::string(c) + "   ").substr(0, 3) + "\n";
  for (const char* night : {"night1", "night2"}) {
    testsupport::writeFile(dir / night / "path.dat", pathDat);
    auto r = testsupport::runPelm(dir / night, nightScript(dir / night));
    ASSERT_EQ(r.status, 0) << night;
    ASSERT_TRUE(fs::exists(dir / night / "night.res")) << night << r.out;
    ASSERT_LT(scatterAboutTruth(dir / night), 0.025) << night << ": the photometry does not follow the truth";
  }
  testsupport::writeFile(dir / "device.ccd", testsupport::readFile(dir / "night1" / "device.ccd"));
  auto r = testsupport::runPelm(dir, "period\nnight1/night.res\nnight2/night.res\n\n\n1 10\n2\nstop\n");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex("  best period \\(h\\) = +([0-9.]+) \\+/- +([0-9.]+)\n"))) << r.out;
  double period = std::stod(m[1]), sigma = std::stod(m[2]);
  std::printf("two reduced nights: %.6f +/- %.6f h (true 2.8)\n", period, sigma);
  EXPECT_NEAR(period, 2.8, 0.003 * 2.8);
  EXPECT_LT(std::fabs(period - 2.8), 3.0 * sigma);
  // The nights are on different comparison stars and transparencies: their zero points
  // differ, and the fit takes that up (the amplitude is still the injected one).
  std::smatch a;
  ASSERT_TRUE(std::regex_search(r.out, a, std::regex("  amplitude \\(mag\\) = +([0-9.]+)\n")));
  EXPECT_NEAR(std::stod(a[1]), 0.3, 0.03);
  fs::remove_all(dir);
}

}  // namespace

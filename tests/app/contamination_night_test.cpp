// The contamination flags on a generated night whose asteroid passes within 3 pixels of two
// field stars as bright as itself (simnight --crowd), against the same night without them:
// every frame with a star in the aperture is flagged, no frame 3 fwhm from every star is, and
// the light curve with the flagged frames left out is as good as the one of the clean night.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "tests/support/run_pelm.h"

namespace fs = std::filesystem;

namespace {

constexpr double kFwhm = 3.2;      // simnight's star width
constexpr double kAperture = 3.0;  // rphot of the reduction

struct Star {
  double u, v, mag;
};
struct Frame {
  std::string name;  // without file type
  double time, du, dv, astU, astV, astMag;
};

struct Night {
  fs::path dir;
  std::map<std::string, Star> stars;
  std::vector<Frame> frames;
  std::vector<std::string> comparison;  // the three brightest stars that are not the crowd's

  Night(const std::string& tag, const std::string& options) : dir(testsupport::freshFolder(tag)) {
    const std::string cmd = std::string(PELM_TOOLS_DIR) + "/simnight --out '" + dir.string() + "' " + options + " > /dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    std::istringstream in(testsupport::readFile(dir / "truth.txt"));
    for (std::string line; std::getline(in, line);) {
      std::istringstream f(line);
      std::string kind, name;
      f >> kind >> name;
      Star s{};
      Frame fr{};
      double rotation, fu, fv;
      if (kind == "star" && f >> s.u >> s.v >> s.mag) stars[name] = s;
      if (kind == "frame" && f >> fr.time >> fr.du >> fr.dv >> rotation >> fr.astU >> fr.astV >> fu >> fv >> fr.astMag) {
        fr.name = name.substr(0, name.find('.'));
        frames.push_back(fr);
      }
    }
    std::vector<std::pair<double, std::string>> byMag;
    for (const auto& [code, s] : stars)
      if (code != "s61" && code != "s62") byMag.push_back({s.mag, code});
    std::sort(byMag.begin(), byMag.end());
    for (size_t k = 0; k < 8 && k < byMag.size(); ++k) comparison.push_back(byMag[k].second);
    std::string pathDat = std::string(80, ' ') + "\n";
    for (const char* code : {"", "", "fit", "drk", "fts", "", "", "", "3", ""}) pathDat += (std::string(code) + "   ").substr(0, 3) + "\n";
    testsupport::writeFile(dir / "path.dat", pathDat);
  }
  ~Night() {
    if (!::testing::Test::HasFailure()) fs::remove_all(dir);
  }
  testsupport::RunResult run(const std::string& script) const { return testsupport::runPelm(dir, script); }

  // Calibration, star lists, alignment on the eight brightest stars, the asteroid's path,
  // photometry against three of them and the light curve; `answer` goes to phot2dmag's question.
  std::string script(const std::string& answer) const {
    std::ostringstream s;
    const Frame& first = frames.front();
    const Frame& last = frames.back();
    char lastName[8];
    std::snprintf(lastName, sizeof lastName, "%03zu", frames.size());
    s << "dfs\ndark.fit\nflat.fit\nimg001\n..\nimg" << lastName << "\n\npositions\n";
    for (const std::string& c : comparison) s << c << "\n\n" << stars.at(c).u << " " << stars.at(c).v << "\n";
    s << "ast\n\n" << first.astU << " " << first.astV << "\n\nupdateposi\n\nfiducialst\n";
    for (const std::string& c : comparison) s << c << "\n";
    s << "\nalign\n\ny\nestimatepa\nimg001\n" << first.astU << " " << first.astV << "\nimg" << lastName << "\n"
      << last.astU << " " << last.astV << "\n";
    s << "motionon\nrphot\n" << kAperture << "\nlog\nnight.txt\nphotometry\nast\n";
    for (size_t k = 0; k < 3; ++k) s << comparison[k] << "\n";
    s << "\nimg001\n..\nimg" << lastName << "\n\nlog\nphot2dmag\nnight.txt\n" << answer << "\ndmag\nnight.dat\n";
    for (size_t k = 0; k < 3; ++k) s << comparison[k] << "\n";
    s << "\n\n\n\n\n\n\n0\ny\n0\n\nreport\nnight.res\nstop\n";
    return s.str();
  }

  // The asteroid's flag per frame, from photflags.txt, and the brightness ratio it gives.
  std::map<std::string, std::string> asteroidFlags(std::map<std::string, double>* ratios = nullptr) const {
    std::map<std::string, std::string> out;
    for (const std::string& l : testsupport::lines(testsupport::readFile(dir / "photflags.txt"))) {
      if (l.size() < 53 || l.compare(22, 5, "ast  ") != 0) continue;
      std::string frame = l.substr(1, 20), flag = l.substr(29, 8);
      frame.erase(frame.find_last_not_of(' ') + 1);
      flag.erase(flag.find_last_not_of(' ') + 1);
      out[frame] = flag;
      if (ratios != nullptr) (*ratios)[frame] = std::stod(l.substr(45, 8));
    }
    return out;
  }

  // Distance of the asteroid from a star in frame f (the night has no field rotation).
  double distance(const Frame& f, const Star& s) const { return std::hypot(s.u + f.du - f.astU, s.v + f.dv - f.astV); }

  // The light curve's points and their rms about the injected magnitudes (mean offset removed).
  std::pair<size_t, double> lightCurveRms() const {
    double refFlux = 0.0;
    for (size_t k = 0; k < 3; ++k) refFlux += std::pow(10.0, -0.4 * stars.at(comparison[k]).mag);
    const double ref = -2.5 * std::log10(refFlux / 3.0);
    std::vector<double> diff;
    std::istringstream res(testsupport::readFile(dir / "night.res"));
    for (std::string line; std::getline(res, line);) {
      std::istringstream f(line);
      int year, month, day;
      double time, mag;
      if (!(f >> year >> month >> day >> time >> mag) || year < 2000) continue;
      auto truth = std::min_element(frames.begin(), frames.end(), [&](const Frame& a, const Frame& b) {
        return std::fabs(a.time - time) < std::fabs(b.time - time);
      });
      diff.push_back(mag - (truth->astMag - ref));
    }
    if (diff.empty()) return {0, 0.0};
    double mean = 0.0, squares = 0.0;
    for (double d : diff) mean += d / static_cast<double>(diff.size());
    for (double d : diff) squares += (d - mean) * (d - mean);
    return {diff.size(), std::sqrt(squares / static_cast<double>(diff.size()))};
  }
};

const std::string kNight = "--frames 60 --cadence 2 --asteroid-speed 60 10 --seed 5";

TEST(ContaminationNight, FlagsTheFramesWithAStarInTheApertureAndOnlyNearStars) {
  Night crowd("crowd", kNight + " --crowd");
  Night clean("clean", kNight);
  ASSERT_EQ(crowd.stars.count("s61") + crowd.stars.count("s62"), 2u);
  auto run = crowd.run(crowd.script(""));
  ASSERT_EQ(run.status, 0);
  EXPECT_NE(run.out.find(" measurements of ast contaminated; see photflags.txt\n"), std::string::npos);
  EXPECT_NE(run.out.find("  leave out measurements flagged as contaminated? [y] : "), std::string::npos);
  std::map<std::string, double> ratios;
  const auto flags = crowd.asteroidFlags(&ratios);
  ASSERT_EQ(flags.size(), crowd.frames.size());
  int inAperture = 0, flagged = 0, flaggedFar = 0, missed = 0;
  for (const Frame& f : crowd.frames) {
    double nearestCrowd = std::min(crowd.distance(f, crowd.stars.at("s61")), crowd.distance(f, crowd.stars.at("s62")));
    double nearest = 1e9;
    for (const auto& [code, s] : crowd.stars) nearest = std::min(nearest, crowd.distance(f, s));
    const std::string& flag = flags.at(f.name);
    const bool contaminated = flag == "aperture" || flag == "sky";
    flagged += contaminated;
    // A star whose half-maximum disc reaches into the aperture.
    if (nearestCrowd <= kAperture + kFwhm) {
      ++inAperture;
      if (flag != "aperture") ++missed;
    }
    // Apart from the asteroid the star is found on its own: a peak like the asteroid's.
    if (flag == "aperture" && nearestCrowd > 5.0 && nearestCrowd < 9.0) {
      EXPECT_GT(ratios.at(f.name), 0.6) << f.name;
      EXPECT_LT(ratios.at(f.name), 1.6) << f.name;
    }
    if (nearest > 3.0 * kFwhm && contaminated) ++flaggedFar;
  }
  EXPECT_GE(inAperture, 8);
  // The night report counts the same flags.
  EXPECT_NE(testsupport::readFile(crowd.dir / "night-report.md").find("| ast | 60 | " + std::to_string(flagged) + " | "),
            std::string::npos);
  EXPECT_EQ(missed, 0);
  EXPECT_EQ(flaggedFar, 0);

  // The same night without the two stars, flagged frames left out as well (none of the
  // asteroid's are, there being no star near its path).
  ASSERT_EQ(clean.run(clean.script("")).status, 0);
  const auto crowdCurve = crowd.lightCurveRms();
  const auto cleanCurve = clean.lightCurveRms();
  ASSERT_GE(crowdCurve.first, 30u);
  ASSERT_GE(cleanCurve.first, 50u);
  EXPECT_LT(std::fabs(crowdCurve.second - cleanCurve.second), 0.1 * cleanCurve.second);
  // Keeping the flagged frames shows what the flags are for.
  ASSERT_EQ(crowd.run(crowd.script("n")).status, 0);
  const auto kept = crowd.lightCurveRms();
  EXPECT_GT(kept.second, 3.0 * cleanCurve.second);
  std::printf("contamination: %d of %zu frames flagged, %d with a star in the aperture (all flagged), %d flagged "
              "3 fwhm from every star; light-curve rms %.4f mag (%zu points, flagged left out), %.4f kept (%zu), "
              "clean night %.4f (%zu)\n",
              flagged, crowd.frames.size(), inAperture, flaggedFar, crowdCurve.second, crowdCurve.first, kept.second,
              kept.first, cleanCurve.second, cleanCurve.first);
}

}  // namespace

// Optimal extraction: the normalisation of the weights, a noise-free model star measured exactly,
// the variance model, the moved mask, the refusals, and flux recovered from noisy stars.
#include "phot/optimal_extraction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>

#include "tests/phot/synthetic.h"

namespace {

using phottest::TestConsole;

phot::ExtractionInputs inputs(double sky, double sd, float gain = 1.0f) {
  phot::ExtractionInputs in;
  in.sky = sky;
  in.skySd = sd;
  in.gain = gain;
  return in;
}

// sky + A x the extraction model (sub-sampling 5, cut-off included) centred at (xc, yc).
phot::PixelBox extractionStar(float xc, float yc, float r0, float e, float a, float sky) {
  phot::PsfModel model;
  model.subsampling = 5;
  phot::PixelBox box;
  for (int i = 1; i <= phot::kBox; ++i)
    for (int j = 1; j <= phot::kBox; ++j)
      box(i, j) = sky + a * phot::getgpw(model, double(i) - xc, double(j) - yc, r0, e);
  return box;
}

double modelSum(float xc, float yc, float r0, float e) {
  phot::PsfModel model;
  model.subsampling = 5;
  double s = 0.0;
  for (int i = 1; i <= phot::kBox; ++i)
    for (int j = 1; j <= phot::kBox; ++j) s += phot::getgpw(model, double(i) - xc, double(j) - yc, r0, e);
  return s;
}

TEST(PhotOptimal, WeightsSatisfySumOfWTimesPEqualsOne) {
  const phot::PixelBox box = extractionStar(6.2f, 5.9f, 1.4f, 1.1f, 3000.0f, 200.0f);
  TestConsole tc;
  phot::PsfModel model;
  const phot::WeightMask mask = phot::wtmask(tc.console, model, box, 6.2f, 5.9f, 1.4f, 1.1f, inputs(200.0, 8.0));
  ASSERT_TRUE(mask.ok);
  EXPECT_EQ(model.subsampling, 5);
  double wp = 0.0, p = 0.0;
  for (size_t n = 0; n < mask.weight.size(); ++n) {
    wp += mask.weight[n] * mask.profile[n];
    p += mask.profile[n];
  }
  EXPECT_NEAR(wp, 1.0, 1e-6);
  EXPECT_NEAR(p, 1.0, 1e-6);
  EXPECT_NE(tc.text().find("  sky =  200\n"), std::string::npos);
  EXPECT_NE(tc.text().find(" >>>>> sumw (i,j)= "), std::string::npos);
}

TEST(PhotOptimal, NoiseFreeModelStarGivesItsTotalModelFlux) {
  const float a = 3000.0f;
  const phot::PixelBox box = extractionStar(6.2f, 5.9f, 1.4f, 1.1f, a, 200.0f);
  TestConsole tc;
  phot::PsfModel model;
  const phot::ExtractionInputs in = inputs(200.0, 0.0);  // zero sky sd: empty pixels carry no weight
  const phot::WeightMask mask = phot::wtmask(tc.console, model, box, 6.2f, 5.9f, 1.4f, 1.1f, in);
  ASSERT_TRUE(mask.ok);
  const phot::Extraction x = phot::extrct(tc.console, box, mask, in);
  const double truth = a * modelSum(6.2f, 5.9f, 1.4f, 1.1f);
  EXPECT_NEAR(x.flux, truth, 1e-4 * truth);
  // ... which is the integral A pi r0^2 but for the light the cut-off and the box leave out.
  EXPECT_NEAR(x.flux, a * M_PI * 1.4 * 1.4, 2e-3 * truth);
}

TEST(PhotOptimal, VarianceModel) {
  phot::ExtractionInputs in = inputs(100.0, 0.0, 4.0f);
  EXPECT_FLOAT_EQ(phot::vpcalc(in, 50.0), 25.0f);  // signal / sqrt(gain)
  in.skySd = 3.0;
  EXPECT_FLOAT_EQ(phot::vpcalc(in, 50.0), 34.0f);
  in.noiseFloor = 0.1f;  // ((100 + 50) x 0.1)^2 = 225 exceeds 34
  EXPECT_NEAR(phot::vpcalc(in, 50.0), 225.0f, 1e-3);
}

TEST(PhotOptimal, MovedMaskKeepsTheWeightingStarsScale) {
  const phot::PixelBox first = extractionStar(6.0f, 6.0f, 1.3f, 1.0f, 5000.0f, 300.0f);
  const phot::PixelBox second = extractionStar(6.45f, 5.6f, 1.3f, 1.0f, 5000.0f, 300.0f);
  TestConsole tc;
  phot::PsfModel model;
  const phot::ExtractionInputs in = inputs(300.0, 10.0);
  const phot::WeightMask mask = phot::wtmask(tc.console, model, first, 6.0f, 6.0f, 1.3f, 1.0f, in);
  ASSERT_TRUE(mask.ok);
  const phot::WeightMask moved = phot::mvmask(tc.console, model, 6.45f, 5.6f, 1.3f, 1.0f,
                                              mask.normalisation, mask.fluxEstimate, in);
  ASSERT_TRUE(moved.ok);
  const double p = std::accumulate(moved.profile.begin(), moved.profile.end(), 0.0);
  EXPECT_NE(p, 1.0);  // not renormalised
  EXPECT_NEAR(p, 1.0, 0.01);
  EXPECT_NE(tc.text().find(" in mvmask; sumpe(i,j)= "), std::string::npos);
  EXPECT_NE(tc.text().find(" >>>> in mvmask; sumw (i,j)= "), std::string::npos);
  // The same star moved: both give the same flux to within the change of the model sum.
  const float f1 = phot::extrct(tc.console, first, mask, in).flux;
  const float f2 = phot::extrct(tc.console, second, moved, in).flux;
  EXPECT_NEAR(f2, f1, 0.005 * f1);
}

TEST(PhotOptimal, UndefinedMasksAreRefused) {
  const phot::PixelBox box = extractionStar(6.0f, 6.0f, 1.3f, 1.0f, 5000.0f, 300.0f);
  TestConsole tc;
  phot::PsfModel model;
  const phot::ExtractionInputs in = inputs(300.0, 10.0);
  EXPECT_FALSE(phot::wtmask(tc.console, model, box, 6.0f, 6.0f, 0.0f, 1.0f, in).ok);
  EXPECT_FALSE(phot::wtmask(tc.console, model, box, 6.0f, 6.0f, 1.3f, -1.0f, in).ok);
  // The star far outside the box: the profile sums to 0.
  EXPECT_FALSE(phot::wtmask(tc.console, model, box, 40.0f, 6.0f, 1.3f, 1.0f, in).ok);
  // A star below the sky: a negative flux estimate makes the variances of the core negative.
  const phot::PixelBox dark = extractionStar(6.0f, 6.0f, 1.3f, 1.0f, -5000.0f, 300.0f);
  EXPECT_FALSE(phot::wtmask(tc.console, model, dark, 6.0f, 6.0f, 1.3f, 1.0f, in).ok);
  EXPECT_FALSE(phot::mvmask(tc.console, model, 6.0f, 6.0f, 0.0f, 1.0f, 1.0f, 1000.0f, in).ok);
}

TEST(PhotOptimal, NoisyStarsWithinTheirErrors) {
  const double r0 = 1.5, e = 1.0, a = 2500.0, sky = 600.0;
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> frac(-0.4, 0.4);
  double chi = 0.0;
  const int stars = 10;
  for (int s = 0; s < stars; ++s) {
    const double u = 30.0 + frac(rng), v = 30.0 + frac(rng);
    const image::Workspaces ws = phottest::noisyFrame(60, 60, sky, [&](int32_t i, int32_t j) {
      return phottest::ellipticalPixel(a, u, v, r0, e, i, j);
    }, 77u + s);
    const int32_t ic = int32_t(u + 0.5), jc = int32_t(v + 0.5);
    phot::PixelBox box;
    for (int i = 1; i <= 11; ++i)
      for (int j = 1; j <= 11; ++j) {
        int32_t p = 0;
        ASSERT_TRUE(ws.get(ic + i - 6, jc + j - 6, p));
        box(i, j) = float(p);
      }
    TestConsole tc;
    phot::PsfModel model;
    const phot::ExtractionInputs in = inputs(sky, std::sqrt(sky));
    const float xc = float(u - ic + 6), yc = float(v - jc + 6);
    const phot::WeightMask mask = phot::wtmask(tc.console, model, box, xc, yc, float(r0), float(e), in);
    ASSERT_TRUE(mask.ok);
    const phot::Extraction x = phot::extrct(tc.console, box, mask, in);
    // Truth: the star's counts the mask can see, i.e. total flux less the light beyond the box
    // and the cut-off (the model's own sum per unit amplitude tells how much that is).
    const double truth = a * modelSum(xc, yc, float(r0), float(e));
    EXPECT_NEAR(x.flux, truth, 4.0 * x.error);
    chi += std::pow((x.flux - truth) / x.error, 2);
  }
  EXPECT_LT(chi / stars, 3.0);
}

}  // namespace

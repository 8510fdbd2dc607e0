// PSF fitting: a noise-free model star recovered, the peak rules, the fixed-shape refusal, the
// factor-table trials equal to pixel-by-pixel trials, and noisy stars recovered in flux and centre.
#include "phot/psf_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/phot/synthetic.h"

namespace {

using phottest::TestConsole;

// A box holding sky + A x the fit's own pixel model (sub-sampling 3) centred at (xc, yc).
phot::PixelBox modelStar(float xc, float yc, float r0, float e, float a, float sky) {
  phot::PsfModel model;
  model.subsampling = 3;
  phot::PixelBox box;
  for (int i = 1; i <= phot::kBox; ++i)
    for (int j = 1; j <= phot::kBox; ++j)
      box(i, j) = sky + a * phot::getgp(model, double(i) - xc, double(j) - yc, r0, e);
  return box;
}

phot::PsfFit fullFit(const phot::PixelBox& box, double sky, double sd, bool direct = false,
                     float halfWidth = 2.1f) {
  TestConsole tc;
  phot::PsfModel model;
  model.directTrials = direct;
  phot::PsfInputs in{box, sky, sd, 3.5f, 1.0f, 1};
  phot::PsfFit fit;
  phot::psffit(tc.console, 0, halfWidth, model, in, fit);
  EXPECT_EQ(model.subsampling, 3);
  return fit;
}

TEST(PhotPsf, NoiseFreeModelStarIsRecovered) {
  const phot::PixelBox box = modelStar(6.3f, 5.8f, 1.5f, 1.2f, 5000.0f, 100.0f);
  const phot::PsfFit fit = fullFit(box, 100.0, 5.0);
  EXPECT_NEAR(fit.r0, 1.5f, 0.011);
  EXPECT_NEAR(fit.e, 1.2f, 0.011);
  EXPECT_NEAR(fit.xc, 6.3f, 0.011);
  EXPECT_NEAR(fit.yc, 5.8f, 0.011);
  EXPECT_NEAR(fit.amplitude, 5000.0f, 50.0f);
  EXPECT_LT(fit.deviation, 1.0);
  EXPECT_EQ(fit.peakA, 6);
  EXPECT_EQ(fit.peakB, 6);
}

TEST(PhotPsf, FactorTablesGiveTheSameFitAsPixelByPixelTrials) {
  for (unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    phot::PixelBox box = modelStar(5.7f + 0.2f * seed, 6.1f, 1.3f, 0.9f, 3000.0f, 400.0f);
    for (float& p : box.v) p = std::round(p + std::sqrt(p) * noise(rng));
    const phot::PsfFit fast = fullFit(box, 400.0, 20.0, false);
    const phot::PsfFit direct = fullFit(box, 400.0, 20.0, true);
    EXPECT_EQ(fast.r0, direct.r0);
    EXPECT_EQ(fast.e, direct.e);
    EXPECT_EQ(fast.xc, direct.xc);
    EXPECT_EQ(fast.yc, direct.yc);
    EXPECT_EQ(fast.amplitude, direct.amplitude);
    EXPECT_EQ(fast.deviation, direct.deviation);
  }
}

TEST(PhotPsf, PeakSearchLimitsAndTies) {
  phot::PixelBox box = modelStar(6.0f, 6.0f, 1.2f, 1.0f, 800.0f, 100.0f);
  box(1, 11) = 5000.0f;  // a brighter pixel in the corner
  TestConsole tc;
  phot::PsfModel model;
  phot::PsfInputs in{box, 100.0, 5.0, 3.5f, 1.0f, 1};
  phot::PsfFit fit;
  fit.r0 = 1.2f;
  fit.e = 1.0f;
  phot::psfpos(tc.console, 0, 2.1f, model, in, fit);
  EXPECT_EQ(fit.peakA, 6);
  EXPECT_EQ(fit.peakB, 6);
  // 7.0 is limited to 5: the whole box is searched.
  phot::psfpos(tc.console, 0, 7.0f, model, in, fit);
  EXPECT_EQ(fit.peakA, 1);
  EXPECT_EQ(fit.peakB, 11);
  EXPECT_EQ(fit.peakValue, 5000.0f);

  // Two equal brightest pixels: the smaller first index wins, then the smaller second index.
  phot::PixelBox ties = phot::PixelBox{};
  ties.v.fill(10.0f);
  ties(7, 5) = 900.0f;
  ties(5, 7) = 900.0f;
  ties(5, 8) = 900.0f;
  phot::PsfInputs tin{ties, 10.0, 1.0, 3.5f, 1.0f, 1};
  phot::psfpos(tc.console, 0, 2.1f, model, tin, fit);
  EXPECT_EQ(fit.peakA, 5);
  EXPECT_EQ(fit.peakB, 7);
}

TEST(PhotPsf, CentreSearchRefusesEllipticityBelowPointThree) {
  const phot::PixelBox box = modelStar(6.4f, 6.2f, 1.2f, 1.0f, 800.0f, 100.0f);
  TestConsole tc;
  phot::PsfModel model;
  phot::PsfInputs in{box, 100.0, 5.0, 3.5f, 1.0f, 1};
  phot::PsfFit fit;
  fit.xc = 3.25f;
  fit.yc = 8.5f;
  fit.r0 = 1.2f;
  fit.e = 0.29f;
  phot::psfpos(tc.console, 4, 2.1f, model, in, fit);
  EXPECT_EQ(fit.xc, 3.25f);
  EXPECT_EQ(fit.yc, 8.5f);
  EXPECT_EQ(fit.deviation, phot::kNoDeviation);
  EXPECT_EQ(tc.text(), "  entered psfpos\n");
  fit.e = 1.0f;
  phot::psfpos(tc.console, 0, 2.1f, model, in, fit);
  EXPECT_NEAR(fit.xc, 6.4f, 0.011);
  EXPECT_NEAR(fit.yc, 6.2f, 0.011);
}

TEST(PhotPsf, UnusablePixelsAreLeftOut) {
  // Pixels far below the sky have a negative variance; a box of them has no usable pixel.
  phot::PixelBox low;
  low.v.fill(10.0f);
  phot::PsfInputs in{low, 1000.0, 0.0, 3.5f, 1.0f, 1};
  phot::PsfModel model;
  model.subsampling = 3;
  const phot::PixelVariance var = phot::pixelVariance(in);
  const phot::Trial t = phot::rmsdev(model, in, var, 6.0f, 6.0f, 1.2f, 1.0f, 0.0f);
  EXPECT_EQ(t.deviation, phot::kNoDeviation);
  EXPECT_EQ(t.pixels, 0);

  // One such pixel in an otherwise good box is skipped, not allowed to poison the sums.
  phot::PixelBox box = modelStar(6.0f, 6.0f, 1.2f, 1.0f, 800.0f, 100.0f);
  box(7, 6) = -5000.0f;
  phot::PsfInputs bin{box, 100.0, 0.0, 3.5f, 1.0f, 1};
  const phot::Trial good = phot::rmsdev(model, bin, phot::pixelVariance(bin), 6.0f, 6.0f, 1.2f, 1.0f, 0.0f);
  EXPECT_TRUE(std::isfinite(good.deviation));
  EXPECT_NEAR(good.amplitude, 800.0f, 1.0f);
}

TEST(PhotPsf, NoisyStarsGiveFluxAndCentre) {
  // Stars drawn with the elliptical model (exact pixel integrals), photon noise, gain 1.
  std::mt19937 rng(99);
  std::uniform_real_distribution<double> frac(-0.5, 0.5);
  double chi = 0.0;
  const int stars = 8;
  for (int s = 0; s < stars; ++s) {
    const double u = 40.0 + frac(rng), v = 40.0 + frac(rng), r0 = 1.6, e = 1.1, a = 4000.0;
    const image::Workspaces ws = phottest::noisyFrame(80, 80, 500.0, [&](int32_t i, int32_t j) {
      return phottest::ellipticalPixel(a, u, v, r0, e, i, j);
    }, 500u + s);
    const int32_t ic = int32_t(u + 0.5), jc = int32_t(v + 0.5);
    phot::PixelBox box;
    for (int i = 1; i <= 11; ++i)
      for (int j = 1; j <= 11; ++j) {
        int32_t p = 0;
        ASSERT_TRUE(ws.get(ic + i - 6, jc + j - 6, p));
        box(i, j) = float(p);
      }
    const phot::PsfFit fit = fullFit(box, 500.0, std::sqrt(500.0));
    EXPECT_NEAR(ic - 6 + fit.xc, u, 0.08);
    EXPECT_NEAR(jc - 6 + fit.yc, v, 0.08);
    EXPECT_NEAR(fit.r0, r0, 0.08);
    EXPECT_NEAR(fit.e, e, 0.08);
    // Flux of the fitted model: A pi r0^2 against the truth, noise about 1.5 %.
    const double flux = fit.amplitude * M_PI * fit.r0 * fit.r0;
    const double truth = a * M_PI * r0 * r0;
    EXPECT_NEAR(flux, truth, 0.06 * truth);
    chi += std::pow((flux - truth) / (0.015 * truth), 2);
  }
  EXPECT_LT(chi / stars, 4.0);
}

}  // namespace

// Grid-search PSF fitting.
//
// A trial needs the pixel-averaged model of every modelled pixel. The model of a pixel is the
// mean of products (u factor) x (v factor) over its sub-sample points, so a trial first computes
// the u factors of the 11 pixel columns and the v factors of the 11 pixel rows (each an exp)
// and then forms every pixel's mean from them in the order the single-pixel function uses; the
// centre search computes the factors once per trial column and row and shares them between the
// 13 trials that use each. The profile, and hence every deviation, is the one the pixel-by-pixel
// evaluation gives.
#include "phot/psf_fit.h"

#include <algorithm>
#include <cmath>

#include "textio/fortran_format.h"

namespace phot {

namespace {

constexpr int kMaxPoints = 9;  // sub-sample points per axis handled by the factor tables

struct Profile {
  std::array<float, kBox * kBox> p{};      // model per pixel, for the modelled pixels
  std::array<size_t, kBox * kBox> pixels{}; // modelled pixels (centre closer than the zero
  size_t count = 0;                         // radius), in ascending index order
};

size_t at(int a, int b) { return static_cast<size_t>((a - 1) * kBox + (b - 1)); }

void markModelled(const PsfInputs& in, float x, float y, Profile& prof) {
  const double r2 = static_cast<double>(in.zeroRadius) * in.zeroRadius;
  prof.count = 0;
  for (int a = 1; a <= kBox; ++a) {
    const double da = static_cast<double>(a) - x;
    for (int b = 1; b <= kBox; ++b) {
      const double db = static_cast<double>(b) - y;
      if (da * da + db * db < r2) prof.pixels[prof.count++] = at(a, b);
    }
  }
}

// Deviation of a profile against the box (the part of a trial after the model is known).
Trial deviationOf(const PsfInputs& in, const PixelVariance& var, const Profile& prof,
                  float amplitude) {
  Trial t;
  t.amplitude = amplitude;
  if (in.amplitudeFlag == 1) {
    double num = 0.0, den = 0.0;
    for (size_t k = 0; k < prof.count; ++k) {
      const size_t n = prof.pixels[k];
      const double p = prof.p[n], v = var.v[n];
      if (p < 0.001 || v <= 0.0) continue;
      num += (in.box.v[n] - in.sky) * p / v;
      den += p * p / v;
    }
    if (!(den > 0.0)) return t;
    t.amplitude = static_cast<float>(num / den);
  }
  double chi = 0.0;
  for (size_t k = 0; k < prof.count; ++k) {
    const size_t n = prof.pixels[k];
    const double v = var.v[n];
    if (v <= 0.0) continue;
    const double r = in.box.v[n] - static_cast<double>(t.amplitude) * prof.p[n] - in.sky;
    chi += r * r / v;
    t.pixels += 1;
  }
  if (t.pixels > 0) t.deviation = chi / t.pixels;
  return t;
}

// u (or v) factors of the 11 pixel columns (rows) for a centre coordinate c and scale length.
struct Factors {
  std::array<double, kBox * kMaxPoints> f{};
};

// Only columns (rows) closer than the zero radius to c hold modelled pixels; the others are
// left unset and never read.
void fillFactors(const PsfModel& model, float c, double scale, double r2, Factors& out) {
  const int32_t n = model.subsampling;
  const int h = n / 2;
  for (int a = 1; a <= kBox; ++a) {
    const double d = static_cast<double>(a) - c;
    if (!(d * d < r2)) continue;
    for (int s = -h; s <= h; ++s)
      out.f[static_cast<size_t>((a - 1) * kMaxPoints + (s + h))] =
          modelFactor(d - subsampleOffset(s, n), scale);
  }
}

void profileFromFactors(const PsfModel& model, const Factors& fu, const Factors& fv,
                        Profile& prof) {
  const int points = 2 * (model.subsampling / 2) + 1;
  const double count = static_cast<double>(points) * points;
  for (size_t k = 0; k < prof.count; ++k) {
    const size_t n = prof.pixels[k];
    const size_t col = (n / kBox) * kMaxPoints, row = (n % kBox) * kMaxPoints;
    double sum = 0.0;
    for (int s = 0; s < points; ++s)
      for (int t = 0; t < points; ++t)
        sum += fu.f[col + static_cast<size_t>(s)] * fv.f[row + static_cast<size_t>(t)];
    prof.p[n] = static_cast<float>(sum / count);
  }
}

bool factorTablesFit(const PsfModel& model) {
  return !model.directTrials && model.subsampling >= 0 &&
         2 * (model.subsampling / 2) + 1 <= kMaxPoints;
}

// A trial whose modelled pixels are already marked in `prof`.
Trial trialFromFactors(const PsfModel& model, const PsfInputs& in, const PixelVariance& var,
                       Profile& prof, const Factors& fu, const Factors& fv, float amplitude) {
  profileFromFactors(model, fu, fv, prof);
  return deviationOf(in, var, prof, amplitude);
}

double zeroRadius2(const PsfInputs& in) { return static_cast<double>(in.zeroRadius) * in.zeroRadius; }

// Largest box value within k of (6, 6), k = trunc(halfWidth + 0.1) limited to 0..5; the first
// found (smaller a, then smaller b) wins ties.
void findPeak(const PsfInputs& in, float halfWidth, PsfFit& fit) {
  const int k = std::clamp(static_cast<int>(halfWidth + 0.1f), 0, 5);
  fit.peakA = 6 - k;
  fit.peakB = 6 - k;
  fit.peakValue = in.box(fit.peakA, fit.peakB);
  for (int a = 6 - k; a <= 6 + k; ++a) {
    for (int b = 6 - k; b <= 6 + k; ++b) {
      if (in.box(a, b) > fit.peakValue) {
        fit.peakValue = in.box(a, b);
        fit.peakA = a;
        fit.peakB = b;
      }
    }
  }
}

}  // namespace

PixelVariance pixelVariance(const PsfInputs& in) {
  PixelVariance var;
  const double rootGain = std::sqrt(static_cast<double>(in.gain));
  for (size_t n = 0; n < var.v.size(); ++n)
    var.v[n] = (in.box.v[n] - in.sky) / rootGain + in.skySd * in.skySd;
  return var;
}

Trial rmsdev(const PsfModel& model, const PsfInputs& in, const PixelVariance& var, float x,
             float y, float r0, float e, float amplitude) {
  Profile prof;
  markModelled(in, x, y, prof);
  for (size_t k = 0; k < prof.count; ++k) {
    const size_t n = prof.pixels[k];
    const int a = static_cast<int>(n / kBox) + 1, b = static_cast<int>(n % kBox) + 1;
    prof.p[n] = getgp(model, static_cast<double>(a) - x, static_cast<double>(b) - y, r0, e);
  }
  return deviationOf(in, var, prof, amplitude);
}

void psfgau(const PsfModel& model, const PsfInputs& in, PsfFit& fit) {
  const PixelVariance var = pixelVariance(in);
  const bool tables = factorTablesFit(model);
  fit.deviation = kNoDeviation;
  fit.peakValue = *std::max_element(in.box.v.begin(), in.box.v.end());
  float startR = 1.0f, startE = 1.0f;
  Factors fu, fv;
  Profile fixedCentre;  // the centre does not move: the same pixels are modelled in every trial
  markModelled(in, fit.xc, fit.yc, fixedCentre);
  const double r2 = zeroRadius2(in);
  for (const float step : {0.2f, 0.05f, 0.01f}) {
    for (int i = -4; i <= 8; ++i) {
      const float r0 = startR + static_cast<float>(i) * step;
      for (int j = -4; j <= 8; ++j) {
        const float e = startE + static_cast<float>(j) * step;
        if (r0 < 0.3f || e < 0.3f) continue;
        Trial t;
        if (tables) {
          fillFactors(model, fit.xc, static_cast<double>(r0) * e, r2, fu);
          fillFactors(model, fit.yc, static_cast<double>(r0) / e, r2, fv);
          t = trialFromFactors(model, in, var, fixedCentre, fu, fv, fit.amplitude);
        } else {
          t = rmsdev(model, in, var, fit.xc, fit.yc, r0, e, fit.amplitude);
        }
        if (t.deviation < fit.deviation) {
          fit.r0 = r0;
          fit.e = e;
          fit.amplitude = t.amplitude;
          fit.deviation = t.deviation;
        }
      }
    }
    startR = fit.r0;
    startE = fit.e;
  }
}

void psfpos(textio::Console& console, int32_t verbosity, float searchHalfWidth,
            const PsfModel& model, const PsfInputs& in, PsfFit& fit) {
  if (verbosity >= 4) console.line("  entered psfpos");
  fit.deviation = kNoDeviation;
  findPeak(in, searchHalfWidth, fit);
  if (fit.e < 0.3f) return;
  const PixelVariance var = pixelVariance(in);
  const bool tables = factorTablesFit(model);
  const double su = static_cast<double>(fit.r0) * fit.e;
  const double sv = static_cast<double>(fit.r0) / fit.e;
  float startX = static_cast<float>(fit.peakA), startY = static_cast<float>(fit.peakB);
  std::array<Factors, 13> fu, fv;
  const double r2 = zeroRadius2(in);
  Profile prof;
  for (const float step : {0.4f, 0.1f, 0.03f, 0.01f}) {
    if (tables) {
      for (int i = -6; i <= 6; ++i) {
        fillFactors(model, startX - static_cast<float>(i) * step, su, r2, fu[static_cast<size_t>(i + 6)]);
        fillFactors(model, startY - static_cast<float>(i) * step, sv, r2, fv[static_cast<size_t>(i + 6)]);
      }
    }
    for (int i = -6; i <= 6; ++i) {
      const float x = startX - static_cast<float>(i) * step;
      for (int j = -6; j <= 6; ++j) {
        const float y = startY - static_cast<float>(j) * step;
        Trial t;
        if (tables) {
          markModelled(in, x, y, prof);
          t = trialFromFactors(model, in, var, prof, fu[static_cast<size_t>(i + 6)],
                               fv[static_cast<size_t>(j + 6)], fit.amplitude);
        } else {
          t = rmsdev(model, in, var, x, y, fit.r0, fit.e, fit.amplitude);
        }
        if (t.deviation < fit.deviation) {
          fit.xc = x;
          fit.yc = y;
          fit.amplitude = t.amplitude;
          fit.deviation = t.deviation;
        }
      }
    }
    startX = fit.xc;
    startY = fit.yc;
  }
}

void psffit(textio::Console& console, int32_t verbosity, float searchHalfWidth, PsfModel& model,
            const PsfInputs& in, PsfFit& fit) {
  if (verbosity >= 4) {
    console.line(textio::Line("entered psffit;  sky = ").freeD(in.sky).a("  radmax = ")
                     .free(in.zeroRadius));
  }
  findPeak(in, searchHalfWidth, fit);
  fit.xc = static_cast<float>(fit.peakA);
  fit.yc = static_cast<float>(fit.peakB);
  for (int round = 0; round < 3; ++round) {
    model.subsampling = 3;
    psfgau(model, in, fit);
    psfpos(console, verbosity, searchHalfWidth, model, in, fit);
  }
}

}  // namespace phot

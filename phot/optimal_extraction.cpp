// Weight masks and the optimally weighted flux.
#include "phot/optimal_extraction.h"

#include <algorithm>
#include <cmath>

#include "textio/fortran_format.h"

namespace phot {

namespace {

void traceEntry(textio::Console& console, const ExtractionInputs& in, const char* text, float r0,
                float e) {
  if (in.verbosity < 4) return;
  console.line(text);
  console.line(textio::Line("  ropts,rad,ellip = ").free(in.zeroRadius).free(r0).free(e));
}

// Variances and weights from the profile and flux estimate; false when a modelled pixel has no
// positive variance or the weights sum to nothing.
bool finishMask(WeightMask& mask, const ExtractionInputs& in) {
  double big = 0.0;
  for (size_t n = 0; n < mask.profile.size(); ++n) {
    const float p = mask.profile[n];
    mask.variance[n] = vpcalc(in, static_cast<double>(p) * mask.fluxEstimate);
    if (p == 0.0f) continue;
    if (!(mask.variance[n] > 0.0f)) return false;
    big += static_cast<double>(p) * p / mask.variance[n];
  }
  if (!(big > 0.0)) return false;
  for (size_t n = 0; n < mask.profile.size(); ++n) {
    const float p = mask.profile[n];
    mask.weight[n] = p == 0.0f ? 0.0 : p / (static_cast<double>(mask.variance[n]) * big);
  }
  return true;
}

double weightSum(const WeightMask& mask) {
  double s = 0.0;
  for (double w : mask.weight) s += w;
  return s;
}

void modelProfile(const PsfModel& model, float xc, float yc, float r0, float e,
                  std::array<float, kBox * kBox>& p) {
  for (int a = 1; a <= kBox; ++a)
    for (int b = 1; b <= kBox; ++b)
      p[static_cast<size_t>((a - 1) * kBox + (b - 1))] =
          getgpw(model, static_cast<double>(a) - xc, static_cast<double>(b) - yc, r0, e);
}

}  // namespace

float vpcalc(const ExtractionInputs& in, double signal) {
  double v = signal / std::sqrt(static_cast<double>(in.gain)) + in.skySd * in.skySd;
  const double floorNoise = (in.sky + signal) * in.noiseFloor;
  v = std::max(v, floorNoise * floorNoise);
  return static_cast<float>(v);
}

WeightMask wtmask(textio::Console& console, PsfModel& model, const PixelBox& box, float xc,
                  float yc, float r0, float e, const ExtractionInputs& in) {
  traceEntry(console, in, "  entered wtmask - generate the weight mask", r0, e);
  model.subsampling = 5;
  WeightMask mask;
  if (!(r0 > 0.0f) || !(e > 0.0f)) return mask;
  modelProfile(model, xc, yc, r0, e, mask.profile);
  double total = 0.0;
  for (float p : mask.profile) total += p;
  if (!(total > 0.0)) return mask;
  mask.normalisation = static_cast<float>(1.0 / total);
  for (float& p : mask.profile) p = mask.normalisation * p;
  double excess = 0.0, core = 0.0;
  for (size_t n = 0; n < mask.profile.size(); ++n) {
    if (!(mask.profile[n] > 0.001f)) continue;
    excess += box.v[n] - in.sky;
    core += mask.profile[n];
  }
  if (!(core > 0.0)) return mask;
  mask.fluxEstimate = static_cast<float>(excess / core);
  if (in.verbosity >= 6) console.line(textio::Line("  in wtmask; sumpe(i,j)= ").freeD(core));
  console.line(textio::Line("  sky = ").freeD(in.sky));
  console.line(textio::Line("  gain= ").free(in.gain));
  mask.ok = finishMask(mask, in);
  if (mask.ok) console.line(textio::Line(" >>>>> sumw (i,j)= ").freeD(weightSum(mask)));
  return mask;
}

WeightMask mvmask(textio::Console& console, const PsfModel& model, float xc, float yc, float r0, float e, float normalisation, float fluxEstimate,
                  const ExtractionInputs& in) {
  traceEntry(console, in,
             "  entered mvmask - position weight mask, no scaling for star brightness", r0, e);
  WeightMask mask;
  mask.normalisation = normalisation;
  mask.fluxEstimate = fluxEstimate;
  if (!(r0 > 0.0f) || !(e > 0.0f)) return mask;
  modelProfile(model, xc, yc, r0, e, mask.profile);
  double total = 0.0;
  for (float& p : mask.profile) {
    p = normalisation * p;
    total += p;
  }
  console.line(textio::Line(" in mvmask; sumpe(i,j)= ").freeD(total));
  if (!(total > 0.0)) return mask;
  mask.ok = finishMask(mask, in);
  if (mask.ok) console.line(textio::Line(" >>>> in mvmask; sumw (i,j)= ").freeD(weightSum(mask)));
  return mask;
}

Extraction extrct(textio::Console& console, const PixelBox& box, const WeightMask& mask,
                  const ExtractionInputs& in) {
  if (in.verbosity >= 4) console.line("  entered extrct: extract the optimally weighted flux");
  double flux = 0.0, variance = 0.0;
  for (size_t n = 0; n < mask.weight.size(); ++n) {
    const double w = mask.weight[n];
    const double excess = box.v[n] - in.sky;
    flux += excess * w;
    variance += w * w * std::max(0.0f, vpcalc(in, excess));
  }
  Extraction r;
  r.flux = static_cast<float>(flux);
  r.error = static_cast<float>(std::sqrt(variance));
  if (in.verbosity >= 4) {
    console.line("  returning from extrct ");
    console.line(textio::Line("  flux = ").free(r.flux).a(" +/- ").free(r.error));
  }
  return r;
}

float qcalc(textio::Console& console, int32_t verbosity) {
  if (verbosity >= 4) console.line("  entered qcalc");
  return 0.0f;
}

}  // namespace phot

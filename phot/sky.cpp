// Sky background estimation from workspace 1.
#include "phot/sky.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "textio/fortran_format.h"
#include "textio/paths.h"

namespace phot {

namespace {

constexpr double kPooledInvalid = -1.0e6;

int32_t nearestPixel(float c) { return static_cast<int32_t>(c + 0.5f); }

// Diagnostic mode: the 41 x 41 pixels around the patch centre go to sky.dat, then the
// program stops.
[[noreturn]] void dumpSkyAndStop(textio::Console& console, const core::Settings& settings,
                                 const image::Workspaces& ws, int32_t ic, int32_t jc) {
  std::string text;
  for (int32_t i = -20; i <= 20; ++i) {
    for (int32_t j = -20; j <= 20; ++j) {
      int32_t p = 0;
      if (!ws.get(ic + i, jc + j, p)) throw textio::FatalStop("error kerr=1 ");
      textio::appendI(text, p, 7);
      text += '\n';
    }
  }
  std::string full;
  if (textio::adpath(console, settings.workingPath, "sky.dat", full)) {
    std::ofstream out(textio::hostPath(full), std::ios::binary | std::ios::trunc);
    out << text;
  }
  throw textio::FatalStop("the pixels around a sky patch written to sky.dat (verbosity 25)",
                          textio::FatalStop::Print::Nothing);
}

// Sorts samples 1..n ascending. Sky samples span a narrow range of values, so they are
// counted into a histogram and written back in order; a wide range falls back to std::sort.
// Either way the store ends up in the one ascending order of its values.
void sortSamples(SkySamples& samples) {
  const int32_t n = samples.n;
  int32_t* first = &samples.sample[1];
  const auto [lowest, highest] = std::minmax_element(first, first + n);
  const int64_t span = static_cast<int64_t>(*highest) - *lowest;
  if (span >= 65536) {
    std::sort(first, first + n);
    return;
  }
  static std::vector<int32_t> counts;
  counts.assign(static_cast<size_t>(span) + 1, 0);
  const int32_t base = *lowest;
  for (int32_t k = 0; k < n; ++k) counts[static_cast<size_t>(first[k] - base)] += 1;
  int32_t* out = first;
  for (size_t value = 0; value < counts.size(); ++value)
    for (int32_t c = 0; c < counts[value]; ++c) *out++ = base + static_cast<int32_t>(value);
}

}  // namespace

PatchSums getsky(textio::Console& console, const core::Settings& settings, image::Workspaces& ws,
                 float u, float v, float radius, int32_t markFlag) {
  PatchSums r;
  if (!image::withinReach(u, v)) {
    r.outside = true;
    console.line(" ");
    console.line("   error return from getsky");
    return r;
  }
  const int32_t ic = nearestPixel(u);
  const int32_t jc = nearestPixel(v);
  if (settings.verbosity == 25) dumpSkyAndStop(console, settings, ws, ic, jc);
  const int32_t big = static_cast<int32_t>(radius + 0.5f);
  for (int32_t i = -big; i <= big; ++i) {
    for (int32_t j = -big; j <= big; ++j) {
      if (i * i + j * j >= big * big) continue;
      int32_t p = 0;
      if (!ws.get(ic + i, jc + j, p)) {
        r.outside = true;
        console.line(" ");
        console.line("   error return from getsky");
        return r;
      }
      if (markFlag == 1) ws.put(ic + i, jc + j, 65534);
      const double dp = p;
      r.sum += dp;
      r.sumSquares += dp * dp;
      r.n += 1.0;
    }
  }
  return r;
}

Moments stdev(double sum, double sumSquares, double n) {
  Moments m;
  if (n < 0.5) return m;
  m.valid = true;
  m.mean = sum / n;
  const double variance = sumSquares / n - m.mean * m.mean;
  m.sd = variance > 0.0 ? std::sqrt(variance) : 0.0;
  m.se = n > 1.5 ? m.sd / std::sqrt(n - 1.0) : 0.0;
  return m;
}

void skgClear(SkySamples& samples) {
  // Samples above the count are always 0, so clearing the used ones empties the whole store.
  for (int32_t i = 1; i <= samples.n; ++i) samples.sample[i] = 0;
  samples.n = 0;
}

void skgAdd(SkySamples& samples, int32_t value) {
  if (samples.n >= kMaxSkySamples) return;
  samples.n += 1;
  samples.sample[samples.n] = value;
}

RobustSky skgEstimate(textio::Console& console, const core::Settings& settings, SkySamples& samples) {
  if (settings.skyLocked == 1) return {settings.forcedSky, settings.forcedSkySd};
  const int32_t n = samples.n;
  if (n < 1) return {};
  sortSamples(samples);
  auto at = [n](double fraction) { return std::clamp(static_cast<int32_t>(fraction * n), 1, n); };
  const int32_t lo = at(0.2), lq = at(0.25), med = at(0.5), uq = at(0.75), hi = at(0.8);
  RobustSky r;
  r.sd = static_cast<float>(0.5 * (samples.sample[uq] - samples.sample[lq]) * 1.5);
  if (settings.verbosity >= 3) {
    console.line("  in sky calculation routine...");
    console.line(textio::Line("lower quartile = ").freeI(samples.sample[lq]).a("     n = ").freeI(lq));
    console.line(textio::Line("median         = ").freeI(samples.sample[med]).a("     n = ").freeI(med));
    console.line(textio::Line("upper quartile = ").freeI(samples.sample[uq]).a("     n = ").freeI(uq));
  }
  const std::string_view estimator = textio::trimRight(settings.skyEstimator);
  if (estimator == "clipped mean") {
    console.line("     sky by clipped mean");
    double sum = 0.0;
    for (int32_t i = lo; i <= hi; ++i) sum += samples.sample[i];
    r.sky = static_cast<float>(sum / (hi - lo + 1));
  }
  if (estimator == "median") {
    console.line("     sky by median");
    r.sky = static_cast<float>(samples.sample[med]);
  }
  return r;
}

std::optional<ObjectSky> boxSky(textio::Console& console, const core::Settings& settings,
                                const image::Workspaces& ws, SkySamples& samples, float u, float v) {
  skgClear(samples);
  if (!image::withinReach(u, v)) return std::nullopt;
  const int32_t half = settings.skyBox / 2;
  const int32_t ic = nearestPixel(u);
  const int32_t jc = nearestPixel(v);
  for (int32_t i = ic - half; i <= ic + half; ++i) {
    for (int32_t j = jc - half; j <= jc + half; ++j) {
      int32_t p = 0;
      if (!ws.get(i, j, p)) return std::nullopt;
      skgAdd(samples, p);
    }
  }
  const RobustSky robust = skgEstimate(console, settings, samples);
  ObjectSky r;
  r.sky = robust.sky;
  r.error = static_cast<double>(robust.sd) / settings.skyBox;
  r.sd = robust.sd;
  return r;
}

ObjectSky autoSky(textio::Console& console, const core::Settings& settings,
                  const image::Workspaces& ws, SkySamples& samples, int object, float u, float v) {
  console.line(textio::Line("    automatic sky determination for object =")
                   .i(object, 1).a(" ( ").f(u, 8, 2).f(v, 8, 2).a(")"));
  const std::optional<ObjectSky> box = boxSky(console, settings, ws, samples, u, v);
  if (!box) return {-100.0, 0.0, 0.0};
  const ObjectSky& r = *box;
  if (settings.verbosity > 10) console.line("   end of automatic sky determination");
  console.line(textio::Line("   i      = ").freeI(object));
  console.line(textio::Line("   bgr(i) = ").freeD(r.sky));
  console.line(textio::Line("   bgre(i)= ").freeD(r.error));
  console.line(textio::Line("   bgrsd  = ").freeD(r.sd));
  return r;
}

PooledSky pooledSky(textio::Console& console, const core::Settings& settings, image::Workspaces& ws,
                    int object, const std::array<SkySpot, kSkySpots + 1>& spots, int32_t markSky,
                    bool perPosition) {
  PooledSky r;
  double sum = 0.0, squares = 0.0, n = 0.0;
  bool failed = false;
  for (int j = 1; j <= kSkySpots; ++j) {
    if (!spots[j].defined) continue;
    if (settings.verbosity >= 4) {
      console.line(textio::Line("  getting sky count for u,v = ")
                       .f(spots[j].u, 6, 1).x(1).f(spots[j].v, 6, 1));
    }
    const PatchSums patch =
        getsky(console, settings, ws, spots[j].u, spots[j].v, settings.skyApertureRadius, markSky);
    if (settings.verbosity >= 4) {
      console.line(textio::Line("     returned from getsky; star = ").i(object, 2).a(" patch = ")
                       .i(j, 2).a(" sumpix = ").f(patch.sum, 7, 0).a(" ss= ").f(patch.n, 6, 1));
    }
    if (patch.outside) {
      failed = true;
      if (!perPosition) break;
      continue;
    }
    sum += patch.sum;
    squares += patch.sumSquares;
    n += patch.n;
    if (perPosition) {
      const Moments own = stdev(patch.sum, patch.sumSquares, patch.n);
      r.spotValid[j] = own.valid;
      r.spotSky[j] = own.mean;
      r.spotError[j] = own.se;
    }
  }
  const Moments pooled = stdev(sum, squares, n);
  if (failed || !pooled.valid || n <= 0.1) {
    r.sky = {kPooledInvalid, kPooledInvalid, kPooledInvalid};
    if (!failed || perPosition) r.sky.sd = pooled.valid ? pooled.sd : kPooledInvalid;
  } else {
    r.sky = {pooled.mean, pooled.se, pooled.sd};
  }
  if (settings.skySubtractionMethod == 1 && settings.verbosity >= 3) {
    console.line(textio::Line("            background for star ").i(object, 2).a(" = ")
                     .f(r.sky.sky, 7, 1).x(1).a(" \xF1").f(r.sky.error, 5, 1));
  }
  return r;
}

NearestSky nr2sky(textio::Console& console, const core::Settings& settings,
                  const image::Camera& camera, float u, float v,
                  const std::array<float, kSkySpots + 1>& offsetU,
                  const std::array<float, kSkySpots + 1>& offsetV, const PooledSky& perPosition) {
  const bool byV = settings.skySubtractionMethod == 3;
  const float key = byV ? v : u;
  const auto& s = byV ? offsetV : offsetU;
  int k = kSkySpots;
  for (int j = 1; j <= kSkySpots - 1; ++j) {
    if (s[j] <= key && key < s[j + 1]) {
      k = j;
      break;
    }
  }
  const double px = camera.pixelSizeX;
  const double py = camera.pixelSizeY;
  const double reach = (static_cast<double>(settings.skyApertureRadius) + settings.apertureRadius + 2.0) * px;
  const double r2 = reach * reach;
  // Walks from k in one direction over the measured positions, keeping the last one taken,
  // and stops at the first lying beyond the exclusion radius. 0 when none was measured.
  auto neighbour = [&](int step) {
    int taken = 0;
    for (int j = k; j >= 1 && j <= kSkySpots; j += step) {
      if (!perPosition.spotValid[j]) continue;
      taken = j;
      const double du = (static_cast<double>(offsetU[j]) - u) * px;
      const double dv = (static_cast<double>(offsetV[j]) - v) * py;
      if (du * du + dv * dv > r2) break;
    }
    return taken;
  };
  int lower = neighbour(-1);
  int upper = neighbour(+1);
  if (lower == 0) lower = upper;
  if (upper == 0) upper = lower;
  const auto skyOf = [&](int j) { return j == 0 ? 0.0 : perPosition.spotSky[j]; };
  const auto errorOf = [&](int j) { return j == 0 ? 0.0 : perPosition.spotError[j]; };
  const std::string pad(10, ' ');
  console.line(textio::Line(pad).a("in routine nr2sky; nearest sky position : ").i(k, 2));
  console.line(textio::Line(pad).a("this position has sky value = ").f(skyOf(k), 7, 1)
                   .a(" \xF1").f(errorOf(k), 5, 1));
  console.line(textio::Line(pad).a("taking mean of sky values ").f(skyOf(lower), 7, 1)
                   .a(" \xF1").f(errorOf(lower), 5, 1));
  console.line(textio::Line(pad).a("                      and ").f(skyOf(upper), 7, 1)
                   .a(" \xF1").f(errorOf(upper), 5, 1));
  console.line(" ");
  console.line(" ");
  NearestSky r;
  if (lower == 0) return r;
  const double el = errorOf(lower), eu = errorOf(upper);
  r.sky = 0.5 * (skyOf(lower) + skyOf(upper));
  r.error = std::sqrt((el * el + eu * eu) / 2.0);
  r.valid = true;
  return r;
}

}  // namespace phot

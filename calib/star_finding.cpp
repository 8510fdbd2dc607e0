// Star finding: quick sky, centroids, brightest star and the detection of a frame's stars.
// A pixel outside the image is never used as data: boxes are clamped to the image, a
// neighbour outside is never "greater", and the profile counts an outside pixel as sky.
#include "calib/star_finding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "calib/pixel_ops.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"

namespace calib {

namespace {

struct Box {
  int32_t imin, imax, jmin, jmax;
};

// The search box cut to the image.
Box clampedSearchBox(const core::Settings& settings, const image::Workspaces& ws) {
  const auto& b = settings.searchBox;
  return Box{std::max(b[0], 1), std::min(b[1], ws.nx), std::max(b[2], 1), std::min(b[3], ws.ny)};
}

// Pixel (i, j) of workspace 1 read straight from storage; the caller guarantees it is inside.
inline int32_t at(const image::Workspaces& ws, int32_t i, int32_t j) { return ws.pixelInside(i, j); }

}  // namespace

std::optional<float> estsky(textio::Console& console, const core::Settings& settings, const image::Workspaces& ws) {
  const Box b = clampedSearchBox(settings, ws);
  const int32_t di = std::max((b.imax - b.imin) / 29, 1);
  const int32_t dj = std::max((b.jmax - b.jmin) / 29, 1);
  std::array<int32_t, kSkySamples> samples{};
  int count = 0;
  for (int32_t j = b.jmin; j <= b.jmax && count < kSkySamples; j += dj) {
    for (int32_t i = b.imin; i <= b.imax && count < kSkySamples; i += di) samples[count++] = at(ws, i, j);
  }
  if (count < kSkySamples) {
    console.line("error in estsky; <752 pixels selected");
    return std::nullopt;
  }
  std::sort(samples.begin(), samples.end());
  return static_cast<float>(samples[kSkySamples / 2 - 1]);
}

namespace {

// Step 9 of the measurement: the number of the nine 3-row profile values (columns ip - 4 ..
// ip + 4, rows jp - 1 .. jp + 1, sky removed) above half the largest.
int32_t profileWidth(const image::Workspaces& ws, int32_t ip, int32_t jp, float sky) {
  std::array<float, 9> q{};
  for (int32_t c = 0; c < 9; ++c) {
    int32_t i = ip - 4 + c;
    int64_t sum = 0;
    int outside = 0;
    for (int32_t j = jp - 1; j <= jp + 1; ++j) {
      int32_t value = 0;
      if (ws.get(i, j, value)) {
        sum += value;
      } else {
        ++outside;
      }
    }
    q[c] = static_cast<float>(sum) + static_cast<float>(outside) * sky - 3.0f * sky;
  }
  int32_t pmax = 0;
  for (float value : q) {
    if (value > static_cast<float>(pmax)) pmax = truncToInt(value);
  }
  const int32_t half = truncToInt(static_cast<float>(pmax) * 0.5f);
  return static_cast<int32_t>(std::count_if(q.begin(), q.end(), [&](float value) {
    return value > static_cast<float>(half);
  }));
}

}  // namespace

Centroid findb1(textio::Console& console, const image::Workspaces& ws, int32_t i0, int32_t j0, int box,
                float sky) {
  Centroid c;
  if (sky < 5.0f) {
    console.line("");
    console.line(textio::Line("   * error * : finbd1 called with sky value = ").f(sky, 7, 1));
    console.line("");
    c.reject = true;
  }
  const int32_t h = box / 2;
  const int32_t m = h + 3;
  int32_t ip = 0, jp = 0, peak = 0;
  for (int32_t i = std::max(i0 - h, m); i <= std::min(i0 + h, ws.nx - m); ++i) {
    for (int32_t j = std::max(j0 - h, m); j <= std::min(j0 + h, ws.ny - m); ++j) {
      int32_t value = at(ws, i, j);
      if (value > peak) {
        peak = value;
        ip = i;
        jp = j;
      }
    }
  }
  if (peak <= 0) {
    c.reject = true;
    return c;
  }
  const int32_t half = truncToInt((static_cast<float>(peak) - sky) * 0.5f);
  double s = 0.0, si = 0.0, sj = 0.0;
  int32_t above = 0;
  for (int32_t i = ip - h; i <= ip + h; ++i) {
    for (int32_t j = jp - h; j <= jp + h; ++j) {
      int32_t value = 0;
      if (!ws.get(i, j, value)) continue;
      int32_t t = truncToInt(static_cast<float>(value) - sky);
      if (t > half) ++above;
      s += t;
      si += static_cast<double>(t) * i;
      sj += static_cast<double>(t) * j;
    }
  }
  if (s < 90.0) {
    c.reject = true;
    return c;
  }
  c.u = static_cast<float>(si / s);
  c.v = static_cast<float>(sj / s);
  c.rfwhm = static_cast<float>(std::sqrt(static_cast<double>(above)));
  c.ifwhm = profileWidth(ws, ip, jp, sky);
  if (c.reject) c.u = c.v = 0.0f;
  return c;
}

Brightest findbs(textio::Console& console, const core::Settings& settings, const image::Workspaces& ws, int box) {
  const std::optional<float> estimate = estsky(console, settings, ws);
  if (!estimate) return Brightest{};
  const float sky = *estimate;
  const Box b = clampedSearchBox(settings, ws);
  int32_t ip = 0, jp = 0, peak = 0;
  for (int32_t i = std::max(b.imin, 5); i <= std::min(b.imax, ws.nx - 4); ++i) {
    for (int32_t j = std::max(b.jmin, 5); j <= std::min(b.jmax, ws.ny - 4); ++j) {
      int32_t value = at(ws, i, j);
      if (value > peak) {
        peak = value;
        ip = i;
        jp = j;
      }
    }
  }
  Brightest r;
  if (peak <= 0) {
    console.line("   no pixel above 0 in the search box: no star to measure");
    return r;
  }
  Centroid c = findb1(console, ws, ip, jp, box, sky);
  r.u = c.u;
  r.v = c.v;
  r.ifwhm = c.ifwhm;
  r.found = true;
  console.line(textio::Line("   weighted maximum of brightest star in box at = ")
                   .f(r.u, 6, 2)
                   .x(1)
                   .f(r.v, 6, 2)
                   .x(1)
                   .a("  w=")
                   .i(r.ifwhm, 2));
  return r;
}

namespace {

// The stored value of a saturated pixel.
constexpr int32_t kSaturated = 65535;

struct Candidate {
  float u = 0.0f;      // position, then the refined centroid
  float v = 0.0f;
  bool keep = false;   // still a star
  int32_t peak = 0;    // pixel value at detection
  int32_t ifwhm = 0;
  float rfwhm = 0.0f;
};

// True when no neighbour of (i, j) inside the image is strictly greater than value.
bool localMaximum(const image::Workspaces& ws, int32_t i, int32_t j, int32_t value) {
  for (int32_t di = -1; di <= 1; ++di) {
    for (int32_t dj = -1; dj <= 1; ++dj) {
      int32_t n = 0;
      if ((di != 0 || dj != 0) && ws.get(i + di, j + dj, n) && n > value) return false;
    }
  }
  return true;
}

// The 40-character star line (or, with the last two fields left off, the 24-character end line).
std::string starLine(float u, float v, int32_t ifwhm, float rfwhm) {
  return textio::Line(" ").f(u, 7, 2).x(1).f(v, 7, 2).x(1).i(ifwhm, 2).x(1).f(rfwhm, 4, 1).str();
}

}  // namespace

int candidateLimit(int64_t capacity) {
  if (capacity <= image::kCapacity) return kMaxCandidates;
  return static_cast<int>((capacity * kMaxCandidates + image::kCapacity - 1) / image::kCapacity);
}

int findst(textio::Console& console, const core::Settings& settings, const image::Workspaces& ws,
           std::string_view frameName20, std::ostream& out) {
  const std::optional<float> estimate = estsky(console, settings, ws);
  if (!estimate) return -1;
  const float sky = *estimate;
  const int32_t threshold = truncToInt(sky + static_cast<float>(settings.findThreshold));
  std::string block;
  block += " \n";
  block += "  stars found in " + textio::fixed(frameName20, 20) + "\n";
  block += textio::Line("  estimated sky value = ").f(sky, 8, 0).str() + "\n";
  block += textio::Line("  time (hours) = ").f(ws.frameTime, 7, 4).str() + "\n";
  block += "     u     v\n";

  const int limit = candidateLimit(ws.capacity());
  std::vector<Candidate> table(static_cast<size_t>(limit));
  int n = 0;
  const Box b = clampedSearchBox(settings, ws);
  for (int32_t i = b.imin; i <= b.imax && n < limit; ++i) {
    const int32_t* column = ws.w1.data() + ws.index(i, 1);
    for (int32_t j = b.jmin; j <= b.jmax; ++j) {
      const int32_t value = column[j - 1];
      if (value < threshold || !localMaximum(ws, i, j, value)) continue;
      table[n] = Candidate{static_cast<float>(i), static_cast<float>(j), true, value, 0, 0.0f};
      if (++n == limit) {
        console.line("maximum no of stars found");
        break;
      }
    }
  }

  for (int k = 0; k < n; ++k) {
    Candidate& e = table[k];
    if (!e.keep) continue;
    Centroid c = findb1(console, ws, truncToInt(e.u), truncToInt(e.v), 7, sky);
    e.u = c.u;
    e.v = c.v;
    e.ifwhm = c.ifwhm;
    e.rfwhm = c.rfwhm;
    if (c.reject) e.keep = false;
  }

  const float prox2 = static_cast<float>(static_cast<int64_t>(settings.findProximity) * settings.findProximity);
  // Every close pair, found along the candidates in order of u (a pair whose u differ by the
  // proximity or more is not close): the lower peak goes; of equal peaks the first in scan
  // order stays, except saturated tops, which both go.
  std::vector<int> byU(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) byU[static_cast<size_t>(k)] = k;
  std::stable_sort(byU.begin(), byU.end(), [&](int x, int y) { return table[x].u < table[y].u; });
  for (size_t p = 0; p < byU.size(); ++p) {
    Candidate& a = table[byU[p]];
    for (size_t q = p + 1; q < byU.size(); ++q) {
      Candidate& c = table[byU[q]];
      const float du = c.u - a.u;
      if (du * du >= prox2) break;
      const float dv = a.v - c.v;
      if (du * du + dv * dv >= prox2) continue;
      // Two pixels of one top that tie are one star: the first in scan order stays. A
      // saturated top cannot be measured, so its candidates still remove one another.
      if (a.peak == c.peak && a.peak < kSaturated) {
        table[std::max(byU[p], byU[q])].keep = false;
      } else if (a.peak > c.peak) {
        c.keep = false;
      } else if (c.peak > a.peak) {
        a.keep = false;
      } else {
        a.keep = false;
        c.keep = false;
      }
    }
  }

  const int32_t skyInt = truncToInt(sky);
  int kept = 0;
  for (int k = 0; k < n; ++k) {
    const Candidate& e = table[k];
    if (!e.keep) continue;
    ++kept;
    console.line(textio::Line("   star ")
                     .i(k + 1, 3)
                     .a("   u = ")
                     .f(e.u, 7, 2)
                     .a("     v = ")
                     .f(e.v, 7, 2)
                     .a("    fwhm = ")
                     .i(e.ifwhm, 2)
                     .x(1)
                     .f(e.rfwhm, 4, 1)
                     .x(2)
                     .i(e.peak, 7)
                     .x(1)
                     .i(static_cast<int64_t>(e.peak) - skyInt, 6));
    block += textio::Line(starLine(e.u, e.v, e.ifwhm, e.rfwhm))
                 .x(2)
                 .i(e.peak, 7)
                 .x(1)
                 .i(static_cast<int64_t>(e.peak) - skyInt, 6)
                 .str() +
             "\n";
  }
  block += starLine(9999.0f, 9999.0f, 0, 0.0f) + "\n";
  out << block;
  out.flush();
  return kept;
}

}  // namespace calib

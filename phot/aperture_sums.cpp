// Soft and hard aperture sums and the pixel error model.
//
// The soft aperture decides each of the 400 sample points of a pixel by the test
// tx + ty <= L, where tx = (x-u)^2 px^2 depends only on the sample column and ty only on the
// sample row. Both terms are computed once per column and per row, and a pixel whose nearest
// (farthest) sample pair is already outside (inside) is decided without its 400 tests: rounded
// addition is monotonic, so those bounds decide exactly as the full test would. A pixel's
// weight is 0.0025 added once per inside point and the area the same over all points; both
// are read from a table of those repeated sums, so they equal the point-by-point accumulation.
#include "phot/aperture_sums.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "textio/fortran_format.h"

namespace phot {

namespace {

constexpr int kGrid = 20;
constexpr double kSampleWeight = 0.0025;

// repeatedSum(c) = 0.0025 added c times to 0.0, in sequence.
double repeatedSum(size_t count) {
  static std::vector<double> table{0.0};
  while (table.size() <= count) table.push_back(table.back() + kSampleWeight);
  return table[count];
}

struct SearchBox {
  int32_t ic, jc, ni, nj;
};

SearchBox searchBox(const image::Camera& camera, float u, float v, float radius) {
  SearchBox b;
  b.ic = static_cast<int32_t>(u + 0.5f);
  b.jc = static_cast<int32_t>(v + 0.5f);
  b.ni = static_cast<int32_t>(radius + 3.0f);
  b.nj = static_cast<int32_t>(radius * camera.pixelSizeX / camera.pixelSizeY + 3.0f);
  return b;
}

void outsideMessage(textio::Console& console, const char* name) {
  console.line(std::string("    return from ") + name + " : error requested pixel outside image array");
}

// Reads every pixel of the box (i outer, j inner) into `values`; false after the message when
// one lies outside the image or holds 65536 or more.
bool readBox(textio::Console& console, const image::Workspaces& ws, const SearchBox& b,
             const char* name, std::vector<int32_t>& values) {
  values.clear();
  for (int32_t i = b.ic - b.ni; i <= b.ic + b.ni; ++i) {
    for (int32_t j = b.jc - b.nj; j <= b.jc + b.nj; ++j) {
      int32_t p = 0;
      if (!ws.get(i, j, p) || p >= 65536) {
        outsideMessage(console, name);
        return false;
      }
      values.push_back(p);
    }
  }
  return true;
}

void traceEntry(textio::Console& console, int32_t verbosity, const char* name, double sky,
                double skySd) {
  if (verbosity < 3) return;
  console.line(textio::Line("entered ").a(name).a("; skybgr = ").freeD(sky));
  console.line(textio::Line("entered ").a(name).a("; skysd  = ").freeD(skySd));
}

void traceReturn(textio::Console& console, int32_t verbosity, const char* name,
                 const ApertureSum& r, double sky, double skySd) {
  if (verbosity < 3) return;
  console.line(" ");
  console.line(textio::Line("    returning from ").a(name).a(" : (no bgr correction yet)"));
  console.line(textio::Line("                              s = ").f(r.area, 12, 5));
  console.line(textio::Line("                          apix  = ").f(r.sum, 12, 3));
  console.line(textio::Line("                          apixe = ").f(r.error, 12, 3));
  console.line(textio::Line("                         skybgr = ").f(sky, 12, 3));
  console.line(textio::Line("                          skysd = ").f(skySd, 12, 3));
  console.line(" ");
}

}  // namespace

float pixerr(textio::Console& console, const image::Camera& camera, double sky, double skySd,
             float p) {
  if (sky < 1.0) {
    console.line("    error in function pixerr: skybgr = 0 ! ");
    return 0.0f;
  }
  const double term = (static_cast<double>(p) - sky) / camera.gain + skySd * skySd;
  return static_cast<float>(term > 0.0 ? std::sqrt(term) : 0.0);
}

ApertureSum getsof(textio::Console& console, const image::Camera& camera, int32_t verbosity,
                   const image::Workspaces& ws, float u, float v, float radius, double sky,
                   double skySd) {
  traceEntry(console, verbosity, "getsof", sky, skySd);
  if (!image::withinReach(u, v)) {
    outsideMessage(console, "getsof");
    return {0.0, 0.0, 0.0, true};
  }
  const SearchBox b = searchBox(camera, u, v, radius);
  std::vector<int32_t> values;
  if (!readBox(console, ws, b, "getsof", values)) return {0.0, 0.0, 0.0, true};

  const double px2 = static_cast<double>(camera.pixelSizeX) * camera.pixelSizeX;
  const double py2 = static_cast<double>(camera.pixelSizeY) * camera.pixelSizeY;
  const double limit = static_cast<double>(radius) * radius * px2;
  // Squared physical distance terms of every sample column (i) and sample row (j).
  const int ncol = 2 * b.ni + 1, nrow = 2 * b.nj + 1;
  std::vector<double> tx(static_cast<size_t>(ncol) * kGrid), ty(static_cast<size_t>(nrow) * kGrid);
  std::vector<double> txMin(ncol), txMax(ncol), tyMin(nrow), tyMax(nrow);
  auto fill = [](std::vector<double>& t, std::vector<double>& lo, std::vector<double>& hi, int n,
                 int32_t first, float centre, double scale2) {
    for (int a = 0; a < n; ++a) {
      double* row = &t[static_cast<size_t>(a) * kGrid];
      for (int k = 0; k < kGrid; ++k) {
        const double x = (first + a) + 0.05 * k - 0.475;
        const double d = x - centre;
        row[k] = d * d * scale2;
      }
      lo[a] = *std::min_element(row, row + kGrid);
      hi[a] = *std::max_element(row, row + kGrid);
    }
  };
  fill(tx, txMin, txMax, ncol, b.ic - b.ni, u, px2);
  fill(ty, tyMin, tyMax, nrow, b.jc - b.nj, v, py2);

  if (verbosity >= 5) console.line("in getsof; starting integration");
  if (verbosity >= 7) {
    console.line(textio::Line("   integrate j from ").i(b.jc - b.nj, 4).a(" to ").i(b.jc + b.nj, 4)
                     .a("  i = "));
    textio::Line rows;
    for (int32_t i = b.ic - b.ni; i <= b.ic + b.ni; ++i) rows.i(i, 4);
    console.line(rows);
    console.line(" ");
  }
  ApertureSum r;
  size_t points = 0;
  double errorSum = 0.0;
  size_t n = 0;
  for (int a = 0; a < ncol; ++a) {
    for (int c = 0; c < nrow; ++c, ++n) {
      size_t inside = 0;
      if (txMax[a] + tyMax[c] <= limit) {
        inside = kGrid * kGrid;
      } else if (txMin[a] + tyMin[c] <= limit) {
        const double* xs = &tx[static_cast<size_t>(a) * kGrid];
        const double* ys = &ty[static_cast<size_t>(c) * kGrid];
        for (int k = 0; k < kGrid; ++k)
          for (int l = 0; l < kGrid; ++l) inside += (xs[k] + ys[l] <= limit) ? 1 : 0;
      }
      points += inside;
      const double w = repeatedSum(inside);
      const float p = static_cast<float>(values[n]);
      r.sum += p * w;
      const double e = pixerr(console, camera, sky, skySd, p) * w;
      errorSum += e * e;
    }
  }
  if (verbosity >= 5) console.line("in getsof; finished integration");
  r.area = repeatedSum(points);
  r.error = std::sqrt(errorSum);
  traceReturn(console, verbosity, "getsof", r, sky, skySd);
  return r;
}

ApertureSum gethrd(textio::Console& console, const image::Camera& camera, int32_t verbosity,
                   const image::Workspaces& ws, float u, float v, float radius, double sky,
                   double skySd) {
  traceEntry(console, verbosity, "gethrd", sky, skySd);
  if (!image::withinReach(u, v)) {
    outsideMessage(console, "gethrd");
    return {0.0, 0.0, 0.0, true};
  }
  const SearchBox b = searchBox(camera, u, v, radius);
  std::vector<int32_t> values;
  if (!readBox(console, ws, b, "gethrd", values)) return {0.0, 0.0, 0.0, true};
  const double px2 = static_cast<double>(camera.pixelSizeX) * camera.pixelSizeX;
  const double py2 = static_cast<double>(camera.pixelSizeY) * camera.pixelSizeY;
  const double limit = static_cast<double>(radius) * radius * px2;
  ApertureSum r;
  double errorSum = 0.0;
  size_t n = 0;
  for (int32_t i = b.ic - b.ni; i <= b.ic + b.ni; ++i) {
    for (int32_t j = b.jc - b.nj; j <= b.jc + b.nj; ++j, ++n) {
      const double di = i - static_cast<double>(u);
      const double dj = j - static_cast<double>(v);
      if (di * di * px2 + dj * dj * py2 > limit) continue;
      const float p = static_cast<float>(values[n]);
      r.area += 1.0;
      r.sum += p;
      const double e = pixerr(console, camera, sky, skySd, p);
      errorSum += e * e;
    }
  }
  r.error = std::sqrt(errorSum);
  traceReturn(console, verbosity, "gethrd", r, sky, skySd);
  return r;
}

}  // namespace phot

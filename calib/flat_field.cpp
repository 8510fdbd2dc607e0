// Dark and flat correction: (data - dark) x [average flat pixel] / [flat pixel], with flat
// pixels at or below 0.3 of the average (or not above 0) flagged as bad and set to zero.
#include "calib/flat_field.h"

#include "calib/pixel_ops.h"
#include "image/fits_load.h"
#include "textio/console.h"
#include "textio/fortran_format.h"

namespace calib {

bool dark(textio::Console& console, app::Settings& settings, image::Camera& camera, image::Workspaces& ws,
          std::string_view name20) {
  if (!image::load2(console, settings, camera, ws, name20, 0, 1.0f, 0, 0)) {
    console.line("   dark frame not loaded: nothing subtracted");
    return false;
  }
  subtractDark(ws);
  return true;
}

FlatMean flatMean(const image::Workspaces& ws) {
  FlatMean flat;
  flat.nx = ws.nx;
  flat.ny = ws.ny;
  const size_t n = pixelCount(ws);
  if (n == 0) return flat;
  float sum = 0.0f;
  const int32_t* f = ws.w3.data();
  for (size_t p = 0; p < n; ++p) sum += static_cast<float>(f[p]);
  flat.mean = sum / static_cast<float>(n);
  return flat;
}

void printFlatRule(textio::Console& console) {
  console.line("   the flat file must have been dark corrected already, i.e. this ");
  console.line("   command calculates: (data-dark)*[average flat pixel]/[flat pixel]");
  console.line("   flat pixels<0.3 average are flagged as bad and set to zero");
}

namespace {

// The correction proper; kept free of calls so the compiler can run it on several pixels
// at a time (each pixel's arithmetic is unchanged by that).
int64_t correct(int32_t* __restrict d, const int32_t* __restrict k, const int32_t* __restrict f, size_t n,
                float mean) {
  const float threshold = 0.3f * mean;
  int64_t rejected = 0;
  for (size_t p = 0; p < n; ++p) {
    const float ff = static_cast<float>(f[p]);
    // Data minus dark; 16-bit frames never come near the 32-bit range, and the unsigned
    // subtraction keeps absurd values defined.
    const int32_t diff = static_cast<int32_t>(static_cast<uint32_t>(d[p]) - static_cast<uint32_t>(k[p]));
    const bool good = ff > threshold && f[p] > 0;
    const float r = static_cast<float>(diff) * mean / (good ? ff : 1.0f) + 0.5f;
    int32_t v;
    if (r >= 65531.0f) {
      v = 65530;
    } else if (r < -2147483648.0f) {
      v = INT32_MIN;
    } else {
      v = static_cast<int32_t>(r);
    }
    d[p] = good ? v : 0;
    rejected += good ? 0 : 1;
  }
  return rejected;
}

}  // namespace

int64_t dfsub(textio::Console& console, image::Workspaces& ws, const FlatMean& given) {
  FlatMean flat = given;
  if (flat.nx != ws.nx || flat.ny != ws.ny) flat = flatMean(ws);
  console.line(textio::Line("   average flat pixel = ").f(flat.mean, 7, 0));
  int64_t rejected = correct(ws.w1.data(), ws.w2.data(), ws.w3.data(), pixelCount(ws), flat.mean);
  console.line(textio::Line("   number of flat pixels rejected = ").i(rejected, 6));
  return rejected;
}

int64_t dfsub(textio::Console& console, image::Workspaces& ws) { return dfsub(console, ws, flatMean(ws)); }

}  // namespace calib

// Dark and flat correction: (data - dark) x [average flat pixel] / [flat pixel], with flat
// pixels at or below 0.3 of the average (or not above 0) flagged as bad and set to zero.
#include "calib/flat_field.h"

#include <algorithm>
#include <atomic>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "calib/pixel_ops.h"
#include "core/threads.h"
#include "image/fits_load.h"
#include "textio/console.h"
#include "textio/fortran_format.h"

namespace calib {

bool dark(textio::Console& console, core::Settings& settings, image::Camera& camera, image::Workspaces& ws,
          std::string_view name20) {
  if (!image::load2(console, settings, camera, ws, name20, image::Combine::Replace, 1.0f, 0, 0)) {
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

// One pixel of the correction. Clipping r + 0.5 at 65530.5 before truncating gives the same
// integer as clipping the truncated value at 65530. Returns 1 when the flat pixel is rejected.
inline int32_t correctPixel(int32_t& d, int32_t k, int32_t f, float mean, float threshold) {
  const float ff = static_cast<float>(f);
  const bool good = ff > threshold && f > 0;
  // Data minus dark; 16-bit frames never come near the 32-bit range, and the unsigned
  // subtraction keeps absurd values defined.
  const int32_t diff = static_cast<int32_t>(static_cast<uint32_t>(d) - static_cast<uint32_t>(k));
  float r = static_cast<float>(diff) * mean / (good ? ff : 1.0f) + 0.5f;
  r = std::max(std::min(r, 65530.5f), -2147483648.0f);
  d = good ? static_cast<int32_t>(r) : 0;
  return good ? 0 : 1;
}

// The correction over n stored pixels; four at a time where the processor offers it, with
// the same operations in the same order on each pixel, so the results are identical.
int64_t correct(int32_t* d, const int32_t* k, const int32_t* f, size_t n, float mean) {
  const float threshold = 0.3f * mean;
  int64_t rejected = 0;
  size_t p = 0;
#if defined(__SSE2__)
  const __m128 vMean = _mm_set1_ps(mean), vThreshold = _mm_set1_ps(threshold);
  const __m128 vOne = _mm_set1_ps(1.0f), vHalf = _mm_set1_ps(0.5f);
  const __m128 vTop = _mm_set1_ps(65530.5f), vBottom = _mm_set1_ps(-2147483648.0f);
  const __m128i vZero = _mm_setzero_si128();
  __m128i vRejected = _mm_setzero_si128();
  for (; p + 4 <= n; p += 4) {
    const __m128i fi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + p));
    const __m128 ff = _mm_cvtepi32_ps(fi);
    const __m128 good = _mm_and_ps(_mm_cmpgt_ps(ff, vThreshold), _mm_castsi128_ps(_mm_cmpgt_epi32(fi, vZero)));
    const __m128i diff = _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + p)),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(k + p)));
    const __m128 divisor = _mm_or_ps(_mm_and_ps(good, ff), _mm_andnot_ps(good, vOne));
    __m128 r = _mm_add_ps(_mm_div_ps(_mm_mul_ps(_mm_cvtepi32_ps(diff), vMean), divisor), vHalf);
    r = _mm_max_ps(_mm_min_ps(r, vTop), vBottom);
    const __m128i v = _mm_and_si128(_mm_cvttps_epi32(r), _mm_castps_si128(good));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + p), v);
    vRejected = _mm_sub_epi32(vRejected, _mm_andnot_si128(_mm_castps_si128(good), _mm_set1_epi32(-1)));
  }
  alignas(16) int32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), vRejected);
  rejected = static_cast<int64_t>(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
#endif
  for (; p < n; ++p) rejected += correctPixel(d[p], k[p], f[p], mean, threshold);
  return rejected;
}

}  // namespace

int64_t dfsub(textio::Console& console, image::Workspaces& ws, const FlatMean& given) {
  FlatMean flat = given;
  if (flat.nx != ws.nx || flat.ny != ws.ny) flat = flatMean(ws);
  console.line(textio::Line("   average flat pixel = ").f(flat.mean, 7, 0));
  // Pieces of the frame side by side; the counts of rejected pixels add up.
  const size_t n = pixelCount(ws);
  constexpr int64_t kGrain = 1 << 16;
  std::atomic<int64_t> rejected{0};
  core::forEachPiece(static_cast<int64_t>(n), kGrain, [&](int64_t begin, int64_t end) {
    const size_t at = static_cast<size_t>(begin);
    rejected += correct(ws.w1.data() + at, ws.w2.data() + at, ws.w3.data() + at, static_cast<size_t>(end - begin),
                        flat.mean);
  });
  console.line(textio::Line("   number of flat pixels rejected = ").i(rejected.load(), 6));
  return rejected.load();
}

int64_t dfsub(textio::Console& console, image::Workspaces& ws) { return dfsub(console, ws, flatMean(ws)); }

}  // namespace calib

// Pixel arithmetic and marking on workspace 1. Whole-image operations run over the stored
// pixels directly (every stored pixel of the current size is inside the image, so this is
// the accessor's loop without its per-pixel test); the order of the storage is the order
// in which pixels are visited (i outer, j inner).
#include "calib/pixel_ops.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"

namespace calib {

size_t pixelCount(const image::Workspaces& ws) {
  if (ws.nx <= 0 || ws.ny <= 0) return 0;
  int64_t n = static_cast<int64_t>(ws.nx) * ws.ny;
  return static_cast<size_t>(std::min<int64_t>(n, ws.capacity()));
}

void subtractDark(image::Workspaces& ws) {
  const size_t n = pixelCount(ws);
  int32_t* d = ws.w1.data();
  const int32_t* k = ws.w2.data();
  for (size_t p = 0; p < n; ++p) {
    int64_t r = static_cast<int64_t>(d[p]) - k[p];
    d[p] = r > 0 ? static_cast<int32_t>(std::min<int64_t>(r, INT32_MAX)) : 0;
  }
}

void multip(image::Workspaces& ws, float factor) {
  const size_t n = pixelCount(ws);
  int32_t* d = ws.w1.data();
  for (size_t p = 0; p < n; ++p) {
    float r = static_cast<float>(d[p]) * factor;
    if (r >= 65536.0f) {
      d[p] = 65535;
    } else if (!(r > -1.0f)) {  // truncates below 0 (or is not a number)
      d[p] = 0;
    } else {
      d[p] = static_cast<int32_t>(r);
    }
  }
}

void subtra(image::Workspaces& ws, int32_t n32) {
  const size_t n = pixelCount(ws);
  int32_t* d = ws.w1.data();
  for (size_t p = 0; p < n; ++p) {
    int64_t r = static_cast<int64_t>(d[p]) - n32;
    d[p] = static_cast<int32_t>(std::clamp<int64_t>(r, 0, 65535));
  }
}

void subval(image::Workspaces& ws, float x) {
  const size_t n = pixelCount(ws);
  int32_t* d = ws.w1.data();
  for (size_t p = 0; p < n; ++p) {
    int32_t r = truncToInt(static_cast<float>(d[p]) - x);
    if (r < 0) r = 0;
    if (r >= 65537) r = 65536;
    d[p] = r;
  }
}

void contrst(image::Workspaces& ws, float level, float factor) {
  const int32_t l = truncToInt(level);
  const size_t n = pixelCount(ws);
  int32_t* d = ws.w1.data();
  for (size_t p = 0; p < n; ++p) {
    if (d[p] < l) continue;
    float stretched = static_cast<float>(static_cast<int64_t>(d[p]) - l) * factor;
    int32_t r = truncToInt(static_cast<float>(l) + stretched);
    if (r >= 65535) r = 65534;
    d[p] = r;
  }
}

void mask(image::Workspaces& ws, int32_t i1, int32_t i2, int32_t j1, int32_t j2) {
  for (int32_t i = 1; i <= ws.nx; ++i) {
    for (int32_t j = 1; j <= ws.ny; ++j) {
      if (i < i1 || i > i2 || j < j1 || j > j2) ws.put(i, j, 0);
    }
  }
}

void setall(image::Workspaces& ws, int32_t width, int32_t height, int32_t value) {
  int32_t iTop = std::min(width, ws.nx);
  int32_t jTop = std::min(height, ws.ny);
  for (int32_t i = 1; i <= iTop; ++i) {
    for (int32_t j = 1; j <= jTop; ++j) ws.put(i, j, value);
  }
}

void mark(image::Workspaces& ws, int32_t i, int32_t j) {
  for (int32_t k = 7; k <= 12; ++k) {
    ws.put(i, j + k, 65535);
    ws.put(i, j - k, 65535);
  }
}

void mobjct(image::Workspaces& ws, float u, float v, int32_t r1, int32_t r2, std::string_view directions) {
  const int32_t ic = truncToInt(u);
  const int32_t jc = truncToInt(v);
  constexpr int32_t kTick = 63000;
  for (char c : directions.substr(0, std::min<size_t>(directions.size(), 4))) {
    for (int64_t k = r1; k <= r2; ++k) {
      int32_t kk = static_cast<int32_t>(k);
      if (c == 'r') ws.put(ic + kk, jc, kTick);
      if (c == 'l') ws.put(ic - kk, jc, kTick);
      if (c == 'u') ws.put(ic, jc - kk, kTick);
      if (c == 'd') ws.put(ic, jc + kk, kTick);
    }
  }
}

namespace {

// The numbers of one record line; false when the line holds anything but numbers.
bool recordNumbers(std::string_view line, std::vector<double>& values) {
  values.clear();
  for (std::string_view item : textio::splitFree(line)) {
    double v;
    if (!textio::parseReal(item, v)) return false;
    values.push_back(v);
  }
  return true;
}

}  // namespace

int markpa(textio::Console& console, const core::Settings& settings, image::Workspaces& ws,
           std::string_view name20, float du, float dv) {
  std::string full;
  if (!textio::adpath(console, settings.workingPath, name20, full)) return 0;
  std::ifstream in(textio::hostPath(full), std::ios::binary);
  if (!in) {
    console.line("   ERROR: cannot open file " + full);
    return 0;
  }
  std::string line;
  bool header = false;
  while (!header && std::getline(in, line)) {
    header = textio::dropCr(line).substr(0, 11) == "    y  m  d";
  }
  if (!header) {
    console.line("   no line beginning \"    y  m  d\" in " + std::string(textio::trimRight(full)) +
                 "; nothing marked");
    return 0;
  }
  int marked = 0;
  int skipped = 0;
  std::vector<double> values;
  while (std::getline(in, line)) {
    std::string_view text = textio::dropCr(line);
    if (textio::isBlank(text)) continue;
    if (!recordNumbers(text, values) || values.size() < 2) {
      ++skipped;
      continue;
    }
    float p = static_cast<float>(values[values.size() - 2]);
    float q = static_cast<float>(values[values.size() - 1]);
    ws.put(truncToInt(du + p + 0.5f), truncToInt(dv + q + 0.5f), 65534);
    ++marked;
  }
  if (skipped > 0) {
    console.line("   " + std::to_string(skipped) + " line(s) without a u, v pair skipped");
  }
  return marked;
}

float avpix(textio::Console& console, const image::Workspaces& ws) {
  const size_t n = pixelCount(ws);
  float average = 0.0f;
  if (n == 0) {
    console.line("   no image: no pixel to average");
  } else {
    float sum = 0.0f;
    const int32_t* d = ws.w1.data();
    for (size_t p = 0; p < n; ++p) sum += static_cast<float>(d[p]);
    average = sum / static_cast<float>(n);
  }
  console.line(textio::Line("   average pixel value = ").f(average, 8, 0));
  return average;
}

float wavpix(textio::Console& console, const image::Workspaces& ws, int32_t i1, int32_t i2, int32_t j1,
             int32_t j2) {
  const int32_t iLow = std::max(i1, 1), iHigh = std::min(i2, ws.nx);
  const int32_t jLow = std::max(j1, 1), jHigh = std::min(j2, ws.ny);
  float sum = 0.0f;
  int64_t count = 0;
  for (int32_t i = iLow; i <= iHigh; ++i) {
    for (int32_t j = jLow; j <= jHigh; ++j) {
      int32_t value = 0;
      if (!ws.get(i, j, value)) continue;
      sum += static_cast<float>(value);
      ++count;
    }
  }
  float average = 0.0f;
  if (count == 0) {
    console.line("   the box holds no pixel of the image: no pixel to average");
  } else {
    if (iLow > i1 || iHigh < i2 || jLow > j1 || jHigh < j2) {
      console.line("   box reaches outside the image: only the pixels inside are averaged");
    }
    average = sum / static_cast<float>(count);
  }
  console.line(textio::Line("   average pixel value in defined box = ").f(average, 8, 0));
  return average;
}

int32_t roundHalfAway(float x) {
  int32_t t = truncToInt(std::fabs(x) + 0.5f);
  return x < 0.0f ? -t : t;
}

void round(float x, float y, int32_t& ix, int32_t& iy) {
  ix = roundHalfAway(x);
  iy = roundHalfAway(y);
}

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define PELM_WIDER_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define PELM_WIDER_VECTORS
#endif

namespace {

// Per-call scratch of the resampling, kept between frames so a stack allocates it once.
struct RotationScratch {
  std::vector<float> rowCos, rowSin;  // yp * c and yp * s for each sample row b and pixel row j
  std::vector<int32_t> source;        // the framed copy's place of each sample of a block
  std::vector<int32_t> framed;        // workspace 2 inside a frame of zero pixels
};

constexpr size_t kBlock = 64;  // pixels of a column worked together

// truncate(sum / 25) in 4-byte floats. Below 2^23 in size the sum and the quotient's integer
// part are exact in a float, and the quotient, when not whole, lies at least 1/25 from an
// integer while its rounding moves it less than 1/64: the integer quotient is the same.
inline int32_t meanOf25(int64_t sum) {
  constexpr int64_t kExact = int64_t{1} << 23;
  if (sum > -kExact && sum < kExact) return static_cast<int32_t>(sum / 25);
  return truncToInt(static_cast<float>(sum) / 25.0f);
}

}  // namespace

// The samples' arithmetic is exactly that of the rule in the header, term by term: the terms
// that depend only on the column (x c, x s) or only on the row (yp c, yp s) are computed once
// and combined per sample in the same order, so every sample lands on the same pixel.
// The rounding needs no sign: a sample z is inside only when z + 0.5 lies in [1, n + 1),
// where |z| + 0.5 is that same number and its integer part is the pixel. Workspace 2 is read
// from a copy framed by zero pixels (columns 0 and nx + 1, rows 0 and ny + 1); z + 0.5 held
// to [0, n + 1] lands a sample outside the image on the frame, where it adds nothing.
// A column is worked in blocks of 64 pixels: first the 25 samples' places for the whole
// block (in vector lanes), then each pixel's 25 values summed as integers.
// On processors with 256-bit vectors the compiler's second version of this function works
// eight sample places at a time instead of four (chosen when the program starts); the
// arithmetic is the same IEEE single precision either way, with no fused operations.
PELM_WIDER_VECTORS
void iderot(image::Workspaces& ws, float pixelSizeX, float pixelSizeY, image::Combine combine, float du,
            float dv, float angle, float di, float dj) {
  const float theta = angle * 3.14159265358979f / 180.0f;
  const float c = static_cast<float>(std::cos(static_cast<double>(theta)));
  const float s = static_cast<float>(std::sin(static_cast<double>(theta)));
  if (ws.nx <= 0 || ws.ny <= 0) return;
  const int32_t nx = ws.nx, ny = ws.ny;
  const size_t rows = static_cast<size_t>(ny);
  // Rows are worked in whole blocks; the places past the last row are worked too (from rows
  // past the image) and never used.
  const size_t padded = (rows + kBlock - 1) / kBlock * kBlock;
  const size_t height = rows + 2;  // a framed column
  static RotationScratch scratch;
  scratch.rowCos.resize(5 * padded);
  scratch.rowSin.resize(5 * padded);
  scratch.source.resize(25 * kBlock);
  scratch.framed.assign(static_cast<size_t>(nx + 2) * height, 0);
  for (int32_t i = 1; i <= nx; ++i) {
    std::copy_n(ws.w2.data() + ws.index(i, 1), rows, scratch.framed.data() + static_cast<size_t>(i) * height + 1);
  }
  for (int b = -2; b <= 2; ++b) {
    for (size_t k = 0; k < padded; ++k) {
      int32_t j = static_cast<int32_t>(k) + 1;
      float y = static_cast<float>(j) + 0.2f * static_cast<float>(b) + dj;
      float yp = y * pixelSizeX / pixelSizeY;
      size_t at = static_cast<size_t>(b + 2) * padded + k;
      scratch.rowCos[at] = yp * c;
      scratch.rowSin[at] = yp * s;
    }
  }
  const float iEnd = static_cast<float>(nx) + 1.0f, jEnd = static_cast<float>(ny) + 1.0f;
  const int32_t columnStep = ny + 2;
  int32_t* source = scratch.source.data();
  const int32_t* framed = scratch.framed.data();
  for (int32_t i = 1; i <= nx; ++i) {
    float xc[5], xs[5];
    for (int a = -2; a <= 2; ++a) {
      const float x = static_cast<float>(i) + 0.2f * static_cast<float>(a) + di;
      xc[a + 2] = x * c;
      xs[a + 2] = x * s;
    }
    int32_t* column = ws.w1.data() + ws.index(i, 1);
    for (size_t k0 = 0; k0 < rows; k0 += kBlock) {
      for (int a = 0; a < 5; ++a) {
        for (int b = 0; b < 5; ++b) {
          const float* ypc = scratch.rowCos.data() + static_cast<size_t>(b) * padded + k0;
          const float* yps = scratch.rowSin.data() + static_cast<size_t>(b) * padded + k0;
          int32_t* place = source + static_cast<size_t>(a * 5 + b) * kBlock;
          for (size_t k = 0; k < kBlock; ++k) {
            const float xr = xc[a] + yps[k];
            const float yr = (ypc[k] - xs[a]) * pixelSizeY / pixelSizeX;
            float ax = xr + du + 0.5f, ay = yr + dv + 0.5f;
            // Held to the frame; a position that is not a number goes to 0.
            ax = ax > 0.0f ? ax : 0.0f;
            ax = ax < iEnd ? ax : iEnd;
            ay = ay > 0.0f ? ay : 0.0f;
            ay = ay < jEnd ? ay : jEnd;
            place[k] = static_cast<int32_t>(ax) * columnStep + static_cast<int32_t>(ay);
          }
        }
      }
      const size_t count = std::min(kBlock, rows - k0);
      for (size_t k = 0; k < count; ++k) {
        const int32_t* at = source + k;
        int64_t sum = 0;
        for (size_t q = 0; q < 25 * kBlock; q += 5 * kBlock) {
          sum += static_cast<int64_t>(framed[at[q]]) + framed[at[q + kBlock]] + framed[at[q + 2 * kBlock]] +
                 framed[at[q + 3 * kBlock]] + framed[at[q + 4 * kBlock]];
        }
        const int32_t base = combine == image::Combine::Add ? column[k0 + k] : 0;
        column[k0 + k] = base + meanOf25(sum);
      }
    }
  }
}

}  // namespace calib

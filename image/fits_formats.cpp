// Frames read through the FITS library (cfitsio): it finds the image, decompresses tiles
// and gzip files, and applies BSCALE, BZERO and BLANK; 16-bit values are decoded by the
// camera's rules as the plain reader decodes them.
#include "image/fits_formats.h"

#include <fitsio.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace image {

namespace {

fitsfile* handle(void* f) { return static_cast<fitsfile*>(f); }

std::string libraryReason(int status) {
  char text[FLEN_STATUS] = {0};
  fits_get_errstatus(status, text);
  fits_clear_errmsg();
  return std::string("the FITS library reports: ") + text;
}

// True for a card that describes how a compressed image is stored in its table.
bool compressionCard(const std::string& card) {
  static const char* const kExact[] = {"ZIMAGE  ", "ZBITPIX ", "ZCMPTYPE", "ZQUANTIZ", "ZDITHER0", "ZSIMPLE ",
                                       "ZEXTEND ", "ZBLOCKED", "ZTENSION", "ZPCOUNT ", "ZGCOUNT ", "ZHECKSUM",
                                       "ZDATASUM", "ZBLANK  ", "TFIELDS ", "THEAP   "};
  static const char* const kPrefix[] = {"ZNAXIS", "ZTILE", "ZNAME", "ZVAL", "TTYPE", "TFORM", "TUNIT",
                                        "TZERO", "TSCAL", "TNULL", "TDIM"};
  for (const char* k : kExact) {
    if (card.compare(0, 8, k) == 0) return true;
  }
  for (const char* k : kPrefix) {
    if (card.rfind(k, 0) == 0) return true;
  }
  return false;
}

// The header of the current HDU as 80-column cards (no END card); a compressed image's cards
// that describe its table are left out (its size and format are the library's to read).
bool headerCards(fitsfile* f, std::vector<std::string>& cards, int& status) {
  int count = 0, more = 0;
  if (fits_get_hdrspace(f, &count, &more, &status) != 0) return false;
  const bool compressed = fits_is_compressed_image(f, &status) != 0;
  for (int k = 1; k <= count; ++k) {
    char record[FLEN_CARD] = {0};
    if (fits_read_record(f, k, record, &status) != 0) return false;
    std::string card(record);
    card.resize(80, ' ');
    if (compressed && compressionCard(card)) continue;
    cards.push_back(card);
  }
  return status == 0;
}

// The library allocates what a compressed tile's descriptor says before it reads the tile, so
// a damaged table could make it take gigabytes. Every tile of each data column must lie inside
// the table's heap and hold at most 16 bytes for each pixel of the image; false with the reason
// otherwise.
bool tilesInsideHeap(fitsfile* f, int64_t pixels, std::string& reason) {
  int status = 0;
  long long heap = 0, rows = 0;
  if (fits_read_key_lnglng(f, "PCOUNT", &heap, nullptr, &status) != 0 || fits_get_num_rowsll(f, &rows, &status) != 0) {
    reason = libraryReason(status);
    return false;
  }
  const long long limit = 16 * static_cast<long long>(pixels) + 65536;
  if (rows > pixels) {
    reason = "the compressed image has more tiles than pixels (a damaged file)";
    return false;
  }
  for (const char* name : {"COMPRESSED_DATA", "GZIP_COMPRESSED_DATA", "UNCOMPRESSED_DATA"}) {
    int column = 0;
    if (fits_get_colnum(f, CASEINSEN, const_cast<char*>(name), &column, &status) != 0) {
      status = 0;
      fits_clear_errmsg();
      continue;
    }
    int type = 0;
    long long repeat = 0, width = 0;
    if (fits_get_coltypell(f, column, &type, &repeat, &width, &status) != 0) {
      reason = libraryReason(status);
      return false;
    }
    if (type >= 0) continue;  // a column of fixed width holds no descriptors
    const long long bytes = std::max(1LL, width);
    for (long long row = 1; row <= rows; ++row) {
      long long length = 0, offset = 0;
      if (fits_read_descriptll(f, column, row, &length, &offset, &status) != 0) {
        reason = libraryReason(status);
        return false;
      }
      if (length < 0 || offset < 0 || length > limit / bytes || offset > heap - length * bytes) {
        reason = "a compressed tile lies outside its table (a damaged file)";
        return false;
      }
    }
  }
  return true;
}

// A physical value in the workspace's integer range.
int32_t workspaceValue(double x, int64_t& clipped) {
  double r = std::round(x);
  if (r > 2147483647.0) {
    ++clipped;
    return std::numeric_limits<int32_t>::max();
  }
  if (r < -2147483648.0) {
    ++clipped;
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(r);
}

}  // namespace

FitsImageFile::~FitsImageFile() {
  if (file_ != nullptr) {
    int status = 0;
    fits_close_file(handle(file_), &status);
    fits_clear_errmsg();
  }
}

bool FitsImageFile::open(const std::string& hostPath, std::string& reason) {
  int status = 0;
  fitsfile* f = nullptr;
  if (fits_open_diskfile(&f, hostPath.c_str(), READONLY, &status) != 0) {
    reason = libraryReason(status);
    return false;
  }
  file_ = f;
  int hdus = 0;
  if (fits_get_num_hdus(f, &hdus, &status) != 0) {
    reason = libraryReason(status);
    return false;
  }
  std::vector<std::string> primary;
  for (int k = 1; k <= hdus; ++k) {
    int type = 0;
    if (fits_movabs_hdu(f, k, &type, &status) != 0) {
      reason = libraryReason(status);
      return false;
    }
    if (k == 1 && !headerCards(f, primary, status)) {
      reason = libraryReason(status);
      return false;
    }
    if (type != IMAGE_HDU) continue;
    long axes[3] = {0, 0, 0};
    if (fits_get_img_param(f, 3, &bitpix_, &naxis_, axes, &status) != 0) {
      reason = libraryReason(status);
      return false;
    }
    if (naxis_ == 0) continue;
    for (int a = 0; a < 3; ++a) axes_[a] = axes[a];
    // (A product of absurd sizes is cut at 10^11 pixels; the frame's size is checked later.)
    const double product = std::max(1.0, static_cast<double>(axes[0])) * std::max(1.0, static_cast<double>(axes[1])) *
                           std::max(1.0, static_cast<double>(axes[2]));
    const auto pixels = static_cast<int64_t>(std::min(1e11, product));
    if (fits_is_compressed_image(f, &status) != 0 && !tilesInsideHeap(f, pixels, reason)) return false;
    if (k > 1) {
      cards_ = primary;
      primaryCards_ = primary.size();
      if (!headerCards(f, cards_, status)) {
        reason = libraryReason(status);
        return false;
      }
    } else {
      cards_ = primary;
    }
    return true;
  }
  reason = "the file holds no image";
  return false;
}

bool FitsImageFile::read(const FrameHeader& h, const PixelRules& rules, std::vector<int32_t>& values,
                         int64_t& blank, int64_t& clipped, bool& stripped, std::string& reason) {
  fitsfile* f = handle(file_);
  int status = 0;
  const size_t nx = static_cast<size_t>(h.nx), ny = static_cast<size_t>(h.ny);
  values.assign(nx * ny, 0);
  blank = clipped = 0;
  stripped = false;
  const bool raw16 = h.bitpix == 16;
  // 16-bit frames: the stored values themselves, for the camera's rules.
  if (raw16 && fits_set_bscale(f, 1.0, 0.0, &status) != 0) {
    reason = libraryReason(status);
    return false;
  }
  constexpr size_t kRowsPerRead = 64;
  std::vector<double> real;
  std::vector<short> stored;
  std::vector<char> nulls;
  for (size_t row = 0; row < ny; row += kRowsPerRead) {
    const size_t rows = std::min(kRowsPerRead, ny - row);
    const size_t n = rows * nx;
    long first[3] = {1, static_cast<long>(row + 1), 1};
    nulls.assign(n, 0);
    int anyNull = 0;
    if (raw16) {
      stored.resize(n);
      fits_read_pixnull(f, TSHORT, first, static_cast<LONGLONG>(n), stored.data(), nulls.data(), &anyNull, &status);
    } else {
      real.resize(n);
      fits_read_pixnull(f, TDOUBLE, first, static_cast<LONGLONG>(n), real.data(), nulls.data(), &anyNull, &status);
    }
    if (status != 0) {
      reason = libraryReason(status);
      return false;
    }
    int32_t* out = values.data() + row * nx;
    for (size_t k = 0; k < n; ++k) {
      if (nulls[k] != 0) {
        ++blank;
        out[k] = 0;
        continue;
      }
      double x;
      if (raw16) {
        const auto code = static_cast<uint16_t>(stored[k]);
        bool s = false;
        const int32_t decoded = decodePixel(static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF), rules,
                                            h.bzero, s);
        stripped = s;
        x = h.bscale == 1.0 ? static_cast<double>(decoded)
                            : static_cast<double>(h.bzero) + h.bscale * (static_cast<double>(decoded) - h.bzero);
      } else {
        x = real[k];
      }
      if (std::isnan(x)) {
        ++blank;
        out[k] = 0;
        continue;
      }
      out[k] = workspaceValue(x, clipped);
    }
  }
  return true;
}

}  // namespace image

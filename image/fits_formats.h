// Frames in the FITS formats beyond plain 16-bit integers, read through the FITS library:
// 8-, 32- and 64-bit integers, 32- and 64-bit floats, BSCALE and BLANK, an image in the first
// image extension, tile-compressed images and gzip-compressed files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/fits_header.h"
#include "image/fits_load.h"

namespace image {

/// One image of a FITS file opened with the FITS library.
class FitsImageFile {
 public:
  FitsImageFile() = default;
  FitsImageFile(const FitsImageFile&) = delete;
  FitsImageFile& operator=(const FitsImageFile&) = delete;
  ~FitsImageFile();

  /// Opens the file at a host path and finds its image: the primary one, or when the primary
  /// header has no data the first image extension. False with the reason when there is none
  /// or the file cannot be read.
  [[nodiscard]] bool open(const std::string& hostPath, std::string& reason);
  /// The image's header cards as the uncompressed image would have them (a compressed image's
  /// table cards translated), after the primary header's when the image is an extension; no
  /// END card.
  const std::vector<std::string>& cards() const { return cards_; }
  /// How many of the cards are the primary header's (0 when the image is the primary one).
  size_t primaryCards() const { return primaryCards_; }
  /// The image's pixel format and axes as the library reads them.
  int bitpix() const { return bitpix_; }
  int naxis() const { return naxis_; }
  int64_t axis(int k) const { return k < naxis_ && k < 3 ? axes_[k] : 1; }

  /// Reads the nx x ny physical values row after row into `values`, rounded to the nearest
  /// integer (halves away from zero) and held to the 32-bit range. 16-bit stored values are
  /// decoded by the camera's rules with `h.bzero`, then scaled by BSCALE about BZERO; other
  /// formats are BZERO + BSCALE x stored. Blank (BLANK or NaN) pixels become 0. False with
  /// the reason when the data cannot be read (truncated or corrupt).
  [[nodiscard]] bool read(const FrameHeader& h, const PixelRules& rules, std::vector<int32_t>& values,
                          int64_t& blank, int64_t& clipped, bool& stripped, std::string& reason);

 private:
  void* file_ = nullptr;
  std::vector<std::string> cards_;
  size_t primaryCards_ = 0;
  int bitpix_ = 0, naxis_ = 0;
  int64_t axes_[3] = {0, 0, 0};
};

}  // namespace image

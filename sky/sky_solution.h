// The sky solution of a frame: its world coordinate system read from the FITS header
// cards through wcslib (TAN with CD, PC + CDELT or CDELT + CROTA2, TAN-SIP, TPV), turning
// pixel positions into right ascension and declination (ICRS, or FK5 J2000).
#pragma once

#include <memory>
#include <string>
#include <string_view>

struct wcsprm;

namespace sky {

/// A direction on the sky, degrees: ra 0..360, dec -90..90.
struct SkyPosition {
  double ra = 0.0;
  double dec = 0.0;
};

/// A parsed sky solution. Pixel positions are pelm's u, v: the centre of the first pixel of
/// the first row is (1, 1), as FITS counts pixels.
class SkySolution {
 public:
  ~SkySolution();
  SkySolution(const SkySolution&) = delete;
  SkySolution& operator=(const SkySolution&) = delete;

  /// Reads the primary solution from header cards (80-character cards, concatenated, END
  /// optional). nullptr with `problem` set (a short phrase) when there is none that can be
  /// used: no celestial CTYPE pair, an unknown projection, a singular matrix, values that are
  /// not finite, a reference system other than ICRS or FK5 J2000.
  static std::unique_ptr<SkySolution> fromCards(std::string_view cards, std::string& problem);

  /// The sky position of pixel (u, v); false when the pixel has none (off the projection).
  [[nodiscard]] bool toSky(double u, double v, SkyPosition& out) const;

  /// The projection as the header names it ("TAN", "TAN-SIP", "TPV") and the system.
  const std::string& projection() const { return projection_; }
  const std::string& system() const { return system_; }

 private:
  SkySolution() = default;
  int count_ = 0;             // solutions wcspih returned
  struct wcsprm* all_ = nullptr;
  struct wcsprm* wcs_ = nullptr;  // the primary one
  std::string projection_;
  std::string system_;
};

/// Angular separation of two directions, arcseconds.
double separationArcsec(const SkyPosition& a, const SkyPosition& b);

/// Offsets of b from a in arcseconds: along right ascension times cos(dec), and in declination.
void offsetsArcsec(const SkyPosition& a, const SkyPosition& b, double& dRaCosDec, double& dDec);

}  // namespace sky

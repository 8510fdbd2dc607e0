// One light-curve session in the Asteroid Lightcurve Data Exchange Format (ALCDEF): a
// metadata block of KEYWORD=value lines and a data block of JD|MAG|MAGERR lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lightcurve/light_curve_file.h"

namespace lightcurve {

/// Longest line the format allows, in characters.
constexpr size_t kAlcdefLineLength = 255;

/// What the observer tells about the session.
struct AlcdefSession {
  int64_t objectNumber = 0;   // 0 when unnumbered
  std::string objectName;     // name, or the designation when unnamed
  std::string mpcDesignation; // e.g. "1994 CJ1"
  std::string observers;      // names, separated by semicolons
  std::string contactName;
  std::string contactInfo;    // an e-mail address is put in brackets when it is not
  std::string filter = "C";   // C (clear) or a standard band, upper case
  double longitude = 0.0;     // degrees, east positive (-180..360, written as -180..180)
  double latitude = 0.0;      // degrees, north positive
  bool allowSharing = false;  // ALLOWSHARING: the observer lets the archive pass the data on
  bool objectPosition = false;  // the object's RA and Dec are known (OBJECTRA, OBJECTDEC)
  double objectRa = 0.0, objectDec = 0.0;  // degrees, J2000
  std::string mpcCode;        // observatory code (MPCCODE), blank when unknown
  std::string facility;       // telescope and site (FACILITY), blank when unknown
  std::string timesComment;   // a COMMENT line on where the JDs come from, blank for none
  /// Sky positions of the comparison stars, in the order of the curve's references (shorter
  /// or marked unknown where the night has no sky solution or a star is not in the table).
  struct Comparison {
    bool known = false;
    double ra = 0.0, dec = 0.0;  // degrees, J2000
  };
  std::vector<Comparison> comparisons;
};

/// True when every error of the curve prints as 0.000 (the photometry was measured without
/// errors).
[[nodiscard]] bool errorsAllZero(const LightCurve& curve);

/// Empty when the session can be written; otherwise one console line saying what is wrong
/// (a required value blank, a filter the format does not know, a position out of range,
/// a character that is not printable ASCII, a line over 255 characters).
std::string checkAlcdef(const AlcdefSession& session, const LightCurve& curve);

/// The text of the session: STARTMETADATA ... ENDMETADATA with the object, the session's
/// UT date and time (the middle of the first and last points), contact, observers, site,
/// filter and band (MAGBAND is the filter, R for clear), DIFFERMAGS=TRUE, STANDARD=NONE,
/// LTCAPP=NONE and LTCTYPE=NONE (the JD are UTC, not light-time corrected), REDUCEDMAGS=NONE,
/// REVISEDDATA=FALSE, ALLOWSHARING, OBJECTRA/OBJECTDEC, MPCCODE and FACILITY where known,
/// one COMPNAMEn per reference star, DELIMITER=PIPE; then one DATA=JD|MAG|MAGERR line per
/// point (JD 6 decimals, magnitudes 3) and ENDDATA.
std::string alcdefText(const AlcdefSession& session, const LightCurve& curve);

}  // namespace lightcurve

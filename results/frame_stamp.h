// The mid-exposure time of a frame, and the object's position and the site where its header
// gives them, read from the header cards of the frame's FITS file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "results/time_scales.h"

namespace results {

/// What a frame's header says about when and where it was taken.
struct FrameStamp {
  UtcDate mid;               // UTC of mid-exposure
  double exposure = 0.0;     // seconds, 0 when the header gives none
  bool hasPosition = false;  // the header gives the object's RA and Dec
  double ra = 0.0, dec = 0.0;  // degrees (ICRS/J2000 as the header gives them)
  bool hasSite = false;      // the header gives the site's longitude and latitude
  Site site;
  bool hasStartEnd = false;  // the time came from UT-START and UT-END
  double startEndSpan = 0.0; // their difference, seconds (past midnight counted on)
  bool hasTwoStarts = false; // DATE-OBS holds a time and TIME-OBS is given as well
  double startDifference = 0.0;  // DATE-OBS's time minus TIME-OBS, seconds
};

/// The 80-character cards of a FITS header given as its bytes, up to the END card; empty
/// when there is no END card within the bytes.
std::vector<std::string> headerCards(std::string_view bytes);

/// The frame's stamp from its cards. The time of mid-exposure comes from UT-START and
/// UT-END (their middle), else from a start time (DATE-OBS with a time, TIME-OBS or UT) plus
/// half of EXPTIME (else EXPOSURE), else from the start time alone; the date from DATE-OBS
/// (yyyy-mm-dd, or dd/mm/yy as FITS once wrote it); an end time earlier than the start
/// passes midnight. Position from OBJCTRA/OBJCTDEC (sexagesimal hours and degrees) or RA/DEC
/// (degrees, or sexagesimal); site from SITELONG/SITELAT (or LONG-OBS/LAT-OBS, OBSGEO-L/
/// OBSGEO-B) and SITEELEV/ALT-OBS/OBSGEO-H. False, with `why` set, when the date or the time
/// is missing or cannot be read.
[[nodiscard]] bool frameStamp(const std::vector<std::string>& cards, FrameStamp& out, std::string& why);

/// Reads the header of the FITS file `hostName` (at most 100 blocks) into a stamp; false with
/// `why` when the file cannot be read or its header gives no usable time.
[[nodiscard]] bool readFrameStamp(const std::string& hostName, FrameStamp& out, std::string& why);

/// A sexagesimal or decimal angle ("12 34 56.7", "12:34:56.7", "-05 06 07", "188.5"); false
/// when it is not one. Sexagesimal values are in the unit of their first field.
[[nodiscard]] bool parseAngle(std::string_view text, double& value, bool& sexagesimal);

}  // namespace results

// Astrometric reports for the Minor Planet Center: the ADES 2022 PSV form and the
// 80-column observation format, built from sky positions at UTC instants.
#pragma once

#include <string>
#include <vector>

#include "sky/site.h"
#include "sky/sky_solution.h"
#include "sky/utc_time.h"

namespace sky {

/// How an object is named in a report.
struct Designation {
  enum class Kind { Permanent, Provisional, Temporary };
  Kind kind = Kind::Temporary;
  std::string text;  // as ADES writes it: "433", "2026 AB12", "pelm01"
};

/// Reads a designation: digits are a permanent number, "2026 AB12" a provisional
/// designation, up to 7 letters, digits, '-' or '_' a temporary one (trkSub). Empty with a
/// message phrase in `problem` otherwise.
[[nodiscard]] bool parseDesignation(const std::string& typed, Designation& out, std::string& problem);

/// One reported position.
struct ReportedPosition {
  UtcTime time;      // mid-exposure, UTC
  SkyPosition sky;   // ICRS, degrees
};

/// What the report says besides the positions.
struct ReportContext {
  Site site;
  Designation designation;
  std::string catalogue = "Gaia3";  // astCat of ADES (8 characters at most)
  double rmsRa = 0.0;               // arcsec, along RA times cos(dec)
  double rmsDec = 0.0;              // arcsec
};

/// Empty when the catalogue name is one ADES accepts (1..8 of letters, digits, '.', '_').
std::string checkCatalogue(const std::string& catalogue);

/// The ADES PSV text: header blocks version, observatory, submitter, observers, measurers,
/// telescope, software; a column line; one optical record per position.
std::string adesPsv(const ReportContext& context, const std::vector<ReportedPosition>& positions);

/// The 80-column observation lines (note 2 'C', date to 1e-6 day, RA to 0.001 s, Dec to 0.01").
std::string mpc80(const ReportContext& context, const std::vector<ReportedPosition>& positions);

/// Right ascension as "hh mm ss.sss" and declination as "+dd mm ss.ss" (rounded, carried).
std::string raSexagesimal(double raDeg);
std::string decSexagesimal(double decDeg);

}  // namespace sky

// The exported tables of a photometry log, a light curve and an alignment table: each row's
// UTC mid-exposure time from its frame's own header where the frame can be read, JD (UTC),
// BJD_TDB and airmass where the site and the object's position are known, and the file's
// values with names, units and descriptions.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "results/export_table.h"
#include "results/frame_stamp.h"
#include "results/result_tables.h"

namespace results {

/// Finds a frame by the name a table gives it and reads its stamp; false when it cannot.
using FrameLookup = std::function<bool(const std::string& frame, FrameStamp& stamp)>;

/// What is known besides the frames' headers: a site (site.txt) and an object position that
/// take the place of the headers' own.
struct ExportContext {
  std::optional<Site> site;
  std::optional<std::pair<double, double>> object;  // RA, Dec in degrees (ICRS)
  std::string source;  // the file exported, for the table's meta
  /// The contamination flags of the last photometry run (photflags.txt): frame name without
  /// file type, then object label, to the flag word. Empty: the tables carry no flag column.
  std::map<std::string, std::map<std::string, std::string>> flags;
};

/// How the rows' times were found, for the console.
struct TimeSources {
  int fromHeaders = 0;   // rows timed from their frame's header
  int fromTable = 0;     // rows timed from the table's own (rounded) hours
  int withBjd = 0;       // rows with BJD_TDB
};

Table photLogTable(const PhotLog& log, const FrameLookup& lookup, const ExportContext& context, TimeSources& sources);

/// The time of each row of a light curve: its frame (the alignment entry whose time rounds to
/// the row's time to dmag's 0.001 h, when exactly one does) and that frame's header when it
/// can be read, else the row's date and hours.
struct RowTime {
  std::string frame;  // blank when no single alignment entry matches
  UtcDate utc;
  bool fromHeader = false;
  FrameStamp stamp;   // the frame's header values when fromHeader
};
std::vector<RowTime> lightCurveTimes(const ResTable& curve, const std::vector<AlignRow>& alignment,
                                     const FrameLookup& lookup);

/// `alignment` (may be empty) names the frame of each row: the entry whose time rounds to the
/// row's time to dmag's 0.001 h, when exactly one does.
Table lightCurveTable(const ResTable& curve, const std::vector<AlignRow>& alignment, const FrameLookup& lookup,
                      const ExportContext& context, TimeSources& sources);

/// Rows without a readable frame are timed from the table's hours on the night's date (the
/// date of the first frame that could be read); without any such frame there is no date,
/// and the table holds no UTC and JD columns.
Table alignmentTable(const std::vector<AlignRow>& rows, const FrameLookup& lookup, const ExportContext& context,
                     TimeSources& sources);

/// What the AAVSO Extended format needs beyond the light curve.
struct AavsoAnswers {
  int column = 1;         // the variable's column (1-10)
  int checkColumn = 0;    // the check star's column, 0 for none
  std::string obscode;    // AAVSO observer code
  std::string starName;   // the variable's name
  std::string filter = "CV";
  std::string chart = "na";
};

/// Empty when the answers can be written; else one console line.
std::string checkAavso(const AavsoAnswers& answers, const ResTable& curve);

/// The AAVSO Extended file: #TYPE=EXTENDED, #OBSCODE, #SOFTWARE, #DELIM=,, #DATE=JD,
/// #OBSTYPE=CCD, then NAME,DATE,MAG,MERR,FILT,TRANS,MTYPE,CNAME,CMAG,KNAME,KMAG,AMASS,GROUP,
/// CHART,NOTES per observation with a value ("na" where unknown). DATE is the JD (UTC) of
/// mid-exposure; MTYPE is DIF (magnitudes against the normalising stars, ENSEMBLE when
/// there are several).
std::string aavsoText(const AavsoAnswers& answers, const ResTable& curve, const Table& exported);

}  // namespace results

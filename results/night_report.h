// The night report (night-report.md): what an observer reads in a minute to know whether the
// night is good. Frames listed and aligned; offsets, rotation and star width through the
// night; contamination and timing flags; the scatter of each light-curve column; the
// astrometric residual rms; and the pictures beside it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "results/result_tables.h"

namespace results {

/// One light-curve column's scatter about its mean (values of 99.999 and above left out).
struct ColumnScatter {
  std::string name;
  int points = 0;
  double rms = 0.0;  // magnitudes (or ratio units)
};

/// Everything the report says; a part that was not found stays empty.
struct NightFacts {
  int listed = 0;                        // names in filelist.txt
  std::vector<AlignRow> alignment;       // align.dat
  std::map<std::string, std::map<std::string, int>> flags;  // object code -> flag word -> measurements
  std::vector<std::string> timing;       // timing anomaly lines
  std::string lightCurve;                // the light-curve file read ("" none)
  std::vector<ColumnScatter> scatter;
  std::string astrometry;                // the ADES report read ("" none)
  int positions = 0;
  double rmsRa = 0.0, rmsDec = 0.0;      // arcsec
  std::vector<std::string> pictures;     // picture files beside the report
};

/// The scatter of every named column of a light curve.
std::vector<ColumnScatter> columnScatter(const ResTable& curve);

/// The report as Markdown.
std::string nightReport(const NightFacts& facts);

/// The console summary, one line each: frames, flags, scatter, astrometry.
std::vector<std::string> nightSummary(const NightFacts& facts);

}  // namespace results

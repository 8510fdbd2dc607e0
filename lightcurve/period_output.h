// What a period search prints and writes: the console lines, the report with the whole
// chi-square scan (period.txt), the periodogram and the phased light curve as SVG pictures.
#pragma once

#include <string>
#include <vector>

#include "lightcurve/period_search.h"

namespace lightcurve {

/// The result lines as the console shows them: best period and error, amplitude, rms
/// residual, points used, chi2/nu, then the next best minima and the values at half and at
/// double the best period.
std::vector<std::string> periodLines(const PeriodResult& r);

/// The report: input files with their points, the settings, the result lines, and the scan,
/// one trial a line (period in hours, chi2/nu), longest period first.
std::string periodReport(const PeriodResult& r, const std::vector<std::string>& files,
                         const std::vector<int>& filePoints, int column, int order, double shortest,
                         double longest);

/// chi2/nu against trial period, the best period marked.
std::string periodogramSvg(const PeriodResult& r);

/// The points folded at the best period (phase 0 at the earliest observation), each session
/// in its own colour and shifted by its fitted zero point onto the first session's, with the
/// fitted curve; magnitudes increase downwards. `files` names the sessions in the legend.
std::string phasedSvg(const PeriodResult& r, const PeriodData& data, const std::vector<std::string>& files);

}  // namespace lightcurve

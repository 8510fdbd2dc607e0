// Timing sanity lines for a batch of frames.
#include "results/timing_checks.h"

#include <cmath>
#include <cstdio>

namespace results {

namespace {

std::string seconds(double s) {
  char b[32];
  std::snprintf(b, sizeof b, "%.1f s", s);
  return b;
}

// The UTC date (as a day number) of a moment.
long long dayOf(const UtcDate& t) { return static_cast<long long>(std::floor(t.jd() - 0.5)); }

}  // namespace

std::vector<std::string> timingAnomalies(const std::vector<std::pair<std::string, FrameStamp>>& frames) {
  std::vector<std::string> out;
  int crossings = 0;
  for (size_t k = 0; k < frames.size(); ++k) {
    const std::string head = "   timing - " + frames[k].first + ": ";
    const FrameStamp& f = frames[k].second;
    if (f.hasStartEnd && f.exposure > 0.0 && std::fabs(f.startEndSpan - f.exposure) > kClockTolerance) {
      out.push_back(head + "UT-START to UT-END is " + seconds(f.startEndSpan) + ", the exposure " + seconds(f.exposure));
    }
    if (f.hasTwoStarts && std::fabs(f.startDifference) > kClockTolerance) {
      out.push_back(head + "the time in DATE-OBS is " + seconds(f.startDifference) + " from TIME-OBS");
    }
    if (k == 0) continue;
    const FrameStamp& p = frames[k - 1].second;
    const double gap = (f.mid.jd1 - p.mid.jd1 + f.mid.jd2 - p.mid.jd2) * 86400.0;
    if (!(gap > 0.0)) {
      out.push_back(head + "taken " + seconds(-gap) + " before " + frames[k - 1].first + ", not after it");
    } else if (gap + kClockTolerance < 0.5 * (f.exposure + p.exposure)) {
      out.push_back(head + seconds(gap) + " after " + frames[k - 1].first + ", less than the exposure");
    }
    if (dayOf(f.mid) != dayOf(p.mid) && ++crossings == 2) {
      out.push_back(head + "the batch crosses midnight (UTC) a second time");
    }
  }
  return out;
}

}  // namespace results

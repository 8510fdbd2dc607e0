// Writing the night report.
#include "results/night_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace results {

namespace {

constexpr double kNoValue = 99.999 - 0.0005;

std::string number(double v, int decimals) {
  char b[48];
  std::snprintf(b, sizeof b, "%.*f", decimals, v);
  return b;
}

struct Range {
  double lo = 0.0, hi = 0.0;
  bool any = false;
  void add(double v) {
    lo = any ? std::min(lo, v) : v;
    hi = any ? std::max(hi, v) : v;
    any = true;
  }
  std::string text(int decimals) const {
    return any ? number(lo, decimals) + " to " + number(hi, decimals) : std::string("-");
  }
};

int alignedCount(const NightFacts& f) {
  return static_cast<int>(std::count_if(f.alignment.begin(), f.alignment.end(), [](const AlignRow& r) { return r.aligned; }));
}

int contaminated(const std::map<std::string, int>& words) {
  int n = 0;
  for (const auto& [w, count] : words)
    if (w == "aperture" || w == "sky") n += count;
  return n;
}

int measured(const std::map<std::string, int>& words) {
  int n = 0;
  for (const auto& [w, count] : words) n += count;
  return n;
}

void frames(const NightFacts& f, std::string& out) {
  out += "## Frames\n\n";
  out += "| listed | in align.dat | aligned | not aligned |\n|---|---|---|---|\n";
  const int aligned = alignedCount(f);
  out += "| " + std::to_string(f.listed) + " | " + std::to_string(f.alignment.size()) + " | " + std::to_string(aligned) +
         " | " + std::to_string(static_cast<int>(f.alignment.size()) - aligned) + " |\n\n";
  Range hours, du, dv, rotation, fwhm;
  for (const AlignRow& r : f.alignment) {
    if (!r.aligned) continue;
    hours.add(r.hours), du.add(r.du), dv.add(r.dv), rotation.add(r.rotation), fwhm.add(r.fwhm);
  }
  out += "| through the night | range |\n|---|---|\n";
  out += "| time (h UT) | " + hours.text(4) + " |\n| du (pixels) | " + du.text(2) + " |\n| dv (pixels) | " + dv.text(2) +
         " |\n| rotation (degrees) | " + rotation.text(3) + " |\n| fwhm (pixels) | " + fwhm.text(0) + " |\n\n";
  for (const AlignRow& r : f.alignment)
    if (!r.aligned) out += "- not aligned: " + r.frame + "\n";
  if (aligned != static_cast<int>(f.alignment.size())) out += "\n";
}

void flags(const NightFacts& f, std::string& out) {
  out += "## Flags\n\n";
  if (f.flags.empty()) {
    out += "No photflags.txt: the photometry has not run since the flags exist.\n\n";
  } else {
    out += "| object | measurements | contaminated | aperture | sky | steady | skybox | clean | nolist |\n"
           "|---|---|---|---|---|---|---|---|---|\n";
    for (const auto& [code, words] : f.flags) {
      out += "| " + code + " | " + std::to_string(measured(words)) + " | " + std::to_string(contaminated(words));
      for (const char* w : {"aperture", "sky", "steady", "skybox", "clean", "nolist"}) {
        auto it = words.find(w);
        out += " | " + std::to_string(it == words.end() ? 0 : it->second);
      }
      out += " |\n";
    }
    out += "\n";
  }
  if (f.timing.empty()) {
    out += "Timing: no anomaly in the headers of the listed frames.\n\n";
  } else {
    out += "Timing:\n\n";
    for (const std::string& l : f.timing) out += "- " + l.substr(l.find_first_not_of(' ')) + "\n";
    out += "\n";
  }
}

void photometry(const NightFacts& f, std::string& out) {
  out += "## Photometry\n\n";
  if (f.lightCurve.empty()) {
    out += "No light curve given.\n\n";
    return;
  }
  out += "Scatter of each column of " + f.lightCurve + " about its mean:\n\n| column | points | rms |\n|---|---|---|\n";
  for (const ColumnScatter& c : f.scatter)
    out += "| " + c.name + " | " + std::to_string(c.points) + " | " + number(c.rms, 4) + " |\n";
  out += "\n";
}

void astrometry(const NightFacts& f, std::string& out) {
  out += "## Astrometry\n\n";
  if (f.astrometry.empty()) {
    out += "No astrometric report found.\n\n";
    return;
  }
  out += std::to_string(f.positions) + " positions in " + f.astrometry + "; rms of the residuals " + number(f.rmsRa, 3) +
         "\" in RA, " + number(f.rmsDec, 3) + "\" in Dec.\n\n";
}

}  // namespace

std::vector<ColumnScatter> columnScatter(const ResTable& curve) {
  std::vector<ColumnScatter> out;
  for (size_t k = 0; k < 10; ++k) {
    if (curve.names[k].empty()) continue;
    ColumnScatter c;
    c.name = curve.names[k];
    double sum = 0.0, squares = 0.0;
    for (const ResRow& r : curve.rows) {
      const double v = r.value[k];
      if (!std::isfinite(v) || (curve.magnitudes && v >= kNoValue)) continue;
      sum += v;
      squares += v * v;
      ++c.points;
    }
    if (c.points > 0) {
      const double mean = sum / c.points;
      c.rms = std::sqrt(std::max(0.0, squares / c.points - mean * mean));
    }
    out.push_back(c);
  }
  return out;
}

std::string nightReport(const NightFacts& f) {
  std::string out = "# Night report\n\n";
  frames(f, out);
  flags(f, out);
  photometry(f, out);
  astrometry(f, out);
  if (!f.pictures.empty()) {
    out += "## Pictures\n\n";
    for (const std::string& p : f.pictures) out += "![" + p + "](" + p + ")\n";
    out += "\n";
  }
  return out;
}

std::vector<std::string> nightSummary(const NightFacts& f) {
  std::vector<std::string> out;
  out.push_back("   frames: " + std::to_string(f.listed) + " listed, " + std::to_string(alignedCount(f)) + " of " +
                std::to_string(f.alignment.size()) + " in align.dat aligned");
  for (const auto& [code, words] : f.flags)
    out.push_back("   " + code + ": " + std::to_string(contaminated(words)) + " of " + std::to_string(measured(words)) +
                  " measurements contaminated");
  out.push_back("   timing anomalies: " + std::to_string(f.timing.size()));
  for (const ColumnScatter& c : f.scatter)
    out.push_back("   scatter of " + c.name + ": " + number(c.rms, 4) + " (" + std::to_string(c.points) + " points)");
  if (!f.astrometry.empty())
    out.push_back("   astrometric rms (arcsec): RA " + number(f.rmsRa, 3) + "  Dec " + number(f.rmsDec, 3));
  return out;
}

}  // namespace results

// The night report from the files a night's reduction leaves in the working path.
#include "app/report_command.h"

#include <filesystem>
#include <fstream>

#include "app/answers.h"
#include "app/frame_times.h"
#include "app/working_path.h"
#include "lightcurve/light_curve_file.h"
#include "lightcurve/svg_axes.h"
#include "lightcurve/svg_text.h"
#include "phot/phot_flags.h"
#include "results/night_report.h"
#include "textio/fixed_text.h"
#include "textio/free_format.h"
#include "textio/paths.h"

namespace app {

namespace {

int listedFrames(Session& s) {
  std::ifstream in(hostName(s, "filelist.txt"), std::ios::binary);
  std::string line;
  int64_t n = 0;
  if (!in || !std::getline(in, line) || !textio::parseInt(textio::trim(textio::dropCr(line)), n)) return 0;
  return n > 0 && n < 100000 ? static_cast<int>(n) : 0;
}

void readFlags(Session& s, results::NightFacts& f) {
  std::ifstream in(hostName(s, phot::kPhotFlagsFile), std::ios::binary);
  if (!in) return;
  for (const auto& [frame, objects] : phot::readPhotFlags(in))
    for (const auto& [code, flag] : objects) f.flags[code][std::string(phot::contaminationWord(flag))] += 1;
}

void readLightCurve(Session& s, const std::string& name, results::NightFacts& f) {
  if (name.empty()) return;
  std::vector<std::string> lines;
  results::ResTable curve;
  std::string error;
  const std::string host = hostName(s, name);
  if (host.empty() || !lightcurve::readTextLines(host, lines) || !results::readResTable(lines, name, curve, error)) {
    s.console.line(error.empty() ? "   error - cannot read " + name + "; no photometry in the report" : error);
    return;
  }
  f.lightCurve = name;
  f.scatter = results::columnScatter(curve);
  const std::string picture = name.substr(0, name.rfind('.')) + ".svg";
  std::error_code ec;
  if (std::filesystem::is_regular_file(hostName(s, picture), ec)) f.pictures.push_back(picture);
}

// The rms of the ADES report's first record (every record carries the same).
void readAstrometry(Session& s, results::NightFacts& f) {
  std::ifstream in(hostName(s, "astrometry.psv"), std::ios::binary);
  if (!in) return;
  std::vector<std::string> columns;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#' || line[0] == '!') continue;
    std::vector<std::string> fields;
    size_t b = 0;
    for (size_t e; (e = line.find('|', b)) != std::string::npos; b = e + 1) fields.emplace_back(textio::trim(line.substr(b, e - b)));
    fields.emplace_back(textio::trim(textio::dropCr(line.substr(b))));
    if (columns.empty()) {
      columns = fields;
      continue;
    }
    ++f.positions;
    if (f.positions > 1) continue;
    for (size_t k = 0; k < columns.size() && k < fields.size(); ++k) {
      double v = 0.0;
      if (columns[k] == "rmsRA" && textio::parseReal(fields[k], v)) f.rmsRa = v;
      if (columns[k] == "rmsDec" && textio::parseReal(fields[k], v)) f.rmsDec = v;
    }
  }
  if (f.positions > 0) f.astrometry = "astrometry.psv";
}

struct Series {
  std::vector<double> x, y;
  std::string colour, label;
};

// A picture of one or two series against time (hours UT).
// `minimumSpan`: the least range of the value axis, so that values known only to whole units
// (the fwhm in pixels) are not drawn on an axis of thousandths.
std::string timePicture(const std::string& title, const std::string& yLabel, const std::vector<Series>& series,
                        double minimumSpan = 0.0) {
  lightcurve::PlotAxes axes;
  bool any = false;
  for (const Series& s : series)
    for (size_t k = 0; k < s.x.size(); ++k) {
      axes.x0 = any ? std::min(axes.x0, s.x[k]) : s.x[k];
      axes.x1 = any ? std::max(axes.x1, s.x[k]) : s.x[k];
      axes.y0 = any ? std::min(axes.y0, s.y[k]) : s.y[k];
      axes.y1 = any ? std::max(axes.y1, s.y[k]) : s.y[k];
      any = true;
    }
  if (axes.y1 - axes.y0 < minimumSpan) {
    const double middle = 0.5 * (axes.y0 + axes.y1);
    axes.y0 = middle - 0.5 * minimumSpan, axes.y1 = middle + 0.5 * minimumSpan;
  }
  lightcurve::widenRange(axes.x0, axes.x1);
  lightcurve::widenRange(axes.y0, axes.y1);
  std::vector<std::string> notes;
  for (const Series& s : series) notes.push_back(s.label + ": " + s.colour);
  std::string svg = lightcurve::svgFrame(axes, title, "time (h UT)", yLabel, notes);
  for (const Series& s : series) {
    svg += "<g class='points' fill='" + s.colour + "'>\n";
    for (size_t k = 0; k < s.x.size(); ++k)
      svg += "<circle cx='" + lightcurve::svgNumber(axes.px(s.x[k])) + "' cy='" + lightcurve::svgNumber(axes.py(s.y[k])) +
             "' r='3'/>\n";
    svg += "</g>\n";
  }
  return svg + "</svg>\n";
}

bool writePictures(Session& s, results::NightFacts& f) {
  Series du{{}, {}, "navy", "du"}, dv{{}, {}, "darkorange", "dv"}, fwhm{{}, {}, "navy", "fwhm"};
  for (const results::AlignRow& r : f.alignment) {
    if (!r.aligned) continue;
    du.x.push_back(r.hours), du.y.push_back(r.du);
    dv.x.push_back(r.hours), dv.y.push_back(r.dv);
    fwhm.x.push_back(r.hours), fwhm.y.push_back(r.fwhm);
  }
  if (du.x.empty()) return true;
  const std::string offsets = timePicture("offsets from the fiducial frame", "pixels", {du, dv});
  const std::string width = timePicture("star width (fwhm)", "pixels", {fwhm}, 2.0);
  if (!textio::replaceFileAtomically(hostName(s, "night-offsets.svg"), offsets) ||
      !textio::replaceFileAtomically(hostName(s, "night-fwhm.svg"), width)) {
    s.console.line("   error - cannot write the report's pictures; no report written");
    return false;
  }
  f.pictures.insert(f.pictures.begin(), {"night-offsets.svg", "night-fwhm.svg"});
  return true;
}

}  // namespace

void reportCommand(Session& s) {
  const std::string curve = askText(s.console, "   light curve for the report (<return>: none) : ");
  results::NightFacts facts;
  facts.listed = listedFrames(s);
  facts.alignment = loadAlignment(s);
  readFlags(s, facts);
  facts.timing = batchTimeAnomalies(s);
  readLightCurve(s, curve, facts);
  readAstrometry(s, facts);
  if (!writePictures(s, facts)) return;
  if (!textio::replaceFileAtomically(hostName(s, "night-report.md"), results::nightReport(facts))) {
    s.console.line("   error - cannot write night-report.md");
    return;
  }
  for (const std::string& line : results::nightSummary(facts)) s.console.line(line);
  s.console.line("   night report written to night-report.md");
}

}  // namespace app

// Dialogue of the export command; the tables are built in results/. Every answer is asked
// before anything is checked, and the file is written under a temporary name and renamed.
#include "app/answers.h"
#include "app/export_command.h"

#include <cctype>
#include <fstream>
#include <string>
#include <vector>

#include "app/frame_times.h"
#include "app/working_path.h"
#include "lightcurve/light_curve_file.h"
#include "phot/phot_flags.h"
#include "results/export_builders.h"
#include "results/result_tables.h"
#include "sky/site.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/free_format.h"
#include "textio/paths.h"

namespace app {

namespace {

enum Format { kEcsv = 1, kCsv = 2, kAavso = 3 };

// The typed name with its type replaced by `type` (".ecsv", ".csv", "_lc.ecsv", ...).
std::string defaultOutput(const std::string& typed, const std::string& type) {
  std::string base = typed;
  size_t slash = base.find_last_of("\\/");
  size_t dot = base.find('.', slash == std::string::npos ? 0 : slash + 1);
  if (dot != std::string::npos) base.erase(dot);
  return base + type;
}

struct ExportAnswers {
  std::string typed, output;
  int32_t format = kEcsv;
  results::Layout layout = results::Layout::Unknown;
  results::AavsoAnswers aavso;
};

void askAavso(textio::Console& c, results::AavsoAnswers& a) {
  a.column = askIntOr(c, "  column of the variable (1-10) [1] : ", 1);
  a.checkColumn = askIntOr(c, "  column of the check star (0 = none) [0] : ", 0);
  a.obscode = askText(c, "  AAVSO observer code : ");
  a.starName = askText(c, "  star name : ");
  std::string filter = askText(c, "  filter [CV] : ");
  for (char& ch : filter) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  if (!filter.empty()) a.filter = filter;
  std::string chart = askText(c, "  chart [na] : ");
  if (!chart.empty()) a.chart = chart;
}

bool writeAtomically(Session& s, const std::string& name, const std::string& text) {
  std::string host = hostName(s, name);
  if (host.empty()) return false;
  if (!textio::replaceFileAtomically(host, text)) {
    s.console.line("   error - cannot write " + name + "; nothing written");
    return false;
  }
  return true;
}

// The table of the file, or false after its one-line message.
bool buildTable(Session& s, const ExportAnswers& a, const std::vector<std::string>& lines, results::Table& table,
                results::TimeSources& sources, results::ResTable& curve) {
  results::ExportContext context;
  context.source = a.typed;
  sky::Site site;
  std::string siteProblem;
  if (sky::readSite(sky::kSiteFile, site, siteProblem) == sky::SiteRead::Ok) {
    context.site = results::Site{site.longitude > 180.0 ? site.longitude - 360.0 : site.longitude, site.latitude,
                                 site.altitude};
  }
  std::ifstream flagFile(hostName(s, phot::kPhotFlagsFile), std::ios::binary);
  if (flagFile) {
    for (const auto& [frame, objects] : phot::readPhotFlags(flagFile))
      for (const auto& [code, flag] : objects) context.flags[frame][code] = std::string(phot::contaminationWord(flag));
  }
  results::FrameLookup lookup = frameLookup(s);
  std::string error;
  switch (a.layout) {
    case results::Layout::PhotometryLog: {
      results::PhotLog log;
      if (!results::readPhotLog(lines, a.typed, log, error)) break;
      table = results::photLogTable(log, lookup, context, sources);
      return true;
    }
    case results::Layout::LightCurve: {
      if (!results::readResTable(lines, a.typed, curve, error)) break;
      table = results::lightCurveTable(curve, loadAlignment(s), lookup, context, sources);
      return true;
    }
    case results::Layout::Alignment: {
      std::vector<results::AlignRow> rows;
      if (!results::readAlignTable(lines, a.typed, rows, error)) break;
      table = results::alignmentTable(rows, lookup, context, sources);
      return true;
    }
    case results::Layout::Unknown: break;
  }
  s.console.line(error);
  return false;
}

}  // namespace

void exportCommand(Session& s) {
  textio::Console& c = s.console;
  ExportAnswers a;
  a.typed = askText(c, "  file to export : ");
  std::vector<std::string> lines;
  std::string host = a.typed.empty() ? "" : hostName(s, a.typed);
  bool readable = !host.empty() && lightcurve::readTextLines(host, lines);
  if (readable) a.layout = results::detectLayout(lines);
  bool curve = a.layout == results::Layout::LightCurve;
  a.format = askIntOr(c, curve ? "  format: 1 = ECSV, 2 = CSV, 3 = AAVSO [1] : " : "  format: 1 = ECSV, 2 = CSV [1] : ",
                       kEcsv);
  if (curve && a.format == kAavso) askAavso(c, a.aavso);
  std::string fallback =
      a.typed.empty() ? ""
                      : defaultOutput(a.typed, std::string(curve ? "_lc" : "") +
                                                   (a.format == kCsv ? ".csv" : a.format == kAavso ? "_aavso.txt" : ".ecsv"));
  c.prompt("  output file [" + fallback + "] : ");
  a.output = std::string(textio::trim(c.answer()));
  if (a.output.empty()) a.output = fallback;

  if (a.typed.empty()) return c.line("   error - no file to export given; nothing written");
  if (!readable) return c.line("   error - cannot open " + a.typed + "; nothing written");
  if (a.layout == results::Layout::Unknown) {
    return c.line("   error - " + a.typed +
                  " is not a photometry log, a light curve (.res) or an alignment table of pelm; nothing written");
  }
  if (a.format < kEcsv || a.format > (curve ? kAavso : kCsv)) {
    return c.line(curve ? "   error - the format must be 1, 2 or 3" : "   error - the format must be 1 or 2");
  }
  if (hostName(s, a.output).empty()) return;
  if (hostName(s, a.output) == host) return c.line("   error - output would overwrite input");
  results::Table table;
  results::TimeSources sources;
  results::ResTable res;
  if (!buildTable(s, a, lines, table, sources, res)) return;
  std::string text;
  if (a.format == kAavso) {
    if (std::string error = results::checkAavso(a.aavso, res); !error.empty()) return c.line(error);
    text = results::aavsoText(a.aavso, res, table);
  } else {
    text = a.format == kCsv ? results::csvText(table) : results::ecsvText(table);
  }
  if (!writeAtomically(s, a.output, text)) return;
  size_t rows = table.columns.empty() ? 0 : table.columns.front().size();
  c.line("  exported " + std::to_string(rows) + " rows to " + a.output);
  c.line("  times from the frames' headers: " + std::to_string(sources.fromHeaders) +
         "; from the table's hours: " + std::to_string(sources.fromTable) +
         "; with BJD_TDB: " + std::to_string(sources.withBjd));
}

}  // namespace app

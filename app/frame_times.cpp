// Frames and align.dat of the working path for the result exports.
#include "app/frame_times.h"

#include <filesystem>
#include <string>

#include "align/transforms.h"
#include "app/working_path.h"
#include "image/file_list.h"
#include "results/timing_checks.h"
#include "lightcurve/light_curve_file.h"
#include "sky/header_cards.h"
#include "textio/fixed_text.h"

namespace app {

results::FrameLookup frameLookup(Session& s) {
  return [&s](const std::string& frame, results::FrameStamp& stamp) {
    std::vector<std::string> names = {frame};
    if (frame.find('.') == std::string::npos) {
      for (const std::string& code : s.state.settings.fileTypeCodes) {
        std::string t(textio::trim(code));
        if (!t.empty()) names.push_back(frame + "." + t);
      }
      for (const char* t : {".fit", ".fts", ".fits"}) names.push_back(frame + t);
    }
    for (const std::string& n : names) {
      std::string host = hostName(s, n);
      std::error_code ec;
      if (host.empty() || !std::filesystem::is_regular_file(host, ec)) continue;
      std::string why;
      if (results::readFrameStamp(host, stamp, why)) return true;
    }
    return false;
  };
}

std::vector<std::string> batchTimeAnomalies(Session& s) {
  std::error_code ec;
  const std::string listName = hostName(s, "filelist.txt");
  if (listName.empty() || !std::filesystem::is_regular_file(listName, ec)) return {};
  image::FileList list;
  if (!list.open(s.console, s.state.settings)) return {};
  const results::FrameLookup lookup = frameLookup(s);
  std::vector<std::pair<std::string, results::FrameStamp>> frames;
  for (std::string name; list.next(name);) {
    results::FrameStamp stamp;
    std::string trimmed(textio::trim(name));
    if (lookup(trimmed, stamp)) frames.emplace_back(trimmed, stamp);
  }
  return results::timingAnomalies(frames);
}

void reportBatchTimes(Session& s) {
  for (const std::string& line : batchTimeAnomalies(s)) s.console.line(line);
}

std::vector<results::AlignRow> loadAlignment(Session& s) {
  std::vector<results::AlignRow> rows;
  std::vector<std::string> lines;
  std::string host = hostName(s, "align.dat");
  std::string ignored;
  if (host.empty() || !lightcurve::readTextLines(host, lines)) return rows;
  if (!results::readAlignTable(lines, "align.dat", rows, ignored)) rows.clear();
  return rows;
}

// The host path of a frame named with or without its type: as typed, else with the
// configured raw, dark-corrected, corrected and current types, else .fits / .fit / .fts.
std::string frameFile(Session& s, const std::string& name) {
  std::string host = hostName(s, name);
  if (host.empty() || std::filesystem::is_regular_file(host)) return host;
  const auto& codes = s.state.settings.fileTypeCodes;
  for (size_t k : {2u, 3u, 4u, 0u}) {
    std::string type(textio::trim(codes[k]));
    if (type.empty()) continue;
    std::string candidate = hostName(s, name + "." + type);
    if (!candidate.empty() && std::filesystem::is_regular_file(candidate)) return candidate;
  }
  for (const char* type : {".fits", ".fit", ".fts"}) {
    std::string candidate = hostName(s, name + type);
    if (!candidate.empty() && std::filesystem::is_regular_file(candidate)) return candidate;
  }
  return "";
}

// The offsets and rotation of the entry, as the affine map of three points.
FiducialToFrame frameTransform(Session& s, const align::FrameLookup& f) {
  FiducialToFrame t;
  if (!f.found || f.du > 9997.0f) return t;
  const align::PixelSizes px{s.state.camera.pixelSizeX, s.state.camera.pixelSizeY};
  float u0, v0, ux, vx, uy, vy;
  align::convuv(u0, v0, f.du, f.dv, f.rotation, 0.0f, 0.0f, px);
  align::convuv(ux, vx, f.du, f.dv, f.rotation, 1000.0f, 0.0f, px);
  align::convuv(uy, vy, f.du, f.dv, f.rotation, 0.0f, 1000.0f, px);
  t.b1 = u0, t.b2 = v0;
  t.a11 = (ux - u0) / 1000.0, t.a21 = (vx - v0) / 1000.0;
  t.a12 = (uy - u0) / 1000.0, t.a22 = (vy - v0) / 1000.0;
  return t;
}

SolvedFrame firstSolvedFrame(Session& s) {
  SolvedFrame found;
  const align::AlignmentTable& table = s.state.alignment;
  for (int k = 1; k <= table.span(); ++k) {
    const align::AlignmentEntry& e = table.entries[k];
    if (textio::isBlank(e.name) || e.du > 9997.0f) continue;
    std::string name(textio::trim(e.name)), host = frameFile(s, name), cards, problem;
    if (host.empty() || !sky::readHeaderCards(host, cards, problem)) continue;
    found.solution = sky::SkySolution::fromCards(cards, problem);
    if (!found.solution) continue;
    found.toFrame = frameTransform(s, align::findFrame(table, e.name));
    found.name = name;
    return found;
  }
  return found;
}

}  // namespace app

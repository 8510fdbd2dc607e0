// Frames and align.dat of the working path for the result exports.
#include "app/frame_times.h"

#include <filesystem>
#include <string>

#include "app/working_path.h"
#include "lightcurve/light_curve_file.h"
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

std::vector<results::AlignRow> loadAlignment(Session& s) {
  std::vector<results::AlignRow> rows;
  std::vector<std::string> lines;
  std::string host = hostName(s, "align.dat");
  std::string ignored;
  if (host.empty() || !lightcurve::readTextLines(host, lines)) return rows;
  if (!results::readAlignTable(lines, "align.dat", rows, ignored)) rows.clear();
  return rows;
}

}  // namespace app

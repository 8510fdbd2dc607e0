// import: the matching files are found with the system's pattern matching, dated from their
// headers as a load dates them, and linked (or copied) to img0001.fit ... in the working path.
#include "app/import_command.h"

#include <glob.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "image/file_names.h"
#include "image/frame_date.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/paths.h"

namespace app {

namespace {

namespace fs = std::filesystem;

struct Found {
  std::string host;      // the file as the system names it
  std::string shown;     // the name as typed in the pattern's folder
  bool dated = false;
  image::FrameHeader header;
  double key = 0.0;      // days and hours, for sorting
};

// The working path as a host folder ("" for the start folder, else ending in '/').
std::string hostFolder(const Settings& settings) {
  std::string folder = textio::hostPath(settings.workingPath);
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// Days from a fixed epoch, so that frames sort across midnight and month ends.
double dayNumber(const image::FrameHeader& h) {
  const int64_t y = h.month <= 2 ? h.year - 1 : h.year;
  const int64_t m = h.month <= 2 ? h.month + 12 : h.month;
  return static_cast<double>(365 * y + y / 4 - y / 100 + y / 400 + (153 * (m - 3) + 2) / 5 + h.day);
}

std::string twoDigits(int32_t v) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

std::vector<Found> matching(const std::string& pattern) {
  std::vector<Found> found;
  glob_t g{};
  if (glob(pattern.c_str(), 0, nullptr, &g) == 0) {
    for (size_t k = 0; k < g.gl_pathc; ++k) {
      std::error_code ec;
      if (!fs::is_regular_file(g.gl_pathv[k], ec)) continue;
      Found f;
      f.host = g.gl_pathv[k];
      f.shown = fs::path(f.host).filename().string();
      found.push_back(f);
    }
  }
  globfree(&g);
  return found;
}

// A hard link where the file system allows, else a copy; never over an existing file.
bool makeFrame(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::create_hard_link(from, to, ec);
  if (!ec) return true;
  ec.clear();
  return fs::copy_file(from, to, fs::copy_options::none, ec) && !ec;
}

}  // namespace

void importCommand(Session& s) {
  Settings& set = s.state.settings;
  textio::Console& c = s.console;
  s.console.prompt("  frames to import (a pattern such as *.fits) : ");
  std::string pattern(textio::trim(c.answer()));
  s.console.prompt("  raw name [img] : ");
  std::string raw(textio::trim(c.answer()));
  if (raw.empty()) raw = "img";
  if (pattern.empty()) {
    c.line("   no pattern given; nothing imported");
    return;
  }
  const std::string rawType(textio::trimRight(image::typeCode(set, image::kRawType)));
  // A pattern without a type matches frames of the raw type; a type typed is taken as typed.
  std::string file = fs::path(pattern).filename().string();
  if (file.find('.') == std::string::npos) pattern += "." + rawType;
  std::string hostPattern = textio::hostPath(pattern);
  if (hostPattern.front() != '/') hostPattern = hostFolder(set) + hostPattern;

  if (raw.find_first_of("/\\.*?[ ") != std::string::npos) {
    c.line("   error - the raw name must be a plain name without type: " + raw + "; nothing imported");
    return;
  }
  std::vector<Found> found = matching(hostPattern);
  if (found.empty()) {
    c.line("   no file matches " + pattern + "; nothing imported");
    return;
  }
  for (Found& f : found) {
    f.dated = image::frameDate(f.host, core::dateOrderOf(s.state.camera.dateOrder), f.header);
    if (f.dated) f.key = dayNumber(f.header) + static_cast<double>(f.header.frameTime) / 24.0;
  }
  // Dated frames by their time, then the undated ones; equal times by name.
  std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    if (a.dated != b.dated) return a.dated;
    if (a.dated && a.key != b.key) return a.key < b.key;
    return a.shown < b.shown;
  });

  const std::string folder = hostFolder(set);
  std::vector<std::string> names;
  for (size_t k = 0; k < found.size(); ++k) {
    std::string number = image::frameNumber(set, static_cast<int64_t>(k + 1));
    std::string name = raw + number;
    if (number.find('*') != std::string::npos || name.size() > image::kMaxBaseName) {
      c.line("   error - " + std::to_string(found.size()) + " frames do not fit the raw name " + raw +
             " and the numbering in force; nothing imported");
      return;
    }
    name += "." + rawType;
    std::error_code ec;
    if (fs::exists(folder + name, ec)) {
      c.line("   error - " + name + " exists already; nothing imported (no frame is overwritten)");
      return;
    }
    names.push_back(name);
  }

  std::string list;
  int made = 0;
  for (size_t k = 0; k < found.size(); ++k) {
    const Found& f = found[k];
    if (!makeFrame(f.host, folder + names[k])) {
      c.line("   error - cannot make " + names[k] + " from " + f.shown + "; import stopped");
      break;
    }
    ++made;
    std::string when = "no date in the header";
    if (f.dated) {
      const image::FrameHeader& h = f.header;
      when = textio::Line().a(std::to_string(h.year) + "-" + twoDigits(h.month) + "-" + twoDigits(h.day))
                 .x(1).f(h.frameTime, 8, 4).str();
    }
    c.line("   " + textio::fixed(names[k], 20) + " " + f.shown);
    list += textio::fixed(names[k], 20) + " " + f.host + "  " + when + "\n";
  }
  std::ofstream out(folder + "import.txt", std::ios::binary | std::ios::app);
  out << list;
  out.flush();
  if (!out) c.line("   error - cannot write import.txt");
  c.line(textio::Line("   frames imported =").i(made, 6).str() + "; listed in import.txt");
}

}  // namespace app

// Joining typed names to the working path, and safe replacement of stored files.
#include "textio/paths.h"

#include <cstdio>
#include <fstream>

#include "textio/console.h"
#include "textio/fixed_text.h"

namespace textio {

bool adpath(Console& console, std::string_view workingPath, std::string_view name, std::string& full) {
  std::string_view path = trimRight(workingPath.substr(0, std::min(workingPath.size(), kPathWidth)));
  std::string_view typed = trimRight(name);
  if (path.size() + typed.size() > kPathWidth) {
    console.line("   error in routine adpath; full filename >80 chars");
    return false;
  }
  full = fixed(std::string(path) + std::string(typed), kPathWidth);
  return true;
}

std::string hostPath(std::string_view full) {
  std::string s(trimRight(full));
  for (char& c : s) {
    if (c == '\\') c = '/';
  }
  return s;
}

bool replaceFileAtomically(const std::string& hostName, std::string_view content) {
  std::string temp = hostName + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
    if (!out) {
      out.close();
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), hostName.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace textio

// Alignment table look-ups.
#include "align/alignment_table.h"

namespace align {

std::string stripType(std::string_view name) {
  std::string s = textio::fixed(name, 20);
  textio::blankFrom(s, ".");
  return s;
}

FrameLookup findFrame(const AlignmentTable& table, std::string_view frameName) {
  std::string key = stripType(frameName);
  FrameLookup r;
  for (int d = 1; d <= kAlignEntries; ++d) {
    const AlignmentEntry& e = table.entries[d];
    if (e.name == key) {
      r.found = true;
      r.index = d;
      r.du = e.du;
      r.dv = e.dv;
      r.rotation = e.rotation;
      r.fwhm = e.fwhm;
      r.time = e.time;
      return r;
    }
  }
  return r;
}

}  // namespace align

// Alignment table: look-ups, the align.dat and align.txt records, load, save and listings.
#include "align/alignment_table.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "textio/console.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"

namespace align {

std::string stripType(std::string_view name) {
  std::string s = textio::fixed(name, 20);
  textio::blankFrom(s, ".");
  return s;
}

int AlignmentTable::span() const {
  for (int d = kAlignEntries; d > kDesignedAlignEntries; --d) {
    if (!textio::isBlank(entries[d].name)) return d;
  }
  return kDesignedAlignEntries;
}

FrameLookup findFrame(const AlignmentTable& table, std::string_view frameName) {
  std::string key = stripType(frameName);
  FrameLookup r;
  const int span = table.span();
  for (int d = 1; d <= span; ++d) {
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

std::string alignRecord(std::string_view name, float time, float du, float dv, float rotation,
                        int32_t fwhm, float sky) {
  return textio::Line(" ")
      .a(textio::fixed(name, 20), 20)
      .x(1).f(time, 7, 4)
      .x(1).f(du, 7, 2)
      .x(1).f(dv, 7, 2)
      .x(2).f(rotation, 9, 5)
      .x(2).i(fwhm, 4)
      .x(1).f(sky, 9, 1)
      .str();
}

std::string alignRecord(std::string_view name, float time, float du, float dv, float rotation,
                        int32_t fwhm, float sky, float rms) {
  return alignRecord(name, time, du, dv, rotation, fwhm, sky) + " " + textio::fmtF(rms, 5, 2);
}

std::string alignCsvRecord(std::string_view name, float time, float du, float dv, float rotation,
                           int32_t fwhm, float sky, float rms, int rotationWidth) {
  int decimals = rotationWidth == 9 ? 5 : 3;
  return textio::Line(" \"")
      .a(textio::fixed(name, 20), 20)
      .a("\",").f(time, 7, 4)
      .a(",").f(du, 7, 2)
      .a(",").f(dv, 7, 2)
      .a(",").f(rotation, rotationWidth, decimals)
      .a(",").i(fwhm, 4)
      .a(",").f(sky, 9, 1)
      .a(",").f(rms, 5, 2)
      .str();
}

namespace {

// A real in a fixed-width field: blanks read as 0; a number without a point or an exponent
// has `decimals` implied decimals.
bool fieldReal(std::string_view field, int decimals, float& out) {
  std::string_view t = textio::trim(field);
  if (t.empty()) {
    out = 0.0f;
    return true;
  }
  double v;
  if (!textio::parseReal(t, v)) return false;
  if (t.find_first_of(".eEdD") == std::string_view::npos) {
    for (int k = 0; k < decimals; ++k) v /= 10.0;
  }
  if (!(std::fabs(v) <= FLT_MAX)) return false;  // no 4-byte real holds it
  out = static_cast<float>(v);
  return true;
}

bool fieldInt(std::string_view field, int32_t& out) {
  std::string_view t = textio::trim(field);
  if (t.empty()) {
    out = 0;
    return true;
  }
  int64_t v;
  if (!textio::parseInt(t, v) || v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<int32_t>(v);
  return true;
}

std::string hostFile(textio::Console& console, std::string_view workingPath, std::string_view name) {
  std::string full;
  if (!textio::adpath(console, workingPath, textio::fixed(name, 20), full)) return {};
  return textio::hostPath(full);
}

}  // namespace

bool readAlignRecord(std::string_view line, AlignmentEntry& e) {
  std::string s = textio::fixed(textio::dropCr(line), 72);
  std::string_view v(s);
  AlignmentEntry r;
  r.name = std::string(v.substr(1, 20));
  if (!fieldReal(v.substr(22, 7), 4, r.time) || !fieldReal(v.substr(30, 7), 2, r.du) ||
      !fieldReal(v.substr(38, 7), 2, r.dv) || !fieldReal(v.substr(47, 9), 5, r.rotation) ||
      !fieldInt(v.substr(58, 4), r.fwhm) || !fieldReal(v.substr(63, 9), 1, r.sky)) {
    return false;
  }
  e = r;
  return true;
}

int alload(textio::Console& console, std::string_view workingPath, AlignmentTable& table) {
  for (AlignmentEntry& e : table.entries) {
    e.name = std::string(20, ' ');
    e.rotation = 1000.0f;
  }
  int count = 0;
  std::string host = hostFile(console, workingPath, "align.dat");
  std::ifstream in;
  if (!host.empty()) in.open(host, std::ios::binary);
  std::string line;
  while (in && count < kAlignEntries && std::getline(in, line)) {
    AlignmentEntry e;
    if (!readAlignRecord(line, e)) break;
    e.name = stripType(e.name);
    table.entries[++count] = e;
  }
  for (int i = 2; i <= kAlignEntries; ++i) {
    if (table.entries[i - 1].time > table.entries[i].time) table.entries[i].time += 24.0f;
  }
  console.line(textio::Line("   finished reading align.dat; number of images =").i(count, count > 9999 ? 6 : 4));
  console.line("");
  return count;
}

bool alsave(textio::Console& console, std::string_view workingPath, const AlignmentTable& table) {
  std::string host = hostFile(console, workingPath, "align.dat");
  // An empty table creates align.dat but never replaces one.
  std::error_code error;
  if (!host.empty() && std::filesystem::exists(host, error) &&
      std::all_of(table.entries.begin(), table.entries.end(),
                  [](const AlignmentEntry& e) { return textio::isBlank(e.name); })) {
    console.line("   the alignment table is empty: align.dat is left as it was");
    return false;
  }
  std::string content;
  const int span = table.span();
  content.reserve(73 * static_cast<size_t>(span));
  for (int d = 1; d <= span; ++d) {
    const AlignmentEntry& e = table.entries[d];
    content += alignRecord(e.name, e.time, e.du, e.dv, e.rotation, e.fwhm, e.sky);
    content += '\n';
  }
  if (host.empty() || !textio::replaceFileAtomically(host, content)) {
    console.line("   error - cannot write align.dat");
    return false;
  }
  return true;
}

void allist(textio::Console& console, const AlignmentTable& table) {
  for (int i = 1; i <= 12; ++i) {
    const AlignmentEntry& e = table.entries[i];
    console.line(textio::Line(" ")
                     .i(i, 4)
                     .x(1).a(e.name, 20)
                     .x(1).f(e.time, 9, 4)
                     .x(1).f(e.du, 9, 4)
                     .x(1).f(e.dv, 9, 4)
                     .x(1).f(e.rotation, 9, 4));
  }
}

bool altest(textio::Console& console, const AlignmentTable& table) {
  for (const AlignmentEntry& e : table.entries) {
    if (!textio::isBlank(e.name)) return true;
  }
  console.line("   error - no image alignment data ... ");
  return false;
}

void listalign(textio::Console& console, const AlignmentTable& table) {
  for (const AlignmentEntry& e : table.entries) {
    if (textio::isBlank(e.name)) continue;
    console.line(textio::Line("   alignment ")
                     .a(e.name, 20)
                     .x(2).f(e.du, 7, 2)
                     .x(1).f(e.dv, 7, 2)
                     .x(1).f(e.rotation, 6, 2));
  }
}

}  // namespace align

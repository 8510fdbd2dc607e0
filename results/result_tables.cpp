// Reading the photometry log, the dmag light curve and align.dat for export.
#include "results/result_tables.h"

#include <cmath>
#include <limits>
#include <string_view>

#include "textio/fixed_text.h"
#include "textio/free_format.h"

namespace results {

namespace {

constexpr std::string_view kResTitle = " year  m  d    UTC";
constexpr std::string_view kZeroPoint = "  zero point = ";
constexpr std::string_view kReference = "   normalising star = ";
constexpr std::string_view kOutputFormat = "\"output format : ";
constexpr double kAbsurd = 1.0e12;  // no flux, sky, magnitude or offset of a real night comes near

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

bool sane(double v) { return std::isfinite(v) && std::fabs(v) < kAbsurd; }

bool dateOk(int64_t y, int64_t m, int64_t d) { return y >= 1000 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= 31; }

bool hoursOk(double h) { return std::isfinite(h) && h > -48.0 && h < 240.0; }

std::string lineError(const std::string& shown, size_t n, const char* what) {
  return "   error - line " + std::to_string(n + 1) + " of " + shown + " " + what + "; nothing written";
}

// The quoted items of a title line ("y","m","d","time","ast  ",...), in order.
std::vector<std::string> quotedItems(std::string_view line) {
  std::vector<std::string> items;
  size_t at = 0;
  while ((at = line.find('"', at)) != std::string_view::npos) {
    size_t end = line.find('"', at + 1);
    if (end == std::string_view::npos) break;
    items.emplace_back(line.substr(at + 1, end - at - 1));
    at = end + 1;
  }
  return items;
}

size_t photTitleLine(const std::vector<std::string>& lines) {
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    if (textio::trim(lines[i]) != "\"start of data\"") continue;
    std::vector<std::string> t = quotedItems(lines[i + 1]);
    if (t.size() == 24 && t[0] == "y" && t[1] == "m" && t[2] == "d" && t[3] == "time") return i + 1;
  }
  return std::string::npos;
}

bool isAlignLine(std::string_view line, AlignRow& row) {
  if (line.size() < 72 || line[0] != ' ') return false;
  row = AlignRow{};
  row.frame = std::string(textio::trim(line.substr(1, 20)));
  textio::FreeItems items(line.substr(21));
  if (items.remaining() != 6 && items.remaining() != 7) return false;
  bool ok = items.real(row.hours) && items.real(row.du) && items.real(row.dv) && items.real(row.rotation) &&
            items.integer(row.fwhm) && items.real(row.sky);
  if (ok && items.remaining() == 1) ok = items.real(row.rms);
  return ok;
}

// A number of a log record: a field of asterisks (an overflowed value) reads as NaN.
bool logValue(std::string_view item, double& v) {
  if (!item.empty() && item.find_first_not_of('*') == std::string_view::npos) {
    v = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  return textio::parseReal(item, v) && sane(v);
}

bool readPhotRecord(std::string_view line, PhotRecord& r) {
  if (line.size() < 22 || line[0] != ' ') return false;
  r.frame = std::string(textio::trim(line.substr(1, 20)));
  if (r.frame.empty()) return false;
  std::vector<std::string_view> items = textio::splitFree(line.substr(21));
  if (items.size() != 26) return false;
  int64_t y = 0, m = 0, d = 0;
  if (!textio::parseInt(items[0], y) || !textio::parseInt(items[1], m) || !textio::parseInt(items[2], d)) return false;
  if (!dateOk(y, m, d) || !textio::parseReal(items[3], r.hours) || !hoursOk(r.hours)) return false;
  r.year = static_cast<int32_t>(y), r.month = static_cast<int32_t>(m), r.day = static_cast<int32_t>(d);
  for (size_t k = 0; k < 10; ++k) {
    if (!logValue(items[4 + k], r.flux[k]) || !logValue(items[14 + k], r.second[k])) return false;
  }
  return true;
}

bool readResRow(std::string_view line, ResRow& r) {
  std::vector<std::string_view> items = textio::splitFree(line);
  if (items.size() < 26) return false;
  int64_t y = 0, m = 0, d = 0;
  if (!textio::parseInt(items[0], y) || !textio::parseInt(items[1], m) || !textio::parseInt(items[2], d)) return false;
  if (!dateOk(y, m, d) || !textio::parseReal(items[3], r.hours) || !hoursOk(r.hours)) return false;
  r.year = static_cast<int32_t>(y), r.month = static_cast<int32_t>(m), r.day = static_cast<int32_t>(d);
  for (size_t k = 0; k < 10; ++k) {
    if (!textio::parseReal(items[4 + k], r.value[k]) || !sane(r.value[k])) return false;
    if (!textio::parseReal(items[14 + k], r.error[k]) || !sane(r.error[k])) return false;
  }
  double phase = 0.0;
  return textio::parseReal(items[24], r.hjd) && sane(r.hjd) && textio::parseReal(items[25], phase);
}

}  // namespace

Layout detectLayout(const std::vector<std::string>& lines) {
  bool formatLine = false;
  for (const std::string& l : lines) {
    if (startsWith(l, kResTitle)) return Layout::LightCurve;
    if (startsWith(textio::trim(l), kOutputFormat)) formatLine = true;
  }
  if (formatLine && photTitleLine(lines) != std::string::npos) return Layout::PhotometryLog;
  bool any = false;
  for (const std::string& l : lines) {
    if (textio::isBlank(l)) continue;
    AlignRow row;
    if (!isAlignLine(l, row)) return Layout::Unknown;
    any = any || !row.frame.empty();
  }
  return any ? Layout::Alignment : Layout::Unknown;
}

bool readPhotLog(const std::vector<std::string>& lines, const std::string& shown, PhotLog& out, std::string& error) {
  out = PhotLog{};
  size_t title = photTitleLine(lines);
  if (title == std::string::npos) {
    error = "   error - " + shown + " has no \"start of data\" and column titles: not a photometry log of pelm";
    return false;
  }
  for (size_t i = 0; i < title; ++i) {
    std::string_view t = textio::trim(lines[i]);
    if (startsWith(t, kOutputFormat)) out.errors = t.find('e', kOutputFormat.size()) != std::string_view::npos;
  }
  std::vector<std::string> t = quotedItems(lines[title]);
  for (size_t k = 0; k < 10; ++k) out.labels[k] = std::string(textio::trim(t[4 + k]));
  for (size_t n = title + 1; n < lines.size(); ++n) {
    if (textio::isBlank(lines[n])) continue;
    PhotRecord r;
    if (!readPhotRecord(textio::trimRight(lines[n]), r)) {
      error = lineError(shown, n, "is not a photometry record (or holds a value out of range)");
      return false;
    }
    out.records.push_back(r);
  }
  if (out.records.empty()) {
    error = "   error - " + shown + " holds no photometry records; nothing written";
    return false;
  }
  return true;
}

bool readResTable(const std::vector<std::string>& lines, const std::string& shown, ResTable& out, std::string& error) {
  out = ResTable{};
  size_t i = 0;
  for (; i < lines.size() && !startsWith(lines[i], kResTitle); ++i) {
    if (startsWith(lines[i], kZeroPoint)) out.magnitudes = true;
    if (startsWith(lines[i], kReference)) {
      out.references.emplace_back(textio::trim(std::string_view(lines[i]).substr(kReference.size())));
    }
  }
  if (i == lines.size()) {
    error = "   error - " + shown + " has no column titles: not a light curve written by dmag";
    return false;
  }
  std::string_view title = lines[i];
  for (size_t k = 0; k < 10; ++k) {
    size_t at = 25 + 9 * k;
    out.names[k] = std::string(textio::trim(at < title.size() ? title.substr(at, 5) : ""));
  }
  for (size_t n = i + 1; n < lines.size(); ++n) {
    if (textio::isBlank(lines[n])) continue;
    ResRow r;
    if (!readResRow(lines[n], r)) {
      error = lineError(shown, n, "is not an observation of dmag (or holds a value out of range)");
      return false;
    }
    // Times are counted on from the date of the first observation, as dmag writes them.
    if (!out.rows.empty()) r.year = out.rows[0].year, r.month = out.rows[0].month, r.day = out.rows[0].day;
    out.rows.push_back(r);
  }
  if (out.rows.empty()) {
    error = "   error - " + shown + " holds no observations; nothing written";
    return false;
  }
  return true;
}

bool readAlignTable(const std::vector<std::string>& lines, const std::string& shown, std::vector<AlignRow>& out,
                    std::string& error) {
  out.clear();
  double previous = -1.0e30, add = 0.0;
  for (size_t n = 0; n < lines.size(); ++n) {
    if (textio::isBlank(lines[n])) continue;
    AlignRow r;
    if (!isAlignLine(lines[n], r) || !hoursOk(r.hours) || !sane(r.du) || !sane(r.dv) || !sane(r.rotation) ||
        !sane(r.sky) || !sane(r.rms)) {
      error = lineError(shown, n, "is not a line of an alignment table");
      return false;
    }
    if (r.frame.empty()) continue;  // an empty entry of a saved table
    // Times after midnight continue the night, as the table is loaded.
    r.hours += add;
    if (previous > r.hours) {
      add += 24.0;
      r.hours += 24.0;
    }
    previous = r.hours;
    r.aligned = r.du < 9990.0 && r.dv < 9990.0;
    out.push_back(r);
  }
  if (out.empty()) {
    error = "   error - " + shown + " holds no aligned frames; nothing written";
    return false;
  }
  return true;
}

}  // namespace results

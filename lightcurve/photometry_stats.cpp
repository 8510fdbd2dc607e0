// Loading a photometry output file into the statistics table; ratios, means and scatter.
#include "lightcurve/photometry_stats.h"

#include <cmath>
#include <fstream>

#include "textio/console.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"

namespace lightcurve {

namespace {

constexpr int kMaxHeaderLines = 70;

bool isSeparator(char c) { return c == ' ' || c == ',' || c == '\t'; }

// Reads the header (echoed) and the title line; false at the end of the file.
bool readHeaderAndTitles(textio::Console& console, std::istream& in, StatsTable& t) {
  const std::string startOfData = textio::fixed(" \"start of data\"", 20);
  std::string text;
  for (int i = 0; i < kMaxHeaderLines; ++i) {
    if (!std::getline(in, text)) return false;
    std::string line = textio::fixed(textio::dropCr(text), 20);
    console.line("          >>>" + line);
    if (line == startOfData) break;
  }
  if (!std::getline(in, text)) return false;
  std::vector<std::string> items = titleItems(textio::dropCr(text));
  for (size_t k = 0; k < 10 && k + 4 < items.size(); ++k) t.codes[k] = textio::fixed(items[k + 4], 5);
  return true;
}

static_assert(kStatsLines == 10000, "the message names the table's size");

void readRecords(textio::Console& console, std::istream& in, StatsTable& t) {
  std::string text;
  while (std::getline(in, text)) {
    StatsLine line;
    if (!readStatsRecord(textio::dropCr(text), line)) continue;
    if (t.n == kStatsLines) {
      console.line("   warning - the table holds 10000 lines; the rest of the file is not read");
      return;
    }
    t.lines[++t.n] = line;
  }
}

// Normalising stars from the current input; false when none is chosen.
bool askNormalisingStars(textio::Console& console, StatsTable& t) {
  bool any = false;
  for (;;) {
    console.line("");
    console.prompt("    enter short code for normalising star (<return> to finish): ");
    std::string code = console.answerText(5);
    if (textio::isBlank(code)) return any;
    size_t k = 0;
    while (k < 10 && t.codes[k] != code) ++k;
    if (k == 10) {
      console.line("   star not recognised!");
      continue;
    }
    t.selected[k] = 1;
    any = true;
    console.line(textio::Line("    this is star # ").i(static_cast<int64_t>(k + 1), 2));
  }
}

}  // namespace

void StatsTable::clear() {
  n = 0;
  for (std::string& c : codes) c = std::string(5, ' ');
  lines.fill(StatsLine{});
  selected.fill(0);
  mean.fill(0.0f);
  sd.fill(0.0f);
  relativeSd.fill(0.0f);
}

std::vector<std::string> titleItems(std::string_view line) {
  std::vector<std::string> items;
  size_t i = 0;
  while (i < line.size()) {
    if (isSeparator(line[i])) {
      ++i;
      continue;
    }
    std::string item;
    if (line[i] == '"') {
      size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) close = line.size();
      item = std::string(line.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      while (i < line.size() && !isSeparator(line[i])) item += line[i++];
    }
    items.push_back(item);
  }
  return items;
}

bool readStatsRecord(std::string_view line, StatsLine& out) {
  std::vector<std::string_view> items = textio::splitFree(line);
  size_t next = 0;
  double v = 0.0;
  if (!items.empty() && !textio::parseReal(items[0], v)) next = 1;  // the frame name
  if (items.size() < next + 24) return false;
  double numbers[24];
  for (size_t k = 0; k < 24; ++k) {
    if (!textio::parseReal(items[next + k], numbers[k])) return false;
  }
  out = StatsLine{};
  out.time = static_cast<float>(numbers[3]);
  for (size_t k = 0; k < 10; ++k) {
    out.value[k] = static_cast<float>(numbers[4 + k]);
    out.error[k] = static_cast<float>(numbers[14 + k]);
  }
  return true;
}

void computeRatios(StatsTable& t) {
  for (int i = 1; i <= t.n; ++i) {
    StatsLine& l = t.lines[i];
    l.sum = 0.0f;
    float squares = 0.0f;
    for (size_t k = 0; k < 10; ++k) {
      if (t.selected[k] != 1) continue;
      l.sum += l.value[k];
      squares += l.error[k] * l.error[k];
    }
    l.sumError = std::sqrt(squares);
    for (size_t k = 0; k < 10; ++k) {
      l.ratio[k] = l.sum != 0.0f ? l.value[k] / l.sum : 0.0f;
      l.ratioError[k] = l.sum != 0.0f ? l.error[k] / l.sum : 0.0f;
    }
  }
}

void computeStatistics(textio::Console& console, StatsTable& t) {
  for (size_t k = 0; k < 10; ++k) {
    int count = 0;
    float total = 0.0f;
    for (int i = 1; i <= t.n; ++i) {
      if (t.lines[i].sum == 0.0f) continue;
      total += t.lines[i].ratio[k];
      ++count;
    }
    t.mean[k] = count > 0 ? total / static_cast<float>(count) : 0.0f;
    console.line(textio::Line("sum = ").free(t.mean[k]));
    t.sd[k] = 0.0f;
    t.relativeSd[k] = 0.0f;
    if (t.mean[k] >= 1e-8f && count > 1) {
      float squares = 0.0f;
      for (int i = 1; i <= t.n; ++i) {
        if (t.lines[i].sum == 0.0f) continue;
        float d = t.mean[k] - t.lines[i].ratio[k];
        squares += d * d;
      }
      t.sd[k] = std::sqrt(squares / static_cast<float>(count - 1));
      t.relativeSd[k] = t.sd[k] / t.mean[k];
    }
  }
}

void stload(textio::Console& console, std::string_view fullName, std::string_view typedName, StatsTable& t) {
  console.line("   entered stload; fnamp = " + textio::fixed(fullName, 80));
  t.clear();
  t.fileName = textio::fixed(typedName, 20);
  std::ifstream in(textio::hostPath(fullName), std::ios::binary);
  if (!in) {
    console.line("   error - cannot open file " + std::string(textio::trimRight(fullName)));
    return;
  }
  console.line("opened file");
  if (readHeaderAndTitles(console, in, t)) readRecords(console, in, t);
  in.close();
  console.line(textio::Line("    number of lines read from input file = ").i(t.n, 4));
  if (!askNormalisingStars(console, t)) return;
  computeRatios(t);
  computeStatistics(console, t);
}

void lstrat(textio::Console& console, const StatsTable& t) {
  for (int i = 1; i <= t.n; ++i) {
    const StatsLine& l = t.lines[i];
    textio::Line out(" ");
    out.f(l.time, 6, 3).x(1);
    for (float r : l.ratio) out.f(r, 8, 6).x(1);
    for (float e : l.ratioError) out.f(e, 8, 6).x(1);
    console.line(out);
    console.logLine(out);
  }
}

void lststs(textio::Console& console, const StatsTable& t) {
  console.line("    20 items written to output file:");
  console.line("    10 x mean normalised signal, then");
  console.line("    10 x standard deviation for normalised signal (as fraction of mean signal) ");
  textio::Line out(" \"");
  out.a(textio::fixed(t.fileName, 20)).a("\",");
  for (float m : t.mean) out.f(m, 8, 6).a(", ");
  out.x(2);
  for (float r : t.relativeSd) out.a(", ").f(r, 8, 6);
  console.line(out);
  console.logLine(out);
}

}  // namespace lightcurve

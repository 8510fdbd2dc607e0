// Photometry output file to dmag input table.
#include "lightcurve/phot_to_dmag.h"

#include <fstream>

#include "lightcurve/dmag_table.h"
#include "lightcurve/photometry_stats.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"

namespace lightcurve {

namespace {

constexpr std::string_view kFormatTag = "\"output format : ";

// The date, time and twenty values of a record as items, the frame name dropped; false for
// a line that is not a record.
bool recordItems(std::string_view line, std::vector<std::string_view>& out) {
  std::vector<std::string_view> items = textio::splitFree(line);
  double v = 0.0;
  size_t first = (!items.empty() && !textio::parseReal(items[0], v)) ? 1 : 0;
  if (items.size() < first + 24) return false;
  int64_t date = 0;
  for (size_t k = 0; k < 3; ++k) {
    if (!textio::parseInt(items[first + k], date)) return false;
  }
  for (size_t k = 3; k < 24; ++k) {
    if (!textio::parseReal(items[first + k], v)) return false;
  }
  out.assign(items.begin() + static_cast<std::ptrdiff_t>(first), items.begin() + static_cast<std::ptrdiff_t>(first + 24));
  return true;
}

std::string formatCode(const std::vector<std::string>& lines, size_t end) {
  for (size_t i = 0; i < end; ++i) {
    size_t at = lines[i].find(kFormatTag);
    if (at != std::string::npos) {
      std::string code = lines[i].substr(at + kFormatTag.size());
      size_t quote = code.find('"');
      if (quote != std::string::npos) code.resize(quote);
      return textio::fixed(code, 20);
    }
  }
  return std::string();
}

std::string dataLine(const std::vector<std::string_view>& items) {
  int64_t y = 0, m = 0, d = 0;
  (void)textio::parseInt(items[0], y);
  (void)textio::parseInt(items[1], m);
  (void)textio::parseInt(items[2], d);
  textio::Line l;
  l.i(y, 4).i(m, 3).i(d, 3);
  for (size_t k = 3; k < items.size(); ++k) l.x(1).a(items[k]);
  return l.str();
}

// How many records name a frame of `frames`.
int recordsOf(const std::vector<std::string>& lines, const std::set<std::string>& frames) {
  int n = 0;
  for (const std::string& line : lines) {
    const std::string frame = recordFrame(line);
    if (!frame.empty() && frames.count(frame) > 0) ++n;
  }
  return n;
}

// The question about flagged records; true when they are to be left out.
bool leaveOutFlagged(textio::Console& console, const std::vector<std::string>& lines, const FrameFlags& flags) {
  const int listed = recordsOf(lines, flags.listed);
  if (listed == 0) return false;
  const int flagged = recordsOf(lines, flags.contaminated);
  console.line("   " + std::to_string(flagged) + " of " + std::to_string(listed) +
               " records hold a measurement flagged as contaminated (photflags.txt)");
  console.prompt("  leave out measurements flagged as contaminated? [y] : ");
  const std::string answer(textio::trim(console.answerText(20)));
  return answer.empty() || answer[0] == 'y' || answer[0] == 'Y';
}

}  // namespace

std::string recordFrame(std::string_view line) {
  std::vector<std::string_view> items;
  if (!recordItems(line, items)) return std::string();
  std::vector<std::string_view> all = textio::splitFree(line);
  double v = 0.0;
  if (all.empty() || textio::parseReal(all[0], v)) return std::string();
  std::string name(all[0]);
  const size_t dot = name.find('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

DmagTableText photToDmag(const std::vector<std::string>& lines, std::string_view source,
                         const std::set<std::string>& leaveOut) {
  DmagTableText t;
  const std::string startOfData = textio::fixed(" \"start of data\"", 20);
  size_t start = 0;
  while (start < lines.size() && textio::fixed(lines[start], 20) != startOfData) ++start;
  if (start + 1 >= lines.size()) {
    t.error = "   error - no \"start of data\" line and column titles: not a photometry output file";
    return t;
  }
  std::string code = formatCode(lines, start);
  if (code.empty()) {
    t.error = "   error - no \"output format : \" line before the data";
    return t;
  }
  std::vector<std::string> labels = titleItems(lines[start + 1]);
  size_t count = 0;
  for (size_t k = 0; k < 10 && k + 4 < labels.size(); ++k) {
    if (!textio::isBlank(labels[k + 4])) count = k + 1;
  }
  if (count == 0) {
    t.error = "   error - no star labels in the column titles";
    return t;
  }
  for (size_t k = 0; k < count; ++k) {
    std::string label = textio::fixed(labels[k + 4], 5);
    if (endsStarList("  " + label)) {
      t.error = "   error - star label " + label + " begins with obj, which ends a dmag star list";
      return t;
    }
    t.stars.push_back(label);
  }
  t.text = "  dmag table made by phot2dmag from " + std::string(textio::trimRight(source)) + "\n";
  t.text += "  photometry :\n";
  for (const std::string& s : t.stars) t.text += "  " + s + "\n";
  t.text += "  obj\n  output format : " + code + "\n";
  textio::Line title("     y   m  d    UTC");
  for (const std::string& s : t.stars) title.x(1).a(s);
  t.text += title.str() + "\n";
  std::vector<std::string_view> items;
  for (size_t i = start + 2; i < lines.size(); ++i) {
    if (recordItems(lines[i], items)) {
      if (!leaveOut.empty() && leaveOut.count(recordFrame(lines[i])) > 0) {
        ++t.leftOut;
        continue;
      }
      t.text += dataLine(items) + "\n";
      ++t.records;
    } else if (!textio::isBlank(lines[i])) {
      ++t.passedOver;
    }
  }
  return t;
}

void phot2dmag(textio::Console& console, std::string_view workingPath, std::string_view logFileName,
               const FrameFlags& flags) {
  console.prompt("   photometry output file [" + textio::fixed(logFileName, 20) + "] = ");
  std::string typed = console.answerText(20);
  if (textio::isBlank(typed)) typed = textio::fixed(logFileName, 20);
  std::string output = typed;
  size_t dot = output.find('.');
  if (dot != std::string::npos && dot < 15) {
    output.replace(dot, 4, ".dat");
  } else if (DmagNames n = dmagNames(typed); n.ok) {
    output = n.input;  // ".dat" where the first four blanks begin
  } else {
    console.line("   error - no room for a file type in the name " + std::string(textio::trimRight(typed)));
    return;
  }
  std::string inFull, outFull;
  if (!textio::adpath(console, workingPath, typed, inFull)) return;
  if (!textio::adpath(console, workingPath, output, outFull)) return;
  console.line("   input file  = " + inFull);
  console.line("   output file = " + outFull);
  if (textio::hostPath(inFull) == textio::hostPath(outFull)) {
    console.line("   error - output would overwrite input");
    return;
  }
  std::ifstream in(textio::hostPath(inFull), std::ios::binary);
  if (!in) {
    console.line("   error - cannot open input file " + std::string(textio::trimRight(inFull)));
    return;
  }
  std::vector<std::string> lines;
  for (std::string text; std::getline(in, text);) lines.emplace_back(textio::dropCr(text));
  const bool leaveOut = leaveOutFlagged(console, lines, flags);
  DmagTableText t = photToDmag(lines, typed, leaveOut ? flags.contaminated : std::set<std::string>{});
  if (!t.error.empty()) {
    console.line(t.error);
    return;
  }
  if (!textio::replaceFileAtomically(textio::hostPath(outFull), t.text)) {
    console.line("   error - cannot write output file " + std::string(textio::trimRight(outFull)));
    return;
  }
  textio::Line stars("   stars :");
  for (const std::string& s : t.stars) stars.x(1).a(s);
  console.line(stars);
  console.line(textio::Line("   records written =").i(t.records, 5));
  console.line(textio::Line("   other lines passed over =").i(t.passedOver, 5));
  if (leaveOut) console.line(textio::Line("   records left out as contaminated =").i(t.leftOut, 5));
}

}  // namespace lightcurve

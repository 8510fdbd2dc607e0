// The dmag dialogue: names, header pass, reference stars, options, and the data pass.
#include "lightcurve/dmag.h"

#include <array>
#include <fstream>
#include <string>
#include <vector>

#include "lightcurve/dmag_table.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"
#include "textio/value_ranges.h"

namespace lightcurve {

namespace {

constexpr int kMaxHeaderLines = 1000;
constexpr int kMaxStars = 10;

// What the header pass learns from the input table.
struct Header {
  std::array<std::string, 10> names{};         // star names, 5 characters, blank when absent
  int starCount = 0;                           // stars listed
  std::string format = std::string(20, ' ');   // data format code
  std::string target = std::string(20, ' ');   // target name
  float ra = 0.0f, dec = 0.0f;                 // target position, degrees
  size_t titleIndex = 0;                       // index of the column-title line
  bool titlesFound = false;
};

std::vector<std::string> readLines(const std::string& host, bool& ok) {
  std::vector<std::string> lines;
  std::ifstream in(host, std::ios::binary);
  ok = static_cast<bool>(in);
  std::string text;
  while (ok && std::getline(in, text)) lines.emplace_back(textio::dropCr(text));
  return lines;
}

// The target's numbers pass through the scratch file junk.dat, which is left with the last
// target line read; the line itself is used when the scratch file cannot be written.
void readTargetNumbers(textio::Console& console, std::string_view workingPath, const std::string& line,
                       Header& h) {
  std::string text = line;
  std::string full;
  if (textio::adpath(console, workingPath, "junk.dat", full)) {
    std::string host = textio::hostPath(full);
    {
      std::ofstream out(host, std::ios::binary | std::ios::trunc);
      out << line << '\n';
    }
    std::ifstream back(host, std::ios::binary);
    std::string read;
    if (back && std::getline(back, read)) text = std::string(textio::dropCr(read));
  }
  if (!parseTarget(text, h.ra, h.dec)) {
    console.line("   error - cannot read the target position; right ascension and declination set to 0");
    h.ra = h.dec = 0.0f;
  }
}

// Header pass: every line before the column titles is copied to the output.
Header headerPass(textio::Console& console, std::string_view workingPath, const std::vector<std::string>& lines,
                  std::string& output) {
  Header h;
  bool inStars = false;
  int targetStep = 0;  // 1: target name expected next, 2: target numbers expected next
  size_t limit = std::min<size_t>(lines.size(), kMaxHeaderLines);
  for (size_t i = 0; i < limit; ++i) {
    std::string line = textio::fixed(lines[i], 50);
    if (isTitleLine(line)) {
      h.titleIndex = i;
      h.titlesFound = true;
      return h;
    }
    output += " " + line + "\n";
    if (inStars) {
      if (endsStarList(line)) {
        inStars = false;
      } else if (h.starCount == kMaxStars) {
        console.line("   error - more than 10 stars listed; star " + line.substr(2, 5) + " ignored");
      } else {
        h.names[static_cast<size_t>(h.starCount++)] = line.substr(2, 5);
        console.line(textio::Line("    star ").i(h.starCount, 2).a("  = ").a(line.substr(2, 5)));
      }
    } else if (targetStep == 1) {
      h.target = line.substr(2, 20);
      targetStep = 2;
    } else if (targetStep == 2) {
      readTargetNumbers(console, workingPath, line, h);
      targetStep = 0;
    } else if (isPhotometryLine(line)) {
      inStars = true;
    } else if (isTargetsLine(line)) {
      targetStep = 1;
    } else if (isFormatLine(line)) {
      h.format = line.substr(18, 20);
    }
  }
  return h;
}

// Reference stars: ten slots; the first must be filled. Star 10 cannot be chosen.
std::array<int, 10> askReferenceStars(textio::Console& console, const Header& h) {
  std::array<int, 10> refs{};
  for (size_t slot = 0; slot < refs.size(); ++slot) {
    for (;;) {
      console.prompt("   enter short name for the reference star : ");
      std::string name = console.keyboardText(5);
      if (textio::isBlank(name)) {
        if (slot == 0) continue;
        break;
      }
      int match = 0;
      for (int k = 1; k <= h.starCount && k < 10; ++k) {
        if (h.names[static_cast<size_t>(k - 1)] == name) match = k;
      }
      if (match == 0) {
        console.line("   error - star not recognised");
        continue;
      }
      console.line(textio::Line("   this is star number ").i(match, 2));
      refs[slot] = match;
      break;
    }
  }
  return refs;
}

char askTimeCode(textio::Console& console) {
  console.line("");
  console.line("  time correction codes : ");
  console.line("");
  console.line("  [none]   times in UTC throughout");
  console.line("       b   times in bst throughout");
  console.line("       s   times switches to BST at 2 am");
  console.line("       a   times switches to UTC at 2 am");
  console.prompt("   enter code : ");
  return console.keyboardChar();
}

// One data line: year, month, day, time and twenty values. False when it cannot be read
// or holds a date or time no observation can have.
bool readObservation(std::string_view line, int32_t& y, int32_t& m, int32_t& d, float& time,
                     std::array<float, 20>& v) {
  textio::FreeItems items(line);
  if (!items.integer(y) || !items.integer(m) || !items.integer(d) || !items.real(time)) return false;
  for (float& x : v) {
    if (!items.real(x)) return false;
  }
  return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= 31 && time > -1000.0f && time < 1000.0f;
}

struct Names {
  std::string inputFull, outputFull;
};

// Names, their full forms and the safety checks; false (after a message) when the command
// must stop. The input is read whole here, before anything is written.
bool openFiles(textio::Console& console, std::string_view workingPath, std::string_view logFileName,
               Names& names, std::vector<std::string>& lines) {
  console.prompt("   input file [" + textio::fixed(logFileName, 20) + "] = ");
  std::string typed = console.keyboardText(20);
  if (textio::isBlank(typed)) typed = textio::fixed(logFileName, 20);
  DmagNames n = dmagNames(typed);
  if (!n.ok) {
    console.line("   error - no room for a file type in the name " + std::string(textio::trimRight(typed)));
    return false;
  }
  console.line("hello - about to call adpath ... ");
  if (!textio::adpath(console, workingPath, n.input, names.inputFull)) return false;
  if (!textio::adpath(console, workingPath, n.output, names.outputFull)) return false;
  console.line("   input file  = " + names.inputFull);
  console.line("   output file = " + names.outputFull);
  if (textio::hostPath(names.inputFull) == textio::hostPath(names.outputFull)) {
    console.line("   error - output would overwrite input");
    return false;
  }
  bool ok = false;
  lines = readLines(textio::hostPath(names.inputFull), ok);
  if (!ok) {
    console.line("   error - cannot open input file " + std::string(textio::trimRight(names.inputFull)));
    return false;
  }
  console.line("hello - about to open onamp on unit 18");
  console.line("hello - about to open inamp on unit 17");
  return true;
}

// The observer's choices for one run.
struct Options {
  Reduction reduction;   // format, reference stars, magnitudes and zero point
  float minimum = 0.0f;  // smallest accepted value of the first reference star
  char timeCode = ' ';   // summer-time code
};

// Reference stars, minimum, magnitudes and time code; the lines they give go to the output.
Options askOptions(textio::Console& console, const Header& h, std::string& output) {
  Options o;
  Reduction& r = o.reduction;
  r.format = h.format;
  r.refs = askReferenceStars(console, h);
  const std::string& firstName = h.names[static_cast<size_t>(r.refs[0] - 1)];
  o.minimum = static_cast<float>(console.askNumbers("   enter minimum value for " + firstName + " : ", "r",
                                                    {textio::kAnyReal}, true)[0]);
  output += textio::Line("   minimum value of ").a(firstName).a(" = ").f(o.minimum, 7, 0).str() + "\n";
  for (int ref : r.refs) {
    if (ref > 0) output += "   normalising star = " + h.names[static_cast<size_t>(ref - 1)] + "\n";
  }
  console.prompt("   output on as magnitudes ?    y/n [n] ");
  r.magnitudes = console.keyboardChar() == 'y';
  if (r.magnitudes) {
    r.zeroPoint =
        static_cast<float>(console.askNumbers("   enter zero point : ", "r", {textio::kAnyReal}, true)[0]);
    output += textio::Line("  zero point = ").f(r.zeroPoint, 7, 3).str() + "\n";
  }
  o.timeCode = askTimeCode(console);
  return o;
}

// One output line per accepted observation after the column titles. Every date is counted
// from the date of the first accepted observation, its time carried on past midnight.
void dataPass(textio::Console& console, const std::vector<std::string>& lines, const Header& h, const Options& o,
              const Ephemeris& eph, std::string& output) {
  TimeCorrector times(o.timeCode);
  const size_t firstRef = static_cast<size_t>(o.reduction.refs[0] - 1);
  bool first = true;
  int32_t y0 = 0, m0 = 0, d0 = 0;
  for (size_t i = h.titleIndex + 1; i < lines.size(); ++i) {
    if (textio::isBlank(lines[i])) continue;
    int32_t y, m, d;
    float time;
    std::array<float, 20> v{};
    if (!readObservation(lines[i], y, m, d, time, v)) {
      console.line("   error - cannot read data line " + std::to_string(i + 1) + "; line skipped");
      continue;
    }
    if (v[firstRef] < o.minimum) continue;
    console.line(textio::Line("      time = ").free(time));
    if (first) {
      y0 = y, m0 = m, d0 = d;
      first = false;
    }
    std::array<float, 20> cols = reduceObservation(v, o.reduction);
    float t = times.next(time);
    Phase p = calcph(y0, m0, d0, t, h.ra, h.dec, eph, console);
    output += dmagLine(y, m, d, t, cols, p.hjd, p.phase) + "\n";
  }
}

}  // namespace

void ccdpho(textio::Console& console, std::string_view workingPath, std::string_view logFileName,
            const Ephemeris& eph) {
  console.line("   calculate delta-mag; maximum of 10 stars per line in input file");
  console.line("   following sections of code need updating/reinstating:");
  console.line("   stars for asteroid to avoid");
  console.line("   ephemeris/phase calculation");
  console.line("  ");
  Names names;
  std::vector<std::string> lines;
  if (!openFiles(console, workingPath, logFileName, names, lines)) return;

  std::string output;
  Header h = headerPass(console, workingPath, lines, output);
  if (!h.titlesFound) {
    console.line("   error - no column titles (\"     y   m  d    UTC\") in the input file; nothing written");
    return;
  }
  console.line("   data format : " + h.format);
  console.line(textio::Line("   there are ").i(h.starCount, 2).a(" stars in the input file "));
  if (h.starCount == 0) {
    console.line("   error - no stars listed after \"  photometry :\"; nothing written");
    return;
  }
  console.line("   data will be normalised to the *average* of the specified reference stars");
  Options o = askOptions(console, h, output);
  output += "\n" + dmagTitle(h.names) + "\n\n";
  dataPass(console, lines, h, o, eph, output);
  if (!textio::replaceFileAtomically(textio::hostPath(names.outputFull), output)) {
    console.line("   error - cannot write output file " + std::string(textio::trimRight(names.outputFull)));
  }
}

}  // namespace lightcurve

// Position refinement from star lists: first frame only, or all aligned frames with tracking.
#include "phot/position_refinement.h"

#include <algorithm>

#include <cmath>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"
#include "image/workspaces.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"

namespace phot {

namespace {


// Reads a star position list as 70-character records, counting lines for messages.
class ListLines {
 public:
  explicit ListLines(std::istream& in) : in_(in) {}
  bool next(std::string& line) {
    std::string raw;
    if (!std::getline(in_, raw)) return false;
    ++number_;
    line = textio::fixed(textio::dropCr(raw), 70);
    return true;
  }
  // The next "stars found in" header; false at the end of the file.
  bool nextHeader(std::string& frameName) {
    std::string line;
    while (next(line)) {
      if (line.compare(2, 15, "stars found in ") == 0) {
        frameName = line.substr(17, 20);
        return true;
      }
    }
    return false;
  }
  int number() const { return number_; }

 private:
  std::istream& in_;
  int number_ = 0;
};

// One star row: its first two numbers. Unreadable: false.
bool readRow(const std::string& line, float& u, float& v) {
  textio::FreeItems items(line);
  return items.real(u) && items.real(v);
}

struct ListFile {
  std::string full;        // 80-character full name
  std::ifstream stream;
};

// The common check and heading of both modes; false when no list file is named.
bool commonCheck(textio::Console& console, const core::Settings& settings) {
  console.line("");
  if (settings.starListFile.compare(0, 2, "  ") == 0) {
    console.line("   error: no star positions file has been specifed !");
    console.line("   either specify file with positionlistfile command;");
    console.line("   or     find stars with findstars command");
    return false;
  }
  console.line("    last position list file to be created was : " + textio::fixed(settings.starListFile, 20));
  console.line(textio::Line("    tolerance for position matching (horizonatal pixels) : ").f(settings.matchTolerance, 4, 1));
  console.line("");
  return true;
}

bool openList(textio::Console& console, const core::Settings& settings, ListFile& list) {
  if (!textio::adpath(console, settings.workingPath, settings.starListFile, list.full)) return false;
  list.stream.open(textio::hostPath(list.full), std::ios::binary);
  if (!list.stream) {
    console.line("   error - cannot open position list file " + std::string(textio::trimRight(list.full)));
    console.line("   (star data table unchanged)");
    return false;
  }
  return true;
}

void unreadable(textio::Console& console, const ListLines& lines, const core::Settings& settings) {
  console.line(textio::Line("   error - cannot read line").i(lines.number(), 7).a(" of ")
                   .a(textio::trimRight(settings.starListFile)).a("; star data table unchanged"));
}

std::string entryLine(const StarEntry& e) {
  return textio::Line("     ")
      .a(e.code, 5)
      .x(1)
      .a(e.name, 20)
      .x(1)
      .a("( ")
      .f(e.approxU, 7, 2)
      .x(1)
      .f(e.approxV, 7, 2)
      .a(" ) ")
      .x(2)
      .f(e.refinedU, 7, 2)
      .x(1)
      .f(e.refinedV, 7, 2)
      .str();
}

float horizontalDistance(float du, float dv, const align::PixelSizes& px) {
  float dvh = dv * px.y / px.x;
  return std::sqrt(du * du + dvh * dvh);
}

}  // namespace

int rowLimit(int64_t capacity) {
  if (capacity <= image::kCapacity) return kMaxRows;
  return static_cast<int>((capacity * kMaxRows + image::kCapacity - 1) / image::kCapacity);
}

void updatePositions(textio::Console& console, const core::Settings& settings, const align::PixelSizes& px,
                     StarData& sd, int maxRows) {
  if (!commonCheck(console, settings)) return;
  console.line("   The first image in this file will be searched for the stars");
  console.line("   of interest (i.e. for a star within tolerance of those in");
  console.line("   stardata.txt).");
  console.line("   The position of the stars will be updated by using those found");
  console.line("   in the position list file.");
  console.line("");
  console.prompt("   press return to continue ... ");
  console.answerChar();
  ListFile list;
  if (!openList(console, settings, list)) return;
  console.line("  opening position list file = " + list.full);
  auto work = std::make_unique<StarData>(sd);
  ListLines lines(list.stream);
  std::string frameName, line;
  if (lines.nextHeader(frameName)) {
    for (int skip = 0; skip < 3; ++skip) lines.next(line);
    for (int row = 0; row < maxRows && lines.next(line); ++row) {
      float u, v;
      if (!readRow(line, u, v)) {
        unreadable(console, lines, settings);
        return;
      }
      if (u > 9997.0f) break;
      for (int k = 1; k <= work->starCount; ++k) {
        StarEntry& e = work->stars[k];
        if (horizontalDistance(u - e.approxU, v - e.approxV, px) < settings.matchTolerance) {
          e.refinedU = u;
          e.refinedV = v;
        }
      }
    }
  }
  sd = *work;
  console.line("");
  for (int k = 1; k <= sd.starCount; ++k) console.line(entryLine(sd.stars[k]));
  console.line("");
  (void)gssave(console, settings.workingPath, sd);
}

namespace {

void explainMultiple(textio::Console& console) {
  static const char* const kLines[] = {
      "",
      "   All the images in this file will be searched for the stars",
      "   of interest (i.e. for stars within tolerance of those in",
      "   stardata.txt).",
      "   NB: You must have already created an image alignment file,",
      "   since we will have to take account of image drift/rotation",
      "   when trying to identify the stars.",
      "   The position of the stars will be updated by using the average",
      "   of those found in the position list file.",
      "",
      "   This command will recalculate the residuals array.",
      "   Residuals are deviation from position where it expects to find",
      "   the object - be they initial positions, refined positions (which",
      "   have been copied to intial positions), or a model path fit",
      "   Model path fit used only if motion = ON and free tracking = ON",
      "",
      "   The program will list out the fiducial frame coordinates ",
      "   derived for one of the objects (written to objectpath.txt).",
      "",
  };
  for (const char* l : kLines) console.line(l);
}

// The tracked object's line of objectpath.txt.
std::string pathLine(float time, float u, float v, const std::string& code, const std::string& frame, float eu,
                     float ev, float residual) {
  return textio::Line("  ")
      .f(time, 7, 4)
      .a(" , ")
      .f(u, 7, 2)
      .a(" , ")
      .f(v, 7, 2)
      .a(" , ")
      .a(code, 5)
      .a(" , ")
      .a(frame, 20)
      .a(" ,")
      .f(eu, 7, 2)
      .a(",")
      .f(ev, 7, 2)
      .a(",")
      .f(u - eu, 5, 2)
      .a(",")
      .f(v - ev, 5, 2)
      .a(",")
      .f(residual, 5, 2)
      .str();
}

}  // namespace

void updateMultiple(textio::Console& console, const core::Settings& settings, const align::PixelSizes& px,
                    StarData& sd, const align::AlignmentTable& alignment, const motion::PathModel& model,
                    motion::ResidualTable& residuals, float& frameTime, int maxRows) {
  if (!commonCheck(console, settings)) return;
  explainMultiple(console);
  std::string tracked = sd.stars[1].code;
  console.prompt("    do this for star [" + tracked + "] :");
  std::string answer = console.answerText(5);
  textio::blankFrom(answer, ";/!");
  if (!textio::isBlank(answer)) tracked = answer;
  console.prompt("    allow free tracking of this object? [n] :");
  char free = console.answerChar();
  bool freeTracking = free == 'y' || free == 'Y';
  if (freeTracking) {
    console.line("    path written to objectpath.txt");
    console.line(settings.motionOn == 0 ? "search about position in last frame" : "search about model position");
  }
  console.line("");
  ListFile list;
  if (!openList(console, settings, list)) return;
  std::string pathFull;
  if (!textio::adpath(console, settings.workingPath, textio::fixed("objectpath.txt", 20), pathFull)) return;
  std::string pathText;
  auto work = std::make_unique<StarData>(sd);
  std::vector<float> sumU(kMaxStars + 1, 0.0f), sumV(kMaxStars + 1, 0.0f);
  std::vector<int> count(kMaxStars + 1, 0);
  bool trackedSeen = false;
  float beforeU = 0.0f, beforeV = 0.0f;
  ListLines lines(list.stream);
  std::string frameName, line;
  bool passEnded = false;
  while (!passEnded && lines.nextHeader(frameName)) {
    align::FrameLookup f = getfid(console, alignment, frameName, frameTime);
    if (f.du > 9997.0f) continue;
    for (int skip = 0; skip < 3; ++skip) lines.next(line);
    motion::PathPosition expectedPath = motion::movuv(model, frameTime);
    for (int row = 0;; ++row) {
      if (row == maxRows || !lines.next(line)) {
        passEnded = true;
        break;
      }
      float u, v;
      if (!readRow(line, u, v)) {
        unreadable(console, lines, settings);
        return;
      }
      if (u > 9997.0f) break;
      float U, V;
      align::convuv(U, V, f.du, f.dv, f.rotation, u, v, px);
      for (int k = 1; k <= work->starCount; ++k) {
        StarEntry& e = work->stars[k];
        bool isTracked = e.code == tracked;
        float eu = e.approxU, ev = e.approxV;
        if (isTracked && settings.motionOn == 1 && freeTracking) {
          eu = expectedPath.u;
          ev = expectedPath.v;
        }
        if (!(horizontalDistance(U - eu, V - ev, px) < settings.matchTolerance)) continue;
        sumU[static_cast<size_t>(k)] += U;
        sumV[static_cast<size_t>(k)] += V;
        count[static_cast<size_t>(k)] += 1;
        if (!isTracked) continue;
        console.line(textio::Line("  star ").a(e.code).a(" in ").a(frameName).a(" fiducial frame u,v = ")
                         .f(U, 7, 2).f(V, 7, 2));
        float r = motion::resid(console, residuals, U, V, eu, ev, frameName, px.x, px.y);
        pathText += pathLine(frameTime, U, V, e.code, frameName, eu, ev, r) + "\n";
        if (freeTracking) {
          if (!trackedSeen) {
            beforeU = e.approxU;
            beforeV = e.approxV;
            trackedSeen = true;
          }
          e.approxU = U;
          e.approxV = V;
        }
      }
    }
  }
  // A pass that measured nothing leaves the files it would empty as they were.
  if (std::all_of(count.begin(), count.end(), [](int n) { return n == 0; })) {
    console.line("   no star found in an aligned frame: objectpath.txt and the star data table are left as they were");
    return;
  }
  if (pathText.empty()) {
    console.line("   star " + std::string(textio::trimRight(tracked)) +
                 " not found in an aligned frame: objectpath.txt is left as it was");
  } else if (!textio::replaceFileAtomically(textio::hostPath(pathFull), pathText)) {
    console.line("   error - cannot write objectpath.txt; star data table unchanged");
    return;
  }
  console.line("");
  console.line("    For any moving object:");
  console.line("    initial, start, position is copied to refined position.");
  console.line("    Precise positions should be obtained from model.");
  console.line("");
  console.line("");
  for (int k = 1; k <= kMaxStars; ++k) {
    StarEntry& e = work->stars[k];
    e.refinedU = 0.0f;
    e.refinedV = 0.0f;
    int n = count[static_cast<size_t>(k)];
    if (n <= 0) continue;
    e.refinedU = sumU[static_cast<size_t>(k)] / static_cast<float>(n);
    e.refinedV = sumV[static_cast<size_t>(k)] / static_cast<float>(n);
    if (freeTracking && trackedSeen && e.code == tracked) {
      e.approxU = e.refinedU = beforeU;
      e.approxV = e.refinedV = beforeV;
    }
    if (k <= work->starCount) console.line(entryLine(e) + textio::Line(" n =").i(n, 4).str());
  }
  console.line("");
  sd = *work;
  (void)gssave(console, settings.workingPath, sd);
}

}  // namespace phot

// Offset-only alignment: pattern matching of the fiducial stars in every frame of a star list.
#include "align/align_offsets.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>

#include "align/alignment_table.h"
#include "align/transforms.h"
#include "core/settings.h"
#include "textio/console.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"
#include "textio/progress.h"
#include "textio/value_ranges.h"

namespace align {

void test(const MatchTables& t, float x, float y, float tolerance, int& found, float& xm, float& ym) {
  float limit = tolerance * tolerance;
  for (int i = 1; i <= t.frameStarCount; ++i) {
    float dx = t.starX[i] - x;
    float dy = t.starY[i] - y;
    if (dx * dx + dy * dy < limit) {
      found = 1;
      xm = t.starX[i];
      ym = t.starY[i];
      return;
    }
  }
  found = 0;
}

void fidtst(MatchTables& t, int p, int r, int& found, float& du, float& dv, float tolerance) {
  for (int k = 1; k <= kMaxFiducials; ++k) t.matched[k] = 0;
  found = 1;
  float dx = t.starX[p] - t.fidX[r];
  float dy = t.starY[p] - t.fidY[r];
  // Tried first, without recording, so a failing hypothesis (the common case) costs little.
  for (int k = 1; k <= t.fiducialCount; ++k) {
    if (k == r) continue;
    int hit;
    float xm, ym;
    test(t, t.fidX[k] + dx, t.fidY[k] + dy, tolerance, hit, xm, ym);
    if (hit == 0) {
      found = 0;
      return;
    }
    t.matchX[k] = xm;
    t.matchY[k] = ym;
  }
  for (int k = 1; k <= t.fiducialCount; ++k) t.matched[k] = 1;
  t.matchX[r] = t.starX[p];
  t.matchY[r] = t.starY[p];
  du = dx;
  dv = dy;
}

FrameMatch matchFrame(MatchTables& t, float tolerance, bool rejectDoubles) {
  FrameMatch m;
  int last = 0;
  float du = 0.0f, dv = 0.0f;
  for (int p = 1; p <= t.frameStarCount; ++p) {
    int found;
    fidtst(t, p, 1, found, du, dv, tolerance);
    if (found == 1) {
      ++m.hypotheses;
      last = p;
    }
  }
  int count = m.hypotheses;
  if (!rejectDoubles && count > 1) count = 1;
  if (count != 1 || t.fiducialCount < 1) return m;
  int found;
  fidtst(t, last, 1, found, du, dv, tolerance);
  float sumU = 0.0f, sumV = 0.0f;
  for (int k = 1; k <= t.fiducialCount; ++k) {
    sumU += t.matchX[k] - t.fidX[k];
    sumV += t.matchY[k] - t.fidY[k];
  }
  auto n = static_cast<float>(t.fiducialCount);
  float meanX = sumU / n;
  float meanY = sumV / n;
  float squares = 0.0f;
  for (int k = 1; k <= t.fiducialCount; ++k) {
    float ex = t.matchX[k] - t.fidX[k] - meanX;
    float ey = t.matchY[k] - t.fidY[k] - meanY;
    squares += ex * ex + ey * ey;
  }
  xyuv0(meanX, meanY, m.du, m.dv);
  m.rms = std::sqrt(squares / n);
  m.aligned = true;
  return m;
}

int32_t frameFwhm(const FrameBlock& block) {
  if (block.stars.empty()) return 0;
  int64_t sum = 0;
  for (const ListedStar& s : block.stars) sum += s.width;
  float mean = static_cast<float>(sum) / static_cast<float>(block.stars.size());
  return static_cast<int32_t>(mean + 0.5f);
}

std::string hostFile(textio::Console& console, const core::Settings& settings, std::string_view name) {
  std::string full;
  if (!textio::adpath(console, settings.workingPath, textio::fixed(name, 20), full)) return {};
  return textio::hostPath(full);
}

bool readFiducials(textio::Console& console, const core::Settings& settings, MatchTables& t,
                   const FiducialTexts& texts) {
  console.line(texts.heading);
  std::string host = hostFile(console, settings, "stars.fid");
  std::ifstream in;
  if (!host.empty()) in.open(host, std::ios::binary);
  if (!in) {
    console.line(texts.openError);
    console.line("");
    return false;
  }
  t.fiducialCount = 0;
  std::string line;
  std::vector<double> uv;
  while (t.fiducialCount < kMaxFiducials && std::getline(in, line)) {
    // A position no frame can have ends the list as an unreadable line does.
    if (!textio::readReals(textio::dropCr(line), 2, uv) || !textio::within(textio::kCoordinate, uv[0]) ||
        !textio::within(textio::kCoordinate, uv[1])) {
      break;
    }
    int k = ++t.fiducialCount;
    t.fidU[k] = static_cast<float>(uv[0]);
    t.fidV[k] = static_cast<float>(uv[1]);
    uvxy0(t.fidU[k], t.fidV[k], t.fidX[k], t.fidY[k]);
    console.line(textio::Line().x(texts.echoIndent).f(t.fidU[k], 7, 2).x(1).f(t.fidV[k], 7, 2));
  }
  console.line(textio::Line(" number of fiducial stars  = ").i(t.fiducialCount, 3));
  if (t.fiducialCount < 2) {
    console.line("    error - at least two fiducial stars are needed in stars.fid;");
    console.line("            use the fiducialstars command to choose them");
    console.line("");
    return false;
  }
  return true;
}

bool openStarList(textio::Console& console, const core::Settings& settings, std::ifstream& list) {
  std::string host = hostFile(console, settings, settings.starListFile);
  if (!host.empty()) list.open(host, std::ios::binary);
  if (list) return true;
  console.line("    error -  cannot open star position list file " +
               std::string(textio::trimRight(settings.starListFile)));
  console.line("    (align.dat and align.txt are left as they were)");
  console.line("");
  return false;
}

namespace {

void loadFrameStars(const FrameBlock& block, MatchTables& t) {
  t.frameStarCount = static_cast<int>(std::min<size_t>(block.stars.size(), kFrameStarCapacity));
  for (int i = 1; i <= t.frameStarCount; ++i) {
    t.starU[i] = block.stars[static_cast<size_t>(i - 1)].u;
    t.starV[i] = block.stars[static_cast<size_t>(i - 1)].v;
    uvxy0(t.starU[i], t.starV[i], t.starX[i], t.starY[i]);
  }
}

void closingLines(textio::Console& console, const AlignRun& run, bool written) {
  console.line("");
  console.line(" please remember, don't forget ...");
  console.line("   offset is in sense observed minus fiducial");
  console.line("   tolerance for match is 2 pixels ");
  console.line("");
  console.line("   centre of pixel is at u.0, v.0");
  console.line("");
  float percent = run.found > 0 ? 100.0f * static_cast<float>(run.matched) / static_cast<float>(run.found) : 0.0f;
  console.line("");
  console.line(textio::Line(" files matched = ")
                   .i(run.matched, 3)
                   .a(" out of ")
                   .i(run.found, 3)
                   .x(5)
                   .f(percent, 6, 1)
                   .a(" percent"));
  console.line("");
  if (written) {
    console.line(" alignment data written to align.dat");
    console.line(" alignment data in CSV format written to align.txt");
  } else if (run.matched == 0) {
    console.line(" no frame matched: align.dat and align.txt are left as they were");
  }
  console.line("");
}

}  // namespace

AlignRun alignOffsets(textio::Console& console, const core::Settings& settings, int frameStars) {
  frameStars = std::clamp(frameStars, 1, kFrameStarCapacity);
  AlignRun run;
  auto tables = std::make_unique<MatchTables>();
  MatchTables& t = *tables;
  if (!readFiducials(console, settings, t,
                     {"  reading coordinates of fiducial stars ...", "    error -  cannot open file stars.fid", 10})) {
    return run;
  }
  console.prompt("  try to reject double images y/n [y] : ");
  bool rejectDoubles = console.answerChar() != 'n';
  console.line("");
  console.line("  file                 time      du      dv      rotate    fwhm     sky   rms");
  console.line("                                                 degree");
  std::ifstream list;
  if (!openStarList(console, settings, list)) return run;
  std::string dat, csv;
  StarListReader reader(list, frameStars);
  FrameBlock block;
  float previousTime = 0.0f;
  for (;;) {
    BlockRead got = reader.next(block);
    if (got == BlockRead::End) break;
    ++run.found;
    textio::showProgress("align", run.found, 0);
    if (got == BlockRead::Truncated) {
      if (reader.problemLine() > 0) {
        console.line(textio::Line("    error - cannot read line").i(reader.problemLine(), 7).a(" of ")
                         .a(textio::trimRight(settings.starListFile)).a("; alignment ends there"));
      }
      break;
    }
    loadFrameStars(block, t);
    int32_t fwhm = frameFwhm(block);
    float time = block.time;
    if (previousTime > time) time += 24.0f;
    FrameMatch m = matchFrame(t, settings.matchTolerance, rejectDoubles);
    if (m.aligned) ++run.matched;
    float rms = m.du > 9990.0f ? 99.99f : m.rms;
    std::string record = alignRecord(block.name, time, m.du, m.dv, 0.0f, fwhm, block.sky, rms);
    console.line(record);
    dat += record;
    dat += '\n';
    if (m.du < 9990.0f) {
      csv += alignCsvRecord(block.name, time, m.du, m.dv, 0.0f, fwhm, block.sky, rms, 7);
      csv += '\n';
    }
    previousTime = time;
  }
  textio::endProgress();
  if (run.matched == 0) {
    closingLines(console, run, false);
    return run;
  }
  bool written = textio::replaceFileAtomically(hostFile(console, settings, "align.dat"), dat) &&
                 textio::replaceFileAtomically(hostFile(console, settings, "align.txt"), csv);
  if (!written) console.line("    error - cannot write align.dat or align.txt");
  run.ran = written;
  closingLines(console, run, written);
  return run;
}

}  // namespace align

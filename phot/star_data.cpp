// Star data table: editing modes, stardata.txt, the fiducial and photometry selections,
// the frame look-up, the per-frame PSF store and the artificial star.
#include "phot/star_data.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>

#include "image/workspaces.h"
#include "textio/console.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"
#include "textio/value_ranges.h"

namespace phot {

namespace {

std::string hostFile(textio::Console& console, std::string_view workingPath, std::string_view name) {
  std::string full;
  if (!textio::adpath(console, workingPath, textio::fixed(name, 20), full)) return {};
  return textio::hostPath(full);
}

// A typed code or name: cut to its width, blanked from the first ';', '/' or '!'.
std::string typedField(textio::Console& console, size_t width) {
  std::string s = console.answerText(width);
  textio::blankFrom(s, ";/!");
  return s;
}

void addStars(textio::Console& console, std::string_view workingPath, StarData& sd) {
  if (sd.starCount >= kMaxStars) {
    console.line("   sorry - you cannot have any more stars!");
    return;
  }
  for (int n = sd.starCount + 1; n <= kMaxStars; ++n) {
    console.line("");
    console.line(textio::Line("   star number").i(n, 3));
    console.prompt("   enter short code (max 5 chars) or <return> if finished : ");
    StarEntry& e = sd.stars[n];
    e.code = typedField(console, 5);
    if (textio::isBlank(e.code)) break;
    console.prompt("   enter full name (max 20 chars, optional) : ");
    e.name = typedField(console, 20);
    std::vector<float> uv = console.askReals("   enter approximate u,v : ", 2, textio::kCoordinate);
    e.approxU = uv[0];
    e.approxV = uv[1];
    sd.starCount = std::min(sd.starCount + 1, kMaxStars);
  }
  (void)gssave(console, workingPath, sd);
}

void copyRefinedToApprox(textio::Console& console, StarData& sd) {
  console.line("  This command will copy refined positions to initial positions");
  console.line("  You may - optionally - omit one object from this copying process");
  console.prompt("  Enter short name of object (e.g. asteroid) you wish to omit:");
  std::string omit = console.keyboardText(5);
  for (StarEntry& e : sd.stars) {
    if (e.refinedU >= 0.5f && e.refinedV >= 0.5f && e.code != omit) {
      e.approxU = e.refinedU;
      e.approxV = e.refinedV;
    }
  }
}

void copyApproxToRefined(StarData& sd) {
  for (StarEntry& e : sd.stars) {
    if (e.approxU >= 0.5f && e.approxV >= 0.5f) {
      e.refinedU = e.approxU;
      e.refinedV = e.approxV;
    }
  }
}

void readLineError(textio::Console& console, int lineNo) {
  console.line(textio::Line("   error - cannot read line").i(lineNo, 4).a(" of stardata.txt;"));
  console.line("   the entries read before it are kept, the others left empty");
}

}  // namespace

StarData::StarData() { resetSkyOffsets(*this); }

void resetSkyOffsets(StarData& sd) {
  for (auto& object : sd.skyOffsetU) object.fill(kUnsetSky);
  for (auto& object : sd.skyOffsetV) object.fill(kUnsetSky);
  sd.starLabels.fill(std::string(5, ' '));
}

void clearStars(StarData& sd) {
  sd.starCount = 0;
  sd.stars.fill(StarEntry{});
}

void gsdata(textio::Console& console, std::string_view workingPath, StarData& sd, int mode) {
  switch (mode) {
    case 0:
      clearStars(sd);
      return;
    case 1:
      addStars(console, workingPath, sd);
      return;
    case 9:
      copyRefinedToApprox(console, sd);
      break;
    case 10:
      for (StarEntry& e : sd.stars) {
        e.refinedU = 0.0f;
        e.refinedV = 0.0f;
      }
      break;
    case 19:
      copyApproxToRefined(sd);
      break;
    default:
      return;
  }
  (void)gssave(console, workingPath, sd);
}

void gsshow(textio::Console& console, const StarData& sd) {
  console.line("");
  for (int n = 1; n <= std::min(sd.starCount, kMaxStars); ++n) {
    const StarEntry& e = sd.stars[n];
    console.line(textio::Line()
                     .x(10).a(e.code, 5)
                     .x(1).a(e.name, 20)
                     .x(1).a("( ").f(e.approxU, 7, 2)
                     .x(1).f(e.approxV, 7, 2)
                     .a(" ) ").x(2).f(e.refinedU, 7, 2)
                     .x(1).f(e.refinedV, 7, 2));
  }
  console.line("");
}

bool gssave(textio::Console& console, std::string_view workingPath, const StarData& sd) {
  std::string content = textio::Line().freeI(sd.starCount).str() + "\n";
  for (const StarEntry& e : sd.stars) {
    content += textio::fixed(e.name, 20) + "\n";
    content += textio::fixed(e.code, 5) + "\n";
    content += textio::Line().free(e.approxU).free(e.approxV).free(e.refinedU).free(e.refinedV).str() + "\n";
  }
  std::string host = hostFile(console, workingPath, "stardata.txt");
  if (host.empty() || !textio::replaceFileAtomically(host, content)) {
    console.line("   error - cannot write stardata.txt");
    return false;
  }
  return true;
}

void gsload(textio::Console& console, std::string_view workingPath, StarData& sd) {
  std::string host = hostFile(console, workingPath, "stardata.txt");
  if (host.empty()) return;
  std::ifstream in(host, std::ios::binary);
  if (!in) return;
  std::string line;
  int lineNo = 0;  // lines read so far
  auto next = [&]() {
    if (!std::getline(in, line)) return false;
    ++lineNo;
    return true;
  };
  int32_t count = 0;
  bool ok = next() && textio::FreeItems(textio::dropCr(line)).integer(count);
  if (!ok) count = 0;
  int n = 1;
  for (; ok && n <= kMaxStars; ++n) {
    StarEntry e;
    std::vector<double> pos;
    ok = next();
    if (ok) e.name = textio::fixed(textio::dropCr(line), 20);
    ok = ok && next();
    if (ok) e.code = textio::fixed(textio::dropCr(line), 5);
    ok = ok && next() && textio::readReals(textio::dropCr(line), 4, pos);
    // A position no frame can have is as unreadable as a malformed one.
    ok = ok &&
         std::all_of(pos.begin(), pos.end(), [](double c) { return textio::within(textio::kCoordinate, c); });
    if (!ok) break;
    e.approxU = static_cast<float>(pos[0]);
    e.approxV = static_cast<float>(pos[1]);
    e.refinedU = static_cast<float>(pos[2]);
    e.refinedV = static_cast<float>(pos[3]);
    sd.stars[n] = e;
  }
  if (!ok) {
    // An unreadable line, or a file that ends early (the missing line is named).
    readLineError(console, in ? lineNo : lineNo + 1);
    for (int k = n; k <= kMaxStars; ++k) sd.stars[k] = StarEntry{};
  }
  sd.starCount = std::clamp<int32_t>(count, 0, kMaxStars);
  int withCode = 0;
  for (const StarEntry& e : sd.stars) {
    if (!textio::isBlank(e.code)) ++withCode;
  }
  console.line(textio::Line("   finished reading stardata.txt; number of stars read =").i(withCode, 3));
  console.line("");
}

void setfid(textio::Console& console, std::string_view workingPath, const StarData& sd) {
  std::string content;
  for (int prompt = 1; prompt <= 20; ++prompt) {
    console.prompt("   enter short code for fiducial star, or <return> to finish : ");
    std::string code = typedField(console, 5);
    if (textio::isBlank(code)) break;
    bool known = false;
    for (const StarEntry& e : sd.stars) {
      if (e.code != code) continue;
      known = true;
      content += textio::Line().free(e.refinedU).free(e.refinedV).str() + "\n";
    }
    if (!known) console.line("   error - star not recognised ");
  }
  if (content.empty()) {
    console.line("   no fiducial star chosen: stars.fid is left as it was");
    return;
  }
  std::string host = hostFile(console, workingPath, "stars.fid");
  if (host.empty() || !textio::replaceFileAtomically(host, content)) {
    console.line("   error - cannot write stars.fid");
  }
}

void setpht(textio::Console& console, StarData& sd, StarListUse use) {
  console.line("");
  if (use == StarListUse::PsfRun) {
    console.line("   Determine PSF for the first of the following stars");
    console.line("   Determine the positions for all of the following stars");
  } else {
    console.line("   Set stars used for photometry ");
    console.line("   Remember that with optimal extraction the weighting star goes first");
  }
  console.line("");
  sd.starLabels.fill(std::string(5, ' '));
  sd.photStarCount = 0;
  while (sd.photStarCount < kPhotSlots) {
    console.prompt("   enter short code for  star, or <return> to finish : ");
    std::string code = typedField(console, 5);
    if (textio::isBlank(code)) return;
    int slot = sd.photStarCount + 1;
    bool known = false;
    for (const StarEntry& e : sd.stars) {
      if (e.code != code) continue;
      known = true;
      sd.starLabels[slot] = code;
      if (e.refinedU > 0.5f) {
        sd.photStarU[slot] = e.refinedU;
        sd.photStarV[slot] = e.refinedV;
      } else {
        console.line("   refined (u,v) not available, use approx (u,v) instead)");
        sd.photStarU[slot] = e.approxU;
        sd.photStarV[slot] = e.approxV;
      }
      console.line(textio::Line("   ")
                       .a(code, 5)
                       .a(" u = ").f(sd.photStarU[slot], 7, 2)
                       .a(" v = ").f(sd.photStarV[slot], 7, 2));
      console.line("");
    }
    if (known) {
      sd.photStarCount = slot;
      continue;
    }
    console.line("   error : star not recognised ");
    console.line("   star not present in refined section of star data table; you either ");
    console.line("   typed the wrong star name, have not loaded the star positions (use ");
    console.line("   the loadpositions command) or have not yet refined the approximate");
    console.line("   positions in the star data table");
    console.line("");
  }
  console.prompt("    press <return> to continue...");
  console.answer();
}

align::FrameLookup getfid(textio::Console& console, const align::AlignmentTable& table,
                          std::string_view frameName, float& frameTime) {
  align::FrameLookup found = align::findFrame(table, frameName);
  if (found.found) {
    frameTime = found.time;
  } else {
    console.line("  no offset recorded for this file !");
  }
  return found;
}

void keepsf(textio::Console& console, const align::AlignmentTable& table, StarData& sd,
            std::string_view frameName, PsfSums step, float r, float e) {
  switch (step) {
    case PsfSums::Clear:
      sd.framePsfR.fill(0.0f);
      sd.framePsfE.fill(0.0f);
      break;
    case PsfSums::Add:
      sd.psfRSum += r;
      sd.psfESum += e;
      sd.psfNumber += 1.0f;
      return;
    case PsfSums::Store:
      if (sd.psfNumber > 0.0f) {
        align::FrameLookup found = align::findFrame(table, frameName);
        if (found.found) {
          sd.framePsfR[found.index] = sd.psfRSum / sd.psfNumber;
          sd.framePsfE[found.index] = sd.psfESum / sd.psfNumber;
        } else {
          console.line("  could not store psf; HAVE YOU LOADED ALIGNMENT ARRAY ?! ");
        }
      }
      break;
    default:
      return;
  }
  sd.psfRSum = 0.0f;
  sd.psfESum = 0.0f;
  sd.psfNumber = 0.0f;
}

void qrypsf(textio::Console& console, const align::AlignmentTable& table, const StarData& sd) {
  console.prompt("   enter filename: ");
  std::string name = console.keyboardText(20);
  align::FrameLookup found = align::findFrame(table, name);
  if (found.found) {
    console.line(textio::Line()
                     .x(10).a("r,e = ")
                     .f(sd.framePsfR[found.index], 6, 2)
                     .x(1).f(sd.framePsfE[found.index], 6, 2));
  } else {
    console.line("  could not find data for this file");
  }
  console.line("");
}

float pxclc(float uc, float vc, float x, float y, float height, float r, float e) {
  float dx = (x - uc) / (r * e);
  float dy = (y - vc) / (r / e);
  return height * std::exp(-dx * dx - dy * dy);
}

bool pstar(textio::Console& console, image::Workspaces& ws, float u, float v, float height, float r,
           float e) {
  if (!(r > 0.0f) || !(e > 0.0f)) {
    console.line("   error - r and e must both be greater than 0; no star added");
    return false;
  }
  float total = 0.0f;
  // Positions beyond any frame add nothing (and keep the pixel indices in range).
  if (std::fabs(u) < 1.0e7f && std::fabs(v) < 1.0e7f) {
    auto i0 = static_cast<int32_t>(u - 10.0f), i1 = static_cast<int32_t>(u + 10.0f);
    auto j0 = static_cast<int32_t>(v - 10.0f), j1 = static_cast<int32_t>(v + 10.0f);
    for (int32_t i = i0; i <= i1; ++i) {
      for (int32_t j = j0; j <= j1; ++j) {
        int32_t value;
        if (!ws.get(i, j, value)) continue;
        float sum = 0.0f;
        for (int k = -12; k <= 12; ++k) {
          for (int l = -12; l <= 12; ++l) {
            sum += pxclc(u, v, static_cast<float>(i) + 0.04f * static_cast<float>(k),
                         static_cast<float>(j) + 0.04f * static_cast<float>(l), height, r, e);
          }
        }
        float average = sum / 625.0f;
        double updated = std::trunc(static_cast<double>(value) + static_cast<double>(average));
        updated = std::clamp(updated, static_cast<double>(std::numeric_limits<int32_t>::min()),
                             static_cast<double>(std::numeric_limits<int32_t>::max()));
        ws.put(i, j, static_cast<int32_t>(updated));
        total += average;
      }
    }
  }
  console.line("");
  console.line(textio::Line("   total flux = ").f(total, 9, 1));
  console.line("");
  return true;
}

}  // namespace phot

// Photometry objects, sky positions and the PSF list file.
#include "app/photometry_dialogues.h"

#include <algorithm>
#include <fstream>

#include "app/working_path.h"
#include "phot/star_data.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/value_ranges.h"

namespace app {

namespace {

void askPositions(Session& s, bool newLabels) {
  phot::StarData& sd = s.state.starData;
  s.console.line("   coordinates of stars for photometry -");
  s.console.line("   best measured from a composite frame");
  if (s.state.settings.motionOn == 1) s.console.line("    first 'star' treated as asteroid !");
  int32_t n = s.console.askInt("    number of stars (max 10) : ", textio::kAnyInteger);
  n = std::clamp(n, 0, phot::kPhotSlots);
  sd.photStarCount = n;
  for (int k = 1; k <= n; ++k) {
    if (newLabels) {
      s.console.prompt("   star label : ");
      sd.starLabels[k] = s.console.answerText(5);
    }
    std::vector<float> uv =
        s.console.askReals(textio::Line("    star ").i(k, 2).a("   i,j = ").str(), 2, textio::kCoordinate);
    sd.photStarU[k] = uv[0];
    sd.photStarV[k] = uv[1];
  }
}

}  // namespace

void starlistCommand(Session& s) { askPositions(s, false); }

void nstarlistCommand(Session& s) {
  for (std::string& label : s.state.starData.starLabels) label = std::string(5, ' ');
  askPositions(s, true);
}

void targetsCommand(Session& s) {
  s.console.answerText(20);
  s.console.answerText(5);
  s.console.askNumbers("", "irir", {textio::kAnyReal});
  for (int k = 0; k < 9; ++k) {
    std::string name = s.console.answerText(20);
    if (textio::isBlank(name)) break;
    s.console.answerText(5);
  }
}

void dskylistCommand(Session& s) {
  phot::StarData& sd = s.state.starData;
  s.console.prompt("   name of object : ");
  std::string label = s.console.answerText(5);
  int object = 0;
  for (int k = 1; k <= phot::kPhotSlots && object == 0; ++k) {
    if (sd.starLabels[k] == label) object = k;
  }
  s.console.line(textio::Line("   this is star number ").i(object, 2));
  if (object == 0) {
    s.console.line("error - no star of this name !");
    s.console.line("make sure you define stars");
    s.console.line("before sky positions");
    return;
  }
  int32_t n = s.console.askInt("   number of sky positions (max 20) : ", textio::kAnyInteger);
  n = std::clamp(n, 0, phot::kSkySpots);
  sd.skyPositionCount = n;
  if (n > 0) {
    for (int spot = 1; spot <= n; ++spot) {
      std::vector<float> d = s.console.askReals("   sky offset, du,dv : ", 2, textio::kCoordinate);
      sd.skyOffsetU[object][spot] = d[0];
      sd.skyOffsetV[object][spot] = d[1];
    }
    s.console.line("    sky positions (based on available star positions) : ");
    for (int spot = 1; spot <= phot::kSkySpots; ++spot) {
      if (!(sd.skyOffsetU[object][spot] > -1000.0f)) continue;
      s.console.line(textio::Line()
                         .x(30)
                         .a("u,v = ")
                         .f(sd.photStarU[object] + sd.skyOffsetU[object][spot], 7, 1)
                         .x(1)
                         .f(sd.photStarV[object] + sd.skyOffsetV[object][spot], 7, 1));
    }
  }
  s.console.line("    NB Offsets are stored, not positions, in case object moves!");
}

void clearskyCommand(Session& s) {
  phot::StarData& sd = s.state.starData;
  for (int k = 1; k <= phot::kPhotSlots; ++k) {
    sd.skyOffsetU[k].fill(phot::kUnsetSky);
    sd.skyOffsetV[k].fill(phot::kUnsetSky);
  }
  s.console.line("  sky position array cleared; no sky positions currently specified");
  s.console.line(" ");
}

void readpsffilCommand(Session& s) {
  phot::StarData& sd = s.state.starData;
  const align::AlignmentTable& table = s.state.alignment;
  phot::keepsf(s.console, table, sd, "", phot::PsfSums::Clear, 0.0f, 0.0f);
  s.console.prompt("   looking up stars.psf...");
  s.state.settings.starListFile = textio::fixed("stars.psf", 20);
  std::string host = hostName(s, "stars.psf");
  std::ifstream in;
  if (!host.empty()) in.open(host, std::ios::binary);
  if (!in) {
    s.console.line("");
    s.console.line("   error - cannot open stars.psf; no PSF values stored");
    return;
  }
  std::string raw;
  while (std::getline(in, raw)) {
    std::string line = textio::fixed(textio::dropCr(raw), 40);
    if (line.compare(0, 17, "  stars found in ") != 0) continue;
    std::string frame = line.substr(17, 20);
    s.console.line("    image " + frame + " reading psf data...");
    for (int skip = 0; skip < 3 && std::getline(in, raw); ++skip) {
    }
    float sumR = 0.0f, sumE = 0.0f;
    int n = 0;
    while (std::getline(in, raw)) {
      std::vector<double> v;
      if (!textio::readReals(textio::dropCr(raw), 5, v) || v[0] > 9990.0) break;
      auto r = static_cast<float>(v[3]);
      auto e = static_cast<float>(v[4]);
      phot::keepsf(s.console, table, sd, frame, phot::PsfSums::Add, r, e);
      sumR += r;
      sumE += e;
      ++n;
      s.console.line(textio::Line("          r0psf, ellip =").f(r, 5, 2).x(1).f(e, 5, 2));
    }
    phot::keepsf(s.console, table, sd, frame, phot::PsfSums::Store, 0.0f, 0.0f);
    if (n > 0) {
      s.console.line(textio::Line("    mean  r0psf, ellip =")
                         .f(sumR / static_cast<float>(n), 5, 2)
                         .x(1)
                         .f(sumE / static_cast<float>(n), 5, 2));
    }
    s.console.line(" ");
  }
}

}  // namespace app

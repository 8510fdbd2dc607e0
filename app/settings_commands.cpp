// Settings commands with a dialogue longer than one prompt, or with limits and confirmations.
#include "app/settings_commands.h"

#include <algorithm>

#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/value_ranges.h"

namespace app {

void skysubtrac(Session& s) {
  textio::Console& c = s.console;
  c.line("  sky subtraction method :  ");
  c.line("  usual method : ");
  c.line("  1 = average of all sky positions");
  c.line("  for moving objects : ");
  c.line("  2 = nearest two skies, sort in u   ");
  c.line("  3 = nearest two skies, sort in v   ");
  c.line("  nb : sky bgrs must be listed in order of increasing u/v !");
  int32_t choice = c.askInt("   enter choice [1-3] : ", textio::kAnyInteger);
  while (choice < 1 || choice > 3) {
    c.line("   error:  choose 1, 2 or 3");
    choice = c.askInt("   enter choice [1-3] : ", textio::kAnyInteger);
  }
  s.state.settings.skySubtractionMethod = choice;
  if (s.state.interp.logOn == 1 && choice >= 2) {
    c.logLine(std::string("  sky subtraction for asteroid: nearest two skies;") +
              (choice == 2 ? " sort first in u" : " sort first in v"));
  }
}

void skyboxCommand(Session& s) {
  const char* prompt = "   length of side of square box for sky determination : ";
  int32_t box = s.console.askInt(prompt, textio::kAnyInteger);
  for (;;) {
    if (box < 21) {
      s.console.line("   error:  must not be less than 21");
    } else if (box > 99) {
      s.console.line("   error:  must not be greater than 99");
    } else {
      break;
    }
    box = s.console.askInt(prompt, textio::kAnyInteger);
  }
  s.state.settings.skyBox = box;
}

void thresholdCommand(Session& s) {
  float t = s.console.askReal("   star finding threshold (above median pixel) = ", textio::kThreshold);
  s.state.settings.findThreshold = static_cast<int32_t>(t);
}

void setfindsta(Session& s) {
  std::vector<double> v = s.console.askNumbers("   threshold (above mean pixel), iprox = ", "ri",
                                               {textio::kThreshold, textio::kPixelDistance});
  s.state.settings.findThreshold = static_cast<int32_t>(static_cast<float>(v[0]));
  s.state.settings.findProximity = static_cast<int32_t>(v[1]);
}

void rejectCommand(Session& s) {
  float x = s.console.askReal("   reject images with integer fwhm > ", textio::kPixelDistance);
  s.state.interp.fwhmLimit = static_cast<int32_t>(x + 0.5f);
  s.console.line(textio::Line("   images up to and including fwhm")
                     .i(s.state.interp.fwhmLimit, 2)
                     .a(" pixels will be accepted"));
}

void putbox(Session& s) {
  std::vector<int32_t> ij = s.console.askInts("    box centre at i,j = ", 2, textio::kCoordinate);
  int32_t h = s.state.interp.boxSize / 2;
  s.state.settings.searchBox = {ij[0] - h, ij[0] + h, ij[1] - h, ij[1] + h};
}

void secondorde(Session& s) {
  std::vector<double> du =
      s.console.askNumbers(" enter quadratic, linear, constant terms for du : ", "ddd", {textio::kAnyReal});
  std::vector<double> dv =
      s.console.askNumbers(" enter quadratic, linear, constant terms for dv : ", "ddd", {textio::kAnyReal});
  for (int k = 0; k < 3; ++k) {
    s.state.settings.secondOrderTerms[static_cast<size_t>(k)] = du[static_cast<size_t>(k)];
    s.state.settings.secondOrderTerms[static_cast<size_t>(k + 3)] = dv[static_cast<size_t>(k)];
  }
}

void skylock(Session& s) {
  std::vector<float> v = s.console.askReals("  enter forced sky value, sd: ", 2, textio::kPixelValue);
  s.state.settings.skyLocked = 1;
  s.state.settings.forcedSky = v[0];
  s.state.settings.forcedSkySd = v[1];
}

void maxstackCommand(Session& s) {
  s.state.settings.maxStack =
      s.console.askInt("   maximum permissible number of frames in a stack: ", textio::kFrameCount);
  s.console.line("   CAUTION: this command is only intended for faint asteroids, ");
  s.console.line("   and as described in the instructions! To resume normal image");
  s.console.line("   stacking, use the resetmaxstack command.");
}

void positionli(Session& s) {
  s.console.line("   last-used star position list file was " + s.state.settings.starListFile);
  s.console.prompt("   enter new name, or <return> to continue : ");
  std::string name = s.console.answerText(20);
  if (!textio::isBlank(name)) s.state.settings.starListFile = name;
}

namespace {

std::string radiusText(float r) { return textio::fmtF(r, 4, 1); }

void hardLines(Session& s) {
  s.console.line("   hard aperture selected; current radius = " + radiusText(s.state.settings.apertureRadius) +
                 " horizontal pixels");
  s.console.line("   (radius measured from star coordinates (u,v) to centre of pixel)");
}

}  // namespace

void softAperture(Session& s) {
  s.state.interp.apertureType = "soft";
  s.console.line("   soft aperture selected, current radius = " + radiusText(s.state.settings.apertureRadius) +
                 " horizontal pixels");
}

void hardAperture(Session& s) {
  s.state.interp.apertureType = "hard";
  hardLines(s);
}

void hardMean(Session& s) {
  s.state.interp.apertureType = "hdav";
  hardLines(s);
  s.console.line("   OUTPUT FILE WILL CONTAIN AVERAGE PIXEL VALUE IN APERTURE");
}

void optimalAperture(Session& s) {
  s.state.interp.apertureType = "opti";
  s.console.line("   optimal weighting selected, PSF set to zero > " + radiusText(s.state.interp.psfZeroRadius) +
                 " horizontal pixels");
}

void frametimeCommand(Session& s) {
  int32_t& rule = s.state.settings.frameTimeRule;
  for (;;) {
    s.console.prompt("  frame time: 1 = middle of the exposure, 2 = start as in the header [" + std::to_string(rule) +
                     "] : ");
    const std::string answer(textio::trimRight(s.console.answer()));
    const std::string choice = answer.substr(std::min(answer.find_first_not_of(' '), answer.size()));
    if (choice.empty()) break;
    if (choice == "1" || choice == "2") {
      rule = choice == "1" ? 1 : 2;
      break;
    }
    s.console.line("   error:  choose 1 or 2");
  }
  s.console.line(rule == 1 ? "   frame times: the middle of the exposure" : "   frame times: the start as in the header");
}

}  // namespace app

// The 11 x 11 pixel listings of a workspace, with the rms of the pixels shown.
#include "image/workspace_listing.h"

#include <cmath>

#include "image/workspaces.h"
#include "textio/console.h"
#include "textio/fortran_format.h"

namespace image {

namespace {

using Getter = bool (Workspaces::*)(int32_t, int32_t, int32_t&) const;

// Prints a line on the console, and to the log file when asked.
void both(textio::Console& console, const std::string& text, ListingCopy copy) {
  console.line(text);
  if (copy == ListingCopy::AlsoToLog) console.logLine(text);
}

void table(textio::Console& console, const Workspaces& ws, Getter get, int32_t i, int32_t j,
           ListingCopy copy) {
  both(console, "", copy);
  float sum = 0.0f;
  int32_t count = 0;
  std::vector<int32_t> inside;
  for (int32_t jj = j - 5; jj <= j + 5; ++jj) {
    textio::Line row("   ");
    for (int32_t ii = i - 5; ii <= i + 5; ++ii) {
      int32_t v = 0;
      if ((ws.*get)(ii, jj, v)) {
        sum += static_cast<float>(v);
        ++count;
        inside.push_back(v);
      } else {
        v = 0;
      }
      row.i(v, 5).x(1);
    }
    both(console, row.str(), copy);
  }
  // A block wholly outside the image has no pixel to measure: its rms is shown as 0.0.
  float rms = 0.0f;
  if (count > 0) {
    float mean = sum / static_cast<float>(count);
    float squares = 0.0f;
    for (int32_t v : inside) {
      float d = static_cast<float>(v) - mean;
      squares += d * d;
    }
    rms = std::sqrt(squares / static_cast<float>(count));
  }
  console.line(textio::Line("   rms = ").f(rms, 5, 1).str());
  console.line("");
}

}  // namespace

void list(textio::Console& console, const Workspaces& ws, int32_t i, int32_t j, ListingCopy copy) {
  table(console, ws, &Workspaces::get, i, j, copy);
}
void list2(textio::Console& console, const Workspaces& ws, int32_t i, int32_t j, ListingCopy copy) {
  table(console, ws, &Workspaces::get2, i, j, copy);
}
void list3(textio::Console& console, const Workspaces& ws, int32_t i, int32_t j, ListingCopy copy) {
  table(console, ws, &Workspaces::get3, i, j, copy);
}

void llist(textio::Console& console, const Workspaces& ws, int32_t i, int32_t j, ListingCopy copy) {
  both(console, "", copy);
  for (int32_t jj = j - 5; jj <= j + 5; ++jj) {
    for (int32_t ii = i - 5; ii <= i + 5; ++ii) {
      int32_t v = 0;
      if (!ws.get(ii, jj, v)) continue;
      both(console, textio::Line("   ").i(ii, 5).x(1).i(jj, 5).x(1).i(v, 5).x(1).str(), copy);
    }
  }
  console.line("");
}

}  // namespace image

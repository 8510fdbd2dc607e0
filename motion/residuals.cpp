// Residual table: recording, listing with the median, and rejection of frames.
#include "motion/residuals.h"

#include <cmath>
#include <vector>

#include "textio/console.h"
#include "textio/fortran_format.h"
#include "textio/value_ranges.h"

namespace motion {

void ResidualTable::reset() {
  count = 0;
  names.fill(std::string(20, ' '));
  residuals.fill(0.0f);
  fullReported = false;
}

static_assert(kMaxResiduals == 10000, "the message names the table's size");

float resid(textio::Console& console, ResidualTable& table, float um, float vm, float up, float vp,
            std::string_view name, float pixelSizeX, float pixelSizeY) {
  float du = um - up;
  float dv = (vm - vp) * pixelSizeY / pixelSizeX;
  float r = std::sqrt(du * du + dv * dv);
  if (table.count >= kMaxResiduals) {
    // The table is full: keep the program and its data; record no more this run.
    if (!table.fullReported) {
      console.line("   ERROR - too many files (>10000); further residuals are not recorded");
      table.fullReported = true;
    }
    return r;
  }
  table.count += 1;
  table.names[table.count] = textio::fixed(name, 20);
  table.residuals[table.count] = r;
  return r;
}

namespace {

bool isEmpty(const std::string& name) { return name.compare(0, 3, "   ") == 0; }

// One listing line; residuals too wide for four columns get a wider field.
void listResiduals(textio::Console& console, const ResidualTable& table) {
  for (int k = 1; k <= kMaxResiduals; ++k) {
    if (isEmpty(table.names[k])) continue;
    float r = table.residuals[k];
    int width = std::fabs(r) < 9.995f ? 4 : 8;
    console.line(textio::Line(" ").i(k, 5).a(" ").a(table.names[k], 20).a(" ").f(r, width, 2));
  }
}

}  // namespace

void rejrsd(textio::Console& console, const ResidualTable& table, align::AlignmentTable& alignment) {
  listResiduals(console, table);
  console.line("");
  console.line(" This routine is used to flag images with large path fit residuals.");
  console.line(" The u,v offsets are set to 9999. in the alignment arrays, so that the");
  console.line(" image is no longer used. Images may be reinstated either by reloading");
  console.line(" (loadalign) or recalculating (align/alignr) the alignment data.");
  console.line("");
  float limit = static_cast<float>(
      console.askNumbers("   reject images with rms residual > ", "r", {textio::kAnyReal}, true)[0]);
  console.line("");
  for (int r = 1; r <= table.count; ++r) {
    if (!(table.residuals[r] > limit)) continue;
    std::string key = align::stripType(table.names[r]);
    bool found = false;
    const int span = alignment.span();
    for (int d = 1; d <= span; ++d) {
      align::AlignmentEntry& e = alignment.entries[d];
      if (e.name != key) continue;
      found = true;
      console.line(textio::Line("      rejecting ")
                       .a(table.names[r], 20)
                       .x(3)
                       .f(e.du, 6, 2)
                       .a(" ")
                       .f(e.dv, 6, 2)
                       .a(" to 9999. 9999."));
      e.du = 9999.0f;
      e.dv = 9999.0f;
      e.rotation = 999.0f;
    }
    if (!found) console.line("  ERROR -cannot find file in alignment array");
  }
  console.line("");
}

void rsdst(textio::Console& console, const ResidualTable& table) {
  console.line("");
  listResiduals(console, table);
  console.line("");
  console.line(" now sorting them to work out the median... ");
  console.line("");
  std::vector<float> sorted;
  for (int k = 1; k <= table.count; ++k) sorted.push_back(table.residuals[k]);
  // Repeated adjacent exchanges until a pass exchanges nothing.
  for (bool swapped = true; swapped;) {
    swapped = false;
    for (size_t k = 0; k + 1 < sorted.size(); ++k) {
      if (sorted[k + 1] < sorted[k]) {
        std::swap(sorted[k], sorted[k + 1]);
        swapped = true;
      }
    }
  }
  for (size_t k = 0; k < sorted.size(); ++k) {
    console.line(textio::Line("    ").i(static_cast<int64_t>(k + 1), 4).a(" ").f(sorted[k], 7, 3));
  }
  console.line("");
  if (sorted.empty()) {
    console.line("   no residuals recorded");
  } else {
    console.line(textio::Line("  median residual = ").f(sorted[(sorted.size() + 1) / 2 - 1], 7, 3));
  }
  console.line("");
}

}  // namespace motion

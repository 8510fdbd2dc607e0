// Rotation model fit over the alignment table.
#include "motion/rotation_fit.h"

#include "align/rotation_model.h"
#include "motion/path_model.h"
#include "motion/poly_fit.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/paths.h"
#include "textio/value_ranges.h"

namespace motion {

namespace {

constexpr float kNoRotation = 900.0f;  // rotations from here up mark frames without one

int askRotationOrder(textio::Console& console) {
  for (;;) {
    const int32_t n = console.askInt("   order of fit (1=linear, 2=quadratic etc): ", textio::kAnyInteger);
    if (n > align::kMaxRotationOrder) {
      console.line("   not higher than 6, please!");
    } else if (n < 0) {
      console.line("   not lower than 0, please!");
    } else {
      return n;
    }
  }
}

}  // namespace

bool fitrot(textio::Console& console, std::string_view workingPath, const align::AlignmentTable& table) {
  FileName data, normal, coeffs, model;
  if (!fileIn(console, workingPath, "xy.dat", data) || !fileIn(console, workingPath, "normaleq.dat", normal) ||
      !fileIn(console, workingPath, "coeffs.dat", coeffs) || !fileIn(console, workingPath, "rotate.mdl", model)) {
    return false;
  }
  console.line("  fit polynomial to rotation vs time in the last-generated alignment table");
  console.line("");
  console.line("   raw data in    " + data.full);
  console.line("   normal eqns in " + normal.full);
  console.line("   coeffs   in    " + coeffs.full);
  const int n = askRotationOrder(console);
  console.line(" opening file " + data.full);

  // Times and rotations are 4-byte values; written as doubles they reach the fit unchanged.
  std::string text;
  bool first = true;
  double t0 = 0.0;
  for (const align::AlignmentEntry& e : table.entries) {
    if (textio::isBlank(e.name) || !(e.rotation < kNoRotation)) continue;
    if (first) t0 = e.time;
    first = false;
    text += " " + roundTrip(static_cast<double>(e.time)) + " " + roundTrip(static_cast<double>(e.rotation)) + "\n";
  }
  if (!textio::replaceFileAtomically(data.host, text)) {
    console.line("   error - cannot write file " + data.host);
    return false;
  }
  const std::vector<double> c = fitPolynomial(console, data.host, normal.host, coeffs.host, t0, n);
  if (c.empty()) {
    console.line("   rotate.mdl not changed");
    return false;
  }
  align::RotationModel m;
  m.order = n;
  m.t0 = t0;
  for (int k = 0; k <= n; ++k) m.c[static_cast<size_t>(k)] = c[static_cast<size_t>(k)];
  if (!textio::replaceFileAtomically(model.host, align::rotationModelText(m))) {
    console.line("   error - cannot write file " + model.host);
    return false;
  }
  console.line("  rotation model written to rotate.mdl");
  console.line("");
  console.line("  you should now re-run alignr to put this fit into the alignment table");
  console.line("");
  return true;
}

}  // namespace motion

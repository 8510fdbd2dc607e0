// Path model from measured positions: the polynomial fit to objectpath.txt and the linear
// estimate from two positions.
#include "motion/path_fit.h"

#include <cmath>
#include <fstream>
#include <vector>

#include "motion/poly_fit.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"

namespace motion {

PathOrders scanOrders(std::string_view answer) {
  PathOrders o;
  bool first = true;
  for (char c : answer) {
    if (c < '1' || c > '6') continue;
    if (first) o.u = c - '0';
    o.v = c - '0';
    first = false;
  }
  return o;
}

namespace {

constexpr size_t kOrderAnswerWidth = 70;

struct Sample {
  double t;
  double u;
  double v;
};

PathOrders askOrders(textio::Console& console) {
  for (;;) {
    console.prompt("   order of fit (1=linear, 2=quadratic etc): ");
    std::string answer = console.answer();
    if (answer.size() > kOrderAnswerWidth) answer.resize(kOrderAnswerWidth);
    PathOrders o = scanOrders(answer);
    if (o.u <= kMaxPathOrder && o.v <= kMaxPathOrder) return o;
    console.line("   not higher than 5, please!");
  }
}

// Every measured position of objectpath.txt (blank lines skipped). False after a message
// naming the file when it is missing or a line does not start with three numbers.
bool readObjectPath(textio::Console& console, std::string_view workingPath, std::vector<Sample>& out) {
  FileName f;
  if (!fileIn(console, workingPath, "objectpath.txt", f)) return false;
  std::ifstream in(f.host, std::ios::binary);
  if (!in) {
    console.line("   error - cannot open file " + f.host);
    return false;
  }
  std::string text;
  for (int lineNo = 1; std::getline(in, text); ++lineNo) {
    std::string_view line = textio::dropCr(text);
    if (textio::isBlank(line)) continue;
    std::vector<double> v;
    if (!textio::readReals(line, 3, v)) {
      console.line("   error - cannot read time, u, v from line " + std::to_string(lineNo) + " of " + f.host);
      return false;
    }
    out.push_back({v[0], v[1], v[2]});
  }
  return true;
}

// The text of upath.mdl or vpath.mdl as the fit writes it: every number labelled.
std::string labelledModel(int order, double t0, const std::vector<double>& c) {
  std::string out = " " + std::to_string(order) + " = highest power of (t-t0)\n";
  out += " " + roundTrip(t0) + " = t0\n";
  for (int k = 0; k <= order; ++k) {
    out += " " + roundTrip(c[static_cast<size_t>(k)]) + " coefficient of (t-t0)**" + std::to_string(k) + "\n";
  }
  return out;
}

// One axis: the working files named after `axis` ("u" or "v"), the points (t, y), the fit.
std::vector<double> fitAxis(textio::Console& console, std::string_view workingPath, const std::string& axis,
                            const std::vector<Sample>& samples, double Sample::*y, double t0, int order) {
  FileName data, normal, coeffs;
  if (!fileIn(console, workingPath, "t" + axis + ".dat", data) ||
      !fileIn(console, workingPath, axis + "normaleq.dat", normal) ||
      !fileIn(console, workingPath, axis + "coeffs.dat", coeffs)) {
    return {};
  }
  console.line("  fit polynomials to object path in objectpath.txt");
  console.line("");
  console.line("   raw data in    " + data.full);
  console.line("   normal eqns in " + normal.full);
  console.line("   coeffs   in    " + coeffs.full);
  console.line(" opening file " + data.full);
  std::string text;
  for (const Sample& s : samples) text += " " + roundTrip(s.t) + " " + roundTrip(s.*y) + "\n";
  if (!textio::replaceFileAtomically(data.host, text)) {
    console.line("   error - cannot write file " + data.host);
    return {};
  }
  return fitPolynomial(console, data.host, normal.host, coeffs.host, t0, order);
}

}  // namespace

bool fitpth(textio::Console& console, std::string_view workingPath, const PathModels& models,
            PathEpoch epoch) {
  double t0 = 0.0;
  if (epoch == PathEpoch::Model2) {
    t0 = models.model2.t0;
    console.line(textio::Line("   t0 = ").f(t0, 8, 5));
  }
  const PathOrders orders = askOrders(console);
  std::vector<Sample> samples;
  FileName upath, vpath;
  if (!readObjectPath(console, workingPath, samples) || !fileIn(console, workingPath, "upath.mdl", upath) ||
      !fileIn(console, workingPath, "vpath.mdl", vpath)) {
    console.line("   path model files not changed");
    return false;
  }
  if (epoch == PathEpoch::FirstPosition && !samples.empty()) t0 = samples.front().t;
  std::vector<double> cu = fitAxis(console, workingPath, "u", samples, &Sample::u, t0, orders.u);
  std::vector<double> cv;
  if (!cu.empty()) cv = fitAxis(console, workingPath, "v", samples, &Sample::v, t0, orders.v);
  if (cu.empty() || cv.empty()) {
    console.line("   path model files not changed");
    return false;
  }
  if (!textio::replaceFileAtomically(upath.host, labelledModel(orders.u, t0, cu)) ||
      !textio::replaceFileAtomically(vpath.host, labelledModel(orders.v, t0, cv))) {
    console.line("   error - cannot write the path model files");
    return false;
  }
  console.line("  u path model written to upath.mdl");
  console.line("");
  console.line("  v path model written to vpath.mdl");
  console.line("");
  return true;
}

namespace {

// Looks one frame up and carries its measured position into the fiducial frame, printing
// the frame's alignment and the converted position.
void fiducialPosition(textio::Console& console, const align::FrameLookup& look, const align::PixelSizes& px,
                      const FramePosition& p, int number, float& uf, float& vf) {
  console.line(textio::Line("    first image du, dv, rotation = ")
                   .f(look.du, 6, 1)
                   .x(1)
                   .f(look.dv, 6, 1)
                   .x(1)
                   .f(look.rotation, 6, 1));
  align::convuv(uf, vf, look.du, look.dv, look.rotation, p.u, p.v, px);
  console.line(textio::Line("    object position #")
                   .i(number, 1)
                   .a("  t = ")
                   .f(look.time, 6, 3)
                   .a(" U,V = ")
                   .f(uf, 6, 1)
                   .x(1)
                   .f(vf, 6, 1));
  console.line("");
}

align::FrameLookup lookUp(const align::AlignmentTable& table, std::string_view name) {
  if (textio::isBlank(align::stripType(name))) return {};  // a blank name is no frame
  return align::findFrame(table, name);
}

}  // namespace

void estpth(textio::Console& console, const align::AlignmentTable& table, const align::PixelSizes& px,
            const FramePosition& a, const FramePosition& b, float& frameTime, PathModels& models) {
  console.line("");
  const align::FrameLookup la = lookUp(table, a.name);
  const align::FrameLookup lb = lookUp(table, b.name);
  if (!la.found || !lb.found) {
    console.line("   ERROR - cannot match the two files!");
    return;
  }
  float u1 = 0.0f, v1 = 0.0f, u2 = 0.0f, v2 = 0.0f;
  frameTime = la.time;
  fiducialPosition(console, la, px, a, 1, u1, v1);
  frameTime = lb.time;
  fiducialPosition(console, lb, px, b, 2, u2, v2);

  PathModel m;
  m.uOrder = 1;
  m.vOrder = 1;
  m.t0 = la.time;
  m.cu[1] = u1;
  m.cv[1] = v1;
  models.model1 = m;
  const float dt = lb.time - la.time;
  if (std::fabs(dt) <= 0.00001f) {
    console.line("   ERROR - time difference zero! ");
    return;
  }
  models.model1.cu[2] = (u2 - u1) / dt;
  models.model1.cv[2] = (v2 - v1) / dt;
  models.model2 = models.model1;
  console.line("");
  console.line("  provisional path calculated but not saved to file");
  console.line("");
  console.line("  you should now switch motion ON, then update positions with tracking enabled");
}

}  // namespace motion

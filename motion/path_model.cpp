// Path models: position at a time, the model files, copy, combine and display.
#include "motion/path_model.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "motion/poly_fit.h"
#include "textio/console.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"

namespace motion {

PathPosition movuv(const PathModel& model, float frameTime) {
  const float dt = frameTime - model.t0;
  PathPosition p;
  p.u = model.cu[1];
  p.v = model.cv[1];
  float power = 1.0f;
  for (int k = 2; k <= std::min(model.uOrder, kMaxPathOrder) + 1; ++k) {
    power *= dt;
    const float term = model.cu[k] * power;
    p.u += term;
    p.du += term;
  }
  power = 1.0f;
  for (int k = 2; k <= std::min(model.vOrder, kMaxPathOrder) + 1; ++k) {
    power *= dt;
    const float term = model.cv[k] * power;
    p.v += term;
    p.dv += term;
  }
  return p;
}

bool fileIn(textio::Console& console, std::string_view workingPath, std::string_view name, FileName& out) {
  if (!textio::adpath(console, workingPath, name, out.full)) return false;
  out.host = textio::hostPath(out.full);
  return true;
}

namespace {

// One axis of a model file as read: order, t0 and the coefficients.
struct AxisRead {
  int32_t order = 0;
  float t0 = 0.0f;
  textio::Table1<float, kPathCoefficients> c;
};

// Reads one model file; false after a console line naming the file and the problem.
bool readAxis(textio::Console& console, std::string_view workingPath, std::string_view name, AxisRead& axis) {
  FileName f;
  if (!fileIn(console, workingPath, name, f)) return false;
  std::ifstream in(f.host, std::ios::binary);
  if (!in) {
    console.line("   error - cannot open file " + f.host);
    return false;
  }
  int lineNo = 0;
  std::string text;
  auto next = [&]() {
    ++lineNo;
    if (!std::getline(in, text)) text.clear();
    return textio::FreeItems(textio::dropCr(text));
  };
  auto bad = [&]() {
    console.line("   error - cannot read line " + std::to_string(lineNo) + " of " + f.host);
    return false;
  };
  if (!next().integer(axis.order)) return bad();
  if (axis.order < 0 || axis.order > kMaxPathOrder) {
    console.line("   error - order " + std::to_string(axis.order) + " in " + f.host + " is not 0 to " +
                 std::to_string(kMaxPathOrder));
    return false;
  }
  if (!next().real(axis.t0)) return bad();
  for (int k = 1; k <= axis.order + 1; ++k) {
    if (!next().real(axis.c[k])) return bad();
  }
  return true;
}

bool readModel(textio::Console& console, std::string_view workingPath, std::string_view uName,
               std::string_view vName, PathModel& model, std::string_view notChanged) {
  AxisRead u, v;
  if (!readAxis(console, workingPath, uName, u) || !readAxis(console, workingPath, vName, v)) {
    console.line(notChanged);
    return false;
  }
  PathModel m;
  m.uOrder = u.order;
  m.vOrder = v.order;
  m.t0 = v.t0;  // the second file's t0 replaces the first's
  m.cu = u.c;
  m.cv = v.c;
  model = m;
  return true;
}

bool writeModel(textio::Console& console, std::string_view workingPath, std::string_view uName,
                std::string_view vName, const PathModel& m) {
  FileName u, v;
  if (!fileIn(console, workingPath, uName, u) || !fileIn(console, workingPath, vName, v)) return false;
  for (const auto& [f, text] : {std::pair{&u, pathFileText(m.uOrder, m.t0, m.cu)},
                                std::pair{&v, pathFileText(m.vOrder, m.t0, m.cv)}}) {
    if (!textio::replaceFileAtomically(f->host, text)) {
      console.line("   error - cannot write file " + f->host);
      return false;
    }
  }
  return true;
}

}  // namespace

std::string pathFileText(int32_t order, float t0, const textio::Table1<float, kPathCoefficients>& c) {
  std::string out = " " + std::to_string(order) + "\n";
  out += " " + roundTrip(t0) + "\n";
  for (int k = 1; k <= std::min(order, kMaxPathOrder) + 1; ++k) out += " " + roundTrip(c[k]) + "\n";
  return out;
}

bool rdpth(textio::Console& console, std::string_view workingPath, PathModels& models) {
  console.line("    reading path model from upath.mdl and vpath.mdl   ");
  return readModel(console, workingPath, "upath.mdl", "vpath.mdl", models.model1,
                   "    path model (1) not changed");
}

bool rdpth2(textio::Console& console, std::string_view workingPath, PathModels& models) {
  console.line("    reading path model 2 from upath2.mdl and vpath2.mdl   ");
  return readModel(console, workingPath, "upath2.mdl", "vpath2.mdl", models.model2,
                   "    path model 2 not changed");
}

bool svpth(textio::Console& console, std::string_view workingPath, const PathModels& models) {
  console.line("    writing path model to upath.mdl and vpath.mdl   ");
  return writeModel(console, workingPath, "upath.mdl", "vpath.mdl", models.model1);
}

bool svpth2(textio::Console& console, std::string_view workingPath, const PathModels& models) {
  console.line("    writing path model 2 to upath2.mdl and vpath2.mdl   ");
  return writeModel(console, workingPath, "upath2.mdl", "vpath2.mdl", models.model2);
}

void cpth12(textio::Console& console, PathModels& models) {
  console.line("    copying path model (1) to path model 2 ");
  models.model2 = models.model1;
}

void addpth(textio::Console& console, std::string_view workingPath, PathModels& models) {
  PathModel& m1 = models.model1;
  const PathModel& m2 = models.model2;
  if (std::fabs(m2.t0 - m1.t0) > 0.00005f) {
    console.line("    cannot combine models - x-axes have different zero points!");
    console.line("");
    return;
  }
  console.line("");
  console.line("    combining path models:");
  console.line("    model (1) should be fit to positions stacked frames");
  console.line("    model  2  should be linear model used to stack the frames");
  console.line("    combined model stored as model (1); written to upath.mdl and vpath.mdl");
  for (int k = 2; k <= kPathCoefficients; ++k) {
    m1.cu[k] += m2.cu[k];
    m1.cv[k] += m2.cv[k];
  }
  // The combined model reaches as far as either model, so model 2's motion is never lost.
  m1.uOrder = std::max(m1.uOrder, m2.uOrder);
  m1.vOrder = std::max(m1.vOrder, m2.vOrder);
  (void)svpth(console, workingPath, models);
  console.line("");
}

void spmcf(textio::Console& console, const PathModel& m) {
  console.line("");
  console.line("   fitted model to path: ");
  console.line("");
  console.line(textio::Line("    time zero = ").f(m.t0, 7, 4));
  console.line(textio::Line("    highest power of t (u) ").i(m.uOrder, 1).a("   (v) ").i(m.vOrder, 1));
  const int top = std::min(std::max(m.uOrder, m.vOrder), kMaxPathOrder);
  for (int k = 0; k <= top; ++k) {
    console.line(textio::Line("    coefficients of (t-tzero)^")
                     .i(k, 1)
                     .a("   (u) ")
                     .f(m.cu[k + 1], 12, 6)
                     .a("         (v) ")
                     .f(m.cv[k + 1], 12, 6));
  }
  console.line("");
}

}  // namespace motion

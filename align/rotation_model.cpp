// Rotation model file rotate.mdl: writing, reading with range checks, evaluation.
#include "align/rotation_model.h"

#include <cstdio>
#include <fstream>

#include "textio/fixed_text.h"
#include "textio/free_format.h"

namespace align {

namespace {

std::string exact(double v) {
  char buf[40];
  int n = std::snprintf(buf, sizeof buf, "%.17g", v);
  return std::string(buf, static_cast<size_t>(n));
}

}  // namespace

double RotationModel::at(double t) const {
  const double dt = t - t0;
  double sum = 0.0;
  double p = 1.0;
  for (int k = 0; k <= order && k <= kMaxRotationOrder; ++k) {
    sum += c[static_cast<size_t>(k)] * p;
    p *= dt;
  }
  return sum;
}

std::string rotationModelText(const RotationModel& model) {
  // Appended piece by piece: "literal" + std::string makes GCC 12 at -O3 warn (-Wrestrict)
  // about the insertion at the front, and the appends build the same text.
  std::string out;
  auto line = [&out](const std::string& value, const char* text) {
    out.append(" ").append(value).append(text).append("\n");
  };
  line(std::to_string(model.order), " = highest power of (t-t0)");
  line(exact(model.t0), " = t0");
  for (int k = 0; k <= model.order; ++k) {
    line(exact(model.c[static_cast<size_t>(k)]), (" coefficient of (t-t0)**" + std::to_string(k)).c_str());
  }
  return out;
}

bool readRotationModel(const std::string& host, RotationModel& model, std::string& error) {
  std::ifstream in(host, std::ios::binary);
  if (!in) {
    error = "   error - cannot open file " + host;
    return false;
  }
  RotationModel m;
  int lineNo = 0;
  std::string text;
  auto nextLine = [&]() {
    ++lineNo;
    if (!std::getline(in, text)) text.clear();
    return textio::FreeItems(textio::dropCr(text));
  };
  auto bad = [&]() {
    error = "   error - cannot read line " + std::to_string(lineNo) + " of " + host;
    return false;
  };
  int64_t order = 0;
  if (!nextLine().integer(order)) return bad();
  if (order < 0 || order > kMaxRotationOrder) {
    error = "   error - order " + std::to_string(order) + " in " + host + " is not 0 to " +
            std::to_string(kMaxRotationOrder);
    return false;
  }
  m.order = static_cast<int32_t>(order);
  if (!nextLine().real(m.t0)) return bad();
  for (int k = 0; k <= m.order; ++k) {
    if (!nextLine().real(m.c[static_cast<size_t>(k)])) return bad();
  }
  model = m;
  return true;
}

}  // namespace align

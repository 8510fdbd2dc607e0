// Positions of objectpath.txt, path residuals on the sky.
#include "sky/astrometry.h"

#include <cmath>
#include <sstream>

#include "textio/fixed_text.h"
#include "textio/free_format.h"

namespace sky {

namespace {

std::vector<std::string> commaFields(std::string_view line) {
  std::vector<std::string> f;
  size_t b = 0;
  for (;;) {
    size_t e = line.find(',', b);
    f.emplace_back(textio::trim(line.substr(b, e == std::string_view::npos ? std::string_view::npos : e - b)));
    if (e == std::string_view::npos) return f;
    b = e + 1;
  }
}

bool inRange(const MeasuredPosition& p) {
  return std::isfinite(p.hours) && std::isfinite(p.u) && std::isfinite(p.v) && std::fabs(p.u) < 1.0e6 &&
         std::fabs(p.v) < 1.0e6 && p.hours > -24.0 && p.hours < 72.0;
}

bool readLine(std::string_view line, MeasuredPosition& p) {
  std::vector<std::string> f = commaFields(line);
  if (f.size() >= 3 && textio::parseReal(f[0], p.hours) && textio::parseReal(f[1], p.u) &&
      textio::parseReal(f[2], p.v)) {
    if (f.size() == 3) return true;
    if (f.size() >= 5 && f[3] == "sky=") return true;
    if (f.size() >= 5 && !f[4].empty()) {
      p.frame = f[4];
      return true;
    }
    return false;
  }
  std::vector<double> v;
  if (f.size() == 1 && textio::readReals(line, 3, v)) {
    textio::FreeItems items(line);
    double x;
    int n = 0;
    while (items.real(x)) ++n;
    if (n != 3) return false;
    p.hours = v[0], p.u = v[1], p.v = v[2];
    return true;
  }
  return false;
}

}  // namespace

bool readPositions(const std::string& text, std::vector<MeasuredPosition>& out, std::string& problem) {
  out.clear();
  std::istringstream in(text);
  std::string raw;
  for (int lineNo = 1; std::getline(in, raw); ++lineNo) {
    std::string_view line = textio::dropCr(raw);
    if (textio::isBlank(line)) continue;
    MeasuredPosition p;
    p.line = lineNo;
    if (!readLine(line, p) || !inRange(p)) {
      problem = "line " + std::to_string(lineNo) + " is not a time, u, v position";
      return false;
    }
    out.push_back(p);
  }
  if (out.empty()) {
    problem = "it holds no position";
    return false;
  }
  return true;
}

void LinearPath::at(double hours, double& u, double& v) const {
  u = u0 + du * (hours - t0);
  v = v0 + dv * (hours - t0);
}

bool fitLinearPath(const std::vector<MeasuredPosition>& positions, LinearPath& out) {
  double n = 0.0, st = 0.0;
  for (const MeasuredPosition& p : positions) n += 1.0, st += p.hours;
  if (n < 2.0) return false;
  out.t0 = st / n;
  double stt = 0.0, su = 0.0, sv = 0.0, stu = 0.0, stv = 0.0;
  for (const MeasuredPosition& p : positions) {
    double dt = p.hours - out.t0;
    stt += dt * dt, su += p.u, sv += p.v, stu += dt * p.u, stv += dt * p.v;
  }
  if (!(stt > 1.0e-12)) return false;
  out.u0 = su / n, out.v0 = sv / n;
  out.du = stu / stt, out.dv = stv / stt;
  return true;
}

bool residuals(const SkySolution& solution, const PathFunction& path, std::vector<AstrometricPosition>& positions,
               ResidualRms& rms) {
  double sra = 0.0, sdec = 0.0;
  for (AstrometricPosition& p : positions) {
    double u = 0.0, v = 0.0;
    path.at(p.measured.hours, u, v);
    SkyPosition model;
    if (!solution.toSky(u, v, model)) return false;
    offsetsArcsec(model, p.sky, p.resRa, p.resDec);
    sra += p.resRa * p.resRa, sdec += p.resDec * p.resDec;
  }
  double n = static_cast<double>(positions.size());
  rms.ra = std::sqrt(sra / n), rms.dec = std::sqrt(sdec / n), rms.total = std::sqrt((sra + sdec) / n);
  for (AstrometricPosition& p : positions) p.flagged = std::hypot(p.resRa, p.resDec) > 3.0 * rms.total;
  return true;
}

}  // namespace sky

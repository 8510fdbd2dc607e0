// Least-squares polynomial fit (POLY) and the division-free linear solver (SOLVE).
#include "motion/poly_fit.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>

#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"

namespace motion {

std::string roundTrip(double v) {
  char buf[40];
  int n = std::snprintf(buf, sizeof buf, "%.17g", v);
  return std::string(buf, static_cast<size_t>(n));
}

std::string roundTrip(float v) {
  char buf[40];
  int n = std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
  return std::string(buf, static_cast<size_t>(n));
}

namespace {

// ---------------------------------------------------------------- POLY

struct Point {
  double x;
  double y;
};

// Reads the data lines; false when the file cannot be opened. Lines with |t| >= 1e70 are
// skipped but counted toward the line limit; reading ends at the first unreadable line.
bool readPoints(textio::Console& console, const std::string& dataHost, double t0, std::vector<Point>& pts) {
  std::ifstream in(dataHost, std::ios::binary);
  if (!in) {
    console.line("   error - cannot open file " + dataHost);
    return false;
  }
  std::string text;
  for (int line = 1; line <= kMaxDataLines && std::getline(in, text); ++line) {
    std::vector<double> v;
    if (!textio::readReals(textio::dropCr(text), 2, v)) break;
    if (!(v[0] > -1e70 && v[0] < 1e70)) continue;
    Point p{(v[0] - t0) / 1.0, v[1]};
    pts.push_back(p);
    console.line(textio::Line().freeI(line).freeD(p.x).freeD(p.y));
  }
  return true;
}

int countDistinct(const std::vector<Point>& pts, int limit) {
  std::vector<double> seen;
  for (const Point& p : pts) {
    bool isNew = true;
    for (double s : seen) isNew = isNew && s != p.x;
    if (isNew) seen.push_back(p.x);
    if (static_cast<int>(seen.size()) >= limit) break;
  }
  return static_cast<int>(seen.size());
}

double power(double x, int k) {
  double r = 1.0;
  for (int i = 0; i < k; ++i) r *= x;
  return r;
}

}  // namespace

PolyResult poly(textio::Console& console, const std::string& dataHost, const std::string& normalHost,
                double t0, int m) {
  PolyResult result;
  console.line("");
  console.line(" least squares polynomial fit ...");
  console.line("");
  console.line(" ** caution: this program may not produce a set of");
  console.line(" solvable equations if x-values are distributed");
  console.line(" symmetrically about zero **");
  console.line("");
  if (m < 0 || m > kMaxPolyOrder) {
    console.line("   error - order of fit must be 0 to " + std::to_string(kMaxPolyOrder));
    return result;
  }
  std::vector<Point> pts;
  if (!readPoints(console, dataHost, t0, pts)) return result;
  result.points = static_cast<int>(pts.size());
  result.distinct = countDistinct(pts, m + 1);
  console.line(textio::Line(" number of points read from file =").freeI(result.points));
  console.line("");

  std::string out;
  for (int i = 0; i <= m; ++i) {
    console.line("");
    console.line(textio::Line(" equation").freeI(i));
    std::vector<double> coeff(static_cast<size_t>(m + 1), 0.0);
    double rhs = 0.0;
    for (const Point& p : pts) {
      for (int j = 0; j <= m; ++j) coeff[static_cast<size_t>(j)] -= power(p.x, i + j);
      rhs -= p.y * power(p.x, i);
    }
    for (int j = 0; j <= m; ++j) out += roundTrip(coeff[static_cast<size_t>(j)]) + "\n";
    out += roundTrip(rhs) + "\n";
    console.line(textio::Line("     coefficient of a0 *").freeD(coeff[0]));
    for (int j = 1; j <= m; ++j) {
      console.line(textio::Line("   + coefficient of (x ** ")
                       .a(std::to_string(j))
                       .a(") *")
                       .freeD(coeff[static_cast<size_t>(j)]));
    }
    console.line(textio::Line("   =").freeD(rhs));
  }
  if (!textio::replaceFileAtomically(normalHost, out)) {
    console.line("   error - cannot write file " + normalHost);
    return result;
  }
  console.line("");
  console.line(textio::Line(" number of simultaneous equations =").freeI(m + 1));
  console.line(" output written to file coeffs.dat");
  console.line("");
  console.line("");
  result.ok = true;
  return result;
}

// ---------------------------------------------------------------- SOLVE

namespace {

constexpr double kUpperLimit = 1e140;
constexpr double kScaleFactor = 1e70;
constexpr double kLowerLimit = 1e-140;

// Solver storage, 1-based like the equations: the working system A, B and its saved copy.
struct Solver {
  using Row = std::array<double, kMaxEquations + 1>;
  std::array<Row, kMaxEquations + 1> a{}, ac{};
  Row b{}, bc{};
  int m = 0;  // current system size

  void removeVar(int r, int q, int sv);
  void rescale(int j);
};

// REMOVE: eliminate variable sv from equation q by equation r, cross-multiplying without
// division: row q := A(q,sv) * row r - A(r,sv) * row q.
void Solver::removeVar(int r, int q, int sv) {
  const double f = a[q][sv];
  const double g = -a[r][sv];
  for (int c = 1; c <= m; ++c) a[q][c] = f * a[r][c] + g * a[q][c];
  b[q] = f * b[r] + g * b[q];
  for (int j = 1; j <= m; ++j) rescale(j);
}

// MAXOUT then MINOUT: a row whose largest entry reaches 1e140 is divided by 1e70; a row
// whose smallest entry (none exactly zero) is at most 1e-140 is multiplied by 1e70.
void Solver::rescale(int j) {
  double big = std::fabs(b[j]);
  for (int c = 1; c <= m; ++c) big = std::max(big, std::fabs(a[j][c]));
  if (big >= kUpperLimit) {
    for (int c = 1; c <= m; ++c) a[j][c] /= kScaleFactor;
    b[j] /= kScaleFactor;
  }
  double small = 1e90;
  small = std::min(small, std::fabs(b[j]));
  for (int c = 1; c <= m; ++c) small = std::min(small, std::fabs(a[j][c]));
  if (small <= kLowerLimit && small != 0.0) {
    for (int c = 1; c <= m; ++c) a[j][c] *= kScaleFactor;
    b[j] *= kScaleFactor;
  }
}

// Reads n equations (n coefficients and a right-hand side each, one number per line).
bool readSystem(textio::Console& console, const std::string& normalHost, int n, Solver& sv) {
  console.prompt("  reading file normaleq.dat ");
  std::ifstream in(normalHost, std::ios::binary);
  if (!in) {
    console.line("");
    console.line("   error - cannot open file " + normalHost);
    return false;
  }
  auto next = [&](double& v) {
    std::string text;
    if (!std::getline(in, text)) return false;
    textio::FreeItems items(textio::dropCr(text));
    return items.real(v);
  };
  for (int r = 1; r <= n; ++r) {
    console.prompt(".");
    for (int c = 1; c <= n + 1; ++c) {
      double v = 0.0;
      if (!next(v)) {
        console.line("");
        console.line("   error - cannot read equation " + std::to_string(r) + " from " + normalHost);
        return false;
      }
      if (c <= n) {
        sv.a[r][c] = sv.ac[r][c] = v;
      } else {
        sv.b[r] = sv.bc[r] = v;
      }
    }
  }
  console.line("done");
  return true;
}

}  // namespace

SolveResult solve(textio::Console& console, const std::string& normalHost, const std::string& coeffHost,
                  int n) {
  SolveResult result;
  if (n < 1 || n > kMaxEquations) {
    console.line("   error - number of equations must be 1 to " + std::to_string(kMaxEquations));
    return result;
  }
  auto sv = std::make_unique<Solver>();
  if (!readSystem(console, normalHost, n, *sv)) return result;
  console.line("");
  console.line(" solving for x(i) ... ");
  sv->m = n;
  for (int count = 1;; ++count) {
    const int m = sv->m;
    for (int r = m; r >= 2; --r) {
      for (int q = r - 1; q >= 1; --q) sv->removeVar(r, q, r);
    }
    // A zero pivot or a result that is not finite: the system has no unique solution.
    const double pivot = sv->a[1][1];
    const double x = sv->b[1] / pivot;
    if (pivot == 0.0 || !std::isfinite(x)) {
      console.line(kNoUniqueSolution);
      return result;
    }
    result.x.push_back(x);
    console.line(textio::Line("  x(").i(count, 2).a(")  =  ").f(x, 15, 7));
    if (--sv->m == 0) break;
    // Restore the saved system, substitute the solved variable and shift it out.
    sv->a = sv->ac;
    sv->b = sv->bc;
    for (int r = 1; r <= kMaxEquations; ++r) {
      sv->b[r] -= sv->a[r][1] * x;
      sv->bc[r] -= sv->ac[r][1] * x;
      for (int c = 1; c < kMaxEquations; ++c) {
        sv->a[r][c] = sv->a[r][c + 1];
        sv->ac[r][c] = sv->ac[r][c + 1];
      }
      sv->a[r][kMaxEquations] = 0.0;
      sv->ac[r][kMaxEquations] = 0.0;
    }
  }
  std::string out;
  for (double x : result.x) out += roundTrip(x) + "\n";
  if (!textio::replaceFileAtomically(coeffHost, out)) {
    console.line("   error - cannot write file " + coeffHost);
    result.x.clear();
    return result;
  }
  console.line("");
  result.ok = true;
  return result;
}

std::vector<double> fitPolynomial(textio::Console& console, const std::string& dataHost,
                                  const std::string& normalHost, const std::string& coeffHost, double t0,
                                  int m) {
  PolyResult p = poly(console, dataHost, normalHost, t0, m);
  if (!p.ok) return {};
  if (p.distinct < m + 1) {
    console.line(kNoUniqueSolution);
    return {};
  }
  SolveResult s = solve(console, normalHost, coeffHost, m + 1);
  if (!s.ok) return {};
  // The caller's coefficients are those of the file, read back as written.
  std::ifstream in(coeffHost, std::ios::binary);
  std::vector<double> coeffs;
  std::string text;
  while (static_cast<int>(coeffs.size()) < m + 1 && std::getline(in, text)) {
    double v = 0.0;
    textio::FreeItems items(textio::dropCr(text));
    if (!items.real(v)) break;
    coeffs.push_back(v);
  }
  if (static_cast<int>(coeffs.size()) != m + 1) {
    console.line("   error - cannot read the coefficients back from " + coeffHost);
    return {};
  }
  return coeffs;
}

}  // namespace motion

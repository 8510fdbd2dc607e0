// Least-squares polynomial fitting through text files: POLY turns (t, y) points into the
// normal equations, SOLVE solves them by division-free elimination without pivoting.
// Every model fit of the program (rotation model, path models) goes through these two steps.
#pragma once

#include <string>
#include <vector>

namespace textio {
class Console;
}

namespace motion {

constexpr int kMaxPolyOrder = 20;      ///< highest power POLY accepts
constexpr int kMaxEquations = 40;      ///< largest system SOLVE holds
constexpr int kMaxDataLines = 10000;   ///< data lines POLY reads, skipped lines included

/// What POLY found in the data file.
struct PolyResult {
  bool ok = false;    // false: the data file could not be read or the order is out of range
  int points = 0;     // accepted points (|t| < 1e70)
  int distinct = 0;   // distinct abscissas among them, counted up to order + 1
};

/// POLY: reads up to 10000 lines "t y" from `dataHost`, keeps points with -1e70 < t < 1e70 as
/// X = t - t0, and writes the negated normal equations of the order-m fit to `normalHost`:
/// for each equation i = 0..m the m + 1 coefficients, then the right-hand side, one per line,
/// with 17 significant digits. Echoes everything on the console. Order 0..20.
PolyResult poly(textio::Console& console, const std::string& dataHost, const std::string& normalHost,
                double t0, int m);

/// What SOLVE produced.
struct SolveResult {
  bool ok = false;          // false: file problem, size out of range or no unique solution
  std::vector<double> x;    // a0..a(n-1) when ok
};

/// SOLVE: reads n equations of n unknowns from `normalHost` (POLY's layout), solves for one
/// variable at a time by division-free elimination with 1e70 row rescaling, prints each
/// solution, and writes the n solutions, one per line, to `coeffHost` only when every pivot
/// is non-zero and every solution finite. 1 <= n <= 40.
SolveResult solve(textio::Console& console, const std::string& normalHost, const std::string& coeffHost,
                  int n);

/// The message printed when a system has no unique solution.
constexpr const char* kNoUniqueSolution = "   error - no unique solution (too few distinct points?)";

/// POLY, the distinct-point check and SOLVE in turn, then the coefficients read back from
/// `coeffHost`. Empty (after a message) when any step fails; no coefficient file is written
/// then. Used by the rotation-model and path-model fits.
std::vector<double> fitPolynomial(textio::Console& console, const std::string& dataHost,
                                  const std::string& normalHost, const std::string& coeffHost, double t0,
                                  int m);

/// A double as free-format text that reads back exactly (17 significant digits).
std::string roundTrip(double v);
/// A 4-byte real as free-format text that reads back exactly (9 significant digits).
std::string roundTrip(float v);

}  // namespace motion

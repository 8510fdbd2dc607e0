// The rotation model: a polynomial in time giving the field rotation in degrees, stored in
// rotate.mdl as the highest power, t0 and the coefficients, one labelled number per line.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace align {

constexpr int kMaxRotationOrder = 6;  ///< highest power rotate.mdl may hold

/// Rotation in degrees at time t (hours, midnight-corrected) = sum of c[k] * (t - t0)^k.
struct RotationModel {
  int32_t order = 0;                                // highest power n, 0..6
  double t0 = 0.0;                                  // zero time of the polynomial, hours
  std::array<double, kMaxRotationOrder + 1> c{};    // c[k] multiplies (t - t0)^k, k = 0..n
  /// The model rotation (degrees) at time t (hours).
  double at(double t) const;
};

/// The text of rotate.mdl: the order with " = highest power of (t-t0)", t0 with " = t0", then
/// each coefficient with " coefficient of (t-t0)**" and its power; doubles to 17 digits.
std::string rotationModelText(const RotationModel& model);

/// Reads rotate.mdl (first number of each line; the labels are ignored). False, with `error`
/// set to a console line naming the file, when the file is missing, a line cannot be read,
/// or the order is outside 0..6 (it would overrun the coefficient table).
[[nodiscard]] bool readRotationModel(const std::string& host, RotationModel& model, std::string& error);

}  // namespace align

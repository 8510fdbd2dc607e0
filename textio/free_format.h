// Free-format (list-directed) reading: values separated by blanks, commas or tabs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace textio {

/// Splits a line into its free-format items (separators: blank, comma, tab).
std::vector<std::string_view> splitFree(std::string_view line);

/// Reads a decimal real (optional sign, digits, point, E/e/D/d exponent) in the "C" locale.
/// Refuses nan, inf, hexadecimal and trailing garbage. True on success.
[[nodiscard]] bool parseReal(std::string_view item, double& out);

/// Reads a decimal integer (optional sign). True on success.
[[nodiscard]] bool parseInt(std::string_view item, int64_t& out);

/// Reads the first n reals of a line into out; false when fewer are readable
/// (an unreadable item counts as a failure, not as the end).
[[nodiscard]] bool readReals(std::string_view line, size_t n, std::vector<double>& out);

/// Items of a line read one by one, in order.
class FreeItems {
 public:
  explicit FreeItems(std::string_view line) : items_(splitFree(line)) {}
  /// Next item as a real; false at the end or when it is not a number.
  [[nodiscard]] bool real(double& v);
  /// Next item as a 4-byte real.
  [[nodiscard]] bool real(float& v);
  /// Next item as an integer; false at the end or when it is not an integer.
  [[nodiscard]] bool integer(int64_t& v);
  /// Next item as a 4-byte integer (refused when out of range).
  [[nodiscard]] bool integer(int32_t& v);
  /// Next item as text.
  [[nodiscard]] bool text(std::string& s);
  size_t remaining() const { return items_.size() - next_; }
  /// The item read last (empty before the first).
  std::string_view previous() const { return next_ > 0 ? items_[next_ - 1] : std::string_view(); }

 private:
  std::vector<std::string_view> items_;
  size_t next_ = 0;
};

}  // namespace textio

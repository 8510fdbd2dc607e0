// Fixed-width, blank-padded text fields and a small 1-based table type.
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace textio {

/// s cut or blank-padded to exactly w characters (Fortran assignment to CHARACTER*w).
std::string fixed(std::string_view s, size_t w);

/// s without its trailing blanks.
std::string_view trimRight(std::string_view s);

/// s without leading and trailing blanks.
std::string_view trim(std::string_view s);

/// True when s holds only blanks (or is empty).
[[nodiscard]] bool isBlank(std::string_view s);

/// Blanks everything from the first of the characters in `stops` to the end, keeping the width.
void blankFrom(std::string& s, std::string_view stops);

/// A line as read from a text file: a trailing carriage return is dropped.
std::string_view dropCr(std::string_view s);

/// Table indexed from 1 to N, as the shared tables of the program are. A table of more
/// than 64 KiB keeps its entries on the heap, so that tables of a whole night's frames can be
/// held wherever a table is.
template <class T, size_t N>
class Table1 {
 public:
  T& operator[](int i) {
    assert(i >= 1 && static_cast<size_t>(i) <= N);
    return data_[static_cast<size_t>(i - 1)];
  }
  const T& operator[](int i) const {
    assert(i >= 1 && static_cast<size_t>(i) <= N);
    return data_[static_cast<size_t>(i - 1)];
  }
  static constexpr int size() { return static_cast<int>(N); }
  void fill(const T& v) { std::fill(data_.begin(), data_.end(), v); }
  auto begin() { return data_.begin(); }
  auto end() { return data_.end(); }
  auto begin() const { return data_.begin(); }
  auto end() const { return data_.end(); }

 private:
  static constexpr bool kOnHeap = sizeof(T) * N > 64 * 1024;
  std::conditional_t<kOnHeap, std::vector<T>, std::array<T, N>> data_ = make();
  static auto make() {
    if constexpr (kOnHeap) {
      return std::vector<T>(N);
    } else {
      return std::array<T, N>{};
    }
  }
};

}  // namespace textio

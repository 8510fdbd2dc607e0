// Fixed-width field writer with the conventions of Fortran edit descriptors:
// Fw.d, Iw, Aw and nX. A value too wide for its field fills it with asterisks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace textio {

/// Appends v as Fw.d: right-justified, d decimals, rounded to nearest (ties to even,
/// on the exact binary value). Fw.0 ends in a bare point. The zero before the point
/// is dropped only when the field would otherwise overflow; still too wide gives w '*'.
void appendF(std::string& out, double v, int w, int d);

/// Appends v as Iw: right-justified integer; too wide gives w '*'.
void appendI(std::string& out, int64_t v, int w);

/// Appends s as Aw: a longer text is cut to its leftmost w characters,
/// a shorter one is right-justified with leading blanks.
void appendA(std::string& out, std::string_view s, int w);

/// Appends n blanks (nX).
void appendX(std::string& out, int n);

/// Free-format (list-directed) output of one real: a blank and the shortest
/// text that reads back to the same 4-byte float.
void appendFree(std::string& out, float v);
/// Free-format output of a double, 17 significant digits (reads back exactly).
void appendFree(std::string& out, double v);
/// Free-format output of an integer: a blank and its digits.
void appendFree(std::string& out, int64_t v);

/// Chaining builder so a record reads like its field list:
/// Line().a(name, 20).x(2).f(du, 7, 2).str()
class Line {
 public:
  Line() = default;
  explicit Line(std::string_view start) : text_(start) {}
  Line& f(double v, int w, int d) { appendF(text_, v, w, d); return *this; }
  Line& i(int64_t v, int w) { appendI(text_, v, w); return *this; }
  Line& a(std::string_view s, int w) { appendA(text_, s, w); return *this; }
  Line& a(std::string_view s) { text_ += s; return *this; }
  Line& x(int n) { appendX(text_, n); return *this; }
  Line& free(float v) { appendFree(text_, v); return *this; }
  Line& freeD(double v) { appendFree(text_, v); return *this; }
  Line& freeI(int64_t v) { appendFree(text_, v); return *this; }
  const std::string& str() const { return text_; }
  operator const std::string&() const { return text_; }
  operator std::string_view() const { return text_; }

 private:
  std::string text_;
};

/// Convenience: one Fw.d field as a string.
std::string fmtF(double v, int w, int d);
/// Convenience: one Iw field as a string.
std::string fmtI(int64_t v, int w);

}  // namespace textio

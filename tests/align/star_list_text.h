// Star position list blocks written by hand in the documented layout, for the alignment tests.
#pragma once

#include <string>
#include <vector>

#include "textio/fixed_text.h"
#include "textio/fortran_format.h"

namespace aligntest {

struct Star {
  double u, v;
  int width = 3;
};

/// One frame block: empty line, "stars found in", sky, time, column header, star lines, end line.
inline std::string block(const std::string& name, double sky, double time, const std::vector<Star>& stars,
                         bool endLine = true) {
  std::string s = "\n";
  s += "  stars found in " + textio::fixed(name, 20) + "\n";
  s += textio::Line("  estimated sky value = ").f(sky, 8, 0).str() + "\n";
  s += textio::Line("  time (hours) = ").f(time, 7, 4).str() + "\n";
  s += "     u     v\n";
  for (const Star& st : stars) {
    s += textio::Line(" ").f(st.u, 7, 2).x(1).f(st.v, 7, 2).x(1).i(st.width, 2).x(1).f(st.width + 0.2, 4, 1)
             .x(2).i(5000, 7).x(1).i(4000, 6).str() + "\n";
  }
  if (endLine) s += " 9999.00 9999.00  0  0.0\n";
  return s;
}

/// The stars shifted by (du, dv).
inline std::vector<Star> shifted(const std::vector<Star>& stars, double du, double dv) {
  std::vector<Star> out = stars;
  for (Star& s : out) {
    s.u += du;
    s.v += dv;
  }
  return out;
}

/// A fiducial list file: one "u v" line per star.
inline std::string fidFile(const std::vector<Star>& stars) {
  std::string s;
  for (const Star& st : stars) s += textio::Line().f(st.u, 8, 2).f(st.v, 9, 2).str() + "\n";
  return s;
}

}  // namespace aligntest

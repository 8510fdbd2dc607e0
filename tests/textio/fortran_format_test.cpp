// The field writer against a table of fields formatted by gfortran (fortran_reference.txt,
// made by make_fortran_reference.sh from fortran_cases.txt).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "textio/fortran_format.h"

namespace {

TEST(FortranFormat, MatchesGfortranReferenceTable) {
  std::ifstream in(std::string(PELM_SOURCE_DIR) + "/tests/textio/fortran_reference.txt");
  ASSERT_TRUE(in) << "reference table missing";
  std::string line;
  int checked = 0;
  while (std::getline(in, line)) {
    size_t bar = line.find('|');
    ASSERT_NE(bar, std::string::npos) << line;
    std::string expected = line.substr(bar + 1, line.size() - bar - 2);
    std::istringstream c(line.substr(0, bar));
    char kind;
    c >> kind;
    std::string got;
    if (kind == 'F') {
      int w, d;
      double v;
      c >> w >> d >> v;
      textio::appendF(got, v, w, d);
    } else {
      int w;
      long long v;
      c >> w >> v;
      textio::appendI(got, v, w);
    }
    EXPECT_EQ(got, expected) << "case: " << line.substr(0, bar);
    ++checked;
  }
  EXPECT_GT(checked, 900);
}

TEST(FortranFormat, TextAndBlankFields) {
  std::string s;
  textio::appendA(s, "abc", 5);
  textio::appendA(s, "abcdef", 3);
  textio::appendX(s, 2);
  EXPECT_EQ(s, "  abcabc  ");
  EXPECT_EQ(textio::Line(" ").a("m31", 5).x(1).f(-0.5, 5, 2).i(7, 3).str(), "   m31 -0.50  7");
}

TEST(FortranFormat, NonFiniteFillsTheField) {
  EXPECT_EQ(textio::fmtF(1.0 / 0.0, 6, 2), "******");
}

TEST(FortranFormat, FreeFormatReadsBack) {
  std::string s;
  textio::appendFree(s, 0.1f);
  EXPECT_EQ(s, " 0.1");
  s.clear();
  textio::appendFree(s, 1.0 / 3.0);
  EXPECT_EQ(std::stod(s), 1.0 / 3.0);
}

}  // namespace

// Position residuals: recording, median, rejection of frames in the alignment table.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "motion/residuals.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace {

struct Fixture {
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};
  std::unique_ptr<motion::ResidualTable> table = std::make_unique<motion::ResidualTable>();

  void add(float r, const std::string& name) {
    motion::resid(console, *table, r, 0.0f, 0.0f, 0.0f, name, 9.0f, 9.0f);
  }
};

TEST(Residuals, DistanceScalesVerticalDifferencesToHorizontalPixels) {
  Fixture f;
  EXPECT_FLOAT_EQ(motion::resid(f.console, *f.table, 10, 10, 13, 14, "a.fit", 9.0f, 9.0f), 5.0f);
  // Pixels twice as tall as wide: a 2-pixel vertical step is 4 horizontal pixels.
  EXPECT_FLOAT_EQ(motion::resid(f.console, *f.table, 0, 0, 3, 2, "b.fit", 9.0f, 18.0f), 5.0f);
  EXPECT_EQ(f.table->count, 2);
  EXPECT_EQ(f.table->names[2], textio::fixed("b.fit", 20));
}

TEST(Residuals, MedianIsTheMiddleOrTheLowerOfTheTwoMiddleValues) {
  Fixture f;
  f.add(0.5f, "f1");
  f.add(0.1f, "f2");
  f.add(0.3f, "f3");
  motion::rsdst(f.console, *f.table);
  std::string text = f.out.str();
  EXPECT_NE(text.find("       1   0.100\n       2   0.300\n       3   0.500\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  median residual =   0.300\n"), std::string::npos);
  f.out.str("");
  f.add(0.2f, "f4");
  motion::rsdst(f.console, *f.table);
  EXPECT_NE(f.out.str().find("  median residual =   0.200\n"), std::string::npos);
}

TEST(Residuals, EmptyTableHasNoMedianAndWideResidualsAreNotAsterisks) {
  Fixture f;
  motion::rsdst(f.console, *f.table);
  EXPECT_NE(f.out.str().find("   no residuals recorded\n"), std::string::npos);
  f.out.str("");
  f.add(12.5f, "far.fit");
  motion::rsdst(f.console, *f.table);
  EXPECT_NE(f.out.str().find("     1 far.fit                 12.50\n"), std::string::npos) << f.out.str();
  EXPECT_EQ(f.out.str().find("****"), std::string::npos);
}

TEST(Residuals, TheTenThousandAndFirstIsNotRecordedAndTheProgramGoesOn) {
  Fixture f;
  for (int k = 0; k < 10000; ++k) f.add(0.1f, "frame");
  EXPECT_EQ(f.out.str(), "");
  EXPECT_FLOAT_EQ(motion::resid(f.console, *f.table, 3, 4, 0, 0, "extra", 9, 9), 5.0f);
  f.add(0.1f, "extra2");
  EXPECT_EQ(f.table->count, 10000);
  EXPECT_EQ(f.out.str(), "   ERROR - too many files (>10000); further residuals are not recorded\n");
}

TEST(Residuals, RejectionIsStrictAndMarksEveryEntryOfTheFrame) {
  Fixture f;
  f.add(0.3f, "img001.fit");
  f.add(0.8f, "img002.fit");
  f.add(0.5f, "img003.fts");
  f.add(0.9f, "gone.fit");
  auto table = std::make_unique<align::AlignmentTable>();
  const char* names[] = {"img001", "img002", "img003", "img002"};
  for (int k = 1; k <= 4; ++k) {
    table->entries[k].name = textio::fixed(names[k - 1], 20);
    table->entries[k].du = 1.25f * k;
    table->entries[k].dv = -0.5f;
    table->entries[k].rotation = 0.0f;
  }
  f.in.str("0.5\n");
  motion::rejrsd(f.console, *f.table, *table);
  EXPECT_EQ(table->entries[1].du, 1.25f);
  EXPECT_EQ(table->entries[3].du, 3.75f);  // residual equal to the limit stays
  for (int k : {2, 4}) {
    EXPECT_EQ(table->entries[k].du, 9999.0f);
    EXPECT_EQ(table->entries[k].dv, 9999.0f);
    EXPECT_EQ(table->entries[k].rotation, 999.0f);
  }
  std::string text = f.out.str();
  std::string rejected = "      rejecting " + textio::fixed("img002.fit", 20) + "   " + "  2.50" + " " + " -0.50" + " to 9999. 9999.\n";
  EXPECT_NE(text.find(rejected), std::string::npos) << text;
  EXPECT_NE(text.find("  ERROR -cannot find file in alignment array\n"), std::string::npos);
}

}  // namespace

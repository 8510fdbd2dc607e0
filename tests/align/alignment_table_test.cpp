// Alignment table: align.dat records, load with its midnight rule, save, listings.
#include "align/alignment_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "tests/support/run_pelm.h"
#include "textio/console.h"

namespace fs = std::filesystem;

namespace {

struct TableFixture : ::testing::Test {
  fs::path dir = testsupport::freshFolder("altable");
  std::string path = dir.string() + "/";
  std::istringstream keys;
  std::ostringstream screen;
  textio::Console console{keys, screen};
  align::AlignmentTable table;
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir);
  }
};

TEST(AlignRecords, FixedColumnsAndCsv) {
  EXPECT_EQ(align::alignRecord("frame001.fts", 23.8f, 3.0f, -1.5f, 0.0f, 3, 1203.0f, 0.0f),
            " frame001.fts         23.8000    3.00   -1.50    0.00000     3    1203.0  0.00");
  // A frame without an offset fills the du and dv fields exactly.
  EXPECT_EQ(align::alignRecord("f2", 24.25f, 9999.99f, 9999.99f, 0.0f, 0, 0.0f, 99.99f),
            " f2                   24.2500 9999.99 9999.99    0.00000     0       0.0 99.99");
  EXPECT_EQ(align::alignCsvRecord("frame001.fts", 23.8f, 3.0f, -1.5f, 0.0f, 3, 1203.0f, 0.01f),
            " \"frame001.fts        \",23.8000,   3.00,  -1.50,  0.000,   3,   1203.0, 0.01");
  EXPECT_EQ(align::alignCsvRecord("r", 1.0f, 0.0f, 0.0f, -1.23456f, 4, 5.0f, 0.1f, 9),
            " \"r                   \", 1.0000,   0.00,   0.00, -1.23456,   4,      5.0, 0.10");
}

TEST(AlignRecords, ReadingFieldsBlanksAndBadFields) {
  align::AlignmentEntry e;
  ASSERT_TRUE(align::readAlignRecord(
      " frame001.fts         23.8000    3.00   -1.50    0.12345     3    1203.0  0.00", e));
  EXPECT_EQ(e.name, "frame001.fts        ");
  EXPECT_FLOAT_EQ(e.time, 23.8f);
  EXPECT_FLOAT_EQ(e.du, 3.0f);
  EXPECT_FLOAT_EQ(e.dv, -1.5f);
  EXPECT_FLOAT_EQ(e.rotation, 0.12345f);
  EXPECT_EQ(e.fwhm, 3);
  EXPECT_FLOAT_EQ(e.sky, 1203.0f);
  // A short or empty line reads as blanks: zeros.
  ASSERT_TRUE(align::readAlignRecord("", e));
  EXPECT_EQ(e.name, std::string(20, ' '));
  EXPECT_EQ(e.time, 0.0f);
  // A number without a point has implied decimals, as a fixed field does.
  ASSERT_TRUE(align::readAlignRecord(" f" + std::string(28, ' ') + "    300", e));
  EXPECT_FLOAT_EQ(e.du, 3.0f);
  EXPECT_FALSE(align::readAlignRecord(" f                    ******* 9999.99", e));
  EXPECT_FALSE(align::readAlignRecord(" f                    12.0000    abc", e));
}

TEST_F(TableFixture, LoadStripsTypesPresetsRotationAndCountsLines) {
  table.entries[5].time = 7.0f;
  table.entries[5].name = "old                 ";
  testsupport::writeFile(dir / "align.dat",
                         " frame.fit            20.0000    1.00    2.00    0.00000     3    1000.0  0.01\n"
                         " frame.fts            20.1000    1.50    2.50    0.00000     3    1000.0  0.01\n"
                         " plainname            20.2000    1.75    2.75    0.00000     4    1000.0  0.01\n");
  EXPECT_EQ(align::alload(console, path, table), 3);
  EXPECT_EQ(screen.str(), "   finished reading align.dat; number of images =   3\n\n");
  EXPECT_EQ(table.entries[1].name, "frame               ");
  EXPECT_EQ(table.entries[2].name, "frame               ");
  EXPECT_EQ(table.entries[3].name, "plainname           ");
  EXPECT_EQ(table.entries[3].fwhm, 4);
  EXPECT_EQ(table.entries[1].rotation, 0.0f);
  for (int i = 4; i <= align::kAlignEntries; ++i) {
    ASSERT_EQ(table.entries[i].name, std::string(20, ' '));
    ASSERT_EQ(table.entries[i].rotation, 1000.0f);
  }
  // Entries past the file keep their old numbers (only the name and rotation are reset).
  // and the midnight rule runs over them as well (entry 4: 0 after 20.2, entry 5: 7 after 24).
  EXPECT_FLOAT_EQ(table.entries[4].time, 24.0f);
  EXPECT_FLOAT_EQ(table.entries[5].time, 31.0f);
  EXPECT_TRUE(align::findFrame(table, "frame.fts").found);
  EXPECT_EQ(align::findFrame(table, "frame.fts").index, 1);
}

TEST_F(TableFixture, MidnightRuleComparesWithTheCorrectedPredecessor) {
  testsupport::writeFile(dir / "align.dat",
                         " a                    22.0000    0.00    0.00    0.00000     3       0.0  0.00\n"
                         " b                    23.9000    0.00    0.00    0.00000     3       0.0  0.00\n"
                         " c                     0.1000    0.00    0.00    0.00000     3       0.0  0.00\n"
                         " d                     0.3000    0.00    0.00    0.00000     3       0.0  0.00\n"
                         " e                    23.5000    0.00    0.00    0.00000     3       0.0  0.00\n"
                         " f                     0.5000    0.00    0.00    0.00000     3       0.0  0.00\n"
                         " g                     1.0000    0.00    0.00    0.00000     3       0.0  0.00\n");
  EXPECT_EQ(align::alload(console, path, table), 7);
  EXPECT_FLOAT_EQ(table.entries[1].time, 22.0f);
  EXPECT_FLOAT_EQ(table.entries[2].time, 23.9f);
  EXPECT_FLOAT_EQ(table.entries[3].time, 24.1f);
  EXPECT_FLOAT_EQ(table.entries[4].time, 24.3f);
  // The rule adds 24 hours at most once: 23.5 after 24.3 becomes 47.5, and 0.5 after that
  // becomes 24.5 (the rule is kept as it stands).
  EXPECT_FLOAT_EQ(table.entries[5].time, 47.5f);
  EXPECT_FLOAT_EQ(table.entries[6].time, 24.5f);
  EXPECT_FLOAT_EQ(table.entries[7].time, 25.0f);
}

TEST_F(TableFixture, MissingFileAndBadLineLoadWhatTheyCan) {
  table.entries[1].name = "stale               ";
  EXPECT_EQ(align::alload(console, path, table), 0);
  EXPECT_EQ(table.entries[1].name, std::string(20, ' '));
  testsupport::writeFile(dir / "align.dat",
                         " a                    22.0000    0.00    0.00    0.00000     3       0.0  0.00\n"
                         " b                    ******* 9999.99 9999.99    0.00000     0       0.0 99.99\n"
                         " c                    22.5000    0.00    0.00    0.00000     3       0.0  0.00\n");
  EXPECT_EQ(align::alload(console, path, table), 1);
  EXPECT_EQ(table.entries[2].name, std::string(20, ' '));
}

TEST_F(TableFixture, SaveCreatesTheFileAndRoundTripsThroughLoad) {
  table.entries[1] = {"img001              ", 23.75f, 3.25f, -1.5f, 0.0f, 3, 1203.4f};
  table.entries[2] = {"img002              ", 24.1234f, 9999.99f, 9999.99f, 0.0f, 0, 987.0f};
  table.entries[3] = {"img003              ", 24.5f, -12.34f, 56.78f, 1.23456f, 5, 65000.0f};
  ASSERT_FALSE(fs::exists(dir / "align.dat"));
  ASSERT_TRUE(align::alsave(console, path, table));
  std::string saved = testsupport::readFile(dir / "align.dat");
  EXPECT_EQ(saved.substr(0, 73), " img001               23.7500    3.25   -1.50    0.00000     3    1203.4\n");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 1000);
  EXPECT_FALSE(fs::exists(dir / "align.dat.new"));
  align::AlignmentTable back;
  EXPECT_EQ(align::alload(console, path, back), 1000);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(back.entries[i].name, table.entries[i].name);
    EXPECT_NEAR(back.entries[i].time, table.entries[i].time, 5e-5);
    EXPECT_NEAR(back.entries[i].du, table.entries[i].du, 5e-3);
    EXPECT_NEAR(back.entries[i].dv, table.entries[i].dv, 5e-3);
    EXPECT_NEAR(back.entries[i].rotation, table.entries[i].rotation, 5e-6);
    EXPECT_EQ(back.entries[i].fwhm, table.entries[i].fwhm);
    EXPECT_NEAR(back.entries[i].sky, table.entries[i].sky, 0.05);
  }
}

TEST_F(TableFixture, ListingsAndTheTestForData) {
  EXPECT_FALSE(align::altest(console, table));
  EXPECT_EQ(screen.str(), "   error - no image alignment data ... \n");
  screen.str("");
  table.entries[2] = {"img002              ", 24.5f, 3.0f, -1.5f, 0.25f, 3, 100.0f};
  EXPECT_TRUE(align::altest(console, table));
  EXPECT_EQ(screen.str(), "");
  align::allist(console, table);
  std::string out = screen.str();
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 12);
  EXPECT_NE(out.find("\n    2 img002                 24.5000    3.0000   -1.5000    0.2500\n"), std::string::npos);
  screen.str("");
  align::listalign(console, table);
  EXPECT_EQ(screen.str(), "   alignment img002                   3.00   -1.50   0.25\n");
}

}  // namespace

namespace {

// A night of more frames than the designed 1000: all are loaded, found and saved back; a
// night within 1000 keeps align.dat's 1000 lines.
TEST_F(TableFixture, NightsOfUpToTenThousandFramesLoadAndSaveWhole) {
  std::string dat;
  for (int k = 1; k <= 2500; ++k) {
    char name[16];
    std::snprintf(name, sizeof name, "f%05d.fts", k);
    dat += align::alignRecord(name, 20.0f + 0.001f * static_cast<float>(k), 0.5f, -0.25f, 0.0f, 3, 900.0f) + "\n";
  }
  testsupport::writeFile(dir / "align.dat", dat);
  EXPECT_EQ(align::alload(console, path, table), 2500);
  EXPECT_EQ(table.span(), 2500);
  EXPECT_EQ(align::findFrame(table, "f02345").index, 2345);
  ASSERT_TRUE(align::alsave(console, path, table));
  std::string saved = testsupport::readFile(dir / "align.dat");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 2500);
  EXPECT_EQ(saved.substr(saved.size() - 73, 10), " f02500   ");

  testsupport::writeFile(dir / "align.dat", dat.substr(0, 73 * 3));
  EXPECT_EQ(align::alload(console, path, table), 3);
  EXPECT_EQ(table.span(), 1000);
  ASSERT_TRUE(align::alsave(console, path, table));
  saved = testsupport::readFile(dir / "align.dat");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 1000);
}

}  // namespace

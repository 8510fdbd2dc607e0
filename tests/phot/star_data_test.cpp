// Star data table: stardata.txt round trip and damaged files, the photometry selection,
// the fiducial file, the frame look-up, the PSF store and the artificial star.
#include "phot/star_data.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "image/workspaces.h"
#include "tests/support/run_pelm.h"
#include "textio/console.h"

namespace fs = std::filesystem;

namespace {

struct StarDataFixture : ::testing::Test {
  fs::path dir = testsupport::freshFolder("stardata");
  std::string path = dir.string() + "/";
  std::istringstream keys;
  std::ostringstream screen;
  textio::Console console{keys, screen};
  phot::StarData sd;

  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir);
  }
  void answers(const std::string& text) {
    keys.str(text);
    keys.clear();
    screen.str("");
  }
  void add(int n, const std::string& code, float au, float av, float ru, float rv) {
    sd.stars[n].code = textio::fixed(code, 5);
    sd.stars[n].name = textio::fixed("name " + code, 20);
    sd.stars[n].approxU = au;
    sd.stars[n].approxV = av;
    sd.stars[n].refinedU = ru;
    sd.stars[n].refinedV = rv;
    sd.starCount = std::max(sd.starCount, n);
  }
};

TEST_F(StarDataFixture, SaveAndLoadRoundTripEveryValue) {
  add(1, "AST", 612.25f, 388.5f, 0.0f, 0.0f);
  add(2, "C1", 100.125f, 200.0625f, 100.3f, 199.9f);
  add(3, "C2", 1.0e-3f, 1234.567f, 1390.01f, 1039.99f);
  ASSERT_TRUE(phot::gssave(console, path, sd));
  std::string text = testsupport::readFile(dir / "stardata.txt");
  EXPECT_EQ(text.substr(0, 38), " 3\nname AST            \nAST  \n 612.25 ");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 301);
  phot::StarData back;
  phot::gsload(console, path, back);
  EXPECT_EQ(screen.str(), "   finished reading stardata.txt; number of stars read =  3\n\n");
  EXPECT_EQ(back.starCount, 3);
  for (int n = 1; n <= 3; ++n) {
    EXPECT_EQ(back.stars[n].code, sd.stars[n].code);
    EXPECT_EQ(back.stars[n].name, sd.stars[n].name);
    EXPECT_EQ(back.stars[n].approxU, sd.stars[n].approxU);
    EXPECT_EQ(back.stars[n].approxV, sd.stars[n].approxV);
    EXPECT_EQ(back.stars[n].refinedU, sd.stars[n].refinedU);
    EXPECT_EQ(back.stars[n].refinedV, sd.stars[n].refinedV);
  }
  EXPECT_FALSE(fs::exists(dir / "stardata.txt.new"));
}

TEST_F(StarDataFixture, LoadCountsCodesNotTheStoredCountAndIsSilentWhenMissing) {
  phot::gsload(console, path, sd);
  EXPECT_EQ(screen.str(), "");
  add(1, "A", 1, 1, 0, 0);
  add(2, "B", 2, 2, 0, 0);
  sd.starCount = 7;
  ASSERT_TRUE(phot::gssave(console, path, sd));
  phot::StarData back;
  phot::gsload(console, path, back);
  EXPECT_EQ(back.starCount, 7);
  EXPECT_EQ(screen.str(), "   finished reading stardata.txt; number of stars read =  2\n\n");
}

TEST_F(StarDataFixture, DamagedFileKeepsWhatWasReadAndClampsTheCount) {
  add(1, "A", 10, 11, 12, 13);
  add(2, "B", 20, 21, 22, 23);
  ASSERT_TRUE(phot::gssave(console, path, sd));
  std::string text = testsupport::readFile(dir / "stardata.txt");
  // Count 150, and the position line of entry 2 (line 7) damaged.
  text.replace(0, 2, "150");
  size_t line7 = 0;
  for (int n = 0; n < 6; ++n) line7 = text.find('\n', line7) + 1;
  text.insert(line7, "x");
  testsupport::writeFile(dir / "stardata.txt", text);
  phot::StarData back;
  back.stars[5].code = "OLD  ";
  phot::gsload(console, path, back);
  EXPECT_EQ(screen.str(),
            "   error - cannot read line   7 of stardata.txt;\n"
            "   the entries read before it are kept, the others left empty\n"
            "   finished reading stardata.txt; number of stars read =  1\n\n");
  EXPECT_EQ(back.starCount, 100);
  EXPECT_EQ(back.stars[1].refinedV, 13.0f);
  EXPECT_EQ(back.stars[2].code, "     ");
  EXPECT_EQ(back.stars[5].code, "     ");
  // A file that ends early names the missing line; a negative count becomes 0.
  testsupport::writeFile(dir / "stardata.txt", "-4\nname\nA\n1 2 3 4\n");
  answers("");
  phot::gsload(console, path, back);
  EXPECT_NE(screen.str().find("cannot read line   5 of stardata.txt"), std::string::npos);
  EXPECT_EQ(back.starCount, 0);
  EXPECT_EQ(back.stars[1].code, "A    ");
}

TEST_F(StarDataFixture, AddingEntriesStripsCommentsAndStopsWhenFull) {
  for (int n = 1; n <= 99; ++n) add(n, "S" + std::to_string(n), 1, 1, 0, 0);
  answers("AB;xx\nComet C/2020 F3 NEOWISE\n15.5, 16.25\n");
  phot::gsdata(console, path, sd, 1);
  EXPECT_EQ(sd.starCount, 100);
  EXPECT_EQ(sd.stars[100].code, "AB   ");
  EXPECT_EQ(sd.stars[100].name, "Comet C             ");
  EXPECT_EQ(sd.stars[100].approxV, 16.25f);
  EXPECT_EQ(screen.str(),
            "\n   star number100\n"
            "   enter short code (max 5 chars) or <return> if finished : "
            "   enter full name (max 20 chars, optional) : "
            "   enter approximate u,v : ");
  ASSERT_TRUE(fs::exists(dir / "stardata.txt"));
  fs::remove(dir / "stardata.txt");
  answers("");
  phot::gsdata(console, path, sd, 1);
  EXPECT_EQ(screen.str(), "   sorry - you cannot have any more stars!\n");
  EXPECT_FALSE(fs::exists(dir / "stardata.txt"));
}

TEST_F(StarDataFixture, CopyModesRespectAvailabilityAndTheOmittedObject) {
  add(1, "AST", 50.0f, 60.0f, 51.0f, 61.0f);
  add(2, "C1", 0.4f, 80.0f, 0.0f, 0.0f);
  add(3, "C2", 90.0f, 95.0f, 91.0f, 0.49f);
  phot::gsdata(console, path, sd, 19);
  EXPECT_EQ(sd.stars[1].refinedU, 50.0f);
  EXPECT_EQ(sd.stars[2].refinedU, 0.0f);  // approximate u below 0.5: not copied
  EXPECT_EQ(sd.stars[3].refinedV, 95.0f);
  sd.stars[1].refinedU = 52.0f;
  sd.stars[3].refinedU = 93.0f;
  answers("AST\n");
  phot::gsdata(console, path, sd, 9);
  EXPECT_EQ(sd.stars[1].approxU, 50.0f);  // omitted
  EXPECT_EQ(sd.stars[3].approxU, 93.0f);
  phot::gsdata(console, path, sd, 10);
  for (const phot::StarEntry& e : sd.stars) ASSERT_EQ(e.refinedU + e.refinedV, 0.0f);
  phot::StarData back;
  phot::gsload(console, path, back);
  EXPECT_EQ(back.stars[3].approxU, 93.0f);
  EXPECT_EQ(back.stars[1].refinedU, 0.0f);
}

TEST_F(StarDataFixture, FiducialFileHoldsEveryEntryOfEachCode) {
  add(1, "F1", 1, 1, 100.5f, 200.25f);
  add(2, "F2", 1, 1, 300.0f, 50.0f);
  add(3, "F1", 1, 1, 101.0f, 201.0f);
  answers("F1\nXX\nF2 ! remark\n\n");
  phot::setfid(console, path, sd);
  EXPECT_EQ(testsupport::readFile(dir / "stars.fid"), " 100.5 200.25\n 101 201\n 300 50\n");
  EXPECT_NE(screen.str().find("   error - star not recognised \n"), std::string::npos);
}

TEST_F(StarDataFixture, PhotometryListFillsSlotsContiguously) {
  add(1, "AST", 50.0f, 60.0f, 0.0f, 0.0f);
  add(2, "C1", 70.0f, 80.0f, 71.0f, 81.0f);
  add(3, "C1", 72.0f, 82.0f, 73.0f, 83.0f);
  answers("AST\nNONE\nC1\n\n");
  phot::setpht(console, sd, phot::StarListUse::Photometry);
  EXPECT_EQ(sd.photStarCount, 2);
  EXPECT_EQ(sd.starLabels[1], "AST  ");
  EXPECT_EQ(sd.photStarU[1], 50.0f);  // approximate position used
  EXPECT_EQ(sd.starLabels[2], "C1   ");
  EXPECT_EQ(sd.photStarU[2], 73.0f);  // the later entry's position
  EXPECT_EQ(sd.starLabels[3], "     ");
  std::string out = screen.str();
  EXPECT_NE(out.find("   refined (u,v) not available, use approx (u,v) instead)\n   AST   u =   50.00 v =   60.00\n"),
            std::string::npos);
  EXPECT_NE(out.find("   error : star not recognised \n"), std::string::npos);
  // Eleven known codes: ten slots, then the pause line.
  answers(std::string("C1\n").append(std::string("C1\n")).append("C1\nC1\nC1\nC1\nC1\nC1\nC1\nC1\nrest\n"));
  phot::setpht(console, sd, phot::StarListUse::PsfRun);
  EXPECT_EQ(sd.photStarCount, 10);
  EXPECT_EQ(screen.str().rfind("\n   Determine PSF for the first of the following stars\n"
                                "   Determine the positions for all of the following stars\n\n",
                                0),
            0u);
  EXPECT_NE(screen.str().find("    press <return> to continue..."), std::string::npos);
}

TEST(StarDataLookup, GetfidStripsTheTypeAndSetsTheFrameTime) {
  std::istringstream keys;
  std::ostringstream screen;
  textio::Console console(keys, screen);
  align::AlignmentTable table;
  table.entries[4] = {"frame001            ", 24.25f, 3.0f, -1.5f, 0.5f, 3, 100.0f};
  float frameTime = 1.0f;
  align::FrameLookup r = phot::getfid(console, table, "frame001.fts", frameTime);
  EXPECT_TRUE(r.found);
  EXPECT_EQ(frameTime, 24.25f);
  EXPECT_EQ(r.du, 3.0f);
  EXPECT_EQ(r.fwhm, 3);
  EXPECT_EQ(screen.str(), "");
  r = phot::getfid(console, table, "frame002.fts", frameTime);
  EXPECT_FALSE(r.found);
  EXPECT_EQ(r.du, 9999.0f);
  EXPECT_EQ(r.rotation, 999.0f);
  EXPECT_EQ(frameTime, 24.25f);
  EXPECT_EQ(screen.str(), "  no offset recorded for this file !\n");
}

TEST(StarDataPsf, KeepStoresMeansAndNothingWithoutValues) {
  std::istringstream keys("f2.fts\nnone\n");
  std::ostringstream screen;
  textio::Console console(keys, screen);
  align::AlignmentTable table;
  table.entries[2].name = "f2                  ";
  phot::StarData sd;
  phot::keepsf(console, table, sd, "", phot::PsfSums::Clear, 0, 0);
  phot::keepsf(console, table, sd, "", phot::PsfSums::Add, 2.0f, 1.1f);
  phot::keepsf(console, table, sd, "", phot::PsfSums::Add, 3.0f, 0.9f);
  phot::keepsf(console, table, sd, "f2.fit", phot::PsfSums::Store, 0, 0);
  EXPECT_FLOAT_EQ(sd.framePsfR[2], 2.5f);
  EXPECT_FLOAT_EQ(sd.framePsfE[2], 1.0f);
  EXPECT_EQ(sd.psfNumber, 0.0f);
  phot::keepsf(console, table, sd, "f2.fit", phot::PsfSums::Store, 0, 0);  // no values: the stored means stay
  EXPECT_FLOAT_EQ(sd.framePsfR[2], 2.5f);
  phot::keepsf(console, table, sd, "", phot::PsfSums::Add, 2.0f, 1.0f);
  phot::keepsf(console, table, sd, "other", phot::PsfSums::Store, 0, 0);
  EXPECT_EQ(screen.str(), "  could not store psf; HAVE YOU LOADED ALIGNMENT ARRAY ?! \n");
  EXPECT_EQ(sd.psfNumber, 0.0f);
  screen.str("");
  phot::qrypsf(console, table, sd);
  phot::qrypsf(console, table, sd);
  EXPECT_EQ(screen.str(),
            "   enter filename:           r,e =   2.50   1.00\n\n"
            "   enter filename:   could not find data for this file\n\n");
}

TEST(StarDataArtificialStar, TotalIsTheIntegralOfTheModel) {
  std::istringstream keys;
  std::ostringstream screen;
  textio::Console console(keys, screen);
  auto ws = std::make_unique<image::Workspaces>();
  ws->nx = 100;
  ws->ny = 80;
  ASSERT_TRUE(phot::pstar(console, *ws, 50.3f, 40.6f, 100.0f, 1.0f, 1.0f));
  // The integral of 100 exp(-x^2 - y^2) is 100 pi.
  EXPECT_EQ(screen.str(), "\n   total flux =     314.2\n\n");
  int32_t centre = 0;
  ASSERT_TRUE(ws->get(50, 41, centre));
  EXPECT_GT(centre, 50);
  // Near the corner part of the box falls outside the frame and is not added.
  screen.str("");
  ASSERT_TRUE(phot::pstar(console, *ws, 1.0f, 1.0f, 100.0f, 1.0f, 1.0f));
  std::string text = screen.str();
  float corner = std::stof(text.substr(text.find("= ") + 2));
  // Only u, v >= 0.5 lie in the frame: 100 pi * P(Z > -0.5 sqrt 2)^2 = 100 pi * 0.760^2 = 181.5.
  EXPECT_GT(corner, 176.0f);
  EXPECT_LT(corner, 187.0f);
  screen.str("");
  EXPECT_FALSE(phot::pstar(console, *ws, 10.0f, 10.0f, 100.0f, 0.0f, 1.0f));
  EXPECT_FALSE(phot::pstar(console, *ws, 10.0f, 10.0f, 100.0f, 1.0f, -1.0f));
  EXPECT_EQ(screen.str(), "   error - r and e must both be greater than 0; no star added\n"
                          "   error - r and e must both be greater than 0; no star added\n");
}

}  // namespace

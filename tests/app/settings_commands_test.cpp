// Settings commands run in-process on a fresh state: the stored values and their limits.
#include <gtest/gtest.h>

#include "tests/support/in_process.h"

namespace {

using testsupport::InProcess;

TEST(SettingsCommands, ThresholdKeepsTheIntegerPartAndSetfindstaTakesBoth) {
  InProcess r;
  r.command("threshold", "149.9\n");
  EXPECT_EQ(r.state->settings.findThreshold, 149);
  r.command("setfindsta", "250.7, 6\n");
  EXPECT_EQ(r.state->settings.findThreshold, 250);
  EXPECT_EQ(r.state->settings.findProximity, 6);
}

TEST(SettingsCommands, RejectRoundsToTheNearestWholePixel) {
  InProcess r;
  r.command("reject", "2.5\n");
  EXPECT_EQ(r.state->interp.fwhmLimit, 3);
  r.command("reject", "2.4\n");
  EXPECT_EQ(r.state->interp.fwhmLimit, 2);
}

TEST(SettingsCommands, PutboxCentresTheSearchBoxOnTheKeptBoxSize) {
  InProcess r;
  r.command("boxsize", "21\n");
  r.command("putbox", "100 200\n");
  EXPECT_EQ(r.state->settings.searchBox, (std::array<int32_t, 4>{90, 110, 190, 210}));
  r.command("setbox", "1 2 3 4\n");
  EXPECT_EQ(r.state->settings.searchBox, (std::array<int32_t, 4>{1, 2, 3, 4}));
}

TEST(SettingsCommands, SkyAndStackSettings) {
  InProcess r;
  r.command("skylock", "1234.5 12.5\n");
  EXPECT_EQ(r.state->settings.skyLocked, 1);
  EXPECT_EQ(r.state->settings.forcedSky, 1234.5f);
  EXPECT_EQ(r.state->settings.forcedSkySd, 12.5f);
  r.command("skyfree", "");
  EXPECT_EQ(r.state->settings.skyLocked, 0);
  r.command("skymedian", "");
  EXPECT_EQ(r.state->settings.skyEstimator, "median              ");
  r.command("maxstack", "3\n");
  EXPECT_EQ(r.state->settings.maxStack, 3);
  r.command("resetmaxst", "");
  EXPECT_EQ(r.state->settings.maxStack, 9999);
  // Eight-byte terms keep digits a four-byte real would lose.
  r.command("secondorde", "1 2 0.1\n4 5 6\n");
  EXPECT_EQ(r.state->settings.secondOrderTerms, (std::array<double, 6>{1, 2, 0.1, 4, 5, 6}));
}

TEST(SettingsCommands, SkySubtractionMethodAsksAgainOutsideOneToThree) {
  InProcess r;
  r.command("skysubtrac", "4\n3\n");
  EXPECT_EQ(r.state->settings.skySubtractionMethod, 3);
  EXPECT_NE(r.printed().find("   error:  choose 1, 2 or 3"), std::string::npos);
}

TEST(SettingsCommands, AperturesAndStarListName) {
  InProcess r;
  r.command("hardmean", "");
  EXPECT_EQ(r.state->interp.apertureType, "hdav");
  r.command("refineposi", "");
  EXPECT_EQ(r.state->interp.apertureType, "chec");
  r.command("psf", "");
  EXPECT_EQ(r.state->interp.apertureType, "psf ");
  r.command("plf", "\n");
  EXPECT_EQ(r.state->settings.starListFile, "stars.lst           ");
  r.command("positionli", "night2.lst\n");
  EXPECT_EQ(r.state->settings.starListFile, "night2.lst          ");
}

}  // namespace

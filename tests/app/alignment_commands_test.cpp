// Handlers of the alignment and star data commands, in process: the check of the star list
// name before align, and rotatefram's look-up of the frame's time.
#include "app/alignment_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/in_process.h"

namespace {

struct AlignmentCommands : ::testing::Test, testsupport::InProcess {};

TEST_F(AlignmentCommands, AlignWithoutAStarListNameStopsBeforeThePause) {
  state->settings.starListFile = std::string(20, ' ');
  answers("should not be read\n");
  app::alignCommand(session);
  std::string out = screen.str();
  EXPECT_NE(out.find("  error: no star position list file has been defined\n"
                     "         use positionlist command to define file, or \n"
                     "         perform star search(es) to generate list files\n"),
            std::string::npos);
  EXPECT_EQ(out.find("press return"), std::string::npos);
  std::string rest;
  std::getline(keyboard, rest);
  EXPECT_EQ(rest, "should not be read");
}

TEST_F(AlignmentCommands, RotateframSetsTheFrameTimeFromTheAlignmentTable) {
  state->settings.workingPath = std::string(80, ' ');
  state->alignment.entries[3] = {"img007              ", 25.125f, 1.0f, 2.0f, 0.0f, 3, 100.0f};
  answers("img007.fts\n");
  app::rotateframCommand(session);
  EXPECT_EQ(state->ws.frameTime, 25.125f);
  EXPECT_NE(screen.str().find("this command not working yet!\n"), std::string::npos);
  EXPECT_EQ(screen.str().find("no offset recorded"), std::string::npos);
}

TEST_F(AlignmentCommands, StarDataModesConfirmWhatTheyDid) {
  state->settings.workingPath = std::string(80, ' ');
  state->starData.starCount = 3;
  app::starDataMode(session, 0);
  EXPECT_EQ(state->starData.starCount, 0);
  EXPECT_EQ(screen.str(), "   star data arrays cleared\n\n");
}

}  // namespace

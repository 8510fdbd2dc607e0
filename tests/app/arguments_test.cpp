// Command-line arguments of the program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

#include "tests/support/run_pelm.h"

namespace {

int runWithArgs(const std::string& args, std::string& out) {
  auto dir = testsupport::freshFolder("args");
  std::string cmd = "cd '" + dir.string() + "' && '" + PELM_BINARY + "' " + args + " > out.txt 2>&1 < /dev/null";
  int raw = std::system(cmd.c_str());
  out = testsupport::readFile(dir / "out.txt");
  std::filesystem::remove_all(dir);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(Arguments, HelpAndVersionExitZeroAndOthersAreRefused) {
  std::string out;
  EXPECT_EQ(runWithArgs("--help", out), 0);
  EXPECT_NE(out.find("usage: pelm"), std::string::npos);
  EXPECT_EQ(runWithArgs("--version", out), 0);
  EXPECT_EQ(out, "pelm 2.1\n");
  EXPECT_EQ(runWithArgs("--frobnicate", out), 2);
  EXPECT_NE(out.find("unknown argument --frobnicate"), std::string::npos);
}

}  // namespace

// The batch commands on several threads against one thread: the same night reduced with
// PELM_THREADS=1, 2 and 4 prints the same text, line for line, and leaves the same files,
// byte for byte. The demo night goes through every batch command (dfs, photometry, stack,
// rstack, avfiles and the rest of the demo); the other nights hold what makes the order
// matter: a frame cut short, a missing frame, a frame only the FITS library reads, a
// corrected frame that cannot be written (its name is a folder), and a list that loads the
// frame a save of the same batch replaced, with the raw-frame question asked between frames.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "tests/support/run_pelm.h"

namespace fs = std::filesystem;

namespace {

// Every file of a folder (relative name -> content), folders as names alone.
std::map<std::string, std::string> contents(const fs::path& dir) {
  std::map<std::string, std::string> all;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string name = fs::relative(e.path(), dir).string();
    all[name] = e.is_directory() ? std::string("(folder)") : testsupport::readFile(e.path());
  }
  return all;
}

std::string pathDat(const char* raw, const char* dark, const char* flat, const char* renamed) {
  std::string s(80, ' ');
  s += "\n";
  for (const char* code : {"", "", raw, dark, flat, "", "", "", "3", renamed}) {
    std::string padded(code);
    padded.resize(3, ' ');
    s += padded + "\n";
  }
  return s;
}

void simnight(const fs::path& dir, const std::string& options) {
  const std::string cmd = std::string(PELM_TOOLS_DIR) + "/simnight --out '" + dir.string() + "' " + options + " > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
}

struct Outcome {
  std::string printed;
  std::map<std::string, std::string> files;
};

// Runs `input` in a copy of `night` with the thread count given.
Outcome reduce(const fs::path& night, const std::string& threads, const std::string& input) {
  const fs::path dir = testsupport::freshFolder("threads-" + threads);
  fs::copy(night, dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  ::setenv("PELM_THREADS", threads.c_str(), 1);
  Outcome o;
  o.printed = testsupport::runPelm(dir, input).out;
  ::unsetenv("PELM_THREADS");
  o.files = contents(dir);
  fs::remove_all(dir);
  return o;
}

// The one-thread outcome, after checking that it shows every text of `shown`.
Outcome expectSameWithThreads(const fs::path& night, const std::string& input, const std::vector<std::string>& shown) {
  const Outcome one = reduce(night, "1", input);
  for (const std::string& text : shown) EXPECT_NE(one.printed.find(text), std::string::npos) << text;
  for (const char* threads : {"2", "4"}) {
    const Outcome several = reduce(night, threads, input);
    const std::vector<std::string> a = testsupport::lines(one.printed), b = testsupport::lines(several.printed);
    EXPECT_EQ(a.size(), b.size()) << threads << " threads";
    if (a.size() != b.size()) continue;
    for (size_t k = 0; k < a.size(); ++k) {
      EXPECT_EQ(a[k], b[k]) << threads << " threads, line " << k + 1;
      if (a[k] != b[k]) break;
    }
    EXPECT_EQ(one.printed, several.printed);
    EXPECT_EQ(one.files.size(), several.files.size()) << threads << " threads";
    for (const auto& [name, bytes] : one.files) {
      auto found = several.files.find(name);
      if (found == several.files.end()) {
        ADD_FAILURE() << name << " missing with " << threads << " threads";
        continue;
      }
      EXPECT_TRUE(found->second == bytes) << name << " differs with " << threads << " threads";
    }
  }
  return one;
}

TEST(BatchThreads, TheDemoNightIsTheSameOnEveryThreadCount) {
  const fs::path night = testsupport::freshFolder("threads-demo");
  simnight(night, "--frames 40 --seed 1 --double-peak");
  testsupport::writeFile(night / "path.dat", pathDat("fit", "drk", "fts", "f"));
  std::string script = testsupport::readFile(fs::path(PELM_SOURCE_DIR) / "scripts" / "demo-night.txt");
  const size_t stop = script.rfind("stop\n");
  ASSERT_NE(stop, std::string::npos);
  script = script.substr(0, stop) + "rstack\nfmg001\n..\nfmg040\n\n\nsave\nrotstack\n" +
           "avfiles\nimg001\n..\nimg040\n\n\nsave\naveraged\nstop\n";
  const Outcome one = expectSameWithThreads(
      night, script, {"   enter file  40 to process: ", "   average files with offset and rotation ", "   average files without offset"});
  for (const char* made : {"stacked.fit", "rotstack.fit", "averaged.fit", "night.txt", "fmg040.fts"}) {
    EXPECT_GT(one.files.count(made), 0u) << made;
  }
  fs::remove_all(night);
}

TEST(BatchThreads, SeveralThreadsGiveTheOneThreadNight) {
  const fs::path night = testsupport::freshFolder("threads-night");
  simnight(night, "--frames 8 --size 320 240 --seed 5");
  const fs::path other = testsupport::freshFolder("threads-float");
  simnight(other, "--frames 2 --size 320 240 --seed 6 --bitpix -32");
  fs::copy_file(other / "img002.fit", night / "img005.fit", fs::copy_options::overwrite_existing);
  fs::remove_all(other);
  const std::string cut = testsupport::readFile(night / "img003.fit");
  testsupport::writeFile(night / "img003.fit", cut.substr(0, cut.size() / 2));
  fs::remove(night / "img006.fit");
  fs::create_directory(night / "fmg004.fts");
  testsupport::writeFile(night / "path.dat", pathDat("fit", "drk", "fts", "f"));
  expectSameWithThreads(night,
                        "dfs\ndark.fit\nflat.fit\nimg001\n..\nimg008\n\n\n"
                        "s\nfmg001\n..\nfmg008\n\n\n"
                        "dfc\ndark.fit\nflat.fit\n...\nquit\n",
                        {"   error - file ends before its last pixel row; file not loaded: img003.fit",
                         "   ERROR: cannot open file img006.fit", "   error - cannot write file fmg004.fts",
                         "   enter file   8 to process: "});
  fs::remove_all(night);
}

TEST(BatchThreads, AFrameSavedInTheBatchIsReadAsSaved) {
  // Raw and corrected frames share the type and the name: every save replaces its raw frame
  // (after the question), and the third frame of the list is the first one's output.
  const fs::path night = testsupport::freshFolder("threads-replace");
  simnight(night, "--frames 2 --size 320 240 --seed 5");
  for (const char* k : {"img001", "img002"}) fs::rename(night / (std::string(k) + ".fit"), night / (std::string(k) + ".fts"));
  fs::copy_file(night / "dark.fit", night / "dark.fts");
  fs::copy_file(night / "flat.fit", night / "flat.drk");
  testsupport::writeFile(night / "path.dat", pathDat("fts", "drk", "fts", ""));
  expectSameWithThreads(night, "dfs\ndark\nflat\nimg001\nimg002\nimg001\n\n\ny\ny\nn\nquit\n",
                        {"   warning - img001 already carries pelm's dark and flat correction; it is corrected again",
                         "   you may be overwriting a raw image file; proceed? Y/N [N] "});
  fs::remove_all(night);
}

}  // namespace

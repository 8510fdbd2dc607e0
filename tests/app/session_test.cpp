// Golden transcripts: each tests/sessions/<name>.in is fed to a session, in-process, in a
// fresh folder holding the files of common/ (unless <name>.bare exists) and of <name>.setup/;
// the console output must equal <name>.out (where a line "@include <file>" stands for that
// file of tests/sessions/), the exit status <name>.rc (0 when absent), and every file of
// <name>.files/ must be left with exactly that content. A few run through the binary too.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/run_pelm.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSessions = fs::path(PELM_SOURCE_DIR) / "tests" / "sessions";

// The transcripts present when the tests were built (the build regenerates the list).
std::vector<std::string> sessionNames() {
  std::vector<std::string> names = {
#include "session_names.inc"
  };
  std::sort(names.begin(), names.end());
  return names;
}

// Expands "@include <file>" lines; everything else is kept byte for byte (a transcript
// that ends in a prompt has no final line end).
std::string expand(const std::string& text) {
  std::string out;
  size_t b = 0;
  while (b < text.size()) {
    size_t e = text.find('\n', b);
    std::string line = text.substr(b, e == std::string::npos ? std::string::npos : e - b);
    if (line.rfind("@include ", 0) == 0 && e != std::string::npos) {
      out += expand(testsupport::readFile(kSessions / line.substr(9)));
    } else {
      out += line;
      if (e != std::string::npos) out += '\n';
    }
    if (e == std::string::npos) break;
    b = e + 1;
  }
  return out;
}

std::string firstDifference(const std::string& got, const std::string& want) {
  std::istringstream g(got), w(want);
  std::string gl, wl;
  for (int n = 1;; ++n) {
    bool hg = static_cast<bool>(std::getline(g, gl));
    bool hw = static_cast<bool>(std::getline(w, wl));
    if (!hg && !hw) return "texts differ only in the last line end";
    if (!hg || !hw || gl != wl) {
      return "line " + std::to_string(n) + "\n  got:  [" + (hg ? gl : "<end>") + "]\n  want: [" +
             (hw ? wl : "<end>") + "]";
    }
  }
}

// A fresh folder holding the files transcript `name` starts with.
fs::path preparedFolder(const std::string& name) {
  fs::path folder = testsupport::freshFolder("session");
  if (!fs::exists(kSessions / (name + ".bare"))) {
    fs::copy(kSessions / "common", folder, fs::copy_options::recursive);
  }
  fs::path setup = kSessions / (name + ".setup");
  if (fs::exists(setup)) {
    fs::copy(setup, folder, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
  return folder;
}

void expectTranscript(const std::string& name, const testsupport::RunResult& result) {
  std::string want = expand(testsupport::readFile(kSessions / (name + ".out")));
  int wantStatus = 0;
  if (fs::exists(kSessions / (name + ".rc"))) wantStatus = std::stoi(testsupport::readFile(kSessions / (name + ".rc")));
  EXPECT_EQ(result.status, wantStatus);
  EXPECT_TRUE(result.out == want) << firstDifference(result.out, want);
}

class Session : public ::testing::TestWithParam<std::string> {};

TEST_P(Session, TranscriptAndFiles) {
  const std::string name = GetParam();
  fs::path folder = preparedFolder(name);
  auto result = testsupport::runPelm(folder, testsupport::readFile(kSessions / (name + ".in")));
  expectTranscript(name, result);
  fs::path files = kSessions / (name + ".files");
  if (fs::exists(files)) {
    for (const auto& e : fs::recursive_directory_iterator(files)) {
      if (!e.is_regular_file()) continue;
      fs::path rel = fs::relative(e.path(), files);
      ASSERT_TRUE(fs::exists(folder / rel)) << "file not written: " << rel;
      std::string got = testsupport::readFile(folder / rel);
      std::string exp = testsupport::readFile(e.path());
      EXPECT_TRUE(got == exp) << rel << ": " << firstDifference(got, exp);
    }
  }
  if (!HasFailure()) fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Transcripts, Session, ::testing::ValuesIn(sessionNames()),
                         [](const auto& info) {
                           std::string n = info.param;
                           std::replace(n.begin(), n.end(), '-', '_');
                           return n;
                         });

// The program itself, on its standard input and output, gives what the session gives
// in-process: a normal end, the end of the input mid-command and a fatal stop at start-up.
TEST(SessionBinary, TheProgramPrintsAndEndsAsTheTranscriptsSay) {
  for (const std::string name : {"stop-at-console", "end-of-input-mid-command", "startup-camera-too-large"}) {
    SCOPED_TRACE(name);
    fs::path folder = preparedFolder(name);
    expectTranscript(name, testsupport::runPelmBinary(folder, testsupport::readFile(kSessions / (name + ".in"))));
    if (!HasFailure()) fs::remove_all(folder);
  }
}

}  // namespace

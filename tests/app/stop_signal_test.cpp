// Killing the program with SIGTERM or SIGINT: in the middle of a dfs batch every corrected
// frame it had saved is whole, the star list holds a complete block for each of them, the
// log keeps its lines and the program ends in order; waiting at the keyboard, it ends at once.
// The same holds when the input ends in the middle of a command after a batch.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>

#include "image/file_names.h"
#include "image/fits_load.h"
#include "tests/image/fits_files.h"
#include "tests/support/run_pelm.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace fs = std::filesystem;

namespace {

constexpr int kNx = 640, kNy = 480;
constexpr int kFrames = 200;  // far more than run before the signal arrives

// Raw frame: sky 500 and a 3 x 3 star at (100, 80) over a dark of 100; the flat is 1024
// everywhere, so that its mean, summed in 4-byte reals, is exact, and the corrected frame
// is the raw frame minus the dark.
int32_t scene(int i, int j) { return std::abs(i - 100) <= 1 && std::abs(j - 80) <= 1 ? 1500 : 500; }

std::string frame(const std::function<int32_t(int, int)>& value) {
  std::vector<std::string> cards = fitstest::basicCards(kNx, kNy);
  cards.push_back(fitstest::valueCard("DATE-OBS", "'2005-09-12T21:30:15'"));
  return fitstest::header(cards) +
         fitstest::data(kNx, kNy, [&](int i, int j) { return static_cast<uint16_t>(value(i, j) ^ 0x8000); });
}

// Blank path; raw "fit", dark-corrected "drk", dark+flat "flt", 3-digit numbers, corrected
// names starting with "f".
std::string pathDat() {
  std::string s = std::string(80, ' ') + "\n";
  for (const char* code : {"fit", "   ", "fit", "drk", "flt", "   ", "   ", "   ", "3  ", "f  "}) s += std::string(code) + "\n";
  return s;
}

// "img007" and the like: a prefix and a 3-digit frame number.
std::string numbered(const std::string& prefix, int k) {
  std::string digits = std::to_string(k);
  return prefix + std::string(3 - std::min<size_t>(3, digits.size()), '0') + digits;
}

// A night of kFrames raw frames (links to one file, to keep the folder small).
void writeNight(const fs::path& dir) {
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", kNx, kNy, 6.45, 6.45, 1.5, 4, 1));
  testsupport::writeFile(dir / "path.dat", pathDat());
  testsupport::writeFile(dir / "dark01.fit", frame([](int, int) { return 100; }));
  testsupport::writeFile(dir / "flat01.drk", frame([](int, int) { return 1024; }));
  testsupport::writeFile(dir / "raw.fit", frame([](int i, int j) { return scene(i, j) + 100; }));
  for (int k = 1; k <= kFrames; ++k) fs::create_symlink("raw.fit", dir / (numbered("img", k) + ".fit"));
}

// Starts pelm in `dir` with standard input from `input` (a file, or a pipe when empty, whose
// writing end is returned in `pipeWrite`), standard output to dir/.stdout.
pid_t startPelm(const fs::path& dir, const std::string& input, int* pipeWrite) {
  int fds[2] = {-1, -1};
  if (input.empty() && pipe(fds) != 0) return -1;
  if (!input.empty()) testsupport::writeFile(dir / ".stdin", input);
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    int in = input.empty() ? fds[0] : open(".stdin", O_RDONLY);
    int out = open(".stdout", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    if (input.empty()) close(fds[1]);
    execl(PELM_BINARY, PELM_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
  if (input.empty()) {
    close(fds[0]);
    *pipeWrite = fds[1];
  }
  return pid;
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Waits until `done` holds, at most `seconds`.
bool waitFor(const std::function<bool()>& done, double seconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < until) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

// Loads a corrected frame and checks every pixel.
void expectWholeFrame(const fs::path& dir, const std::string& name) {
  std::string messages;
  const std::unique_ptr<image::Workspaces> ws = fitstest::loadCorrected(dir, name, messages);
  ASSERT_NE(ws, nullptr) << messages;
  for (int j = 1; j <= kNy; ++j) {
    for (int i = 1; i <= kNx; ++i) {
      int32_t v = 0;
      ASSERT_TRUE(ws->get(i, j, v));
      ASSERT_EQ(v, scene(i, j)) << name << " pixel " << i << "," << j;
    }
  }
}

class StopSignal : public ::testing::TestWithParam<int> {};

TEST_P(StopSignal, MidBatchKeepsEveryFinishedFileWhole) {
  fs::path dir = testsupport::freshFolder("kill");
  writeNight(dir);
  std::string input = "log\n\ncomment\nbefore the batch\ndfs\ndark01\nflat01\nimg001\n..\n" +
                      numbered("img", kFrames) + "\n\nstop\n";
  pid_t pid = startPelm(dir, input, nullptr);
  ASSERT_GT(pid, 0);
  // Three finished frames, then the signal.
  bool started = waitFor([&] { return count(testsupport::readFile(dir / "stars.lst"), "  stars found in ") >= 3; }, 120);
  kill(pid, GetParam());
  int raw = 0;
  ASSERT_EQ(waitpid(pid, &raw, 0), pid);
  ASSERT_TRUE(started) << "the batch never reached its third frame";
  ASSERT_TRUE(WIFEXITED(raw)) << "ended by the signal itself, not in order";
  EXPECT_EQ(WEXITSTATUS(raw), 1);
  std::string out = testsupport::readFile(dir / ".stdout");
  EXPECT_NE(out.find("\n   interrupted - program stopped\n"), std::string::npos);

  int saved = 0;
  for (int k = 1; k <= kFrames; ++k) {
    const std::string name = numbered("fmg", k);
    if (fs::exists(dir / (name + ".flt"))) {
      ASSERT_EQ(saved, k - 1) << "frames saved out of order";
      saved = k;
      expectWholeFrame(dir, name);
    }
  }
  EXPECT_GE(saved, 3);
  EXPECT_LT(saved, kFrames) << "the batch ended before the signal; nothing was tested mid-batch";
  for (const auto& entry : fs::directory_iterator(dir)) {
    EXPECT_NE(entry.path().extension(), ".new") << "left half written: " << entry.path();
  }

  // One complete block per saved frame, each ending with its end line.
  std::string stars = testsupport::readFile(dir / "stars.lst");
  EXPECT_EQ(count(stars, "  stars found in "), static_cast<size_t>(saved));
  EXPECT_EQ(count(stars, " 9999.00 9999.00  0  0.0\n"), static_cast<size_t>(saved));
  ASSERT_FALSE(stars.empty());
  EXPECT_EQ(stars.back(), '\n');
  const std::string log = testsupport::readFile(dir / "pelmlog.txt");
  const std::string comment = textio::fixed("before the batch", 79) + "\n";
  ASSERT_GE(log.size(), comment.size());
  EXPECT_EQ(log.substr(log.size() - comment.size()), comment);
  if (!HasFailure()) fs::remove_all(dir);
}

TEST_P(StopSignal, WaitingAtTheKeyboardEndsAtOnce) {
  fs::path dir = testsupport::freshFolder("killidle");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", 64, 48));
  int pipeWrite = -1;
  pid_t pid = startPelm(dir, "", &pipeWrite);
  ASSERT_GT(pid, 0);
  // The command prompt is the last thing printed before the keyboard is read.
  bool prompted = waitFor([&] {
    std::string out = testsupport::readFile(dir / ".stdout");
    return out.size() >= 3 && out.compare(out.size() - 3, 3, " $ ") == 0;
  }, 60);
  kill(pid, GetParam());
  int raw = 0;
  bool ended = waitFor([&] { return waitpid(pid, &raw, WNOHANG) == pid; }, 20);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  close(pipeWrite);
  ASSERT_TRUE(prompted);
  ASSERT_TRUE(ended) << "the program kept waiting for input after the signal";
  ASSERT_TRUE(WIFEXITED(raw)) << "ended by the signal itself, not in order";
  EXPECT_EQ(WEXITSTATUS(raw), 1);
  EXPECT_NE(testsupport::readFile(dir / ".stdout").find(" $    interrupted - program stopped\n"), std::string::npos);
  if (!HasFailure()) fs::remove_all(dir);
}

TEST(StopAtEndOfInput, StarListAndLogAreWholeWhenInputEndsMidCommand) {
  fs::path dir = testsupport::freshFolder("eof");
  writeNight(dir);
  auto r = testsupport::runPelm(dir, "log\n\ncomment\nbefore the batch\ndfs\ndark01\nflat01\nimg001\n..\nimg003\n\nskybox\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("   error - end of input in the middle of a command\n"), std::string::npos);
  for (int k = 1; k <= 3; ++k) expectWholeFrame(dir, numbered("fmg", k));
  std::string stars = testsupport::readFile(dir / "stars.lst");
  EXPECT_EQ(count(stars, "  stars found in "), 3u);
  EXPECT_EQ(count(stars, " 9999.00 9999.00  0  0.0\n"), 3u);
  const std::string log = testsupport::readFile(dir / "pelmlog.txt");
  EXPECT_NE(log.find(textio::fixed("before the batch", 79) + "\n"), std::string::npos);
  if (!HasFailure()) fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignal, ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(info.param == SIGTERM ? "Sigterm" : "Sigint");
                         });

}  // namespace

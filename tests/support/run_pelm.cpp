// Whole-program test support: temporary folders, sessions in-process and runs of the built
// binary.
#include "tests/support/run_pelm.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "app/session.h"

namespace testsupport {

std::filesystem::path freshFolder(const std::string& tag) {
  std::random_device rd;
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto p = base / ("pelm-" + tag + "-" + std::to_string(getpid()) + "-" + std::to_string(rd() % 1000000));
    if (std::filesystem::create_directories(p)) return p;
  }
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void writeFile(const std::filesystem::path& p, const std::string& content) {
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << content;
}

namespace {

// The current directory changed for a scope, restored when it ends.
class InFolder {
 public:
  explicit InFolder(const std::filesystem::path& folder) : before_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~InFolder() {
    std::error_code ignored;
    std::filesystem::current_path(before_, ignored);
  }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  std::filesystem::path before_;
};

}  // namespace

RunResult runPelm(const std::filesystem::path& folder, const std::string& input) {
  InFolder here(folder);
  std::istringstream keyboard(input);
  std::ostringstream screen;
  RunResult r;
  r.status = app::runSession(keyboard, screen);
  r.out = screen.str();
  return r;
}

RunResult runPelmBinary(const std::filesystem::path& folder, const std::string& input) {
  writeFile(folder / ".stdin", input);
  std::string cmd = "cd '" + folder.string() + "' && '" + PELM_BINARY + "' < .stdin > .stdout 2> .stderr";
  int raw = std::system(cmd.c_str());
  RunResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = readFile(folder / ".stdout");
  std::filesystem::remove(folder / ".stdin");
  std::filesystem::remove(folder / ".stdout");
  std::filesystem::remove(folder / ".stderr");
  return r;
}

std::string deviceCcd(const std::string& name, int nx, int ny, double px, double py, double gain, int icv,
                      int dateOrder) {
  std::ostringstream s;
  s << name << "\n" << nx << " " << ny << "\n" << px << " " << py << "\n" << gain << "\n" << icv << "\n"
    << dateOrder << "\n";
  return s.str();
}

}  // namespace testsupport

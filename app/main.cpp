// pelm: interactive reduction of CCD frames. Reads commands and their answers from the
// console or from script files until stop, exit or x.
#include <cstring>
#include <iostream>

#include <unistd.h>

#include "app/session.h"
#include "textio/stop_signals.h"

namespace {

constexpr const char* kUsage =
    "pelm - reduction of CCD frames: calibration, star finding, alignment, stacking,\n"
    "photometry, moving-object paths and light curves.\n"
    "\n"
    "usage: pelm              start the console (commands and answers from the keyboard)\n"
    "       pelm < file       run a file of commands and answers non-interactively\n"
    "       pelm --help       this text\n"
    "       pelm --version    the program version\n"
    "\n"
    "At the prompt \" $ \" type a command keyword; stop, exit or x ends the program.\n"
    "The command script reads commands and answers from a file in the working path.\n";

// Handles the command-line arguments; returns the exit status, or -1 to start the console.
int handleArguments(int argc, char** argv) {
  if (argc < 2) return -1;
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::cout << kUsage;
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "pelm " << app::Settings().programVersion.substr(0, 3) << "\n";
    return 0;
  }
  std::cerr << "pelm: unknown argument " << argv[1] << " (try pelm --help)\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (int status = handleArguments(argc, argv); status >= 0) return status;
  std::ios::sync_with_stdio(false);
  textio::installStopSignals();
  return app::runSession(std::cin, std::cout, isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1);
}

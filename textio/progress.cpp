// Batch progress on a terminal's standard error.
#include "textio/progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace textio {

namespace {

bool terminal() {
  static const bool isTerminal = isatty(STDERR_FILENO) == 1;
  return isTerminal;
}

void write(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace

void showProgress(std::string_view what, int k, int n) {
  if (!terminal()) return;
  if (n > 0 && k >= n) {
    endProgress();
    return;
  }
  std::string text = "\r  " + std::string(what) + ": frame " + std::to_string(k);
  if (n > 0) text += " of " + std::to_string(n);
  write(text + "   ");
}

void endProgress() {
  if (terminal()) write("\r" + std::string(60, ' ') + "\r");
}

}  // namespace textio

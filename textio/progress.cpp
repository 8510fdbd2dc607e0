// Batch progress on a terminal's standard error.
#include "textio/progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace textio {

void showProgress(std::string_view what, int k, int n) {
  static const bool terminal = isatty(STDERR_FILENO) == 1;
  if (!terminal) return;
  std::string text = "\r  " + std::string(what) + ": frame " + std::to_string(k) + " of " + std::to_string(n);
  if (k >= n) text = "\r" + std::string(text.size(), ' ') + "\r";
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace textio

// Stopping on SIGINT and SIGTERM: an async-signal-safe handler that records the signal.
#include "textio/stop_signals.h"

#include <fcntl.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigaction is POSIX, not in <csignal>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "textio/console.h"

namespace textio {

namespace {

volatile std::sig_atomic_t received = 0;

// Only async-signal-safe work here (open, dup2, close, signal, raise): record the first
// signal and put /dev/null in place of standard input, so that a read waiting at the
// keyboard ends (the C++ library repeats a read interrupted by a signal) and the program
// reaches its stop; on a second signal restore the default action and raise it again, so a
// program busy in a long computation can still be ended at once.
extern "C" void onStopSignal(int signo) {
  if (received != 0) {
    std::signal(signo, SIG_DFL);
    std::raise(signo);
    return;
  }
  received = signo;
  int saved = errno;
  int nothing = open("/dev/null", O_RDONLY);
  if (nothing >= 0) {
    dup2(nothing, STDIN_FILENO);
    if (nothing != STDIN_FILENO) close(nothing);
  }
  errno = saved;
}

}  // namespace

void installStopSignals() {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void clearStopSignal() { received = 0; }

void stopIfSignalled() {
  if (received != 0) throw FatalStop("   interrupted - program stopped");
}

}  // namespace textio

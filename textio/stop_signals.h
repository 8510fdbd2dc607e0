// Stopping on SIGINT and SIGTERM without losing data. The handler only records the signal
// (and ends a wait at the keyboard); the program stops at the next safe point (a prompt:
// between frames of a batch, before the next command, or the interrupted keyboard read)
// through the same FatalStop path as any other stop, so the log file and open star lists
// are flushed and closed, and no file is left half written (files are replaced whole).
// A second signal ends the program at once.
#pragma once

namespace textio {

/// Installs the handler for SIGINT and SIGTERM.
void installStopSignals();

/// Forgets a signal received earlier: a session run after another one in the same process
/// (the tests run many) starts with no stop pending.
void clearStopSignal();

/// Throws FatalStop ("   interrupted - program stopped") when a signal has been received.
void stopIfSignalled();

}  // namespace textio

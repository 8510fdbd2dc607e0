// Command handlers run in-process: a fresh program state and a console over in-memory
// keyboard and screen, for tests of single commands (whole sessions: run_pelm.h).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "app/command_table.h"
#include "app/state.h"
#include "textio/console.h"

namespace testsupport {

struct InProcess {
  std::unique_ptr<app::State> state = std::make_unique<app::State>();
  std::istringstream keyboard;
  std::ostringstream screen;
  textio::Console console{keyboard, screen};
  app::Session session{*state, console};

  /// What the keyboard gives from now on (one answer a line).
  void answers(const std::string& text) {
    keyboard.clear();
    keyboard.str(text);
  }

  /// Runs the command the table names `keyword`, with the given answers (a test failure
  /// when the table has no such command).
  void command(const std::string& keyword, const std::string& text) {
    const app::Command* c = app::findCommand(keyword);
    if (c == nullptr) {
      ADD_FAILURE() << "no command " << keyword;
      return;
    }
    answers(text);
    c->run(session);
  }

  /// Everything printed so far.
  std::string printed() const { return screen.str(); }
};

}  // namespace testsupport

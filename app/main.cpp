// pelm: interactive reduction of CCD frames. Reads commands and their answers from the
// console or from script files until stop, exit or x.
#include <iostream>

#include "app/interpreter.h"
#include "app/startup.h"
#include "app/state.h"
#include "textio/console.h"

int main() {
  std::ios::sync_with_stdio(false);
  auto state = std::make_unique<app::State>();
  textio::Console console(std::cin, std::cout);
  app::Session session{*state, console};
  try {
    app::startup(session);
    while (app::comint(session) == app::Next::Continue) {
    }
  } catch (const textio::FatalStop& stop) {
    if (*stop.what() != '\0') console.line(stop.what());
    console.closeLog();
    std::cout.flush();
    return 1;
  }
  console.closeLog();
  std::cout.flush();
  return 0;
}

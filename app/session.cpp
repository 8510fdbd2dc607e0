// One session of the program: start-up, the command loop and its ending.
#include "app/session.h"

#include <exception>
#include <memory>
#include <ostream>
#include <string>

#include "app/interpreter.h"
#include "app/startup.h"
#include "textio/console.h"
#include "textio/stop_signals.h"

namespace app {

int runSession(std::istream& in, std::ostream& out, bool terminal) {
  auto state = std::make_unique<State>();
  return runSession(*state, in, out, terminal);
}

int runSession(State& state, std::istream& in, std::ostream& out, bool terminal) {
  textio::clearStopSignal();
  textio::Console console(in, out);
  console.setTerminal(terminal);
  Session session{state, console};
  int status = 0;
  try {
    startup(session);
    while (comint(session) == Next::Continue) {
    }
  } catch (const textio::FatalStop& stop) {
    if (*stop.what() != '\0') console.line(stop.what());
    status = 1;
  } catch (const std::exception& failure) {
    // A failure no command expected (out of memory, a library error): still end in order,
    // so the log file and the open star list are flushed and closed.
    console.line(std::string("   error - program stopped: ") + failure.what());
    status = 1;
  }
  console.closeLog();
  state.starList.close();
  state.objectPath.reset();
  out.flush();
  return status;
}

}  // namespace app

// Fuzz target: the whole program fed arbitrary console text. Each input starts a fresh
// program state in an emptied scratch folder (with the test camera's device.ccd), runs the
// start-up and then commands until the input ends, as main does.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/interpreter.h"
#include "app/startup.h"
#include "app/state.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// A small camera keeps frame work (star finding, saving, stacking) fast per input.
constexpr std::string_view kDevice = "Fuzz camera\n64 48\n9.0 9.0\n2.0\n4\n1\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::freshScratch();
  fuzzsupport::writeFile("device.ccd", kDevice);
  std::string input = fuzzsupport::confined(std::string_view(reinterpret_cast<const char*>(data), size));
  fuzzsupport::MemoryConsole mc(input);
  app::Session session{fuzzsupport::freshState(), mc.console};
  try {
    app::startup(session);
    while (app::comint(session) == app::Next::Continue) {
    }
  } catch (const textio::FatalStop&) {
    // The program's own stop after its message.
  }
  mc.console.closeLog();
  return 0;
}

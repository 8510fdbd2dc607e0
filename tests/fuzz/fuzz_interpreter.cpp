// Fuzz target: the whole program fed arbitrary console text. Each input runs one session,
// as main does, on a reset program state in an emptied scratch folder (with the test
// camera's device.ccd): the start-up and then commands until the input ends. A failure no
// command expected (the session's last line "   error - program stopped: ...") is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "app/session.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// A small camera keeps frame work (star finding, saving, stacking) fast per input.
constexpr std::string_view kDevice = "Fuzz camera\n64 48\n9.0 9.0\n2.0\n4\n1\n";

bool endedByUnexpectedFailure(const std::string& screen) {
  size_t end = screen.size();
  if (end > 0 && screen[end - 1] == '\n') --end;
  size_t start = screen.rfind('\n', end == 0 ? 0 : end - 1);
  start = start == std::string::npos ? 0 : start + 1;
  return std::string_view(screen).substr(start, end - start).find("   error - program stopped: ") !=
         std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::freshScratch();
  fuzzsupport::writeFile("device.ccd", kDevice);
  std::istringstream keyboard(
      fuzzsupport::confined(std::string_view(reinterpret_cast<const char*>(data), size)));
  std::ostringstream screen;
  if (app::runSession(fuzzsupport::freshState(), keyboard, screen) != 0 &&
      endedByUnexpectedFailure(screen.str())) {
    std::abort();
  }
  return 0;
}

// Camera commands: device.ccd, camera setup files, gain and input control variable.
#include "app/camera_commands.h"

#include <fstream>

#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/paths.h"
#include "textio/value_ranges.h"

namespace app {

namespace {

constexpr const char* kDeviceFile = "device.ccd";

void printWarnings(Session& s, const std::string& warnings) {
  size_t b = 0;
  while (b < warnings.size()) {
    size_t e = warnings.find('\n', b);
    s.console.line(warnings.substr(b, e - b));
    b = e + 1;
  }
}

const std::string kMaxPixels = std::to_string(image::kMaxCapacity);

// Workspaces large enough for `camera`; false after a message naming `what` when the system
// has no memory for them.
bool roomFor(Session& s, const image::Camera& camera, const std::string& what) {
  const int64_t pixels = image::capacityFor(camera.nx, camera.ny);
  if (s.state.ws.grow(pixels)) return true;
  s.console.line("   error - no memory for workspaces of " + std::to_string(pixels) + " pixels (" + what +
                 "); camera unchanged");
  return false;
}

void useCamera(Session& s, const image::Camera& camera, image::DecodeListing verbose) {
  State& st = s.state;
  st.camera = camera;
  st.settings.verbosity = 0;
  image::decode(s.console, st.camera, verbose);
  st.ws.nx = st.camera.nx;
  st.ws.ny = st.camera.ny;
  st.settings.searchBox = {5, st.camera.nx - 5, 5, st.camera.ny - 5};
}

}  // namespace

void dvload(Session& s, image::DecodeListing verbose, bool atStartup) {
  image::Camera camera;
  std::string problem;
  std::string warnings;
  switch (image::readCameraFile(kDeviceFile, camera, problem, &warnings)) {
    case image::CameraRead::Ok:
      if (!roomFor(s, camera, kDeviceFile)) {
        if (atStartup) throw textio::FatalStop("error : no memory for the workspaces !");
        return;
      }
      printWarnings(s, warnings);
      useCamera(s, camera, verbose);
      return;
    case image::CameraRead::TooLarge:
      static_assert(image::kMaxCapacity == 268435456, "the message names the largest camera");
      if (atStartup) throw textio::FatalStop("error : more than 268435456 pixels !");
      s.console.line(std::string("   error - camera file ") + kDeviceFile + " has more than " + kMaxPixels +
                     " pixels; camera unchanged");
      return;
    case image::CameraRead::Missing:
      problem = "it cannot be opened";
      break;
    case image::CameraRead::Malformed:
      break;
  }
  s.console.line(std::string("   warning - camera file ") + kDeviceFile + " not usable: " + problem);
  if (atStartup) {
    s.console.line("   using the built-in default camera (1392 x 1040 pixels)");
    useCamera(s, image::defaultCamera(), verbose);
  } else {
    s.console.line("   camera definition left unchanged");
  }
}

void setcam(Session& s) {
  s.console.prompt("   camera setup file: ");
  std::string name = s.console.answerText(20);
  textio::blankFrom(name, ";/!");
  size_t firstBlank = name.find(' ');
  std::string_view head = std::string_view(name).substr(0, firstBlank);
  if (head.find('.') == std::string_view::npos) {
    size_t len = textio::trimRight(name).size();
    if (len > 16) {
      s.console.line("   error - camera file name too long (at most 16 characters without type)");
      return;
    }
    name.replace(len, 4, ".ccd");
  }
  s.console.line("   creating new default camera file from " + name);
  std::string host(textio::trimRight(name));
  image::Camera check;
  std::string problem;
  switch (image::readCameraFile(host, check, problem, nullptr)) {
    case image::CameraRead::Ok:
      if (!roomFor(s, check, host)) return;
      break;
    case image::CameraRead::Missing:
      s.console.line("   error - cannot open camera setup file " + host + "; camera unchanged");
      return;
    case image::CameraRead::Malformed:
      s.console.line("   error - camera setup file " + host + " not usable: " + problem + "; camera unchanged");
      return;
    case image::CameraRead::TooLarge:
      s.console.line("   error - camera setup file " + host +
                     " has more than " + kMaxPixels + " pixels; camera unchanged");
      return;
  }
  std::ifstream in(host, std::ios::binary);
  std::string content;
  std::string line;
  for (int k = 0; k < 6 && std::getline(in, line); ++k) {
    content += textio::fixed(textio::dropCr(line), 70) + "\n";
  }
  if (!textio::replaceFileAtomically(kDeviceFile, content)) {
    s.console.line("   error - cannot write device.ccd; camera unchanged");
    return;
  }
  dvload(s, image::DecodeListing::Quiet, false);
}

void setgain(Session& s) {
  float gain = s.console.askReal("   enter camera gain (electrons/ADU) : ", textio::kAnyReal);
  if (!(gain > 0.0f)) {
    s.console.line("   error - the gain must be above 0; 1.0 used");
    gain = 1.0f;
  }
  s.state.camera.gain = gain;
}

void icvCommand(Session& s) {
  s.state.camera.icv = s.console.askInt("   enter input control variable: ", textio::Range{0, 65535});
  image::decode(s.console, s.state.camera, image::DecodeListing::Print);
}

}  // namespace app

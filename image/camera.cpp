// Camera definition file, the default camera, and the input control variable listing.
#include "image/camera.h"

#include <fstream>

#include "image/workspaces.h"
#include "textio/console.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"

namespace image {

namespace {

bool readLine(std::ifstream& in, std::string& line) {
  if (!std::getline(in, line)) return false;
  line = std::string(textio::dropCr(line));
  return true;
}

}  // namespace

CameraRead readCameraFile(const std::string& hostName, Camera& camera, std::string& problem,
                          std::string* warnings) {
  std::ifstream in(hostName, std::ios::binary);
  if (!in) return CameraRead::Missing;
  std::string lines[6];
  for (std::string& line : lines) {
    if (!readLine(in, line)) {
      problem = "it has fewer than six lines";
      return CameraRead::Malformed;
    }
  }
  Camera c;
  c.name = textio::fixed(lines[0], 20);
  textio::FreeItems size(lines[1]);
  textio::FreeItems pixels(lines[2]);
  textio::FreeItems gain(lines[3]);
  textio::FreeItems icv(lines[4]);
  textio::FreeItems order(lines[5]);
  if (!size.integer(c.nx) || !size.integer(c.ny)) {
    problem = "line 2 does not hold the array size";
    return CameraRead::Malformed;
  }
  if (!pixels.real(c.pixelSizeX) || !pixels.real(c.pixelSizeY)) {
    problem = "line 3 does not hold the pixel sizes";
    return CameraRead::Malformed;
  }
  if (!gain.real(c.gain)) {
    problem = "line 4 does not hold the gain";
    return CameraRead::Malformed;
  }
  if (!icv.integer(c.icv)) {
    problem = "line 5 does not hold the input control variable";
    return CameraRead::Malformed;
  }
  if (!order.integer(c.dateOrder)) {
    problem = "line 6 does not hold the date order";
    return CameraRead::Malformed;
  }
  if (c.nx <= 0 || c.ny <= 0) {
    problem = "the array size must be positive";
    return CameraRead::Malformed;
  }
  if (static_cast<int64_t>(c.nx) * static_cast<int64_t>(c.ny) > kMaxCapacity) {
    camera = c;
    return CameraRead::TooLarge;
  }
  auto positive = [&](float& v, const char* what) {
    if (v > 0.0f) return;
    v = 1.0f;
    if (warnings) *warnings += std::string("   warning - ") + what + " must be above 0; 1.0 used\n";
  };
  positive(c.pixelSizeX, "pixel size x");
  positive(c.pixelSizeY, "pixel size y");
  positive(c.gain, "gain");
  camera = c;
  return CameraRead::Ok;
}

Camera defaultCamera() {
  Camera c;
  c.name = textio::fixed("default camera", 20);
  c.nx = 1392;
  c.ny = 1040;
  c.pixelSizeX = 6.45f;
  c.pixelSizeY = 6.45f;
  c.gain = 1.0f;
  c.icv = 4;
  c.dateOrder = 1;
  return c;
}

void decode(textio::Console& console, Camera& camera, DecodeListing listing) {
  int32_t c = camera.icv;
  for (int k = 1; k <= 16; ++k) {
    camera.icvBits[k] = c % 2;
    c /= 2;
  }
  if (listing != DecodeListing::Print) return;
  console.line(textio::Line("   decoding input control variable =").i(camera.icv, 4));
  console.line("  once read from file, the two pixel bytes are processed as follows:");
  console.line("");
  struct Rule {
    int slot;
    const char* clear;
    const char* set;
  };
  static const Rule kRules[] = {
      {1, "1  (+0)  MSB is not sign (unsigned integer)", "1  (+1)  MSB is sign (signed integer)"},
      {2, "2  (+0)  MSB is not sign (unsigned integer)", "2  (+2)  MSB is sign only if BZERO is non-zero"},
      {3, "3  (+0)  do not invert MSB (leave it alone)", "3  (+4)  invert MSB if BZERO is non-zero"},
      {5, "5  (+0)  do not add on BZERO", "5  (+16) add BZERO"},
      {6, "6  (+0)  do not subtract BZERO", "6  (+32) subtract BZERO"},
      {7, "7  (+0)  do not invert number at this point", "7  (+64) invert number at this point"},
  };
  for (const Rule& r : kRules) {
    console.line(std::string("  ") + (camera.icvBits[r.slot] == 1 ? r.set : r.clear));
  }
  console.line("");
  console.line("  the +n indicates value(s) which should be added to obtain idsw ");
  console.line("");
  console.line("  processing is performed in reverse order when writing data to file");
  console.line("");
}

void discam(textio::Console& console, Camera& camera) {
  console.line("   camera = " + camera.name);
  console.line(textio::Line("   array size = ").i(camera.nx, 4).a(" x ").i(camera.ny, 4).a(" pixels"));
  console.line(textio::Line("   pixel size (microns) x = ")
                   .f(camera.pixelSizeX, 5, 2)
                   .a("   y = ")
                   .f(camera.pixelSizeY, 5, 2));
  console.line(textio::Line("   gain (electrons/ADU) = ").f(camera.gain, 4, 1));
  console.line(textio::Line("   input control variable = ").i(camera.icv, 2));
  decode(console, camera, DecodeListing::Print);
}

}  // namespace image

// Camera definition: the detector's name, array size, pixel size, gain, the input control
// variable that says how stored pixel bytes become numbers, and the DATE-OBS field order.
#pragma once

#include <cstdint>
#include <string>

#include "textio/fixed_text.h"

namespace textio {
class Console;
}

namespace image {

/// The shared camera values.
struct Camera {
  std::string name = std::string(20, ' ');  // 20 characters
  int32_t nx = 0;                           // array size along i
  int32_t ny = 0;                           // array size along j
  float pixelSizeX = 1.0f;                  // microns along i
  float pixelSizeY = 1.0f;                  // microns along j
  float gain = 1.0f;                        // electrons per ADU
  int32_t icv = 0;                          // input control variable
  textio::Table1<int32_t, 16> icvBits;      // slot k = bit k-1 of icv; slot 4 = last sign strip
  int32_t dateOrder = 1;                    // 1: year, month, day; 0: day, month, year

  int32_t& lastSignStripped() { return icvBits[4]; }
  int32_t lastSignStripped() const { return icvBits[4]; }
};

/// Outcome of reading a camera file.
enum class CameraRead { Ok, Missing, Malformed, TooLarge };

/// Reads six camera lines (name; nx, ny; pixel sizes; gain; icv; date order) from a host file.
/// On Malformed `problem` says what was wrong. Gains and pixel sizes of zero or less are
/// replaced by 1.0 and reported in `warnings` (one message line each).
CameraRead readCameraFile(const std::string& hostName, Camera& camera, std::string& problem,
                          std::string* warnings);

/// The camera used when device.ccd is missing or unusable: 1392 x 1040, 6.45 micron pixels,
/// gain 1.0, input control variable 4, date order 1.
Camera defaultCamera();

/// Whether decode prints the decoding listing.
enum class DecodeListing { Quiet, Print };

/// Fills icvBits from icv (slot k = bit k-1), printing the decoding listing when asked.
void decode(textio::Console& console, Camera& camera, DecodeListing listing);

/// Prints the camera definition, then the decoding listing.
void discam(textio::Console& console, Camera& camera);

}  // namespace image

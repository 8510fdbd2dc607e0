// The command layer's settings: the shared settings record (core::Settings, named
// app::Settings here as the commands always have) and the interpreter's own settings,
// which no subsystem below the commands reads.
#pragma once

#include <cstdint>
#include <string>

#include "core/settings.h"

namespace app {

using core::Settings;

/// Interpreter settings, owned by start-up and handed to the interpreter on every call.
struct InterpreterSettings {
  std::string apertureType = "soft";  // 4 characters
  int32_t outputFormat = 1;           // 1 sky values, 2 one-sigma errors
  int32_t logOn = 0;                  // log file open
  int32_t photAlign = 1;              // read by nothing
  int32_t markStars = 0;              // cleared at the start of every command
  int32_t markSky = 0;                // mark sky patches in the image
  float multiplyFactor = 1.0f;        // last factor given to multiply
  float psfZeroRadius = 3.5f;         // pixels
  int32_t pauseCount = 0;             // pauses over the whole run
  int32_t fwhmLimit = 3;              // pixels
  int32_t boxSize = 0;                // box size kept for putbox
};

}  // namespace app

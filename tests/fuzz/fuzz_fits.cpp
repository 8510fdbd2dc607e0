// Fuzz target: the FITS loader, every format (16-bit frames through the plain reader, the
// others, extensions, compressed frames through the FITS library). The first five bytes
// choose the load (input control variable, date order, workspace, add mode, shifts and
// factor, or a deferred load); the rest is the file. The quiet check of the load command
// agrees with the load; a frame that loads is saved again, so the writer sees every header
// the loader accepts, and the saved frame loads again with its size. A deferred load is checked against a plain one of the same file: same
// outcome, and once settled the same workspace.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "core/settings.h"
#include "image/camera.h"
#include "image/file_names.h"
#include "image/fits_load.h"
#include "image/fits_save.h"
#include "image/workspaces.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr size_t kControlBytes = 5;

// One workspace set for the whole run (17 MB); the part a load may have touched is zeroed
// after every input so that each input starts from the same state.
image::Workspaces& workspaces() {
  static image::Workspaces ws;
  return ws;
}

image::Workspaces& referenceWorkspaces() {
  static image::Workspaces ws;
  return ws;
}

void resetWorkspaces(image::Workspaces& ws) {
  size_t used = static_cast<size_t>(ws.nx > 0 && ws.ny > 0 ? int64_t{ws.nx} * ws.ny : 0);
  used = std::min(used, static_cast<size_t>(image::kCapacity));
  // memset, not a loop: the fuzzer instruments every comparison of a loop in this file.
  for (auto* w : {&ws.w1, &ws.w2, &ws.w3}) std::memset(w->data(), 0, used * sizeof(int32_t));
  ws.nx = 0;
  ws.ny = 0;
  ws.bzero = 0.0f;
  ws.frameTime = 0.0f;
  std::fill(ws.headerCards.begin(), ws.headerCards.end(), std::string(80, ' '));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kControlBytes) return 0;
  fuzzsupport::freshScratch();
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  fuzzsupport::writeFile("frame.fit", bytes.substr(kControlBytes));

  core::Settings settings;
  image::setTypeCode(settings, image::kCurrentType, "fit");
  image::Camera camera = image::defaultCamera();
  camera.icv = data[0] & 0x7F;
  camera.dateOrder = data[1] & 1;
  fuzzsupport::MemoryConsole mc("n\n");
  image::decode(mc.console, camera, image::DecodeListing::Quiet);
  const int workspace = 1 + (data[1] >> 1) % 3;
  const int addFlag = (data[1] >> 3) & 1;
  const auto iShift = static_cast<int32_t>(static_cast<int8_t>(data[2]));
  const auto jShift = static_cast<int32_t>(static_cast<int8_t>(data[3]));
  const float factor = static_cast<float>(static_cast<int>(data[4]) - 128) / 16.0f;

  image::Workspaces& ws = workspaces();
  const bool deferred = (data[1] & 0x10) != 0;
  try {
    if (deferred) {
      image::Workspaces& ref = referenceWorkspaces();
      core::Settings refSettings = settings;
      image::Camera refCamera = camera;
      fuzzsupport::MemoryConsole refConsole("n\n");
      const bool loaded = image::loadDeferred(mc.console, settings, camera, ws, "frame               ");
      const bool refLoaded = image::loadf(refConsole.console, refSettings, refCamera, ref,
                                          "frame               ", image::Combine::Replace, 1.0f, 0, 0, 1);
      if (loaded != refLoaded) __builtin_trap();
      int32_t v = 0, r = 0;
      const int32_t i = 1 + data[2] % 97, j = 1 + data[3] % 89;
      if (ws.get(i, j, v) != ref.get(i, j, r) || v != r) __builtin_trap();
      ws.deferred.settle();
      const size_t used = static_cast<size_t>(ws.nx > 0 && ws.ny > 0 ? int64_t{ws.nx} * ws.ny : 0);
      if (ws.nx != ref.nx || ws.ny != ref.ny ||
          std::memcmp(ws.w1.data(), ref.w1.data(), std::min<size_t>(used, image::kCapacity) * sizeof(int32_t)) != 0) {
        __builtin_trap();
      }
      resetWorkspaces(ref);
    } else {
      // The quiet check the load command makes first must agree with the load itself.
      const bool expected = image::loadable(settings, camera, "frame               ", ws.capacity());
      bool loaded = image::loadf(mc.console, settings, camera, ws, "frame               ",
                                 addFlag == 1 ? image::Combine::Add : image::Combine::Replace, factor, iShift,
                                 jShift, workspace);
      if (workspace == 1 && expected != loaded) __builtin_trap();
      if (loaded && workspace == 1) {
        // Whatever format was read, the frame is saved as a 16-bit frame that loads again.
        image::save(mc.console, settings, camera, ws, "saved               ");
        const int32_t nx = ws.nx, ny = ws.ny;
        if (std::filesystem::exists("saved.fit") &&
            (!image::loadf(mc.console, settings, camera, ws, "saved               ", image::Combine::Replace,
                           1.0f, 0, 0, 1) ||
             ws.nx != nx || ws.ny != ny)) {
          __builtin_trap();
        }
      }
    }
  } catch (const textio::FatalStop&) {
    // A stop with a message is an allowed outcome of bad input.
  }
  resetWorkspaces(ws);
  return 0;
}

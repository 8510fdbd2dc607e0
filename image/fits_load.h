// Loading a FITS frame into a workspace: the camera's pixel-decoding rules, shifts,
// add mode with a factor, and the frame window (the header values are read by
// image/fits_header.h). A load never trusts the file: a header or data that does not fit is
// refused before anything in the workspaces changes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"
#include "image/camera.h"
#include "image/workspaces.h"

namespace textio {
class Console;
}

namespace image {

/// The pixel rules of the input control variable, by their value in it.
struct PixelRules {
  bool signBit = false;        ///< +1: the top bit of the first byte is a sign
  bool signIfBzero = false;    ///< +2: that bit is a sign when BZERO counts as non-zero
  bool invertIfBzero = false;  ///< +4: invert that bit when BZERO counts as non-zero
  bool addBzero = false;       ///< +16: add BZERO
  bool subtractBzero = false;  ///< +32: subtract BZERO
  bool negate = false;         ///< +64: change the sign

  /// The rules of an input control variable (bits 1, 2, 4, 16, 32, 64; bit 8 has no rule).
  static PixelRules fromIcv(int32_t icv);
  /// The rules of the camera's decoded bits (slots 1, 2, 3, 5, 6, 7).
  static PixelRules fromCamera(const Camera& camera);
};

/// True when BZERO counts as non-zero (below -0.1 or above 0.1).
[[nodiscard]] inline bool bzeroCounts(float bzero) { return bzero < -0.1f || bzero > 0.1f; }

/// Decodes one stored pixel (hi = first byte, lo = second byte) to its value. `stripped`
/// receives the sign-strip decision (kept as the camera's lastSignStripped).
int32_t decodePixel(uint8_t hi, uint8_t lo, const PixelRules& rules, float bzero, bool& stripped);

/// Loads the frame `name20` (20 characters, file type stripped; the current type is appended)
/// from the working path into workspace 1, 2 or 3, replacing or adding to its pixels; every
/// decoded pixel is multiplied by `factor`; file pixel (c, r) goes to (c - iShift, r - jShift).
/// True (status 0) when loaded. A 16-bit primary image without BSCALE or BLANK is read by the
/// camera's rules directly; every other image (other BITPIX, BSCALE, BLANK, an image extension,
/// compressed frames) through the FITS library as physical values rounded to integers (see
/// fits_formats.h). On refusal (file missing, header unreadable, not SIMPLE = T, no END card,
/// BITPIX unknown, not two axes, size not positive or above the capacity, impossible date or
/// time, data shorter than the header says or damaged) a message is printed and nothing else
/// changes.
[[nodiscard]] bool loadf(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
                         std::string_view name20, Combine combine, float factor, int32_t iShift,
                         int32_t jShift, int workspace);
/// loadf into workspace 1, after printing "   entered load; fname = " and the name.
[[nodiscard]] bool load(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
                        std::string_view name20, Combine combine, float factor, int32_t iShift,
                        int32_t jShift);
/// True when `load` of the frame into workspace 1 would succeed with the files as they are now
/// (the same checks, nothing printed, nothing changed); `capacity` is the pixels workspace 1 holds.
[[nodiscard]] bool loadable(const core::Settings& settings, const Camera& camera, std::string_view name20,
                            int64_t capacity);
/// init followed by load in add mode (factor 1, no shift), in one pass: `pending` is what
/// initLater returned, the number of leading places of workspace 1 that count as cleared. The
/// console text and the workspace afterwards are those of init and load; places the frame
/// replaces are not cleared first. A frame that cannot be loaded leaves them cleared.
[[nodiscard]] bool loadCleared(textio::Console& console, core::Settings& settings, Camera& camera,
                               Workspaces& ws, std::string_view name20, size_t pending);
/// A frame read by readAhead, on another thread, before its turn comes in a batch.
class FrameAhead {
 public:
  FrameAhead();
  ~FrameAhead();
  FrameAhead(FrameAhead&&) noexcept;
  FrameAhead& operator=(FrameAhead&&) noexcept;
  /// The host file it read (empty when nothing was read).
  const std::string& host() const;

  struct Data;
  std::unique_ptr<Data> data;
};

/// Reads what loadCleared of `name20` would read from the files as they are now (the header,
/// its checks, every pixel row), printing nothing and changing nothing (junk.dat included), so
/// it may run on another thread; `settings` and `camera` are copies as the load will see them.
/// A file that is not a plain file and a frame only the FITS library reads are left for the
/// load itself. `spent`, a frame read ahead before, lends its memory.
FrameAhead readAhead(const core::Settings& settings, const Camera& camera, std::string_view name20,
                     int64_t capacity, int workspace = 1, FrameAhead spent = {});
/// loadCleared of `name20` from a frame readAhead read: the same console text, workspace,
/// settings, camera and junk.dat. When the frame was left for the load, or the settings or the
/// camera differ from the copies it was read with, the frame is loaded from its file. `ahead`
/// keeps its memory for the next readAhead.
[[nodiscard]] bool loadClearedAhead(textio::Console& console, core::Settings& settings, Camera& camera,
                                    Workspaces& ws, std::string_view name20, size_t pending, FrameAhead& ahead);
/// load (workspace 1) or load2 / load3 (workspace 2, 3) from a frame readAhead read for that
/// workspace, as loadClearedAhead is loadCleared.
[[nodiscard]] bool loadAhead(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
                             std::string_view name20, Combine combine, float factor, int32_t iShift, int32_t jShift,
                             int workspace, FrameAhead& ahead);
/// load into workspace 1 replacing (factor 1, no shift) for a batch that reads only a few
/// places of each frame: the same console text and header values, and every pixel read
/// through the workspace accessors is the frame's, but the frame's 64 x 64 tiles are decoded
/// only when first read; ws.deferred.settle() (or any other load) puts the rest in place. A
/// frame cut by the frame window is stored at once.
[[nodiscard]] bool loadDeferred(textio::Console& console, core::Settings& settings, Camera& camera,
                                Workspaces& ws, std::string_view name20);
/// loadf into workspace 2.
[[nodiscard]] bool load2(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
                         std::string_view name20, Combine combine, float factor, int32_t iShift,
                         int32_t jShift);
/// loadf into workspace 3.
[[nodiscard]] bool load3(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
                         std::string_view name20, Combine combine, float factor, int32_t iShift,
                         int32_t jShift);

}  // namespace image

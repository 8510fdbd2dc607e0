// Saving workspace 1 as a 16-bit FITS frame in the camera's storage: the stored header of
// the frame last loaded, the pixel rules applied in reverse order, padding to whole blocks.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "core/settings.h"
#include "image/camera.h"
#include "image/fits_load.h"
#include "image/workspaces.h"

namespace textio {
class Console;
}

namespace image {

/// How the stored 16 bits hold a value: with the top bit as a sign (-32767 .. 32767) or as
/// an unsigned number (0 .. 65535).
enum class Storage { Unsigned, SignMagnitude };

/// The storage the decoding rules read for a given BZERO.
Storage storageOf(const PixelRules& rules, float bzero);

/// Encodes one pixel value into its two stored bytes (hi first). The value is first clipped
/// to what the storage holds, so that decoding the bytes gives the clipped value back.
/// `signStripped` is the camera's lastSignStripped.
void encodePixel(int32_t value, const PixelRules& rules, float bzero, bool signStripped, uint8_t& hi,
                 uint8_t& lo);

/// The whole file content for workspace 1: header cards (the stored header, or a minimal one
/// when no frame has been loaded into workspace 1), pixel rows, zero padding to 2880 bytes.
std::string frameBytes(const Camera& camera, const Workspaces& ws);

/// The frames written in this session (host paths), which `save` replaces without asking.
class SavedFrames {
 public:
  void add(const std::string& host) { hosts_.insert(host); }
  [[nodiscard]] bool contains(const std::string& host) const { return hosts_.count(host) != 0; }

 private:
  std::set<std::string> hosts_;
};

/// How a save treats a file already there.
struct SaveOptions {
  SavedFrames* saved = nullptr;     // records every frame written; consulted when asking
  bool askBeforeReplacing = false;  // ask before replacing a file not written in this session
};

/// Where save writes workspace 1 (its full name and host path): the name checked and the
/// questions asked as save asks them. An empty host when save would write nothing.
/// With Refuse a question save would ask is not asked: the target says so (wouldAsk).
struct SaveTarget {
  std::string full;
  std::string host;
  bool wouldAsk = false;
};
enum class Questions { Ask, Refuse };
[[nodiscard]] SaveTarget saveTarget(textio::Console& console, const core::Settings& settings, std::string_view name20,
                                    const SaveOptions& options, Questions questions = Questions::Ask);
/// The file content of workspace 1 (frameBytes) in memory every save shares: valid until the
/// next call, which may not come before the bytes are written.
std::string_view savedBytes(const Camera& camera, const Workspaces& ws);
/// Workspace 1's file written on another thread without a copy of the frame: the header and the
/// pixel rules are taken by prepare on the calling thread, the rows encoded a band at a time as
/// write writes them (a new file renamed over the old, as save does). The bytes are those of
/// frameBytes. Workspace 1 must not change from prepare until write returns.
class FrameStream {
 public:
  void prepare(const Camera& camera, const Workspaces& ws);
  [[nodiscard]] bool write(const Workspaces& ws, const std::string& host) const;

 private:
  std::string header_;
  const void* table_ = nullptr;  // the encoding table, kept by the save code until the next save
};

/// What save prints and records once the file is written (`written`) or not.
void reportSave(textio::Console& console, const SaveTarget& target, bool written, SavedFrames* saved);

/// Saves workspace 1 as `name20` (20 characters, type stripped; the current type is appended)
/// in the working path. Asks "   you may be overwriting a raw image file; proceed? Y/N [N] "
/// when the name looks like a raw frame, and (with askBeforeReplacing) when the file exists
/// and was not written in this session; any answer but y or Y writes nothing.
void save(textio::Console& console, const core::Settings& settings, Camera& camera, Workspaces& ws,
          std::string_view name20, SaveOptions options = {});

}  // namespace image

// Batch calibration over the file list filelist.txt: dark and flat correction of every
// frame ("dfc"), the same with star finding ("dfs"), and star finding alone on frames
// already corrected ("s"). The star position list file stars.lst they write stays open
// from one command to the next, every frame's block flushed as soon as it is written.
#pragma once

#include <fstream>
#include <memory>
#include <ostream>
#include <string>

#include "core/settings.h"
#include "image/camera.h"
#include "image/fits_save.h"
#include "image/workspaces.h"

namespace textio {
class Console;
}

namespace calib {

/// The open star position list file written by the batch commands.
class StarListOutput {
 public:
  /// Creates (or replaces) the file at a host path and keeps it open; false when it cannot be.
  [[nodiscard]] bool create(const std::string& hostPath);
  /// Flushes and closes the file (nothing when none is open).
  void close();
  [[nodiscard]] bool isOpen() const { return out_ != nullptr; }
  /// The open file; only valid while isOpen().
  std::ostream& stream() { return *out_; }

 private:
  std::unique_ptr<std::ofstream> out_;
};

/// The tables a batch command works on.
struct BatchTables {
  textio::Console& console;
  core::Settings& settings;
  image::Camera& camera;
  image::Workspaces& ws;
  image::SavedFrames* saved = nullptr;  // records the frames saved (for `save`'s question)
};

/// "dfc": asks for the dark (loaded into workspace 2) and the flat (workspace 3), enters the
/// file list, then loads, corrects and saves every frame of it under the dark+flat type and
/// the renamed name. A dark or flat that cannot be loaded ends the command before the list;
/// a frame that cannot be loaded is skipped (nothing corrected or saved). Returns the name
/// of the last frame saved (blank when none).
std::string dfc(BatchTables t);

/// "dfs": as dfc, creating stars.lst in the working path first (it becomes the star list
/// file) and finding the stars of every corrected frame under its output name. A blank
/// answer for the dark or the flat uses that workspace as it is.
std::string dfs(BatchTables t, StarListOutput& stars);

/// "s": creates stars.lst, enters the file list and finds the stars of every frame loaded
/// with the dark+flat type, under the name as listed; nothing is saved.
std::string starsOnly(BatchTables t, StarListOutput& stars);

}  // namespace calib

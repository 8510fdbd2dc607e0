// The frames of a batch on threads beside the main one: the next frame read while the current
// one is worked on, the previous one written meanwhile. The console text, the files and the
// workspaces stay what one thread gives, in the same order: a load from a frame read ahead
// prints what the load prints, and the text after a save is held back until the write is
// known to be done, so a failed write's message comes where one thread prints it. With one
// thread (PELM_THREADS=1) both do their work in place, exactly as load and save do.
#pragma once

#include <cstdint>
#include <deque>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "core/settings.h"
#include "core/threads.h"
#include "image/camera.h"
#include "image/fits_load.h"
#include "image/fits_save.h"
#include "image/workspaces.h"

namespace textio {
class Console;
}

namespace image {

/// Whether a batch works on threads beside the main one.
enum class Overlap { OneThread, Threads };

/// The overlap the thread count gives (core::threadCount()).
Overlap batchOverlap();

/// Saves a batch's frames, each written on a thread of its own while the batch goes on with
/// the frame (finding its stars); no copy of the frame is held, so workspace 1 stays as it is
/// until finish.
class FrameWriter {
 public:
  FrameWriter(textio::Console& console, Overlap overlap);
  /// Waits for the write under way and prints what was held back.
  ~FrameWriter();
  FrameWriter(const FrameWriter&) = delete;
  FrameWriter& operator=(const FrameWriter&) = delete;

  /// Starts writing workspace 1 as save of `name20` would, unless save would ask a question;
  /// what save prints is kept for `save`. True when started; `save` of the same name must follow
  /// before workspace 1 changes.
  bool start(const core::Settings& settings, Camera& camera, Workspaces& ws, std::string_view name20,
             SaveOptions options);
  /// save(console, ...) in its place in the batch: after start, its text and, once the write is
  /// done, its message; without start, the whole save here.
  void save(const core::Settings& settings, Camera& camera, Workspaces& ws, std::string_view name20,
            SaveOptions options);
  /// Waits for the write under way (workspace 1 may change again), prints its message (if it
  /// failed) and the text held back.
  void finish();
  /// Saves whose writes are known to be done (a mark for wroteSince).
  uint64_t finished() const { return finished_; }
  /// True when a save from the mark on wrote or writes the host file (or the mark is too old
  /// to tell).
  [[nodiscard]] bool wroteSince(uint64_t mark, const std::string& host) const;

 private:
  textio::Console& console_;
  std::unique_ptr<core::TaskThread> thread_;
  FrameStream stream_;
  std::future<void> pending_;
  bool written_ = false;  // set by the writer, read after pending_ is ready
  bool started_ = false;  // a write started and its save not yet in its place
  std::string startedName_, startedText_;
  SaveTarget target_;
  SavedFrames* saved_ = nullptr;
  std::string held_;
  uint64_t saves_ = 0, finished_ = 0;
  std::deque<std::pair<uint64_t, std::string>> recent_;  // the last saves' host files
};

/// Reads a batch's next frame on a thread of its own while the current one is worked on.
class FrameReader {
 public:
  explicit FrameReader(Overlap overlap);
  FrameReader(const FrameReader&) = delete;
  FrameReader& operator=(const FrameReader&) = delete;
  bool active() const { return thread_ != nullptr; }

  /// Starts reading `name20` as loadCleared will with these settings and camera (copied).
  void request(const core::Settings& settings, const Camera& camera, std::string_view name20, int64_t capacity,
               int workspace = 1);
  /// The frame requested for `name20` and the workspace (waiting for it), or an empty one
  /// when none was.
  FrameAhead take(std::string_view name20, int workspace = 1);
  /// A frame loaded: its memory serves the next read.
  void giveBack(FrameAhead spent) { spent_ = std::move(spent); }

 private:
  std::unique_ptr<core::TaskThread> thread_;
  std::future<void> done_;
  std::shared_ptr<FrameAhead> slot_;
  std::string name_;
  int workspace_ = 1;
  FrameAhead spent_;
};

}  // namespace image

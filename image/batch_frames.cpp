// Frames of a batch read and written on threads beside the main one.
#include "image/batch_frames.h"

#include <sstream>

#include "textio/console.h"
#include "textio/paths.h"

namespace image {

namespace {

constexpr size_t kRecentSaves = 8;

}  // namespace

Overlap batchOverlap() { return core::threadCount() > 1 ? Overlap::Threads : Overlap::OneThread; }

FrameWriter::FrameWriter(textio::Console& console, Overlap overlap) : console_(console) {
  if (overlap == Overlap::OneThread) return;
  thread_ = std::make_unique<core::TaskThread>(1);
  // Whatever is held back is printed before any answer is read.
  console_.setBeforeInput([this] { finish(); });
}

FrameWriter::~FrameWriter() {
  if (!thread_) return;
  try {
    finish();
  } catch (...) {
    // The console could not take the text: nothing more to do while the batch ends.
  }
  console_.holdScreen(nullptr);
  console_.setBeforeInput({});
}

bool FrameWriter::start(const core::Settings& settings, Camera& camera, Workspaces& ws, std::string_view name20,
                        SaveOptions options) {
  if (!thread_) return false;
  finish();
  std::istringstream noKeys;
  std::ostringstream text;
  textio::Console quiet(noKeys, text);
  SaveTarget target = saveTarget(quiet, settings, name20, options, Questions::Refuse);
  if (target.wouldAsk) return false;
  started_ = true;
  startedName_ = std::string(name20);
  startedText_ = text.str();
  target_ = target;
  saved_ = options.saved;
  if (target.host.empty()) return true;
  stream_.prepare(camera, ws);
  written_ = false;
  pending_ = thread_->submit([this, &ws, host = target.host] {
    bool ok = false;
    try {
      ok = stream_.write(ws, host);
    } catch (...) {
      ok = false;
    }
    written_ = ok;
  });
  recent_.emplace_back(saves_++, target.host);
  if (recent_.size() > kRecentSaves) recent_.pop_front();
  return true;
}

void FrameWriter::save(const core::Settings& settings, Camera& camera, Workspaces& ws, std::string_view name20,
                       SaveOptions options) {
  if (started_ && startedName_ == name20) {
    started_ = false;
    textio::replay(console_, startedText_);
    if (!pending_.valid()) return;
    // What follows waits until the write is known to be done (finish).
    held_.clear();
    console_.holdScreen(&held_);
    return;
  }
  finish();
  image::save(console_, settings, camera, ws, name20, options);
}

void FrameWriter::finish() {
  if (!pending_.valid()) return;
  bool written = false;
  try {
    pending_.get();
    written = written_;
  } catch (...) {
    written = false;
  }
  console_.holdScreen(nullptr);
  if (started_) {
    // Started but not put in its place: said now.
    started_ = false;
    textio::replay(console_, startedText_);
  }
  reportSave(console_, target_, written, saved_);
  // Held text goes out as it was given (its last prompt already recorded by the console).
  console_.screen() << held_;
  console_.screen().flush();
  held_.clear();
  finished_ = saves_;
}

bool FrameWriter::wroteSince(uint64_t mark, const std::string& host) const {
  if (mark >= saves_) return false;
  if (recent_.empty() || recent_.front().first > mark) return true;
  for (const auto& [seq, written] : recent_) {
    if (seq >= mark && written == host) return true;
  }
  return false;
}

FrameReader::FrameReader(Overlap overlap) {
  if (overlap == Overlap::Threads) thread_ = std::make_unique<core::TaskThread>(1);
}

void FrameReader::request(const core::Settings& settings, const Camera& camera, std::string_view name20,
                          int64_t capacity, int workspace) {
  if (!thread_) return;
  if (done_.valid()) (void)take(name_, workspace_);
  name_ = std::string(name20);
  workspace_ = workspace;
  slot_ = std::make_shared<FrameAhead>();
  done_ = thread_->submit([slot = slot_, settings, camera, name = name_, capacity, workspace,
                           spent = std::make_shared<FrameAhead>(std::move(spent_))]() mutable {
    try {
      *slot = readAhead(settings, camera, name, capacity, workspace, std::move(*spent));
    } catch (...) {
      *slot = FrameAhead{};  // the load reads the file itself
    }
  });
}

FrameAhead FrameReader::take(std::string_view name20, int workspace) {
  if (!done_.valid()) return {};
  done_.wait();
  done_ = {};
  FrameAhead ahead = std::move(*slot_);
  slot_.reset();
  if (name20 != name_ || workspace != workspace_) return {};
  return ahead;
}

}  // namespace image

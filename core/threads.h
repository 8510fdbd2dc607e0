// Threads of the batch commands: how many to use, a background thread that runs tasks one
// after another in the order given (reading the next frame, writing the previous one), and
// work split into pieces run side by side (rows of a frame). Every result is the one a single
// thread gives: pieces never share what they write, and tasks run in order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace core {

/// Threads a batch uses: PELM_THREADS when it holds a whole number from 1 to 256, else every
/// core of the machine (at least 1). 1 gives the one-thread program.
int threadCount();

/// Runs work(begin, end) over [0, n) in at most threadCount() consecutive pieces of at least
/// `grain` items; the calling thread takes the first piece. Returns once every piece is done;
/// an exception of a piece is thrown again here (the first one, by piece order).
void forEachPiece(int64_t n, int64_t grain, const std::function<void(int64_t, int64_t)>& work);

/// One thread beside the caller that runs the tasks given to it in order. At most `depth`
/// tasks wait at a time: submitting one more waits until one has started. The destructor
/// lets every task given run to its end, then joins the thread.
class TaskThread {
 public:
  explicit TaskThread(size_t depth = 1);
  ~TaskThread();
  TaskThread(const TaskThread&) = delete;
  TaskThread& operator=(const TaskThread&) = delete;

  /// Queues `task`; its future is ready when it has run (holding its exception, if any).
  [[nodiscard]] std::future<void> submit(std::function<void()> task);

 private:
  void run();

  const size_t depth_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::packaged_task<void()>> tasks_;
  bool stopping_ = false;
  std::thread thread_;  // last, so that it starts after the rest is built
};

}  // namespace core

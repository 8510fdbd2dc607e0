// Threads of the batch commands.
#include "core/threads.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace core {

namespace {

int threadsFromEnvironment() {
  if (const char* text = std::getenv("PELM_THREADS"); text != nullptr && *text != '\0') {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (*end == '\0' && n >= 1 && n <= 256) return static_cast<int>(n);
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min(cores, 256u));
}

}  // namespace

int threadCount() { return threadsFromEnvironment(); }

void forEachPiece(int64_t n, int64_t grain, const std::function<void(int64_t, int64_t)>& work) {
  if (n <= 0) return;
  const int64_t most = grain > 0 ? std::max<int64_t>(1, n / grain) : n;
  const int64_t pieces = std::min<int64_t>(threadCount(), most);
  if (pieces <= 1) {
    work(0, n);
    return;
  }
  auto begin = [&](int64_t p) { return n * p / pieces; };
  std::vector<std::exception_ptr> failed(static_cast<size_t>(pieces));
  {
    std::vector<std::jthread> helpers;
    helpers.reserve(static_cast<size_t>(pieces - 1));
    for (int64_t p = 1; p < pieces; ++p) {
      helpers.emplace_back([&, p] {
        try {
          work(begin(p), begin(p + 1));
        } catch (...) {
          failed[static_cast<size_t>(p)] = std::current_exception();
        }
      });
    }
    try {
      work(0, begin(1));
    } catch (...) {
      failed[0] = std::current_exception();
    }
  }  // the helpers are joined here
  for (const std::exception_ptr& e : failed) {
    if (e) std::rethrow_exception(e);
  }
}

TaskThread::TaskThread(size_t depth) : depth_(depth == 0 ? 1 : depth), thread_([this] { run(); }) {}

TaskThread::~TaskThread() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

std::future<void> TaskThread::submit(std::function<void()> task) {
  std::packaged_task<void()> job(std::move(task));
  std::future<void> done = job.get_future();
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return tasks_.size() < depth_; });
  tasks_.push_back(std::move(job));
  lock.unlock();
  changed_.notify_all();
  return done;
}

void TaskThread::run() {
  for (;;) {
    std::packaged_task<void()> job;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
      if (tasks_.empty()) return;  // stopping, every task run
      job = std::move(tasks_.front());
      tasks_.pop_front();
    }
    changed_.notify_all();
    job();
  }
}

}  // namespace core

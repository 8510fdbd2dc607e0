// A moment by two clocks for the benchmarks: the wall clock and the processor time of this
// process (user and system), which stays meaningful when other work shares the machine.
#pragma once

#include <time.h>

#include <chrono>

namespace benchclock {

using Clock = std::chrono::steady_clock;

struct Stamp {
  Clock::time_point wall;
  double cpuMs;
};

inline Stamp now() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return Stamp{Clock::now(), static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6};
}

inline double wallMs(const Stamp& a, const Stamp& b) {
  return std::chrono::duration<double, std::milli>(b.wall - a.wall).count();
}

}  // namespace benchclock

#pragma once
// What the benchmarks measure besides the clock: this process's processor time, and its peak
// resident memory (reset between phases).
#include <sys/resource.h>

#include <fstream>
#include <string>

namespace bench {

// Processor time of this process (user + system), so figures on a busy machine can be told apart
// from the program's own cost.
inline double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

namespace detail {
inline long statusMb(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size())) / 1024;
  return -1;
}
}  // namespace detail

// The process's peak resident memory since the last resetPeak(), in MB.
inline long peakMb() { return detail::statusMb("VmHWM:"); }
// The process's resident memory now, in MB.
inline long residentMb() { return detail::statusMb("VmRSS:"); }
inline void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

}  // namespace bench

// Platform (POSIX): the local time for the log and the monotonic clock
// for the loop.
#include "platform/Platform.h"

#include <time.h>

namespace platform {

bool LocalTime(std::time_t now, std::tm* out) { return localtime_r(&now, out) != nullptr; }

long long MonotonicNanoseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000ll + ts.tv_nsec;
}

}  // namespace platform

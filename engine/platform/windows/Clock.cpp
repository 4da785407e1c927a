// Platform (Windows): the local time for the log and the monotonic clock
// for the loop (the performance counter).
#include "platform/Platform.h"

#include <windows.h>

#include <time.h>

namespace platform {

bool LocalTime(std::time_t now, std::tm* out) { return localtime_s(out, &now) == 0; }

long long MonotonicNanoseconds() {
  static LARGE_INTEGER frequency = {};
  if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  // Whole seconds and the remainder apart, so the product cannot overflow.
  const long long perSecond = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
  const long long seconds = count.QuadPart / perSecond;
  const long long rest = count.QuadPart % perSecond;
  return seconds * 1000000000ll + rest * 1000000000ll / perSecond;
}

}  // namespace platform

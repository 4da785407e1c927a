// Core: the loop's real clock, the monotonic clock of the platform layer,
// waiting in SDL's event wait so that input ends the wait.
//
// It lives apart from the loop in a source that includes no exported
// class: where GCC builds a DLL it exports the type data of every class a
// source holds once that source also holds an exported class's, and the
// clock interface is internal.
#include "core/Loop.h"
#include "platform/Platform.h"

#include <SDL2/SDL.h>

#include <climits>

namespace {

class RealClock : public core::LoopClock {
public:
  bool sleepOnly = false;
  long long Now() override { return platform::MonotonicNanoseconds(); }
  void WaitUntil(long long until) override {
    const long long left = until - Now();
    if (left <= 0) return;
    // Whole milliseconds, rounded up: waking early would only wait again.
    const long long ms = (left + 999999) / 1000000;
    const int wait = ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
    if (sleepOnly)
      SDL_Delay(static_cast<Uint32>(wait));
    else
      SDL_WaitEventTimeout(nullptr, wait);
  }
};

RealClock g_realClock;

}  // namespace

namespace core {

LoopClock::~LoopClock() {}

LoopClock* RealLoopClock() { return &g_realClock; }

void SetRealClockSleepOnly(bool on) { g_realClock.sleepOnly = on; }

}  // namespace core

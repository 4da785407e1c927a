// Core: the loop's clock and the pieces of one loop turn (internal).
//
// The loop in Loop.cpp decides when ticks run, when frames are drawn and
// how long to sleep; it reads time and waits only through LoopClock, so
// tests can run the real loop on a virtual clock and assert exactly.
#ifndef CORVANE_CORE_LOOP_H
#define CORVANE_CORE_LOOP_H

union SDL_Event;
struct SDL_Window;

namespace core {

// Game tick period, the most ticks run in a row before a frame, and how far
// behind the loop may fall before the missed ticks are dropped.
constexpr long long kTickNs = 20000000;
constexpr int kMaxTicksInARow = 5;
constexpr long long kStallNs = 100000000;

// Time and waiting as the loop sees them.
class LoopClock {
public:
  // Defined in LoopClock.cpp, which alone then holds the class's type
  // data: where GCC builds a DLL it would export that data from any source
  // that also holds an exported class's.
  virtual ~LoopClock();
  // Nanoseconds on a monotonic clock.
  virtual long long Now() = 0;
  // Returns at `until` at the latest, and at once when an event is waiting
  // (an event arriving meanwhile ends the wait), so no input is delayed.
  virtual void WaitUntil(long long until) = 0;
};

// The real clock: the monotonic clock, waiting in SDL's event wait
// (LoopClock.cpp).
LoopClock* RealLoopClock();
// Makes the real clock sleep instead of waiting for events: drivers without
// a display (offscreen, dummy) have no input to wait for.
void SetRealClockSleepOnly(bool on);

// Puts a clock in the real one's place (null: the real clock again).
void SetLoopClock(LoopClock* clock);
// Now() of the clock in use.
long long LoopNow();

// Runs the loop until the quit request (Loop.cpp).
void RunLoop();
// The loop as it was before catch-up ticks, the frame cap and idling: a
// tick only after a frame has been drawn, frames as fast as they go, no
// sleeping, the driver's swap interval. Kept only so the loop benchmark
// can measure against it in the same run.
void SetLegacyPacing(bool on);
// Sets the swap interval from the vsync and fixed-step settings; nothing
// without a GL context.
void ApplySwapInterval();
// The buffer swap of one frame, timed so the loop knows whether vsync
// holds frames back.
void SwapAndTime(SDL_Window* window, bool finish);
// The frame interval the cap asks for in nanoseconds (0: no cap).
long long FrameIntervalNs();

// The steps of one turn, kept beside the window and the input they act on
// (Engine.cpp).
void RunTick();
void DispatchEvent(const SDL_Event& e);
void DrawAndSwap();
SDL_Window* GameWindow();

}  // namespace core

#endif

// Core: the loop's pacing. Events first; then every game tick that is due
// (at most five in a row, the rest dropped after a stall of more than
// 100 ms); then one frame when the window can be seen and the frame cap
// allows it; otherwise a sleep until the next frame or tick, cut short by
// input. Also the loop's settings: vsync, the frame cap, smoothing (the
// tick fraction frames are drawn at) and the fixed step of timed demos.
#include "Internal.h"
#include "core/Loop.h"

#include <SDL2/SDL.h>

#include <climits>
#include <cstring>

namespace {

const int kUnknownRefreshHz = 60;

// The real clock (LoopClock.cpp) unless a test put another in its place.
core::LoopClock* g_clock = core::RealLoopClock();

bool g_vsync = true;      // ask for (adaptive) vsync
int g_frameCap = -1;      // frames a second; 0 none, negative the display's rate
bool g_smoothing = true;  // frames drawn between ticks
bool g_fixedStep = false;
float g_fraction = 0.0f;     // of the frame being drawn
bool g_vsyncActive = false;  // a nonzero swap interval was accepted
bool g_swapWaited = false;   // the last swap was held back by vsync
int g_refreshHz = kUnknownRefreshHz;
bool g_legacy = false;

// The refresh rate of the display the window is on; 60 when unknown.
int DisplayRefreshHz() {
  SDL_Window* window = core::GameWindow();
  int index = window ? SDL_GetWindowDisplayIndex(window) : 0;
  if (index < 0) index = 0;
  SDL_DisplayMode mode{};
  if (SDL_GetCurrentDisplayMode(index, &mode) == 0 && mode.refresh_rate >= 20 &&
      mode.refresh_rate <= 1000)
    return mode.refresh_rate;
  return kUnknownRefreshHz;
}

// Minimized or hidden: nobody can see a frame.
bool WindowUnseen() {
  SDL_Window* window = core::GameWindow();
  return !window || (SDL_GetWindowFlags(window) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED));
}

float FractionAt(long long now, long long lastTick) {
  if (!g_smoothing || g_fixedStep) return 0.0f;
  const double f = static_cast<double>(now - lastTick) / static_cast<double>(core::kTickNs);
  return f <= 0.0 ? 0.0f : f >= 1.0 ? 1.0f : static_cast<float>(f);
}

// Frame at `start`, drawn at the tick fraction of that moment.
void Frame(long long start, long long lastTick) {
  g_fraction = FractionAt(start, lastTick);
  core::DrawAndSwap();
  g_fraction = 0.0f;
}

// Events waiting now; false when one of them ended the engine.
bool DrainEvents() {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (e.type == SDL_WINDOWEVENT) g_refreshHz = DisplayRefreshHz();
    core::DispatchEvent(e);
    if (core::QuitPosted()) return false;
  }
  return true;
}

// The old loop, for the benchmark: events first; with the queue empty, one
// tick when its deadline has passed and a frame has been drawn since the
// last tick, otherwise one frame. Missed ticks beyond a period are dropped.
void RunLegacyLoop() {
  long long deadline = g_clock->Now() + core::kTickNs;
  bool drawnSinceTick = true;
  SDL_Event e;
  while (!core::QuitPosted()) {
    if (SDL_PollEvent(&e)) {
      core::DispatchEvent(e);
      continue;
    }
    const long long now = g_clock->Now();
    if (drawnSinceTick && now >= deadline) {
      core::RunTick();
      drawnSinceTick = false;
      deadline += core::kTickNs;
      if (now - deadline >= core::kTickNs)
        deadline += ((now - deadline) / core::kTickNs + 1) * core::kTickNs;
      continue;
    }
    core::DrawAndSwap();
    drawnSinceTick = true;
  }
}

}  // namespace

namespace core {

void SetLegacyPacing(bool on) { g_legacy = on; }

void SetLoopClock(LoopClock* clock) { g_clock = clock ? clock : RealLoopClock(); }

long long LoopNow() { return g_clock->Now(); }

long long FrameIntervalNs() {
  if (g_fixedStep || g_frameCap == 0) return 0;
  const int fps = g_frameCap > 0 ? g_frameCap : g_refreshHz;
  return 1000000000ll / fps;
}

void ApplySwapInterval() {
  g_vsyncActive = false;
  g_swapWaited = false;
  if (!cgl::ContextAlive) return;
  if (g_vsync && !g_fixedStep) {
    // Adaptive vsync tears a late frame instead of waiting a whole period.
    g_vsyncActive = SDL_GL_SetSwapInterval(-1) == 0 || SDL_GL_SetSwapInterval(1) == 0;
  } else {
    SDL_GL_SetSwapInterval(0);
  }
}

void SwapAndTime(SDL_Window* window, bool finish) {
  const long long before = g_clock->Now();
  SDL_GL_SwapWindow(window);
  // Where the swap returns at once, queued frames would pile up without end.
  if (finish) glFinish();
  // Vsync that is honoured holds the swap for a good part of a display
  // period; then the display paces the frames and the cap stands aside.
  const long long displayPeriod = 1000000000ll / g_refreshHz;
  g_swapWaited = g_vsyncActive && g_clock->Now() - before >= displayPeriod / 4;
}

// One turn: events, the ticks that are due, then a frame or a sleep.
// `deadline` is when the next tick is due; `lastTick` when the last one
// was (both on the tick schedule, not when they actually ran).
void RunLoop() {
  if (g_legacy) {
    RunLegacyLoop();
    return;
  }
  g_refreshHz = DisplayRefreshHz();
  ApplySwapInterval();
  const char* driver = SDL_GetCurrentVideoDriver();
  SetRealClockSleepOnly(
      driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0));
  long long now = g_clock->Now();
  long long deadline = now + kTickNs;
  long long lastTick = now;
  long long nextFrame = now;
  while (!QuitPosted()) {
    if (!DrainEvents()) break;

    if (g_fixedStep) {
      // Timed demos: one tick, one frame, no waiting of any kind.
      RunTick();
      if (QuitPosted()) break;
      lastTick = g_clock->Now();
      deadline = lastTick + kTickNs;
      nextFrame = lastTick;
      if (!WindowUnseen()) Frame(lastTick, lastTick);
      continue;
    }

    now = g_clock->Now();
    // A stall (a debugger, a dragged window, a swap-out) is not made up:
    // after the ticks below the schedule starts again from now.
    const bool stalled = now - deadline > kStallNs;
    int ran = 0;
    while (now >= deadline && ran < kMaxTicksInARow) {
      // What arrived during the tick before is seen by this one.
      if (ran > 0 && !DrainEvents()) break;
      RunTick();
      ++ran;
      lastTick = deadline;
      deadline += kTickNs;
      if (QuitPosted()) break;
    }
    if (QuitPosted()) break;
    if (stalled && now >= deadline) {
      lastTick = now;
      deadline = now + kTickNs;
    }

    long long wake = deadline;
    if (!WindowUnseen()) {
      const long long interval = FrameIntervalNs();
      // Vsync paces frames at the display's rate by itself; a cap below
      // that rate still holds.
      const bool vsyncPaces = g_swapWaited && interval <= 1000000000ll / g_refreshHz;
      // After a full run of ticks the frame comes next whatever the cap.
      if (interval == 0 || now >= nextFrame || vsyncPaces || ran == kMaxTicksInARow) {
        const long long start = g_clock->Now();
        Frame(start, lastTick);
        // Frames keep their cadence; one that comes a whole interval late
        // starts it again.
        if (interval == 0)
          nextFrame = start;
        else
          nextFrame = start - nextFrame < interval ? nextFrame + interval : start + interval;
        continue;
      }
      if (nextFrame < wake) wake = nextFrame;
    }
    g_clock->WaitUntil(wake);
  }
  g_fraction = 0.0f;
}

}  // namespace core

void SetVSync(bool on) {
  g_vsync = on;
  core::ApplySwapInterval();
}

void SetFrameCap(int fps) { g_frameCap = fps < 0 ? -1 : fps; }

void SetSmoothing(bool on) { g_smoothing = on; }

float GetTickFraction() { return g_fraction; }

void SetFixedStep(bool on) {
  g_fixedStep = on;
  core::ApplySwapInterval();
}

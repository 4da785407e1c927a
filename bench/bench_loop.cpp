// Real-time rates of the engine's loop, measured against the old loop (a
// tick only after a frame, frames as fast as they go, no sleeping) in the
// same run: frames a second and CPU with a light frame, ticks a second with
// slow frames, CPU with the window hidden. Wall-clock figures, so not a
// test; run it by hand:
//
//   SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null build/bench/bench_loop [seconds=3]
//
// On a virtual X display (Xvfb) leave SDL_VIDEODRIVER unset. With
// LP_NUM_THREADS=0 Mesa's rasteriser runs on one thread.
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "CorvaneEngine.h"
#include "core/Loop.h"
#include "../tests/support/TestPlatform.h"

namespace {

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double CpuSeconds() { return testos::CpuSeconds(); }

struct TScenario {
  const char* name;
  int frameMs;  // a frame sleeps this long (a slow machine's frame)
  bool hidden;  // the window is hidden from the first tick on
};

struct TResult {
  double framesPerSecond, ticksPerSecond, cpuShare, cpuPerFrameMs;
};

// The run in progress: measured from half a second in, for `seconds`.
struct TRun {
  TScenario scenario;
  double seconds;
  double started;
  bool measuring;
  double wall0, cpu0;
  long frames, ticks, frames0, ticks0;
  TResult result;
} g_run;

void Process() {
  ++g_run.ticks;
  if (g_run.ticks == 1 && g_run.scenario.hidden) SDL_HideWindow(SDL_GL_GetCurrentWindow());
  const double now = WallSeconds();
  if (!g_run.measuring && now - g_run.started >= 0.5) {
    g_run.measuring = true;
    g_run.wall0 = now;
    g_run.cpu0 = CpuSeconds();
    g_run.frames0 = g_run.frames;
    g_run.ticks0 = g_run.ticks;
  } else if (g_run.measuring && now - g_run.wall0 >= g_run.seconds) {
    const double wall = now - g_run.wall0;
    const double cpu = CpuSeconds() - g_run.cpu0;
    const long frames = g_run.frames - g_run.frames0;
    TResult& r = g_run.result;
    r.framesPerSecond = frames / wall;
    r.ticksPerSecond = (g_run.ticks - g_run.ticks0) / wall;
    r.cpuShare = cpu / wall;
    r.cpuPerFrameMs = frames > 0 ? cpu * 1000.0 / frames : 0.0;
    QuiteEngine();
  }
}

void Render() {
  ++g_run.frames;
  glBegin(GL_TRIANGLES);
  glVertex2f(-0.5f, -0.5f);
  glVertex2f(0.5f, -0.5f);
  glVertex2f(0.0f, 0.5f);
  glEnd();
  if (g_run.scenario.frameMs > 0) SDL_Delay(static_cast<Uint32>(g_run.scenario.frameMs));
}

void Nothing() {}

TResult Measure(const TScenario& scenario, double seconds, bool legacy) {
  g_run = TRun();
  g_run.scenario = scenario;
  g_run.seconds = seconds;
  g_run.started = WallSeconds();
  core::SetLegacyPacing(legacy);
  char caption[] = "bench_loop";
  StartEngine(nullptr, nullptr, nullptr, 0, Process, Nothing, Render, false, false, 640, 480,
              caption);
  core::SetLegacyPacing(false);
  return g_run.result;
}

double Ratio(double a, double b) { return b > 0.0 ? a / b : 0.0; }

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  if (seconds <= 0.0) {
    std::fprintf(stderr, "usage: bench_loop [seconds]\n");
    return 2;
  }
  const TScenario scenarios[] = {
      {"light frame", 0, false},   {"30 ms frames", 30, false}, {"50 ms frames", 50, false},
      {"90 ms frames", 90, false}, {"hidden window", 0, true},
  };
  std::printf("%-14s %-22s %12s %12s %9s\n", "scenario", "figure", "new loop", "old loop",
              "new/old");
  for (const TScenario& s : scenarios) {
    const TResult now = Measure(s, seconds, false);
    const TResult old = Measure(s, seconds, true);
    const struct {
      const char* figure;
      double a, b;
    } rows[] = {
        {"frames a second", now.framesPerSecond, old.framesPerSecond},
        {"ticks a second", now.ticksPerSecond, old.ticksPerSecond},
        {"CPU, share of a core", now.cpuShare, old.cpuShare},
        {"CPU per frame, ms", now.cpuPerFrameMs, old.cpuPerFrameMs},
    };
    for (const auto& row : rows)
      std::printf("%-14s %-22s %12.3f %12.3f %9.3f\n", s.name, row.figure, row.a, row.b,
                  Ratio(row.a, row.b));
    std::fflush(stdout);
  }
  return 0;
}

/* Bench: a preloaded library that watches a program's buffer swaps, for
 * timing start-up and frames from outside without touching the program.
 *
 * It wraps SDL_GL_SwapWindow. Set by bench/first_frame.c through the
 * environment:
 *   FRAME_PROBE_FD      a file descriptor to write the report lines to
 *   FRAME_PROBE_WARMUP  frames to let pass before measuring (default 0)
 *   FRAME_PROBE_FRAMES  frames to measure after the warm-up; 0 (default)
 *                       ends the program right after its first frame
 * Lines written:
 *   first <ns> <cpu_ns>            CLOCK_MONOTONIC when the first swap returned,
 *                                  and the process's CPU time by then
 *   frames <n> <cpu_ns> <wall_ns>  CPU of the whole process (every thread)
 *                                  and wall time over the n measured frames
 * The program ends with _exit(0) once the report is written: no shutdown,
 * no files written at exit, so every run starts from the same state. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

typedef void (*SwapFn)(void* window);

static long long NowNs(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000000000ll + t.tv_nsec;
}

static long long CpuNs(void) {
  struct rusage u;
  getrusage(RUSAGE_SELF, &u);
  return ((long long)u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000000ll +
         ((long long)u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1000ll;
}

static long EnvNumber(const char* name, long fallback) {
  const char* v = getenv(name);
  return v && *v ? strtol(v, NULL, 10) : fallback;
}

static void Report(const char* line) {
  const int fd = (int)EnvNumber("FRAME_PROBE_FD", 2);
  size_t left = strlen(line);
  while (left > 0) {
    const ssize_t n = write(fd, line, left);
    if (n <= 0) return;
    line += n;
    left -= (size_t)n;
  }
}

void SDL_GL_SwapWindow(void* window) {
  static SwapFn real = NULL;
  static long long swaps = 0, cpuStart = 0, wallStart = 0;
  if (!real) real = (SwapFn)dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  if (real) real(window);
  ++swaps;
  const long warmup = EnvNumber("FRAME_PROBE_WARMUP", 0);
  const long frames = EnvNumber("FRAME_PROBE_FRAMES", 0);
  char line[128];
  if (swaps == 1) {
    snprintf(line, sizeof line, "first %lld %lld\n", NowNs(), CpuNs());
    Report(line);
    if (frames <= 0) _exit(0);
  }
  if (swaps == warmup + 1) {
    cpuStart = CpuNs();
    wallStart = NowNs();
  } else if (swaps == warmup + 1 + frames) {
    snprintf(line, sizeof line, "frames %ld %lld %lld\n", frames, CpuNs() - cpuStart,
             NowNs() - wallStart);
    Report(line);
    _exit(0);
  }
}

/* Bench: starts a program with bench/frame_probe.c preloaded and prints how
 * long it took from exec to its first frame, and optionally its CPU per
 * frame once warmed up. Wall-clock figures: a benchmark, never a test.
 *
 *   first_frame [--warmup W] [--frames N] [--timeout S] -- PROGRAM [ARGS...]
 *
 * Prints "first_frame_ms T cpu_ms C" (wall time from exec to the first
 * frame, and the CPU the program had used by then, every thread) and, with --frames N, also
 * "cpu_per_frame_ms C wall_per_frame_ms W frames N". The probe library is
 * looked for beside this program (libframe_probe.so) unless FRAME_PROBE_LIB
 * names it. Exit status 0 when the program reported, 1 otherwise. */
#define _GNU_SOURCE
#include <errno.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static long long NowNs(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000000000ll + t.tv_nsec;
}

static int Usage(void) {
  fprintf(stderr,
          "usage: first_frame [--warmup W] [--frames N] [--timeout S] -- PROGRAM [ARGS...]\n");
  return 2;
}

int main(int argc, char** argv) {
  long warmup = 0, frames = 0, timeoutS = 60;
  int i = 1;
  for (; i < argc; ++i) {
    if (strcmp(argv[i], "--") == 0) {
      ++i;
      break;
    }
    if (i + 1 >= argc) return Usage();
    if (strcmp(argv[i], "--warmup") == 0)
      warmup = strtol(argv[++i], NULL, 10);
    else if (strcmp(argv[i], "--frames") == 0)
      frames = strtol(argv[++i], NULL, 10);
    else if (strcmp(argv[i], "--timeout") == 0)
      timeoutS = strtol(argv[++i], NULL, 10);
    else
      return Usage();
  }
  if (i >= argc || warmup < 0 || frames < 0 || timeoutS <= 0) return Usage();

  char lib[PATH_MAX];
  const char* given = getenv("FRAME_PROBE_LIB");
  if (given && *given) {
    snprintf(lib, sizeof lib, "%s", given);
  } else {
    ssize_t n = readlink("/proc/self/exe", lib, sizeof lib - 32);
    if (n <= 0) return 1;
    lib[n] = '\0';
    char* slash = strrchr(lib, '/');
    strcpy(slash ? slash + 1 : lib, "libframe_probe.so");
  }
  if (access(lib, R_OK) != 0) {
    fprintf(stderr, "first_frame: no probe library at %s\n", lib);
    return 1;
  }

  int pipeFds[2];
  if (pipe(pipeFds) != 0) return 1;
  char number[32];
  snprintf(number, sizeof number, "%d", pipeFds[1]);
  setenv("FRAME_PROBE_FD", number, 1);
  snprintf(number, sizeof number, "%ld", warmup);
  setenv("FRAME_PROBE_WARMUP", number, 1);
  snprintf(number, sizeof number, "%ld", frames);
  setenv("FRAME_PROBE_FRAMES", number, 1);
  setenv("LD_PRELOAD", lib, 1);

  const long long start = NowNs();
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    close(pipeFds[0]);
    execvp(argv[i], argv + i);
    fprintf(stderr, "first_frame: cannot run %s: %s\n", argv[i], strerror(errno));
    _exit(127);
  }
  close(pipeFds[1]);

  char text[512];
  size_t used = 0;
  const long long deadline = start + timeoutS * 1000000000ll;
  for (;;) {
    const long long left = deadline - NowNs();
    if (left <= 0) break;
    struct pollfd p = {pipeFds[0], POLLIN, 0};
    const int ready = poll(&p, 1, (int)(left / 1000000) + 1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    const ssize_t n = read(pipeFds[0], text + used, sizeof text - 1 - used);
    if (n <= 0) break;  // the program ended (or closed the pipe)
    used += (size_t)n;
    if (used >= sizeof text - 1) break;
  }
  text[used] = '\0';
  kill(child, SIGKILL);
  waitpid(child, NULL, 0);

  long long first = 0, firstCpu = 0, cpu = 0, wall = 0;
  long measured = 0;
  const char* f = strstr(text, "first ");
  const char* m = strstr(text, "frames ");
  if (!f || sscanf(f, "first %lld %lld", &first, &firstCpu) != 2) {
    fprintf(stderr, "first_frame: %s drew no frame\n", argv[i]);
    return 1;
  }
  printf("first_frame_ms %.1f cpu_ms %.1f\n", (first - start) / 1e6, firstCpu / 1e6);
  if (frames > 0) {
    if (!m || sscanf(m, "frames %ld %lld %lld", &measured, &cpu, &wall) != 3 || measured <= 0) {
      fprintf(stderr, "first_frame: %s ended before %ld frames\n", argv[i], frames);
      return 1;
    }
    printf("cpu_per_frame_ms %.3f wall_per_frame_ms %.3f frames %ld\n", cpu / 1e6 / measured,
           wall / 1e6 / measured, measured);
  }
  return 0;
}

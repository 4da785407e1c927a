// Platform (POSIX): the error box and the wait for it.
//
// A modal box waits for someone to click it. So that an unattended or
// scripted run can still be stopped, the box is shown from a thread of its
// own while this one waits for it with its own SIGINT/SIGTERM handlers in
// place: a signal closes the box and is handed back to the caller, which
// runs the engine's shutdown sequence and ends the process. The box never
// shares the game's display connection (a process forked from the game
// would, and corrupt it), so the game goes on when the box is closed.
#include "platform/Platform.h"

#include <SDL2/SDL.h>
#include <dirent.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

volatile sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int signo) { g_stopSignal = signo; }

// The box, shown on a thread of its own so that this thread can keep
// watching for stop signals. SDL draws it over a display connection of its
// own (in a process it starts for the purpose); around it SDL only shows
// the cursor and raises the game's window, on the game's connection, while
// this thread waits and leaves that connection alone. So the game goes on
// once the box is closed.
struct TBoxJob {
  std::string title;
  std::string body;
  std::atomic<bool> done{false};
  std::atomic<long> threadId{0};  // kernel id of the box's thread
};

int BoxThread(void* data) {
  TBoxJob* job = static_cast<TBoxJob*>(data);
  job->threadId = static_cast<long>(syscall(SYS_gettid));
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, job->title.c_str(), job->body.c_str(), nullptr);
  job->done = true;
  return 0;
}

// Ends the processes the box's thread started (the box itself), so that no
// box outlives the game; the thread then returns.
void CloseBoxProcesses(long threadId) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/task/%ld/children", threadId);
  long pid = 0;
  if (std::FILE* f = std::fopen(path, "r")) {
    while (std::fscanf(f, "%ld", &pid) == 1)
      if (pid > 1) kill(static_cast<pid_t>(pid), SIGKILL);
    std::fclose(f);
    return;
  }
  // Kernels without that list: every child of this process (the game
  // starts none of its own).
  DIR* proc = opendir("/proc");
  if (!proc) return;
  const long self = static_cast<long>(getpid());
  while (dirent* entry = readdir(proc)) {
    char* end = nullptr;
    pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 1 || *end != '\0') continue;
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    std::FILE* f = std::fopen(path, "r");
    if (!f) continue;
    char stat[512] = {};
    const size_t n = std::fread(stat, 1, sizeof stat - 1, f);
    std::fclose(f);
    stat[n] = '\0';
    // "pid (name) state ppid ...": the name may hold anything but ')'.
    const char* close = std::strrchr(stat, ')');
    char state = 0;
    long parent = 0;
    if (close && std::sscanf(close + 1, " %c %ld", &state, &parent) == 2 && parent == self)
      kill(static_cast<pid_t>(pid), SIGKILL);
  }
  closedir(proc);
}

// Shows the box and waits for it; returns the stop signal that arrived
// meanwhile (the box is closed then), or 0.
int ShowBoxAndWait(const char* title, const char* body) {
  // On the heap: a box left behind (see below) still writes to it.
  TBoxJob* job = new TBoxJob;
  job->title = title;
  job->body = body;

  struct sigaction stop = {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  struct sigaction oldInt = {}, oldTerm = {};
  g_stopSignal = 0;
  sigaction(SIGINT, &stop, &oldInt);
  sigaction(SIGTERM, &stop, &oldTerm);

  SDL_Thread* thread = SDL_CreateThread(BoxThread, "messagebox", job);
  if (!thread) {
    // No thread to spare: the box is shown here, as modal as it comes.
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    BoxThread(job);
    delete job;
    return 0;
  }
  const struct timespec poll = {0, 10 * 1000 * 1000};
  while (!job->done) {
    if (g_stopSignal) {
      // The thread touches the window as the box closes: it must be done
      // before the shutdown releases the window.
      // Two seconds at most: a box that cannot be closed is left behind
      // rather than the game hanging on it.
      for (int tries = 0; tries < 200 && !job->done; ++tries) {
        if (job->threadId != 0) CloseBoxProcesses(job->threadId);
        nanosleep(&poll, nullptr);
      }
      break;
    }
    nanosleep(&poll, nullptr);
  }
  if (job->done) {
    SDL_WaitThread(thread, nullptr);
    delete job;
  } else {
    SDL_DetachThread(thread);
  }
  const int signo = g_stopSignal;
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);
  return signo;
}

}  // namespace

namespace platform {

int ShowErrorBoxAndWait(const char* title, const char* body) { return ShowBoxAndWait(title, body); }

}  // namespace platform

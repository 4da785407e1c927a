// Core: the error message box.
//
// A modal box waits for someone to click it. So that an unattended or
// scripted run can still be stopped, the box is shown by a child process
// while this one waits for it with its own SIGINT/SIGTERM handlers in
// place: a signal closes the box, runs the engine's shutdown sequence and
// ends the process. CORVANE_NO_MESSAGEBOX=1 turns boxes off altogether;
// the error then goes to stderr and the engine log.
#include "Internal.h"
#include "Cp1251.h"

#include <SDL2/SDL.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

volatile sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int signo) { g_stopSignal = signo; }

bool BoxesSwitchedOff() {
  const char* v = std::getenv("CORVANE_NO_MESSAGEBOX");
  return v && std::strcmp(v, "1") == 0;
}

// A box only where someone can see and dismiss it.
bool DisplayPresent() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0);
}

// Shows the box in a child process of its own process group and waits for
// it; returns the stop signal that arrived meanwhile, or 0.
int ShowBoxAndWait(const char* text, const char* caption) {
  const std::string title = Utf8FromCp1251(caption);
  const std::string body = Utf8FromCp1251(text);

  struct sigaction stop = {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  struct sigaction oldInt = {}, oldTerm = {};
  g_stopSignal = 0;
  sigaction(SIGINT, &stop, &oldInt);
  sigaction(SIGTERM, &stop, &oldTerm);

  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    setpgid(0, 0);
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), body.c_str(), nullptr);
    _exit(0);
  }
  if (child < 0) {
    // No process to spare: the box is shown here, as modal as it comes.
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), body.c_str(), nullptr);
    return 0;
  }
  setpgid(child, child);
  const struct timespec poll = {0, 10 * 1000 * 1000};
  for (;;) {
    if (g_stopSignal) {
      // The box and anything it started go with the whole group.
      kill(-child, SIGKILL);
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
      break;
    }
    const pid_t done = waitpid(child, nullptr, WNOHANG);
    if (done == child || (done < 0 && errno != EINTR)) break;
    nanosleep(&poll, nullptr);
  }
  const int signo = g_stopSignal;
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);
  return signo;
}

}  // namespace

void PlatformMessageBox(const char* text, const char* caption) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  if (BoxesSwitchedOff()) {
    AddToLog("%s: %s", caption ? caption : "", text ? text : "");
    return;
  }
  if (!DisplayPresent()) return;
  const int signo = ShowBoxAndWait(text, caption);
  if (signo != 0) {
    AddToLog(RU("Сигнал %d при открытом окне сообщения: завершение работы."), signo);
    QuiteEngine();
    SDL_Quit();
    std::exit(128 + signo);
  }
}

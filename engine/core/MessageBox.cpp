// Core: the error message box.
//
// Every error also goes to stderr. A box is shown only where someone can
// see and dismiss it; the platform layer shows it and waits
// (platform::ShowErrorBoxAndWait). A stop request that arrives while the
// box is open (a signal on POSIX) closes it and runs the engine's shutdown
// sequence before the process ends. CORVANE_NO_MESSAGEBOX=1 turns boxes off
// altogether; the error then goes to stderr and the engine log.
#include "Internal.h"
#include "Cp1251.h"
#include "platform/Platform.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool BoxesSwitchedOff() {
  const char* v = std::getenv("CORVANE_NO_MESSAGEBOX");
  return v && std::strcmp(v, "1") == 0;
}

// A box only where someone can see and dismiss it: a real display, not
// the offscreen or dummy drivers.
bool DisplayPresent() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0 ||
                    std::strcmp(driver, "windows") == 0);
}

}  // namespace

void PlatformMessageBox(const char* text, const char* caption) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  if (BoxesSwitchedOff()) {
    AddToLog("%s: %s", caption ? caption : "", text ? text : "");
    return;
  }
  if (!DisplayPresent()) return;
  const std::string title = Utf8FromCp1251(caption);
  const std::string body = Utf8FromCp1251(text);
  const int signo = platform::ShowErrorBoxAndWait(title.c_str(), body.c_str());
  if (signo != 0) {
    AddToLog(RU("Сигнал %d при открытом окне сообщения: завершение работы."), signo);
    QuiteEngine();
    SDL_Quit();
    std::exit(128 + signo);
  }
}

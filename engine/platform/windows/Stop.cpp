// Platform (Windows): stop requests from a console (Ctrl+C, Ctrl+Break,
// closing the console window, logging off) become SDL's quit event, so the
// loop runs the engine's normal shutdown, as SIGINT/SIGTERM do on POSIX.
#include "platform/Platform.h"

#include <SDL2/SDL.h>
#include <windows.h>

namespace {

BOOL WINAPI OnConsoleEvent(DWORD event) {
  SDL_Event quit = {};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  // The system ends the process as soon as this returns for these events:
  // wait here while the game shuts down and exits by itself.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    Sleep(5000);
  return TRUE;
}

}  // namespace

namespace platform {

void CatchStopRequests() {
  static bool installed = false;
  if (installed) return;
  installed = SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
}

}  // namespace platform

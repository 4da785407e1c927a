// Platform (Windows): the error box and the wait for it. SDL's own box is
// shown in this process, on this thread; its dialog runs its own message
// loop, so the game's window is left as it was and the game goes on when
// the box is closed. A console's Ctrl+C meanwhile asks SDL to quit (see
// Stop.cpp); the game then ends once the box is closed.
#include "platform/Platform.h"

#include <SDL2/SDL.h>

namespace platform {

int ShowErrorBoxAndWait(const char* title, const char* body) {
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, body, nullptr);
  return 0;
}

}  // namespace platform

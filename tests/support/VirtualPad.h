// A game controller made by SDL's virtual joystick driver, so tests can
// plug, press and unplug a pad the way a player would.
#ifndef CORVANE_VIRTUALPAD_H
#define CORVANE_VIRTUALPAD_H

#include <SDL2/SDL.h>

namespace testutil {

struct TVirtualPad {
  SDL_Joystick* joystick = nullptr;
  SDL_JoystickID id = -1;

  // Attaches and opens a pad with every standard button and axis; `rumble`,
  // when given, receives the pad's rumble requests.
  void Plug(const char* name, int (*rumble)(void*, Uint16, Uint16) = nullptr) {
    SDL_VirtualJoystickDesc d{};
    d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    d.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    d.naxes = SDL_CONTROLLER_AXIS_MAX;
    d.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    d.name = name;
    d.Rumble = rumble;
    const int index = SDL_JoystickAttachVirtualEx(&d);
    joystick = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
    id = joystick ? SDL_JoystickInstanceID(joystick) : -1;
  }
  void Unplug() {
    if (!joystick) return;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
      if (SDL_JoystickGetDeviceInstanceID(i) != id) continue;
      SDL_JoystickClose(joystick);
      SDL_JoystickDetachVirtual(i);
      break;
    }
    joystick = nullptr;
  }
  void Button(int b, bool down) {
    if (joystick) SDL_JoystickSetVirtualButton(joystick, b, down ? 1 : 0);
  }
  void Axis(int a, int value) {
    if (joystick) SDL_JoystickSetVirtualAxis(joystick, a, static_cast<Sint16>(value));
  }
};

}  // namespace testutil

#endif

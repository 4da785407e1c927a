// Input: pads through SDL's game-controller layer. Pads are opened as they
// are plugged in (SDL announces the ones already there when the layer
// starts), kept in fixed slots, and turned into input sources: each button
// and each direction of each stick and trigger presses and releases its
// source in Input.cpp, which sets the virtual keys bound to it. Also the
// pad calls of the public header (state, rumble, extra mappings).
#include "Internal.h"
#include "BoundedReader.h"
#include "Cp1251.h"

#include <SDL2/SDL.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

// A stick direction is pressed past the dead zone and released again only
// back inside this share of it, so a stick resting on the edge does not
// chatter.
constexpr float kReleaseShare = 0.8f;
constexpr float kTriggerPress = 0.5f;
// Largest mapping file read: SDL's whole community database is ~600 KiB.
constexpr size_t kMaxMappingFile = size_t{1} << 20;

struct TPad {
  SDL_GameController* controller = nullptr;
  SDL_JoystickID id = -1;
  bool axisHeld[PAD_AXIS_COUNT][2] = {};  // [axis][0: towards -1, 1: towards +1]
};

TPad g_pads[CORVANE_MAX_PADS];
bool g_layerOpen = false;
float g_deadZone = 0.25f;
std::string g_extraMappings;  // added by PadAddMappings, applied when the layer opens

int SlotOf(SDL_JoystickID id) {
  for (int i = 0; i < CORVANE_MAX_PADS; ++i)
    if (g_pads[i].controller && g_pads[i].id == id) return i;
  return -1;
}

bool ValidSlot(int pad) {
  return pad >= 0 && pad < CORVANE_MAX_PADS && g_pads[pad].controller != nullptr;
}

void AddMappingText(const std::string& text) {
  if (text.empty()) return;
  SDL_RWops* rw = SDL_RWFromConstMem(text.data(), static_cast<int>(text.size()));
  if (rw) SDL_GameControllerAddMappingsFromRW(rw, 1);
}

void Open(int deviceIndex) {
  if (!SDL_IsGameController(deviceIndex)) return;  // logged when the joystick arrived
  const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
  if (SlotOf(id) >= 0) return;  // announced twice
  int slot = -1;
  for (int i = 0; i < CORVANE_MAX_PADS && slot < 0; ++i)
    if (!g_pads[i].controller) slot = i;
  if (slot < 0) {
    AddToLog(RU("Подключено больше %d геймпадов, лишний не используется"), CORVANE_MAX_PADS);
    return;
  }
  SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
  if (!controller) {
    AddToLog(RU("Геймпад не открывается: %s"), SDL_GetError());
    return;
  }
  g_pads[slot] = TPad();
  g_pads[slot].controller = controller;
  g_pads[slot].id = id;
  const char* name = SDL_GameControllerName(controller);
  AddToLog(RU("Геймпад %d подключён: %s"), slot, name ? name : "?");
}

// Releases everything the pad held, so an unplugged pad leaves no key set.
void Close(int slot) {
  for (int i = 0; i < PAD_BUTTON_COUNT + 2 * PAD_AXIS_COUNT; ++i)
    core::SourceUp(core::PadSource(slot, i));
  SDL_GameControllerClose(g_pads[slot].controller);
  g_pads[slot] = TPad();
}

// Presses or releases the axis's two direction sources for a new position.
void MoveAxis(int slot, int axis, Sint16 raw) {
  if (axis < 0 || axis >= PAD_AXIS_COUNT) return;
  const bool trigger = axis == PAD_LEFT_TRIGGER || axis == PAD_RIGHT_TRIGGER;
  const float value = raw / 32767.0f;
  const float press = trigger ? kTriggerPress : g_deadZone;
  const float release = press * kReleaseShare;
  for (int d = 0; d < 2; ++d) {
    if (trigger && d == 0) continue;
    const float along = d == 0 ? -value : value;
    bool& held = g_pads[slot].axisHeld[axis][d];
    const int source = core::PadSource(slot, core::PadAxisSourceIndex(axis, d == 0 ? -1 : 1));
    if (!held && along > press) {
      held = true;
      core::SourceDown(source);
    } else if (held && along < release) {
      held = false;
      core::SourceUp(source);
    }
  }
}

}  // namespace

namespace core {

void OpenPads() {
  if (g_layerOpen) return;
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
    AddToLog(RU("Геймпады недоступны: %s"), SDL_GetError());
    return;
  }
  g_layerOpen = true;
  AddMappingText(g_extraMappings);
}

bool PadEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_JOYDEVICEADDED:
      if (!SDL_IsGameController(e.jdevice.which)) {
        const char* name = SDL_JoystickNameForIndex(e.jdevice.which);
        AddToLog(RU("Геймпад без раскладки не используется: %s (раскладку можно задать в "
                    "SDL_GAMECONTROLLERCONFIG)"),
                 name ? name : "?");
      }
      return true;
    case SDL_CONTROLLERDEVICEADDED: Open(e.cdevice.which); return true;
    case SDL_CONTROLLERDEVICEREMOVED: {
      const int slot = SlotOf(e.cdevice.which);
      if (slot >= 0) {
        Close(slot);
        AddToLog(RU("Геймпад %d отключён"), slot);
      }
      return true;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      const int slot = SlotOf(e.cbutton.which);
      if (slot < 0 || e.cbutton.button >= PAD_BUTTON_COUNT) return true;
      const int source = PadSource(slot, e.cbutton.button);
      if (e.type == SDL_CONTROLLERBUTTONDOWN)
        SourceDown(source);
      else
        SourceUp(source);
      return true;
    }
    case SDL_CONTROLLERAXISMOTION: {
      const int slot = SlotOf(e.caxis.which);
      if (slot >= 0) MoveAxis(slot, e.caxis.axis, e.caxis.value);
      return true;
    }
    default: return false;
  }
}

void ClosePads() {
  for (int i = 0; i < CORVANE_MAX_PADS; ++i)
    if (g_pads[i].controller) Close(i);
  if (g_layerOpen) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  g_layerOpen = false;
}

}  // namespace core

int PadCount() {
  int n = 0;
  for (const TPad& p : g_pads) n += p.controller ? 1 : 0;
  return n;
}

bool PadConnected(int pad) { return ValidSlot(pad); }

const char* PadName(int pad) {
  if (!ValidSlot(pad)) return "";
  const char* name = SDL_GameControllerName(g_pads[pad].controller);
  return name ? name : "";
}

bool PadButton(int pad, int button) {
  if (!ValidSlot(pad) || button < 0 || button >= PAD_BUTTON_COUNT) return false;
  return SDL_GameControllerGetButton(g_pads[pad].controller,
                                     static_cast<SDL_GameControllerButton>(button)) != 0;
}

float PadAxis(int pad, int axis) {
  if (!ValidSlot(pad) || axis < 0 || axis >= PAD_AXIS_COUNT) return 0.0f;
  const Sint16 raw =
      SDL_GameControllerGetAxis(g_pads[pad].controller, static_cast<SDL_GameControllerAxis>(axis));
  const float value = raw / 32767.0f;
  return value < -1.0f ? -1.0f : value;
}

bool PadRumble(int pad, float low, float high, int ms) {
  if (!ValidSlot(pad)) return false;
  auto strength = [](float f) {
    if (!(f > 0.0f)) return Uint16{0};  // also NaN
    return f >= 1.0f ? Uint16{0xFFFF} : static_cast<Uint16>(std::lround(f * 65535.0f));
  };
  const Uint32 duration = ms > 0 ? static_cast<Uint32>(ms) : 0;
  return SDL_GameControllerRumble(g_pads[pad].controller, strength(low), strength(high),
                                  duration) == 0;
}

bool PadAddMappings(const char* path) {
  if (!RequireArg(path, "PadAddMappings", "path")) return false;
  bounded::FileBytes file;
  const bounded::ReadResult r = bounded::ReadFileCapped(path, kMaxMappingFile, &file);
  if (r != bounded::ReadResult::kOk) {
    AddToLog(r == bounded::ReadResult::kTooLarge ? RU("Файл раскладок геймпадов %s слишком велик")
                                                 : RU("Файл раскладок геймпадов %s не читается"),
             path);
    return false;
  }
  std::string text(reinterpret_cast<const char*>(file.data()), file.size());
  if (g_layerOpen) AddMappingText(text);
  g_extraMappings += text;
  g_extraMappings += '\n';
  return true;
}

void SetPadDeadZone(float fraction) {
  if (!(fraction >= 0.0f)) fraction = 0.0f;  // also NaN
  g_deadZone = fraction > 0.9f ? 0.9f : fraction;
}

// The game's controls: the action table with its default keys and pad
// inputs, the names of keys and pad inputs used in the settings file, the
// hand-over of the bindings to the engine, and the shell's per-tick
// controls and pause line.
#include "shell/Controls.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "CorvaneEngine.h"
#include "Cp1251.h"
#include "actors/Player.h"
#include "hud/Hud.h"

namespace {

// Game-private virtual keys: codes no keyboard key produces, for actions
// that have no key of their own in the game's modules.
constexpr int VK_WEAPON_PREV = 0xF0;
constexpr int VK_WEAPON_NEXT = 0xF1;
constexpr int VK_F11 = 122;

struct TName {
  const char* name;
  int code;
};

// Keys by name; letters, digits and F1..F24 are handled apart. Several
// names may give one code; the first is the one written back.
const TName kKeyNames[] = {
    {"Left", 37},
    {"Right", 39},
    {"Up", 38},
    {"Down", 40},
    {"Space", 32},
    {"Enter", 13},
    {"Return", 13},
    {"Escape", 27},
    {"Esc", 27},
    {"Ctrl", 17},
    {"Control", 17},
    {"Shift", 16},
    {"Tab", 9},
    {"Backspace", 8},
    {"Insert", 45},
    {"Delete", 46},
    {"Home", 36},
    {"End", 35},
    {"PageUp", 33},
    {"PageDown", 34},
    {"Pause", 19},
    {"CapsLock", 20},
    {"Keypad0", 96},
    {"Keypad1", 97},
    {"Keypad2", 98},
    {"Keypad3", 99},
    {"Keypad4", 100},
    {"Keypad5", 101},
    {"Keypad6", 102},
    {"Keypad7", 103},
    {"Keypad8", 104},
    {"Keypad9", 105},
    {"KeypadMultiply", 106},
    {"KeypadPlus", 107},
    {"KeypadMinus", 109},
    {"KeypadPeriod", 110},
    {"KeypadDivide", 111},
    {"Semicolon", 186},
    {"Equals", 187},
    {"Comma", 188},
    {"Minus", 189},
    {"Period", 190},
    {"Slash", 191},
    {"Backquote", 192},
    {"LeftBracket", 219},
    {"Backslash", 220},
    {"RightBracket", 221},
    {"Quote", 222},
};

const TName kPadNames[] = {
    {"A", PAD_A},
    {"B", PAD_B},
    {"X", PAD_X},
    {"Y", PAD_Y},
    {"Back", PAD_BACK},
    {"Guide", PAD_GUIDE},
    {"Start", PAD_START},
    {"LeftStick", PAD_LEFT_STICK},
    {"RightStick", PAD_RIGHT_STICK},
    {"LeftShoulder", PAD_LEFT_SHOULDER},
    {"LB", PAD_LEFT_SHOULDER},
    {"RightShoulder", PAD_RIGHT_SHOULDER},
    {"RB", PAD_RIGHT_SHOULDER},
    {"DPadUp", PAD_DPAD_UP},
    {"DPadDown", PAD_DPAD_DOWN},
    {"DPadLeft", PAD_DPAD_LEFT},
    {"DPadRight", PAD_DPAD_RIGHT},
    {"LeftStickLeft", PAD_INPUT_AXIS + PAD_LEFT_X * 2},
    {"LeftStickRight", PAD_INPUT_AXIS + PAD_LEFT_X * 2 + 1},
    {"LeftStickUp", PAD_INPUT_AXIS + PAD_LEFT_Y * 2},
    {"LeftStickDown", PAD_INPUT_AXIS + PAD_LEFT_Y * 2 + 1},
    {"RightStickLeft", PAD_INPUT_AXIS + PAD_RIGHT_X * 2},
    {"RightStickRight", PAD_INPUT_AXIS + PAD_RIGHT_X * 2 + 1},
    {"RightStickUp", PAD_INPUT_AXIS + PAD_RIGHT_Y * 2},
    {"RightStickDown", PAD_INPUT_AXIS + PAD_RIGHT_Y * 2 + 1},
    {"LeftTrigger", PAD_INPUT_AXIS + PAD_LEFT_TRIGGER * 2 + 1},
    {"LT", PAD_INPUT_AXIS + PAD_LEFT_TRIGGER * 2 + 1},
    {"RightTrigger", PAD_INPUT_AXIS + PAD_RIGHT_TRIGGER * 2 + 1},
    {"RT", PAD_INPUT_AXIS + PAD_RIGHT_TRIGGER * 2 + 1},
};

template <size_t N>
int CodeOf(const TName (&table)[N], const char* name) {
  for (const TName& n : table)
    if (strcasecmp(n.name, name) == 0) return n.code;
  return -1;
}

template <size_t N>
const char* NameOf(const TName (&table)[N], int code) {
  for (const TName& n : table)
    if (n.code == code) return n.name;
  return nullptr;
}

// Splits a comma-separated list into trimmed names and looks each up.
// Empty items (",,") are skipped.
bool ParseList(const char* text, int (*lookup)(const char*), int* codes, int* count, char* bad,
               int badSize) {
  int found[BIND_MAX];
  int n = 0;
  const char* p = text;
  while (*p) {
    while (*p == ' ' || *p == '\t' || *p == ',') ++p;
    if (!*p) break;
    const char* start = p;
    while (*p && *p != ',') ++p;
    const char* end = p;
    while (end > start && (end[-1] == ' ' || end[-1] == '\t')) --end;
    char name[32];
    const size_t len = static_cast<size_t>(end - start);
    const int code =
        len < sizeof name ? (std::memcpy(name, start, len), name[len] = '\0', lookup(name)) : -1;
    if (code < 0 || n >= BIND_MAX) {
      if (bad && badSize > 0)
        std::snprintf(bad, static_cast<size_t>(badSize), "%.*s",
                      static_cast<int>(len < 40 ? len : 40), start);
      return false;
    }
    bool again = false;
    for (int i = 0; i < n; ++i) again = again || found[i] == code;
    if (!again) found[n++] = code;
  }
  for (int i = 0; i < n; ++i) codes[i] = found[i];
  *count = n;
  return true;
}

// Whether each stepping key was held last tick, so a held button steps once.
bool g_prevWasHeld = false;
bool g_nextWasHeld = false;
bool g_fullWasHeld = false;
int g_pendingStep = 0;

// The next owned weapon from the current one, `step` slots at a time
// (weapon slots 0..2 are the ones the game fills).
void StepWeapon(int step) {
  for (int i = 1; i <= 3; ++i) {
    const int k = ((Player.currentWeapon + step * i) % 3 + 3) % 3;
    if (Player.hasWeapon[k]) {
      Player.currentWeapon = k;
      return;
    }
  }
}

}  // namespace

const TAction Actions[ACTION_COUNT] = {
    {"left", 37, "Left", "DPadLeft, LeftStickLeft"},
    {"right", 39, "Right", "DPadRight, LeftStickRight"},
    {"jump", 38, "Up", "A"},
    {"fire", 32, "Space", "X, RightTrigger"},
    {"weapon1", '1', "1", ""},
    {"weapon2", '2', "2", ""},
    {"weapon3", '3', "3", ""},
    {"weapon_prev", VK_WEAPON_PREV, "", "LeftShoulder"},
    {"weapon_next", VK_WEAPON_NEXT, "", "RightShoulder"},
    {"camera_up", 'W', "W", "RightStickUp"},
    {"camera_down", 'S', "S", "RightStickDown"},
    {"screenshot", 13, "Enter", ""},
    {"pause", 'P', "P", "Start"},
    {"quit", 27, "Escape", "Back"},
    {"fullscreen", VK_F11, "F11", ""},
};

TBinding ActiveBindings[ACTION_COUNT];

int KeyFromName(const char* name) {
  if (!name || !name[0]) return -1;
  if (!name[1]) {
    const char c = name[0];
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
  }
  if ((name[0] == 'F' || name[0] == 'f') && name[1] >= '1' && name[1] <= '9') {
    int n = 0;
    const char* p = name + 1;
    while (*p >= '0' && *p <= '9' && n < 100) n = n * 10 + (*p++ - '0');
    if (!*p && n >= 1 && n <= 24) return 111 + n;
  }
  return CodeOf(kKeyNames, name);
}

const char* KeyName(int vk) {
  static char one[2];
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
    one[0] = static_cast<char>(vk);
    one[1] = '\0';
    return one;
  }
  if (vk >= 112 && vk <= 135) {
    static char f[4];
    std::snprintf(f, sizeof f, "F%d", vk - 111);
    return f;
  }
  return NameOf(kKeyNames, vk);
}

int PadInputFromName(const char* name) { return name ? CodeOf(kPadNames, name) : -1; }
const char* PadInputName(int input) { return NameOf(kPadNames, input); }

bool ParseKeyList(const char* text, TBinding* binding, char* bad, int badSize) {
  return ParseList(text, KeyFromName, binding->keys, &binding->keyCount, bad, badSize);
}

bool ParsePadList(const char* text, TBinding* binding, char* bad, int badSize) {
  return ParseList(text, PadInputFromName, binding->pads, &binding->padCount, bad, badSize);
}

void DefaultBindings(TBinding bindings[ACTION_COUNT]) {
  for (int a = 0; a < ACTION_COUNT; ++a) {
    bindings[a] = TBinding();
    ParseKeyList(Actions[a].keys, &bindings[a], nullptr, 0);
    ParsePadList(Actions[a].pad, &bindings[a], nullptr, 0);
  }
}

void ApplyBindings(const TBinding bindings[ACTION_COUNT]) {
  ClearInputBindings();
  for (int a = 0; a < ACTION_COUNT; ++a) {
    const TBinding& b = bindings[a];
    ActiveBindings[a] = b;
    for (int i = 0; i < b.keyCount; ++i) BindKey(b.keys[i], Actions[a].vk);
    for (int i = 0; i < b.padCount; ++i) {
      const int input = b.pads[i];
      if (input < PAD_INPUT_AXIS)
        BindPadButton(input, Actions[a].vk);
      else
        BindPadAxis((input - PAD_INPUT_AXIS) / 2, (input - PAD_INPUT_AXIS) % 2 ? 1 : -1,
                    Actions[a].vk);
    }
  }
  SetPauseKey(Actions[ACTION_PAUSE].vk);
}

void ProcessControls() {
  const bool prev = _keys[VK_WEAPON_PREV] != 0;
  const bool next = _keys[VK_WEAPON_NEXT] != 0;
  // One step per press; a press during the firing cycle waits for its end
  // (the player's own rule: no weapon change while firing).
  if (prev && !g_prevWasHeld) g_pendingStep = -1;
  if (next && !g_nextWasHeld) g_pendingStep = 1;
  g_prevWasHeld = prev;
  g_nextWasHeld = next;
  if (g_pendingStep != 0 && !Firing) {
    StepWeapon(g_pendingStep);
    g_pendingStep = 0;
  }
  const bool full = _keys[VK_F11] != 0;
  if (full && !g_fullWasHeld) SetFullScreen(!IsFullScreen());
  g_fullWasHeld = full;
}

void DrawPauseLine() {
  if (_GameOn) return;
  // The first key and the first pad button of the pause action.
  const TBinding& b = ActiveBindings[ACTION_PAUSE];
  const char* key = b.keyCount > 0 ? KeyName(b.keys[0]) : nullptr;
  const char* pad = b.padCount > 0 ? PadInputName(b.pads[0]) : nullptr;
  char line[128];
  if (key && pad)
    std::snprintf(line, sizeof line, RU("Пауза. Продолжить: %s или %s на геймпаде"), key, pad);
  else if (key || pad)
    std::snprintf(line, sizeof line, RU("Пауза. Продолжить: %s"), key ? key : pad);
  else
    std::snprintf(line, sizeof line, "%s", RU("Пауза"));
  Begin2D();
  HudFont.SetColor(1, 1, 0, 1);
  HudFont.Print(HudMessageX(static_cast<int>(std::strlen(line))), 200, "%s", line);
  HudFont.SetColor(1, 1, 1, 1);
  End2D();
}

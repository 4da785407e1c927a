// The game's controls: every action the player has, the virtual key the
// game's modules read for it, and the keyboard keys and pad inputs bound to
// it (the settings file may change them); the names keys and pad inputs
// have in the settings file; and the shell's own per-tick controls
// (weapon stepping, full-screen toggle) and the pause line.
#ifndef TARVS_CONTROLS_H
#define TARVS_CONTROLS_H

// Keys or pad inputs one action may have.
constexpr int BIND_MAX = 4;

enum TActionId {
  ACTION_LEFT,
  ACTION_RIGHT,
  ACTION_JUMP,
  ACTION_FIRE,
  ACTION_WEAPON1,
  ACTION_WEAPON2,
  ACTION_WEAPON3,
  ACTION_WEAPON_PREV,
  ACTION_WEAPON_NEXT,
  ACTION_CAMERA_UP,
  ACTION_CAMERA_DOWN,
  ACTION_SCREENSHOT,
  ACTION_PAUSE,
  ACTION_QUIT,
  ACTION_FULLSCREEN,
  ACTION_COUNT
};

// One action: its name in the settings file (key_NAME, pad_NAME), the
// virtual key the game reads for it, and its default keys and pad inputs
// as the settings file writes them.
struct TAction {
  const char* name;
  int vk;
  const char* keys;
  const char* pad;
};
extern const TAction Actions[ACTION_COUNT];

// What one action is bound to: keyboard keys by their virtual-key code and
// pad inputs by the codes PadInputFromName gives.
struct TBinding {
  int keys[BIND_MAX];
  int keyCount;
  int pads[BIND_MAX];
  int padCount;
};

// Pad inputs: a button's number (PAD_A...), or PAD_INPUT_AXIS + axis * 2
// (+1 for the positive direction) for a stick or trigger direction.
constexpr int PAD_INPUT_AXIS = 100;

// A key's virtual-key code from its name ("Ctrl", "Space", "F5", "a"; any
// case), -1 when unknown. KeyName gives the name back (null when none).
int KeyFromName(const char* name);
const char* KeyName(int vk);
// The same for pad inputs ("A", "Start", "LeftShoulder", "RightTrigger",
// "LeftStickLeft"...).
int PadInputFromName(const char* name);
const char* PadInputName(int input);

// Parses a comma-separated list of key or pad names into the binding
// (replacing that half of it). An empty list unbinds. False, with the
// first bad name in *bad (up to badSize bytes), when a name is unknown or
// the list is longer than BIND_MAX; the binding is then left alone.
bool ParseKeyList(const char* text, TBinding* binding, char* bad, int badSize);
bool ParsePadList(const char* text, TBinding* binding, char* bad, int badSize);

// Fills every action's binding with its defaults (today's keys; the pad
// layout of a common controller).
void DefaultBindings(TBinding bindings[ACTION_COUNT]);
// Hands the bindings to the engine: keys and pad inputs set the actions'
// virtual keys, the pause action's key pauses, nothing else is bound.
void ApplyBindings(const TBinding bindings[ACTION_COUNT]);
// The bindings last applied (the pause line names their keys).
extern TBinding ActiveBindings[ACTION_COUNT];

// Per tick, before the player moves: the previous / next weapon actions
// choose the previous / next weapon the player owns (once per press, not
// while the firing animation runs), and the full-screen action switches
// between full screen and a window.
void ProcessControls();
// Per frame while paused, over the HUD: a line saying so and naming the
// key (and pad button) that resumes.
void DrawPauseLine();

#endif

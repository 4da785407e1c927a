// Input: the bindings from input sources (keyboard keys, pad buttons, pad
// stick and trigger directions) to the virtual keys the game reads in
// _keys, the per-tick latches that let a tap between two ticks be seen
// once, and the pause key with what pausing does to input.
//
// Each source is either held or not; a virtual key is held while any of
// the sources bound to it is. A press latches the virtual key until the
// next tick has run, so a release that comes first takes effect just after
// that tick. A source pressed while the game is paused, or held when it
// paused, is muted: it sets nothing until it has been released.
#include "Internal.h"

namespace {

constexpr int kMaxTargets = 4;
// Pad sources, per slot: the buttons, then two directions per axis.
constexpr int kPadSources = PAD_BUTTON_COUNT + 2 * PAD_AXIS_COUNT;
constexpr int kSources = 256 + CORVANE_MAX_PADS * kPadSources;

// The virtual keys one source sets.
struct TTargets {
  unsigned char vk[kMaxTargets];
  int count;
};

TTargets g_keyTargets[256];
TTargets g_padTargets[kPadSources];  // shared by every pad
bool g_bindingsMade = false;

bool g_held[kSources];
bool g_muted[kSources];
int g_holders[256];        // held, unmuted sources per virtual key
bool g_latched[256];       // pressed since the last tick
bool g_suspended = false;  // the input has seen the game paused

int g_pauseVk = 0;
bool g_pauseOnFocusLoss = false;
bool g_pausedByFocus = false;

void KeyboardIdentity() {
  for (int k = 0; k < 256; ++k) {
    g_keyTargets[k].count = k > 0 ? 1 : 0;
    g_keyTargets[k].vk[0] = static_cast<unsigned char>(k);
  }
}

// Out of the box every keyboard key sets its own code.
void EnsureBindings() {
  if (g_bindingsMade) return;
  g_bindingsMade = true;
  KeyboardIdentity();
}

const TTargets& TargetsOf(int source) {
  static const TTargets kNone{};
  if (source >= 0 && source < 256) return g_keyTargets[source];
  if (source >= 256 && source < kSources) return g_padTargets[(source - 256) % kPadSources];
  return kNone;
}

// Every held source is muted and every virtual key released at once.
void MuteAll() {
  for (int s = 0; s < kSources; ++s)
    if (g_held[s]) g_muted[s] = true;
  for (int vk = 0; vk < 256; ++vk) {
    g_holders[vk] = 0;
    g_latched[vk] = false;
    _keys[vk] = 0;
  }
}

// Follows _GameOn, whoever changed it: pausing mutes what is held.
void SyncPause() {
  if (!_GameOn && !g_suspended) {
    MuteAll();
    g_suspended = true;
  } else if (_GameOn && g_suspended) {
    g_suspended = false;
  }
}

bool Add(TTargets* t, int vk) {
  if (vk < 1 || vk > 255) return false;
  for (int i = 0; i < t->count; ++i)
    if (t->vk[i] == vk) return true;
  if (t->count >= kMaxTargets) return false;
  t->vk[t->count++] = static_cast<unsigned char>(vk);
  return true;
}

bool IsPauseSource(const TTargets& t) {
  if (g_pauseVk == 0) return false;
  for (int i = 0; i < t.count; ++i)
    if (t.vk[i] == g_pauseVk) return true;
  return false;
}

}  // namespace

namespace core {

int KeySource(int vk) { return vk >= 0 && vk < 256 ? vk : -1; }

int PadSource(int slot, int index) {
  if (slot < 0 || slot >= CORVANE_MAX_PADS || index < 0 || index >= kPadSources) return -1;
  return 256 + slot * kPadSources + index;
}

int PadAxisSourceIndex(int axis, int direction) {
  return PAD_BUTTON_COUNT + axis * 2 + (direction > 0 ? 1 : 0);
}

bool SourceHeld(int source) { return source >= 0 && source < kSources && g_held[source]; }

void SourceDown(int source) {
  if (source < 0 || source >= kSources || g_held[source]) return;  // key repeat: nothing new
  EnsureBindings();
  SyncPause();
  g_held[source] = true;
  const TTargets& t = TargetsOf(source);
  if (IsPauseSource(t)) {
    g_muted[source] = true;
    g_pausedByFocus = false;
    if (_GameOn)
      PauseGame();
    else
      ResumeGame();
    SyncPause();
    return;
  }
  if (g_suspended) {
    g_muted[source] = true;
    return;
  }
  for (int i = 0; i < t.count; ++i) {
    const int vk = t.vk[i];
    ++g_holders[vk];
    _keys[vk] = 1;
    g_latched[vk] = true;
  }
}

void SourceUp(int source) {
  if (source < 0 || source >= kSources || !g_held[source]) return;
  g_held[source] = false;
  if (g_muted[source]) {
    g_muted[source] = false;
    return;
  }
  const TTargets& t = TargetsOf(source);
  for (int i = 0; i < t.count; ++i) {
    const int vk = t.vk[i];
    if (g_holders[vk] > 0) --g_holders[vk];
    if (g_holders[vk] == 0 && !g_latched[vk]) _keys[vk] = 0;
  }
}

void InputAfterTick() {
  SyncPause();
  for (int vk = 0; vk < 256; ++vk) {
    if (!g_latched[vk]) continue;
    g_latched[vk] = false;
    if (g_holders[vk] == 0) _keys[vk] = 0;
  }
}

void ResetInputState() {
  for (int s = 0; s < kSources; ++s) g_held[s] = g_muted[s] = false;
  for (int vk = 0; vk < 256; ++vk) {
    g_holders[vk] = 0;
    g_latched[vk] = false;
  }
  g_suspended = !_GameOn;
  g_pausedByFocus = false;
}

void FocusChanged(bool gained) {
  if (!gained) {
    if (g_pauseOnFocusLoss && _GameOn) {
      PauseGame();
      g_pausedByFocus = true;
    }
    SyncPause();
    return;
  }
  if (g_pausedByFocus && !_GameOn) ResumeGame();
  g_pausedByFocus = false;
  SyncPause();
}

}  // namespace core

void ResetInputBindings() {
  ClearInputBindings();
  KeyboardIdentity();
}

void ClearInputBindings() {
  g_bindingsMade = true;
  for (TTargets& t : g_keyTargets) t.count = 0;
  for (TTargets& t : g_padTargets) t.count = 0;
  MuteAll();
}

bool BindKey(int key, int vk) {
  if (key < 1 || key > 255) return false;
  EnsureBindings();
  MuteAll();
  return Add(&g_keyTargets[key], vk);
}

bool BindPadButton(int button, int vk) {
  if (button < 0 || button >= PAD_BUTTON_COUNT) return false;
  EnsureBindings();
  MuteAll();
  return Add(&g_padTargets[button], vk);
}

bool BindPadAxis(int axis, int direction, int vk) {
  if (axis < 0 || axis >= PAD_AXIS_COUNT || (direction != -1 && direction != 1)) return false;
  if (direction < 0 && (axis == PAD_LEFT_TRIGGER || axis == PAD_RIGHT_TRIGGER)) return false;
  EnsureBindings();
  MuteAll();
  return Add(&g_padTargets[core::PadAxisSourceIndex(axis, direction)], vk);
}

void SetPauseKey(int vk) { g_pauseVk = vk >= 1 && vk <= 255 ? vk : 0; }
void SetPauseOnFocusLoss(bool on) { g_pauseOnFocusLoss = on; }

// Audio: the master volume, the OpenAL listener's gain. Kept in the engine
// across runs and applied whenever the sound device opens.
#include "Internal.h"

namespace {
float g_masterGain = 1.0f;
}

void ApplyMasterVolume() {
  if (_dsound) alListenerf(AL_GAIN, g_masterGain);
}

void SetMasterVolume(float gain) {
  if (gain != gain) return;  // NaN: keep the volume there is
  g_masterGain = gain < 0.0f ? 0.0f : (gain > 1.0f ? 1.0f : gain);
  ApplyMasterVolume();
}

float GetMasterVolume() { return g_masterGain; }

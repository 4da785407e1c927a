// Sound cues the actors share.
#ifndef TARVS_SOUNDCUE_H
#define TARVS_SOUNDCUE_H

#include "CorvaneEngine.h"

// Plays a sound again from its beginning, cutting off a playing copy; a
// sound that failed to load is null and stays silent.
inline void RestartSound(TSoundBuffer* sound) {
  if (!sound) return;
  sound->SetCurrentPosition(0);
  sound->Play(0, 0, 0);
}

#endif

// Corpses: a slain monster's death animation plays once where it fell and
// its last pose stays on the level.
#ifndef TARVS_CORPS_H
#define TARVS_CORPS_H

#include "CorvaneEngine.h"

const int CORPSE_KIND_SLOTS = 10;
const int CORPSE_SLOTS = 2048;

// One corpse kind: its death-animation frame range and the model drawn for
// every corpse of the kind.
struct SCorp0 {
  float start;
  float end;
  float speed;  // frames added per tick
  TModel model;
};

// One corpse on the level.
struct SCorpse {
  float frame;
  float end;
  float speed;
  float x, y;
  int kind;
  bool facingRight;
};

class TCorps {
public:
  SCorp0 kinds[CORPSE_KIND_SLOTS];
  SCorpse corpses[CORPSE_SLOTS];
  int last;  // index of the last used corpse, -1 when none

  TCorps() : last(-1) {}

  // Sets up the four death models; needs the monster templates loaded.
  void Init();
  // Starts a corpse where a monster died.
  void Add(float x, float y, int kind, bool facingRight);
  // Advances every death animation by one tick.
  void Process();
  // Draws every corpse.
  void Draw();
};

extern TCorps Corps;

#endif

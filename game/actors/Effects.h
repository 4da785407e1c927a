// Door effects: a slab in the door's wall texture withdraws upward into the
// door's top edge over seven ticks after the door opens.
#ifndef TARVS_EFFECTS_H
#define TARVS_EFFECTS_H

const int EFFECT_SLOTS = 10;

struct SEffect {
  float x, y;  // world position of the door cell
  float size;  // current height: 3.0 at the start, -0.5 per tick
  bool active;
  int textureIndex;  // index into WallTextures
};

class TEffects {
public:
  SEffect effects[EFFECT_SLOTS];
  int count;

  // Resets the counter; slots start inactive in static storage.
  void Init();
  // Starts a slab for an opened door.
  void Add(float x, float y, int textureIndex);
  // Shrinks every active slab by one step; a slab at 0 height switches off.
  void Process();
  // Draws every active slab.
  void Draw();
};

extern TEffects Effects;

#endif

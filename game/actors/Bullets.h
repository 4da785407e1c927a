// Every shot in flight: the player's traces and the monsters' projectiles,
// moved in small sub-steps and tested against monsters, the player and walls.
// Only the sparks and plasma they leave are drawn.
#ifndef TARVS_BULLETS_H
#define TARVS_BULLETS_H

#include "CorvaneEngine.h"

struct SBullet {
  float x, y;
  int damage;
  int kind;          // 0 trace, 1 plasma projectile, 2 plain projectile
  int subSteps;      // sub-steps of 0.03 units per tick
  bool movingRight;
  bool fromPlayer;   // player's shots hit monsters, the others hit the player
  bool active;
};

class TBullets {
 public:
  SBullet bullets[4096];
  int slotCount;
  TParticlesSystem sparks;
  TParticlesSystem plasma;

  TBullets() : slotCount(4096) {
    for (SBullet& b : bullets) b.active = false;
  }

  void Init();
  void Fire(float x, float y, bool right, int subSteps, int damage, int kind,
            bool fromPlayer);
  void Process();
  void Draw();
  void AddSparks(float x, float y);
  void AddPlasma(float x, float y);
};

extern TBullets Bullets;

#endif

// Every shot in flight: the player's traces and the monsters' projectiles,
// moved in small sub-steps and tested against monsters, the player and walls.
// Only the sparks and plasma they leave are drawn.
#ifndef TARVS_BULLETS_H
#define TARVS_BULLETS_H

#include "CorvaneEngine.h"

// What a shot is: a trace crosses its whole range in one tick and leaves
// sparks or blood; plasma and plain projectiles fly until they hit.
enum BulletKind {
  BULLET_TRACE = 0,
  BULLET_PLASMA = 1,
  BULLET_PLAIN = 2,
};

struct SBullet {
  float x, y;
  int damage;
  int kind;      // BulletKind
  int subSteps;  // sub-steps of 0.03 units per tick
  bool movingRight;
  bool fromPlayer;  // player's shots hit monsters, the others hit the player
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
  void Fire(float x, float y, bool right, int subSteps, int damage, int kind, bool fromPlayer);
  void Process();
  void Draw();
  void AddSparks(float x, float y);
  void AddPlasma(float x, float y);
};

extern TBullets Bullets;

#endif

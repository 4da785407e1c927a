// The player's character: health, position, weapons, ammunition, key cards,
// and the step-wise walking, jumping, falling and firing it does each tick.
#ifndef TARVS_PLAYER_H
#define TARVS_PLAYER_H

#include "CorvaneEngine.h"

// One weapon slot.
struct SWeapon {
  float fireSpeed;      // keyframes per tick of the firing animation
  int ammoCost;         // ammunition used per shot
  int ammoIndex;        // which ammo counter the weapon draws from
  int damage;           // damage of each bullet
  TSoundBuffer* sound;  // shot sound; null when it failed to load
};

class TPlayer {
public:
  int health;
  float x, y;              // centre of the player on the play plane
  SWeapon weapons[8];      // slots 0..2 are filled by Init
  bool hasWeapon[8];       // slot 0 is owned from the start
  int ammo[6];             // 0 bullets, 1 shells, 2 rockets
  TModel weaponModels[8];  // slots 0..2 are loaded
  bool keys[3];            // blue, red, yellow key card
  int currentWeapon;

  TPlayer() { keys[0] = keys[1] = keys[2] = false; }

  void Init();
  void Process();
  void Draw();
  // Overlap of the player's hit box (1.8 x 1.0) with the given box.
  bool Touches(float x, float y, float w, float h);
  void TakeDamage(int amount);
  // Whether the current weapon can fire; steps down through lower slots
  // when it cannot (to 0, returning false, when none can).
  bool HasAmmo();

private:
  // The steps of Process, in the order it takes them.
  void FireOnShotFrame(float frame);
  void Walk(float step, float facing);
  void RiseOrFall();
  void Animate();
};

extern TPlayer Player;
extern TModel PlayerModel;

// Movement state beside the player.
extern float WalkStep;    // horizontal sub-step, also the monsters' step
extern float JumpStep;    // vertical sub-step
extern int MaxFallSteps;  // most negative JumpCount
extern bool Jumping;      // rising or falling
extern int JumpCount;     // >0 steps to rise this tick, <0 steps to fall
extern bool Firing;       // the firing animation is running
extern bool Walking;      // a direction key was handled this tick

#endif

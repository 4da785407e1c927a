// The monster table: four kinds that patrol their platforms and attack the
// player by touch or along a horizontal sight line, plus the blood spray
// that bullets leave on them.
#ifndef TARVS_MONSTERS_H
#define TARVS_MONSTERS_H

#include "CorvaneEngine.h"
#include "actors/LazySlots.h"

// Number of monster slots and of kind templates.
const int MONSTER_SLOTS = 2048;
const int MONSTER_KIND_SLOTS = 10;
// Kinds that have models, sounds and settings (spider, demon, soldier, mutant).
const int MONSTER_KINDS_LOADED = 4;

enum { MONSTER_SPIDER = 0, MONSTER_DEMON = 1, MONSTER_SOLDIER = 2, MONSTER_MUTANT = 3 };

// How a monster attacks: by touch, or with the spider's or the soldier's
// shot along its sight line.
enum RangedType { RANGED_NONE = 0, RANGED_SPIDER = 1, RANGED_SOLDIER = 2 };
const int RANGED_TYPES = 3;

// One monster. A slot with health <= 0 is free or dead and is skipped.
struct SMonsters {
  float x, y;    // world position
  TModel model;  // copy of the kind's template; rotZ 0 faces right, 180 left
  int health;
  int kind;          // 0 spider, 1 demon, 2 soldier, 3 mutant
  bool facingRight;  // direction of walking and of the sight line
  int walkSteps;     // walking sub-steps of 0.05 per tick
  int meleeDamage;   // damage per touch attack (0 for shooters)
  int rangedType;    // RangedType
};

class TMonsters {
public:
  // Built as they are first reached: a level's few monsters cost their
  // slots, not the table's 19 MB (see LazySlots.h).
  TLazySlots<SMonsters, MONSTER_SLOTS> monsters;
  TModel kindModels[MONSTER_KIND_SLOTS];
  TParticlesSystem blood;
  TSoundBuffer* attackSounds[MONSTER_KIND_SLOTS];
  TSoundBuffer* deathSounds[MONSTER_KIND_SLOTS];
  TSoundBuffer* slotAttackSound[MONSTER_SLOTS];

  // Loads the four kinds, the blood pool and the sounds; frees every slot.
  void Init();
  // Places a monster of the given kind at a map position (level loading);
  // false when the kind is unknown or every slot is taken.
  bool Add(float x, float y, int kind);
  // One tick of every live monster and of the blood particles.
  void Process();
  // Draws the visible live monsters and the blood.
  void Draw();
  // Sight test along the monster's row and the ranged attack.
  void Shoot(int slot);
  // Lowest live slot whose 1.0 x 2.0 box overlaps the square of side
  // `size` centred on (x, y), or -1.
  int FindAt(float x, float y, float size);
  // Lowers a monster's health; at 0 it dies and leaves a corpse. A monster
  // that is not attacking turns to `facingRight`.
  void Damage(int slot, int amount, bool facingRight);
  // Sprays ten drops of blood at a point.
  void AddBlood(float x, float y);
};

extern TMonsters Monsters;
// Number of monsters placed; every loop over monsters runs over 0..MonsterCount-1.
extern int MonsterCount;

#endif

// Monsters: placement, patrol, touch and ranged attacks, damage, blood.
#include "actors/Monsters.h"

#include <cmath>

#include "Cp1251.h"
#include "actors/Bullets.h"
#include "actors/Corps.h"
#include "actors/Player.h"
#include "actors/SoundCue.h"
#include "shell/Random.h"
#include "world/Level.h"
#include "world/WorldIndex.h"

TMonsters Monsters;
int MonsterCount = 0;

namespace {

// Horizontal walking sub-step and the distance of the edge probe ahead.
const float kStep = 0.05f;
const float kEdgeProbe = 1.0f;
// The box a walking monster asks the collision query about, and the one a
// touch attack tests against the player.
const float kBodyW = 1.1f;
const float kBodyH = 1.0f;
// The box bullets hit.
const float kHitW = 1.0f;
const float kHitH = 2.0f;

const int kStartHealth = 70;

// Per-kind settings: files, scale against the model's own normalising
// scale, drawing offset, sounds, height above the map cell, walking
// sub-steps, touch damage and ranged shot type.
struct SKindInfo {
  const char* model;
  const char* texture;
  const char* anims;
  float scale;
  bool hasOffset;
  float offsetX, offsetY;
  const char* deathSound;
  const char* attackSound;
  float lift;
  int walkSteps;
  int meleeDamage;
  int rangedType;
};

const SKindInfo kKinds[MONSTER_KINDS_LOADED] = {
    {"data/enemy/spider.mdl", "data/enemy/spider.tga", "data/enemy/spider.txt", 1.0f, false, 0.0f,
     0.0f, "data/sounds/dskntdth.wav", "data/sounds/dsplasma.wav", 0.4f, 2, 0, RANGED_SPIDER},
    {"data/enemy/demon.mdl", "data/enemy/demon.tga", "data/enemy/demon.txt", 2.0f, true, 0.0f,
     -1.2f, "data/sounds/dssgtdth.wav", "data/sounds/dssgtatk.wav", 0.3f, 3, 8, RANGED_NONE},
    {"data/enemy/soldier.mdl", "data/enemy/soldier.tga", "data/enemy/soldier.txt", 1.1f, true, 0.0f,
     -0.2f, "data/sounds/SOLDETH3.wav", "data/sounds/Solatck1.wav", 0.3f, 3, 0, RANGED_SOLDIER},
    {"data/enemy/mutant.mdl", "data/enemy/mutant.tga", "data/enemy/mutant.txt", 1.1f, true, 0.0f,
     -0.4f, "data/sounds/Mutdeth1.wav", "data/sounds/mutatck3.wav", 0.3f, 4, 15, RANGED_NONE},
};

// Ranged shots by rangedType: sub-steps per tick, damage, bullet kind.
struct SShotInfo {
  int subSteps;
  int damage;
  int bulletKind;
};
const SShotInfo kShots[RANGED_TYPES] = {
    {0, 0, BULLET_TRACE}, {25, 5, BULLET_PLASMA}, {225, 10, BULLET_PLAIN}};

// Sight line: probe step, number of probes, probe boxes.
const float kSightStep = 0.15f;
const int kSightProbes = 100;

char kMove[] = "Move";
char kAtack[] = "Atack";

// Beyond this distance from the origin the stretch bounds below are not
// trusted; nor for more walking sub-steps than kMaxWalkSteps.
const float kFarOff = 1.0e6f;
const int kMaxWalkSteps = 64;

// Candidates of FindAt.
int HitCandidates[MONSTER_SLOTS];

// What can stop a box near one monster, gathered once for a stretch of its
// row and then asked position by position, with the answer the collision
// query gives (for a monster nothing has side effects, so the order of
// the tests does not matter). Far off the map, or for a stretch too long
// to bound, it asks the collision query itself.
struct SNearby {
  int boxes = 0;
  bool direct = false;
  SBlockBox box[MAX_BLOCK_BOXES];

  void Gather(int self, double lo, double hi, double ylo, double yhi) {
    direct = false;
    boxes = GatherBlockBoxes(lo, hi, ylo, yhi, true, self, box);
  }
  // The walking sub-steps of one tick and their edge probes.
  void GatherWalk(int self, float x, float y, int steps) {
    direct = !(std::fabs(x) < kFarOff) || !(std::fabs(y) < kFarOff) || steps > kMaxWalkSteps;
    if (direct) return;
    // Each float addition strays from the exact step by at most an ulp.
    const double ulp = (std::fabs(static_cast<double>(x)) + 16.0) * (1.0 / 8388608.0);
    const double reach = steps * (kStep + ulp) + kEdgeProbe + kStep + kBodyW / 2.0 + ulp;
    Gather(self, x - reach, x + reach, y - 0.3 - kBodyH / 2.0, y + kBodyH / 2.0);
  }
  bool Free(float x, float y, float w, float h, int self) const {
    if (direct) return CanMoveTo(x, y, w, h, self);
    return !OverlapsAny(box, boxes, x, y, w, h);
  }
};

SNearby Near;

// Walks the probes of monster `i`'s sight line from x along its row: true
// when a probe reaches the player before any is blocked by a wall or
// another monster. Each probe is the collision query of a 0.07 box
// followed by the player test of a 0.08 box.
bool SightLine(int i, float x, float y, float step) {
  const float kProbe = 0.07f;
  const float kEye = 0.08f;
  float probe = x;
  const double half = kEye / 2.0;
  double lo = 0, hi = 0;
  if (std::fabs(x) < kFarOff && std::fabs(y) < kFarOff) {
    const double ulp = (std::fabs(static_cast<double>(x)) + 16.0) * (1.0 / 8388608.0);
    const double reach = kSightProbes * (kSightStep + ulp);
    lo = step > 0 ? x : x - reach;
    hi = step > 0 ? x + reach : x;
    Near.Gather(i, lo - half, hi + half, y - half, y + half);
  } else {
    Near.direct = true;
  }
  const double margin = 0.01 + 4.0e-6 * (std::fabs(lo) + std::fabs(hi) + std::fabs(y));
  const double px = Player.x, py = Player.y;
  const bool playerNear =
      Near.direct || (px + 0.9 + half + margin >= lo && px - 0.9 - half - margin <= hi &&
                      std::fabs(py - y) <= 0.5 + half + margin);
  if (!Near.direct && Near.boxes == 0 && !playerNear) return false;
  for (int n = 0; n < kSightProbes; n++) {
    probe += step;
    if (!Near.Free(probe, y, kProbe, kProbe, i)) return false;
    if (playerNear && Player.Touches(probe, y, kEye, kEye)) return true;
  }
  return false;
}

}  // namespace

void TMonsters::Init() {
  // Slots never reached are free already.
  for (SMonsters& m : monsters) m.health = 0;

  for (int k = 0; k < MONSTER_KINDS_LOADED; k++) {
    const SKindInfo& info = kKinds[k];
    TModel& m = kindModels[k];
    unsigned int tex = LoadTexture(info.texture);
    m.Load(info.model, tex);
    m.InitModel(m.unitScale * info.scale, 90, 0, 0, 0, 0, 0);
    m.LoadAnimationList(info.anims);
    if (info.hasOffset) m.SetOffset(info.offsetX, info.offsetY);
    LoadDirectSound(&deathSounds[k], info.deathSound);
  }

  SParticle3D drop = {};
  drop.size = 0.5f;
  drop.color[0] = 1.0f;
  drop.color[3] = 1.0f;
  drop.colorDelta[0] = -0.1f;
  drop.colorDelta[3] = -0.05f;
  drop.life = 20;
  blood.Init(drop);
  blood.SetTexture(LoadTexture("data/particles/blood.tga"));

  // Attack sounds load from the last kind to the first.
  for (int k = MONSTER_KINDS_LOADED - 1; k >= 0; k--)
    LoadDirectSound(&attackSounds[k], kKinds[k].attackSound);
}

bool TMonsters::Add(float x, float y, int kind) {
  // Only kinds with a model, sounds and settings may be placed.
  if (kind < 0 || kind >= MONSTER_KINDS_LOADED) {
    AddToLog(RU("Неизвестный вид монстра %d, монстр пропущен"), kind);
    return false;
  }
  int slot = -1;
  for (int i = 0; i < MONSTER_SLOTS; i++) {
    if (monsters[i].health <= 0) {
      slot = i;
      break;
    }
  }
  if (slot < 0) return false;
  // Placement fills slots from 0 upward, so the count always covers the
  // slot just taken.
  MonsterCount += 1;
  if (MonsterCount < slot + 1) MonsterCount = slot + 1;
  if (MonsterCount > MONSTER_SLOTS) MonsterCount = MONSTER_SLOTS;

  SMonsters& mon = monsters[slot];
  mon.model = kindModels[kind];
  mon.model.Move(x, y, 0);
  mon.kind = kind;
  mon.x = x;
  mon.y = y;
  mon.health = kStartHealth;
  mon.model.SelectAnimation(kMove);
  mon.facingRight = (RandomBelow(2) != 0);
  slotAttackSound[slot] = attackSounds[kind];

  const SKindInfo& info = kKinds[kind];
  mon.y += info.lift;
  mon.walkSteps = info.walkSteps;
  mon.meleeDamage = info.meleeDamage;
  mon.rangedType = info.rangedType;

  MonsterMoved(slot);

  AddToLog(RU("добавлена модель %d, координаты (%.2f,%.2f), номер её %d"), kind, x, y, slot);
  return true;
}

void TMonsters::Process() {
  SyncWorldIndex();
  int count = MonsterCount < MONSTER_SLOTS ? MonsterCount : MONSTER_SLOTS;
  for (int i = 0; i < count; i++) {
    SMonsters& mon = monsters[i];
    if (mon.health <= 0) continue;

    mon.model.ProcessAnimation();
    bool attacking = mon.model.IsAnimation(kAtack);

    // The blow lands on the key frame of the attack chosen last tick.
    if (mon.rangedType == RANGED_NONE && attacking && mon.model.IsKeyFrame(kAtack)) {
      Player.TakeDamage(mon.meleeDamage);
      RestartSound(slotAttackSound[i]);
    }

    if (!attacking) {
      Near.GatherWalk(i, mon.x, mon.y, mon.walkSteps);
      for (int s = 0; s < mon.walkSteps; s++) {
        if (mon.facingRight) {
          if (!Near.Free(mon.x + kStep, mon.y, kBodyW, kBodyH, i))
            mon.facingRight = false;  // wall or monster ahead
          else if (Near.Free(mon.x + kEdgeProbe, mon.y - 0.3f, kBodyW, kBodyH, i))
            mon.facingRight = false;  // no floor ahead: an edge
          else
            mon.model.rotZ = 0;
        }
        if (!mon.facingRight) {
          if (!Near.Free(mon.x - kStep, mon.y, kBodyW, kBodyH, i))
            mon.facingRight = true;
          else if (Near.Free(mon.x - kEdgeProbe, mon.y - 0.3f, kBodyW, kBodyH, i))
            mon.facingRight = true;
          else
            mon.model.rotZ = 180;
        }
        if (mon.facingRight)
          mon.x += kStep;
        else
          mon.x -= kStep;
      }
      MonsterMoved(i);
    }

    mon.model.Move(mon.x, mon.y, 0);

    if (Player.Touches(mon.x, mon.y, kBodyW, kBodyH)) {
      mon.model.SelectAnimation(kAtack);
      mon.facingRight = (Player.x >= mon.x);
    } else {
      mon.model.SelectAnimation(kMove);
    }

    if (mon.rangedType != RANGED_NONE) Shoot(i);
  }
  blood.Process();
}

void TMonsters::Shoot(int i) {
  if (i < 0 || i >= MONSTER_SLOTS) return;
  SMonsters& mon = monsters[i];
  if (mon.rangedType < RANGED_SPIDER || mon.rangedType > RANGED_SOLDIER) return;

  const float step = mon.facingRight ? kSightStep : -kSightStep;
  if (!SightLine(i, mon.x, mon.y, step)) return;

  if (Player.x >= mon.x) {
    mon.facingRight = true;
    mon.model.rotZ = 0;
  } else {
    mon.facingRight = false;
    mon.model.rotZ = 180;
  }
  mon.model.SelectAnimation(kAtack);
  if (mon.model.IsKeyFrame(kAtack)) {
    const SShotInfo& shot = kShots[mon.rangedType];
    Bullets.Fire(mon.x, mon.y, mon.facingRight, shot.subSteps, shot.damage, shot.bulletKind, false);
    RestartSound(slotAttackSound[i]);
  }
}

int TMonsters::FindAt(float x, float y, float size) {
  const double half = std::fabs(static_cast<double>(size)) / 2;
  const int n = GatherMonsters(x - half, x + half, y - half, y + half, HitCandidates, false);
  // The lowest live slot that overlaps, as a scan from slot 0 would find.
  int found = -1;
  for (int k = 0; k < n; k++) {
    const int i = HitCandidates[k];
    if (found >= 0 && i > found) continue;
    const SMonsters& mon = monsters[i];
    if (mon.health <= 0) continue;
    if (BoxOverlap(mon.x, mon.y, kHitW, kHitH, x, y, size, size)) found = i;
  }
  return found;
}

void TMonsters::Damage(int i, int amount, bool facing) {
  if (i < 0 || i >= MONSTER_SLOTS) return;
  SMonsters& mon = monsters[i];
  if (mon.health <= 0) return;  // already dead: it dies, and leaves a corpse, once
  mon.health -= amount;
  if (mon.health < 0) mon.health = 0;
  if (mon.health == 0) {
    if (mon.kind >= 0 && mon.kind < MONSTER_KIND_SLOTS && deathSounds[mon.kind])
      deathSounds[mon.kind]->Play(0, 0, 0);
    Corps.Add(mon.x, mon.y, mon.kind, mon.facingRight);
  }
  if (!mon.model.IsAnimation(kAtack)) mon.facingRight = facing;
}

void TMonsters::AddBlood(float x, float y) {
  SParticle3D p = blood.templateParticle;
  p.x = x;
  p.y = y;
  for (int n = 0; n < 10; n++) {
    // Each draw is taken in its own statement so the sequence of
    // random numbers is fixed: x, y, y, z, z, vz, vz, vy, vy.
    int r1 = RandomBelow(1000);
    p.x += r1 * 0.000025;
    int r2 = RandomBelow(1000);
    int r3 = RandomBelow(1000);
    p.y += (r2 - r3) * 0.000025;
    int r4 = RandomBelow(1000);
    int r5 = RandomBelow(1000);
    p.z = (r4 - r5) * 0.000025;
    int r6 = RandomBelow(1000);
    int r7 = RandomBelow(1000);
    p.velocity[2] = (r6 - r7) / 6000.0f;
    int r8 = RandomBelow(1000);
    int r9 = RandomBelow(1000);
    p.velocity[1] = (r8 - r9) / 6000.0f;
    blood.Add(p);
  }
}

void TMonsters::Draw() {
  int count = MonsterCount < MONSTER_SLOTS ? MonsterCount : MONSTER_SLOTS;
  for (int i = 0; i < count; i++) {
    SMonsters& mon = monsters[i];
    if (mon.health <= 0) continue;
    if (SphereInFrustum(mon.x, mon.y, 0, 2.0f)) mon.model.DrawAnimation();
  }
  blood.Draw();
}

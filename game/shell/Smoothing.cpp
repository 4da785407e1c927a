// Frames drawn between ticks. The drawing code reads the game's own
// records; for the length of one frame those records hold values between
// the previous tick and the last one, and the exact values go back as the
// frame ends, so no rule of the game ever sees a drawn value.
#include "shell/Smoothing.h"

#include <cmath>
#include <cstdint>

#include "CorvaneEngine.h"
#include "actors/Bullets.h"
#include "actors/Corps.h"
#include "actors/Effects.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "shell/Shell.h"

namespace {

// A move longer than this in one tick is a jump (a new actor in a reused
// slot, a level reload): drawn where it ends, not slid across the level.
const float kJumpUnits = 1.5f;
// Animation frames blend forward by at most this much per tick; a wrap to
// the start of the animation or a new animation is drawn as it is.
const float kFrameStep = 2.0f;

const int kPools = 3;
const int kParticles = TParticlesSystem::MaxParticles;

struct TPose {
  float x, y, frame;
};

struct TDot {
  float x, y, z, size;
};

const int kWords = kParticles / 64;

// What the frames draw of the game's state.
struct TDrawn {
  bool valid = false;
  float playerX, playerY, cameraHeight;
  TPose body;
  TPose weapon;
  int weaponSlot;
  int monsterCount;
  float monsterX[MONSTER_SLOTS], monsterY[MONSTER_SLOTS];
  TPose monsterPose[MONSTER_SLOTS];
  bool monsterAlive[MONSTER_SLOTS];
  int corpseLast;
  float corpseFrame[CORPSE_SLOTS];
  bool effectActive[EFFECT_SLOTS];
  float effectSize[EFFECT_SLOTS];
  uint64_t live[kPools][kWords];  // one bit per live particle
  TDot dots[kPools][kParticles];  // kept for the live ones only
};

TDrawn g_tickStart;  // as the last tick found it
TDrawn g_exact;      // the exact values while a frame draws smoothed ones
bool g_smoothed = false;

TParticlesSystem* Pool(int i) {
  TParticlesSystem* pools[kPools] = {&Monsters.blood, &Bullets.sparks, &Bullets.plasma};
  return pools[i];
}

int WeaponSlot() {
  const int w = Player.currentWeapon;
  return w >= 0 && w < 8 ? w : 0;
}

int LiveMonsterSlots() {
  return MonsterCount < 0 ? 0 : MonsterCount < MONSTER_SLOTS ? MonsterCount : MONSTER_SLOTS;
}

int LastCorpse() { return Corps.last < CORPSE_SLOTS ? Corps.last : CORPSE_SLOTS - 1; }

TPose PoseOf(const TModel& m) { return {m.x, m.y, m.frame}; }

void SetPose(TModel& m, const TPose& p) {
  m.x = p.x;
  m.y = p.y;
  m.frame = p.frame;
}

void Capture(TDrawn& d) {
  d.valid = true;
  d.playerX = Player.x;
  d.playerY = Player.y;
  d.cameraHeight = CameraHeight;
  d.body = PoseOf(PlayerModel);
  d.weaponSlot = WeaponSlot();
  d.weapon = PoseOf(Player.weaponModels[d.weaponSlot]);
  d.monsterCount = LiveMonsterSlots();
  for (int i = 0; i < d.monsterCount; i++) {
    const SMonsters& m = Monsters.monsters[i];
    d.monsterX[i] = m.x;
    d.monsterY[i] = m.y;
    d.monsterPose[i] = PoseOf(m.model);
    d.monsterAlive[i] = m.health > 0;
  }
  d.corpseLast = LastCorpse();
  for (int i = 0; i <= d.corpseLast; i++) d.corpseFrame[i] = Corps.corpses[i].frame;
  for (int i = 0; i < EFFECT_SLOTS; i++) {
    d.effectActive[i] = Effects.effects[i].active;
    d.effectSize[i] = Effects.effects[i].size;
  }
  for (int p = 0; p < kPools; p++) {
    const TParticlesSystem& pool = *Pool(p);
    for (int w = 0; w < kWords; w++) {
      uint64_t live = 0;
      // The pool's free-slot bits skip the empty stretches quickly.
      if (pool.freeSlots[w] != ~uint64_t(0)) {
        for (int b = 0; b < 64; b++) {
          const int i = w * 64 + b;
          const SParticle3D& s = pool.particles[i];
          if (s.life <= 0) continue;
          live |= uint64_t(1) << b;
          d.dots[p][i] = {s.x, s.y, s.z, s.size};
        }
      }
      d.live[p][w] = live;
    }
  }
}

// Calls fn(slot) for every set bit of a word of 64 slots.
template <typename F>
void EachBit(uint64_t bits, int word, F fn) {
  for (int b = 0; bits; b++, bits >>= 1)
    if (bits & 1) fn(word * 64 + b);
}

// Puts captured values back; only the slots Capture wrote.
void Restore(const TDrawn& d) {
  Player.x = d.playerX;
  Player.y = d.playerY;
  CameraHeight = d.cameraHeight;
  SetPose(PlayerModel, d.body);
  SetPose(Player.weaponModels[d.weaponSlot], d.weapon);
  for (int i = 0; i < d.monsterCount; i++) {
    SMonsters& m = Monsters.monsters[i];
    m.x = d.monsterX[i];
    m.y = d.monsterY[i];
    SetPose(m.model, d.monsterPose[i]);
  }
  for (int i = 0; i <= d.corpseLast; i++) Corps.corpses[i].frame = d.corpseFrame[i];
  for (int i = 0; i < EFFECT_SLOTS; i++) Effects.effects[i].size = d.effectSize[i];
  for (int p = 0; p < kPools; p++) {
    SParticle3D* parts = Pool(p)->particles;
    for (int w = 0; w < kWords; w++) {
      EachBit(d.live[p][w], w, [&](int i) {
        const TDot& dot = d.dots[p][i];
        parts[i].x = dot.x;
        parts[i].y = dot.y;
        parts[i].z = dot.z;
        parts[i].size = dot.size;
      });
    }
  }
}

float Lerp(float from, float to, float f) { return from + (to - from) * f; }

bool Moved(float fromX, float fromY, float toX, float toY) {
  return std::fabs(toX - fromX) > kJumpUnits || std::fabs(toY - fromY) > kJumpUnits;
}

float FrameBetween(float from, float to, float f) {
  const float step = to - from;
  return step >= 0.0f && step <= kFrameStep ? Lerp(from, to, f) : to;
}

TPose PoseBetween(const TPose& from, const TPose& to, float f) {
  if (Moved(from.x, from.y, to.x, to.y)) return to;
  return {Lerp(from.x, to.x, f), Lerp(from.y, to.y, f), FrameBetween(from.frame, to.frame, f)};
}

// Writes the drawn values `f` of the way from `a` (tick start) to `b`
// (now) into the game's records.
void Blend(const TDrawn& a, const TDrawn& b, float f) {
  if (!Moved(a.playerX, a.playerY, b.playerX, b.playerY)) {
    Player.x = Lerp(a.playerX, b.playerX, f);
    Player.y = Lerp(a.playerY, b.playerY, f);
  }
  CameraHeight = Lerp(a.cameraHeight, b.cameraHeight, f);
  SetPose(PlayerModel, PoseBetween(a.body, b.body, f));
  if (a.weaponSlot == b.weaponSlot)
    SetPose(Player.weaponModels[b.weaponSlot], PoseBetween(a.weapon, b.weapon, f));
  const int monsters = a.monsterCount < b.monsterCount ? a.monsterCount : b.monsterCount;
  for (int i = 0; i < monsters; i++) {
    if (!a.monsterAlive[i] || !b.monsterAlive[i]) continue;
    if (Moved(a.monsterX[i], a.monsterY[i], b.monsterX[i], b.monsterY[i])) continue;
    SMonsters& m = Monsters.monsters[i];
    m.x = Lerp(a.monsterX[i], b.monsterX[i], f);
    m.y = Lerp(a.monsterY[i], b.monsterY[i], f);
    SetPose(m.model, PoseBetween(a.monsterPose[i], b.monsterPose[i], f));
  }
  const int corpses = a.corpseLast < b.corpseLast ? a.corpseLast : b.corpseLast;
  for (int i = 0; i <= corpses; i++)
    Corps.corpses[i].frame = FrameBetween(a.corpseFrame[i], b.corpseFrame[i], f);
  for (int i = 0; i < EFFECT_SLOTS; i++)
    if (a.effectActive[i] && b.effectActive[i])
      Effects.effects[i].size = Lerp(a.effectSize[i], b.effectSize[i], f);
  // Particles live at both ticks; the ones sprayed since are drawn as
  // they are.
  for (int p = 0; p < kPools; p++) {
    SParticle3D* parts = Pool(p)->particles;
    for (int w = 0; w < kWords; w++) {
      EachBit(a.live[p][w] & b.live[p][w], w, [&](int i) {
        const TDot& from = a.dots[p][i];
        const TDot& to = b.dots[p][i];
        if (Moved(from.x, from.y, to.x, to.y)) return;
        parts[i].x = Lerp(from.x, to.x, f);
        parts[i].y = Lerp(from.y, to.y, f);
        parts[i].z = Lerp(from.z, to.z, f);
        parts[i].size = Lerp(from.size, to.size, f);
      });
    }
  }
}

}  // namespace

void SaveTickStart() { Capture(g_tickStart); }

void BeginSmoothFrame(float fraction) {
  g_smoothed = false;
  // At 0 or 1 the frame is a tick's own state: drawn exact.
  if (!(fraction > 0.0f && fraction < 1.0f) || !g_tickStart.valid) return;
  Capture(g_exact);
  Blend(g_tickStart, g_exact, fraction);
  g_smoothed = true;
}

void EndSmoothFrame() {
  if (!g_smoothed) return;
  Restore(g_exact);
  g_smoothed = false;
}

// The linear model; see reference_world.h. Written as the rules read, with
// no index and no shortcuts: it is the yardstick, not the game.
#include "reference_world.h"

#include "Cp1251.h"
#include "actors/Bullets.h"
#include "actors/Effects.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "actors/SoundCue.h"
#include "hud/Hud.h"
#include "world/Level.h"

namespace refworld {

bool UseLinear = false;

namespace {

void Play(TSoundBuffer* sound) {
  if (sound) sound->Play(0, 0, 0);
}

// Monster rules.
const float kStep = 0.05f;
const float kEdgeProbe = 1.0f;
const float kBodyW = 1.1f;
const float kBodyH = 1.0f;
const float kSightStep = 0.15f;
const int kSightProbes = 100;
struct SShot {
  int subSteps, damage, kind;
};
const SShot kShots[3] = {{0, 0, 0}, {25, 5, 1}, {225, 10, 2}};
char kMove[] = "Move";
char kAtack[] = "Atack";

void Shoot(int i) {
  SMonsters& mon = Monsters.monsters[i];
  if (mon.rangedType < RANGED_SPIDER || mon.rangedType > RANGED_SOLDIER) return;
  float step = mon.facingRight ? kSightStep : -kSightStep;
  float probe = mon.x;
  bool seen = false;
  for (int n = 0; n < kSightProbes; n++) {
    probe += step;
    if (!CanMoveTo(probe, mon.y, 0.07f, 0.07f, i)) return;
    if (Player.Touches(probe, mon.y, 0.08f, 0.08f)) {
      seen = true;
      break;
    }
  }
  if (!seen) return;
  if (Player.x >= mon.x) {
    mon.facingRight = true;
    mon.model.rotZ = 0;
  } else {
    mon.facingRight = false;
    mon.model.rotZ = 180;
  }
  mon.model.SelectAnimation(kAtack);
  if (mon.model.IsKeyFrame(kAtack)) {
    const SShot& shot = kShots[mon.rangedType];
    Bullets.Fire(mon.x, mon.y, mon.facingRight, shot.subSteps, shot.damage, shot.kind, false);
    RestartSound(Monsters.slotAttackSound[i]);
  }
}

}  // namespace

bool CanMoveTo(float x, float y, float w, float h, int who) {
  static const char* const kNeedKey[3] = {RU("Нужен синий ключ"), RU("Нужен красный ключ"),
                                          RU("Нужен желтый ключ")};
  for (int i = 0; i < MapCellCount && i < MAX_MAP_CELLS; i++) {
    SMapCell& cell = MapCells[i];
    const int wall = cell.wallType;
    if (wall == WALL_BLOCK) {
      if (BoxOverlap(x, y, w, h, cell.x, cell.y, 1.4f, 2.0f)) return false;
    } else if (wall == WALL_PLATFORM) {
      if (BoxOverlap(x, y, w, h, cell.x, cell.y, 1.5f, 1.3f)) return false;
    } else if (wall >= WALL_DOOR_BLUE) {
      if (BoxOverlap(x, y, w, h, cell.x, cell.y, 1.3f, 3.2f)) {
        if (who != WHO_PLAYER || wall > WALL_DOOR_YELLOW) return false;
        const int key = wall - WALL_DOOR_BLUE;
        if (!Player.keys[key]) {
          ShowMessage(kNeedKey[key]);
          Play(NoWaySound);
          return false;
        }
        cell.wallType = WALL_NONE;
        Effects.Add(cell.x, cell.y, cell.textureIndex);
        Play(DoorOpenSound);
      }
    }
    if (cell.boxModel == 0 && BoxOverlap(x, y, w, h, cell.x, cell.y, 2.5f, 3.0f)) return false;
  }
  if (who != WHO_BULLET) {
    const int count = MonsterCount < MONSTER_SLOTS ? MonsterCount : MONSTER_SLOTS;
    for (int j = 0; j < count; j++) {
      const SMonsters& m = Monsters.monsters[j];
      if (m.health > 0 && j != who && BoxOverlap(x, y, w, h, m.x, m.y, 1.6f, 2.4f)) return false;
    }
  }
  return true;
}

int FindAt(float x, float y, float size) {
  const int count = MonsterCount < MONSTER_SLOTS ? MonsterCount : MONSTER_SLOTS;
  for (int i = 0; i < count; i++) {
    const SMonsters& mon = Monsters.monsters[i];
    if (mon.health <= 0) continue;
    if (BoxOverlap(mon.x, mon.y, 1.0f, 2.0f, x, y, size, size)) return i;
  }
  return -1;
}

void MonstersProcess() {
  const int count = MonsterCount < MONSTER_SLOTS ? MonsterCount : MONSTER_SLOTS;
  for (int i = 0; i < count; i++) {
    SMonsters& mon = Monsters.monsters[i];
    if (mon.health <= 0) continue;
    mon.model.ProcessAnimation();
    const bool attacking = mon.model.IsAnimation(kAtack);
    if (mon.rangedType == RANGED_NONE && attacking && mon.model.IsKeyFrame(kAtack)) {
      Player.TakeDamage(mon.meleeDamage);
      RestartSound(Monsters.slotAttackSound[i]);
    }
    if (!attacking) {
      for (int s = 0; s < mon.walkSteps; s++) {
        if (mon.facingRight) {
          if (!CanMoveTo(mon.x + kStep, mon.y, kBodyW, kBodyH, i))
            mon.facingRight = false;
          else if (CanMoveTo(mon.x + kEdgeProbe, mon.y - 0.3f, kBodyW, kBodyH, i))
            mon.facingRight = false;
          else
            mon.model.rotZ = 0;
        }
        if (!mon.facingRight) {
          if (!CanMoveTo(mon.x - kStep, mon.y, kBodyW, kBodyH, i))
            mon.facingRight = true;
          else if (CanMoveTo(mon.x - kEdgeProbe, mon.y - 0.3f, kBodyW, kBodyH, i))
            mon.facingRight = true;
          else
            mon.model.rotZ = 180;
        }
        if (mon.facingRight)
          mon.x += kStep;
        else
          mon.x -= kStep;
      }
    }
    mon.model.Move(mon.x, mon.y, 0);
    if (Player.Touches(mon.x, mon.y, kBodyW, kBodyH)) {
      mon.model.SelectAnimation(kAtack);
      mon.facingRight = (Player.x >= mon.x);
    } else {
      mon.model.SelectAnimation(kMove);
    }
    if (mon.rangedType != 0) Shoot(i);
  }
  Monsters.blood.Process();
}

void BulletsProcess() {
  const int slots = sizeof(Bullets.bullets) / sizeof(SBullet);
  const int n = Bullets.slotCount < 0 ? 0 : (Bullets.slotCount > slots ? slots : Bullets.slotCount);
  for (int i = 0; i < n; i++) {
    SBullet& b = Bullets.bullets[i];
    if (!b.active) continue;
    if (b.kind == BULLET_PLASMA) Bullets.AddPlasma(b.x, b.y);
    for (int s = 0; s < b.subSteps; s++) {
      b.x = (float)(b.movingRight ? b.x + 0.03 : b.x - 0.03);
      if (b.fromPlayer) {
        const int m = FindAt(b.x, (float)(b.y - 0.3), 0.01f);
        if (m != -1) {
          Monsters.Damage(m, b.damage, !b.movingRight);
          if (b.kind == BULLET_TRACE) Monsters.AddBlood(b.x, b.y);
          b.active = false;
          break;
        }
      } else if (Player.Touches(b.x, b.y, 0.05f, 0.05f)) {
        Player.TakeDamage(b.damage);
        b.active = false;
        break;
      }
      if (!CanMoveTo(b.x, b.y, 0.03f, 0.03f, WHO_BULLET)) {
        if (b.kind == BULLET_TRACE) Bullets.AddSparks(b.x, b.y);
        b.active = false;
        break;
      }
    }
    if (b.kind == BULLET_TRACE) b.active = false;
  }
  Bullets.sparks.Process();
  Bullets.plasma.Process();
}

void AddParticle(TParticlesSystem& pool, const SParticle3D& particle) {
  for (int i = 0; i < TParticlesSystem::MaxParticles; i++) {
    if (pool.particles[i].life <= 0) {
      pool.particles[i] = particle;
      return;
    }
  }
}

}  // namespace refworld

// The wrapped game entry points (the linker renames the game's own to
// __real_...): the linear model while UseLinear is set, the game otherwise.
extern "C" {
bool __real__Z9CanMoveToffffi(float x, float y, float w, float h, int who);
void __real__ZN9TMonsters7ProcessEv(TMonsters* self);
void __real__ZN8TBullets7ProcessEv(TBullets* self);
void __real__ZN16TParticlesSystem3AddE11SParticle3D(TParticlesSystem* self, SParticle3D p);

bool __wrap__Z9CanMoveToffffi(float x, float y, float w, float h, int who) {
  if (refworld::UseLinear) return refworld::CanMoveTo(x, y, w, h, who);
  return __real__Z9CanMoveToffffi(x, y, w, h, who);
}
void __wrap__ZN9TMonsters7ProcessEv(TMonsters* self) {
  if (refworld::UseLinear && self == &Monsters) return refworld::MonstersProcess();
  __real__ZN9TMonsters7ProcessEv(self);
}
void __wrap__ZN8TBullets7ProcessEv(TBullets* self) {
  if (refworld::UseLinear && self == &Bullets) return refworld::BulletsProcess();
  __real__ZN8TBullets7ProcessEv(self);
}
void __wrap__ZN16TParticlesSystem3AddE11SParticle3D(TParticlesSystem* self, SParticle3D p) {
  if (refworld::UseLinear) return refworld::AddParticle(*self, p);
  __real__ZN16TParticlesSystem3AddE11SParticle3D(self, p);
}
}

// The game's state, part by part, fed field by field into the demo digest.
// Fields go in one by one (never whole records, whose padding bytes are
// undefined) and floats by their bit pattern.
#include "shell/StateDigest.h"

#include "actors/Bullets.h"
#include "actors/Corps.h"
#include "actors/Effects.h"
#include "actors/Items.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "hud/Hud.h"
#include "shell/Random.h"
#include "shell/Shell.h"
#include "world/Level.h"

namespace {

// A model's placement and animation state (not its mesh or GL names).
void Model(demo::Hasher& h, const TModel& m) {
  h.I32(m.animationCount);
  h.F32(m.animStart);
  h.F32(m.animEnd);
  h.F32(m.animSpeed);
  h.F32(m.offsetX);
  h.F32(m.offsetY);
  h.F32(m.unitScale);
  h.F32(m.scale);
  h.F32(m.x);
  h.F32(m.y);
  h.F32(m.z);
  h.F32(m.frame);
  h.F32(m.rotX);
  h.F32(m.rotY);
  h.F32(m.rotZ);
}

uint64_t Cells() {
  demo::Hasher h;
  const int n =
      MapCellCount < 0 ? 0 : (MapCellCount > MAX_MAP_CELLS ? MAX_MAP_CELLS : MapCellCount);
  h.I32(MapCellCount);
  for (int i = 0; i < n; i++) {
    const SMapCell& c = MapCells[i];
    h.F32(c.x);
    h.F32(c.y);
    h.I32(c.boxModel);
    h.I32(c.actorCode);
    h.I32(c.textureIndex);
    h.I32(c.itemKind);
    h.I32(c.wallType);
  }
  h.I32(ItemSpinAngle);
  return h.Value();
}

uint64_t MonsterTable() {
  demo::Hasher h;
  const int n =
      MonsterCount < 0 ? 0 : (MonsterCount > MONSTER_SLOTS ? MONSTER_SLOTS : MonsterCount);
  h.I32(MonsterCount);
  for (int i = 0; i < n; i++) {
    const SMonsters& m = Monsters.monsters[i];
    h.F32(m.x);
    h.F32(m.y);
    Model(h, m.model);
    h.I32(m.health);
    h.I32(m.kind);
    h.Bool(m.facingRight);
    h.I32(m.walkSteps);
    h.I32(m.meleeDamage);
    h.I32(m.rangedType);
  }
  return h.Value();
}

uint64_t Shots() {
  demo::Hasher h;
  h.I32(Bullets.slotCount);
  for (int i = 0; i < 4096; i++) {
    const SBullet& b = Bullets.bullets[i];
    if (!b.active) continue;
    h.I32(i);
    h.F32(b.x);
    h.F32(b.y);
    h.I32(b.damage);
    h.I32(b.kind);
    h.I32(b.subSteps);
    h.Bool(b.movingRight);
    h.Bool(b.fromPlayer);
  }
  return h.Value();
}

// The live particles of a pool, with their slots.
void Pool(demo::Hasher& h, const TParticlesSystem& pool) {
  h.I32(pool.liveCount);
  for (int i = 0; i < TParticlesSystem::MaxParticles; i++) {
    const SParticle3D& p = pool.particles[i];
    if (p.life <= 0) continue;
    h.I32(i);
    h.F32(p.x);
    h.F32(p.y);
    h.F32(p.z);
    h.F32(p.size);
    for (int k = 0; k < 3; k++) {
      h.F32(p.velocity[k]);
      h.F32(p.acceleration[k]);
      h.F32(p.angle[k]);
      h.F32(p.spin[k]);
    }
    for (int k = 0; k < 4; k++) {
      h.F32(p.color[k]);
      h.F32(p.colorDelta[k]);
    }
    h.F32(p.sizeDelta);
    h.I32(p.life);
  }
}

uint64_t Particles() {
  demo::Hasher h;
  Pool(h, Bullets.sparks);
  Pool(h, Bullets.plasma);
  Pool(h, Monsters.blood);
  return h.Value();
}

uint64_t PlayerState() {
  demo::Hasher h;
  h.I32(Player.health);
  h.F32(Player.x);
  h.F32(Player.y);
  for (int i = 0; i < 8; i++) {
    const SWeapon& w = Player.weapons[i];
    h.F32(w.fireSpeed);
    h.I32(w.ammoCost);
    h.I32(w.ammoIndex);
    h.I32(w.damage);
    h.Bool(Player.hasWeapon[i]);
    Model(h, Player.weaponModels[i]);
  }
  for (int a : Player.ammo) h.I32(a);
  for (bool k : Player.keys) h.Bool(k);
  h.I32(Player.currentWeapon);
  Model(h, PlayerModel);
  h.F32(WalkStep);
  h.F32(JumpStep);
  h.I32(MaxFallSteps);
  h.Bool(Jumping);
  h.I32(JumpCount);
  h.Bool(Firing);
  h.Bool(Walking);
  h.F32(CameraHeight);
  return h.Value();
}

uint64_t EffectTable() {
  demo::Hasher h;
  h.I32(Effects.count);
  for (const SEffect& e : Effects.effects) {
    h.Bool(e.active);
    if (!e.active) continue;
    h.F32(e.x);
    h.F32(e.y);
    h.F32(e.size);
    h.I32(e.textureIndex);
  }
  return h.Value();
}

uint64_t Corpses() {
  demo::Hasher h;
  h.I32(Corps.last);
  const int last = Corps.last >= CORPSE_SLOTS ? CORPSE_SLOTS - 1 : Corps.last;
  for (int i = 0; i <= last; i++) {
    const SCorpse& c = Corps.corpses[i];
    h.F32(c.frame);
    h.F32(c.end);
    h.F32(c.speed);
    h.F32(c.x);
    h.F32(c.y);
    h.I32(c.kind);
    h.Bool(c.facingRight);
  }
  return h.Value();
}

uint64_t Hud() {
  demo::Hasher h;
  size_t n = 0;
  while (n < sizeof HudMessage && HudMessage[n]) n++;
  h.U32(static_cast<uint32_t>(n));
  h.Bytes(HudMessage, n);
  h.I32(HudMessageTimer);
  return h.Value();
}

uint64_t Generator() {
  demo::Hasher h;
  h.U64(RandomDraws);
  return h.Value();
}

}  // namespace

demo::StateDigest DigestGameState() {
  demo::StateDigest d;
  d.parts[demo::PART_CELLS] = Cells();
  d.parts[demo::PART_MONSTERS] = MonsterTable();
  d.parts[demo::PART_SHOTS] = Shots();
  d.parts[demo::PART_PARTICLES] = Particles();
  d.parts[demo::PART_PLAYER] = PlayerState();
  d.parts[demo::PART_EFFECTS] = EffectTable();
  d.parts[demo::PART_CORPSES] = Corpses();
  d.parts[demo::PART_HUD] = Hud();
  d.parts[demo::PART_GENERATOR] = Generator();
  return d;
}

// Small worlds for the game's tests.
#include "World.h"

#include <initializer_list>

#include "actors/Bullets.h"
#include "actors/Corps.h"
#include "actors/Effects.h"
#include "actors/Monsters.h"
#include "hud/Hud.h"
#include "testutil.h"

namespace testworld {

bool OpenScreen(int w, int h) {
  if (!testutil::OpenContext(w, h)) return false;
  _Zarn_ScreenWidth = w;
  _Zarn_ScreenHeight = h;
  InitGL(w, h);
  return true;
}

void ReleaseKeys() {
  for (int k = 0; k < 256; k++) _keys[k] = 0;
}

void ClearWorld() {
  MapCellCount = 0;
  for (SMonsters& m : Monsters.monsters) m.health = 0;
  MonsterCount = 0;
  for (SBullet& b : Bullets.bullets) b.active = false;
  for (TParticlesSystem* pool : {&Bullets.sparks, &Bullets.plasma, &Monsters.blood}) {
    for (SParticle3D& p : pool->particles) p.life = 0;
    pool->RescanFreeSlots();
  }
  for (SEffect& e : Effects.effects) e.active = false;
  Corps.last = -1;
  ReleaseKeys();
  HudMessageTimer = 0;
  HudMessage[0] = '\0';
}

SMapCell& AddCell(float x, float y, int wallType, int boxModel, int itemKind, int textureIndex) {
  static SMapCell scratch;
  SMapCell& c = MapCellCount < MAX_MAP_CELLS ? MapCells[MapCellCount++] : scratch;
  c.x = x;
  c.y = y;
  c.wallType = static_cast<int16_t>(wallType);
  c.boxModel = static_cast<int16_t>(boxModel);
  c.itemKind = static_cast<int16_t>(itemKind);
  c.textureIndex = static_cast<int16_t>(textureIndex);
  c.actorCode = -1;
  return c;
}

void AddFloor(int from, int to, float y, int wallType) {
  for (int c = from; c <= to; c++) AddCell(static_cast<float>(c), y, wallType);
}

int PlaceMonster(float x, float y, int kind, int health) {
  if (MonsterCount >= MONSTER_SLOTS) return -1;
  const int i = MonsterCount++;
  SMonsters& m = Monsters.monsters[i];
  m.x = x;
  m.y = y;
  m.health = health;
  m.kind = kind;
  m.facingRight = true;
  m.model.frame = 0;
  return i;
}

}  // namespace testworld

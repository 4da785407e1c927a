// Capacity levels; see capacity_level.h.
#include "capacity_level.h"

#include "actors/Bullets.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "world/Level.h"

namespace capacity {

void Build(const SPlan& plan) {
  const int wide = plan.wide > 0 ? plan.wide : 1;
  const int cells = plan.cells < MAX_MAP_CELLS ? plan.cells : MAX_MAP_CELLS;
  const int floors = (cells + wide - 1) / wide > 0 ? (cells + wide - 1) / wide : 1;
  MapCellCount = 0;
  for (int i = 0; i < cells; i++) {
    const int f = i / wide;
    const int c = i % wide;
    SMapCell& cell = MapCells[MapCellCount++];
    cell.x = static_cast<float>(c);
    cell.y = static_cast<float>(-(4 * f + 1));
    cell.boxModel = -1;
    cell.actorCode = -1;
    cell.textureIndex = static_cast<int16_t>(c % 9);
    cell.itemKind = -1;
    cell.wallType = WALL_PLATFORM;
    if (!plan.obstacles) continue;
    // Blocks and doors stand on the floor in place of a floor cell, leaving
    // a gap below them; boxes sit on the floor cell itself.
    if (c % 23 == 11) {
      cell.wallType = WALL_BLOCK;
      cell.y = static_cast<float>(-4 * f) + 0.1f;
    } else if (c % 37 == 20) {
      cell.wallType = static_cast<int16_t>(WALL_DOOR_BLUE + (c / 37 + f) % 3);
      cell.y = static_cast<float>(-4 * f) + 0.5f;
    } else if (c % 53 == 30) {
      cell.boxModel = 0;
      cell.x += 0.5f;
      cell.y += 0.13f;
    }
  }

  for (SMonsters& m : Monsters.monsters) m.health = 0;
  MonsterCount = 0;
  const int perFloor = plan.monsters / floors;
  for (int f = 0; f < floors; f++)
    for (int k = 0; k < perFloor; k++)
      Monsters.Add(static_cast<float>((2 * k + f) % wide), static_cast<float>(-4 * f), k % 4);

  for (SBullet& b : Bullets.bullets) b.active = false;
  for (int s = 0; s < plan.shots; s++) {
    const int f = s % floors;
    const float x = static_cast<float>((s * 7) % wide) + 0.1f * static_cast<float>(s % 10);
    const bool right = s % 2 == 0;
    if (plan.playerShots && s % 3 == 2) {
      Bullets.Fire(x, -4.0f * f + 0.6f, right, 1000, 10, 0, true);
      continue;
    }
    const bool plasma = (s / floors) % 2 == 0;
    Bullets.Fire(x, -4.0f * f + 0.3f, right, plasma ? 25 : 225, plasma ? 5 : 10, plasma ? 1 : 2,
                 false);
  }

  if (plan.playerOnFloor) {
    Player.x = 3.0f;
    Player.y = 0.2f;
  } else {
    Player.x = -50;
    Player.y = 20;
  }
  Player.health = 100;
}

}  // namespace capacity

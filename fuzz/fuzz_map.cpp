// The map's cell table, with the player and monster placement it does.
#include <cstdint>

#include "actors/Monsters.h"
#include "world/Level.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MonsterCount = 0;
  for (auto& m : Monsters.monsters) m.health = 0;
  ParseLevelCells(data, size, "fuzz.map");
  if (MapCellCount < 0 || MapCellCount > MAX_MAP_CELLS) __builtin_trap();
  ComputeBackScroll();
  return 0;
}

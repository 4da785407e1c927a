// What a scripted run achieved: the level's marks and the game's state
// after the last tick.
#include "RunCheck.h"

#include <cstdio>
#include <cstring>

#include "actors/Player.h"
#include "world/Level.h"

namespace runcheck {

Place ReadPlace(const char* marksPath, const char* name) {
  Place place;
  FILE* f = std::fopen(marksPath, "r");
  if (!f) return place;
  char line[256];
  while (std::fgets(line, sizeof line, f)) {
    if (line[0] == ';') continue;
    char word[128];
    int col = 0, row = 0;
    float wx = 0, wy = 0;
    if (std::sscanf(line, "%127s %d %d %f %f", word, &col, &row, &wx, &wy) == 5 &&
        std::strcmp(word, name) == 0) {
      place.found = true;
      place.x = wx;
      place.y = wy;
    }
  }
  std::fclose(f);
  return place;
}

int DoorsLeft() {
  int n = 0;
  for (int i = 0; i < MapCellCount; i++)
    if (MapCells[i].wallType >= WALL_DOOR_BLUE && MapCells[i].wallType <= WALL_DOOR_YELLOW) n++;
  return n;
}

std::string Report::Text() const {
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "player (%.2f, %.2f) health %d; end %s (%.0f, %.0f); keys %d%d%d; doors %d of %d "
                "left; killed spider %d/%d demon %d/%d soldier %d/%d mutant %d/%d",
                playerX, playerY, health, end.found ? "at" : "missing", end.x, end.y, keys[0],
                keys[1], keys[2], doorsLeft, doorsAtStart, killed[0], placed[0], killed[1],
                placed[1], killed[2], placed[2], killed[3], placed[3]);
  return buf;
}

Report Collect(int doorsAtStart, const char* marksPath) {
  Report r;
  r.doorsAtStart = doorsAtStart;
  r.doorsLeft = DoorsLeft();
  for (int k = 0; k < 3; k++) r.keys[k] = Player.keys[k];
  for (int i = 0; i < MonsterCount && i < MONSTER_SLOTS; i++) {
    const SMonsters& m = Monsters.monsters[i];
    if (m.kind < 0 || m.kind >= MONSTER_KINDS_LOADED) continue;
    r.placed[m.kind]++;
    if (m.health <= 0) r.killed[m.kind]++;
  }
  r.end = ReadPlace(marksPath, "end");
  r.playerX = Player.x;
  r.playerY = Player.y;
  r.health = Player.health;
  return r;
}

}  // namespace runcheck

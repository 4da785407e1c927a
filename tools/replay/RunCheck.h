// What a scripted run through the level must have achieved, read from the
// game's state after the last tick: every key card taken, every door
// opened, monsters of every kind killed and the far end of the level
// (the "end" place of the level source) reached.
#ifndef TARVS_RUNCHECK_H
#define TARVS_RUNCHECK_H

#include <cmath>
#include <string>

#include "actors/Monsters.h"

namespace runcheck {

struct Place {
  bool found = false;
  float x = 0, y = 0;
};

// Reads a named place from the side file the level compiler writes
// ("name column row world_x world_y" lines, ';' comments).
Place ReadPlace(const char* marksPath, const char* name);

// Doors still standing in the cell table.
int DoorsLeft();

struct Report {
  int doorsAtStart = 0;
  int doorsLeft = 0;
  bool keys[3] = {false, false, false};
  int placed[MONSTER_KINDS_LOADED] = {0, 0, 0, 0};
  int killed[MONSTER_KINDS_LOADED] = {0, 0, 0, 0};
  Place end;
  float playerX = 0, playerY = 0;
  int health = 0;

  bool AllKeys() const { return keys[0] && keys[1] && keys[2]; }
  bool AllDoors() const { return doorsAtStart > 0 && doorsLeft == 0; }
  bool EveryKindKilled() const {
    for (int k = 0; k < MONSTER_KINDS_LOADED; k++)
      if (killed[k] == 0) return false;
    return true;
  }
  // Within a unit of the end place, on its row.
  bool ReachedEnd() const {
    return end.found && std::fabs(playerX - end.x) <= 1.0f && std::fabs(playerY - end.y) <= 1.0f;
  }
  bool Passed() const { return AllKeys() && AllDoors() && EveryKindKilled() && ReachedEnd(); }

  std::string Text() const;
};

// Fills the report from the game's state now; doorsAtStart comes from the
// caller, who counted before the first tick.
Report Collect(int doorsAtStart, const char* marksPath);

}  // namespace runcheck

#endif

// Levels filled to the tables' limits (or a chosen share of them), built
// straight into the game's tables for speed and agreement checks: floors of
// platform cells, monsters of every kind walking them, shots flying along
// them, and on request walls, doors and boxes standing in their way.
#ifndef TARVS_CAPACITY_LEVEL_H
#define TARVS_CAPACITY_LEVEL_H

namespace capacity {

struct SPlan {
  int cells = 4096;            // cells in the table, in floors of `wide`
  int wide = 256;              // cells per floor
  int monsters = 2048;         // spread evenly over the floors
  int shots = 2000;            // monsters' plasma and plain shots in flight
  bool obstacles = false;      // blocks, doors of every colour and boxes on the floors
  bool playerShots = false;    // every third shot a trace of the player's instead
  bool playerOnFloor = false;  // the player stands on the top floor (else far apart)
};

// Replaces the cell table, the monsters and the shots in flight; places the
// player and gives it full health. Monsters are placed through the game's
// own placement, so it draws from the random generator as level loading
// does.
void Build(const SPlan& plan);

}  // namespace capacity

#endif

// Small worlds for the game's tests: map cells and monsters written
// straight into the game's tables, and a reset of the state the tick
// functions share, so that each test starts from an empty level.
#ifndef TARVS_TEST_WORLD_H
#define TARVS_TEST_WORLD_H

#include "world/Level.h"

namespace testworld {

// Opens the tests' GL context at w x h, gives the game a screen of that
// size and sets up the engine's GL state, as the engine does at start.
// False when no context can be had.
bool OpenScreen(int w, int h);

// Empties the level: no map cells, no monsters, no shots, sparks, plasma or
// blood, no effects or corpses, no key held and no HUD message. The player
// and the loaded models are left as they are; each fixture sets up the
// player it needs.
void ClearWorld();

// Releases every key of the engine's key table.
void ReleaseKeys();

// Appends a map cell (no actor on it) and returns it for further changes.
// A full table gives a scratch cell that is not part of the level.
SMapCell& AddCell(float x, float y, int wallType, int boxModel = -1, int itemKind = -1,
                  int textureIndex = 0);

// A row of wall cells from column `from` to column `to` at height y.
void AddFloor(int from, int to, float y, int wallType);

// Puts a live monster straight into the next slot, facing right on its
// first frame, and returns its index (-1 when every slot is taken).
int PlaceMonster(float x, float y, int kind = 0, int health = 70);

}  // namespace testworld

#endif

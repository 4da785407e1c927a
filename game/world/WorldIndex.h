// Uniform grids over the level's cells and the monster slots, so that the
// collision queries test only what lies near their box instead of every
// cell and every monster.
//
// Each grid buckets items by their centre. A query widens its box by the
// largest half-size an item's collision box can have (plus a rounding
// margin) and gathers the items of the buckets that box covers: a superset
// of everything that can overlap it. Positions outside the grid clamp to
// its border buckets, so any finite position is found; items whose
// position is not a number can overlap nothing and are left out.
//
// The grids follow the tables:
// - the level loader rebuilds both;
// - the monster module reports each placement and each move;
// - every query notices a changed cell or monster count and rebuilds;
// - SyncWorldIndex (called at the start of each tick's modules) notices
//   positions written straight into the tables and re-buckets them.
// Code that moves cells, gives them wider pieces, or moves monsters by hand
// and then queries at once, without a tick in between, calls
// SyncWorldIndex itself.
#ifndef TARVS_WORLD_INDEX_H
#define TARVS_WORLD_INDEX_H

// Builds both grids from the current tables, choosing the grid's extent
// from where the cells lie.
void RebuildWorldIndex();
// Re-buckets every cell and monster slot whose position no longer matches
// the grids (and rebuilds when a count changed).
void SyncWorldIndex();
// The monster in `slot` was placed or moved.
void MonsterMoved(int slot);

// Cells whose collision box may overlap the box [minX, maxX] x [minY, maxY];
// `out` must hold MAX_MAP_CELLS entries. Unordered unless `sorted`.
int GatherCells(double minX, double maxX, double minY, double maxY, int* out, bool sorted);
// Monster slots (below MonsterCount, live or not) whose body may overlap the
// box; `out` must hold MONSTER_SLOTS entries. Unordered unless `sorted`.
int GatherMonsters(double minX, double maxX, double minY, double maxY, int* out, bool sorted);

// As above, but keeps only the items that can stop something inside the
// box as things stand: cells by their current wall piece and box, live
// monsters other than `exclude`. Unordered. For sweeps along a row that
// then test the few survivors position by position.
int GatherCellsNear(double minX, double maxX, double minY, double maxY, int* out);
int GatherMonstersNear(double minX, double maxX, double minY, double maxY, int exclude, int* out);

#endif

// The level: the cell table read from the map file, its shared resources
// (wall textures, background, box model, level sounds), drawing, pickups,
// doors and the game's one collision query.
#ifndef TARVS_LEVEL_H
#define TARVS_LEVEL_H

#include <cstddef>
#include <cstdint>

#include "CorvaneEngine.h"
#include "MapFormat.h"

// Mover codes for CanMoveTo; a monster passes its own slot index (0..2047).
constexpr int WHO_PLAYER = -6;
constexpr int WHO_BULLET = -5;

// Largest map file read: a full table is 80 KiB; a larger file still gives
// its first MAX_MAP_CELLS cells, up to this cap.
constexpr size_t kMaxMapFile = size_t{1} << 20;

// One map cell. x and y are world units: x the column (moved right for a
// box), y the negated row (moved for blocks, doors and boxes). A field of
// -1 means "nothing of that sort in this cell".
struct SMapCell {
  float x;
  float y;
  int16_t boxModel;      // MapBox: index into BoxModels, BOX_NONE none
  int16_t actorCode;     // MapActor: ACTOR_NONE, player start, monster kind + 1
  int16_t textureIndex;  // index into WallTextures
  int16_t itemKind;      // MapItem: pickup kind, ITEM_NONE none or taken
  int16_t wallType;      // MapWall: WALL_NONE none or opened door
};

extern SMapCell MapCells[MAX_MAP_CELLS];
extern int MapCellCount;
extern GLTexture WallTextures[MAP_TEXTURES];
extern GLTexture BackTexture;
// Pixels of background scroll per world unit of the player's x.
extern float BackScrollFactor;
extern TModel BoxModels[10];

extern TSoundBuffer* DoorOpenSound;
extern TSoundBuffer* WeaponPickupSound;
extern TSoundBuffer* ItemPickupSound;
extern TSoundBuffer* NoWaySound;

// Reads the map file, places the player and the monsters, loads the
// level's textures, box model and sounds. A missing file gives an empty
// level (logged).
void LoadLevel(const char* path);

// Reads only the cell table from the map file (replacing the current one),
// placing the player and the monsters and logging as LoadLevel does; no GL
// or sound work. Returns false when the file could not be opened.
bool ReadLevelCells(const char* path);
// The same from a map file image in memory (size bytes at data); path is
// used in the log lines.
void ParseLevelCells(const unsigned char* data, size_t size, const char* path);
// Recomputes BackScrollFactor from the horizontal extent of the cells.
void ComputeBackScroll();

void DrawLevel();
// Hands pickups near the player to the player.
void ProcessLevel();
// True when a box w x h centred on (x, y) touches no obstacle. `who` is
// WHO_PLAYER, WHO_BULLET or a monster slot. The player's queries open
// doors whose key card it holds and report missing cards.
bool CanMoveTo(float x, float y, float w, float h, int who);
// True when two centred boxes overlap with positive area. Inline: the
// collision code calls it in its innermost loops.
inline bool BoxOverlap(float x1, float y1, float w1, float h1, float x2, float y2, float w2,
                       float h2) {
  const float l1 = x1 - w1 / 2;
  const float l2 = x2 - w2 / 2;
  const float b1 = y1 - h1 / 2;
  const float b2 = y2 - h2 / 2;
  return l2 + w2 > l1 && l1 + w1 > l2 && b2 + h2 > b1 && b1 + h1 > b2;
}

// Half-sizes of the largest box with which a cell stops anyone but the
// player (its wall piece or its box); false when it stops nothing.
bool CellReach(const SMapCell& cell, double& rx, double& ry);

// A box that stops whatever overlaps it.
struct SBlockBox {
  float x, y, w, h;
};
// Room for every box GatherBlockBoxes can return: two per cell, one per
// monster slot.
constexpr int MAX_BLOCK_BOXES = 2 * MAX_MAP_CELLS + 2048;
// The boxes that can stop anyone but the player inside the box [minX, maxX]
// x [minY, maxY] as things stand: cells' wall pieces and boxes and, with
// `withMonsters`, the live monsters other than `exclude`. For callers that
// ask many side-effect-free questions about one stretch of the level while
// nothing there changes: a box w x h at (x, y) is free exactly when it
// overlaps none of them.
int GatherBlockBoxes(double minX, double maxX, double minY, double maxY, bool withMonsters,
                     int exclude, SBlockBox* out);
inline bool OverlapsAny(const SBlockBox* boxes, int n, float x, float y, float w, float h) {
  for (int k = 0; k < n; k++)
    if (BoxOverlap(x, y, w, h, boxes[k].x, boxes[k].y, boxes[k].w, boxes[k].h)) return true;
  return false;
}

// True when the centres are closer than r1 + r2.
bool CircleOverlap(float x1, float y1, float r1, float x2, float y2, float r2);

// Wall pieces, drawn at the current transformation.
void DrawBlock();
void DrawPlatform();
void DrawDoor();

#endif

// The level: the cell table read from the map file, its shared resources
// (wall textures, background, box model, level sounds), drawing, pickups,
// doors and the game's one collision query.
#ifndef TARVS_LEVEL_H
#define TARVS_LEVEL_H

#include <cstddef>
#include <cstdint>

#include "CorvaneEngine.h"

// Mover codes for CanMoveTo; a monster passes its own slot index (0..2047).
constexpr int WHO_PLAYER = -6;
constexpr int WHO_BULLET = -5;

// The level holds at most this many cells.
constexpr int MAX_MAP_CELLS = 4096;
// Size of one record in the map file.
constexpr int MAP_RECORD_SIZE = 20;
// Largest map file read: a full table is 80 KiB; a larger file still gives
// its first 4096 cells, up to this cap.
constexpr size_t kMaxMapFile = size_t{1} << 20;

// Wall piece codes of a cell.
constexpr int WALL_NONE = -1;
constexpr int WALL_BLOCK = 0;
constexpr int WALL_PLATFORM = 1;
constexpr int WALL_DOOR_BLUE = 2;
constexpr int WALL_DOOR_RED = 3;
constexpr int WALL_DOOR_YELLOW = 4;

// One map cell. x and y are world units: x the column (moved right for a
// box), y the negated row (moved for blocks, doors and boxes). A field of
// -1 means "nothing of that sort in this cell".
struct SMapCell {
  float x;
  float y;
  int16_t boxModel;      // index into BoxModels, -1 none
  int16_t actorCode;     // -1 none, 0 player start, 1..4 monster kind + 1
  int16_t textureIndex;  // index into WallTextures
  int16_t itemKind;      // pickup kind 0..8, -1 none or taken
  int16_t wallType;      // WALL_* code, -1 none or opened door
};

extern SMapCell MapCells[MAX_MAP_CELLS];
extern int MapCellCount;
extern GLTexture WallTextures[9];
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
// True when two centred boxes overlap with positive area.
bool BoxOverlap(float x1, float y1, float w1, float h1,
                float x2, float y2, float w2, float h2);
// True when the centres are closer than r1 + r2.
bool CircleOverlap(float x1, float y1, float r1, float x2, float y2, float r2);

// Wall pieces, drawn at the current transformation.
void DrawBlock();
void DrawPlatform();
void DrawDoor();

#endif

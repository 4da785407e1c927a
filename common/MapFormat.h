// The binary map: one 20-byte little-endian record per cell, the codes its
// fields hold, the names the level source gives those codes, and the
// limits. The level compiler writes this format and the game reads it, so
// both take every fact about it from here.
#ifndef CORVANE_MAP_FORMAT_H
#define CORVANE_MAP_FORMAT_H

#include <cstdint>

// The level holds at most this many cells.
constexpr int MAX_MAP_CELLS = 4096;

// One record: two 32-bit integers, then six 16-bit ones (the last unused).
constexpr int MAP_RECORD_SIZE = 20;
constexpr int MAP_FIELD_COLUMN = 0;    // int32, x of the cell
constexpr int MAP_FIELD_ROW = 4;       // int32, y counted downwards
constexpr int MAP_FIELD_BOX = 8;       // int16, MapBox
constexpr int MAP_FIELD_ACTOR = 10;    // int16, MapActor
constexpr int MAP_FIELD_TEXTURE = 12;  // int16, wall texture 0..MAP_TEXTURES-1
constexpr int MAP_FIELD_ITEM = 14;     // int16, MapItem
constexpr int MAP_FIELD_WALL = 16;     // int16, MapWall
constexpr int MAP_FIELD_SPARE = 18;    // int16, written as 0
static_assert(MAP_FIELD_SPARE + 2 == MAP_RECORD_SIZE, "record fields fill the record");

// Number of wall textures a cell may name.
constexpr int MAP_TEXTURES = 9;

// Wall piece of a cell. Doors open with the key card of their colour.
enum MapWall {
  WALL_NONE = -1,
  WALL_BLOCK = 0,
  WALL_PLATFORM = 1,
  WALL_DOOR_BLUE = 2,
  WALL_DOOR_RED = 3,
  WALL_DOOR_YELLOW = 4,
};
constexpr int MAP_WALL_LAST = WALL_DOOR_YELLOW;

// Who stands on a cell at the start: the player, or a monster whose kind is
// the code minus ACTOR_FIRST_MONSTER.
enum MapActor {
  ACTOR_NONE = -1,
  ACTOR_PLAYER = 0,
  ACTOR_SPIDER = 1,
  ACTOR_DEMON = 2,
  ACTOR_SOLDIER = 3,
  ACTOR_MUTANT = 4,
};
constexpr int ACTOR_FIRST_MONSTER = ACTOR_SPIDER;
constexpr int MAP_ACTOR_LAST = ACTOR_MUTANT;

// Pickup lying on a cell.
enum MapItem {
  ITEM_NONE = -1,
  ITEM_MACHINEGUN = 0,
  ITEM_SHOTGUN = 1,
  ITEM_MEDKIT = 2,
  ITEM_BULLETS = 3,
  ITEM_SHELLS = 4,
  ITEM_ROCKETS = 5,
  ITEM_BLUE_KEY = 6,
  ITEM_RED_KEY = 7,
  ITEM_YELLOW_KEY = 8,
};
constexpr int MAP_ITEM_KINDS = ITEM_YELLOW_KEY + 1;

// Box model standing on a cell.
enum MapBox {
  BOX_NONE = -1,
  BOX_CRATE = 0,
};
constexpr int MAP_BOX_LAST = BOX_CRATE;

// A code and the word the level source uses for it.
struct MapName {
  const char* name;
  int value;
};

inline constexpr MapName MAP_WALL_NAMES[] = {{"block", WALL_BLOCK},
                                             {"platform", WALL_PLATFORM},
                                             {"blue", WALL_DOOR_BLUE},
                                             {"red", WALL_DOOR_RED},
                                             {"yellow", WALL_DOOR_YELLOW}};
inline constexpr MapName MAP_ACTOR_NAMES[] = {{"player", ACTOR_PLAYER},
                                              {"spider", ACTOR_SPIDER},
                                              {"demon", ACTOR_DEMON},
                                              {"soldier", ACTOR_SOLDIER},
                                              {"mutant", ACTOR_MUTANT}};
inline constexpr MapName MAP_ITEM_NAMES[] = {
    {"machinegun", ITEM_MACHINEGUN}, {"shotgun", ITEM_SHOTGUN}, {"medkit", ITEM_MEDKIT},
    {"bullets", ITEM_BULLETS},       {"shells", ITEM_SHELLS},   {"rockets", ITEM_ROCKETS},
    {"bluekey", ITEM_BLUE_KEY},      {"redkey", ITEM_RED_KEY},  {"yellowkey", ITEM_YELLOW_KEY}};
inline constexpr MapName MAP_BOX_NAMES[] = {{"crate", BOX_CRATE}};

#endif

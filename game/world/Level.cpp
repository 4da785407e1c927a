// The level: reading the map file, drawing the cells, pickups, doors and the
// collision query.
#include "world/Level.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "BoundedReader.h"
#include "Cp1251.h"
#include "actors/Effects.h"
#include "actors/Items.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "hud/Hud.h"
#include "world/WorldIndex.h"

SMapCell MapCells[MAX_MAP_CELLS];
int MapCellCount = 0;
GLTexture WallTextures[MAP_TEXTURES];
GLTexture BackTexture = 0;
float BackScrollFactor = 0.0f;
TModel BoxModels[10];

TSoundBuffer* DoorOpenSound = nullptr;
TSoundBuffer* WeaponPickupSound = nullptr;
TSoundBuffer* ItemPickupSound = nullptr;
TSoundBuffer* NoWaySound = nullptr;

namespace {

// A sound that failed to load stays null and is simply not heard.
void PlaySound(TSoundBuffer* sound) {
  if (sound) sound->Play(0, 0, 0);
}

// Keeps a field when it lies in [lo, hi]; otherwise logs the refusal and
// puts `fallback` in its place, so that no out-of-range value is ever used
// as an index.
int16_t CheckField(int16_t value, int lo, int hi, int16_t fallback, const char* name, int record,
                   const char* path) {
  if (value >= lo && value <= hi) return value;
  AddToLog(RU("Карта %s, клетка %d: значение %d поля %s вне допустимых пределов, не используется"),
           path, record, static_cast<int>(value), name);
  return fallback;
}

// Truncates toward zero, held well inside int so that the extent arithmetic
// cannot overflow on hostile coordinates.
int TruncExtent(float v) {
  const float limit = 536870912.0f;  // 2^29
  if (!(v > -limit)) return -536870912;
  if (!(v < limit)) return 536870912;
  return static_cast<int>(v);
}

}  // namespace

void ParseLevelCells(const unsigned char* data, size_t size, const char* path) {
  MapCellCount = 0;
  bounded::ByteCursor in(data, size);
  int droppedMonsters = 0;
  bool full = false;
  while (in.Left() >= static_cast<size_t>(MAP_RECORD_SIZE)) {
    if (MapCellCount >= MAX_MAP_CELLS) {
      AddToLog(RU("Карта %s содержит больше %d клеток, остальные отброшены."), path, MAX_MAP_CELLS);
      full = true;
      break;
    }
    const int index = MapCellCount;
    // Each record is read through its own cursor: 18 bytes of fields and
    // two of padding.
    bounded::ByteCursor rec(in.Here(), MAP_RECORD_SIZE);
    in.Skip(MAP_RECORD_SIZE);
    // Fields in the order the record lays them out.
    static_assert(MAP_FIELD_COLUMN == 0 && MAP_FIELD_ROW == 4 && MAP_FIELD_BOX == 8 &&
                      MAP_FIELD_ACTOR == 10 && MAP_FIELD_TEXTURE == 12 && MAP_FIELD_ITEM == 14 &&
                      MAP_FIELD_WALL == 16,
                  "the reads below follow the record layout");
    const int32_t column = rec.I32();
    const int32_t row = rec.I32();
    SMapCell& cell = MapCells[index];
    cell.x = static_cast<float>(column);
    cell.y = static_cast<float>(row);
    cell.boxModel = CheckField(rec.I16(), BOX_NONE, MAP_BOX_LAST, BOX_NONE, "box", index, path);
    cell.actorCode =
        CheckField(rec.I16(), ACTOR_NONE, MAP_ACTOR_LAST, ACTOR_NONE, "actor", index, path);
    cell.textureIndex = CheckField(rec.I16(), 0, MAP_TEXTURES - 1, 0, "texture", index, path);
    cell.itemKind =
        CheckField(rec.I16(), ITEM_NONE, MAP_ITEM_KINDS - 1, ITEM_NONE, "item", index, path);
    cell.wallType = CheckField(rec.I16(), WALL_NONE, MAP_WALL_LAST, WALL_NONE, "wall", index, path);
    MapCellCount++;

    // Blocks sit 0.4 above their row, doors 0.5; platforms stay on it.
    if (cell.wallType == WALL_BLOCK) cell.y -= 0.4;
    if (cell.wallType > WALL_PLATFORM) cell.y -= 0.5;
    if (cell.actorCode == ACTOR_PLAYER) {
      Player.x = static_cast<float>(column);
      Player.y = -static_cast<float>(row) + 0.2;
      AddToLog(RU("Игрок находится в (%d,%d)"), static_cast<int>(column), static_cast<int>(row));
    }
    // Every kind 0..3 is known, so a refusal means the table is full.
    if (cell.actorCode >= ACTOR_FIRST_MONSTER &&
        !Monsters.Add(static_cast<float>(column), -static_cast<float>(row),
                      cell.actorCode - ACTOR_FIRST_MONSTER))
      droppedMonsters++;
    // A box moves the whole cell: its wall piece and pickup too.
    if (cell.boxModel == BOX_CRATE) {
      cell.y -= 0.13;
      cell.x += 0.5;
    }
    cell.y = -cell.y;
  }
  if (droppedMonsters > 0)
    AddToLog(RU("Карта %s: %d монстров не поместились в таблицу из %d мест, пропущены."), path,
             droppedMonsters, MONSTER_SLOTS);
  if (!full && in.Left() > 0)
    AddToLog(RU("Карта %s: %d лишних байт после последней записи не прочитаны."), path,
             static_cast<int>(in.Left()));
  AddToLog(RU("Прочитано %d клеток карты %s."), MapCellCount, path);
}

bool ReadLevelCells(const char* path) {
  MapCellCount = 0;
  bounded::FileBytes file;
  switch (bounded::ReadFileCapped(path, kMaxMapFile, &file)) {
    case bounded::ReadResult::kOk: break;
    case bounded::ReadResult::kTooLarge:
      AddToLog(RU("Файл карты %s больше %d КиБ, уровень пуст."), path,
               static_cast<int>(kMaxMapFile >> 10));
      AddToLog(RU("Прочитано %d клеток карты %s."), MapCellCount, path);
      return false;
    default:
      AddToLog(RU("Не удалось открыть файл карты %s, уровень пуст."), path);
      AddToLog(RU("Прочитано %d клеток карты %s."), MapCellCount, path);
      return false;
  }
  ParseLevelCells(file.data(), file.size(), path);
  return true;
}

void ComputeBackScroll() {
  // -1 doubles as the "not set yet" mark for both extents.
  int maxX = -1;
  int minX = -1;
  for (int i = 0; i < MapCellCount; i++) {
    const float x = MapCells[i].x;
    if (x > maxX || maxX == -1) maxX = TruncExtent(x);
    if (x < minX || minX == -1) minX = TruncExtent(x);
  }
  maxX += 4;
  const int span = maxX - minX;
  // The span is at least 4 for any table; the guard keeps a stray zero
  // from making the scroll infinite.
  if (span != 0) BackScrollFactor = 512.0f / static_cast<float>(span);
}

namespace {
void BuildWalls();
}  // namespace

void LoadLevel(const char* path) {
  ReadLevelCells(path);
  RebuildWorldIndex();

  // Drawn pixel for pixel on the logical screen: no mipmaps to make.
  BackTexture = LoadTextureNoMipmaps("data/textures/BACK.tga");
  char name[64];
  for (int i = 0; i < 9; i++) {
    std::snprintf(name, sizeof(name), "data/textures/%d.tga", i);
    WallTextures[i] = LoadTexture(name);
  }

  BoxModels[0].Load("data/obj/box.mdl", LoadTexture("data/obj/box.tga"));
  BoxModels[0].InitModel(BoxModels[0].unitScale, 90, 0, 0, 0, 0, 0);

  LoadDirectSound(&DoorOpenSound, "data/sounds/dsbdopn.wav");
  LoadDirectSound(&WeaponPickupSound, "data/sounds/dswpnup.wav");
  LoadDirectSound(&ItemPickupSound, "data/sounds/dsitemup.wav");
  LoadDirectSound(&NoWaySound, "data/sounds/dsnoway.wav");

  ComputeBackScroll();
  BuildWalls();
}

// ---------------------------------------------------------------- drawing

namespace {

// The seven quads shared by all wall pieces, on the cube -1..1; local +z is
// the top face once the cell's RotateX(90) is applied, local y the depth.
const float kQuadVertices[28][3] = {{-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1},  // top
                                    {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1},  // top again
                                    {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1},   // bottom
                                    {-1, 1, -1},  {-1, 1, 1},  {1, 1, 1},  {1, 1, -1},    // back
                                    {-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1},   // front
                                    {1, -1, -1},  {1, 1, -1},  {1, 1, 1},  {1, -1, 1},    // right
                                    {-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}};  // left

// Texture coordinates per piece; the texture repeats three times along the
// depth where the face is long.
const float kBlockTex[28][2] = {{0, 1}, {0, 0}, {3, 0}, {3, 1}, {0, 0}, {1, 0}, {1, 1},
                                {0, 1}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, {0, 1}, {0, 0},
                                {1, 0}, {1, 1}, {1, 1}, {0, 1}, {0, 0}, {1, 0}, {0, 0},
                                {3, 0}, {3, 1}, {0, 1}, {0, 1}, {0, 0}, {3, 0}, {3, 1}};

const float kPlatformTex[28][2] = {{0, 1}, {0, 0}, {3, 0},    {3, 1},    {0, 0}, {0, 0}, {1, 1},
                                   {0, 1}, {1, 0}, {1, 1},    {0, 1},    {0, 0}, {0, 1}, {0, 0},
                                   {1, 0}, {1, 1}, {1, 0.2f}, {0, 0.2f}, {0, 0}, {1, 0}, {1, 0},
                                   {1, 1}, {0, 1}, {0, 0},    {0, 0},    {1, 0}, {1, 1}, {0, 1}};

const float kDoorTex[28][2] = {{0, 1}, {0, 0}, {0.1f, 0}, {0.1f, 1}, {0, 0}, {1, 0},    {1, 1},
                               {0, 1}, {1, 0}, {1, 1},    {0, 1},    {0, 0}, {0, 1},    {0, 0},
                               {1, 0}, {1, 1}, {0.1f, 1}, {0, 1},    {0, 0}, {0.1f, 0}, {1, 1},
                               {0, 1}, {0, 0}, {1, 0},    {1, 0},    {1, 1}, {0, 1},    {0, 0}};

void DrawPiece(double sx, double sy, double sz, const float (*tex)[2]) {
  Size3D(sx, sy, sz);
  Size3D(0.5);
  DrawQuads(kQuadVertices, tex, 28);
}

}  // namespace

void DrawBlock() { DrawPiece(1, 3, 1, kBlockTex); }
void DrawPlatform() { DrawPiece(1, 3, 0.2, kPlatformTex); }
void DrawDoor() { DrawPiece(0.3, 3, 2.8, kDoorTex); }

namespace {

// The walls as static quads, built when the level loads: every wall piece
// in world coordinates, the cells ordered by texture and then by x, so that
// the visible walls of one texture are one range and one draw call. What
// the buffer was built from is kept, so that a door that opens is taken
// out of its range and any other change to the cells (a level made by
// hand, a new context) builds it anew.
struct SWallCell {
  float x, y;
  int16_t wall, texture;
};
SWallCell BuiltCells[MAX_MAP_CELLS];
int BuiltCellCount = -1;
// Per cell, the first of its 28 corners in the buffer; -1 without a wall.
int WallCorner[MAX_MAP_CELLS];
// Cells with a wall in buffer order, and where each texture's run starts.
int WallOrder[MAX_MAP_CELLS];
int TextureRunStart[MAP_TEXTURES + 1];
unsigned int WallBuffer = 0;
constexpr int kPieceCorners = 28;

bool HasWall(const SMapCell& cell) {
  return cell.wallType != WALL_NONE && cell.textureIndex >= 0 && cell.textureIndex < MAP_TEXTURES;
}

// The 28 corners of a cell's wall piece in world coordinates: what the
// drawing matrix of the piece (the cell's place, RotateX(90), the piece's
// scale, then one half) makes of them. Local y becomes the depth (-z),
// local z the height.
void PieceCorners(const SMapCell& cell, float (*xyz)[3], float (*st)[2]) {
  double sx = 1, sy = 3, sz = 1;
  const float(*tex)[2] = kBlockTex;
  if (cell.wallType == WALL_PLATFORM) {
    sz = 0.2;
    tex = kPlatformTex;
  } else if (cell.wallType != WALL_BLOCK) {
    sx = 0.3;
    sz = 2.8;
    tex = kDoorTex;
  }
  for (int i = 0; i < kPieceCorners; i++) {
    const float* v = kQuadVertices[i];
    xyz[i][0] = static_cast<float>(cell.x + 0.5 * sx * v[0]);
    xyz[i][1] = static_cast<float>(cell.y + 0.5 * sz * v[2]);
    xyz[i][2] = static_cast<float>(-0.5 * sy * v[1]);
    st[i][0] = tex[i][0];
    st[i][1] = tex[i][1];
  }
}

void BuildWalls() {
  if (WallBuffer) DeleteQuadBuffer(WallBuffer);
  WallBuffer = 0;
  int n = 0;
  for (int i = 0; i < MapCellCount; i++) {
    WallCorner[i] = -1;
    if (HasWall(MapCells[i])) WallOrder[n++] = i;
  }
  // A cell placed by hand may hold any float; the order must stay strict.
  auto sortX = [](float x) { return std::isfinite(x) ? x : 0.0f; };
  std::stable_sort(WallOrder, WallOrder + n, [&sortX](int a, int b) {
    const SMapCell& ca = MapCells[a];
    const SMapCell& cb = MapCells[b];
    if (ca.textureIndex != cb.textureIndex) return ca.textureIndex < cb.textureIndex;
    return sortX(ca.x) < sortX(cb.x);
  });
  std::vector<float> xyz(static_cast<size_t>(n) * kPieceCorners * 3);
  std::vector<float> st(static_cast<size_t>(n) * kPieceCorners * 2);
  int run = 0;
  for (int k = 0; k < n; k++) {
    const SMapCell& cell = MapCells[WallOrder[k]];
    while (run <= cell.textureIndex) TextureRunStart[run++] = k;
    WallCorner[WallOrder[k]] = k * kPieceCorners;
    PieceCorners(cell, reinterpret_cast<float(*)[3]>(&xyz[k * kPieceCorners * 3]),
                 reinterpret_cast<float(*)[2]>(&st[k * kPieceCorners * 2]));
  }
  while (run <= MAP_TEXTURES) TextureRunStart[run++] = n;
  if (n > 0)
    WallBuffer =
        CreateQuadBuffer(reinterpret_cast<const float(*)[3]>(xyz.data()),
                         reinterpret_cast<const float(*)[2]>(st.data()), n * kPieceCorners);
  for (int i = 0; i < MapCellCount; i++) {
    const SMapCell& c = MapCells[i];
    BuiltCells[i] = SWallCell{c.x, c.y, c.wallType, c.textureIndex};
  }
  BuiltCellCount = MapCellCount;
}

// Brings the buffer in line with the cells: an opened door's corners are
// made into nothing (zero-area quads); any other change builds it anew.
void SyncWalls() {
  if (BuiltCellCount != MapCellCount) {
    BuildWalls();
    return;
  }
  static const float kNoCorners[kPieceCorners][3] = {};
  static const float kNoTex[kPieceCorners][2] = {};
  for (int i = 0; i < MapCellCount; i++) {
    const SMapCell& c = MapCells[i];
    SWallCell& b = BuiltCells[i];
    // Positions compared bit for bit, so that a NaN placed by hand does
    // not count as a change every frame.
    const bool samePlace =
        std::memcmp(&c.x, &b.x, sizeof(float)) == 0 && std::memcmp(&c.y, &b.y, sizeof(float)) == 0;
    if (samePlace && c.wallType == b.wall && c.textureIndex == b.texture) continue;
    const bool opened = samePlace && b.wall >= WALL_DOOR_BLUE && c.wallType == WALL_NONE &&
                        c.textureIndex == b.texture && WallCorner[i] >= 0;
    if (!opened ||
        !UpdateQuadBuffer(WallBuffer, WallCorner[i], kNoCorners, kNoTex, kPieceCorners)) {
      BuildWalls();
      return;
    }
    b.wall = c.wallType;
  }
}

// Each texture's visible walls in one draw: from the first to the last cell
// of its run that the view can see (the cells between are clipped by GL
// where they are out of view).
bool DrawWallRuns() {
  for (int t = 0; t < MAP_TEXTURES; t++) {
    int first = -1, last = -1;
    for (int k = TextureRunStart[t]; k < TextureRunStart[t + 1]; k++) {
      const SMapCell& cell = MapCells[WallOrder[k]];
      if (cell.wallType == WALL_NONE || !SphereInFrustum(cell.x, cell.y, 0, 2.0f)) continue;
      if (first < 0) first = k;
      last = k;
    }
    if (first < 0) continue;
    SetTexture(WallTextures[t]);
    const int from = WallCorner[WallOrder[first]];
    const int to = WallCorner[WallOrder[last]] + kPieceCorners;
    if (!DrawQuadBuffer(WallBuffer, from, to - from)) return false;
  }
  return true;
}

void DrawWalls() {
  SyncWalls();
  // Walls are opaque and white whatever was drawn before.
  Begin3D();
  End3D();
  Begin3D();
  // A buffer of an earlier context is built anew once.
  if (!DrawWallRuns()) {
    BuildWalls();
    DrawWallRuns();
  }
  End3D();
}

}  // namespace

void DrawLevel() {
  // The background is 1536 pixels wide and scrolls with the player.
  Begin2D();
  SetTexture(BackTexture);
  DrawRectangle(-(Player.x * BackScrollFactor), 0, 1536, 768);
  End2D();

  DrawWalls();
  for (int i = 0; i < MapCellCount; i++) {
    SMapCell& cell = MapCells[i];
    if (cell.itemKind == ITEM_NONE && cell.boxModel < 0) continue;
    if (!SphereInFrustum(cell.x, cell.y, 0, 2.0f)) continue;
    if (cell.itemKind != ITEM_NONE) {
      Items.DrawItem(cell.x, cell.y + 0.2f, cell.itemKind);
      if (cell.itemKind == ITEM_SHELLS) Items.DrawItem(cell.x, cell.y + 0.2f, ITEM_SHELLS_SLOT);
    }
    if (cell.boxModel >= 0 && cell.boxModel < 10) {
      BoxModels[cell.boxModel].Move(cell.x, cell.y, 0);
      BoxModels[cell.boxModel].DrawStatic();
    }
  }
}

// ---------------------------------------------------------------- pickups

namespace {

// What a pickup gives: a weapon slot (-1 none), an amount of one ammunition
// counter, health up to 100, a key card (-1 none), and the message shown.
// Guns and ammunition sound as weapons, the rest as items.
struct SPickup {
  bool weaponSound;
  int weapon;
  int ammoIndex;
  int ammo;
  int health;
  int key;
  const char* message;
};

const SPickup& Pickup(int kind) {
  static const SPickup kPickups[MAP_ITEM_KINDS] = {
      /* ITEM_MACHINEGUN */ {true, 2, 0, 40, 0, -1, RU("Взят АК47")},
      /* ITEM_SHOTGUN    */ {true, 1, 1, 30, 0, -1, RU("Взят дробовик")},
      /* ITEM_MEDKIT     */ {false, -1, 0, 0, 40, -1, RU("Взята аптечка")},
      /* ITEM_BULLETS    */ {true, -1, 0, 50, 0, -1, RU("Взяты патроны ")},
      /* ITEM_SHELLS     */ {true, -1, 1, 20, 0, -1, RU("Взята дробь")},
      /* ITEM_ROCKETS    */ {true, -1, 2, 10, 0, -1, RU("Взяты ракеты")},
      /* ITEM_BLUE_KEY   */ {false, -1, 0, 0, 0, 0, RU("Взят синий ключ")},
      /* ITEM_RED_KEY    */ {false, -1, 0, 0, 0, 1, RU("Взят красный ключ")},
      /* ITEM_YELLOW_KEY */ {false, -1, 0, 0, 0, 2, RU("Взят желтый ключ")},
  };
  return kPickups[kind];
}

}  // namespace

void ProcessLevel() {
  // The tick starts here: take in cells and monsters placed by hand.
  SyncWorldIndex();
  for (int i = 0; i < MapCellCount; i++) {
    SMapCell& cell = MapCells[i];
    const int kind = cell.itemKind;
    if (kind == ITEM_NONE) continue;
    if (!CircleOverlap(cell.x, cell.y, 0.9f, Player.x, Player.y, 0.5f)) continue;

    cell.itemKind = ITEM_NONE;
    // The reader keeps item codes in range; anything else is just removed.
    if (kind < 0 || kind >= MAP_ITEM_KINDS) {
      PlaySound(ItemPickupSound);
      continue;
    }
    const SPickup& p = Pickup(kind);
    PlaySound(p.weaponSound ? WeaponPickupSound : ItemPickupSound);
    if (p.weapon >= 0) Player.hasWeapon[p.weapon] = true;
    Player.ammo[p.ammoIndex] += p.ammo;
    if (p.health > 0) {
      Player.health += p.health;
      if (Player.health > 100) Player.health = 100;
    }
    if (p.key >= 0) Player.keys[p.key] = true;
    ShowMessage(p.message);
  }
}

// ---------------------------------------------------------------- collision

bool CircleOverlap(float x1, float y1, float r1, float x2, float y2, float r2) {
  // Worked in double so that a distance of exactly r1 + r2 stays a miss
  // instead of rounding either way in float.
  const double dx = static_cast<double>(x2) - x1;
  const double dy = static_cast<double>(y2) - y1;
  return std::sqrt(dx * dx + dy * dy) < static_cast<double>(r1) + r2;
}

namespace {

// Sizes of the boxes that stop movers: per wall piece, a box, a monster.
const float kBlockW = 1.4f, kBlockH = 2.0f;
const float kPlatformW = 1.5f, kPlatformH = 1.3f;
const float kDoorW = 1.3f, kDoorH = 3.2f;
const float kBoxW = 2.5f, kBoxH = 3.0f;
const float kMonsterW = 1.6f, kMonsterH = 2.4f;

// The test of one cell against a box w x h centred on (x, y): true when the
// cell stops it. The player opens doors whose key card it holds (and hears
// about the ones it lacks); for everyone else doors stay shut.
bool CellStops(SMapCell& cell, float x, float y, float w, float h, int who) {
  static const char* const kNeedKey[3] = {RU("Нужен синий ключ"), RU("Нужен красный ключ"),
                                          RU("Нужен желтый ключ")};
  const int wall = cell.wallType;
  if (wall == WALL_BLOCK) {
    if (BoxOverlap(x, y, w, h, cell.x, cell.y, kBlockW, kBlockH)) return true;
  } else if (wall == WALL_PLATFORM) {
    if (BoxOverlap(x, y, w, h, cell.x, cell.y, kPlatformW, kPlatformH)) return true;
  } else if (wall >= WALL_DOOR_BLUE) {
    if (BoxOverlap(x, y, w, h, cell.x, cell.y, kDoorW, kDoorH)) {
      // A wall code without a key card is a door that never opens.
      if (who != WHO_PLAYER || wall > WALL_DOOR_YELLOW) return true;
      const int key = wall - WALL_DOOR_BLUE;
      if (!Player.keys[key]) {
        ShowMessage(kNeedKey[key]);
        PlaySound(NoWaySound);
        return true;
      }
      cell.wallType = WALL_NONE;
      Effects.Add(cell.x, cell.y, cell.textureIndex);
      PlaySound(DoorOpenSound);
    }
  }
  return cell.boxModel == BOX_CRATE && BoxOverlap(x, y, w, h, cell.x, cell.y, kBoxW, kBoxH);
}

bool MonsterBlocks(int j, float x, float y, float w, float h, int who) {
  const SMonsters& m = Monsters.monsters[j];
  return m.health > 0 && j != who && BoxOverlap(x, y, w, h, m.x, m.y, kMonsterW, kMonsterH);
}

// Candidate lists of the queries; no query runs inside another.
int CellCandidates[MAX_MAP_CELLS];
int MonsterCandidates[MONSTER_SLOTS];

}  // namespace

bool CellReach(const SMapCell& cell, double& rx, double& ry) {
  rx = -1;
  ry = -1;
  if (cell.wallType == WALL_BLOCK) {
    rx = kBlockW / 2.0;
    ry = kBlockH / 2.0;
  } else if (cell.wallType == WALL_PLATFORM) {
    rx = kPlatformW / 2.0;
    ry = kPlatformH / 2.0;
  } else if (cell.wallType >= WALL_DOOR_BLUE) {
    rx = kDoorW / 2.0;
    ry = kDoorH / 2.0;
  }
  if (cell.boxModel == BOX_CRATE) {
    rx = std::max(rx, kBoxW / 2.0);
    ry = std::max(ry, kBoxH / 2.0);
  }
  return rx >= 0;
}

int GatherBlockBoxes(double minX, double maxX, double minY, double maxY, bool withMonsters,
                     int exclude, SBlockBox* out) {
  int n = 0;
  const int cells = GatherCellsNear(minX, maxX, minY, maxY, CellCandidates);
  for (int k = 0; k < cells; k++) {
    const SMapCell& cell = MapCells[CellCandidates[k]];
    const int wall = cell.wallType;
    if (wall == WALL_BLOCK)
      out[n++] = SBlockBox{cell.x, cell.y, kBlockW, kBlockH};
    else if (wall == WALL_PLATFORM)
      out[n++] = SBlockBox{cell.x, cell.y, kPlatformW, kPlatformH};
    else if (wall >= WALL_DOOR_BLUE)
      out[n++] = SBlockBox{cell.x, cell.y, kDoorW, kDoorH};
    if (cell.boxModel == BOX_CRATE) out[n++] = SBlockBox{cell.x, cell.y, kBoxW, kBoxH};
  }
  if (!withMonsters) return n;
  const int monsters = GatherMonstersNear(minX, maxX, minY, maxY, exclude, MonsterCandidates);
  for (int k = 0; k < monsters; k++) {
    const SMonsters& m = Monsters.monsters[MonsterCandidates[k]];
    out[n++] = SBlockBox{m.x, m.y, kMonsterW, kMonsterH};
  }
  return n;
}

bool CanMoveTo(float x, float y, float w, float h, int who) {
  const double halfW = std::fabs(static_cast<double>(w)) / 2;
  const double halfH = std::fabs(static_cast<double>(h)) / 2;
  const double minX = x - halfW, maxX = x + halfW, minY = y - halfH, maxY = y + halfH;
  // The player's queries open doors and show messages, so its cells are
  // visited in table order; for everyone else the answer is all that counts.
  const int cells = GatherCells(minX, maxX, minY, maxY, CellCandidates, who == WHO_PLAYER);
  for (int k = 0; k < cells; k++)
    if (CellStops(MapCells[CellCandidates[k]], x, y, w, h, who)) return false;
  if (who != WHO_BULLET) {
    const int monsters = GatherMonsters(minX, maxX, minY, maxY, MonsterCandidates, false);
    for (int k = 0; k < monsters; k++)
      if (MonsterBlocks(MonsterCandidates[k], x, y, w, h, who)) return false;
  }
  return true;
}

// The level: reading the map file, drawing the cells, pickups, doors and the
// collision query.
#include "world/Level.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "BoundedReader.h"
#include "Cp1251.h"
#include "actors/Effects.h"
#include "actors/Items.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "hud/Hud.h"

SMapCell MapCells[MAX_MAP_CELLS];
int MapCellCount = 0;
GLTexture WallTextures[9];
GLTexture BackTexture = 0;
float BackScrollFactor = 0.0f;
TModel BoxModels[10];

TSoundBuffer* DoorOpenSound = nullptr;
TSoundBuffer* WeaponPickupSound = nullptr;
TSoundBuffer* ItemPickupSound = nullptr;
TSoundBuffer* NoWaySound = nullptr;

namespace {

// The engine's loaders take non-const paths; our paths are literals.
char* Path(const char* s) { return const_cast<char*>(s); }

// A sound that failed to load stays null and is simply not heard.
void PlaySound(TSoundBuffer* sound) {
  if (sound) sound->Play(0, 0, 0);
}

// Keeps a field when it lies in [lo, hi]; otherwise logs the refusal and
// puts `fallback` in its place, so that no out-of-range value is ever used
// as an index.
int16_t CheckField(int16_t value, int lo, int hi, int16_t fallback, const char* name, int record) {
  if (value >= lo && value <= hi) return value;
  AddToLog(RU("Клетка карты %d: значение %d поля %s вне допустимых пределов, не используется"),
           record, static_cast<int>(value), name);
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
      AddToLog(RU("Карта %s содержит больше %d клеток, остальные отброшены."), path,
               MAX_MAP_CELLS);
      full = true;
      break;
    }
    const int index = MapCellCount;
    // Each record is read through its own cursor: 18 bytes of fields and
    // two of padding.
    bounded::ByteCursor rec(in.Here(), MAP_RECORD_SIZE);
    in.Skip(MAP_RECORD_SIZE);
    const int32_t column = rec.I32();
    const int32_t row = rec.I32();
    SMapCell& cell = MapCells[index];
    cell.x = static_cast<float>(column);
    cell.y = static_cast<float>(row);
    cell.boxModel = CheckField(rec.I16(), -1, 0, -1, "box", index);
    cell.actorCode = CheckField(rec.I16(), -1, 4, -1, "actor", index);
    cell.textureIndex = CheckField(rec.I16(), 0, 8, 0, "texture", index);
    cell.itemKind = CheckField(rec.I16(), -1, 8, -1, "item", index);
    cell.wallType = CheckField(rec.I16(), -1, 4, -1, "wall", index);
    MapCellCount++;

    // Blocks sit 0.4 above their row, doors 0.5; platforms stay on it.
    if (cell.wallType == WALL_BLOCK) cell.y -= 0.4;
    if (cell.wallType > WALL_PLATFORM) cell.y -= 0.5;
    if (cell.actorCode == 0) {
      Player.x = static_cast<float>(column);
      Player.y = -static_cast<float>(row) + 0.2;
      AddToLog(RU("Игрок находится в (%d,%d)"), static_cast<int>(column), static_cast<int>(row));
    }
    // Every kind 0..3 is known, so a refusal means the table is full.
    if (cell.actorCode > 0 &&
        !Monsters.Add(static_cast<float>(column), -static_cast<float>(row), cell.actorCode - 1))
      droppedMonsters++;
    // A box moves the whole cell: its wall piece and pickup too.
    if (cell.boxModel == 0) {
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
    case bounded::ReadResult::kOk:
      break;
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

void LoadLevel(const char* path) {
  ReadLevelCells(path);

  BackTexture = LoadTexture(Path("data/textures/BACK.tga"));
  char name[64];
  for (int i = 0; i < 9; i++) {
    std::snprintf(name, sizeof(name), "data/textures/%d.tga", i);
    WallTextures[i] = LoadTexture(name);
  }

  BoxModels[0].Load(Path("data/obj/box.mdl"), LoadTexture(Path("data/obj/box.tga")));
  BoxModels[0].InitModel(BoxModels[0].unitScale, 90, 0, 0, 0, 0, 0);

  LoadDirectSound(&DoorOpenSound, Path("data/sounds/dsbdopn.wav"));
  LoadDirectSound(&WeaponPickupSound, Path("data/sounds/dswpnup.wav"));
  LoadDirectSound(&ItemPickupSound, Path("data/sounds/dsitemup.wav"));
  LoadDirectSound(&NoWaySound, Path("data/sounds/dsnoway.wav"));

  ComputeBackScroll();
}

// ---------------------------------------------------------------- drawing

namespace {

// The seven quads shared by all wall pieces, on the cube -1..1; local +z is
// the top face once the cell's RotateX(90) is applied, local y the depth.
const float kQuadVertices[28][3] = {
    {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},   {-1, 1, 1},    // top
    {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},   {-1, 1, 1},    // top again
    {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1},  {1, -1, -1},   // bottom
    {-1, 1, -1},  {-1, 1, 1},  {1, 1, 1},   {1, 1, -1},    // back
    {-1, -1, -1}, {1, -1, -1}, {1, -1, 1},  {-1, -1, 1},   // front
    {1, -1, -1},  {1, 1, -1},  {1, 1, 1},   {1, -1, 1},    // right
    {-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1},  {-1, 1, -1}};  // left

// Texture coordinates per piece; the texture repeats three times along the
// depth where the face is long.
const float kBlockTex[28][2] = {
    {0, 1}, {0, 0}, {3, 0}, {3, 1},  {0, 0}, {1, 0}, {1, 1}, {0, 1},
    {1, 0}, {1, 1}, {0, 1}, {0, 0},  {0, 1}, {0, 0}, {1, 0}, {1, 1},
    {1, 1}, {0, 1}, {0, 0}, {1, 0},  {0, 0}, {3, 0}, {3, 1}, {0, 1},
    {0, 1}, {0, 0}, {3, 0}, {3, 1}};

const float kPlatformTex[28][2] = {
    {0, 1},   {0, 0},   {3, 0}, {3, 1},  {0, 0}, {0, 0}, {1, 1}, {0, 1},
    {1, 0},   {1, 1},   {0, 1}, {0, 0},  {0, 1}, {0, 0}, {1, 0}, {1, 1},
    {1, 0.2f}, {0, 0.2f}, {0, 0}, {1, 0},  {1, 0}, {1, 1}, {0, 1}, {0, 0},
    {0, 0},   {1, 0},   {1, 1}, {0, 1}};

const float kDoorTex[28][2] = {
    {0, 1},    {0, 0}, {0.1f, 0}, {0.1f, 1},  {0, 0}, {1, 0}, {1, 1}, {0, 1},
    {1, 0},    {1, 1}, {0, 1},    {0, 0},     {0, 1}, {0, 0}, {1, 0}, {1, 1},
    {0.1f, 1}, {0, 1}, {0, 0},    {0.1f, 0},  {1, 1}, {0, 1}, {0, 0}, {1, 0},
    {1, 0},    {1, 1}, {0, 1},    {0, 0}};

void DrawPiece(double sx, double sy, double sz, const float (*tex)[2]) {
  Size3D(sx, sy, sz);
  Size3D(0.5);
  glBegin(GL_QUADS);
  for (int i = 0; i < 28; i++) {
    glTexCoord2f(tex[i][0], tex[i][1]);
    glVertex3f(kQuadVertices[i][0], kQuadVertices[i][1], kQuadVertices[i][2]);
  }
  glEnd();
}

}  // namespace

void DrawBlock() { DrawPiece(1, 3, 1, kBlockTex); }
void DrawPlatform() { DrawPiece(1, 3, 0.2, kPlatformTex); }
void DrawDoor() { DrawPiece(0.3, 3, 2.8, kDoorTex); }

void DrawLevel() {
  // The background is 1536 pixels wide and scrolls with the player.
  Begin2D();
  SetTexture(BackTexture);
  DrawRectangle(-(Player.x * BackScrollFactor), 0, 1536, 768);
  End2D();

  for (int i = 0; i < MapCellCount; i++) {
    SMapCell& cell = MapCells[i];
    if (!SphereInFrustum(cell.x, cell.y, 0, 2.0f)) continue;
    if (cell.wallType != WALL_NONE && cell.textureIndex >= 0 && cell.textureIndex < 9) {
      Begin3D();
      SetTexture(WallTextures[cell.textureIndex]);
      SetPos3D(cell.x, cell.y, 0);
      RotateX(90);
      if (cell.wallType == WALL_BLOCK)
        DrawBlock();
      else if (cell.wallType == WALL_PLATFORM)
        DrawPlatform();
      else
        DrawDoor();
      End3D();
    }
    if (cell.itemKind != -1) {
      Items.DrawItem(cell.x, cell.y + 0.2f, cell.itemKind);
      if (cell.itemKind == 4) Items.DrawItem(cell.x, cell.y + 0.2f, ITEM_SHELLS_SLOT);
    }
    if (cell.boxModel >= 0 && cell.boxModel < 10) {
      BoxModels[cell.boxModel].Move(cell.x, cell.y, 0);
      BoxModels[cell.boxModel].DrawStatic();
    }
  }
}

// ---------------------------------------------------------------- pickups

void ProcessLevel() {
  for (int i = 0; i < MapCellCount; i++) {
    SMapCell& cell = MapCells[i];
    const int kind = cell.itemKind;
    if (kind == -1) continue;
    if (!CircleOverlap(cell.x, cell.y, 0.9f, Player.x, Player.y, 0.5f)) continue;

    const bool weaponSound = kind == 0 || kind == 1 || kind == 3 || kind == 4 || kind == 5;
    PlaySound(weaponSound ? WeaponPickupSound : ItemPickupSound);
    switch (kind) {
      case 0:
        Player.hasWeapon[2] = true;
        Player.ammo[0] += 40;
        ShowMessage(RU("Взят АК47"));
        break;
      case 1:
        Player.hasWeapon[1] = true;
        Player.ammo[1] += 30;
        ShowMessage(RU("Взят дробовик"));
        break;
      case 2:
        Player.health += 40;
        if (Player.health > 100) Player.health = 100;
        ShowMessage(RU("Взята аптечка"));
        break;
      case 3:
        Player.ammo[0] += 50;
        ShowMessage(RU("Взяты патроны "));
        break;
      case 4:
        Player.ammo[1] += 20;
        ShowMessage(RU("Взята дробь"));
        break;
      case 5:
        Player.ammo[2] += 10;
        ShowMessage(RU("Взяты ракеты"));
        break;
      case 6:
        Player.keys[0] = true;
        ShowMessage(RU("Взят синий ключ"));
        break;
      case 7:
        Player.keys[1] = true;
        ShowMessage(RU("Взят красный ключ"));
        break;
      case 8:
        Player.keys[2] = true;
        ShowMessage(RU("Взят желтый ключ"));
        break;
      default:
        break;
    }
    cell.itemKind = -1;
  }
}

// ---------------------------------------------------------------- collision

bool BoxOverlap(float x1, float y1, float w1, float h1,
                float x2, float y2, float w2, float h2) {
  const float l1 = x1 - w1 / 2;
  const float l2 = x2 - w2 / 2;
  const float b1 = y1 - h1 / 2;
  const float b2 = y2 - h2 / 2;
  return l2 + w2 > l1 && l1 + w1 > l2 && b2 + h2 > b1 && b1 + h1 > b2;
}

bool CircleOverlap(float x1, float y1, float r1, float x2, float y2, float r2) {
  // Worked in double so that a distance of exactly r1 + r2 stays a miss
  // instead of rounding either way in float.
  const double dx = static_cast<double>(x2) - x1;
  const double dy = static_cast<double>(y2) - y1;
  return std::sqrt(dx * dx + dy * dy) < static_cast<double>(r1) + r2;
}

bool CanMoveTo(float x, float y, float w, float h, int who) {
  static const char* const kNeedKey[3] = {RU("Нужен синий ключ"), RU("Нужен красный ключ"),
                                          RU("Нужен желтый ключ")};
  for (int i = 0; i < MapCellCount; i++) {
    SMapCell& cell = MapCells[i];
    const int wall = cell.wallType;
    if (wall == WALL_BLOCK) {
      if (BoxOverlap(x, y, w, h, cell.x, cell.y, 1.4f, 2.0f)) return false;
    } else if (wall == WALL_PLATFORM) {
      if (BoxOverlap(x, y, w, h, cell.x, cell.y, 1.5f, 1.3f)) return false;
    } else if (wall >= WALL_DOOR_BLUE) {
      if (BoxOverlap(x, y, w, h, cell.x, cell.y, 1.3f, 3.2f)) {
        // Only the player opens doors; a wall code without a key card is a
        // door that never opens.
        if (who != WHO_PLAYER || wall > WALL_DOOR_YELLOW) return false;
        const int key = wall - WALL_DOOR_BLUE;
        if (!Player.keys[key]) {
          ShowMessage(kNeedKey[key]);
          PlaySound(NoWaySound);
          return false;
        }
        cell.wallType = WALL_NONE;
        Effects.Add(cell.x, cell.y, cell.textureIndex);
        PlaySound(DoorOpenSound);
      }
    }
    if (cell.boxModel == 0 && BoxOverlap(x, y, w, h, cell.x, cell.y, 2.5f, 3.0f)) return false;
  }
  if (who != WHO_BULLET) {
    const int count = MonsterCount < MONSTER_SLOTS ? MonsterCount : MONSTER_SLOTS;
    for (int j = 0; j < count; j++) {
      const SMonsters& m = Monsters.monsters[j];
      if (m.health > 0 && j != who && BoxOverlap(x, y, w, h, m.x, m.y, 1.6f, 2.4f))
        return false;
    }
  }
  return true;
}

// Level loading, pickups, doors and collision, without a window.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "Cp1251.h"
#include "actors/Effects.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "hud/Hud.h"
#include "World.h"
#include "testutil.h"
#include "world/Level.h"

namespace {

std::string Record(int32_t column, int32_t row, int16_t box, int16_t actor, int16_t texture,
                   int16_t item, int16_t wall) {
  unsigned char r[20] = {};
  auto put32 = [&](int at, int32_t v) {
    for (int i = 0; i < 4; i++)
      r[at + i] = static_cast<unsigned char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
  };
  auto put16 = [&](int at, int16_t v) {
    r[at] = static_cast<unsigned char>(static_cast<uint16_t>(v) & 0xFF);
    r[at + 1] = static_cast<unsigned char>(static_cast<uint16_t>(v) >> 8);
  };
  put32(0, column);
  put32(4, row);
  put16(8, box);
  put16(10, actor);
  put16(12, texture);
  put16(14, item);
  put16(16, wall);
  r[18] = 0xAB;  // reserved bytes are not read
  r[19] = 0xCD;
  return std::string(reinterpret_cast<char*>(r), 20);
}

// An empty cell at a column and row.
std::string Empty(int32_t column, int32_t row) { return Record(column, row, -1, -1, 0, -1, -1); }

bool LogHas(const char* text) {
  return testutil::ReadFile("EngineLog.txt").find(text) != std::string::npos;
}

using testworld::AddCell;

void ResetWorld() {
  testworld::ClearWorld();
  Player.x = Player.y = 0;
  Player.health = 100;
  for (bool& k : Player.keys) k = false;
  for (bool& w : Player.hasWeapon) w = false;
  for (int& a : Player.ammo) a = 0;
  testutil::RemoveFile("EngineLog.txt");
}

void AddMonster(float x, float y, int health = 70) { testworld::PlaceMonster(x, y, 0, health); }

bool MessageIs(const char* text) {
  return HudMessageTimer == 100 && std::strcmp(HudMessage, text) == 0;
}

class World : public ::testing::Test {
protected:
  void SetUp() override { ResetWorld(); }
};

// ---------------------------------------------------------------- reading

TEST_F(World, EmptyMapPlacesNothingAndUsesDefaultExtent) {
  ASSERT_TRUE(testutil::WriteFile("empty.map", ""));
  EXPECT_TRUE(ReadLevelCells("empty.map"));
  ComputeBackScroll();
  EXPECT_EQ(MapCellCount, 0);
  EXPECT_EQ(MonsterCount, 0);
  EXPECT_EQ(Player.x, 0.0f);
  EXPECT_EQ(Player.y, 0.0f);
  EXPECT_FLOAT_EQ(BackScrollFactor, 128.0f);
  EXPECT_TRUE(LogHas(RU("Прочитано 0 клеток карты empty.map.")));
}

TEST_F(World, PositionsOfBlocksDoorsPlatformsBoxesAndPickups) {
  std::string map;
  map += Record(3, 3, -1, -1, 1, -1, 2);   // blue door
  map += Record(3, 3, -1, -1, 1, -1, -1);  // same place, nothing
  map += Record(4, 7, -1, -1, 2, -1, 0);   // block
  map += Record(5, 7, -1, -1, 2, -1, 1);   // platform
  map += Record(6, 9, 0, -1, 2, 3, 0);     // block, box and pickup in one cell
  map += Record(8, 2, -1, -1, 0, 8, 4);    // yellow door with a card in it
  map += std::string("\x01\x02\x03", 3);   // trailing partial record
  ASSERT_TRUE(testutil::WriteFile("cells.map", map));
  ReadLevelCells("cells.map");
  ASSERT_EQ(MapCellCount, 6);

  EXPECT_FLOAT_EQ(MapCells[0].y, -2.5f);
  EXPECT_FLOAT_EQ(MapCells[0].x, 3.0f);
  EXPECT_FLOAT_EQ(MapCells[1].y, -3.0f);
  EXPECT_FLOAT_EQ(MapCells[2].y, 0.4f - 7);
  EXPECT_FLOAT_EQ(MapCells[3].y, -7.0f);
  EXPECT_FLOAT_EQ(MapCells[4].x, 6.5f);
  EXPECT_FLOAT_EQ(MapCells[4].y, 0.4f + 0.13f - 9);
  EXPECT_FLOAT_EQ(MapCells[5].y, 0.5f - 2);

  const SMapCell& c = MapCells[4];
  EXPECT_EQ(c.boxModel, 0);
  EXPECT_EQ(c.textureIndex, 2);
  EXPECT_EQ(c.itemKind, 3);
  EXPECT_EQ(c.wallType, 0);
  EXPECT_EQ(c.actorCode, -1);
}

TEST_F(World, PlayerStartUsesFileIntegersAndLastMarkerWins) {
  std::string map = Record(2, 4, -1, 0, 0, -1, 0) + Record(5, 12, 0, 0, 0, -1, 0);
  ASSERT_TRUE(testutil::WriteFile("start.map", map));
  ReadLevelCells("start.map");
  // The box and block of the second cell move the cell, not the player.
  EXPECT_FLOAT_EQ(Player.x, 5.0f);
  EXPECT_FLOAT_EQ(Player.y, -11.8f);
  EXPECT_TRUE(LogHas(RU("Игрок находится в (2,4)")));
  EXPECT_TRUE(LogHas(RU("Игрок находится в (5,12)")));
}

TEST_F(World, MonsterMarkersArePlacedByKind) {
  std::string map = Record(7, 3, -1, 1, 0, -1, -1) + Record(9, 3, -1, 4, 0, -1, -1);
  ASSERT_TRUE(testutil::WriteFile("monsters.map", map));
  ReadLevelCells("monsters.map");
  ASSERT_EQ(MonsterCount, 2);
  EXPECT_EQ(Monsters.monsters[0].kind, 0);
  EXPECT_FLOAT_EQ(Monsters.monsters[0].x, 7.0f);
  EXPECT_EQ(Monsters.monsters[1].kind, 3);
  EXPECT_FLOAT_EQ(Monsters.monsters[1].x, 9.0f);
}

TEST_F(World, BackgroundExtentTruncatesAndPads) {
  std::string map;
  for (int col = 0; col < 20; col++) map += Empty(col, 1);
  map += Record(20, 1, 0, -1, 0, -1, -1);  // a box at column 20 sits at 20.5
  ASSERT_TRUE(testutil::WriteFile("wide.map", map));
  ReadLevelCells("wide.map");
  ComputeBackScroll();
  EXPECT_FLOAT_EQ(MapCells[20].x, 20.5f);
  EXPECT_FLOAT_EQ(BackScrollFactor, 512.0f / 24.0f);
}

TEST_F(World, HostileMapsAreHandledSafely) {
  // Missing file: an empty level and a line in the log.
  BackScrollFactor = 0;
  EXPECT_FALSE(ReadLevelCells("no/such.map"));
  ComputeBackScroll();
  EXPECT_EQ(MapCellCount, 0);
  EXPECT_FLOAT_EQ(BackScrollFactor, 128.0f);
  EXPECT_TRUE(LogHas("no/such.map"));

  // Out-of-range fields are refused one by one; the rest of the record stays.
  std::string bad = Record(1, 1, 5, 9, 12, 40, 7) + Record(2, 1, -2, -3, -1, -2, -9) +
                    Record(3, 1, 0, 3, 8, 8, 4);
  ASSERT_TRUE(testutil::WriteFile("bad.map", bad));
  testutil::RemoveFile("EngineLog.txt");
  ReadLevelCells("bad.map");
  ASSERT_EQ(MapCellCount, 3);
  for (int i = 0; i < 2; i++) {
    EXPECT_EQ(MapCells[i].boxModel, -1);
    EXPECT_EQ(MapCells[i].actorCode, -1);
    EXPECT_EQ(MapCells[i].itemKind, -1);
    EXPECT_EQ(MapCells[i].wallType, -1);
    EXPECT_GE(MapCells[i].textureIndex, 0);
    EXPECT_LE(MapCells[i].textureIndex, 8);
    EXPECT_FLOAT_EQ(MapCells[i].y, -1.0f);  // refused wall or box moves nothing
  }
  EXPECT_EQ(MapCells[2].boxModel, 0);
  EXPECT_EQ(MapCells[2].textureIndex, 8);
  EXPECT_EQ(MapCells[2].itemKind, 8);
  EXPECT_EQ(MapCells[2].wallType, 4);
  EXPECT_EQ(MonsterCount, 1);
  const std::string log = testutil::ReadFile("EngineLog.txt");
  size_t lines = 0;
  for (size_t p = log.find(RU("вне допустимых")); p != std::string::npos;
       p = log.find(RU("вне допустимых"), p + 1))
    lines++;
  EXPECT_EQ(lines, 10u);
  EXPECT_NE(log.find(RU("Карта bad.map, клетка 0: значение 5 поля box")), std::string::npos);

  // More records than the table holds: cut at the limit, with a line.
  std::string big;
  for (int i = 0; i < MAX_MAP_CELLS + 5; i++) big += Empty(i % 100, i / 100);
  ASSERT_TRUE(testutil::WriteFile("big.map", big));
  testutil::RemoveFile("EngineLog.txt");
  ReadLevelCells("big.map");
  EXPECT_EQ(MapCellCount, MAX_MAP_CELLS);
  EXPECT_TRUE(LogHas(RU("остальные отброшены")));

  // Exactly the limit is not a cut.
  big.resize(static_cast<size_t>(MAX_MAP_CELLS) * MAP_RECORD_SIZE);
  ASSERT_TRUE(testutil::WriteFile("full.map", big));
  testutil::RemoveFile("EngineLog.txt");
  ReadLevelCells("full.map");
  EXPECT_EQ(MapCellCount, MAX_MAP_CELLS);
  EXPECT_FALSE(LogHas(RU("остальные отброшены")));

  // Extreme coordinates keep the scroll finite.
  ASSERT_TRUE(testutil::WriteFile("far.map", Empty(INT32_MAX, 0) + Empty(INT32_MIN, 0)));
  ReadLevelCells("far.map");
  ComputeBackScroll();
  EXPECT_GT(BackScrollFactor, 0.0f);
  EXPECT_LT(BackScrollFactor, 1.0f);
}

// ---------------------------------------------------------------- overlap tests

TEST_F(World, OverlapTestsAreStrict) {
  EXPECT_TRUE(BoxOverlap(0, 0, 1, 1, 0.9f, 0, 1, 1));
  EXPECT_FALSE(BoxOverlap(0, 0, 1, 1, 1, 0, 1, 1));   // edges touch on x
  EXPECT_FALSE(BoxOverlap(0, 0, 1, 1, 0, -1, 1, 1));  // edges touch on y
  EXPECT_FALSE(BoxOverlap(0, 0, 1, 1, 0.5f, 3, 1, 1));
  EXPECT_TRUE(BoxOverlap(0, 0, 10, 10, 1, 1, 0.5f, 0.5f));  // containment

  EXPECT_TRUE(CircleOverlap(0, 0, 0.9f, 1.3f, 0, 0.5f));
  EXPECT_FALSE(CircleOverlap(0, 0, 0.9f, 1.4f, 0, 0.5f));
  EXPECT_FALSE(CircleOverlap(0, 0, 0.9f, 0, -1.4f, 0.5f));
  EXPECT_TRUE(CircleOverlap(0, 0, 1, 0.6f, 0.6f, 0));
}

// ---------------------------------------------------------------- pickups

TEST_F(World, PickupDistanceIsStrict) {
  AddCell(1.4f, 0, -1, -1, 2);
  AddCell(-1.0f, 0, -1, -1, 3);
  Player.health = 50;
  ProcessLevel();
  EXPECT_EQ(MapCells[0].itemKind, 2);  // exactly 1.4 away: stays
  EXPECT_EQ(Player.health, 50);
  EXPECT_EQ(MapCells[1].itemKind, -1);
  EXPECT_EQ(Player.ammo[0], 50);
  EXPECT_TRUE(MessageIs(RU("Взяты патроны ")));
}

TEST_F(World, EveryPickupKindHasItsEffectAndMessage) {
  struct Case {
    int kind;
    const char* message;
  } cases[] = {
      {0, RU("Взят АК47")},       {1, RU("Взят дробовик")},     {2, RU("Взята аптечка")},
      {3, RU("Взяты патроны ")},  {4, RU("Взята дробь")},       {5, RU("Взяты ракеты")},
      {6, RU("Взят синий ключ")}, {7, RU("Взят красный ключ")}, {8, RU("Взят желтый ключ")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    ResetWorld();
    Player.health = 30;
    AddCell(0.3f, -0.2f, -1, -1, c.kind);
    ProcessLevel();
    EXPECT_EQ(MapCells[0].itemKind, -1);
    EXPECT_TRUE(MessageIs(c.message));
    const int ammo0 = c.kind == 0 ? 40 : c.kind == 3 ? 50 : 0;
    const int ammo1 = c.kind == 1 ? 30 : c.kind == 4 ? 20 : 0;
    EXPECT_EQ(Player.ammo[0], ammo0);
    EXPECT_EQ(Player.ammo[1], ammo1);
    EXPECT_EQ(Player.ammo[2], c.kind == 5 ? 10 : 0);
    EXPECT_EQ(Player.hasWeapon[2], c.kind == 0);
    EXPECT_EQ(Player.hasWeapon[1], c.kind == 1);
    EXPECT_EQ(Player.health, c.kind == 2 ? 70 : 30);
    for (int k = 0; k < 3; k++) EXPECT_EQ(Player.keys[k], c.kind == 6 + k);
    // Taken once only.
    HudMessageTimer = 0;
    ProcessLevel();
    EXPECT_EQ(HudMessageTimer, 0);
  }
}

TEST_F(World, MedkitAtFullHealthIsTakenAndAmmoHasNoCap) {
  AddCell(0, 0, -1, -1, 2);
  Player.health = 100;
  ProcessLevel();
  EXPECT_EQ(Player.health, 100);
  EXPECT_EQ(MapCells[0].itemKind, -1);
  EXPECT_TRUE(MessageIs(RU("Взята аптечка")));

  Player.health = 80;
  AddCell(0, 0, -1, -1, 2);
  ProcessLevel();
  EXPECT_EQ(Player.health, 100);

  Player.ammo[0] = 1000000;
  AddCell(0, 0, -1, -1, 3);
  ProcessLevel();
  EXPECT_EQ(Player.ammo[0], 1000050);
}

TEST_F(World, PickupCodeOutsideTheTableIsRemovedWithoutEffect) {
  // Cells set up by hand can hold codes the map reader would refuse.
  for (int kind : {-2, MAP_ITEM_KINDS, 1000}) {
    SCOPED_TRACE(kind);
    ResetWorld();
    Player.health = 30;
    AddCell(0, 0, -1, -1, kind);
    ProcessLevel();
    EXPECT_EQ(MapCells[0].itemKind, ITEM_NONE);
    EXPECT_EQ(Player.health, 30);
    EXPECT_EQ(Player.ammo[0] + Player.ammo[1] + Player.ammo[2], 0);
    EXPECT_EQ(HudMessageTimer, 0);
  }
}

TEST_F(World, SeveralPickupsInOneTickLeaveTheLastMessage) {
  AddCell(0.2f, 0, -1, -1, 7);
  AddCell(-0.2f, 0, -1, -1, 5);
  AddCell(5, 0, -1, -1, 6);
  ProcessLevel();
  EXPECT_TRUE(Player.keys[1]);
  EXPECT_EQ(Player.ammo[2], 10);
  EXPECT_FALSE(Player.keys[0]);
  EXPECT_TRUE(MessageIs(RU("Взяты ракеты")));
}

// ---------------------------------------------------------------- collision

TEST_F(World, WallPiecesAndBoxesBlockWithTheirOwnSizes) {
  AddCell(0, 0, WALL_BLOCK);      // 1.4 x 2.0
  AddCell(10, 0, WALL_PLATFORM);  // 1.5 x 1.3
  AddCell(20, 0, WALL_NONE, 0);   // box 2.5 x 3.0
  AddCell(30, 0, WALL_NONE);      // empty cell
  const int who[] = {WHO_PLAYER, WHO_BULLET, 5};
  for (int w : who) {
    SCOPED_TRACE(w);
    EXPECT_FALSE(CanMoveTo(1.2f, 0, 1.1f, 1.0f, w));
    EXPECT_TRUE(CanMoveTo(1.25f, 0, 1.1f, 1.0f, w));  // edges touch
    EXPECT_FALSE(CanMoveTo(0, 1.4f, 1.1f, 1.0f, w));
    EXPECT_TRUE(CanMoveTo(0, 1.5f, 1.1f, 1.0f, w));
    EXPECT_FALSE(CanMoveTo(11.2f, 0, 1.1f, 1.0f, w));
    EXPECT_TRUE(CanMoveTo(10, 1.15f, 1.1f, 1.0f, w));  // standing on the platform
    EXPECT_FALSE(CanMoveTo(10, 1.14f, 1.1f, 1.0f, w));
    EXPECT_FALSE(CanMoveTo(21.7f, 0, 1.1f, 1.0f, w));
    EXPECT_TRUE(CanMoveTo(21.8f, 0, 1.1f, 1.0f, w));
    EXPECT_TRUE(CanMoveTo(30, 0, 1.1f, 1.0f, w));
  }
}

TEST_F(World, DoorOpensForThePlayerHoldingItsKey) {
  SMapCell& red = AddCell(0, 0.5f, WALL_DOOR_RED, -1, -1, 6);
  Player.keys[1] = true;
  EXPECT_TRUE(CanMoveTo(1.0f, 0, 1.1f, 1.0f, WHO_PLAYER));
  EXPECT_EQ(red.wallType, WALL_NONE);
  EXPECT_EQ(HudMessageTimer, 0);
  bool started = false;
  for (const auto& e : Effects.effects)
    if (e.active && e.x == 0 && e.y == 0.5f && e.textureIndex == 6) started = true;
  EXPECT_TRUE(started);
  // Open for good: nothing blocks there any more.
  Player.keys[1] = false;
  EXPECT_TRUE(CanMoveTo(0, 0, 1.1f, 1.0f, WHO_PLAYER));
  EXPECT_TRUE(CanMoveTo(0, 0, 1.1f, 1.0f, 3));
}

TEST_F(World, OpenedDoorDoesNotHideTheObstaclesBehindIt) {
  AddCell(0, 0.5f, WALL_DOOR_BLUE, 0);  // a door sharing its cell with a box
  AddCell(3, 0.5f, WALL_DOOR_BLUE);
  Player.keys[0] = true;
  EXPECT_FALSE(CanMoveTo(1.0f, 0, 1.1f, 1.0f, WHO_PLAYER));
  EXPECT_EQ(MapCells[0].wallType, WALL_NONE);
  EXPECT_EQ(MapCells[1].wallType, WALL_DOOR_BLUE);  // the scan stopped at the box
  // One query can open two doors.
  MapCells[0].boxModel = -1;
  MapCells[0].wallType = WALL_DOOR_BLUE;
  EXPECT_TRUE(CanMoveTo(1.5f, 0, 4.0f, 1.0f, WHO_PLAYER));
  EXPECT_EQ(MapCells[0].wallType, WALL_NONE);
  EXPECT_EQ(MapCells[1].wallType, WALL_NONE);
}

TEST_F(World, LockedDoorRefusesThePlayerWithTheMissingCard) {
  const struct {
    int wall;
    const char* message;
  } doors[] = {{WALL_DOOR_BLUE, RU("Нужен синий ключ")},
               {WALL_DOOR_RED, RU("Нужен красный ключ")},
               {WALL_DOOR_YELLOW, RU("Нужен желтый ключ")}};
  for (const auto& d : doors) {
    SCOPED_TRACE(d.wall);
    ResetWorld();
    // The player holds every card but this door's.
    for (int k = 0; k < 3; k++) Player.keys[k] = k != d.wall - 2;
    AddCell(0, 0.5f, d.wall);
    EXPECT_FALSE(CanMoveTo(1.0f, 0, 1.1f, 1.0f, WHO_PLAYER));
    EXPECT_EQ(MapCells[0].wallType, d.wall);
    EXPECT_TRUE(MessageIs(d.message));
    // Every touching query refreshes the message.
    HudMessageTimer = 40;
    EXPECT_FALSE(CanMoveTo(1.0f, 0, 1.1f, 1.0f, WHO_PLAYER));
    EXPECT_EQ(HudMessageTimer, 100);
    // Out of reach: silent.
    HudMessageTimer = 0;
    EXPECT_TRUE(CanMoveTo(1.3f, 0, 1.1f, 1.0f, WHO_PLAYER));
    EXPECT_EQ(HudMessageTimer, 0);
  }
}

TEST_F(World, DoorsBlockBulletsAndMonstersSilentlyEvenWithTheKey) {
  AddCell(0, 0.5f, WALL_DOOR_RED);
  Player.keys[1] = true;
  EXPECT_FALSE(CanMoveTo(0.5f, 0, 0.1f, 0.1f, WHO_BULLET));
  EXPECT_FALSE(CanMoveTo(1.0f, 0, 1.1f, 1.0f, 0));
  EXPECT_EQ(MapCells[0].wallType, WALL_DOOR_RED);
  EXPECT_EQ(HudMessageTimer, 0);
  for (const auto& e : Effects.effects) EXPECT_FALSE(e.active);
  // A wall code with no key card never opens and says nothing.
  MapCells[0].wallType = 7;
  EXPECT_FALSE(CanMoveTo(1.0f, 0, 1.1f, 1.0f, WHO_PLAYER));
  EXPECT_EQ(HudMessageTimer, 0);
}

TEST_F(World, MonstersBlockEveryoneButBulletsAndThemselves) {
  AddMonster(0, 0);
  AddMonster(5, 0);
  AddMonster(10, 0, 0);  // dead
  EXPECT_FALSE(CanMoveTo(1.3f, 0, 1.1f, 1.0f, WHO_PLAYER));
  EXPECT_TRUE(CanMoveTo(1.35f, 0, 1.1f, 1.0f, WHO_PLAYER));  // edges touch
  EXPECT_TRUE(CanMoveTo(0, 0, 1.1f, 1.0f, WHO_BULLET));
  EXPECT_TRUE(CanMoveTo(0.2f, 0, 1.0f, 2.0f, 0));   // itself
  EXPECT_FALSE(CanMoveTo(0.2f, 0, 1.0f, 2.0f, 1));  // another monster
  EXPECT_TRUE(CanMoveTo(10, 0, 1.1f, 1.0f, WHO_PLAYER));
  // Only the placed slots count.
  Monsters.monsters[3].x = 20;
  Monsters.monsters[3].y = 0;
  Monsters.monsters[3].health = 70;
  EXPECT_TRUE(CanMoveTo(20, 0, 1.1f, 1.0f, WHO_PLAYER));
}

TEST_F(World, DroppedMonstersAndTrailingBytesAreLoggedOnce) {
  // 2050 monster markers: the last two find no slot; half a record follows.
  std::string map;
  for (int i = 0; i < MONSTER_SLOTS + 2; i++) map += Record(i % 64, i / 64, -1, 1, 0, -1, -1);
  map += std::string(7, '\x01');
  ASSERT_TRUE(testutil::WriteFile("crowd.map", map));
  testutil::RemoveFile("EngineLog.txt");
  ReadLevelCells("crowd.map");
  EXPECT_EQ(MapCellCount, MONSTER_SLOTS + 2);
  EXPECT_EQ(MonsterCount, MONSTER_SLOTS);
  const std::string log = testutil::ReadFile("EngineLog.txt");
  const std::string dropped =
      RU("Карта crowd.map: 2 монстров не поместились в таблицу из 2048 мест");
  const std::string trailing = RU("Карта crowd.map: 7 лишних байт после последней записи");
  ASSERT_NE(log.find(dropped), std::string::npos);
  EXPECT_EQ(log.find(dropped, log.find(dropped) + 1), std::string::npos);
  EXPECT_NE(log.find(trailing), std::string::npos);

  // A clean file says neither.
  ResetWorld();
  ASSERT_TRUE(testutil::WriteFile("clean.map", Record(1, 1, -1, 1, 0, -1, -1)));
  ReadLevelCells("clean.map");
  EXPECT_FALSE(LogHas(RU("лишних байт")));
  EXPECT_FALSE(LogHas(RU("не поместились")));
}

}  // namespace

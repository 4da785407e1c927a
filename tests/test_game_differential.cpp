// The game's modules against the linear model of their rules
// (reference_world.h): seeded worlds are ticked through both from the same
// state, and the whole state must agree after every tick: cells, monsters,
// shots, particles, player, effects, corpses, HUD message and the random
// generator's position.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "KeyScript.h"
#include "actors/Bullets.h"
#include "actors/Corps.h"
#include "actors/Effects.h"
#include "actors/Items.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "shell/Random.h"
#include "capacity_level.h"
#include "hud/Hud.h"
#include "reference_world.h"
#include "shell/Shell.h"
#include "World.h"
#include "testutil.h"
#include "world/Level.h"
#include "world/WorldIndex.h"

namespace {

typedef std::vector<unsigned char> Bytes;

// Copies `n` objects at `p` into `b` (save) or back out of it.
template <typename T>
void CopyBytes(bool save, Bytes& b, T* p, size_t n) {
  // An empty table has no bytes to copy (and memcpy must not see null).
  if (save) {
    b.resize(sizeof(T) * n);
    if (!b.empty()) std::memcpy(b.data(), static_cast<const void*>(p), b.size());
  } else if (!b.empty()) {
    std::memcpy(static_cast<void*>(p), b.data(), b.size());
  }
}

template <typename T>
void Value(bool save, T& kept, T& live) {
  if (save)
    kept = live;
  else
    live = kept;
}

struct SPool {
  Bytes particles;
  int liveCount;
  Bytes freeSlots;
  int firstFreeWord;

  void Transfer(bool save, TParticlesSystem& s) {
    CopyBytes(save, particles, s.particles, TParticlesSystem::MaxParticles);
    Value(save, liveCount, s.liveCount);
    CopyBytes(save, freeSlots, s.freeSlots, TParticlesSystem::MaxParticles / 64);
    Value(save, firstFreeWord, s.firstFreeWord);
  }
};

// Everything a tick can change.
struct SWorld {
  Bytes cells;
  int cellCount;
  Bytes monsters;
  int monsterCount;
  Bytes bullets;
  SPool sparks, plasma, blood;
  Bytes player;
  Bytes playerModel;
  Bytes items;
  int itemSpin;
  float walkStep, jumpStep;
  int maxFall, jumpCount;
  bool jumping, firing, walking;
  Bytes effects;
  int effectCount;
  Bytes corpses;
  Bytes hud;
  int hudTimer;
  float camera;
  int random[2] = {0, 0};

  // Copies the game's state in (save) or puts it back.
  void Transfer(bool save) {
    Value(save, cellCount, MapCellCount);
    CopyBytes(save, cells, MapCells, MAX_MAP_CELLS);
    Value(save, monsterCount, MonsterCount);
    const int live = MonsterCount < MONSTER_SLOTS ? MonsterCount : MONSTER_SLOTS;
    CopyBytes(save, monsters, Monsters.monsters, live > 0 ? live : 0);
    CopyBytes(save, bullets, Bullets.bullets, 4096);
    sparks.Transfer(save, Bullets.sparks);
    plasma.Transfer(save, Bullets.plasma);
    blood.Transfer(save, Monsters.blood);
    CopyBytes(save, player, &Player, 1);
    CopyBytes(save, playerModel, &PlayerModel, 1);
    CopyBytes(save, items, &Items, 1);
    Value(save, itemSpin, ItemSpinAngle);
    Value(save, walkStep, WalkStep);
    Value(save, jumpStep, JumpStep);
    Value(save, maxFall, MaxFallSteps);
    Value(save, jumpCount, JumpCount);
    Value(save, jumping, Jumping);
    Value(save, firing, Firing);
    Value(save, walking, Walking);
    CopyBytes(save, effects, Effects.effects, EFFECT_SLOTS);
    Value(save, effectCount, Effects.count);
    CopyBytes(save, corpses, &Corps, 1);
    CopyBytes(save, hud, HudMessage, HUD_MESSAGE_MAX + 1);
    Value(save, hudTimer, HudMessageTimer);
    Value(save, camera, CameraHeight);
  }
  void Take() { Transfer(true); }
  void Give() { Transfer(false); }
};

// Names the first part of the state where the two differ; empty when none.
std::string FirstDifference(const SWorld& a, const SWorld& b) {
  if (a.cellCount != b.cellCount || a.cells != b.cells) {
    for (int i = 0; i < MAX_MAP_CELLS; i++)
      if (std::memcmp(&a.cells[i * sizeof(SMapCell)], &b.cells[i * sizeof(SMapCell)],
                      sizeof(SMapCell)) != 0)
        return "cell " + std::to_string(i);
    return "cell count";
  }
  if (a.monsterCount != b.monsterCount || a.monsters.size() != b.monsters.size())
    return "monster count";
  for (size_t i = 0; i < a.monsters.size() / sizeof(SMonsters); i++) {
    const SMonsters& ma = reinterpret_cast<const SMonsters*>(a.monsters.data())[i];
    const SMonsters& mb = reinterpret_cast<const SMonsters*>(b.monsters.data())[i];
    if (std::memcmp(&ma, &mb, sizeof(SMonsters)) != 0)
      return "monster " + std::to_string(i) + " (x " + std::to_string(ma.x) + " / " +
             std::to_string(mb.x) + ", health " + std::to_string(ma.health) + " / " +
             std::to_string(mb.health) + ")";
  }
  if (a.bullets != b.bullets) {
    for (int i = 0; i < 4096; i++)
      if (std::memcmp(&a.bullets[i * sizeof(SBullet)], &b.bullets[i * sizeof(SBullet)],
                      sizeof(SBullet)) != 0)
        return "shot " + std::to_string(i);
  }
  // Free-slot bookkeeping is not compared: the linear model keeps none.
  if (a.sparks.particles != b.sparks.particles || a.sparks.liveCount != b.sparks.liveCount)
    return "sparks";
  if (a.plasma.particles != b.plasma.particles || a.plasma.liveCount != b.plasma.liveCount)
    return "plasma";
  if (a.blood.particles != b.blood.particles || a.blood.liveCount != b.blood.liveCount)
    return "blood";
  if (a.player != b.player) return "player";
  if (a.playerModel != b.playerModel) return "player's model";
  if (a.items != b.items || a.itemSpin != b.itemSpin) return "pickups";
  if (a.walkStep != b.walkStep || a.jumpStep != b.jumpStep || a.maxFall != b.maxFall ||
      a.jumpCount != b.jumpCount || a.jumping != b.jumping || a.firing != b.firing ||
      a.walking != b.walking)
    return "player movement";
  if (a.effects != b.effects || a.effectCount != b.effectCount) return "door effects";
  if (a.corpses != b.corpses) return "corpses";
  if (a.hud != b.hud || a.hudTimer != b.hudTimer) return "HUD message";
  if (a.camera != b.camera) return "camera";
  if (a.random[0] != b.random[0] || a.random[1] != b.random[1]) return "random generator";
  return "";
}

// Runs one tick through the game and, from the same state, through the
// linear model; continues from the game's result. Returns what differs.
std::string TickBoth(unsigned seed) {
  SWorld start, fast, linear;
  start.Take();
  SeedRandom(seed);
  ProcessCallback();
  fast.Take();
  fast.random[0] = GameRandom.Next();
  fast.random[1] = GameRandom.Next();

  start.Give();
  refworld::UseLinear = true;
  SeedRandom(seed);
  ProcessCallback();
  refworld::UseLinear = false;
  linear.Take();
  linear.random[0] = GameRandom.Next();
  linear.random[1] = GameRandom.Next();

  fast.Give();
  return FirstDifference(fast, linear);
}

void SetKeys(std::initializer_list<int> keys) {
  for (int k = 0; k < 256; k++) _keys[k] = 0;
  for (int k : keys) _keys[k] = 1;
}

const int kRight = 39, kLeft = 37, kUp = 38, kSpace = 32;

class Differential : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    testutil::LinkDataDir();
    ASSERT_TRUE(testworld::OpenScreen(1024, 768));
    SeedRandom(1);
    InitCallback();
  }
  void TearDown() override { SetKeys({}); }

  // A player that can fight: every weapon, plenty of ammunition.
  static void Arm(bool blue, bool red, bool yellow) {
    Player.health = 100;
    for (int w = 0; w < 3; w++) Player.hasWeapon[w] = true;
    for (int a = 0; a < 3; a++) Player.ammo[a] = 500;
    Player.currentWeapon = 2;
    Player.keys[0] = blue;
    Player.keys[1] = red;
    Player.keys[2] = yellow;
  }

  // Keys of tick t in a pattern that walks, turns, jumps and fires.
  static void PatternKeys(int t) {
    const int phase = (t / 40) % 4;
    const bool fire = t % 3 != 0;
    const int dir = phase == 2 ? kLeft : kRight;
    if (phase == 3)
      SetKeys({dir, kUp});
    else if (fire)
      SetKeys({dir, kSpace});
    else
      SetKeys({dir});
  }
};

TEST_F(Differential, ShippedLevelScriptedRunAgreesEveryTick) {
  const std::string text = testutil::ReadFile(TEST_SOURCE_DIR "/tools/level/level0.keys");
  keyscript::Script script;
  std::string error;
  ASSERT_TRUE(keyscript::Parse(text, &script, &error)) << error;
  keyscript::Replayer keys(script);
  int tick = 0;
  while (keys.Next(_keys, 256)) {
    const std::string diff = TickBoth(script.seed + tick);
    ASSERT_EQ(diff, "") << "tick " << tick;
    tick++;
  }
  EXPECT_EQ(tick, script.TotalTicks());
}

TEST_F(Differential, CapacityLevelAgreesEveryTick) {
  SeedRandom(7);
  capacity::SPlan plan;
  plan.obstacles = true;
  plan.playerShots = true;
  plan.playerOnFloor = true;
  capacity::Build(plan);
  Arm(true, false, true);
  for (int t = 0; t < 3; t++) {
    PatternKeys(t + 1);
    ASSERT_EQ(TickBoth(100 + t), "") << "tick " << t;
  }
}

// A smaller crowded level, many ticks: doors with and without their keys,
// monsters walking into each other and off edges, every kind of shot.
TEST_F(Differential, CrowdedLevelAgreesOverManyTicks) {
  SeedRandom(11);
  capacity::SPlan plan;
  plan.cells = 720;
  plan.wide = 60;
  plan.monsters = 600;
  plan.shots = 900;
  plan.obstacles = true;
  plan.playerShots = true;
  plan.playerOnFloor = true;
  capacity::Build(plan);
  Arm(true, false, false);
  for (int t = 0; t < 160; t++) {
    PatternKeys(t);
    // Fresh shots of every kind now and then, at every distance from what
    // they will meet.
    if (t % 20 == 5) {
      for (int s = 0; s < 60; s++) {
        const int f = s % 12;
        const float x = 0.37f * s;
        Bullets.Fire(x, -4.0f * f + 0.3f + 0.05f * (s % 7), s % 2 == 0, 1 + 7 * s, 5, s % 3,
                     s % 4 == 0);
      }
    }
    ASSERT_EQ(TickBoth(500 + t), "") << "tick " << t;
  }
}

// Shots that start just short of where float spacing changes (powers of
// two, and zero) move through it exactly as step-by-step addition does.
TEST_F(Differential, ShotsAcrossFloatSpacingBoundariesAgree) {
  MapCellCount = 0;
  for (SMonsters& m : Monsters.monsters) m.health = 0;
  MonsterCount = 0;
  for (SBullet& b : Bullets.bullets) b.active = false;
  Player.x = -5000;
  Player.y = 5000;
  int s = 0;
  for (int p = -3; p <= 23; p++) {
    const float edge = std::ldexp(1.0f, p);
    for (int k = -40; k <= 40; k += 3) {
      for (int sign = -1; sign <= 1; sign += 2) {
        const float x = sign * std::nextafter(edge, 0.0f) + 0.01f * k;
        Bullets.Fire(x, 1000.0f + s % 50, (k & 1) != 0, 225, 1, 2, false);
        // A long flight from the same start, across several spans.
        Bullets.Fire(x, 2000.0f + s % 50, (k & 2) != 0, 1 + 997 * (k + 41), 1, 2, false);
        s++;
      }
    }
  }
  // One wall the shots of one row may meet, so both ways of flying are used.
  testworld::AddCell(3.0f, 1000.0f, WALL_BLOCK);
  for (int t = 0; t < 4; t++) ASSERT_EQ(TickBoth(900 + t), "") << "tick " << t;
}

// Single queries on a level with hostile positions and sizes: NaN and
// infinite coordinates, huge values, negative and zero sizes.
TEST_F(Differential, SingleQueriesAgreeOnHostileInput) {
  std::srand(3);
  MapCellCount = 0;
  auto frand = [](float lo, float hi) {
    return lo + (hi - lo) * static_cast<float>(std::rand()) / static_cast<float>(RAND_MAX);
  };
  const float kNaN = std::numeric_limits<float>::quiet_NaN();
  const float kInf = std::numeric_limits<float>::infinity();
  const float odd[] = {kNaN, kInf, -kInf, 1.0e30f, -1.0e30f, 3.0e7f, -0.0f};
  for (int i = 0; i < 400; i++) {
    SMapCell& c = MapCells[MapCellCount++];
    c.x = i % 50 == 7 ? odd[i % 7] : frand(-30, 30);
    c.y = i % 61 == 3 ? odd[(i / 3) % 7] : frand(-20, 20);
    c.boxModel = static_cast<int16_t>(std::rand() % 6 == 0 ? 0 : -1);
    c.actorCode = -1;
    c.textureIndex = 0;
    c.itemKind = -1;
    c.wallType = static_cast<int16_t>(std::rand() % 7 - 1);
  }
  for (SMonsters& m : Monsters.monsters) m.health = 0;
  MonsterCount = 300;
  for (int i = 0; i < MonsterCount; i++) {
    Monsters.monsters[i].x = i % 40 == 9 ? odd[i % 7] : frand(-30, 30);
    Monsters.monsters[i].y = frand(-20, 20);
    Monsters.monsters[i].health = std::rand() % 4 == 0 ? 0 : 70;
  }
  SyncWorldIndex();
  const float sizes[] = {0.03f, 0.07f, 1.1f, 0.0f, -1.0f, 5.0f, kNaN, kInf, 1.0e20f};
  const int whos[] = {WHO_BULLET, 0, 17, 299, 1000};
  for (int q = 0; q < 60000; q++) {
    const float x = q % 997 == 0 ? odd[q % 7] : frand(-35, 35);
    const float y = q % 991 == 0 ? odd[(q / 7) % 7] : frand(-25, 25);
    const float w = q % 5 == 0 ? sizes[q % 9] : frand(0, 3);
    const float h = q % 7 == 0 ? sizes[(q / 3) % 9] : frand(0, 3);
    const int who = whos[q % 5];
    ASSERT_EQ(CanMoveTo(x, y, w, h, who), refworld::CanMoveTo(x, y, w, h, who))
        << x << " " << y << " " << w << " " << h << " " << who;
    ASSERT_EQ(Monsters.FindAt(x, y, w), refworld::FindAt(x, y, w)) << x << " " << y << " " << w;
  }
  // The player's queries open doors and show messages: same doors, same
  // order, same message.
  for (int q = 0; q < 3000; q++) {
    Player.keys[0] = q % 2 == 0;
    Player.keys[1] = q % 3 == 0;
    Player.keys[2] = q % 5 != 0;
    const float x = frand(-32, 32), y = frand(-22, 22), w = frand(0, 4), h = frand(0, 4);
    SWorld start, fast, linear;
    start.Take();
    const bool a = CanMoveTo(x, y, w, h, WHO_PLAYER);
    fast.Take();
    start.Give();
    const bool b = refworld::CanMoveTo(x, y, w, h, WHO_PLAYER);
    linear.Take();
    ASSERT_EQ(a, b);
    ASSERT_EQ(FirstDifference(fast, linear), "") << "query " << q;
    // Let some doors stay open so later queries meet a changing table.
    if (q % 10 != 0) start.Give();
  }
}

// Cells and monsters moved by hand are found once the index is told.
TEST_F(Differential, HandMovedCellsAndMonstersAreFoundAfterSync) {
  MapCellCount = 0;
  testworld::AddFloor(0, 199, -1.0f, WALL_PLATFORM);
  for (SMonsters& m : Monsters.monsters) m.health = 0;
  MonsterCount = 0;
  Monsters.Add(10, 0, MONSTER_DEMON);
  EXPECT_FALSE(CanMoveTo(10, 1, 1, 1, WHO_PLAYER));
  EXPECT_EQ(Monsters.FindAt(10, 0, 0.01f), 0);
  Monsters.monsters[0].x = 150;
  MapCells[5].x = 500;
  MapCells[5].y = 500;
  SyncWorldIndex();
  EXPECT_TRUE(CanMoveTo(10, 1, 1, 1, WHO_PLAYER));
  EXPECT_EQ(Monsters.FindAt(150, 0, 0.01f), 0);
  EXPECT_FALSE(CanMoveTo(500, 500, 1, 1, WHO_BULLET));
  EXPECT_TRUE(CanMoveTo(5, -1, 0.1f, 0.1f, WHO_BULLET));
  // A new level of the same size is taken in whole.
  for (int i = 0; i < 200; i++) MapCells[i].y = 40.0f;
  SyncWorldIndex();
  EXPECT_FALSE(CanMoveTo(100, 40, 1, 1, WHO_BULLET));
  EXPECT_TRUE(CanMoveTo(100, -1, 1, 1, WHO_BULLET));
}

}  // namespace

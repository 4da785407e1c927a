// Monster behaviour on small hand-built levels: placement, patrol and
// turning, touch and ranged attacks, damage and death, blood.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "Cp1251.h"
#include "actors/Bullets.h"
#include "actors/Corps.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "shell/Random.h"
#include "testutil.h"
#include "World.h"
#include "world/Level.h"

namespace {

using testworld::AddCell;
using testworld::AddFloor;

// Animation ranges shared by every kind in these tests: walking 0..10,
// attacking 20..30 with the blow on frame 22.
void SetAnimations(TModel& m) {
  m.animationCount = 2;
  std::strcpy(m.animations[0].name, "Move");
  m.animations[0].start = 0;
  m.animations[0].end = 10;
  m.animations[0].speed = 1;
  m.animations[0].keyFrame = 0;
  std::strcpy(m.animations[1].name, "Atack");
  m.animations[1].start = 20;
  m.animations[1].end = 30;
  m.animations[1].speed = 1;
  m.animations[1].keyFrame = 22;
}

int ActiveShots() {
  int n = 0;
  for (const SBullet& b : Bullets.bullets) n += b.active ? 1 : 0;
  return n;
}

class MonstersTest : public ::testing::Test {
protected:
  void SetUp() override {
    testworld::ClearWorld();
    for (int k = 0; k < MONSTER_KINDS_LOADED; k++) SetAnimations(Monsters.kindModels[k]);
    Player.x = 1000;
    Player.y = 1000;
    Player.health = 100;
    SeedRandom(1);
  }

  // Places a monster on row 0 facing the given way.
  int Place(float x, int kind, bool right) {
    int before = MonsterCount;
    Monsters.Add(x, 0, kind);
    EXPECT_EQ(MonsterCount, before + 1);
    Monsters.monsters[before].facingRight = right;
    return before;
  }
};

TEST_F(MonstersTest, PlacementSetsKindValuesAndLogsTheMapPosition) {
  testutil::RemoveFile("EngineLog.txt");
  Monsters.Add(4, -10, MONSTER_SPIDER);
  Monsters.Add(7, -2, MONSTER_MUTANT);
  ASSERT_EQ(MonsterCount, 2);

  const SMonsters& s = Monsters.monsters[0];
  EXPECT_FLOAT_EQ(s.x, 4.0f);
  EXPECT_FLOAT_EQ(s.y, -9.6f);
  EXPECT_EQ(s.health, 70);
  EXPECT_EQ(s.walkSteps, 2);
  EXPECT_EQ(s.meleeDamage, 0);
  EXPECT_EQ(s.rangedType, 1);
  // The model stands where the map put it, before the height correction.
  EXPECT_FLOAT_EQ(s.model.x, 4.0f);
  EXPECT_FLOAT_EQ(s.model.y, -10.0f);

  const SMonsters& m = Monsters.monsters[1];
  EXPECT_FLOAT_EQ(m.y, -1.7f);
  EXPECT_EQ(m.walkSteps, 4);
  EXPECT_EQ(m.meleeDamage, 15);
  EXPECT_EQ(m.rangedType, 0);

  std::string log = testutil::ReadFile("EngineLog.txt");
  EXPECT_NE(log.find(RU("добавлена модель 0, координаты (4.00,-10.00), номер её 0")),
            std::string::npos);
  EXPECT_NE(log.find(RU("добавлена модель 3, координаты (7.00,-2.00), номер её 1")),
            std::string::npos);
}

TEST_F(MonstersTest, UnknownKindsAndAFullTableAreRefused) {
  Monsters.Add(1, 0, -1);
  Monsters.Add(1, 0, 4);
  Monsters.Add(1, 0, 9);
  EXPECT_EQ(MonsterCount, 0);
  EXPECT_EQ(Monsters.monsters[0].health, 0);

  for (int i = 0; i < MONSTER_SLOTS; i++) Monsters.Add(static_cast<float>(i), 0, i % 4);
  EXPECT_EQ(MonsterCount, MONSTER_SLOTS);
  Monsters.Add(5, 5, 0);
  EXPECT_EQ(MonsterCount, MONSTER_SLOTS);
  EXPECT_EQ(Monsters.monsters[MONSTER_SLOTS - 1].kind, (MONSTER_SLOTS - 1) % 4);
}

TEST_F(MonstersTest, KillsOnTheExpectedHitAndLeavesOneCorpse) {
  struct Case {
    int damage;
    int killingHit;
  };
  for (Case c : {Case{10, 7}, Case{20, 4}, Case{8, 9}}) {
    SetUp();
    int i = Place(3, MONSTER_SOLDIER, true);
    for (int hit = 1; hit < c.killingHit; hit++) {
      Monsters.Damage(i, c.damage, true);
      ASSERT_GT(Monsters.monsters[i].health, 0) << "damage " << c.damage << " hit " << hit;
    }
    EXPECT_EQ(Corps.last, -1);
    Monsters.Damage(i, c.damage, true);
    EXPECT_EQ(Monsters.monsters[i].health, 0) << "damage " << c.damage;
    ASSERT_EQ(Corps.last, 0);
    EXPECT_EQ(Corps.corpses[0].kind, MONSTER_SOLDIER);
    EXPECT_FLOAT_EQ(Corps.corpses[0].x, 3.0f);
    // Further hits on the dead slot change nothing and add no corpse.
    Monsters.Damage(i, c.damage, false);
    EXPECT_EQ(Monsters.monsters[i].health, 0);
    EXPECT_EQ(Corps.last, 0);
    EXPECT_EQ(Monsters.FindAt(3, 0.3f, 0.03f), -1);
  }
}

TEST_F(MonstersTest, CorpseKeepsTheFacingTheMonsterHadWhenItDied) {
  int i = Place(3, MONSTER_DEMON, false);
  Monsters.Damage(i, 69, true);  // patrolling: turns to face right
  EXPECT_TRUE(Monsters.monsters[i].facingRight);
  Monsters.Damage(i, 5, false);
  ASSERT_EQ(Corps.last, 0);
  EXPECT_TRUE(Corps.corpses[0].facingRight);
}

TEST_F(MonstersTest, AHitTurnsAPatrollingMonsterButNotAnAttackingOne) {
  int walker = Place(3, MONSTER_DEMON, true);
  int fighter = Place(8, MONSTER_DEMON, true);
  Monsters.monsters[fighter].model.frame = 25;  // inside "Atack"

  Monsters.Damage(walker, 10, false);
  Monsters.Damage(fighter, 10, false);
  EXPECT_FALSE(Monsters.monsters[walker].facingRight);
  EXPECT_TRUE(Monsters.monsters[fighter].facingRight);
}

TEST_F(MonstersTest, FindAtReturnsTheLowestLiveSlotInTheHitBox) {
  Place(5, MONSTER_DEMON, true);  // y 0.3, hit box x 4.5..5.5, y -0.7..1.3
  Place(5, MONSTER_MUTANT, true);
  Place(9, MONSTER_SPIDER, true);
  EXPECT_EQ(Monsters.FindAt(5, 0.3f, 0.03f), 0);
  EXPECT_EQ(Monsters.FindAt(5.49f, 1.25f, 0.03f), 0);
  EXPECT_EQ(Monsters.FindAt(5.6f, 0.3f, 0.03f), -1);
  EXPECT_EQ(Monsters.FindAt(5.6f, 0.3f, 0.5f), 0);  // the square reaches in
  EXPECT_EQ(Monsters.FindAt(9, 0.4f, 0.03f), 2);
  Monsters.monsters[0].health = 0;
  EXPECT_EQ(Monsters.FindAt(5, 0.3f, 0.03f), 1);
  EXPECT_EQ(Monsters.FindAt(20, 0, 0.03f), -1);
}

TEST_F(MonstersTest, PatrolTurnsAtPlatformEdgesAndStaysOnThePlatform) {
  AddFloor(2, 10, -1.0f, WALL_PLATFORM);
  int i = Place(6, MONSTER_MUTANT, true);
  float minX = 100, maxX = -100;
  bool turnedLeft = false, turnedRight = false;
  for (int t = 0; t < 200; t++) {
    bool before = Monsters.monsters[i].facingRight;
    Monsters.Process();
    const SMonsters& m = Monsters.monsters[i];
    if (before && !m.facingRight) turnedLeft = true;
    if (!before && m.facingRight) turnedRight = true;
    minX = std::min(minX, m.x);
    maxX = std::max(maxX, m.x);
  }
  EXPECT_TRUE(turnedLeft);
  EXPECT_TRUE(turnedRight);
  // The edge probe looks one unit ahead, so the monster keeps well inside
  // the floor that spans 2..10 (with the platform boxes 1.5 wide).
  EXPECT_GT(minX, 1.5f);
  EXPECT_LT(maxX, 10.5f);
  EXPECT_GT(maxX - minX, 5.0f);
}

TEST_F(MonstersTest, TwoMonstersWalkingIntoEachOtherBothTurn) {
  // The slower one moves first each tick, so after it turns away the
  // faster one still runs into it.
  AddFloor(0, 20, -1.0f, WALL_PLATFORM);
  int a = Place(8, MONSTER_SPIDER, true);
  int b = Place(10, MONSTER_MUTANT, false);
  bool aTurned = false, bTurned = false;
  for (int t = 0; t < 10; t++) {
    Monsters.Process();
    const SMonsters& ma = Monsters.monsters[a];
    const SMonsters& mb = Monsters.monsters[b];
    if (!ma.facingRight) aTurned = true;
    if (mb.facingRight) bTurned = true;
    // A walker's box (1.1 wide) never enters the other's 1.6 block box.
    EXPECT_GE(mb.x - ma.x, 1.35f - 0.051f);
  }
  EXPECT_TRUE(aTurned);
  EXPECT_TRUE(bTurned);
  EXPECT_EQ(Monsters.monsters[a].model.rotZ, 180);
  EXPECT_EQ(Monsters.monsters[b].model.rotZ, 0);
}

TEST_F(MonstersTest, TouchAttackerBitesOnTheKeyFrameAndFacesThePlayer) {
  AddFloor(0, 20, -1.0f, WALL_PLATFORM);
  int i = Place(10, MONSTER_DEMON, true);
  Player.x = 9.0f;  // touching: boxes 1.8 and 1.1 wide, 1.0 apart
  Player.y = 0.2f;

  Monsters.Process();  // contact: the attack is chosen, facing the player
  const SMonsters& m = Monsters.monsters[i];
  EXPECT_FALSE(m.facingRight);
  EXPECT_EQ(Player.health, 100);
  float x = m.x;
  int ticks = 0;
  while (Player.health == 100 && ticks < 20) {
    Monsters.Process();
    ticks++;
  }
  EXPECT_EQ(Player.health, 92);
  EXPECT_EQ(ticks, 3);      // frames 20, 21, then the blow at 22
  EXPECT_FLOAT_EQ(m.x, x);  // no walking while attacking
  // Frames 23..30, the wrap back to 20, then 21 and the next blow.
  for (int t = 0; t < 10; t++) Monsters.Process();
  EXPECT_EQ(Player.health, 92);
  Monsters.Process();
  EXPECT_EQ(Player.health, 84);

  // Out of reach: back to walking on the next tick.
  Player.x = 100;
  Monsters.Process();
  Monsters.Process();
  EXPECT_NE(m.x, x);
  EXPECT_EQ(ActiveShots(), 0);
}

TEST_F(MonstersTest, ShooterFiresOnlyAlongItsFacingAndClearRow) {
  AddFloor(0, 30, -1.0f, WALL_PLATFORM);
  Player.x = 4.0f;
  Player.y = 0.2f;
  int i = Place(10, MONSTER_SOLDIER, true);  // facing away from the player
  for (int t = 0; t < 20; t++) Monsters.Process();
  EXPECT_EQ(ActiveShots(), 0);
  EXPECT_TRUE(Monsters.monsters[i].facingRight);

  // Turned towards the player it sees it and fires on the attack key frame.
  Monsters.monsters[i].facingRight = false;
  int ticks = 0;
  while (ActiveShots() == 0 && ticks < 10) {
    Monsters.Process();
    ticks++;
  }
  ASSERT_EQ(ActiveShots(), 1);
  const SBullet& b = Bullets.bullets[0];
  EXPECT_FALSE(b.movingRight);
  EXPECT_FALSE(b.fromPlayer);
  EXPECT_EQ(b.subSteps, 225);
  EXPECT_EQ(b.damage, 10);
  EXPECT_EQ(b.kind, 2);
  EXPECT_FLOAT_EQ(b.x, Monsters.monsters[i].x);
  EXPECT_EQ(Monsters.monsters[i].model.rotZ, 180);
}

TEST_F(MonstersTest, SightIsBlockedByWallsAndEndsAfterFifteenUnits) {
  AddFloor(0, 40, -1.0f, WALL_PLATFORM);
  Player.y = 0.2f;
  // A solid block between the spider and the player.
  AddCell(7, 0.4f, WALL_BLOCK);
  Player.x = 4.0f;
  int i = Place(10, MONSTER_SPIDER, false);
  for (int t = 0; t < 5; t++) {
    Monsters.monsters[i].facingRight = false;
    Monsters.Process();
  }
  EXPECT_EQ(ActiveShots(), 0);

  // Open row, but the player's box ends just beyond the 15 units of sight.
  SetUp();
  AddFloor(0, 40, -1.0f, WALL_PLATFORM);
  Player.y = 0.2f;
  Player.x = 9.5f;
  i = Place(26, MONSTER_SPIDER, false);
  for (int t = 0; t < 5; t++) {
    Monsters.monsters[i].x = 26;
    Monsters.monsters[i].facingRight = false;
    Monsters.Process();
  }
  EXPECT_EQ(ActiveShots(), 0);

  // Within reach the spider fires its plasma.
  Monsters.monsters[i].x = 20;
  for (int t = 0; t < 10 && ActiveShots() == 0; t++) Monsters.Process();
  ASSERT_EQ(ActiveShots(), 1);
  EXPECT_EQ(Bullets.bullets[0].kind, 1);
  EXPECT_EQ(Bullets.bullets[0].subSteps, 25);
  EXPECT_EQ(Bullets.bullets[0].damage, 5);
}

TEST_F(MonstersTest, DeadMonstersAreSkippedByProcessAndCollision) {
  AddFloor(0, 20, -1.0f, WALL_PLATFORM);
  int a = Place(5, MONSTER_DEMON, true);
  int b = Place(7, MONSTER_DEMON, false);
  Monsters.Damage(b, 70, true);
  float bx = Monsters.monsters[b].x;
  for (int t = 0; t < 10; t++) Monsters.Process();
  EXPECT_FLOAT_EQ(Monsters.monsters[b].x, bx);
  // The living one walked through where the corpse lies.
  EXPECT_GT(Monsters.monsters[a].x, 6.4f);
}

TEST_F(MonstersTest, BloodSpraysTenRedDropsAndUsesNinetyDraws) {
  SParticle3D drop = {};
  drop.size = 0.5f;
  drop.color[0] = 1;
  drop.color[3] = 1;
  drop.life = 20;
  Monsters.blood.templateParticle = drop;
  for (SParticle3D& p : Monsters.blood.particles) p.life = 0;
  Monsters.blood.RescanFreeSlots();

  SeedRandom(42);
  Monsters.AddBlood(2, 3);
  EXPECT_EQ(RandomDraws, 90u);
  const int next = GameRandom.Next();
  TRandom fresh(42);
  for (int n = 0; n < 90; n++) fresh.Next();
  EXPECT_EQ(fresh.Next(), next);

  int live = 0;
  float lastX = 2;
  for (const SParticle3D& p : Monsters.blood.particles) {
    if (p.life <= 0) continue;
    live++;
    EXPECT_GE(p.x, lastX);  // the drift accumulates rightward
    EXPECT_LT(p.x, 2 + 10 * 0.025f);
    EXPECT_NEAR(p.y, 3, 10 * 0.025f);
    EXPECT_LE(std::abs(p.z), 0.025f);
    EXPECT_EQ(p.velocity[0], 0);
    EXPECT_LT(std::abs(p.velocity[1]), 1000.0f / 6000);
    EXPECT_LT(std::abs(p.velocity[2]), 1000.0f / 6000);
    EXPECT_EQ(p.color[0], 1);
    lastX = p.x;
  }
  EXPECT_EQ(live, 10);
}

}  // namespace

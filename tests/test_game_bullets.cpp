// Shots in flight: traces, plasma and plain projectiles against walls,
// monsters and the player, and the sparks and plasma they leave.
#include <gtest/gtest.h>

#include <cstdlib>

#include "World.h"
#include "actors/Bullets.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "shell/Random.h"
#include "testutil.h"
#include "world/Level.h"

namespace {

using testworld::AddCell;
using testworld::PlaceMonster;

int Live(const TParticlesSystem& pool) {
  int n = 0;
  for (const SParticle3D& p : pool.particles) n += p.life > 0;
  return n;
}

int LiveShots() {
  int n = 0;
  for (const SBullet& b : Bullets.bullets) n += b.active;
  return n;
}

class BulletsTest : public ::testing::Test {
protected:
  void SetUp() override {
    SeedRandom(1);
    testworld::ClearWorld();
    Player.x = 100;
    Player.y = 0;
    Player.health = 100;
  }

  // Init builds the particle buffers and loads the textures, so it needs a
  // live GL context with the engine's entry points.
  static void SetUpTestSuite() {
    testutil::LinkDataDir();
    ASSERT_TRUE(testutil::OpenContext(64, 64));
    InitGL(64, 64);
    Bullets.Init();
    // The blood pool belongs to the monsters; it only needs a live template
    // here to show that a trace bleeds what it hits.
    Monsters.blood.templateParticle.life = 20;
    Monsters.blood.templateParticle.color[3] = 1;
  }
};

TEST_F(BulletsTest, TemplatesAsTheGameSetsThem) {
  const SParticle3D& s = Bullets.sparks.templateParticle;
  EXPECT_FLOAT_EQ(s.size, 0.4f);
  EXPECT_FLOAT_EQ(s.acceleration[1], -0.01f);
  EXPECT_FLOAT_EQ(s.color[0], 1);
  EXPECT_FLOAT_EQ(s.color[1], 1);
  EXPECT_FLOAT_EQ(s.color[2], 0);
  EXPECT_FLOAT_EQ(s.colorDelta[3], -0.12f);
  EXPECT_EQ(s.life, 20);
  const SParticle3D& p = Bullets.plasma.templateParticle;
  EXPECT_FLOAT_EQ(p.size, 0.6f);
  EXPECT_FLOAT_EQ(p.color[2], 1);
  EXPECT_FLOAT_EQ(p.colorDelta[3], -0.3f);
  EXPECT_EQ(p.life, 2);
}

TEST_F(BulletsTest, PlayerShotIntoNothingVanishesAfterThirtyUnits) {
  Bullets.Fire(0, 0, true, 1000, 10, 0, true);
  ASSERT_TRUE(Bullets.bullets[0].active);
  Bullets.Process();
  EXPECT_FALSE(Bullets.bullets[0].active);
  EXPECT_NEAR(Bullets.bullets[0].x, 30.0f, 1e-3);
  EXPECT_EQ(Live(Bullets.sparks), 0);
  EXPECT_EQ(Live(Monsters.blood), 0);
}

TEST_F(BulletsTest, WallStopsTheShotWithTwentySparksAndShieldsWhatIsBehind) {
  AddCell(5, 0, WALL_BLOCK);
  int m = PlaceMonster(7, 0.3f, MONSTER_DEMON);
  Bullets.Fire(0, 0.3f, true, 1000, 10, 0, true);
  Bullets.Process();
  EXPECT_FALSE(Bullets.bullets[0].active);
  // Stopped at the block's box, 1.4 wide.
  EXPECT_NEAR(Bullets.bullets[0].x, 5 - 0.7f - 0.015f, 0.031f);
  EXPECT_EQ(Live(Bullets.sparks), 20);
  EXPECT_EQ(Monsters.monsters[m].health, 70);
  for (const SParticle3D& p : Bullets.sparks.particles) {
    if (p.life <= 0) continue;
    EXPECT_EQ(p.velocity[0], 0.0f);
    EXPECT_GE(p.velocity[1], -0.01f - 1e-6f);  // after one tick of gravity
    EXPECT_LE(p.velocity[1], 0.125f);
    EXPECT_LE(std::abs(p.velocity[2]), 0.125f);
  }
  // A spark fades out in its ninth tick.
  for (int i = 0; i < 7; i++) Bullets.Process();
  EXPECT_EQ(Live(Bullets.sparks), 20);
  Bullets.Process();
  EXPECT_EQ(Live(Bullets.sparks), 0);
}

TEST_F(BulletsTest, PlayerShotHitsOnlyTheFirstMonster) {
  int far = PlaceMonster(5, 0.3f, MONSTER_DEMON);
  int nearA = PlaceMonster(3, 0.3f, MONSTER_DEMON);
  int nearB = PlaceMonster(3, 0.3f, MONSTER_SOLDIER);
  Monsters.monsters[nearA].facingRight = true;
  Bullets.Fire(0, 0.3f, true, 1000, 10, 0, true);
  Bullets.Process();
  EXPECT_FALSE(Bullets.bullets[0].active);
  // Two monsters share the point: the lower slot takes the hit.
  EXPECT_EQ(Monsters.monsters[nearA].health, 60);
  EXPECT_EQ(Monsters.monsters[nearB].health, 70);
  EXPECT_EQ(Monsters.monsters[far].health, 70);
  // It turns towards the shooter, and bleeds.
  EXPECT_FALSE(Monsters.monsters[nearA].facingRight);
  EXPECT_EQ(Live(Monsters.blood), 10);
  EXPECT_EQ(Live(Bullets.sparks), 0);
  EXPECT_NEAR(Bullets.bullets[0].x, 3 - 0.5f - 0.005f, 0.031f);
}

TEST_F(BulletsTest, PlayerShotsNeverHurtThePlayer) {
  Player.x = 2;
  Player.y = 0;
  Bullets.Fire(0, 0, true, 1000, 10, 0, true);
  Bullets.Process();
  EXPECT_EQ(Player.health, 100);
}

TEST_F(BulletsTest, SoldierShotPassesMonstersAndMovesSixAndThreeQuartersPerTick) {
  int m = PlaceMonster(3, 0, MONSTER_DEMON);
  Player.x = 10;
  Player.y = 0;
  Bullets.Fire(0, 0, true, 225, 10, 2, false);
  Bullets.Process();
  ASSERT_TRUE(Bullets.bullets[0].active);
  EXPECT_NEAR(Bullets.bullets[0].x, 6.75f, 1e-3);
  EXPECT_EQ(Monsters.monsters[m].health, 70);
  EXPECT_EQ(Live(Bullets.plasma), 0);
  Bullets.Process();
  EXPECT_FALSE(Bullets.bullets[0].active);
  EXPECT_EQ(Player.health, 90);
  EXPECT_EQ(Live(Bullets.sparks), 0);
  EXPECT_EQ(Live(Monsters.blood), 0);
}

TEST_F(BulletsTest, SpiderPlasmaLeavesThreeParticlesWhereEachTickBegins) {
  Player.x = 2;
  Player.y = 0;
  Bullets.Fire(-1, 0, true, 25, 5, 1, false);
  Bullets.Process();
  ASSERT_TRUE(Bullets.bullets[0].active);
  EXPECT_NEAR(Bullets.bullets[0].x, -0.25f, 1e-4);
  EXPECT_EQ(Live(Bullets.plasma), 3);
  for (const SParticle3D& p : Bullets.plasma.particles) {
    if (p.life > 0) {
      EXPECT_EQ(p.x, -1.0f);
    }
  }
  // The third tick reaches the player's box (left edge 1.1) and still
  // leaves its three particles where it began.
  Bullets.Process();
  ASSERT_TRUE(Bullets.bullets[0].active);
  Bullets.Process();
  EXPECT_FALSE(Bullets.bullets[0].active);
  EXPECT_EQ(Player.health, 95);
  EXPECT_EQ(Live(Bullets.plasma), 3);
  for (const SParticle3D& p : Bullets.plasma.particles) {
    if (p.life > 0) {
      EXPECT_NEAR(p.x, 0.5f, 1e-4);
    }
  }
  EXPECT_EQ(Live(Bullets.sparks), 0);
  EXPECT_EQ(Live(Monsters.blood), 0);
  // A plasma particle lives two ticks.
  Bullets.Process();
  EXPECT_EQ(Live(Bullets.plasma), 0);
}

TEST_F(BulletsTest, ProjectileWithNothingInItsWayKeepsItsSlot) {
  Bullets.Fire(0, 0, false, 225, 10, 2, false);
  for (int i = 0; i < 5; i++) Bullets.Process();
  EXPECT_TRUE(Bullets.bullets[0].active);
  EXPECT_NEAR(Bullets.bullets[0].x, -33.75f, 2e-3);
  // The next shot takes the next free slot.
  Bullets.Fire(1, 1, true, 25, 5, 1, false);
  EXPECT_TRUE(Bullets.bullets[1].active);
  EXPECT_EQ(Bullets.bullets[1].x, 1.0f);
}

TEST_F(BulletsTest, MonsterShotStopsAtAWallSilently) {
  AddCell(-3, 0, WALL_BLOCK);
  Bullets.Fire(0, 0, false, 225, 10, 2, false);
  Bullets.Process();
  EXPECT_FALSE(Bullets.bullets[0].active);
  EXPECT_EQ(Live(Bullets.sparks), 0);
}

TEST_F(BulletsTest, FullTableDropsNewShots) {
  for (int i = 0; i < 4096; i++) Bullets.Fire((float)i, 0, true, 25, 5, 1, false);
  EXPECT_EQ(LiveShots(), 4096);
  SBullet before = Bullets.bullets[4095];
  Bullets.Fire(-7, -7, false, 1, 1, 2, true);
  EXPECT_EQ(LiveShots(), 4096);
  EXPECT_EQ(Bullets.bullets[4095].x, before.x);
  EXPECT_EQ(Bullets.bullets[4095].kind, before.kind);
}

}  // namespace

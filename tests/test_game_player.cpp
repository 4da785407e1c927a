// The player's movement, jumping, falling, weapon choice and firing cycle,
// driven tick by tick over small hand-built maps with scripted keys.
#include <gtest/gtest.h>

#include <cstring>

#include "actors/Bullets.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "World.h"
#include "world/Level.h"

namespace {

using testworld::AddCell;
using testworld::ReleaseKeys;

// A floor of solid blocks at y = 0 from x = -20 to 20; its top is at 1.0.
void BuildFloor() { testworld::AddFloor(-20, 20, 0.0f, WALL_BLOCK); }

class PlayerTest : public ::testing::Test {
protected:
  void SetUp() override {
    testworld::ClearWorld();

    // The weapon table as the game fills it, without models or sounds.
    std::memset(static_cast<void*>(Player.weapons), 0, sizeof Player.weapons);
    const float speeds[3] = {0.7f, 0.25f, 1.1f};
    const int ammoIndex[3] = {0, 1, 0};
    const int damage[3] = {10, 20, 8};
    for (int i = 0; i < 3; i++) {
      Player.weapons[i].fireSpeed = speeds[i];
      Player.weapons[i].ammoCost = 1;
      Player.weapons[i].ammoIndex = ammoIndex[i];
      Player.weapons[i].damage = damage[i];
    }
    for (bool& h : Player.hasWeapon) h = false;
    Player.hasWeapon[0] = true;
    for (int& a : Player.ammo) a = 0;
    Player.ammo[0] = 50;
    Player.currentWeapon = 0;
    Player.health = 100;
    Player.keys[0] = Player.keys[1] = Player.keys[2] = false;

    PlayerModel.frame = 0;
    PlayerModel.rotZ = 0;
    PlayerModel.SetAnimation(0, 39, 0.2f);
    Jumping = false;
    JumpCount = 0;
    Firing = false;
    Walking = false;
  }

  // Places the player above the floor and lets it land.
  void StandAt(float x) {
    BuildFloor();
    Player.x = x;
    Player.y = 2.0f;
    for (int i = 0; i < 40; i++) Player.Process();
    ASSERT_FALSE(Jumping);
    ASSERT_NEAR(Player.y, 1.5f, 0.021f);
  }

  int LiveBullets() {
    int n = 0;
    for (const SBullet& b : Bullets.bullets) n += b.active;
    return n;
  }
};

TEST_F(PlayerTest, StandsOnTheFloorAndWalksFourSubStepsPerTick) {
  StandAt(0.0f);
  const float y0 = Player.y;
  _keys[39] = 1;
  Player.Process();
  EXPECT_NEAR(Player.x, 0.2f, 1e-5);
  EXPECT_EQ(PlayerModel.rotZ, 0.0f);
  EXPECT_TRUE(Walking);
  for (int i = 0; i < 9; i++) Player.Process();
  EXPECT_NEAR(Player.x, 2.0f, 1e-4);
  EXPECT_EQ(Player.y, y0);
  // The walk animation runs while a direction key is held.
  EXPECT_GE(PlayerModel.frame, 40.0f);
  EXPECT_LE(PlayerModel.frame, 46.0f);

  ReleaseKeys();
  _keys[37] = 1;
  Player.Process();
  EXPECT_NEAR(Player.x, 1.8f, 1e-4);
  EXPECT_EQ(PlayerModel.rotZ, 180.0f);
  // The model follows the player, the weapon follows the model.
  EXPECT_EQ(PlayerModel.x, Player.x);
  EXPECT_EQ(Player.weaponModels[0].x, Player.x);
  EXPECT_EQ(Player.weaponModels[0].rotZ, 180.0f);
  EXPECT_EQ(Player.weaponModels[0].frame, PlayerModel.frame);

  // Both keys: a step right, then a step left, facing left.
  _keys[39] = 1;
  Player.Process();
  EXPECT_NEAR(Player.x, 1.8f, 1e-4);
  EXPECT_EQ(PlayerModel.rotZ, 180.0f);
}

TEST_F(PlayerTest, WalkingIntoAWallTurnsWithoutMovingAndBlocksFiring) {
  StandAt(0.74f);
  AddCell(2.0f, 1.0f, WALL_BLOCK);
  PlayerModel.rotZ = 180;
  _keys[39] = 1;
  _keys[32] = 1;
  Player.Process();
  EXPECT_EQ(Player.x, 0.74f);
  EXPECT_EQ(PlayerModel.rotZ, 0.0f);
  EXPECT_TRUE(Walking);
  EXPECT_FALSE(Firing);
  EXPECT_EQ(Player.ammo[0], 50);
}

TEST_F(PlayerTest, FullJumpRisesThreeAndAHalfUnitsThenFalls) {
  StandAt(0.0f);
  const float y0 = Player.y;
  _keys[38] = 1;
  Player.Process();
  ReleaseKeys();
  EXPECT_TRUE(Jumping);
  EXPECT_NEAR(Player.y - y0, 18 * 0.02f, 1e-4);
  EXPECT_EQ(JumpCount, 17);
  for (int i = 0; i < 16; i++) Player.Process();
  EXPECT_NEAR(Player.y - y0, 170 * 0.02f, 1e-3);
  // The last rising step and the first falling five share a tick.
  Player.Process();
  EXPECT_NEAR(Player.y - y0, (171 - 5) * 0.02f, 1e-3);
  EXPECT_EQ(JumpCount, -6);
  // While airborne the body shows frame 40.
  EXPECT_EQ(PlayerModel.frame, 40.0f);

  for (int i = 0; i < 40 && Jumping; i++) Player.Process();
  EXPECT_FALSE(Jumping);
  EXPECT_NEAR(Player.y, y0, 0.021f);
}

TEST_F(PlayerTest, FallSpeedsUpToThirtySevenStepsPerTick) {
  BuildFloor();
  Player.x = 0;
  Player.y = 40.0f;
  float prev = Player.y;
  for (int tick = 0; tick < 40; tick++) {
    Player.Process();
    const int expectSteps = tick + 5 > 37 ? 37 : tick + 5;
    EXPECT_NEAR(prev - Player.y, expectSteps * 0.02f, 1e-3) << "tick " << tick;
    prev = Player.y;
  }
  EXPECT_EQ(JumpCount, MaxFallSteps);
  for (int i = 0; i < 100 && Jumping; i++) Player.Process();
  EXPECT_FALSE(Jumping);
  EXPECT_NEAR(Player.y, 1.5f, 0.021f);
}

TEST_F(PlayerTest, JumpUnderALowCeilingStopsAndFallsTheSameTick) {
  StandAt(0.0f);
  const float y0 = Player.y;
  // A block whose underside is 0.11 above the player's head.
  AddCell(0.0f, y0 + 0.5f + 0.11f + 1.0f, WALL_BLOCK);
  _keys[38] = 1;
  Player.Process();
  // Five steps up (0.1), the sixth blocked, then one step down.
  EXPECT_NEAR(Player.y - y0, 4 * 0.02f, 1e-4);
  EXPECT_EQ(JumpCount, -2);
  EXPECT_TRUE(Jumping);
}

TEST_F(PlayerTest, ShotgunCycleBreaksOffAtFrame49) {
  StandAt(0.0f);
  Player.hasWeapon[1] = true;
  Player.ammo[1] = 5;
  _keys[50] = 1;
  Player.Process();
  EXPECT_EQ(Player.currentWeapon, 1);
  ReleaseKeys();

  _keys[32] = 1;
  Player.Process();
  ReleaseKeys();
  EXPECT_TRUE(Firing);
  EXPECT_EQ(PlayerModel.frame, 46.0f);
  while (PlayerModel.frame < 49.0f) Player.Process();
  EXPECT_EQ(PlayerModel.frame, 49.0f);
  // The shot left at frame 48.
  EXPECT_EQ(Player.ammo[1], 4);
  EXPECT_EQ(LiveBullets(), 1);
  EXPECT_EQ(Bullets.bullets[0].damage, 20);
  EXPECT_TRUE(Bullets.bullets[0].fromPlayer);
  EXPECT_EQ(Bullets.bullets[0].subSteps, 1000);

  const float x0 = Player.x;
  _keys[37] = 1;
  Player.Process();
  EXPECT_FALSE(Firing);
  EXPECT_LT(Player.x, x0);
}

TEST_F(PlayerTest, MachineGunCycleCannotBeBrokenOffAndFiresOncePerCycle) {
  StandAt(0.0f);
  _keys[32] = 1;
  Player.Process();
  EXPECT_TRUE(Firing);
  _keys[32] = 0;
  _keys[37] = 1;
  const float x0 = Player.x;
  int ticks = 1;
  while (Firing && ticks < 50) {
    Player.Process();
    ticks++;
  }
  // 46 -> past 53 at 0.7 a tick; frame 49.0 is never hit exactly.
  EXPECT_GE(ticks, 11);
  EXPECT_LE(ticks, 12);
  EXPECT_EQ(Player.x, x0);
  EXPECT_EQ(Player.ammo[0], 49);
  EXPECT_EQ(LiveBullets(), 1);
  EXPECT_EQ(Bullets.bullets[0].x, x0 + 0.8f);
  EXPECT_EQ(Bullets.bullets[0].y, Player.y);
  EXPECT_TRUE(Bullets.bullets[0].movingRight);
}

TEST_F(PlayerTest, ShotFacingLeftStartsHigher) {
  StandAt(0.0f);
  PlayerModel.rotZ = 180;
  _keys[32] = 1;
  for (int i = 0; i < 5; i++) Player.Process();
  ASSERT_EQ(LiveBullets(), 1);
  EXPECT_EQ(Bullets.bullets[0].x, Player.x - 0.8f);
  EXPECT_NEAR(Bullets.bullets[0].y, Player.y + 0.3f, 1e-6);
  EXPECT_FALSE(Bullets.bullets[0].movingRight);
}

TEST_F(PlayerTest, HasAmmoStepsDownToAnUnownedSlot) {
  StandAt(0.0f);
  Player.hasWeapon[2] = true;
  Player.currentWeapon = 2;
  Player.ammo[0] = 0;
  Player.ammo[1] = 5;
  _keys[32] = 1;
  Player.Process();
  EXPECT_EQ(Player.currentWeapon, 1);
  EXPECT_TRUE(Firing);
  EXPECT_FALSE(Player.hasWeapon[1]);

  // Nothing anywhere: back to slot 0, no shot.
  Player.currentWeapon = 2;
  Player.ammo[1] = 0;
  EXPECT_FALSE(Player.HasAmmo());
  EXPECT_EQ(Player.currentWeapon, 0);
}

TEST_F(PlayerTest, WeaponKeysSelectOnlyOwnedSlots) {
  StandAt(0.0f);
  _keys[51] = 1;  // slot 2, not owned
  Player.Process();
  EXPECT_EQ(Player.currentWeapon, 0);
  Player.hasWeapon[2] = true;
  Player.hasWeapon[1] = true;
  _keys[50] = 1;  // slots 1 and 2 together: the later key wins
  Player.Process();
  EXPECT_EQ(Player.currentWeapon, 2);
  _keys[52] = 1;  // slot 3 is never owned
  Player.Process();
  EXPECT_EQ(Player.currentWeapon, 2);
}

TEST_F(PlayerTest, DamageStopsAtZeroAndTheDeadStillMove) {
  StandAt(0.0f);
  Player.TakeDamage(30);
  EXPECT_EQ(Player.health, 70);
  Player.TakeDamage(500);
  EXPECT_EQ(Player.health, 0);
  Player.TakeDamage(5);
  EXPECT_EQ(Player.health, 0);
  _keys[39] = 1;
  Player.Process();
  EXPECT_NEAR(Player.x, 0.2f, 1e-5);
}

TEST_F(PlayerTest, TouchesUsesTheWideHitBox) {
  Player.x = 0;
  Player.y = 0;
  EXPECT_TRUE(Player.Touches(0.9f + 0.02f, 0, 0.05f, 0.05f));
  EXPECT_FALSE(Player.Touches(0.9f + 0.03f, 0, 0.05f, 0.05f));
  EXPECT_TRUE(Player.Touches(0, 0.5f + 0.02f, 0.05f, 0.05f));
  EXPECT_FALSE(Player.Touches(0, 0.5f + 0.03f, 0.05f, 0.05f));
}

}  // namespace

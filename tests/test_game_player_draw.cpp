// The player and the bullets' particles on screen: loaded from the shipped
// data, drawn through the engine on a headless context and read back.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "CorvaneEngine.h"
#include "actors/Bullets.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "World.h"
#include "testutil.h"
#include "world/Level.h"

namespace {

const int W = 256, H = 192;

class PlayerDrawTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    testutil::LinkDataDir();
    ASSERT_TRUE(testworld::OpenScreen(W, H));
    Player.Init();
    Bullets.Init();
  }

  void SetUp() override {
    MapCellCount = 0;
    MonsterCount = 0;
    for (int k = 0; k < 256; k++) _keys[k] = 0;
  }

  // Clears, places the camera as the game does for a player at (px, py).
  void BeginFrame(float px, float py) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetCamera(px, py + 7.0, 14.0, px, py - 4.0, -10.0);
  }

  // Pixels (RGB) of the frame, bottom row first.
  std::vector<unsigned char> Read() {
    std::vector<unsigned char> p(W * H * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, p.data());
    return p;
  }

  // Lit pixels in the columns [x0, x1).
  static int Lit(const std::vector<unsigned char>& p, int x0, int x1) {
    int n = 0;
    for (int y = 0; y < H; y++)
      for (int x = x0; x < x1; x++) {
        const unsigned char* c = &p[(y * W + x) * 3];
        n += c[0] + c[1] + c[2] > 30;
      }
    return n;
  }
};

TEST_F(PlayerDrawTest, InitLoadsTheModelsAndTheWeaponTable) {
  EXPECT_GT(PlayerModel.vertexCount, 0);
  for (int i = 0; i < 3; i++) {
    EXPECT_GT(Player.weaponModels[i].vertexCount, 0) << "slot " << i;
    // Weapons take the body's scale so that they sit in its hands.
    EXPECT_EQ(Player.weaponModels[i].scale, PlayerModel.unitScale);
  }
  EXPECT_EQ(PlayerModel.rotX, 90.0f);
  EXPECT_TRUE(Player.hasWeapon[0]);
  EXPECT_FALSE(Player.hasWeapon[1]);
  EXPECT_FALSE(Player.hasWeapon[2]);
  EXPECT_EQ(Player.ammo[0], 50);
  EXPECT_EQ(Player.health, 100);
  EXPECT_EQ(Player.weapons[1].fireSpeed, 0.25f);
  EXPECT_EQ(Player.weapons[2].damage, 8);
}

TEST_F(PlayerDrawTest, PlayerIsDrawnWhereTheCameraFollowsIt) {
  Player.x = 3;
  Player.y = -2;
  Player.Process();  // moves the models to the player (no floor: it starts to fall)
  BeginFrame(Player.x, Player.y);
  Player.Draw();
  std::vector<unsigned char> p = Read();
  // The camera looks straight down the player's column: the body stands in
  // the middle of the frame and nothing is drawn at the sides.
  EXPECT_GT(Lit(p, W / 2 - 20, W / 2 + 20), 60);
  EXPECT_EQ(Lit(p, 0, 40), 0);
  EXPECT_EQ(Lit(p, W - 40, W), 0);
}

TEST_F(PlayerDrawTest, SparksAreDrawnYellowAtTheWall) {
  BeginFrame(0, 0);
  Bullets.AddSparks(0, 0);
  Bullets.Draw();
  std::vector<unsigned char> p = Read();
  int yellow = 0;
  for (int i = 0; i < W * H; i++) {
    const unsigned char* c = &p[i * 3];
    yellow += c[0] > 60 && c[1] > 60 && c[2] < c[0] / 2;
  }
  EXPECT_GT(yellow, 10);
  for (SParticle3D& s : Bullets.sparks.particles) s.life = 0;
  Bullets.sparks.RescanFreeSlots();
}

}  // namespace

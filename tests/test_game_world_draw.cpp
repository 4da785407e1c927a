// Drawing the level on an offscreen context: the scrolling background, the
// wall pieces where the cells are, and a picture of the shipped level.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Cp1251.h"
#include "Pictures.h"
#include "actors/Items.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "hud/Hud.h"
#include "shell/Shell.h"
#include "World.h"
#include "testutil.h"
#include "world/Level.h"

namespace {

const int W = 1024, H = 768;

using testutil::Pixel;

Pixel ReadPixel(int x, int yFromTop) { return testutil::ReadPixel(x, yFromTop, H); }

GLTexture Solid(const char* path, unsigned char r, unsigned char g, unsigned char b) {
  std::vector<unsigned char> px;
  for (int i = 0; i < 16; i++) px.insert(px.end(), {r, g, b});
  testutil::WriteFile(path, testutil::Tga24(4, 4, px));
  return LoadTexture(path);
}

// The game's camera on the player, as the render callback places it.
void Camera() {
  glLoadIdentity();
  SetCamera(Player.x, Player.y + 7.0, 14.0, Player.x, Player.y - 4.0, -10.0);
  CalculateFrustum();
}

// Screen position (from the top) of a world point under the current camera.
bool Project(double x, double y, double z, int* sx, int* sy) {
  double model[16], proj[16], wx, wy, wz;
  int view[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, proj);
  glGetIntegerv(GL_VIEWPORT, view);
  if (!gluProject(x, y, z, model, proj, view, &wx, &wy, &wz)) return false;
  *sx = static_cast<int>(wx);
  *sy = H - 1 - static_cast<int>(wy);
  return true;
}

class LevelDraw : public ::testing::Test {
protected:
  static void SetUpTestSuite() { ok_ = testworld::OpenScreen(W, H); }
  void SetUp() override {
    if (!ok_) GTEST_SKIP() << "no GL context";
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    MapCellCount = 0;
    MonsterCount = 0;
    Player.x = Player.y = 0;
  }
  static bool ok_;
};
bool LevelDraw::ok_ = false;

TEST_F(LevelDraw, BackgroundScrollsWithThePlayer) {
  // Three bands of 512 pixels each once stretched over 1536.
  std::vector<unsigned char> bands;
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 12; x++)
      bands.insert(bands.end(), {static_cast<unsigned char>(x < 4 ? 255 : 0),
                                 static_cast<unsigned char>(x >= 4 && x < 8 ? 255 : 0),
                                 static_cast<unsigned char>(x >= 8 ? 255 : 0)});
  testutil::WriteFile("bands.tga", testutil::Tga24(12, 4, bands));
  BackTexture = LoadTexture("bands.tga");
  BackScrollFactor = 128.0f;
  Player.x = 0;
  Camera();
  DrawLevel();
  Pixel p = ReadPixel(200, 384);
  EXPECT_GT(p.r, 200);
  EXPECT_LT(p.g, 60);
  Pixel q = ReadPixel(800, 384);
  EXPECT_GT(q.g, 200);

  Player.x = 4;  // 4 x 128 = 512 pixels to the left
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  Camera();
  DrawLevel();
  p = ReadPixel(200, 384);
  EXPECT_GT(p.g, 200);
  EXPECT_LT(p.r, 60);
  q = ReadPixel(800, 384);
  EXPECT_GT(q.b, 200);
}

TEST_F(LevelDraw, WallPiecesStandAtTheirCells) {
  BackTexture = Solid("black.tga", 0, 0, 0);
  WallTextures[1] = Solid("red.tga", 255, 0, 0);
  WallTextures[2] = Solid("green.tga", 0, 255, 0);
  auto add = [](float x, float y, int wall, int tex) {
    testworld::AddCell(x, y, wall, -1, -1, tex);
  };
  add(-3, 0.4f - 1, WALL_BLOCK, 1);
  add(3, 0.5f - 1, WALL_DOOR_RED, 2);
  add(0, -3, WALL_PLATFORM, 1);
  Camera();
  DrawLevel();
  testutil::SavePng("pieces", W, H);

  int sx, sy;
  // The block's front face centre, and a point just beside the 1-wide block.
  ASSERT_TRUE(Project(-3, -0.6, 1.5, &sx, &sy));
  Pixel p = ReadPixel(sx, sy);
  EXPECT_GT(p.r, 200);
  EXPECT_LT(p.g, 40);
  ASSERT_TRUE(Project(-3.7, -0.6, 1.5, &sx, &sy));
  EXPECT_LT(ReadPixel(sx, sy).r, 40);
  // The door: 0.3 wide, 2.8 high.
  ASSERT_TRUE(Project(3, -0.5 + 1.2, 1.5, &sx, &sy));
  EXPECT_GT(ReadPixel(sx, sy).g, 200);
  ASSERT_TRUE(Project(3.3, -0.5, 1.5, &sx, &sy));
  EXPECT_LT(ReadPixel(sx, sy).g, 40);
  // The platform: 0.2 high.
  ASSERT_TRUE(Project(0, -3, 1.5, &sx, &sy));
  EXPECT_GT(ReadPixel(sx, sy).r, 200);
  ASSERT_TRUE(Project(0, -3.25, 1.5, &sx, &sy));
  EXPECT_LT(ReadPixel(sx, sy).r, 40);

  // An opened door is no longer drawn.
  MapCells[1].wallType = WALL_NONE;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  Camera();
  DrawLevel();
  ASSERT_TRUE(Project(3, -0.5 + 1.2, 1.5, &sx, &sy));
  EXPECT_LT(ReadPixel(sx, sy).g, 40);

  // A wall moved or given another texture by hand is drawn where and as it
  // now is (the level's wall buffer follows the cells).
  MapCells[0].x = -5;
  MapCells[0].textureIndex = 2;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  Camera();
  DrawLevel();
  ASSERT_TRUE(Project(-3, -0.6, 1.5, &sx, &sy));
  EXPECT_LT(ReadPixel(sx, sy).r, 40);
  ASSERT_TRUE(Project(-5, -0.6, 1.5, &sx, &sy));
  EXPECT_GT(ReadPixel(sx, sy).g, 200);
}

TEST_F(LevelDraw, CellsOutsideTheViewDrawNothingAtAll) {
  auto add = [](float x, float y, int box, int item) { testworld::AddCell(x, y, -1, box, item); };
  for (TModel& m : Items.models) m.x = m.y = -999;
  BoxModels[0].x = -999;
  add(1, -1, -1, 4);   // in view: the shell box and its shells
  add(200, -1, 0, 3);  // far off to the right: neither pickup nor box
  Camera();
  DrawLevel();
  EXPECT_FLOAT_EQ(Items.models[4].x, 1);
  EXPECT_FLOAT_EQ(Items.models[4].y, -0.8f);
  EXPECT_FLOAT_EQ(Items.models[ITEM_SHELLS_SLOT].x, 1);
  EXPECT_FLOAT_EQ(Items.models[ITEM_SHELLS_SLOT].y, -0.8f);
  EXPECT_FLOAT_EQ(Items.models[3].x, -999);
  EXPECT_FLOAT_EQ(BoxModels[0].x, -999);

  // Walking over puts the far cell in view.
  Player.x = 200;
  Camera();
  DrawLevel();
  EXPECT_FLOAT_EQ(Items.models[3].x, 200);
  EXPECT_FLOAT_EQ(BoxModels[0].x, 200);
}

// The whole shipped level with the HUD: the level's pieces stand out from
// the background, the HUD panel, health bar and message are drawn, and the
// picture is saved for a look.
TEST_F(LevelDraw, ShippedLevelWithHud) {
  testutil::LinkDataDir();
  if (testutil::ReadFile("data/maps/level0.map").empty()) GTEST_SKIP() << "no shipped level";
  Monsters.Init();
  InitHud();
  LoadLevel("data/maps/level0.map");
  Player.Init();
  Items.Init();
  ASSERT_GT(MapCellCount, 0);
  EXPECT_NE(BackTexture, 0u);
  for (GLTexture t : WallTextures) EXPECT_NE(t, 0u);
  EXPECT_GT(BoxModels[0].unitScale, 0.0f);
  EXPECT_GT(BackScrollFactor, 0.0f);
  EXPECT_NE(testutil::ReadFile("EngineLog.txt").find(RU("Игрок находится в")), std::string::npos);
  for (int tick = 0; tick < 10; tick++) {
    ProcessLevel();
    Items.Process();
    ProcessHud();
  }
  // The same view with the background alone, to tell what the rest adds.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  Camera();
  const int cells = MapCellCount;
  MapCellCount = 0;
  DrawLevel();
  MapCellCount = cells;
  const std::vector<unsigned char> background = testutil::ReadFrame(W, H);

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  Camera();
  DrawLevel();
  Player.Draw();
  Monsters.Draw();
  ShowMessage("Test");
  DrawHud();
  testutil::SavePng("level", W, H);
  const std::vector<unsigned char> frame = testutil::ReadFrame(W, H);

  // Walls, platforms and pickups cover a good part of the play area above
  // the panel (about a sixth at the start of the shipped level).
  const int playArea = W * (H - 120 - 30);
  EXPECT_GT(testutil::PixelsChanged(frame, background, W, 0, 30, W, H - 120, 24), playArea / 20);
  // The panel in the bottom-left corner, with a full green health bar.
  EXPECT_GT(testutil::PixelsChanged(frame, background, W, 0, H - 90, 380, H, 24), 380 * 90 / 2);
  const Pixel bar = ReadPixel(100, H - 70);
  EXPECT_GT(bar.g, 200);
  EXPECT_LT(bar.r, 60);
  // The message in red glyphs at the top centre, nowhere near the edges.
  int red = 0, redAtEdges = 0;
  for (int y = 0; y < 26; y++)
    for (int x = 0; x < W; x++) {
      const unsigned char* p = &frame[(static_cast<size_t>(y) * W + x) * 3];
      if (p[0] > 150 && p[1] < 60 && p[2] < 60) (x > 400 && x < 624 ? red : redAtEdges)++;
    }
  EXPECT_GT(red, 30);
  EXPECT_EQ(redAtEdges, 0);
}

}  // namespace

// The HUD: message timing and placement, and the drawn panel on a real
// offscreen context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Cp1251.h"
#include "Pictures.h"
#include "actors/Player.h"
#include "hud/Hud.h"
#include "World.h"
#include "testutil.h"

namespace {

TEST(HudMessage, FadesOverFiftyTicks) {
  ShowMessage(RU("Взята аптечка"));
  EXPECT_STREQ(HudMessage, RU("Взята аптечка"));
  EXPECT_EQ(HudMessageTimer, 100);
  for (int i = 0; i < 49; i++) ProcessHud();
  EXPECT_EQ(HudMessageTimer, 2);  // alpha 0.02, still shown
  ProcessHud();
  EXPECT_EQ(HudMessageTimer, 0);
  ProcessHud();
  EXPECT_EQ(HudMessageTimer, 0);

  // A new message replaces the old one and restarts the fade.
  ShowMessage("first");
  for (int i = 0; i < 10; i++) ProcessHud();
  ShowMessage("2nd");
  EXPECT_STREQ(HudMessage, "2nd");
  EXPECT_EQ(HudMessageTimer, 100);
}

TEST(HudMessage, LongOrMissingTextIsKeptSafely) {
  std::string huge(5000, 'x');
  ShowMessage(huge.c_str());
  EXPECT_EQ(std::strlen(HudMessage), static_cast<size_t>(HUD_MESSAGE_MAX));
  ShowMessage(nullptr);
  EXPECT_STREQ(HudMessage, "");
  EXPECT_EQ(HudMessageTimer, 100);
}

TEST(HudMessage, CentredOnTheFixedLine) {
  HudFont.size = 25;
  EXPECT_EQ(HudMessageX(16), 412);
  EXPECT_EQ(HudMessageX(15), 418);  // both halvings are integer divisions
  EXPECT_EQ(HudMessageX(0), 512);
}

// ---------------------------------------------------------------- drawing

const int W = 1024, H = 768;

using testutil::Pixel;

Pixel ReadPixel(int x, int yFromTop) { return testutil::ReadPixel(x, yFromTop, H); }

class HudDraw : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ok_ = testworld::OpenScreen(W, H);
    if (!ok_) return;
    testutil::LinkDataDir();
    InitHud();
  }
  void SetUp() override {
    if (!ok_) GTEST_SKIP() << "no GL context";
    Player.health = 100;
    Player.currentWeapon = 0;
    for (bool& w : Player.hasWeapon) w = false;
    Player.hasWeapon[0] = true;
    for (bool& k : Player.keys) k = false;
    Player.weapons[0].ammoIndex = 0;
    Player.ammo[0] = 42;
    HudMessageTimer = 0;
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  static bool ok_;
};
bool HudDraw::ok_ = false;

TEST_F(HudDraw, HealthBarWidthAndColourFollowHealth) {
  Player.health = 50;
  DrawHud();
  // 150 pixels from x = 20, colour (0.5, 0.5, 0).
  Pixel in = ReadPixel(100, H - 70);
  EXPECT_NEAR(in.r, 128, 2);
  EXPECT_NEAR(in.g, 128, 2);
  EXPECT_EQ(in.b, 0);
  Pixel edge = ReadPixel(168, H - 70);
  EXPECT_NEAR(edge.r, 128, 2);
  Pixel past = ReadPixel(172, H - 70);
  EXPECT_FALSE(past.r == in.r && past.g == in.g && past.b == 0);

  glClear(GL_COLOR_BUFFER_BIT);
  Player.health = 0;
  DrawHud();
  Pixel none = ReadPixel(25, H - 70);
  EXPECT_FALSE(none.r > 200 && none.g < 50);  // no red bar at zero health
}

TEST_F(HudDraw, PanelKeysAndMessageRenderReadably) {
  Player.health = 75;
  Player.keys[1] = true;
  Player.hasWeapon[2] = true;
  Player.currentWeapon = 2;
  Player.weapons[2].ammoIndex = 0;
  _FPS = 59.6f;
  ShowMessage(RU("Нужен красный ключ"));
  DrawHud();
  testutil::SavePng("hud", W, H);

  // The message: red glyphs start at the centred position.
  const int x0 = HudMessageX(static_cast<int>(std::strlen(HudMessage)));
  int red = 0, outside = 0;
  for (int y = 1; y < 26; y++) {
    for (int x = x0; x < x0 + 200; x++) {
      Pixel p = ReadPixel(x, y);
      if (p.r > 100 && p.g < 60 && p.b < 60) red++;
    }
    for (int x = 0; x < x0 - 2; x++) {
      Pixel p = ReadPixel(x, y);
      if (p.r > 100 && p.g < 60 && p.b < 60) outside++;
    }
  }
  if (HudFont.texture == 0) GTEST_SKIP() << "font not loaded";
  EXPECT_GT(red, 50);
  EXPECT_EQ(outside, 0);
}

}  // namespace

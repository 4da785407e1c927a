// Door effects: a slab per opened door shrinking over seven ticks, and the
// drawn slab keeping its top edge at the top of the door.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "CorvaneEngine.h"
#include "actors/Effects.h"
#include "testutil.h"
#include "world/Level.h"

namespace {

void ClearEffects() {
  for (SEffect& e : Effects.effects) e.active = false;
  Effects.Init();
}

int ActiveCount() {
  int n = 0;
  for (const SEffect& e : Effects.effects) n += e.active ? 1 : 0;
  return n;
}

TEST(Effects, SlabShrinksByHalfAUnitAndEndsOnTheSeventhTick) {
  ClearEffects();
  Effects.Add(5, -3, 2);
  const SEffect& e = Effects.effects[0];
  ASSERT_TRUE(e.active);
  EXPECT_FLOAT_EQ(e.x, 5.0f);
  EXPECT_FLOAT_EQ(e.y, -3.0f);
  EXPECT_EQ(e.textureIndex, 2);
  const float heights[] = {3.0f, 2.5f, 2.0f, 1.5f, 1.0f, 0.5f, 0.0f};
  for (int t = 0; t < 7; t++) {
    ASSERT_TRUE(e.active) << "tick " << t;
    EXPECT_FLOAT_EQ(e.size, heights[t]);
    Effects.Process();
  }
  EXPECT_FALSE(e.active);
}

TEST(Effects, EveryOpenedDoorKeepsItsOwnSlab) {
  ClearEffects();
  Effects.Add(1, 1, 0);
  Effects.Process();
  Effects.Process();
  Effects.Add(9, 2, 4);
  EXPECT_FLOAT_EQ(Effects.effects[0].size, 2.0f);
  EXPECT_FLOAT_EQ(Effects.effects[0].x, 1.0f);
  EXPECT_FLOAT_EQ(Effects.effects[1].size, 3.0f);
  EXPECT_FLOAT_EQ(Effects.effects[1].x, 9.0f);
  for (int t = 0; t < 5; t++) Effects.Process();
  EXPECT_FALSE(Effects.effects[0].active);
  EXPECT_TRUE(Effects.effects[1].active);
  // The freed slot takes the next door.
  Effects.Add(4, 4, 1);
  EXPECT_FLOAT_EQ(Effects.effects[0].x, 4.0f);

  ClearEffects();
  for (int i = 0; i < EFFECT_SLOTS + 3; i++) Effects.Add(static_cast<float>(i), 0, 0);
  EXPECT_EQ(ActiveCount(), EFFECT_SLOTS);
  EXPECT_FLOAT_EQ(Effects.effects[EFFECT_SLOTS - 1].x, EFFECT_SLOTS - 1.0f);
}

// Rows of the frame buffer that hold the slab's colour in the middle column.
std::vector<int> SlabRows(int size) {
  std::vector<unsigned char> px(size * size * 4);
  glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
  std::vector<int> rows;
  for (int y = 0; y < size; y++)
    if (px[(y * size + size / 2) * 4] > 128) rows.push_back(y);
  return rows;
}

TEST(Effects, DrawnSlabWithdrawsUpwardIntoTheDoorTop) {
  const int kSize = 128;
  if (!testutil::OpenContext(kSize, kSize)) GTEST_SKIP() << "no GL context";
  InitGL(kSize, kSize);
  ClearEffects();
  Effects.Add(0, 0, 99);  // no such wall texture: drawn untextured
  const float heights[] = {3.0f, 1.5f};
  std::vector<int> rows[2];
  for (int pass = 0; pass < 2; pass++) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // An orthographic side view: the play plane fills -2..2 on both axes.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    Effects.Draw();
    rows[pass] = SlabRows(kSize);
    ASSERT_FALSE(rows[pass].empty());
    EXPECT_NEAR(rows[pass].size(), heights[pass] / 4 * kSize, 2) << "pass " << pass;
    for (int t = 0; t < 3; t++) Effects.Process();
  }
  // Top edge at y + 1.5 both times; the bottom rose by 1.5 units.
  EXPECT_NEAR(rows[0].back(), rows[1].back(), 1);
  EXPECT_NEAR(rows[1].front() - rows[0].front(), 1.5 / 4 * kSize, 2);

  for (int t = 0; t < 4; t++) Effects.Process();
  EXPECT_EQ(ActiveCount(), 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  Effects.Draw();
  EXPECT_TRUE(SlabRows(kSize).empty());
  testutil::CloseContext();
}

}  // namespace

// Item spin and the catalogue's scales.
#include <gtest/gtest.h>

#include "actors/Items.h"
#include "testutil.h"

namespace {

TEST(Items, SpinWrapsAfterSeventyTwoTicksAndNeverHolds360) {
  ItemSpinAngle = 0;
  for (int i = 1; i <= 72; i++) {
    Items.Process();
    ASSERT_LT(ItemSpinAngle, 360);
    ASSERT_EQ(ItemSpinAngle % 5, 0);
    if (i < 72) {
      ASSERT_EQ(ItemSpinAngle, 5 * i);
    }
  }
  EXPECT_EQ(ItemSpinAngle, 0);
}

TEST(Items, DrawItemIgnoresKindsOutsideTheSlots) {
  Items.models[0].x = 7;
  Items.DrawItem(1, 2, -1);
  Items.DrawItem(1, 2, ITEM_SLOTS);
  Items.DrawItem(1, 2, 32767);
  EXPECT_EQ(Items.models[0].x, 7);
}

TEST(Items, CatalogueScalesAndSpinOnDraw) {
  if (!testutil::OpenContext(256, 256)) GTEST_SKIP() << "no GL context";
  testutil::LinkDataDir();
  if (!FileExists("data/items/ShellBox_Shells.tga")) GTEST_SKIP() << "no item data";
  InitGL(256, 256);
  Items.Init();
  const TModel* m = Items.models;
  EXPECT_FLOAT_EQ(m[0].scale, m[0].unitScale);
  EXPECT_FLOAT_EQ(m[2].scale, m[2].unitScale * 0.4f);
  EXPECT_FLOAT_EQ(m[5].scale, m[5].unitScale / 3.0f);
  EXPECT_FLOAT_EQ(m[7].scale, m[7].unitScale * 0.5f);
  // The shells take the box's size, not their own.
  EXPECT_FLOAT_EQ(m[ITEM_SHELLS_SLOT].scale, m[4].unitScale * 0.5f);
  for (int slot : {0, 1, 2, 3, 4, 5, 6, 7, 8, ITEM_SHELLS_SLOT}) {
    EXPECT_EQ(m[slot].rotX, 90.0f);
    EXPECT_NE(m[slot].texture, 0u);
  }
  EXPECT_EQ(m[9].triangleCount, 0);

  ItemSpinAngle = 35;
  Items.DrawItem(3, -4.8f, 4);
  Items.DrawItem(3, -4.8f, ITEM_SHELLS_SLOT);
  EXPECT_EQ(m[4].x, 3.0f);
  EXPECT_EQ(m[4].y, -4.8f);
  EXPECT_EQ(m[4].rotZ, 35.0f);
  EXPECT_EQ(m[ITEM_SHELLS_SLOT].rotZ, 35.0f);
}

}  // namespace

// Corpses: death animations run once to their resting frame; the shared kind
// model is set up afresh for each corpse it draws.
#include <gtest/gtest.h>

#include "actors/Corps.h"

namespace {

void SetKinds() {
  const float table[4][3] = {{173, 178, 0.25f}, {0, 11, 0.5f}, {271, 278, 0.3f}, {14, 22, 0.3f}};
  for (int k = 0; k < 4; k++) {
    Corps.kinds[k].start = table[k][0];
    Corps.kinds[k].end = table[k][1];
    Corps.kinds[k].speed = table[k][2];
  }
  Corps.last = -1;
}

int TicksToRest(int kind, float* rest) {
  SetKinds();
  Corps.Add(1, 2, kind, true);
  int ticks = 0;
  float previous = -1;
  while (Corps.corpses[0].frame != previous && ticks < 1000) {
    previous = Corps.corpses[0].frame;
    Corps.Process();
    ticks++;
  }
  *rest = Corps.corpses[0].frame;
  return ticks - 1;  // the last tick changed nothing
}

TEST(Corps, DeathAnimationsStopAtTheirRestingFrames) {
  float rest;
  EXPECT_EQ(TicksToRest(0, &rest), 20);
  EXPECT_FLOAT_EQ(rest, 178.0f);
  EXPECT_EQ(TicksToRest(1, &rest), 22);
  EXPECT_FLOAT_EQ(rest, 11.0f);
  EXPECT_EQ(TicksToRest(2, &rest), 24);
  EXPECT_NEAR(rest, 278.2f, 0.01f);
  EXPECT_EQ(TicksToRest(3, &rest), 27);
  EXPECT_NEAR(rest, 22.1f, 0.01f);
}

TEST(Corps, EachCorpseAnimatesOnItsOwn) {
  SetKinds();
  Corps.Add(1, 2, 0, true);
  for (int t = 0; t < 10; t++) Corps.Process();
  Corps.Add(5, 6, 0, false);
  EXPECT_FLOAT_EQ(Corps.corpses[0].frame, 175.5f);
  EXPECT_FLOAT_EQ(Corps.corpses[1].frame, 173.0f);
  EXPECT_FLOAT_EQ(Corps.corpses[1].x, 5.0f);
  EXPECT_FLOAT_EQ(Corps.corpses[1].y, 6.0f);
  EXPECT_FALSE(Corps.corpses[1].facingRight);
  for (int t = 0; t < 15; t++) Corps.Process();
  EXPECT_FLOAT_EQ(Corps.corpses[0].frame, 178.0f);
  EXPECT_FLOAT_EQ(Corps.corpses[1].frame, 176.75f);
}

TEST(Corps, DrawPlacesTheSharedModelForEveryCorpse) {
  // The kind models have no mesh here, so Draw only sets them up.
  SetKinds();
  Corps.Draw();  // nothing to draw
  EXPECT_EQ(Corps.last, -1);

  Corps.Add(3, -4, 2, false);
  Corps.Draw();
  const TModel& m = Corps.kinds[2].model;
  EXPECT_FLOAT_EQ(m.rotZ, 180.0f);
  EXPECT_FLOAT_EQ(m.x, 3.0f);
  EXPECT_FLOAT_EQ(m.y, -4.0f);
  EXPECT_FLOAT_EQ(m.frame, 271.0f);

  Corps.Add(8, -1, 2, true);
  Corps.Process();
  Corps.Draw();
  // Drawn last, the right-facing corpse leaves its pose in the model.
  EXPECT_FLOAT_EQ(m.rotZ, 0.0f);
  EXPECT_FLOAT_EQ(m.x, 8.0f);
  EXPECT_NEAR(m.frame, 271.3f, 1e-4);
}

TEST(Corps, TheListNeverGrowsPastItsEntries) {
  SetKinds();
  for (int i = 0; i < CORPSE_SLOTS + 5; i++) Corps.Add(static_cast<float>(i), 0, i % 4, true);
  EXPECT_EQ(Corps.last, CORPSE_SLOTS - 1);
  EXPECT_FLOAT_EQ(Corps.corpses[CORPSE_SLOTS - 1].x, CORPSE_SLOTS - 1.0f);
  Corps.Add(0, 0, -1, true);
  Corps.Add(0, 0, CORPSE_KIND_SLOTS, true);
  EXPECT_EQ(Corps.last, CORPSE_SLOTS - 1);
}

}  // namespace

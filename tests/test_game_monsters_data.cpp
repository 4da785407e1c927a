// The shipped monster and corpse assets against what the game asks of them:
// every kind loads with walking and attack animations, the corpse frame
// ranges lie inside the models, and a placed monster and its corpse draw.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstring>
#include <vector>

#include "CorvaneEngine.h"
#include "actors/Corps.h"
#include "actors/Monsters.h"
#include "testutil.h"

namespace {

const int kSize = 160;

const SAnimation* FindAnimation(const TModel& m, const char* name) {
  for (int i = 0; i < m.animationCount && i < TModel::MaxAnimations; i++)
    if (std::strcmp(m.animations[i].name, name) == 0) return &m.animations[i];
  return nullptr;
}

int LitPixels() {
  std::vector<unsigned char> px(kSize * kSize * 4);
  glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
  int lit = 0;
  for (int i = 0; i < kSize * kSize; i++)
    if (px[i * 4] + px[i * 4 + 1] + px[i * 4 + 2] > 30) lit++;
  return lit;
}

void BeginFrame() {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  // The game's camera for a player standing at the origin.
  SetCamera(0, 7, 14, 0, -4, -10);
  CalculateFrustum();
}

class MonsterAssets : public ::testing::Test {
protected:
  static bool ready;
  static void SetUpTestSuite() {
    testutil::LinkDataDir();
    ready = testutil::OpenContext(kSize, kSize);
    if (!ready) return;
    InitGL(kSize, kSize);
    Monsters.Init();
    Corps.Init();
  }
  static void TearDownTestSuite() {
    if (ready) testutil::CloseContext();
  }
  void SetUp() override {
    if (!ready) GTEST_SKIP() << "no GL context";
    if (Monsters.kindModels[0].triangleCount <= 0) GTEST_SKIP() << "no monster data";
  }
};
bool MonsterAssets::ready = false;

TEST_F(MonsterAssets, EveryKindHasItsMeshAndAnimations) {
  for (int k = 0; k < MONSTER_KINDS_LOADED; k++) {
    const TModel& m = Monsters.kindModels[k];
    SCOPED_TRACE(k);
    EXPECT_GT(m.triangleCount, 0);
    EXPECT_FLOAT_EQ(m.rotX, 90.0f);
    const SAnimation* move = FindAnimation(m, "Move");
    const SAnimation* atack = FindAnimation(m, "Atack");
    ASSERT_NE(move, nullptr);
    ASSERT_NE(atack, nullptr);
    EXPECT_LT(move->end, m.frameCount);
    EXPECT_LT(atack->end, m.frameCount);
    // The key frame must be reachable by whole steps from the start.
    EXPECT_GE(atack->keyFrame, atack->start);
    EXPECT_LE(atack->keyFrame, atack->end);
    EXPECT_GT(atack->speed, 0.0f);
  }
  EXPECT_FLOAT_EQ(Monsters.kindModels[0].scale, Monsters.kindModels[0].unitScale);
  EXPECT_FLOAT_EQ(Monsters.kindModels[1].scale, 2 * Monsters.kindModels[1].unitScale);
  EXPECT_FLOAT_EQ(Monsters.kindModels[3].offsetY, -0.4f);
}

TEST_F(MonsterAssets, CorpseFramesLieInsideTheirModels) {
  for (int k = 0; k < MONSTER_KINDS_LOADED; k++) {
    SCOPED_TRACE(k);
    const SCorp0& c = Corps.kinds[k];
    EXPECT_GT(c.model.triangleCount, 0);
    EXPECT_LT(c.end, c.model.frameCount);
    // Soldier and mutant rest a little past their end frame, blended
    // toward the next keyframe, which must then exist too.
    if (k >= 2) {
      EXPECT_LT(c.end + 1, c.model.frameCount);
    }
  }
  // The demon's death model is drawn at the walking demon's size.
  EXPECT_FLOAT_EQ(Corps.kinds[1].model.scale, 2 * Monsters.kindModels[1].unitScale);
  EXPECT_FLOAT_EQ(Corps.kinds[1].model.offsetY, -1.2f);
  // The other kinds share the templates' meshes.
  EXPECT_EQ(Corps.kinds[2].model.vertexBuffer, Monsters.kindModels[2].vertexBuffer);
}

TEST_F(MonsterAssets, PlacedMonstersAndCorpsesAreDrawn) {
  for (SMonsters& m : Monsters.monsters) m.health = 0;
  MonsterCount = 0;
  Corps.last = -1;

  BeginFrame();
  Monsters.Draw();
  EXPECT_EQ(LitPixels(), 0);

  for (int k = 0; k < MONSTER_KINDS_LOADED; k++) {
    SCOPED_TRACE(k);
    Monsters.Add(0, 0, k);
    BeginFrame();
    Monsters.Draw();
    int lit = LitPixels();
    EXPECT_GT(lit, 100);
    Monsters.monsters[MonsterCount - 1].health = 0;

    Corps.last = -1;
    Corps.Add(0, 0.3f, k, k % 2 == 0);
    for (int t = 0; t < 40; t++) Corps.Process();
    BeginFrame();
    Corps.Draw();
    EXPECT_GT(LitPixels(), 50);
  }
  Corps.last = -1;
}

}  // namespace

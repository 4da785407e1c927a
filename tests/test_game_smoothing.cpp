// Frames drawn between ticks: the scripted run through the shipped level
// with smoothed frames between its ticks. Inside a frame the drawn values
// lie between the last two ticks; after it the game's state is bit for bit
// what it was, so the run itself cannot change.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "Harness.h"
#include "KeyScript.h"
#include "actors/Bullets.h"
#include "actors/Corps.h"
#include "actors/Effects.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "shell/Shell.h"
#include "shell/Smoothing.h"
#include "testutil.h"

namespace {

void Append(std::string& s, const void* p, size_t n) { s.append(static_cast<const char*>(p), n); }

// The records a smoothed frame touches, as bytes.
std::string State() {
  std::string s;
  Append(s, &Player.x, sizeof Player.x);
  Append(s, &Player.y, sizeof Player.y);
  Append(s, &CameraHeight, sizeof CameraHeight);
  for (const TModel* m :
       {&PlayerModel, &Player.weaponModels[0], &Player.weaponModels[1], &Player.weaponModels[2]}) {
    Append(s, &m->x, sizeof m->x);
    Append(s, &m->y, sizeof m->y);
    Append(s, &m->frame, sizeof m->frame);
  }
  for (int i = 0; i < MonsterCount; i++) {
    const SMonsters& m = Monsters.monsters[i];
    Append(s, &m.x, sizeof m.x);
    Append(s, &m.y, sizeof m.y);
    Append(s, &m.health, sizeof m.health);
    Append(s, &m.model.x, sizeof m.model.x);
    Append(s, &m.model.y, sizeof m.model.y);
    Append(s, &m.model.frame, sizeof m.model.frame);
  }
  Append(s, Corps.corpses, sizeof Corps.corpses);
  Append(s, Effects.effects, sizeof Effects.effects);
  for (const TParticlesSystem* p : {&Monsters.blood, &Bullets.sparks, &Bullets.plasma})
    Append(s, p->particles, sizeof p->particles);
  return s;
}

struct TPositions {
  float playerX, playerY;
  std::vector<float> monsterX;
  std::vector<bool> monsterAlive;
  std::vector<float> particleX;  // blood, sparks and plasma
  std::vector<bool> particleAlive;
};

TPositions Positions() {
  TPositions p;
  p.playerX = Player.x;
  p.playerY = Player.y;
  for (int i = 0; i < MonsterCount; i++) {
    p.monsterX.push_back(Monsters.monsters[i].x);
    p.monsterAlive.push_back(Monsters.monsters[i].health > 0);
  }
  for (const TParticlesSystem* pool : {&Monsters.blood, &Bullets.sparks, &Bullets.plasma}) {
    for (const SParticle3D& s : pool->particles) {
      p.particleX.push_back(s.x);
      p.particleAlive.push_back(s.life > 0);
    }
  }
  return p;
}

float Lerp(float a, float b, float f) { return a + (b - a) * f; }

}  // namespace

TEST(Smoothing, FramesBetweenTicksDrawInBetweenValuesAndLeaveTheRunExact) {
  testutil::LinkDataDir();
  const std::string text = testutil::ReadFile(TEST_SOURCE_DIR "/tools/level/level0.keys");
  ASSERT_FALSE(text.empty());
  keyscript::Script script;
  std::string error;
  ASSERT_TRUE(keyscript::Parse(text, &script, &error)) << error;
  ASSERT_TRUE(harness::StartGame(320, 240, 1024, 768, script.seed));

  keyscript::Replayer keys(script);
  int tick = 0, playerMoves = 0, monsterMoves = 0, particleMoves = 0, newParticles = 0;
  while (keys.Next(_keys, 256)) {
    const TPositions before = Positions();
    ProcessCallback();
    if (++tick % 7 != 0) continue;
    const TPositions now = Positions();
    for (float f : {0.25f, 0.7f}) {
      const std::string exact = State();
      BeginSmoothFrame(f);
      const TPositions drawn = Positions();
      DrawScene();
      EndSmoothFrame();
      ASSERT_EQ(State(), exact) << "tick " << tick << ": a frame changed the game's state";

      ASSERT_EQ(drawn.playerX, Lerp(before.playerX, now.playerX, f)) << "tick " << tick;
      ASSERT_EQ(drawn.playerY, Lerp(before.playerY, now.playerY, f)) << "tick " << tick;
      playerMoves += before.playerX != now.playerX;
      for (size_t i = 0; i < now.monsterX.size() && i < before.monsterX.size(); i++) {
        if (!before.monsterAlive[i] || !now.monsterAlive[i]) continue;
        ASSERT_EQ(drawn.monsterX[i], Lerp(before.monsterX[i], now.monsterX[i], f))
            << "tick " << tick << ", monster " << i;
        monsterMoves += before.monsterX[i] != now.monsterX[i];
      }
      for (size_t i = 0; i < now.particleX.size(); i++) {
        if (!now.particleAlive[i]) continue;
        if (!before.particleAlive[i]) {
          // Sprayed in this tick: drawn where it is.
          ASSERT_EQ(drawn.particleX[i], now.particleX[i]);
          ++newParticles;
        } else if (std::fabs(now.particleX[i] - before.particleX[i]) <= 1.5f) {
          ASSERT_EQ(drawn.particleX[i], Lerp(before.particleX[i], now.particleX[i], f));
          particleMoves += before.particleX[i] != now.particleX[i];
        }
      }
    }
  }
  for (int k = 0; k < 256; k++) _keys[k] = 0;
  EXPECT_GT(playerMoves, 20);
  EXPECT_GT(monsterMoves, 20);
  EXPECT_GT(particleMoves + newParticles, 0);

  // A fraction of 0 (smoothing off, or a frame outside the loop) draws the
  // exact state; so does a fraction past the last tick.
  const TPositions now = Positions();
  BeginSmoothFrame(0.0f);
  EXPECT_EQ(Positions().playerX, now.playerX);
  EndSmoothFrame();
  BeginSmoothFrame(1.0f);
  EXPECT_EQ(Positions().playerX, now.playerX);
  EndSmoothFrame();
}

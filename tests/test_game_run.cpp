// The scripted run: the real game modules, started as the engine starts
// them, play the shipped level tick by tick from a recorded key script with
// a fixed seed, and must take every key card, open every door, kill
// monsters of every kind and reach the far end of the level.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "CorvaneEngine.h"
#include "Harness.h"
#include "KeyScript.h"
#include "RunCheck.h"
#include "actors/Player.h"
#include "shell/Shell.h"
#include "testutil.h"
#include "world/Level.h"

namespace {

TEST(KeyScript, ParsesRunsOfTicksAndRefusesWhatItCannotRead) {
  keyscript::Script s;
  std::string error;
  ASSERT_TRUE(
      keyscript::Parse("# intro\nseed 42\n3 RIGHT UP  # jump\n\n2 -\n1 SPACE 2 65\n", &s, &error))
      << error;
  EXPECT_EQ(s.seed, 42u);
  ASSERT_EQ(s.steps.size(), 3u);
  EXPECT_EQ(s.TotalTicks(), 6);
  EXPECT_EQ(s.steps[0].keys, (std::vector<int>{39, 38}));
  EXPECT_TRUE(s.steps[1].keys.empty());
  EXPECT_EQ(s.steps[2].keys, (std::vector<int>{32, '2', 'A'}));

  // The key table follows the script tick by tick and is cleared between runs.
  int keys[256] = {0};
  keyscript::Replayer player(s);
  int ticks = 0, rightTicks = 0;
  while (player.Next(keys, 256)) {
    ticks++;
    rightTicks += keys[39];
    if (ticks == 4) {
      EXPECT_EQ(keys[38], 0);
    }
  }
  EXPECT_EQ(ticks, 6);
  EXPECT_EQ(rightTicks, 3);
  EXPECT_EQ(keys[32], 1);

  EXPECT_FALSE(keyscript::Parse("4 RIGHT\n2 JUMP\n", &s, &error));
  EXPECT_EQ(error, "line 2: unknown key 'JUMP'");
  EXPECT_FALSE(keyscript::Parse("RIGHT 4\n", &s, &error));
  EXPECT_FALSE(keyscript::Parse("1 300\n", &s, &error));
  EXPECT_FALSE(keyscript::Parse("seed x\n", &s, &error));
}

TEST(ScriptedRun, RecordedRunClearsTheShippedLevel) {
  testutil::LinkDataDir();
  const std::string text = testutil::ReadFile(TEST_SOURCE_DIR "/tools/level/level0.keys");
  ASSERT_FALSE(text.empty()) << "missing tools/level/level0.keys";
  keyscript::Script script;
  std::string error;
  ASSERT_TRUE(keyscript::Parse(text, &script, &error)) << error;

  ASSERT_TRUE(harness::StartGame(1024, 768, 1024, 768, script.seed));
  ASSERT_GT(MapCellCount, 0);
  const int doorsAtStart = runcheck::DoorsLeft();
  const float startX = Player.x;

  keyscript::Replayer keys(script);
  int tick = 0;
  while (keys.Next(_keys, 256)) {
    ProcessCallback();
    // Draw now and then, as the engine would between ticks.
    if (++tick % 300 == 0) RenderCallback();
  }
  for (int k = 0; k < 256; k++) _keys[k] = 0;
  EXPECT_EQ(tick, script.TotalTicks());

  const runcheck::Report r = runcheck::Collect(doorsAtStart, "data/maps/level0.marks");
  // When the level or the actors change, the keys are recorded anew from
  // the plan: in the build directory,
  //   ./tools/replay --record ../tools/level/level0.plan ../tools/level/level0.keys
  SCOPED_TRACE(r.Text() +
               " (re-record tools/level/level0.keys from level0.plan if the "
               "level or the actors changed)");
  EXPECT_GT(Player.x, startX);
  EXPECT_TRUE(r.AllKeys());
  EXPECT_TRUE(r.AllDoors());
  EXPECT_TRUE(r.EveryKindKilled());
  EXPECT_TRUE(r.end.found);
  EXPECT_TRUE(r.ReachedEnd());
}

}  // namespace

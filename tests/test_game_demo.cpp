// Demos: the reader on whole, cut and damaged files, the checker that
// names the first differing tick, and a scripted run through the shipped
// level recorded by the replay harness and then verified, played and
// timed by TARVS itself, also with one input flipped, cut short, damaged
// and on another data tree.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "DemoFormat.h"
#include "Harness.h"
#include "KeyScript.h"
#include "shell/Demo.h"
#include "shell/Shell.h"
#include "shell/StateDigest.h"
#include "testutil.h"

namespace {

const int KEY_RIGHT = 39, KEY_ESCAPE = 27;

demo::StateDigest FakeState(uint32_t tick) {
  demo::StateDigest s;
  for (int p = 0; p < demo::PART_COUNT; p++)
    s.parts[p] = 0x9E3779B97F4A7C15ull * (tick * 16 + p + 1);
  return s;
}

// A demo of `ticks` ticks with made-up states, recorded as the writer
// records: checkpoints at 0, every 50 ticks and at the end.
demo::Demo FakeDemo(uint32_t ticks) {
  demo::Demo d;
  d.header = demo::NewHeader(0x1234, 7, 1, 1024, 768);
  d.checkpoints.push_back({0, FakeState(0)});
  for (uint32_t t = 0; t < ticks; t++) {
    if (t % 7 == 0) d.toggles.push_back({t, static_cast<uint8_t>(KEY_RIGHT)});
    if (t % 11 == 3) d.toggles.push_back({t, static_cast<uint8_t>(32)});
    d.ticks.push_back(demo::CheckOf(FakeState(t + 1)));
    if ((t + 1) % demo::kCheckpointEvery == 0 || t + 1 == ticks)
      d.checkpoints.push_back({t + 1, FakeState(t + 1)});
  }
  d.complete = true;
  return d;
}

demo::ReadResult ParseBytes(const std::string& bytes, demo::Demo* out) {
  return demo::Parse(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out);
}

// The held keys of every tick, and back to the changes a demo stores.
std::vector<std::array<bool, 256>> KeysByTick(const demo::Demo& d) {
  std::vector<std::array<bool, 256>> keys(d.ticks.size());
  demo::KeyFeed feed(d);
  for (auto& k : keys) feed.Next(k.data());
  return keys;
}
void SetKeys(demo::Demo* d, const std::vector<std::array<bool, 256>>& keys) {
  d->toggles.clear();
  std::array<bool, 256> held{};
  for (uint32_t t = 0; t < keys.size(); t++)
    for (int k = 0; k < 256; k++)
      if (keys[t][k] != held[k]) {
        d->toggles.push_back({t, static_cast<uint8_t>(k)});
        held[k] = keys[t][k];
      }
}

TEST(DemoFormat, ReadsWholeCutAndDamagedFiles) {
  const demo::Demo d = FakeDemo(120);
  const std::string bytes = demo::Encode(d);
  demo::Demo r;
  ASSERT_EQ(ParseBytes(bytes, &r).status, demo::ReadStatus::kOk);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(r.ticks.size(), 120u);
  EXPECT_EQ(r.toggles.size(), d.toggles.size());
  ASSERT_EQ(r.checkpoints.size(), 4u);
  EXPECT_EQ(r.checkpoints[3].tick, 120u);
  EXPECT_EQ(r.checkpoints[2].digest.parts[demo::PART_SHOTS],
            FakeState(100).parts[demo::PART_SHOTS]);
  EXPECT_STREQ(r.header.gameVersion, demo::GameVersion());
  EXPECT_EQ(demo::Encode(r), bytes);

  // Every cut keeps the whole ticks before it and says where it ends; none
  // is taken for a complete demo.
  for (size_t n = 0; n < bytes.size(); n++) {
    const demo::ReadResult cut = ParseBytes(bytes.substr(0, n), &r);
    ASSERT_NE(cut.status, demo::ReadStatus::kOk) << n;
    ASSERT_FALSE(cut.problem.empty()) << n;
    ASSERT_LE(r.ticks.size(), 120u);
    for (const demo::KeyToggle& t : r.toggles) ASSERT_LT(t.tick, r.ticks.size()) << n;
    if (n >= demo::kHeaderSize) {
      ASSERT_EQ(cut.status, demo::ReadStatus::kCut) << n;
    }
  }
  EXPECT_NE(ParseBytes(bytes.substr(0, bytes.size() - 3), &r).problem.find("cut short"),
            std::string::npos);

  // Damage is named with its byte.
  auto damaged = [&](size_t at, char value) {
    std::string b = bytes;
    b[at] = value;
    return ParseBytes(b, &r);
  };
  EXPECT_EQ(damaged(0, 'X').problem, "not a demo file (it does not start with TARVSDMO)");
  EXPECT_EQ(damaged(8, 9).problem, "demo format version 9; this game reads version 1");
  const demo::ReadResult unknown = damaged(demo::kHeaderSize, 'Z');
  EXPECT_EQ(unknown.status, demo::ReadStatus::kDamaged);
  EXPECT_EQ(unknown.problem, "damaged at byte 60: unknown record 0x5a");
  EXPECT_NE(damaged(demo::kHeaderSize + 1, 3).problem.find("state check out of its place"),
            std::string::npos);
  EXPECT_NE(ParseBytes(bytes + "E", &r).problem.find("bytes after the end mark"),
            std::string::npos);
  EXPECT_NE(damaged(bytes.size() - 4, 7).problem.find("end mark counts other ticks"),
            std::string::npos);
  // Any single byte changed anywhere: read without harm, one line.
  for (size_t i = 0; i < bytes.size(); i++) {
    const demo::ReadResult x = damaged(i, static_cast<char>(bytes[i] ^ 0x5A));
    ASSERT_TRUE(x.status == demo::ReadStatus::kOk || !x.problem.empty()) << i;
  }
}

TEST(DemoFormat, CheckerNamesTheFirstDifferingTickAndItsParts) {
  const demo::Demo d = FakeDemo(120);
  {
    demo::Checker c(d);
    for (uint32_t t = 0; t <= 120; t++) ASSERT_TRUE(c.Check(t, FakeState(t))) << t;
    EXPECT_EQ(c.CheckpointsMatched(), 4u);
  }
  {
    demo::Checker c(d);
    for (uint32_t t = 0; t < 37; t++) ASSERT_TRUE(c.Check(t, FakeState(t)));
    demo::StateDigest s = FakeState(37);
    s.parts[demo::PART_PLAYER] ^= 1;
    s.parts[demo::PART_SHOTS] ^= 0x10;
    EXPECT_FALSE(c.Check(37, s));
    EXPECT_EQ(c.Failure(), "first differing tick 37: shots, player");
    EXPECT_FALSE(c.Check(38, FakeState(38)));  // stays failed
  }
  {
    // A difference the short per-tick check cannot see is caught at the
    // checkpoint.
    demo::Checker c(d);
    for (uint32_t t = 0; t < 50; t++) ASSERT_TRUE(c.Check(t, FakeState(t)));
    demo::StateDigest s = FakeState(50);
    s.parts[demo::PART_MONSTERS] ^= 0x10000;
    EXPECT_FALSE(c.Check(50, s));
    EXPECT_EQ(c.Failure(), "first differing tick 50: monsters");
  }
  {
    demo::Checker c(d);
    demo::StateDigest s = FakeState(0);
    s.parts[demo::PART_CELLS] ^= 1;
    EXPECT_FALSE(c.Check(0, s));
    EXPECT_EQ(c.Failure(), "the state after start-up differs (cells)");
  }
  // Another game version, data tree or screen is refused, saying which.
  demo::Header ours = d.header;
  EXPECT_EQ(demo::Mismatch(d.header, ours), "");
  ours.dataFiles++;
  EXPECT_NE(demo::Mismatch(d.header, ours).find("another data tree"), std::string::npos);
  ours = d.header;
  std::strcpy(ours.gameVersion, "9.9.9");
  EXPECT_NE(demo::Mismatch(d.header, ours).find("version"), std::string::npos);
  ours = d.header;
  ours.screenWidth = 800;
  EXPECT_NE(demo::Mismatch(d.header, ours).find("800x768"), std::string::npos);
}

struct TarvsRun {
  int status = -1;
  std::string out, err;
};

// TARVS on the build's data tree, headless; the demo path as given.
TarvsRun Tarvs(const std::string& args) {
  const std::string cmd =
      "SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy "
      "CORVANE_NO_MESSAGEBOX=1 " TEST_BINARY_DIR "/TARVS --data " TEST_BINARY_DIR "/data " +
      args + " > tarvs.out 2> tarvs.err";
  const int st = std::system(cmd.c_str());
  TarvsRun r;
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  r.out = testutil::ReadFile("tarvs.out");
  r.err = testutil::ReadFile("tarvs.err");
  return r;
}

// The scripted run through the shipped level, recorded once by the replay
// harness as the replay tool records it.
class DemoRun : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    testutil::LinkDataDir();
    const std::string text = testutil::ReadFile(TEST_SOURCE_DIR "/tools/level/level0.keys");
    keyscript::Script script;
    std::string error;
    ASSERT_TRUE(keyscript::Parse(text, &script, &error)) << error;
    ASSERT_TRUE(harness::StartGame(1024, 768, 1024, 768, script.seed));
    uint64_t digest = 0;
    uint32_t files = 0;
    ASSERT_TRUE(demo::DigestDataTree("data", &digest, &files));
    demo::Writer w;
    ASSERT_TRUE(w.Open("level0_test.demo", demo::NewHeader(digest, files, script.seed, 1024, 768)));
    w.Start(DigestGameState());
    keyscript::Replayer keys(script);
    while (keys.Next(_keys, 256)) {
      w.BeforeTick(_keys);
      ProcessCallback();
      w.AfterTick(DigestGameState());
    }
    for (int k = 0; k < 256; k++) _keys[k] = 0;
    ASSERT_TRUE(w.Finish());
    ASSERT_EQ(static_cast<int>(w.Ticks()), script.TotalTicks());
  }

  static demo::Demo Recorded() {
    demo::Demo d;
    EXPECT_EQ(demo::ReadFile("level0_test.demo", &d).status, demo::ReadStatus::kOk);
    return d;
  }
  static void Save(const demo::Demo& d, const char* path) {
    ASSERT_TRUE(testutil::WriteFile(path, demo::Encode(d)));
  }
};

TEST_F(DemoRun, TheRecordedRunVerifies) {
  const demo::Demo d = Recorded();
  ASSERT_GT(d.ticks.size(), 1000u);
  const TarvsRun r = Tarvs("--verify level0_test.demo");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(std::to_string(d.ticks.size()) + " ticks verified"), std::string::npos)
      << r.out;
}

TEST_F(DemoRun, OneFlippedInputIsCaughtAtItsTick) {
  demo::Demo d = Recorded();
  auto keys = KeysByTick(d);
  size_t t = 20;
  while (t < keys.size() && !keys[t][KEY_RIGHT]) t++;
  ASSERT_LT(t, keys.size());
  keys[t][KEY_RIGHT] = false;
  SetKeys(&d, keys);
  Save(d, "flipped.demo");
  const TarvsRun r = Tarvs("--verify flipped.demo");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("first differing tick " + std::to_string(t + 1) + ": player"),
            std::string::npos)
      << r.err;
}

TEST_F(DemoRun, CutDamagedAndForeignDemosAreNamedNotPlayed) {
  const std::string bytes = testutil::ReadFile("level0_test.demo");
  testutil::WriteFile("cut.demo", bytes.substr(0, bytes.size() / 2));
  TarvsRun r = Tarvs("--verify cut.demo");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cut short"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("ticks match, the rest of the run is missing"), std::string::npos) << r.err;

  // The first record after the start-up checkpoint (header 60 bytes, a
  // checkpoint 77) is the first tick's keys.
  std::string damaged = bytes;
  ASSERT_EQ(damaged[137], 'K');
  damaged[137] = 'Z';
  testutil::WriteFile("damaged.demo", damaged);
  r = Tarvs("--verify damaged.demo");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("damaged at byte 137: unknown record 0x5a"), std::string::npos) << r.err;

  std::string foreign = bytes;
  foreign[28] ^= 1;  // the data tree's digest
  testutil::WriteFile("foreign.demo", foreign);
  r = Tarvs("--verify foreign.demo");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("refused: recorded on another data tree"), std::string::npos) << r.err;

  r = Tarvs("--verify missing.demo");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot be opened"), std::string::npos) << r.err;
  r = Tarvs("--play level0_test.demo --speed 9");
  EXPECT_EQ(r.status, 2);
  r = Tarvs("--verify level0_test.demo --play level0_test.demo");
  EXPECT_EQ(r.status, 2);
}

// A recording killed outright leaves a demo of the ticks it ran, which
// replays and is checked up to there.
TEST_F(DemoRun, AKilledRecordingLeavesAPlayableDemo) {
  testutil::RemoveFile("killed.demo");
  const int st = std::system(
      "SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null CORVANE_NO_MESSAGEBOX=1 " TEST_BINARY_DIR
      "/TARVS --data " TEST_BINARY_DIR
      "/data --windowed --record killed.demo 2> record.err & "
      "pid=$!; sleep 3; kill -KILL $pid; wait");
  ASSERT_NE(st, -1);
  const std::string recordErr = testutil::ReadFile("record.err");
  demo::Demo d;
  const demo::ReadResult read = demo::ReadFile("killed.demo", &d);
  ASSERT_EQ(read.status, demo::ReadStatus::kCut) << read.problem << recordErr;
  ASSERT_GT(d.ticks.size(), 0u) << recordErr;
  const TarvsRun r = Tarvs("--verify killed.demo");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cut short after tick " + std::to_string(d.ticks.size()) +
                       " (no end mark): its " + std::to_string(d.ticks.size()) + " ticks match"),
            std::string::npos)
      << r.err;
}

// The first 150 ticks with Escape held in the last: the demo's own input
// ends the game, as it ended the recorded run.
demo::Demo ShortDemoEndingWithEscape(demo::Demo d) {
  auto keys = KeysByTick(d);
  keys.resize(150);
  keys.back()[KEY_ESCAPE] = true;
  d.ticks.resize(150);
  while (d.checkpoints.back().tick > 150) d.checkpoints.pop_back();
  SetKeys(&d, keys);
  return d;
}

TEST_F(DemoRun, PlaysBackTheSameRunAtAnySpeed) {
  Save(ShortDemoEndingWithEscape(Recorded()), "short.demo");
  for (const char* speed : {"8", "2.5"}) {
    const TarvsRun r = Tarvs(std::string("--windowed --play short.demo --speed ") + speed);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("played 150 of 150 ticks, every check matched"), std::string::npos)
        << speed << ": " << r.err;
  }
  const TarvsRun v = Tarvs("--verify short.demo");
  EXPECT_EQ(v.status, 0) << v.err;
}

TEST_F(DemoRun, TimedemoPrintsItsFigures) {
  Save(ShortDemoEndingWithEscape(Recorded()), "short.demo");
  const TarvsRun r = Tarvs("--windowed --timedemo short.demo");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("timedemo: 149 frames in"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("fps average, slowest frame"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1% low"), std::string::npos) << r.out;
}

// A run played with real key presses and taps shorter than a tick on a
// virtual X display, recorded, verified headless and played back in a
// window. Needs xvfb-run and xdotool; skipped without them.
TEST(DemoOnADisplay, ARunPlayedWithKeyTapsVerifiesAndPlaysBack) {
  const std::string cmd = "/bin/bash " TEST_SOURCE_DIR "/scripts/demo_xvfb.sh " TEST_BINARY_DIR
                          "/TARVS xvfb.demo > xvfb.out 2>&1";
  const int st = std::system(cmd.c_str());
  const std::string out = testutil::ReadFile("xvfb.out");
  if (out.rfind("skip:", 0) == 0) GTEST_SKIP() << out;
  EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << out;
  EXPECT_NE(out.find("verify: status=0"), std::string::npos) << out;
  EXPECT_NE(out.find("every check matched"), std::string::npos) << out;
  // The taps reached the demo: a jump tap and a fire tap held one tick each.
  demo::Demo d;
  ASSERT_EQ(demo::ReadFile("xvfb.demo", &d).status, demo::ReadStatus::kOk);
  const auto keys = KeysByTick(d);
  int upTicks = 0;
  for (const auto& k : keys) upTicks += k[38];
  EXPECT_GE(upTicks, 1);
  EXPECT_TRUE(keys.back()[KEY_ESCAPE]);
}

}  // namespace

// The engine's loop run through StartEngine on the offscreen driver with a
// virtual clock: frames cost what each test says, waits jump the clock, and
// tick counts, frame counts, waits and tick fractions are asserted exactly.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "Internal.h"
#include "core/Loop.h"
#include "testutil.h"

namespace {

const long long kMs = 1000000;
const long long kSecond = 1000 * kMs;
const long long kStart = 5000 * kSecond;  // a machine that has been up a while

// Input scheduled at a virtual time.
struct TInput {
  long long at;
  SDL_Keycode key;
  bool down;
};

// Virtual time. It moves only when the loop waits (to the wait's end, or to
// the next scheduled input) and when a test frame or tick spends time; due
// input is queued as it moves.
class VirtualClock : public core::LoopClock {
public:
  long long t = kStart;
  std::vector<TInput> inputs;  // in time order
  size_t nextInput = 0;
  std::vector<long long> waitEnds;  // where each wait asked to end

  long long Now() override { return t; }
  void WaitUntil(long long until) override {
    waitEnds.push_back(until);
    SDL_Event e;
    if (SDL_PeepEvents(&e, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) return;
    if (nextInput < inputs.size() && inputs[nextInput].at < until) {
      Advance(inputs[nextInput].at - t);
      return;
    }
    if (until > t) t = until;
  }
  void Advance(long long ns) {
    t += ns;
    while (nextInput < inputs.size() && inputs[nextInput].at <= t) {
      const TInput& in = inputs[nextInput++];
      SDL_Event e{};
      e.type = in.down ? SDL_KEYDOWN : SDL_KEYUP;
      e.key.keysym.sym = in.key;
      SDL_PushEvent(&e);
    }
  }
};

VirtualClock* g_vc = nullptr;

// What a run saw, and how it behaves.
struct TLoopRun {
  long long frameCost = 5 * kMs;
  long long endAt = kStart + 2 * kSecond;  // the first tick at or after quits
  long long stallAt = -1;                  // the first frame at or after costs stallCost
  long long stallCost = 0;
  long long hideAt = -1, showAt = -1;  // window hidden between these times
  std::vector<long long> ticks;        // virtual time each tick ran
  std::vector<long long> frames;       // virtual time each frame began
  std::vector<float> fractions;        // GetTickFraction in each frame
  std::vector<int> spaceSeen;          // _keys[32] in each tick
  std::string order;                   // 'T' tick, 'F' frame
  bool stalled = false, hidden = false, shown = false;
} g_run;

void LoopProcess() {
  g_run.ticks.push_back(g_vc->t);
  g_run.spaceSeen.push_back(_keys[32]);
  g_run.order += 'T';
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  if (!g_run.hidden && g_run.hideAt >= 0 && g_vc->t >= g_run.hideAt) {
    g_run.hidden = true;
    SDL_HideWindow(window);
  }
  if (g_run.hidden && !g_run.shown && g_vc->t >= g_run.showAt) {
    g_run.shown = true;
    SDL_ShowWindow(window);
  }
  if (g_vc->t >= g_run.endAt) QuiteEngine();
}

void LoopRender() {
  g_run.frames.push_back(g_vc->t);
  g_run.fractions.push_back(GetTickFraction());
  g_run.order += 'F';
  long long cost = g_run.frameCost;
  if (!g_run.stalled && g_run.stallAt >= 0 && g_vc->t >= g_run.stallAt) {
    g_run.stalled = true;
    cost = g_run.stallCost;
  }
  g_vc->Advance(cost);
}

void Nothing() {}

int CountIn(const std::vector<long long>& times, long long from, long long to) {
  return static_cast<int>(
      std::count_if(times.begin(), times.end(), [&](long long t) { return t >= from && t < to; }));
}

// The most ticks run between two frames.
int LongestTickRun() {
  int longest = 0, run = 0;
  for (char c : g_run.order) {
    run = c == 'T' ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  return longest;
}

class LoopTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_run = TLoopRun();
    clock_ = VirtualClock();
    g_vc = &clock_;
    core::SetLoopClock(&clock_);
    for (int& k : _keys) k = 0;
    SetVSync(false);
    SetFrameCap(0);
    SetSmoothing(true);
    SetFixedStep(false);
  }
  void TearDown() override {
    core::SetLoopClock(nullptr);
    SetVSync(true);
    SetFrameCap(-1);
    SetFixedStep(false);
    testutil::RemoveFile("EngineLog.txt");
  }
  void Run() {
    char caption[] = "loop";
    ASSERT_EQ(StartEngine(nullptr, nullptr, nullptr, 0, LoopProcess, Nothing, LoopRender, false,
                          false, 160, 120, caption),
              1);
  }
  VirtualClock clock_;
};

}  // namespace

TEST_F(LoopTest, FiftyTicksASecondForFramesOfOneToAHundredMilliseconds) {
  for (long long costMs : {1, 7, 20, 30, 60, 90, 100}) {
    SCOPED_TRACE("frame of " + std::to_string(costMs) + " ms");
    SetUp();
    g_run.frameCost = costMs * kMs;
    g_run.endAt = kStart + 3 * kSecond;
    Run();
    // Every tick runs at the first loop turn at or after its time: never
    // early, never later than one frame.
    for (size_t i = 0; i < g_run.ticks.size(); ++i) {
      const long long due = kStart + static_cast<long long>(i + 1) * core::kTickNs;
      ASSERT_GE(g_run.ticks[i], due) << "tick " << i;
      ASSERT_LE(g_run.ticks[i], due + g_run.frameCost) << "tick " << i;
    }
    EXPECT_NEAR(CountIn(g_run.ticks, kStart + kSecond, kStart + 3 * kSecond), 100, 1);
    EXPECT_LE(LongestTickRun(), core::kMaxTicksInARow);
    EXPECT_TRUE(clock_.waitEnds.empty()) << "no cap: nothing to wait for";
  }
}

TEST_F(LoopTest, AStallIsFollowedByFiveTicksThenFiftyASecond) {
  g_run.stallAt = kStart + 500 * kMs;
  g_run.stallCost = 200 * kMs;
  g_run.endAt = kStart + 2 * kSecond;
  Run();
  ASSERT_TRUE(g_run.stalled);
  const auto stall = std::lower_bound(g_run.frames.begin(), g_run.frames.end(), g_run.stallAt);
  ASSERT_LT(stall + 1, g_run.frames.end());
  const long long stalledFrame = *stall;
  const long long after = *(stall + 1);  // the frame after the stall
  EXPECT_EQ(after, stalledFrame + 200 * kMs);
  EXPECT_EQ(CountIn(g_run.ticks, stalledFrame + 1, after + 1), 5)
      << "at most five before the frame";
  EXPECT_EQ(LongestTickRun(), core::kMaxTicksInARow);
  // The rest is dropped: from the frame after the stall, 50 a second again.
  EXPECT_EQ(CountIn(g_run.ticks, after + 1, after + 1 + kSecond), 50);
}

TEST_F(LoopTest, SlowerFramesThanTheBoundLoseTimeButNeverBurstMoreThanFive) {
  g_run.frameCost = 150 * kMs;
  g_run.endAt = kStart + 3 * kSecond;
  Run();
  EXPECT_EQ(LongestTickRun(), core::kMaxTicksInARow);
  // Five ticks per 150 ms frame: 33 a second.
  const int frames = CountIn(g_run.frames, kStart + kSecond, kStart + 3 * kSecond);
  EXPECT_NEAR(frames, 13, 1);
  EXPECT_EQ(CountIn(g_run.ticks, kStart + kSecond, kStart + 3 * kSecond), 5 * frames);
}

TEST_F(LoopTest, TheFrameCapSleepsUntilTheNextFrameOrTick) {
  SetFrameCap(100);
  g_run.frameCost = 2 * kMs;
  Run();
  EXPECT_EQ(CountIn(g_run.frames, kStart + kSecond, kStart + 2 * kSecond), 100);
  EXPECT_EQ(CountIn(g_run.ticks, kStart + kSecond, kStart + 2 * kSecond), 50);
  EXPECT_NEAR(_FPS, 100.0f, 1.0f);
  // Frames every 10 ms on the dot, ticks every 20 ms on the dot.
  for (size_t i = 1; i < g_run.frames.size(); ++i)
    ASSERT_EQ(g_run.frames[i] - g_run.frames[i - 1], 10 * kMs) << "frame " << i;
  for (size_t i = 0; i < g_run.ticks.size(); ++i)
    ASSERT_EQ(g_run.ticks[i], kStart + static_cast<long long>(i + 1) * core::kTickNs);
  // Every wait ends at a frame time or at a tick time, whichever is first.
  for (long long end : clock_.waitEnds) ASSERT_EQ((end - kStart) % (10 * kMs), 0);
}

TEST_F(LoopTest, TheDefaultCapIsTheDisplaysRefreshRate) {
  SetFrameCap(-1);
  g_run.frameCost = 1 * kMs;
  Run();
  const long long interval = core::FrameIntervalNs();
  ASSERT_GT(interval, 0);
  EXPECT_NEAR(CountIn(g_run.frames, kStart + kSecond, kStart + 2 * kSecond),
              static_cast<double>(kSecond) / interval, 1.0);
  SetFrameCap(0);
  EXPECT_EQ(core::FrameIntervalNs(), 0);
  SetFrameCap(25);
  EXPECT_EQ(core::FrameIntervalNs(), 40 * kMs);
}

TEST_F(LoopTest, AHiddenWindowDrawsNothingWhileTicksGoOnAndTheLoopSleeps) {
  SetFrameCap(100);
  g_run.frameCost = 1 * kMs;
  g_run.hideAt = kStart + 500 * kMs;
  g_run.showAt = kStart + 1500 * kMs;
  Run();
  ASSERT_TRUE(g_run.shown);
  EXPECT_EQ(CountIn(g_run.frames, kStart + 501 * kMs, kStart + 1500 * kMs), 0);
  EXPECT_EQ(CountIn(g_run.ticks, kStart + 501 * kMs, kStart + 1501 * kMs), 50);
  EXPECT_GT(CountIn(g_run.frames, kStart + 1500 * kMs, kStart + 2000 * kMs), 45);
  // While hidden each wait lasts until the next tick.
  for (long long end : clock_.waitEnds) {
    if (end > kStart + 520 * kMs && end < kStart + 1480 * kMs) {
      ASSERT_EQ((end - kStart) % core::kTickNs, 0);
    }
  }
}

TEST_F(LoopTest, TapsAreSeenByOneTickAndHeldKeysByEveryTickAtAnyFrameRate) {
  for (long long costMs : {5, 30, 90}) {
    SCOPED_TRACE("frame of " + std::to_string(costMs) + " ms");
    SetUp();
    g_run.frameCost = costMs * kMs;
    // A 3 ms tap at 0.503 s; Space held from 1.001 s to 1.301 s.
    clock_.inputs = {{kStart + 503 * kMs, SDLK_SPACE, true},
                     {kStart + 506 * kMs, SDLK_SPACE, false},
                     {kStart + 1001 * kMs, SDLK_SPACE, true},
                     {kStart + 1301 * kMs, SDLK_SPACE, false}};
    Run();
    int tapSeen = 0, heldSeen = 0;
    for (size_t i = 0; i < g_run.ticks.size(); ++i) {
      if (g_run.ticks[i] < kStart + 900 * kMs)
        tapSeen += g_run.spaceSeen[i];
      else
        heldSeen += g_run.spaceSeen[i];
    }
    EXPECT_EQ(tapSeen, 1);
    // 300 ms of holding is 15 ticks; frames shift its start and end by
    // whole ticks at most once each.
    EXPECT_NEAR(heldSeen, 15, costMs >= 30 ? 2 : 1);
  }
}

TEST_F(LoopTest, FramesReportTheFractionOfTheTickElapsed) {
  g_run.frameCost = 5 * kMs;
  g_run.endAt = kStart + 200 * kMs;
  Run();
  ASSERT_GE(g_run.fractions.size(), 12u);
  const float expect[] = {0.0f, 0.25f, 0.5f, 0.75f};
  for (size_t i = 0; i < g_run.fractions.size(); ++i)
    ASSERT_FLOAT_EQ(g_run.fractions[i], expect[i % 4]) << "frame " << i;
  EXPECT_EQ(GetTickFraction(), 0.0f) << "outside a frame";

  SetUp();
  SetSmoothing(false);
  g_run.frameCost = 5 * kMs;
  g_run.endAt = kStart + 200 * kMs;
  Run();
  for (float f : g_run.fractions) ASSERT_EQ(f, 0.0f);

  // Frames that outlast a tick: the fraction is measured from the last
  // tick's time on the schedule.
  SetUp();
  g_run.frameCost = 30 * kMs;
  g_run.endAt = kStart + 200 * kMs;
  Run();
  for (size_t i = 0; i < g_run.fractions.size(); ++i)
    ASSERT_FLOAT_EQ(g_run.fractions[i], i % 2 ? 0.5f : 0.0f) << "frame " << i;
}

TEST_F(LoopTest, FixedStepRunsOneTickAndOneFramePerTurnWithoutWaiting) {
  SetFixedStep(true);
  SetFrameCap(30);
  g_run.frameCost = 1 * kMs;
  g_run.endAt = kStart + 100 * kMs;
  Run();
  ASSERT_GE(g_run.ticks.size(), 100u);
  EXPECT_EQ(g_run.order.substr(0, 8), "TFTFTFTF");
  EXPECT_EQ(g_run.order.find("TT"), std::string::npos);
  EXPECT_EQ(g_run.order.find("FF"), std::string::npos);
  EXPECT_TRUE(clock_.waitEnds.empty());
  for (float f : g_run.fractions) ASSERT_EQ(f, 0.0f);
}

// TARVS's demo modes. Recording wraps the game's process callback: the
// engine's key table is written to the demo as the modules are about to
// read it, and the state's digests after the tick. Replaying wraps it the
// other way: for the length of the game's own tick the key table holds the
// demo's keys instead of the live ones (which are put back afterwards, so
// the engine's tap latching goes on undisturbed), and the state after the
// tick is compared with the demo. The live keys only steer the replay
// (pause, speed, quit).
#include "shell/DemoRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "Cp1251.h"
#include "hud/Hud.h"
#include "shell/Demo.h"
#include "platform/Platform.h"
#include "shell/Random.h"
#include "shell/StateDigest.h"

namespace demorun {

namespace {

enum Mode { MODE_NONE, MODE_RECORD, MODE_PLAY, MODE_VERIFY, MODE_TIMEDEMO };

// The generator's seed of every recorded run: the C library's own default,
// which a game started without a demo has too.
const uint32_t kRecordSeed = 1;
// Ticks a verification runs inside one engine tick: it needs no frames, so
// it draws only one every this many ticks.
const int kVerifyBatch = 500;
// The replay speeds the speed keys step through.
const double kSpeeds[] = {0.25, 0.5, 1, 2, 4, 8};
const int kSpeedCount = sizeof kSpeeds / sizeof kSpeeds[0];

// Live keys that steer a replay (virtual-key codes).
const int KEY_ESCAPE = 27, KEY_PAUSE = 19, KEY_P = 'P';
const int KEY_PLUS = 187, KEY_PAD_PLUS = 107, KEY_MINUS = 189, KEY_PAD_MINUS = 109;

Mode g_mode = MODE_NONE;
std::string g_path;
double g_speed = 1.0;
bool g_speedSet = false;

Callbacks g_game{nullptr, nullptr, nullptr};
demo::Header g_ours;
demo::Demo g_demo;
demo::ReadResult g_read;
demo::Writer g_writer;
demo::Checker g_checker(g_demo);
demo::KeyFeed g_feed(g_demo);

uint32_t g_tick = 0;      // ticks run
bool g_failed = false;    // the replay left the demo's run
bool g_reported = false;  // ... and playing has said so
bool g_paused = false;
bool g_quitByDemo = false;  // the demo's own input ended the game
double g_credit = 0.0;      // ticks owed to the replay at its speed
int g_live[demo::kKeyCount];
bool g_controlHeld[demo::kKeyCount];

std::vector<double> g_frameSeconds;
std::chrono::steady_clock::time_point g_lastTick;

uint32_t TotalTicks() { return static_cast<uint32_t>(g_demo.ticks.size()); }

// ---------------------------------------------------------------- ticks
void RecordInit() {
  SeedRandom(g_ours.seed);
  if (g_game.init) g_game.init();
  g_writer.Start(DigestGameState());
}

void RecordTick() {
  g_writer.BeforeTick(_keys);
  if (g_game.process) g_game.process();
  g_writer.AfterTick(DigestGameState());
}

void ReplayInit() {
  SeedRandom(g_demo.header.seed);
  if (g_game.init) g_game.init();
  if (!g_checker.Check(0, DigestGameState())) g_failed = true;
}

// One tick of the game on the demo's keys. False when the demo's input
// ended the game inside the tick (Escape).
bool ReplayOneTick() {
  bool held[demo::kKeyCount];
  g_feed.Next(held);
  std::memcpy(g_live, _keys, sizeof g_live);
  for (int k = 0; k < demo::kKeyCount; k++) _keys[k] = held[k] ? 1 : 0;
  if (g_game.process) g_game.process();
  std::memcpy(_keys, g_live, sizeof g_live);
  ++g_tick;
  if (g_mode != MODE_TIMEDEMO && !g_failed && !g_checker.Check(g_tick, DigestGameState()))
    g_failed = true;
  if (held[KEY_ESCAPE]) g_quitByDemo = true;
  return !held[KEY_ESCAPE];
}

void VerifyTick() {
  for (int i = 0; i < kVerifyBatch; i++) {
    if (g_failed || g_tick >= TotalTicks()) {
      QuiteEngine();
      return;
    }
    if (!ReplayOneTick()) return;
  }
}

// True once per press of a live key.
bool Pressed(int key) {
  const bool held = _keys[key] != 0;
  const bool pressed = held && !g_controlHeld[key];
  g_controlHeld[key] = held;
  return pressed;
}

void StepSpeed(int direction) {
  int i = 0;
  if (direction > 0) {
    while (i < kSpeedCount - 1 && kSpeeds[i] <= g_speed) i++;
  } else {
    i = kSpeedCount - 1;
    while (i > 0 && kSpeeds[i] >= g_speed) i--;
  }
  g_speed = kSpeeds[i];
}

void PlayTick() {
  if (Pressed(KEY_ESCAPE)) {
    QuiteEngine();
    return;
  }
  // Both keys are read every tick so that each keeps its own edge.
  const bool pause = Pressed(KEY_P);
  if (Pressed(KEY_PAUSE) || pause) g_paused = !g_paused;
  const bool faster = Pressed(KEY_PLUS), fasterPad = Pressed(KEY_PAD_PLUS);
  const bool slower = Pressed(KEY_MINUS), slowerPad = Pressed(KEY_PAD_MINUS);
  if (faster || fasterPad) StepSpeed(1);
  if (slower || slowerPad) StepSpeed(-1);
  if (g_paused) return;
  g_credit += g_speed;
  while (g_credit >= 1.0 && g_tick < TotalTicks()) {
    g_credit -= 1.0;
    if (!ReplayOneTick()) return;
  }
  if (g_tick >= TotalTicks()) g_credit = 0.0;
  if (g_failed && !g_reported) {
    std::fprintf(stderr, "TARVS: %s: %s; the replay goes on\n", g_path.c_str(),
                 g_checker.Failure().c_str());
    g_reported = true;
  }
}

void TimedTick() {
  if (Pressed(KEY_ESCAPE)) {
    QuiteEngine();
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (g_tick > 0) g_frameSeconds.push_back(std::chrono::duration<double>(now - g_lastTick).count());
  g_lastTick = now;
  if (g_tick >= TotalTicks()) {
    QuiteEngine();
    return;
  }
  ReplayOneTick();
}

// ---------------------------------------------------------------- frames
void NoFrame() {}

void PlayFrame() {
  if (g_game.render) g_game.render();
  const char* state = g_tick >= TotalTicks() ? RU("окончено") : g_paused ? RU("пауза") : RU("идёт");
  Begin2D();
  HudFont.SetColor(1.0f, 0.85f, 0.2f, 1.0f);
  HudFont.Print(4, 28, RU("ДЕМО: %s, x%g, тик %u из %u"), state, g_speed,
                static_cast<unsigned>(g_tick), static_cast<unsigned>(TotalTicks()));
  HudFont.Print(4, 54, RU("P пауза, +/- скорость, Esc выход"));
  HudFont.SetColor(1.0f, 1.0f, 1.0f, 1.0f);
  End2D();
}

const char* ModeName() {
  switch (g_mode) {
    case MODE_RECORD: return "--record";
    case MODE_PLAY: return "--play";
    case MODE_VERIFY: return "--verify";
    case MODE_TIMEDEMO: return "--timedemo";
    default: return "";
  }
}

// The timed run's figures: the average frame rate, the slowest frame, and
// the 1 % low (the frame rate over the slowest 1 % of frames, at least one).
void PrintTimes() {
  std::vector<double>& t = g_frameSeconds;
  if (t.empty()) {
    std::printf("timedemo: no frames timed\n");
    return;
  }
  double total = 0.0;
  for (double s : t) total += s;
  std::sort(t.begin(), t.end());
  const size_t worst = t.size() / 100 > 0 ? t.size() / 100 : 1;
  double worstTotal = 0.0;
  for (size_t i = t.size() - worst; i < t.size(); i++) worstTotal += t[i];
  std::printf(
      "timedemo: %zu frames in %.3f s: %.1f fps average, slowest frame %.2f ms, 1%% low %.1f fps\n",
      t.size(), total, static_cast<double>(t.size()) / total, t.back() * 1000.0,
      static_cast<double>(worst) / worstTotal);
}

}  // namespace

bool IsOption(const char* name) {
  return std::strcmp(name, "--record") == 0 || std::strcmp(name, "--play") == 0 ||
         std::strcmp(name, "--verify") == 0 || std::strcmp(name, "--timedemo") == 0 ||
         std::strcmp(name, "--speed") == 0;
}

bool SetOption(const char* name, const char* value) {
  if (std::strcmp(name, "--speed") == 0) {
    char* end = nullptr;
    const double v = std::strtod(value, &end);
    if (end == value || *end != '\0' || !(v >= 0.25 && v <= 8.0)) {
      std::fprintf(stderr, "TARVS: --speed takes a number from 0.25 to 8, not '%s'\n", value);
      return false;
    }
    g_speed = v;
    g_speedSet = true;
    return true;
  }
  if (g_mode != MODE_NONE) {
    std::fprintf(stderr,
                 "TARVS: only one of --record, --play, --verify and --timedemo at a time\n");
    return false;
  }
  if (value[0] == '\0') {
    std::fprintf(stderr, "TARVS: %s needs a file name\n", name);
    return false;
  }
  g_mode = std::strcmp(name, "--record") == 0   ? MODE_RECORD
           : std::strcmp(name, "--play") == 0   ? MODE_PLAY
           : std::strcmp(name, "--verify") == 0 ? MODE_VERIFY
                                                : MODE_TIMEDEMO;
  // The game moves to the folder holding its data before it starts, so the
  // name is kept as seen from where TARVS was started.
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(value, ec);
  g_path = ec ? std::string(value) : full.string();
  return true;
}

bool Prepare(Callbacks* callbacks, bool* fullScreen, int screenWidth, int screenHeight) {
  if (g_speedSet && g_mode != MODE_PLAY) {
    std::fprintf(stderr, "TARVS: --speed goes with --play\n");
    return false;
  }
  if (g_mode == MODE_NONE) return true;
  g_game = *callbacks;
  uint64_t digest = 0;
  uint32_t files = 0;
  if (!demo::DigestDataTree("data", &digest, &files)) {
    std::fprintf(stderr, "TARVS: %s: cannot list the data folder\n", ModeName());
    return false;
  }
  g_ours = demo::NewHeader(digest, files, kRecordSeed, screenWidth, screenHeight);

  if (g_mode == MODE_RECORD) {
    if (!g_writer.Open(g_path.c_str(), g_ours)) {
      std::fprintf(stderr, "TARVS: cannot write the demo %s\n", g_path.c_str());
      return false;
    }
    callbacks->init = RecordInit;
    callbacks->process = RecordTick;
    std::fprintf(stderr, "TARVS: recording to %s\n", g_path.c_str());
    return true;
  }

  g_read = demo::ReadFile(g_path.c_str(), &g_demo);
  if (g_read.status == demo::ReadStatus::kDamaged) {
    std::fprintf(stderr, "TARVS: %s: %s\n", g_path.c_str(), g_read.problem.c_str());
    return false;
  }
  const std::string refused = demo::Mismatch(g_demo.header, g_ours);
  if (!refused.empty()) {
    std::fprintf(stderr, "TARVS: %s: refused: %s\n", g_path.c_str(), refused.c_str());
    return false;
  }
  if (g_read.status == demo::ReadStatus::kCut && g_mode != MODE_VERIFY)
    std::fprintf(stderr, "TARVS: %s: %s; it plays to there\n", g_path.c_str(),
                 g_read.problem.c_str());
  callbacks->init = ReplayInit;
  if (g_mode == MODE_VERIFY) {
    // Headless: no window, no sound, no message box; one frame now and
    // then between batches of ticks.
    if (const char* video = os::HeadlessVideoDriver())
      os::SetEnvironment("SDL_VIDEODRIVER", video, true);
    os::SetEnvironment("ALSOFT_DRIVERS", "null", true);
    os::SetEnvironment("SDL_AUDIODRIVER", "dummy", true);
    os::SetEnvironment("CORVANE_NO_MESSAGEBOX", "1", true);
    *fullScreen = false;
    SetWindowSize(64, 48);
    SetFixedStep(true);
    callbacks->process = VerifyTick;
    callbacks->render = NoFrame;
  } else if (g_mode == MODE_PLAY) {
    callbacks->process = PlayTick;
    callbacks->render = PlayFrame;
  } else {
    SetFixedStep(true);
    g_frameSeconds.reserve(TotalTicks());
    callbacks->process = TimedTick;
  }
  return true;
}

int Finish(int started) {
  if (g_mode == MODE_NONE) return started ? 0 : 1;
  if (!started) {
    std::fprintf(stderr, "TARVS: %s: the game could not start\n", ModeName());
    if (g_mode == MODE_RECORD) g_writer.Close();
    return 1;
  }
  if (g_mode == MODE_RECORD) {
    const uint32_t ticks = g_writer.Ticks();
    if (!g_writer.Finish()) {
      std::fprintf(stderr, "TARVS: writing the demo %s failed\n", g_path.c_str());
      return 1;
    }
    std::fprintf(stderr, "TARVS: recorded %u ticks to %s\n", ticks, g_path.c_str());
    return 0;
  }
  if (g_mode == MODE_TIMEDEMO) {
    PrintTimes();
    return 0;
  }
  const char* path = g_path.c_str();
  if (g_failed) {
    std::fprintf(stderr, "TARVS: %s: %s\n", path, g_checker.Failure().c_str());
    return 1;
  }
  if (g_mode == MODE_PLAY) {
    std::fprintf(stderr, "TARVS: %s: played %u of %u ticks, every check matched\n", path, g_tick,
                 TotalTicks());
    return 0;
  }
  if (g_tick < TotalTicks()) {
    if (g_quitByDemo)
      std::fprintf(stderr, "TARVS: %s: the demo's input quits the game at tick %u of %u\n", path,
                   g_tick, TotalTicks());
    else
      std::fprintf(stderr, "TARVS: %s: the game stopped at tick %u of %u\n", path, g_tick,
                   TotalTicks());
    return 1;
  }
  if (g_read.status == demo::ReadStatus::kCut) {
    std::fprintf(stderr, "TARVS: %s: %s: its %u ticks match, the rest of the run is missing\n",
                 path, g_read.problem.c_str(), TotalTicks());
    return 1;
  }
  std::printf("%s: %u ticks verified, %u state checkpoints match\n", path, TotalTicks(),
              g_checker.CheckpointsMatched());
  return 0;
}

}  // namespace demorun

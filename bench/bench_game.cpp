// Speed of one game tick and one rendered frame on the shipped level, and of
// one tick on a level filled to the tables' limits, through the game's
// modules and through the linear model of their rules side by side.
//
// Runs with an offscreen GL context (set SDL_VIDEODRIVER=offscreen when no
// display is at hand); the data tree of the build is linked into a scratch
// directory beside the binary.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "CorvaneEngine.h"
#include "actors/Bullets.h"
#include "actors/Corps.h"
#include "actors/Effects.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "shell/Shell.h"
#include "shell/Random.h"
#include "capacity_level.h"
#include "reference_world.h"
#include "TestPlatform.h"
#include "testutil.h"
#include "world/Level.h"

namespace {

const int kWidth = 1024;
const int kHeight = 768;

// Opens the context and loads the whole game once, as the engine would.
bool GameLoaded() {
  static int state = 0;  // 0 not tried, 1 loaded, -1 failed
  if (state != 0) return state > 0;
  state = -1;
  testos::MakeDir(TEST_BINARY_DIR "/benchrun");
  std::error_code failed;
  std::filesystem::current_path(TEST_BINARY_DIR "/benchrun", failed);
  if (failed) return false;
  testutil::LinkDataDir();
  if (!testutil::OpenContext(kWidth, kHeight)) return false;
  InitGL(kWidth, kHeight);
  SeedRandom(1);
  InitCallback();
  state = 1;
  return true;
}

// Snapshot of the shipped level after loading, so every benchmark starts
// from the same state.
struct SGameSnapshot {
  SMapCell cells[MAX_MAP_CELLS];
  int cellCount;
  int monsterCount;
  float playerX, playerY;
};
SGameSnapshot* Shipped = nullptr;
SMonsters* ShippedMonsters = nullptr;

void SaveShipped() {
  if (Shipped) return;
  Shipped = new SGameSnapshot;
  ShippedMonsters = new SMonsters[MONSTER_SLOTS];
  for (int i = 0; i < MAX_MAP_CELLS; i++) Shipped->cells[i] = MapCells[i];
  Shipped->cellCount = MapCellCount;
  Shipped->monsterCount = MonsterCount;
  Shipped->playerX = Player.x;
  Shipped->playerY = Player.y;
  for (int i = 0; i < MONSTER_SLOTS; i++) ShippedMonsters[i] = Monsters.monsters[i];
}

void RestoreShipped() {
  for (int i = 0; i < MAX_MAP_CELLS; i++) MapCells[i] = Shipped->cells[i];
  MapCellCount = Shipped->cellCount;
  MonsterCount = Shipped->monsterCount;
  Player.x = Shipped->playerX;
  Player.y = Shipped->playerY;
  Player.health = 100;
  for (int i = 0; i < MONSTER_SLOTS; i++) Monsters.monsters[i] = ShippedMonsters[i];
  for (SBullet& b : Bullets.bullets) b.active = false;
}

void BM_ShippedLevelTick(benchmark::State& state) {
  if (!GameLoaded()) {
    state.SkipWithError("no GL context");
    return;
  }
  SaveShipped();
  RestoreShipped();
  int ticks = 0;
  for (auto _ : state) {
    ProcessCallback();
    // Start over every ten seconds of play so the run stays on the level
    // as loaded rather than drifting into a finished fight.
    if (++ticks % 500 == 0) {
      state.PauseTiming();
      RestoreShipped();
      state.ResumeTiming();
    }
  }
  state.counters["monsters"] = MonsterCount;
  state.counters["cells"] = MapCellCount;
}
BENCHMARK(BM_ShippedLevelTick)->Unit(benchmark::kMicrosecond);

void BM_ShippedLevelFrame(benchmark::State& state) {
  if (!GameLoaded()) {
    state.SkipWithError("no GL context");
    return;
  }
  SaveShipped();
  RestoreShipped();
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    RenderCallback();
    glFinish();
  }
}
BENCHMARK(BM_ShippedLevelFrame)->Unit(benchmark::kMicrosecond);

// CPU seconds of one capacity tick, game and linear model, for the ratio
// printed at the end.
double CapacityCpu[2] = {0, 0};

double CpuSeconds() { return testos::CpuSeconds(); }

// One tick on a level at the tables' limits (4096 platform cells in 16
// floors, 2048 monsters of every kind, 2000 monsters' shots in flight; the
// player stands apart), through the game's modules (0) or through the
// linear model of their rules (1).
void BM_CapacityTick(benchmark::State& state) {
  if (!GameLoaded()) {
    state.SkipWithError("no GL context");
    return;
  }
  SaveShipped();
  const bool linear = state.range(0) != 0;
  capacity::SPlan plan;
  double cpu = 0;
  for (auto _ : state) {
    state.PauseTiming();
    SeedRandom(1);
    capacity::Build(plan);
    refworld::UseLinear = linear;
    state.ResumeTiming();
    const double start = CpuSeconds();
    ProcessCallback();
    cpu += CpuSeconds() - start;
    refworld::UseLinear = false;
  }
  CapacityCpu[linear ? 1 : 0] = cpu / static_cast<double>(state.iterations());
  state.SetLabel(linear ? "linear model" : "game");
  state.counters["monsters"] = MonsterCount;
  state.counters["cells"] = MapCellCount;
  state.counters["shots"] = plan.shots;
  RestoreShipped();
}
BENCHMARK(BM_CapacityTick)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(BM_CapacityTick)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same with blocks, doors and boxes on the floors, every third shot the
// player's, and the player on the top floor: more of the shots meet
// something and are stepped through.
void BM_CapacityTickObstacles(benchmark::State& state) {
  if (!GameLoaded()) {
    state.SkipWithError("no GL context");
    return;
  }
  SaveShipped();
  capacity::SPlan plan;
  plan.obstacles = true;
  plan.playerShots = true;
  plan.playerOnFloor = true;
  for (auto _ : state) {
    state.PauseTiming();
    SeedRandom(1);
    capacity::Build(plan);
    state.ResumeTiming();
    ProcessCallback();
  }
  RestoreShipped();
}
BENCHMARK(BM_CapacityTickObstacles)->Unit(benchmark::kMillisecond)->Iterations(40);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  if (CapacityCpu[0] > 0 && CapacityCpu[1] > 0)
    std::printf("Capacity tick, CPU: game %.3f ms, linear model %.1f ms, %.0f times faster\n",
                CapacityCpu[0] * 1e3, CapacityCpu[1] * 1e3, CapacityCpu[1] / CapacityCpu[0]);
  benchmark::Shutdown();
  return 0;
}

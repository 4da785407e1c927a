// Speed of one game tick and one rendered frame on the shipped level, and of
// one tick on a level filled to the tables' limits.
//
// Runs with an offscreen GL context (set SDL_VIDEODRIVER=offscreen when no
// display is at hand); the data tree of the build is linked into a scratch
// directory beside the binary.
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "CorvaneEngine.h"
#include "actors/Bullets.h"
#include "actors/Corps.h"
#include "actors/Effects.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "shell/Shell.h"
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
    mkdir(TEST_BINARY_DIR "/benchrun", 0755);
    if (chdir(TEST_BINARY_DIR "/benchrun") != 0) return false;
    testutil::LinkDataDir();
    if (!testutil::OpenContext(kWidth, kHeight)) return false;
    InitGL(kWidth, kHeight);
    std::srand(1);
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

// A level at the tables' limits: 4096 platform cells in 16 floors of 256,
// 2048 monsters (128 a floor, every kind), and shots of both monster kinds
// flying along every floor. The player stands apart, above the top floor.
void BuildFullLevel(int shots) {
    const int kFloors = 16;
    const int kWide = MAX_MAP_CELLS / kFloors;
    MapCellCount = 0;
    for (int f = 0; f < kFloors; f++) {
        for (int c = 0; c < kWide; c++) {
            SMapCell& cell = MapCells[MapCellCount++];
            cell.x = static_cast<float>(c);
            cell.y = static_cast<float>(-(4 * f + 1));
            cell.boxModel = -1;
            cell.actorCode = -1;
            cell.textureIndex = 0;
            cell.itemKind = -1;
            cell.wallType = WALL_PLATFORM;
        }
    }
    for (SMonsters& m : Monsters.monsters) m.health = 0;
    MonsterCount = 0;
    for (int f = 0; f < kFloors; f++)
        for (int k = 0; k < MONSTER_SLOTS / kFloors; k++)
            Monsters.Add(static_cast<float>(2 * k), static_cast<float>(-4 * f), k % 4);
    for (SBullet& b : Bullets.bullets) b.active = false;
    for (int s = 0; s < shots; s++) {
        int f = s % kFloors;
        bool plasma = (s / kFloors) % 2 == 0;
        Bullets.Fire(static_cast<float>((s * 7) % kWide), -4.0f * f + 0.3f, s % 2 == 0,
                     plasma ? 25 : 225, plasma ? 5 : 10, plasma ? 1 : 2, false);
    }
    Player.x = -50;
    Player.y = 20;
    Player.health = 100;
}

void BM_FullTablesTick(benchmark::State& state) {
    if (!GameLoaded()) {
        state.SkipWithError("no GL context");
        return;
    }
    SaveShipped();
    const int shots = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        std::srand(1);
        BuildFullLevel(shots);
        state.ResumeTiming();
        ProcessCallback();
    }
    state.counters["monsters"] = MonsterCount;
    state.counters["cells"] = MapCellCount;
    state.counters["shots"] = shots;
    RestoreShipped();
}
BENCHMARK(BM_FullTablesTick)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace

BENCHMARK_MAIN();

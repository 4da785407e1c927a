// Soak run: the game ticked for a long time on a level filled to the tables'
// limits (4096 cells, 2048 monsters, shots and particles kept topped up),
// with the heap's floor early in the run compared with its floor late in
// the run. Any growth beyond a small allowance, or any sanitizer report,
// fails the run.
//
// Usage: soak_game [ticks=30000] [seed=1]; run from a scratch directory
// (the data tree of the build is linked in, a map file is written there).
#include <GL/gl.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CorvaneEngine.h"
#include "actors/Bullets.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "shell/Shell.h"
#include "testutil.h"
#include "world/Level.h"

// Present when a sanitizer runtime is linked in; it counts the heap exactly.
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

const int kFloors = 16;
const int kWide = MAX_MAP_CELLS / kFloors;
const char* const kMap = "soak.map";

size_t HeapInUse() {
  if (__sanitizer_get_current_allocated_bytes) return __sanitizer_get_current_allocated_bytes();
  return mallinfo2().uordblks;
}

void Put(std::string& out, const void* p, size_t n) { out.append(static_cast<const char*>(p), n); }

// 16 floors of 256 platform cells; every other cell of a floor carries a
// monster (2048 in all, every kind); the player starts above the top floor.
bool WriteCapacityMap() {
  std::string map;
  int monsters = 0;
  for (int f = 0; f < kFloors; f++) {
    for (int c = 0; c < kWide; c++) {
      const int32_t column = c, row = 4 * f + 1;
      int16_t actor = -1;
      if (f == 0 && c == 0) {
        actor = 0;
      } else if (c % 2 == 1 && monsters < MONSTER_SLOTS) {
        actor = static_cast<int16_t>(1 + monsters % 4);
        monsters++;
      }
      const int16_t fields[6] = {-1,
                                 actor,
                                 static_cast<int16_t>(c % 9),
                                 static_cast<int16_t>(c % 37 == 0 ? c % 9 : -1),
                                 WALL_PLATFORM,
                                 0};
      Put(map, &column, 4);
      Put(map, &row, 4);
      Put(map, fields, sizeof(fields));
    }
  }
  FILE* f = std::fopen(kMap, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(map.data(), 1, map.size(), f) == map.size();
  return std::fclose(f) == 0 && ok;
}

void ReloadLevel() {
  for (SMonsters& m : Monsters.monsters) m.health = 0;
  MonsterCount = 0;
  for (SBullet& b : Bullets.bullets) b.active = false;
  ReadLevelCells(kMap);
}

// Keeps the shot table and the particle pools full.
void TopUp(int tick) {
  for (int s = 0; s < 64; s++) {
    const int f = (tick + s) % kFloors;
    const bool plasma = s % 2 == 0;
    Bullets.Fire(static_cast<float>((tick * 7 + s * 13) % kWide), -4.0f * f + 0.3f, s % 4 < 2,
                 plasma ? 25 : 225, plasma ? 5 : 10, plasma ? 1 : 2, s % 8 == 0);
  }
  // More bursts a tick than the pools can keep alive, so they stay full.
  for (int s = 0; s < 32; s++) {
    const float x = static_cast<float>((tick * 3 + s * 17) % kWide);
    const float y = -4.0f * (s % kFloors);
    Bullets.AddSparks(x, y);
    Bullets.AddPlasma(x, y);
    Monsters.AddBlood(x, y);
  }
}

int LiveMonsters() {
  int n = 0;
  for (int i = 0; i < MonsterCount; i++) n += Monsters.monsters[i].health > 0 ? 1 : 0;
  return n;
}

int ActiveShots() {
  int n = 0;
  for (const SBullet& b : Bullets.bullets) n += b.active ? 1 : 0;
  return n;
}

// How full the tables are: live monsters, shots and particles of each pool.
void PrintFill(long tick) {
  std::printf(
      "soak: tick %ld, heap %zu bytes, monsters %d/%d, shots %d/%d, sparks %d, plasma %d, "
      "blood %d (of %d each)\n",
      tick, HeapInUse(), LiveMonsters(), MONSTER_SLOTS, ActiveShots(), Bullets.slotCount,
      Bullets.sparks.liveCount, Bullets.plasma.liveCount, Monsters.blood.liveCount,
      static_cast<int>(TParticlesSystem::MaxParticles));
}

}  // namespace

int main(int argc, char** argv) {
  const long ticks = argc > 1 ? std::atol(argv[1]) : 30000;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1u;
  // The heap is sampled at the start of every 100th tick after a warm-up
  // (the first 1000 ticks; a tenth of a short run). The GL driver holds
  // transient buffers of up to a few MiB now and then, so single samples
  // wander; the lowest sample of the first third is compared with the
  // lowest of the last third, which a leak raises and a transient does not.
  const long warmup = ticks >= 2000 ? 1000 : ticks / 10;
  const long every = ticks >= 2000 ? 100 : 1;
  const long third = (ticks - warmup) / 3;
  size_t earlyLow = SIZE_MAX, lateLow = SIZE_MAX;
  // Progress shows as it happens even when the output goes to a file.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  testutil::LinkDataDir();
  if (!testutil::OpenContext(1024, 768)) {
    std::fprintf(stderr, "soak: no GL context\n");
    return 2;
  }
  InitGL(1024, 768);
  std::srand(seed);
  InitCallback();
  if (!WriteCapacityMap()) {
    std::fprintf(stderr, "soak: cannot write %s\n", kMap);
    return 2;
  }
  ReloadLevel();
  std::printf("soak: %d cells, %d monsters, %ld ticks, seed %u\n", MapCellCount, MonsterCount,
              ticks, seed);

  for (long t = 0; t < ticks; t++) {
    if (t >= warmup && (t - warmup) % every == 0) {
      const size_t heap = HeapInUse();
      if (t < warmup + third) earlyLow = std::min(earlyLow, heap);
      if (t >= ticks - third) lateLow = std::min(lateLow, heap);
    }
    Player.health = 100;
    TopUp(static_cast<int>(t));
    ProcessCallback();
    if (t % 50 == 0) {
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      glLoadIdentity();
      RenderCallback();
      glFinish();
    }
    // Fights thin the table out; a fresh read puts every monster back and
    // runs the map loader again.
    if (t % 1000 == 999) ReloadLevel();
    // Halfway between two reloads, when the shot table has filled again.
    if (t % 1000 == 500) PrintFill(t);
  }
  long long growth = 0;
  if (earlyLow != SIZE_MAX && lateLow != SIZE_MAX) {
    growth = static_cast<long long>(lateLow) - static_cast<long long>(earlyLow);
    std::printf(
        "soak: lowest heap in the first third %zu bytes, in the last third %zu bytes, "
        "growth %lld bytes\n",
        earlyLow, lateLow, growth);
  } else {
    std::printf("soak: too few ticks to compare the heap\n");
  }
  testutil::CloseContext();
  // A little slack for allocator bookkeeping; a leak per tick shows at once.
  const long long allowance = 256 * 1024;
  if (growth > allowance) {
    std::printf("soak: FAILED, the heap grew\n");
    return 1;
  }
  std::printf("soak: ok\n");
  return 0;
}

// The lazily built slot table behind the monster table: slots are built in
// order as they are first reached, each once, never past the capacity;
// slots never reached stay out of memory; and the game's monster table
// builds only the slots a level takes.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "World.h"
#include "actors/LazySlots.h"
#include "actors/Monsters.h"

namespace {

int g_built = 0;
int g_destroyed = 0;

// One page a slot, so each slot's page can be asked about on its own.
struct TPageSlot {
  int value = 7;
  int order = g_built++;
  char fill[4096 - 2 * sizeof(int)];
  ~TPageSlot() { ++g_destroyed; }
};

TLazySlots<TPageSlot, 4096> g_table;  // 16 MiB of static storage

bool Resident(const void* p) {
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  void* start = reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(p) & ~(page - 1));
  unsigned char state = 0;
  return mincore(start, page, &state) == 0 && (state & 1) != 0;
}

}  // namespace

TEST(LazySlots, SlotsAreBuiltInOrderOnceAndOnlyWhenReached) {
  ASSERT_EQ(g_table.Built(), 0) << "nothing is built before main";
  EXPECT_EQ(g_built, 0);
  EXPECT_EQ(g_table.begin(), g_table.end());

  EXPECT_EQ(g_table[2].value, 7) << "a slot reached for the first time is in its default state";
  EXPECT_EQ(g_table.Built(), 3);
  EXPECT_EQ(g_built, 3) << "every slot below it is built with it";
  EXPECT_EQ(g_table[0].order, 0);
  EXPECT_EQ(g_table[2].order, 2);

  g_table[1].value = 40;
  const TLazySlots<TPageSlot, 4096>& view = g_table;
  EXPECT_EQ(view[1].value, 40) << "built slots keep what was written";
  EXPECT_EQ(view[3].value, 7) << "reading through a const view builds as well";
  EXPECT_EQ(g_built, 4);
  int seen = 0;
  for (const TPageSlot& s : view) seen += s.order == seen ? 1 : 0;
  EXPECT_EQ(seen, 4) << "iteration covers exactly the built slots, in order";

  // Slots far past the built ones were never written, so never given memory.
  const char* base = reinterpret_cast<const char*>(&g_table[0]);
  EXPECT_TRUE(Resident(base + 3 * sizeof(TPageSlot)));
  for (int far : {64, 1000, 4095})
    EXPECT_FALSE(Resident(base + far * sizeof(TPageSlot))) << "slot " << far;

  // Reaching the last slot builds them all, and never one past the capacity.
  EXPECT_EQ(g_table[4095].order, 4095);
  EXPECT_EQ(g_table.Built(), 4096);
  EXPECT_EQ(g_built, 4096);
}

TEST(LazySlots, ATableDestroysExactlyTheSlotsItBuilt) {
  g_destroyed = 0;
  {
    TLazySlots<TPageSlot, 8>* local = new TLazySlots<TPageSlot, 8>;
    (*local)[4].value = 1;
    delete local;
  }
  EXPECT_EQ(g_destroyed, 5);
}

// The game's table: a level's monsters build their slots and no more, and
// freed slots are taken again before a new one is built.
TEST(LazySlots, TheMonsterTableBuildsOnlyTheSlotsALevelTakes) {
  testworld::ClearWorld();
  ASSERT_EQ(Monsters.monsters.Built(), 0) << "an empty level reaches no slot";
  for (int i = 0; i < 3; i++) ASSERT_TRUE(Monsters.Add(static_cast<float>(i), 0, i));
  EXPECT_EQ(Monsters.monsters.Built(), 3);
  EXPECT_EQ(MonsterCount, 3);
  Monsters.monsters[1].health = 0;
  ASSERT_TRUE(Monsters.Add(9, 0, 3));
  EXPECT_EQ(Monsters.monsters[1].kind, 3) << "the freed slot is taken again";
  // Every placement counts (the count is 4 now), and nothing reaches past it.
  EXPECT_LE(Monsters.monsters.Built(), MonsterCount);
  // Clearing frees every slot built so far; a slot never reached is free too.
  testworld::ClearWorld();
  for (const SMonsters& m : Monsters.monsters) EXPECT_LE(m.health, 0);
  EXPECT_EQ(Monsters.monsters[MONSTER_SLOTS - 1].health, 0);
  EXPECT_EQ(Monsters.monsters[MONSTER_SLOTS - 1].model.animationCount, -1)
      << "a slot built late is a default one";
}

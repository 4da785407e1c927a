// The game's one source of chance: the C library's generator, reduced
// modulo n, 0 when n is 0. Monsters, blood and sparks draw from it in a
// fixed order, so a fixed srand seed replays a run exactly. The number of
// draws taken is counted, so a recorded run can check that it is at the
// same place in the generator's sequence.
#ifndef TARVS_RANDOM_H
#define TARVS_RANDOM_H

#include <cstdlib>

// Numbers drawn from the generator since SeedRandom (or program start).
inline unsigned long long RandomDraws = 0;

inline int RandomBelow(int n) {
  if (!n) return 0;
  ++RandomDraws;
  return std::rand() % n;
}

// Seeds the generator and restarts the count of draws.
inline void SeedRandom(unsigned seed) {
  std::srand(seed);
  RandomDraws = 0;
}

#endif

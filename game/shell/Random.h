// The game's one source of chance: the C library's generator, reduced
// modulo n, 0 when n is 0. Monsters, blood and sparks draw from it in a
// fixed order, so a fixed srand seed replays a run exactly.
#ifndef TARVS_RANDOM_H
#define TARVS_RANDOM_H

#include <cstdlib>

inline int RandomBelow(int n) { return n ? std::rand() % n : 0; }

#endif

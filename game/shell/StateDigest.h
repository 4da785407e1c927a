// Digests of the game's whole state, one per part (cells, monsters, shots,
// particles, player, effects, corpses, HUD message, generator position), as
// a demo records them and a replay compares them.
#ifndef TARVS_STATE_DIGEST_H
#define TARVS_STATE_DIGEST_H

#include "DemoFormat.h"

// Digests the game's state now. Only what the game's rules read and write
// goes in (positions, health, frames, counters), never GL names, pointers
// or scratch tables, so two runs of the same build on the same data give
// the same digests.
demo::StateDigest DigestGameState();

#endif

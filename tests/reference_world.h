// A plain linear model of the game's collision, monster and shot rules:
// every query scans every cell and every monster slot, every shot is moved
// and tested one sub-step at a time, and particles go to the first free
// slot found from slot 0. The differential tests and the benchmark run it
// side by side with the game's modules, which must agree with it exactly.
//
// Test programs that link it wrap the game's CanMoveTo, TMonsters::Process
// and TBullets::Process (see tests/CMakeLists.txt), so that while
// refworld::UseLinear is set, every caller, the shell's tick included, goes
// through this model instead.
#ifndef TARVS_REFERENCE_WORLD_H
#define TARVS_REFERENCE_WORLD_H

#include "CorvaneEngine.h"

namespace refworld {

// While true, the wrapped game calls run the linear model.
extern bool UseLinear;

bool CanMoveTo(float x, float y, float w, float h, int who);
int FindAt(float x, float y, float size);
void MonstersProcess();
void BulletsProcess();
// The pool's first free slot from 0 takes the particle.
void AddParticle(TParticlesSystem& pool, const SParticle3D& particle);

}  // namespace refworld

#endif

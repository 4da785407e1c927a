// Frames drawn between ticks: what the drawing shows of the previous tick,
// kept at the start of each tick, and the frame-long substitution of the
// positions, sizes and animation frames between that tick and the current
// one.
#ifndef TARVS_SMOOTHING_H
#define TARVS_SMOOTHING_H

// First thing in a tick: keeps what the frames draw of the state as it is
// now (player, camera, monsters, corpses, door effects, particles). Writes
// nothing the game reads.
void SaveTickStart();

// Around one frame's drawing. With `fraction` in (0, 1] the drawn values
// become those `fraction` of the way from the tick before to the last one;
// anything that appeared, vanished or jumped since is drawn as it is. With
// 0 (smoothing off, or outside the engine's loop) or 1 nothing changes.
// EndSmoothFrame puts back the exact values, bit for bit.
void BeginSmoothFrame(float fraction);
void EndSmoothFrame();

#endif

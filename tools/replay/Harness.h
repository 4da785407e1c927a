// The replay harness: starts the real game modules headless as the engine
// starts them, draws a frame on demand and saves it as a picture. The
// replay tool and the scripted-run tests drive the game through it, tick
// by tick with the key scripts of KeyScript.h.
#ifndef TARVS_REPLAY_HARNESS_H
#define TARVS_REPLAY_HARNESS_H

#include <string>

namespace harness {

// Opens a hidden windowW x windowH OpenGL context, gives the game a
// screenW x screenH screen, starts the GL state, seeds the C library's
// generator (restarting the count of its draws) and runs the game's start. False when no context
// can be had (SDL_GetError says why); the game is not started then.
bool StartGame(int windowW, int windowH, int screenW, int screenH, unsigned seed);

// Draws one frame as the engine's loop does and waits until it is done.
void RenderFrame();

// Saves the current w x h frame as an uncompressed 24-bit TGA, top row
// first (origin bit set), which every viewer reads the same way.
bool SaveFrame(const std::string& path, int w, int h);

}  // namespace harness

#endif

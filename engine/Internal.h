// Internal declarations shared between engine modules (never installed,
// never included by the game).
#ifndef CORVANE_INTERNAL_H
#define CORVANE_INTERNAL_H

#include "CorvaneEngine.h"
#include "GLExt.h"

#include <AL/al.h>
#include <AL/alc.h>

// The sound device behind the exported `_dsound` pointer: one OpenAL
// device and its context. Created with the window, released at shutdown.
struct TSoundDevice {
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
};

// Builds the two built-in GLSL programs (model blending, particles) and
// looks up their locations; sets _ShadersOn. Called once by InitGL.
void InitEngineShaders();

// Shows a modal message box with the text and caption (when a real display
// is present) and always writes both to stderr. Never blocks a headless run.
void PlatformMessageBox(const char* text, const char* caption);

#endif

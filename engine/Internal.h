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

// Start-of-call checks of the exported functions. RequireGL is true when
// an OpenGL context is current; otherwise it logs one line naming `call`
// and is false, so the caller returns its failure value (0, false, nothing
// drawn). RequireGLExt also wants every extension entry point InitGL binds.
// RequireArg is true for a non-null pointer and otherwise logs one line
// naming the call and the argument.
bool RequireGL(const char* call);
bool RequireGLExt(const char* call);
bool RequireArg(const void* pointer, const char* call, const char* argument);

// Stops and deletes every sound buffer made so far; called at shutdown
// while the sound device's context is still current.
void ReleaseSoundBuffers();

// Builds the two built-in GLSL programs (model blending, particles) and
// looks up their locations; sets _ShadersOn. Called once by InitGL.
void InitEngineShaders();

// The engine's two built-in GLSL programs and their locations, built by
// InitEngineShaders. ModelShader blends two keyframes: the current one
// through gl_Vertex, the next through the attribute "Vertex2", mixed by
// the uniform "IC". ParticleShader draws batches of 30 camera-facing
// quads: attribute "part_pos" (particle index in the batch), uniform arrays
// "NewPos" (x, y, z, size) and "NewColor" (r, g, b, a), 120 floats each.
extern TShader ModelShader;
extern int IcLocation;
extern int Vertex2Location;
extern TShader ParticleShader;
extern int PartPosLocation;
extern int NewPosLocation;
extern int NewColorLocation;

// Whole text file in a new[] buffer with a terminating NUL, CR LF line
// ends turned into LF; nullptr for a null path, an unreadable or empty
// file. The caller delete[]s it.
char* ReadShaderFile(const char* path);
// Writes the GL object's info log to the engine log when it is not empty.
void LogShaderInfo(unsigned int object);

// Shows a modal message box with the text and caption (when a real display
// is present) and always writes both to stderr. Never blocks a headless run.
void PlatformMessageBox(const char* text, const char* caption);

// Engine core internals shared by the loop, the GL start-up and the
// screenshot writer (white-box tests reach them too).
namespace core {
// The game's init callback as given to StartEngine; may be null.
extern void (*InitCallback)();
// Asks the loop to end at its next turn (nothing further is dispatched).
void PostQuit();
bool QuitPosted();
// One frame: clear, identity model-view, render callback, FPS count.
void DrawFrame();
// Counts a frame; about once a second copies the count into _FPS and
// opens the screenshot gate.
void UpdateFPS();
// Viewport and 45-degree projection for a new client size (height 0 -> 1).
void ResizeScene(int width, int height);
// Windows virtual-key code for an SDL key code, -1 for keys not tracked.
// Keys with no Latin symbol fall back to their scancode's place; keypad
// keys give digits with NumLock on and navigation codes with it off.
int VirtualKeyFromSdl(int sdlKey, int scancode = 0, bool numLock = true);
// Calls Draw / Process / Click on the active menu when one is shown.
void ActiveMenuDraw();
void ActiveMenuProcess();
void ActiveMenuClick();
}  // namespace core

#endif

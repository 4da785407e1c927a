// Engine internals: declarations shared between the engine's rooms (core,
// render, models, audio, UI); never installed, never included by the game.
#ifndef CORVANE_INTERNAL_H
#define CORVANE_INTERNAL_H

#include "CorvaneEngine.h"
#include "render/GLExt.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <cstddef>
#include <string>
#include <vector>

// The sound device behind the exported `_dsound` pointer: one OpenAL
// device and its context. Created with the window, released at shutdown.
struct TSoundDevice {
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
};

// Opens the default device and makes its context current; without one the
// game runs silent (_dsound stays null) after one log line. Nothing when a
// device is open already.
void OpenSoundDevice();
// Starts opening the default device on a thread of its own and returns at
// once; AwaitSoundDevice waits for it and sets `_dsound` (or logs that
// there is none). Every call below that needs the device waits first.
void StartSoundDeviceOpen();
void AwaitSoundDevice();
// Releases every sound buffer, then the context and the device; nothing
// when no device is open.
void CloseSoundDevice();
// Sets the listener gain of the open device to the master volume.
void ApplyMasterVolume();

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

// A sound as the loader hands it to the device: `bits` 8 or 16 (integer
// PCM) or 32 (float, isFloat), samples interleaved, little-endian.
struct WaveSound {
  unsigned channels = 0;
  unsigned rate = 0;
  unsigned bits = 0;
  bool isFloat = false;
  std::vector<unsigned char> samples;
};
// True when the WAV file image (size bytes at data) holds a sound the
// loader takes: the same chunk walk, format checks and conversion, with
// 24/32-bit and float samples converted to float (floatOut) or to 16 bits.
bool DecodeWaveImage(const unsigned char* data, size_t size, bool floatOut, WaveSound* out);
// Converts `count` samples of a wide kind (2: 24-bit, 3: 32-bit PCM,
// 4: 32-bit float) to 32-bit float or, rounded to nearest, 16-bit PCM.
void ConvertWaveSamples(const unsigned char* in, size_t count, int kind, bool toFloat,
                        unsigned char* out);
// Tests set this to load as a device without AL_EXT_FLOAT32 would.
extern bool WaveFloatRefused;

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

// A .mdl file parsed in memory, ready for upload: positions of every
// keyframe (F * V * 3), 16-bit triangle indices (T * 3), texture
// coordinates (V * 2).
struct ModelData {
  int vertexCount = 0;
  int triangleCount = 0;
  int frameCount = 0;
  std::vector<float> keyframes;
  std::vector<unsigned short> indices;
  std::vector<float> texCoords;
};
// 16-bit indices address no more vertices than this.
constexpr int kMaxModelVertices = 65536;
// Largest .mdl file read: the game's largest model is about 2 MiB.
constexpr size_t kMaxModelFile = size_t{64} << 20;
// Parses the file image (size bytes at data) into *out. Returns null when
// it is sound, otherwise the reason for the log line.
const char* ParseModel(const unsigned char* data, size_t size, ModelData* out);

// Largest animation list read: 64 records of a few dozen bytes each fit
// many times over.
constexpr size_t kMaxAnimationListFile = size_t{64} << 10;
// Appends the records of an animation list held in memory (size bytes at
// text, no terminator needed) to m's table; name is used in log lines.
void ParseAnimationList(TModel& m, const char* text, size_t size, const char* name);

// Whole text file in a new[] buffer with a terminating NUL, CR LF line
// ends turned into LF; nullptr for a null path, an unreadable or empty
// file. The caller delete[]s it.
char* ReadShaderFile(const char* path);
// The same for a file image in memory (null when size is 0).
char* ShaderTextFromBytes(const unsigned char* data, size_t size);
// Largest shader source read: the engine's own programs are under 1 KiB.
constexpr size_t kMaxShaderFile = size_t{1} << 20;
// Writes the GL object's info log to the engine log when it is not empty.
void LogShaderInfo(unsigned int object);

// Shows a modal message box with the text and caption (when a real display
// is present) and always writes both to stderr. Never blocks a headless run.
// With CORVANE_NO_MESSAGEBOX=1 in the environment no box is shown and the
// error goes to stderr and the engine log. SIGINT and SIGTERM while a box
// is up run the shutdown sequence and end the process.
void PlatformMessageBox(const char* text, const char* caption);
// UTF-8 form of a Windows-1251 text (window titles, message boxes).
std::string Utf8FromCp1251(const char* text);

struct SDL_Window;
union SDL_Event;

// Engine core internals shared by the loop, the GL start-up and the
// screenshot writer (white-box tests reach them too).
namespace core {
// The game's init callback as given to StartEngine; may be null.
extern void (*InitCallback)();
// The log file AddToLog appends to (SetLogFile; "EngineLog.txt" by default).
const char* LogPath();
// Deletes the log file so it holds one run. Only a regular file or a link
// is removed: a log pointed at a device such as /dev/null stays untouched.
void StartNewLog();
// Asks the loop to end at its next turn (nothing further is dispatched).
void PostQuit();
bool QuitPosted();
// One frame: DrawScene, then the FPS count. DrawScene: clear, identity
// model-view, render callback.
void DrawFrame();
void DrawScene();
// Writes w x h packed RGB rows, bottom row first, as the next
// "Screen<N>.tga" (Screenshot.cpp); the rows are turned to BGR in place.
void WriteShot(unsigned char* rgb, int w, int h);
// Counts a frame; about once a second copies the count into _FPS and
// opens the screenshot gate.
void UpdateFPS();
// Viewport and 45-degree projection for a new client size (height 0 -> 1).
void ResizeScene(int width, int height);
// Windows virtual-key code for an SDL key code, -1 for keys not tracked.
// Keys with no Latin symbol fall back to their scancode's place; keypad
// keys give digits with NumLock on and navigation codes with it off.
int VirtualKeyFromSdl(int sdlKey, int scancode = 0, bool numLock = true);
// The logical screen inside the window (LogicalScreen.cpp). UpdateDisplay
// reads the window's drawable size and places the logical picture in it (as
// large as fits, aspect kept, centred); when the sizes differ frames are
// drawn straight into that box at the drawable's resolution. ClearFrame
// clears a frame (the bars black, the box in the clear colour). DeferShot
// is true when a screenshot must wait for TakePendingShot, which draws that
// frame at the logical size after the tick and writes it. ScaleRgb scales
// packed RGB rows (mean of the covered pixels). DropShotBuffer deletes the
// shot buffer (a context must be current); ResetDisplay forgets everything
// once the context is gone; SetShotBufferAllowed(false) makes shots take
// the path of a driver without off-screen buffers (tests). MouseToLogical
// maps window coordinates to logical pixels.
void UpdateDisplay(SDL_Window* window);
void ClearFrame();
bool DeferShot();
void TakePendingShot();
void ScaleRgb(const unsigned char* src, int sw, int sh, unsigned char* dst, int dw, int dh);
void DropShotBuffer();
void ResetDisplay();
void SetShotBufferAllowed(bool allowed);
void MouseToLogical(SDL_Window* window, int x, int y, int* lx, int* ly);
// Calls Draw / Process / Click on the active menu when one is shown.
void ActiveMenuDraw();
void ActiveMenuProcess();
void ActiveMenuClick();
// Input sources (Input.cpp): keyboard keys are sources 0..255 by their
// virtual-key code; each pad slot has its buttons and then two directions
// per axis. SourceDown / SourceUp press and release a source (a repeated
// press is nothing new); InputAfterTick lets waiting releases take effect
// after each tick; ResetInputState forgets what is held (a new run);
// FocusChanged pauses or resumes on focus loss when asked to.
int KeySource(int vk);
int PadSource(int slot, int index);
int PadAxisSourceIndex(int axis, int direction);
bool SourceHeld(int source);
void SourceDown(int source);
void SourceUp(int source);
void InputAfterTick();
void ResetInputState();
void FocusChanged(bool gained);
// Pads (Gamepad.cpp): OpenPads starts SDL's game-controller layer (pads
// then arrive as plug-in events); PadEvent handles a pad event and is
// false for any other event; ClosePads releases and closes every pad.
void OpenPads();
bool PadEvent(const SDL_Event& e);
void ClosePads();
// The engine window (null outside a run), for the window-level calls.
SDL_Window* GameWindow();
// Applies the remembered icon to a new window (WindowIcon.cpp).
void ApplyWindowIcon(SDL_Window* window);
// The icon's kept pixels (RGBA, top row first), null when none.
const unsigned char* WindowIconPixels(int* width, int* height);
// Notes the window's full-screen state and, in a window, its size, for
// IsFullScreen and GetWindowSize (Engine.cpp).
void NoteWindowState(SDL_Window* window);
}  // namespace core

#endif

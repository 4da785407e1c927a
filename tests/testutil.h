// Shared helpers for the tests and the test tools: the one OpenGL context
// opener (SDL's offscreen driver on Mesa), file helpers and the data tree.
// Pictures (TGA builder, PNG saver) are in Pictures.h and the game's world
// builders in World.h, both in tests/support.
#ifndef CORVANE_TESTUTIL_H
#define CORVANE_TESTUTIL_H

#include <cstdint>
#include <string>
#include <vector>

namespace testutil {

// Opens a hidden SDL window with an OpenGL compatibility context of the
// given size (32-bit colour, 16-bit depth, double buffer) and makes it
// current. Returns false when no context can be had.
bool OpenContext(int width = 256, int height = 256);
// Deletes the context and the window opened by OpenContext.
void CloseContext();

// Whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& bytes);
void RemoveFile(const std::string& path);

// Lines of ./EngineLog.txt (CR LF separated) without their time stamps.
std::vector<std::string> LogMessages();

// Colour of one pixel of the current read buffer, y counted from the top of
// a frame `height` pixels high.
struct Pixel {
  int r, g, b;
};
Pixel ReadPixel(int x, int yFromTop, int height);

// Queues a key event (SDL_KEYDOWN or SDL_KEYUP) for `key` with the
// modifier state `mod`, as the keyboard would.
void PushKey(uint32_t type, int32_t key, uint16_t mod = 0);

// Makes "data" in the working directory point at the generated data tree
// of the build, so game code finds "data/..." as it does when started.
void LinkDataDir();

// A GL entry point of the current context by name (null when the driver
// lacks it). Calls past GL 1.1 are loaded this way: not every GL library
// exports them (Windows' opengl32 does not).
void* GlProcAddress(const char* name);
template <typename F>
F GlProc(const char* name) {
  return reinterpret_cast<F>(GlProcAddress(name));
}

}  // namespace testutil

#endif

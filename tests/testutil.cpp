// The shared test helpers declared in testutil.h.
#include "testutil.h"

#include <GL/gl.h>
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "TestPlatform.h"

namespace testutil {

// Every test runs headless: OpenGL on SDL's offscreen driver, sound on
// OpenAL Soft's null backend, unless the caller chose otherwise.
static const bool g_headless_env = [] {
#if !defined(_WIN32)
  // SDL's offscreen driver has no OpenGL on Windows: the windows driver's
  // hidden windows serve there.
  testos::SetEnv("SDL_VIDEODRIVER", "offscreen", false);
#endif
  testos::SetEnv("ALSOFT_DRIVERS", "null", false);
  testos::SetEnv("SDL_AUDIODRIVER", "dummy", false);
  return true;
}();

static SDL_Window* g_window = nullptr;
static SDL_GLContext g_context = nullptr;

bool OpenContext(int width, int height) {
  if (g_context) return true;
#if !defined(_WIN32)
  if (!SDL_getenv("SDL_VIDEODRIVER")) SDL_setenv("SDL_VIDEODRIVER", "offscreen", 1);
#endif
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  g_window = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!g_window) return false;
  g_context = SDL_GL_CreateContext(g_window);
  if (!g_context) return false;
  return SDL_GL_MakeCurrent(g_window, g_context) == 0;
}

void CloseContext() {
  if (g_context) SDL_GL_DeleteContext(g_context);
  if (g_window) SDL_DestroyWindow(g_window);
  g_context = nullptr;
  g_window = nullptr;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

std::vector<std::string> LogMessages() {
  const std::string log = ReadFile("EngineLog.txt");
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < log.size()) {
    size_t end = log.find("\r\n", pos);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(pos, end - pos);
    out.push_back(line.size() >= 9 ? line.substr(9) : line);
    pos = end + 2;
  }
  return out;
}

Pixel ReadPixel(int x, int yFromTop, int height) {
  unsigned char p[4] = {};
  glReadPixels(x, height - 1 - yFromTop, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

void PushKey(uint32_t type, int32_t key, uint16_t mod) {
  SDL_Event e{};
  e.type = type;
  e.key.keysym.sym = key;
  e.key.keysym.mod = mod;
  SDL_PushEvent(&e);
}

void* GlProcAddress(const char* name) { return SDL_GL_GetProcAddress(name); }

void LinkDataDir() {
  if (!testos::LinkFolder(TEST_BINARY_DIR "/data", "data")) perror("link data");
}

}  // namespace testutil

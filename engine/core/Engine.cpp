// Core: the engine's frame. StartEngine, the window with its GL context
// (the sound device is opened beside it), the steps of a loop turn (a 20 ms
// game tick, event dispatch, a frame), the input globals and the shutdown
// sequence. When ticks and frames run is decided in Loop.cpp.
//
// The platform layer is SDL2. Everything runs on the thread that called
// StartEngine: the loop keeps its own monotonic tick schedule instead of a
// timer thread, so ticks arrive at 50 a second however fast or slow the
// frames are drawn.
//
// The game draws at its logical size (the one given to StartEngine) whatever
// the window or desktop is; LogicalScreen.cpp scales that picture into the
// window at every swap.
#include "Internal.h"
#include "Cp1251.h"
#include "core/Loop.h"
#include "platform/Platform.h"

#include <GL/glu.h>
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstring>
#include <string>

// ------------------------------------------------------------ exported state
int _keys[256];
int _MousePosX = 0;
int _MousePosY = 0;
bool _MouseButton[3];
float _FPS = 0.0f;
int _Zarn_ScreenWidth = 0;
int _Zarn_ScreenHeight = 0;
bool _GameOn = true;
bool _ScreenPause = false;

namespace core {
void (*InitCallback)() = nullptr;
}

namespace {

SDL_Window* g_window = nullptr;
SDL_GLContext g_context = nullptr;
bool g_fullScreen = false;
bool g_finishAfterSwap = false;  // the driver's swap does not wait for the GL work
int g_windowWidth = 0;           // windowed size asked for; 0: the logical size
int g_windowHeight = 0;
int g_lastWindowWidth = 0;  // the windowed size last seen, to be remembered by the game
int g_lastWindowHeight = 0;
bool g_quitPosted = false;
bool g_shutdownDone = false;
bool g_running = false;  // between window creation and the end of the loop

void (*g_process)() = nullptr;
void (*g_render)() = nullptr;

float g_frameCount = 0.0f;
double g_lastFpsUpdate = 0.0;

// Seconds on the loop's monotonic clock (which counts from system start),
// whole milliseconds like the tick counter the frame counting is built on.
// Kept in double so the one-second interval stays exact however long the
// machine has been up.
double SecondsSinceBoot() {
  const long long ms = core::LoopNow() / 1000000;
  return static_cast<double>(ms) * 0.001;
}

// ------------------------------------------------------------ input latches
// A key or button that goes down and up between two ticks would never be
// seen by the game, which reads the globals once per tick. A press is
// therefore latched: its entry stays set until the next tick has run, and a
// release that comes before that tick takes effect just after it. Keys and
// pads go through their bindings in Input.cpp; the mouse buttons are here.
bool g_buttonHeld[3];
bool g_buttonLatched[3];

void PressKey(int vk) { core::SourceDown(core::KeySource(vk)); }
void ReleaseKey(int vk) { core::SourceUp(core::KeySource(vk)); }

// After each tick: releases that waited for it take effect.
void ClearLatches() {
  core::InputAfterTick();
  for (int b = 0; b < 3; ++b) {
    if (!g_buttonLatched[b]) continue;
    g_buttonLatched[b] = false;
    if (!g_buttonHeld[b]) _MouseButton[b] = false;
  }
}

void ResetInput() {
  core::ResetInputState();
  for (int b = 0; b < 3; ++b) g_buttonHeld[b] = g_buttonLatched[b] = false;
}

// Alt, F10 and anything pressed while Alt is held belong to the system's
// own handling (menus, window manager shortcuts), not to the game.
bool IsSystemKey(SDL_Keycode key, Uint16 mod) {
  return (mod & KMOD_ALT) != 0 || key == SDLK_LALT || key == SDLK_RALT || key == SDLK_F10;
}

}  // namespace

// Window titles and message boxes take UTF-8; the engine's texts are
// Windows-1251.
std::string Utf8FromCp1251(const char* text) { return cp1251::ToUtf8(text); }

namespace {

// Deletes the GL context (if any) without logging; used after the loop
// when start-up failed and the shutdown sequence never ran.
void DropContext() {
  cgl::ContextAlive = false;
  if (g_context) {
    SDL_GL_MakeCurrent(g_window, nullptr);
    SDL_GL_DeleteContext(g_context);
    g_context = nullptr;
  }
}

// The window-creation step: runs with the window still hidden. A failure
// logs its line and posts the quit request; the window stays.
void CreateStep() {
  core::StartNewLog();
  AddToLog(RU("Движок CorvaneEngine %d.%d.%d"), CORVANE_VERSION_MAJOR, CORVANE_VERSION_MINOR,
           CORVANE_VERSION_PATCH);

  if (!(SDL_GetWindowFlags(g_window) & SDL_WINDOW_OPENGL)) {
    AddToLog(RU("Ошибка. Не найден нужный формат пикселей."));
    core::PostQuit();
    return;
  }
  g_context = SDL_GL_CreateContext(g_window);
  if (!g_context) {
    AddToLog(RU("Ошибка создания конекста GL."));
    core::PostQuit();
    return;
  }
  if (SDL_GL_MakeCurrent(g_window, g_context) != 0) {
    AddToLog(RU("Ошибка активанции контекста GLRC."));
    core::PostQuit();
    return;
  }
  // The frame buffer must have at least the depth asked for. (Double
  // buffering is not checked: offscreen drivers report single buffering.)
  int depth = 0;
  if (SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth) != 0 || depth < 16) {
    AddToLog(RU("Ошибка установки формата пикселей"));
    core::PostQuit();
    return;
  }

  OpenSoundDevice();

  // The game sees its logical size whatever the window is.
  InitGL(_Zarn_ScreenWidth, _Zarn_ScreenHeight);
}

// The shutdown sequence; runs at most once per engine run.
void Shutdown() {
  if (g_shutdownDone || !g_running) return;
  g_shutdownDone = true;

  AddToLog(RU("Завершение работы движка."));
  // The player sees the game end at once; the release below takes a while.
  if (g_window) SDL_HideWindow(g_window);
  AddToLog(RU("Освобождение шейдеров."));
  if (cgl::ContextAlive && cgl::glDeleteObjectARB) {
    const int last = _MaxFreeShaders < 2047 ? _MaxFreeShaders : 2047;
    for (int i = 0; i <= last; ++i) cgl::glDeleteObjectARB(_FreeShaders[i]);
  }
  if (g_fullScreen && g_window) {
    SDL_SetWindowFullscreen(g_window, 0);
    SDL_ShowCursor(SDL_ENABLE);
  }
  AddToLog(RU("Освобождено %d текстур"), _MaxFreeTextures + 1);
  AddToLog(RU("Освобождено %d шейдеров"), (_MaxFreeShaders + 1) / 3);

  AddToLog(RU("Убили таймер"));

  CloseSoundDevice();
  AddToLog(RU("Освободили DirectSound"));

  if (cgl::ContextAlive) core::DropScaleBuffer();
  cgl::ContextAlive = false;
  if (g_context) SDL_GL_MakeCurrent(g_window, nullptr);
  AddToLog(RU("Сменили hDC контекст"));
  if (g_context) SDL_GL_DeleteContext(g_context);
  g_context = nullptr;
  AddToLog(RU("Удалили hRC контекст"));
  AddToLog(RU("Освободили основной контекст."));

  core::PostQuit();
  AddToLog("----------------------------------------------------\n");
}

void SetMouseButton(Uint8 button, bool down) {
  int b = -1;
  if (button == SDL_BUTTON_LEFT)
    b = 0;
  else if (button == SDL_BUTTON_MIDDLE)
    b = 1;
  else if (button == SDL_BUTTON_RIGHT)
    b = 2;
  if (b < 0) return;
  g_buttonHeld[b] = down;
  if (down) {
    _MouseButton[b] = true;
    g_buttonLatched[b] = true;
  } else if (!g_buttonLatched[b]) {
    _MouseButton[b] = false;
  }
  if (b == 0 && !down) core::ActiveMenuClick();
}

}  // namespace

void core::RunTick() {
  if (_GameOn && g_process) g_process();
  core::ActiveMenuProcess();
  ClearLatches();
}

void core::DispatchEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN: {
      if (IsSystemKey(e.key.keysym.sym, e.key.keysym.mod)) break;
      const bool numLock = (e.key.keysym.mod & KMOD_NUM) != 0;
      const int vk = core::VirtualKeyFromSdl(e.key.keysym.sym, e.key.keysym.scancode, numLock);
      if (vk >= 0) PressKey(vk);
      break;
    }
    case SDL_KEYUP: {
      // Always honoured, so a key released while Alt is down never sticks.
      // Keypad keys are released under both of their NumLock codes.
      const bool numLock = (e.key.keysym.mod & KMOD_NUM) != 0;
      const int vk = core::VirtualKeyFromSdl(e.key.keysym.sym, e.key.keysym.scancode, numLock);
      if (vk >= 0) ReleaseKey(vk);
      const int other = core::VirtualKeyFromSdl(e.key.keysym.sym, e.key.keysym.scancode, !numLock);
      if (other >= 0 && other != vk) ReleaseKey(other);
      break;
    }
    case SDL_MOUSEMOTION: {
      int x = 0, y = 0;
      core::MouseToLogical(g_window, e.motion.x, e.motion.y, &x, &y);
      _MousePosX = static_cast<int>(static_cast<Uint32>(x) & 0xFFFFu);
      _MousePosY = static_cast<int>(static_cast<Uint32>(y) & 0xFFFFu);
      break;
    }
    case SDL_MOUSEBUTTONDOWN: SetMouseButton(e.button.button, true); break;
    case SDL_MOUSEBUTTONUP: SetMouseButton(e.button.button, false); break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        core::UpdateDisplay(g_window);
        core::NoteWindowState(g_window);
      } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST ||
                 e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        core::FocusChanged(e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED);
      } else if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
        Shutdown();
      }
      break;
    case SDL_QUIT: Shutdown(); break;
    default: core::PadEvent(e); break;
  }
}

void core::DrawAndSwap() {
  core::DrawFrame();
  if (g_quitPosted) return;
  core::ActiveMenuDraw();
  if (!cgl::ContextAlive) return;
  core::PresentScaled();
  core::SwapAndTime(g_window, g_finishAfterSwap);
  core::RebindScaleBuffer();
}

SDL_Window* core::GameWindow() { return g_window; }

namespace {

// Releases whatever is left once the loop has ended (start-up failures skip
// the shutdown sequence) so the process, or a later run, starts clean.
void ReleasePlatform() {
  core::ClosePads();
  CloseSoundDevice();
  if (cgl::ContextAlive) core::DropScaleBuffer();
  DropContext();
  core::ResetScaler();
  if (g_window) SDL_DestroyWindow(g_window);
  g_window = nullptr;
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  g_running = false;
}

// True when SDL fell back to a driver that shows nothing although the user
// asked for no such driver: the game would run unseen until killed.
bool NoRealDisplay() {
  if (SDL_GetHint(SDL_HINT_VIDEODRIVER)) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  return !driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

}  // namespace

namespace core {

void PostQuit() { g_quitPosted = true; }
bool QuitPosted() { return g_quitPosted; }

void UpdateFPS() {
  const double now = SecondsSinceBoot();
  g_frameCount += 1.0f;
  if (now - g_lastFpsUpdate > 1.0) {
    _ScreenPause = true;
    g_lastFpsUpdate = now;
    _FPS = g_frameCount;
    g_frameCount = 0.0f;
  }
}

void DrawFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  if (g_render) g_render();
  UpdateFPS();
}

void ResizeScene(int width, int height) {
  if (height == 0) height = 1;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height),
                 static_cast<double>(0.1f), 100.0);
  glMatrixMode(GL_MODELVIEW);
}

}  // namespace core

namespace {

// Fresh state for a new run: the game's callbacks, no quit asked for, the
// tick clock stopped, the frame counter and the input latches cleared.
void ResetRunState(void (*process)(), void (*init)(), void (*render)()) {
  g_process = process;
  g_render = render;
  core::InitCallback = init;
  g_quitPosted = false;
  g_shutdownDone = false;
  g_frameCount = 0.0f;
  g_lastFpsUpdate = 0.0;
  ResetInput();
}

// Starts SDL's video; false (logged, video shut again) when it fails or
// when there is no display to show the game on.
bool OpenVideo() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    AddToLog(RU("Ошибка регистрации класса окна."));
    return false;
  }
  platform::CatchStopRequests();
  if (NoRealDisplay()) {
    std::fprintf(stderr,
                 "No display to show the game on (no X11 or Wayland session found); "
                 "set DISPLAY, or SDL_VIDEODRIVER=offscreen to run without one.\n");
    AddToLog(RU("Ошибка создания окна."));
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  g_finishAfterSwap = driver && std::strcmp(driver, "offscreen") == 0;
  core::OpenPads();
  return true;
}

// 32-bit colour, 16-bit depth, double buffer; the engine draws with the
// fixed-function pipeline, so the context is a compatibility one.
void RequestContextFormat() {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

// Makes the hidden window. Full screen keeps the desktop's own mode (no
// mode switch: many displays refuse the logical size); a window is
// resizable. Either way the logical picture is scaled into it. False
// (logged, video shut) when no window can be made.
bool CreateGameWindow(bool fullScreen, int width, int height, const char* caption) {
  g_fullScreen = fullScreen;
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (fullScreen)
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  else
    flags |= SDL_WINDOW_RESIZABLE;
  int windowWidth = g_windowWidth > 0 ? g_windowWidth : width;
  int windowHeight = g_windowHeight > 0 ? g_windowHeight : height;
  SDL_DisplayMode desktop{};
  if (fullScreen && SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0 && desktop.h > 0) {
    // Sized as the desktop from the start, so the window covers it even
    // where no window manager applies the full-screen state.
    windowWidth = desktop.w;
    windowHeight = desktop.h;
  }
  const std::string title = Utf8FromCp1251(caption);
  g_window =
      SDL_CreateWindow(title.c_str(), 0, 0, windowWidth, windowHeight, flags | SDL_WINDOW_OPENGL);
  // No GL-capable visual: the window is still made, and the create step
  // reports the missing pixel format.
  if (!g_window) g_window = SDL_CreateWindow(title.c_str(), 0, 0, windowWidth, windowHeight, flags);
  if (!g_window) {
    AddToLog(RU("Ошибка создания окна."));
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  if (fullScreen) SDL_ShowCursor(SDL_DISABLE);
  core::ApplyWindowIcon(g_window);
  core::NoteWindowState(g_window);
  return true;
}

}  // namespace

int StartEngine(void* hInstance, void* hPrevInstance, const char* cmdLine, int nCmdShow,
                void (*process)(), void (*init)(), void (*render)(), bool fullScreen, bool reserved,
                int width, int height, const char* caption) {
  (void)hInstance;
  (void)hPrevInstance;
  (void)cmdLine;
  (void)nCmdShow;
  (void)reserved;
  if (g_running) return 0;  // one engine per process at a time

  _Zarn_ScreenWidth = width;
  _Zarn_ScreenHeight = height;
  AddToLog(RU("Старт движка"));
  ResetRunState(process, init, render);

  if (!OpenVideo()) return 0;
  RequestContextFormat();
  if (!CreateGameWindow(fullScreen, width, height, caption)) return 0;
  g_running = true;

  CreateStep();

  SDL_ShowWindow(g_window);
  SDL_RaiseWindow(g_window);
  if (!g_quitPosted) core::UpdateDisplay(g_window);

  core::RunLoop();
  ReleasePlatform();
  return 1;
}

void QuiteEngine() { Shutdown(); }

void SetWindowSize(int width, int height) {
  if (width <= 0 || height <= 0) width = height = 0;
  g_windowWidth = width;
  g_windowHeight = height;
  if (width > 0) {
    g_lastWindowWidth = width;
    g_lastWindowHeight = height;
  }
  if (!g_window || g_fullScreen) return;
  SDL_SetWindowSize(g_window, width > 0 ? width : _Zarn_ScreenWidth,
                    height > 0 ? height : _Zarn_ScreenHeight);
  core::UpdateDisplay(g_window);
}

void ChangeWindowCaption(const char* text) {
  if (g_window) SDL_SetWindowTitle(g_window, Utf8FromCp1251(text).c_str());
}

// ------------------------------------------------------------ window state

// The size a windowed window has now is the one to remember; a full-screen
// window keeps the last windowed size.
void core::NoteWindowState(SDL_Window* window) {
  if (!window) return;
  g_fullScreen = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
  if (g_fullScreen) return;
  SDL_GetWindowSize(window, &g_lastWindowWidth, &g_lastWindowHeight);
}

void GetWindowSize(int* width, int* height) {
  if (width) *width = g_lastWindowWidth;
  if (height) *height = g_lastWindowHeight;
}

bool IsFullScreen() { return g_fullScreen; }

void SetFullScreen(bool on) {
  if (!g_window || !g_running || g_shutdownDone || on == g_fullScreen) return;
  SDL_SetWindowFullscreen(g_window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  g_fullScreen = on;
  SDL_ShowCursor(on ? SDL_DISABLE : SDL_ENABLE);
  // Back in a window: the last windowed size, else the logical size.
  if (!on)
    SDL_SetWindowSize(g_window, g_lastWindowWidth > 0 ? g_lastWindowWidth : _Zarn_ScreenWidth,
                      g_lastWindowWidth > 0 ? g_lastWindowHeight : _Zarn_ScreenHeight);
  core::UpdateDisplay(g_window);
}

void PauseGame() { _GameOn = false; }
void ResumeGame() { _GameOn = true; }
void ShowMenu(int index) { _ActiveMenu = index; }

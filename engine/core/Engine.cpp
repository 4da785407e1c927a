// The engine's frame: StartEngine, the window with its GL context and sound
// device, the loop with its two clocks (a 20 ms game tick and a frame drawn
// whenever no event waits), the input globals and the shutdown sequence.
//
// The platform layer is SDL2. The tick timer runs on SDL's timer thread and
// only pushes an event into the one queue, at most one at a time, so all
// game code runs on the thread that called StartEngine, one step at a time.
#include "Internal.h"
#include "Cp1251.h"

#include <GL/glu.h>
#include <SDL2/SDL.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
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
TSoundDevice* _dsound = nullptr;

namespace core {
void (*InitCallback)() = nullptr;
}

namespace {

const char* const kLogName = "EngineLog.txt";
const Uint32 kTickMs = 20;

SDL_Window* g_window = nullptr;
SDL_GLContext g_context = nullptr;
SDL_TimerID g_timer = 0;
Uint32 g_tickEvent = static_cast<Uint32>(-1);
std::atomic<bool> g_tickPending{false};
bool g_fullScreen = false;
bool g_quitPosted = false;
bool g_shutdownDone = false;
bool g_running = false;  // between window creation and the end of the loop

void (*g_process)() = nullptr;
void (*g_render)() = nullptr;

float g_frameCount = 0.0f;
double g_lastFpsUpdate = 0.0;

// Seconds since system start, like the millisecond tick counter the frame
// counting is built on. Kept in double so the one-second interval stays
// exact however long the machine has been up.
double SecondsSinceBoot() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const unsigned long long ms =
      static_cast<unsigned long long>(ts.tv_sec) * 1000ull + static_cast<unsigned long long>(ts.tv_nsec) / 1000000ull;
  return static_cast<double>(ms) * 0.001;
}

// Runs on SDL's timer thread: queue one tick unless one is still waiting,
// so a slow frame never produces a burst of ticks afterwards.
Uint32 TickTimer(Uint32 interval, void*) {
  bool expected = false;
  if (g_tickPending.compare_exchange_strong(expected, true)) {
    SDL_Event e{};
    e.type = g_tickEvent;
    if (SDL_PushEvent(&e) <= 0) g_tickPending = false;
  }
  return interval;
}

}  // namespace

// Window titles and message boxes take UTF-8; the engine's texts are
// Windows-1251.
std::string Utf8FromCp1251(const char* text) {
  static const unsigned short kHigh[64] = {
      0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
      0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x003F, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
      0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
      0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
      0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};
  std::string out;
  if (!text) return out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    unsigned cp = *p;
    if (cp >= 0xC0) cp = 0x410 + (cp - 0xC0);
    else if (cp >= 0x80) cp = kHigh[cp - 0x80];
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

namespace {

void OpenSoundDevice() {
  ALCdevice* device = alcOpenDevice(nullptr);
  if (!device) {
    AddToLog(RU("Звуковое устройство не найдено, игра идёт без звука."));
    return;
  }
  ALCcontext* context = alcCreateContext(device, nullptr);
  if (!context || !alcMakeContextCurrent(context)) {
    if (context) alcDestroyContext(context);
    alcCloseDevice(device);
    AddToLog(RU("Звуковое устройство не найдено, игра идёт без звука."));
    return;
  }
  _dsound = new TSoundDevice;
  _dsound->device = device;
  _dsound->context = context;
}

void CloseSoundDevice() {
  if (!_dsound) return;
  ReleaseSoundBuffers();
  alcMakeContextCurrent(nullptr);
  if (_dsound->context) alcDestroyContext(_dsound->context);
  if (_dsound->device) alcCloseDevice(_dsound->device);
  delete _dsound;
  _dsound = nullptr;
}

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
  std::remove(kLogName);

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

  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(g_window, &width, &height);
  InitGL(width, height);
}

// The shutdown sequence; runs at most once per engine run.
void Shutdown() {
  if (g_shutdownDone || !g_running) return;
  g_shutdownDone = true;

  AddToLog(RU("Завершение работы движка."));
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

  if (g_timer) SDL_RemoveTimer(g_timer);
  g_timer = 0;
  AddToLog(RU("Убили таймер"));

  CloseSoundDevice();
  AddToLog(RU("Освободили DirectSound"));

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
  if (button == SDL_BUTTON_LEFT) {
    _MouseButton[0] = down;
    if (!down) core::ActiveMenuClick();
  } else if (button == SDL_BUTTON_MIDDLE) {
    _MouseButton[1] = down;
  } else if (button == SDL_BUTTON_RIGHT) {
    _MouseButton[2] = down;
  }
}

void Tick() {
  if (_GameOn && g_process) g_process();
  core::ActiveMenuProcess();
}

void Dispatch(const SDL_Event& e) {
  if (e.type == g_tickEvent) {
    g_tickPending = false;
    Tick();
    return;
  }
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const int vk = core::VirtualKeyFromSdl(e.key.keysym.sym);
      if (vk >= 0) _keys[vk] = e.type == SDL_KEYDOWN ? 1 : 0;
      break;
    }
    case SDL_MOUSEMOTION:
      _MousePosX = static_cast<int>(static_cast<Uint32>(e.motion.x) & 0xFFFFu);
      _MousePosY = static_cast<int>(static_cast<Uint32>(e.motion.y) & 0xFFFFu);
      break;
    case SDL_MOUSEBUTTONDOWN:
      SetMouseButton(e.button.button, true);
      break;
    case SDL_MOUSEBUTTONUP:
      SetMouseButton(e.button.button, false);
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        if (cgl::ContextAlive) core::ResizeScene(e.window.data1, e.window.data2);
      } else if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
        Shutdown();
      }
      break;
    case SDL_QUIT:
      Shutdown();
      break;
    default:
      break;
  }
}

void RunLoop() {
  SDL_Event e;
  for (;;) {
    if (g_quitPosted) return;
    if (SDL_PollEvent(&e)) {
      Dispatch(e);
      continue;
    }
    core::DrawFrame();
    if (g_quitPosted) return;
    core::ActiveMenuDraw();
    if (cgl::ContextAlive) SDL_GL_SwapWindow(g_window);
  }
}

// Releases whatever is left once the loop has ended (start-up failures skip
// the shutdown sequence) so the process, or a later run, starts clean.
void ReleasePlatform() {
  if (g_timer) SDL_RemoveTimer(g_timer);
  g_timer = 0;
  CloseSoundDevice();
  DropContext();
  if (g_window) SDL_DestroyWindow(g_window);
  g_window = nullptr;
  SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
  g_running = false;
  g_tickPending = false;
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

int VirtualKeyFromSdl(int key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return key;
  if (key >= SDLK_F1 && key <= SDLK_F12) return 112 + (key - SDLK_F1);
  switch (key) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return 16;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return 17;
    case SDLK_LALT:
    case SDLK_RALT: return 18;
    case SDLK_PAUSE: return 19;
    case SDLK_ESCAPE: return 27;
    case SDLK_SPACE: return 32;
    case SDLK_PAGEUP: return 33;
    case SDLK_PAGEDOWN: return 34;
    case SDLK_END: return 35;
    case SDLK_HOME: return 36;
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    case SDLK_INSERT: return 45;
    case SDLK_DELETE: return 46;
    default: return -1;
  }
}

}  // namespace core

int StartEngine(void* hInstance, void* hPrevInstance, char* cmdLine, int nCmdShow,
                void (*process)(), void (*init)(), void (*render)(), bool fullScreen,
                bool reserved, int width, int height, const char* caption) {
  (void)hInstance;
  (void)hPrevInstance;
  (void)cmdLine;
  (void)nCmdShow;
  (void)reserved;
  if (g_running) return 0;  // one engine per process at a time

  _Zarn_ScreenWidth = width;
  _Zarn_ScreenHeight = height;
  AddToLog(RU("Старт движка"));

  g_process = process;
  g_render = render;
  core::InitCallback = init;
  g_quitPosted = false;
  g_shutdownDone = false;
  g_tickPending = false;
  g_frameCount = 0.0f;
  g_lastFpsUpdate = 0.0;

  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
    AddToLog(RU("Ошибка регистрации класса окна."));
    return 0;
  }
  if (g_tickEvent == static_cast<Uint32>(-1)) g_tickEvent = SDL_RegisterEvents(1);
  if (g_tickEvent == static_cast<Uint32>(-1)) {
    AddToLog(RU("Ошибка регистрации класса окна."));
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
    return 0;
  }

  // 32-bit colour, 16-bit depth, double buffer; the engine draws with the
  // fixed-function pipeline, so the context is a compatibility one.
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

  g_fullScreen = fullScreen;
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (fullScreen) flags |= SDL_WINDOW_FULLSCREEN;
  const std::string title = Utf8FromCp1251(caption);
  g_window = SDL_CreateWindow(title.c_str(), 0, 0, width, height, flags | SDL_WINDOW_OPENGL);
  // No GL-capable visual: the window is still made, and the create step
  // reports the missing pixel format.
  if (!g_window) g_window = SDL_CreateWindow(title.c_str(), 0, 0, width, height, flags);
  if (!g_window) {
    AddToLog(RU("Ошибка создания окна."));
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
    return 0;
  }
  if (fullScreen) {
    SDL_DisplayMode mode{};
    mode.format = SDL_PIXELFORMAT_RGB888;
    mode.w = width;
    mode.h = height;
    SDL_SetWindowDisplayMode(g_window, &mode);  // a refused mode is ignored
    SDL_ShowCursor(SDL_DISABLE);
  }
  g_running = true;

  CreateStep();

  SDL_ShowWindow(g_window);
  SDL_RaiseWindow(g_window);
  if (cgl::ContextAlive && !g_quitPosted) {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(g_window, &w, &h);
    core::ResizeScene(w, h);
  }
  if (!g_quitPosted) g_timer = SDL_AddTimer(kTickMs, TickTimer, nullptr);

  RunLoop();
  ReleasePlatform();
  return 1;
}

void QuiteEngine() { Shutdown(); }

void ChangeWindowCaption(const char* text) {
  if (g_window) SDL_SetWindowTitle(g_window, Utf8FromCp1251(text).c_str());
}

void PauseGame() { _GameOn = false; }
void ResumeGame() { _GameOn = true; }
void ShowMenu(int index) { _ActiveMenu = index; }

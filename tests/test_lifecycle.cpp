// Whole engine runs through StartEngine on the offscreen driver, driven and
// ended by test callbacks.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "Cp1251.h"
#include "Internal.h"
#include "testutil.h"

namespace {

using Clock = std::chrono::steady_clock;
const char* const kLog = "EngineLog.txt";

using testutil::LogMessages;

int Count(const std::vector<std::string>& lines, const std::string& text) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), text));
}

// What the callbacks of one run saw.
struct TRun {
  int inits = 0;
  int ticks = 0;
  int frames = 0;
  int ticksBeforeInit = 0;
  int framesAfterQuit = 0;
  int ticksAfterQuit = 0;
  bool quit = false;
  int quitAtTick = 50;
  Clock::time_point start, end;
  int texturesAtQuit = 0;
  int shadersAtQuit = 0;
  bool soundDuringRun = false;
  // pause scenario
  bool pauseScenario = false;
  int pausedAtTick = -1;
  int framesWhilePaused = 0;
  int ticksWhilePaused = 0;
  Clock::time_point pausedAt;
} g_run;

void Reset() {
  g_run = TRun();
  testutil::RemoveFile(kLog);
  for (int& k : _keys) k = 0;
  _GameOn = true;
  _ActiveMenu = -1;
}

void Init() {
  g_run.inits++;
  g_run.start = Clock::now();
}

void Quit() {
  g_run.texturesAtQuit = _MaxFreeTextures;
  g_run.shadersAtQuit = _MaxFreeShaders;
  g_run.end = Clock::now();
  g_run.quit = true;
  QuiteEngine();
  QuiteEngine();  // a second close must not run the sequence again
}

void Process() {
  if (g_run.quit) {
    g_run.ticksAfterQuit++;
    return;
  }
  if (g_run.inits == 0) g_run.ticksBeforeInit++;
  g_run.ticks++;
  if (_dsound) g_run.soundDuringRun = true;
  if (g_run.pauseScenario && g_run.ticks == 5) {
    PauseGame();
    g_run.pausedAtTick = g_run.ticks;
    g_run.pausedAt = Clock::now();
  }
  if (g_run.pausedAtTick > 0 && !_GameOn) g_run.ticksWhilePaused++;
  if (g_run.pauseScenario && g_run.ticks == 10) MakeScreenShoot();  // between frames
  if (g_run.ticks == g_run.quitAtTick) {
    Quit();
    MakeScreenShoot();  // same tick after the quit: must do nothing
    _ScreenPause = true;
    MakeScreenShoot();
  }
}

void Render() {
  if (g_run.quit) {
    g_run.framesAfterQuit++;
    return;
  }
  g_run.frames++;
  glClearColor(0.0f, 0.5f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  if (g_run.pausedAtTick > 0 && !_GameOn) {
    g_run.framesWhilePaused++;
    if (Clock::now() - g_run.pausedAt > std::chrono::milliseconds(300)) ResumeGame();
  }
}

int RunEngine(int width = 320, int height = 240) {
  char caption[] = "test";
  return StartEngine(nullptr, nullptr, nullptr, 0, Process, Init, Render, false, false, width,
                     height, caption);
}

class LifecycleTest : public ::testing::Test {
protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    testutil::RemoveFile(kLog);
    testutil::RemoveFile("Screen0.tga");
  }
};

}  // namespace

TEST_F(LifecycleTest, RunsItsTicksWhileFramesAreDrawnThenShutsDownOnce) {
  ASSERT_EQ(RunEngine(), 1);
  EXPECT_EQ(g_run.inits, 1);
  EXPECT_EQ(g_run.ticksBeforeInit, 0);
  EXPECT_EQ(g_run.ticks, 50);
  EXPECT_EQ(g_run.ticksAfterQuit, 0) << "no tick after the quit";
  EXPECT_EQ(g_run.framesAfterQuit, 0) << "no frame after the quit";
  EXPECT_GT(g_run.frames, 10);
  EXPECT_GE(_FPS, 1.0f);
  EXPECT_TRUE(g_run.soundDuringRun);
  EXPECT_EQ(_dsound, nullptr);
  EXPECT_FALSE(cgl::ContextAlive);
  EXPECT_FALSE(FileExists("Screen0.tga"));
  EXPECT_EQ(_Zarn_ScreenWidth, 320);
  EXPECT_EQ(_Zarn_ScreenHeight, 240);

  const std::vector<std::string> lines = LogMessages();
  ASSERT_GE(lines.size(), 15u);
  // The log is deleted at window creation, so it starts with the engine's
  // version, then the GL start-up.
  EXPECT_EQ(lines[0], RU("Движок CorvaneEngine ") + std::to_string(CORVANE_VERSION_MAJOR) + "." +
                          std::to_string(CORVANE_VERSION_MINOR) + "." +
                          std::to_string(CORVANE_VERSION_PATCH));
  EXPECT_EQ(lines[1], RU("Инициализация OpenGL"));
  EXPECT_EQ(Count(lines, RU("Старт движка")), 0);
  EXPECT_EQ(Count(lines, RU("Пользовательская функция инициализации завершена.")), 1);

  char textures[64], shaders[64];
  snprintf(textures, sizeof textures, RU("Освобождено %d текстур"), g_run.texturesAtQuit + 1);
  snprintf(shaders, sizeof shaders, RU("Освобождено %d шейдеров"), (g_run.shadersAtQuit + 1) / 3);
  const std::vector<std::string> expect = {
      RU("Завершение работы движка."),
      RU("Освобождение шейдеров."),
      textures,
      shaders,
      RU("Убили таймер"),
      RU("Освободили DirectSound"),
      RU("Сменили hDC контекст"),
      RU("Удалили hRC контекст"),
      RU("Освободили основной контекст."),
      std::string(52, '-'),
      "",
  };
  const std::vector<std::string> tail(lines.end() - expect.size(), lines.end());
  EXPECT_EQ(tail, expect);
  EXPECT_EQ(Count(lines, RU("Завершение работы движка.")), 1);
  EXPECT_EQ(g_run.shadersAtQuit, 5);
  EXPECT_EQ(std::string(shaders), RU("Освобождено 2 шейдеров"));
}

TEST_F(LifecycleTest, PauseStopsTicksButNotFrames) {
  g_run.pauseScenario = true;
  g_run.quitAtTick = 15;
  ASSERT_EQ(RunEngine(), 1);
  EXPECT_EQ(g_run.pausedAtTick, 5);
  EXPECT_EQ(g_run.ticksWhilePaused, 1) << "only the tick that paused";
  EXPECT_GT(g_run.framesWhilePaused, 5);
  EXPECT_EQ(g_run.ticks, 15);
  EXPECT_TRUE(_GameOn);
  // The shot taken between frames holds the frame last drawn.
  const std::string tga = testutil::ReadFile("Screen0.tga");
  ASSERT_EQ(tga.size(), 18u + 320 * 240 * 3);
  EXPECT_EQ(static_cast<unsigned char>(tga[18]), 255);  // blue
  EXPECT_NEAR(static_cast<unsigned char>(tga[19]), 128, 1);
  EXPECT_EQ(static_cast<unsigned char>(tga[20]), 0);
}

// Input arrives through the same queue as the ticks.
namespace {
int g_inputStep = 0;
bool g_inputOk[8];

using testutil::PushKey;

void InputProcess() {
  SDL_Event e{};
  switch (g_inputStep++) {
    case 0:
      PushKey(SDL_KEYDOWN, SDLK_w);
      PushKey(SDL_KEYDOWN, SDLK_ESCAPE);
      e.type = SDL_MOUSEMOTION;
      e.motion.x = 123;
      e.motion.y = 45;
      SDL_PushEvent(&e);
      e = SDL_Event{};
      e.type = SDL_MOUSEBUTTONDOWN;
      e.button.button = SDL_BUTTON_RIGHT;
      SDL_PushEvent(&e);
      break;
    case 1:
      g_inputOk[0] = _keys['W'] == 1 && _keys[27] == 1 && _keys['S'] == 0;
      g_inputOk[1] = _MousePosX == 123 && _MousePosY == 45;
      g_inputOk[2] = _MouseButton[2] && !_MouseButton[0];
      PushKey(SDL_KEYUP, SDLK_w);
      e.type = SDL_MOUSEBUTTONUP;
      e.button.button = SDL_BUTTON_RIGHT;
      SDL_PushEvent(&e);
      e = SDL_Event{};
      e.type = SDL_MOUSEBUTTONUP;  // left release without a menu
      e.button.button = SDL_BUTTON_LEFT;
      SDL_PushEvent(&e);
      break;
    case 2:
      g_inputOk[3] = _keys['W'] == 0 && _keys[27] == 1 && !_MouseButton[2];
      // The user closes the window.
      e.type = SDL_WINDOWEVENT;
      e.window.event = SDL_WINDOWEVENT_CLOSE;
      SDL_PushEvent(&e);
      e = SDL_Event{};
      e.type = SDL_QUIT;
      SDL_PushEvent(&e);
      break;
    default:
      g_inputOk[4] = true;  // would mean a tick after the close
      break;
  }
}
void Nothing() {}
}  // namespace

TEST_F(LifecycleTest, InputReachesGlobalsAndClosingTheWindowShutsDownOnce) {
  char caption[] = "input";
  ASSERT_EQ(StartEngine(nullptr, nullptr, nullptr, 0, InputProcess, Nothing, Nothing, false, false,
                        160, 120, caption),
            1);
  EXPECT_TRUE(g_inputOk[0]);
  EXPECT_TRUE(g_inputOk[1]);
  EXPECT_TRUE(g_inputOk[2]);
  EXPECT_TRUE(g_inputOk[3]);
  EXPECT_FALSE(g_inputOk[4]);
  const std::vector<std::string> lines = LogMessages();
  EXPECT_EQ(Count(lines, RU("Завершение работы движка.")), 1);
  EXPECT_EQ(Count(lines, RU("Удалили hRC контекст")), 1);
}

namespace {
int g_lateCalls = 0;
void QuitDuringInit() { QuiteEngine(); }
void CountLate() { g_lateCalls++; }
}  // namespace

TEST_F(LifecycleTest, QuitInsideInitEndsWithoutAnyTickOrFrame) {
  char caption[] = "early";
  ASSERT_EQ(StartEngine(nullptr, nullptr, nullptr, 0, CountLate, QuitDuringInit, CountLate, false,
                        false, 160, 120, caption),
            1);
  EXPECT_EQ(g_lateCalls, 0);
  const std::vector<std::string> lines = LogMessages();
  EXPECT_EQ(Count(lines, RU("Завершение работы движка.")), 1);
  // The shutdown ran inside the init callback; start-up then finishes its log.
  EXPECT_EQ(lines.back(), RU("Пользовательская функция инициализации завершена."));
  // A later run in the same process starts clean.
  Reset();
  g_run.quitAtTick = 3;
  EXPECT_EQ(RunEngine(), 1);
  EXPECT_EQ(g_run.ticks, 3);
}

namespace {
int g_menuDraws = 0;
int g_menuFramesLeft = 0;
void MenuHook() { g_menuDraws++; }
void MenuRender() {
  if (--g_menuFramesLeft == 0) QuiteEngine();  // quit from a frame
}
}  // namespace

TEST_F(LifecycleTest, ActiveMenuIsDrawnAfterEachFrameAndBadIndexIsSafe) {
  _MENU[3].beforeDraw = MenuHook;
  ShowMenu(3);
  g_menuFramesLeft = 20;
  char caption[] = "menu";
  ASSERT_EQ(StartEngine(nullptr, nullptr, nullptr, 0, Nothing, Nothing, MenuRender, false, false,
                        160, 120, caption),
            1);
  EXPECT_EQ(g_menuDraws, 19) << "the frame that quit draws no menu";

  g_menuDraws = 0;
  ShowMenu(12);  // not a slot: nothing drawn, nothing crashes
  g_menuFramesLeft = 5;
  ASSERT_EQ(StartEngine(nullptr, nullptr, nullptr, 0, Nothing, Nothing, MenuRender, false, false,
                        160, 120, caption),
            1);
  EXPECT_EQ(g_menuDraws, 0);
  ShowMenu(-1);
  _MENU[3].beforeDraw = nullptr;
}

TEST(MessageBox, NeverBlocksWithoutADisplay) {
  ::testing::internal::CaptureStderr();
  PlatformMessageBox("Can't open ScreenShot File!", "Error");
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Can't open ScreenShot File!"), std::string::npos);
  EXPECT_NE(err.find("Error"), std::string::npos);
}

// ------------------------------------------------------------ latched input
namespace {

int g_tick = 0;
std::vector<std::string> g_inputFaults;

void Expect(bool ok, const char* what) {
  if (!ok) g_inputFaults.push_back(std::to_string(g_tick) + ": " + what);
}

void PushButton(Uint32 type, Uint8 button) {
  SDL_Event e{};
  e.type = type;
  e.button.button = button;
  SDL_PushEvent(&e);
}

// Events pushed in tick N are all dispatched before tick N + 1.
void LatchProcess() {
  ++g_tick;
  switch (g_tick) {
    case 1:  // taps: down and up before the next tick
      PushKey(SDL_KEYDOWN, SDLK_SPACE);
      PushKey(SDL_KEYUP, SDLK_SPACE);
      PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
      PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
      PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE);
      PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE);
      PushKey(SDL_KEYDOWN, SDLK_LEFT);  // held from here to tick 5
      PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
      break;
    case 2:
      Expect(_keys[32] == 1, "tapped Space seen by the next tick");
      Expect(_MouseButton[0] && _MouseButton[1], "tapped buttons seen by the next tick");
      Expect(_keys[37] == 1 && _MouseButton[2], "held key and button set");
      // System keys: Alt itself, F10, and anything with Alt down.
      PushKey(SDL_KEYDOWN, SDLK_LALT, KMOD_LALT);
      PushKey(SDL_KEYDOWN, SDLK_x, KMOD_LALT);
      PushKey(SDL_KEYDOWN, SDLK_F10, KMOD_NONE);
      PushKey(SDL_KEYDOWN, SDLK_RETURN, KMOD_RALT);
      break;
    case 3:
      Expect(_keys[32] == 0, "a tap is seen by exactly one tick");
      Expect(!_MouseButton[0] && !_MouseButton[1], "tapped buttons clear after one tick");
      Expect(_keys[37] == 1 && _MouseButton[2], "held key and button stay set");
      Expect(_keys[18] == 0 && _keys['X'] == 0 && _keys[121] == 0 && _keys[13] == 0,
             "system keys never reach _keys");
      // Released while Alt is down: the key must not stick.
      PushKey(SDL_KEYUP, SDLK_LEFT, KMOD_LALT);
      PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);
      break;
    case 4:
      Expect(_keys[37] == 0 && !_MouseButton[2], "a held key clears on its release");
      // Down, up, down again before a tick: held afterwards.
      PushKey(SDL_KEYDOWN, SDLK_a);
      PushKey(SDL_KEYUP, SDLK_a);
      PushKey(SDL_KEYDOWN, SDLK_a);
      break;
    case 5:
    case 6:
      Expect(_keys['A'] == 1, "pressed again before the tick: held");
      if (g_tick == 6) QuiteEngine();
      break;
    default: Expect(false, "tick after the quit"); break;
  }
}

}  // namespace

TEST_F(LifecycleTest, TapsBetweenTicksAreSeenByExactlyOneTickAndSystemKeysNever) {
  g_tick = 0;
  g_inputFaults.clear();
  char caption[] = "latch";
  ASSERT_EQ(StartEngine(nullptr, nullptr, nullptr, 0, LatchProcess, Nothing, Nothing, false, false,
                        160, 120, caption),
            1);
  EXPECT_EQ(g_tick, 6);
  for (const std::string& fault : g_inputFaults) ADD_FAILURE() << fault;
}

TEST(VirtualKeys, KeypadPunctuationLocksAndLayoutsMapToWindowsCodes) {
  // Keypad: digits with NumLock on, the navigation keys with it off.
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_KP_0, 0, true), 96);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_KP_9, 0, true), 105);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_KP_8, 0, false), 38);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_KP_4, 0, false), 37);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_KP_1, 0, false), 35);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_KP_PERIOD, 0, true), 110);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_KP_PERIOD, 0, false), 46);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_KP_MULTIPLY), 106);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_KP_PLUS), 107);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_KP_MINUS), 109);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_KP_DIVIDE), 111);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_KP_ENTER), 13);
  // Punctuation: the OEM codes.
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_SEMICOLON), 186);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_EQUALS), 187);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_COMMA), 188);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_MINUS), 189);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_PERIOD), 190);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_SLASH), 191);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_BACKQUOTE), 192);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_LEFTBRACKET), 219);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_BACKSLASH), 220);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_RIGHTBRACKET), 221);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_QUOTE), 222);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_LESS, SDL_SCANCODE_NONUSBACKSLASH), 226);
  // Locks, Pause, Print Screen, the Windows keys.
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_CAPSLOCK), 20);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_NUMLOCKCLEAR), 144);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_SCROLLLOCK), 145);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_PAUSE), 19);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_PRINTSCREEN), 44);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_LGUI), 91);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_RGUI), 92);
  // A Cyrillic layout: the key's place names it, as the US layout has it.
  EXPECT_EQ(core::VirtualKeyFromSdl(0x444 /* ф */, SDL_SCANCODE_A), 'A');
  EXPECT_EQ(core::VirtualKeyFromSdl(0x436 /* ж */, SDL_SCANCODE_SEMICOLON), 186);
  EXPECT_EQ(core::VirtualKeyFromSdl(0x436, 0), -1);
}

// ------------------------------------------------------------ logical screen
namespace {

// One run in a window of another size: each frame fills the logical screen
// dark blue with a red bar along the right edge; the third reads the window's own
// picture back, a tick takes a screenshot, and the run ends.
struct TScaleRun {
  int frames = 0;
  int screenW = 0, screenH = 0;
  GLint viewport[4] = {};
  double aspect = 0.0;
  std::vector<unsigned char> window;  // RGBA of the window's picture
  int windowW = 0, windowH = 0;
  int mouseX = -1, mouseY = -1;
  bool shotTaken = false;
} g_scale;

void ScaleRender() {
  // The screenshot's own frame is drawn into an off-screen buffer.
  GLint drawing = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawing);
  if (drawing == 0) {
    ++g_scale.frames;
    g_scale.screenW = _Zarn_ScreenWidth;
    g_scale.screenH = _Zarn_ScreenHeight;
    glGetIntegerv(GL_VIEWPORT, g_scale.viewport);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    g_scale.aspect = m[5] / m[0];
  }
  glClearColor(0.0f, 0.0f, 0.4f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  Begin2D();
  SetColor(1, 0, 0, 1);
  DrawRectangle(_Zarn_ScreenWidth - 16, 0, 16, _Zarn_ScreenHeight);
  End2D();
  if (drawing == 0 && g_scale.frames == 3) {
    // The window's picture of this frame, as drawn.
    g_scale.window.resize(static_cast<size_t>(g_scale.windowW) * g_scale.windowH * 4);
    glReadPixels(0, 0, g_scale.windowW, g_scale.windowH, GL_RGBA, GL_UNSIGNED_BYTE,
                 g_scale.window.data());
  }
}

void ScaleProcess() {
  if (g_scale.frames < 4) return;
  if (!g_scale.shotTaken) {
    _ScreenPause = true;
    MakeScreenShoot();
    g_scale.shotTaken = true;
    // The middle of the window is the middle of the logical screen.
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = g_scale.windowW / 2;
    e.motion.y = g_scale.windowH / 2;
    SDL_PushEvent(&e);
    return;
  }
  g_scale.mouseX = _MousePosX;
  g_scale.mouseY = _MousePosY;
  QuiteEngine();
}

// Window pixel (x from the left, y from the top).
testutil::Pixel WindowPixel(int x, int y) {
  const size_t i = (static_cast<size_t>(g_scale.windowH - 1 - y) * g_scale.windowW + x) * 4;
  return {g_scale.window[i], g_scale.window[i + 1], g_scale.window[i + 2]};
}

bool IsRed(testutil::Pixel p) { return p.r > 200 && p.g < 40 && p.b < 40; }
bool IsBlack(testutil::Pixel p) { return p.r < 10 && p.g < 10 && p.b < 10; }
bool IsBlue(testutil::Pixel p) { return p.r < 10 && p.g < 10 && p.b > 80; }

void RunScaled(int windowW, int windowH) {
  g_scale = TScaleRun();
  g_scale.windowW = windowW;
  g_scale.windowH = windowH;
  SetWindowSize(windowW, windowH);
  char caption[] = "scaled";
  const int result = StartEngine(nullptr, nullptr, nullptr, 0, ScaleProcess, Nothing, ScaleRender,
                                 false, false, 1024, 768, caption);
  SetWindowSize(0, 0);
  ASSERT_EQ(result, 1);
  EXPECT_EQ(g_scale.screenW, 1024);
  EXPECT_EQ(g_scale.screenH, 768);
  // Drawn straight into the window: the viewport is the 4:3 box, centred.
  EXPECT_EQ(g_scale.viewport[2] * 768, g_scale.viewport[3] * 1024);
  EXPECT_EQ(g_scale.viewport[0] * 2 + g_scale.viewport[2], windowW);
  EXPECT_EQ(g_scale.viewport[1] * 2 + g_scale.viewport[3], windowH);
  EXPECT_NEAR(g_scale.aspect, 1024.0 / 768.0, 1e-4);
  EXPECT_EQ(g_scale.mouseX, 512);
  EXPECT_EQ(g_scale.mouseY, 384);
  const std::string tga = testutil::ReadFile("Screen0.tga");
  ASSERT_EQ(tga.size(), 18u + 1024 * 768 * 3) << "screenshots keep the logical size";
  // Bottom-up BGR: the last pixel of the first row is on the red bar.
  EXPECT_EQ(static_cast<unsigned char>(tga[18 + 1023 * 3 + 2]), 255);
  ASSERT_EQ(g_scale.window.size(), static_cast<size_t>(windowW) * windowH * 4);
}

}  // namespace

TEST_F(LifecycleTest, AWideWindowShowsTheWholeLogicalScreenBetweenBlackBars) {
  RunScaled(1920, 1080);
  if (HasFatalFailure()) return;
  // 1024 x 768 scaled by 1080 / 768 is 1440 wide, centred: bars of 240.
  EXPECT_TRUE(IsBlack(WindowPixel(100, 540)));
  EXPECT_TRUE(IsBlack(WindowPixel(1820, 540)));
  EXPECT_TRUE(IsBlue(WindowPixel(960, 540)));
  EXPECT_TRUE(IsBlue(WindowPixel(250, 5)));
  // The bar at the logical right edge ends at the picture's right edge.
  EXPECT_TRUE(IsRed(WindowPixel(1670, 540)));
  EXPECT_TRUE(IsRed(WindowPixel(1670, 1075)));
  EXPECT_TRUE(IsBlue(WindowPixel(1640, 540)));
  EXPECT_TRUE(IsBlack(WindowPixel(1685, 540)));
}

TEST_F(LifecycleTest, ASmallWindowShowsTheWholeLogicalScreenScaledDown) {
  RunScaled(800, 600);
  if (HasFatalFailure()) return;
  // Same aspect: the picture fills the window, the red bar at its right.
  EXPECT_TRUE(IsRed(WindowPixel(795, 300)));
  EXPECT_TRUE(IsBlue(WindowPixel(770, 300)));
  EXPECT_TRUE(IsBlue(WindowPixel(2, 2)));
}

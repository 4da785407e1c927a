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

TEST_F(LifecycleTest, TicksAtFiftyPerSecondWhileFramesAreDrawnThenShutsDownOnce) {
  ASSERT_EQ(RunEngine(), 1);
  EXPECT_EQ(g_run.inits, 1);
  EXPECT_EQ(g_run.ticksBeforeInit, 0);
  EXPECT_EQ(g_run.ticks, 50);
  EXPECT_EQ(g_run.ticksAfterQuit, 0) << "no tick after the quit";
  EXPECT_EQ(g_run.framesAfterQuit, 0) << "no frame after the quit";
  const double seconds = std::chrono::duration<double>(g_run.end - g_run.start).count();
  EXPECT_GT(seconds, 0.85);
  EXPECT_LT(seconds, 2.5);  // generous: a loaded machine delays ticks
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
  // The log is deleted at window creation, so it starts with the GL start-up.
  EXPECT_EQ(lines[0], RU("Инициализация OpenGL"));
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

void PushKey(Uint32 type, SDL_Keycode key) {
  SDL_Event e{};
  e.type = type;
  e.key.keysym.sym = key;
  SDL_PushEvent(&e);
}

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

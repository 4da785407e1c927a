// GL start-up: the logged steps, the default state and projection, the
// resize guard, and the SDL key to virtual-key map.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL2/SDL.h>

#include <cmath>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "Cp1251.h"
#include "Internal.h"
#include "testutil.h"

namespace {

const char* const kLog = "EngineLog.txt";

using testutil::LogMessages;

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < s.size()) {
    while (pos < s.size() && s[pos] == ' ') ++pos;
    const size_t start = pos;
    while (pos < s.size() && s[pos] != ' ') ++pos;
    if (pos > start) out.push_back(s.substr(start, pos - start));
  }
  return out;
}

struct TInitSeen {
  int calls = 0;
  bool alive = false;
  bool shaders = false;
  bool allEntries = false;
  GLint matrixMode = 0;
} g_seen;

void RecordInit() {
  g_seen.calls++;
  g_seen.alive = cgl::ContextAlive;
  g_seen.shaders = _ShadersOn;
  g_seen.allEntries = true;
#define CHECK_ENTRY(name, type) \
  if (!cgl::name) g_seen.allEntries = false;
  CORVANE_GL_ENTRY_POINTS(CHECK_ENTRY)
#undef CHECK_ENTRY
  glGetIntegerv(GL_MATRIX_MODE, &g_seen.matrixMode);
}

// Depth range of a perspective projection (column-major m[10], m[14]).
void NearFar(const GLfloat* m, double& zNear, double& zFar) {
  const double a = m[10], b = m[14];
  zNear = b / (a - 1.0);
  zFar = b / (a + 1.0);
}

class GlInitTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    testutil::RemoveFile(kLog);
    ASSERT_TRUE(testutil::OpenContext(320, 240));
    core::InitCallback = RecordInit;
    InitGL(320, 240);
  }
  static void TearDownTestSuite() { testutil::CloseContext(); }
};

}  // namespace

TEST_F(GlInitTest, LogsEveryStepInOrder) {
  const std::vector<std::string> lines = LogMessages();
  ASSERT_GE(lines.size(), 12u);
  EXPECT_EQ(lines[0], RU("Инициализация OpenGL"));
  EXPECT_EQ(lines[1], std::string(RU("Производитель: ")) + (const char*)glGetString(GL_VENDOR));
  EXPECT_EQ(lines[2], std::string(RU("Рендер: ")) + (const char*)glGetString(GL_RENDERER));
  EXPECT_EQ(lines[3], std::string(RU("Версия:: ")) + (const char*)glGetString(GL_VERSION));
  EXPECT_EQ(lines[4], RU("Расширения:"));
  // One line per extension, in the driver's order, none empty. (Names
  // over 255 bytes would be cut; no driver has such.)
  const std::vector<std::string> ext = Split((const char*)glGetString(GL_EXTENSIONS));
  ASSERT_GT(ext.size(), 10u);
  ASSERT_GE(lines.size(), 5 + ext.size() + 5);
  for (size_t i = 0; i < ext.size(); ++i) EXPECT_EQ(lines[5 + i], ext[i]) << i;
  size_t at = 5 + ext.size();
  EXPECT_EQ(lines[at], RU("Функции работы с шейдерами успешно инициализированы"));
  // The shader set-up logs what it builds; the rest follows in order.
  std::vector<std::string> tail;
  for (size_t i = at + 1; i < lines.size(); ++i)
    if (lines[i].rfind(RU("Инициализация примитивов"), 0) == 0 ||
        lines[i] == RU("Вызов пользовательской функция инициализации") ||
        lines[i] == RU("Пользовательская функция инициализации завершена."))
      tail.push_back(lines[i]);
  const std::vector<std::string> expect = {RU("Инициализация примитивов"),
                                           RU("Инициализация примитивов завершена."),
                                           RU("Вызов пользовательской функция инициализации"),
                                           RU("Пользовательская функция инициализации завершена.")};
  EXPECT_EQ(tail, expect);
  EXPECT_EQ(lines.back(), RU("Пользовательская функция инициализации завершена."));
}

TEST_F(GlInitTest, InitCallbackRunsOnceWithEverythingReady) {
  EXPECT_EQ(g_seen.calls, 1);
  EXPECT_TRUE(g_seen.alive);
  EXPECT_TRUE(g_seen.shaders);
  EXPECT_TRUE(g_seen.allEntries);
  EXPECT_EQ(g_seen.matrixMode, GL_MODELVIEW);
  EXPECT_EQ(cgl::EntryPointCount, 35);
}

TEST_F(GlInitTest, DefaultStateAndProjection) {
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  GLint v = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &v);
  EXPECT_EQ(v, GL_LESS);
  glGetIntegerv(GL_SHADE_MODEL, &v);
  EXPECT_EQ(v, GL_SMOOTH);
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[0], 0.0f);
  EXPECT_EQ(clear[3], 1.0f);

  GLfloat m[16];
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  double zNear, zFar;
  NearFar(m, zNear, zFar);
  EXPECT_NEAR(zNear, 0.1, 1e-3);
  EXPECT_NEAR(zFar, 300.0, 1.0);
  const double f = 1.0 / std::tan(22.5 * 3.14159265358979323846 / 180.0);
  EXPECT_NEAR(m[5], f, 1e-4);
  EXPECT_NEAR(m[0], f / (320.0 / 240.0), 1e-4);
}

TEST_F(GlInitTest, ResizeSceneGuardsZeroHeightAndMovesFarPlane) {
  core::ResizeScene(200, 0);
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[2], 200);
  EXPECT_EQ(vp[3], 1);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  GLfloat m[16];
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  for (float x : m) EXPECT_TRUE(std::isfinite(x));
  EXPECT_NEAR(m[0], m[5] / 200.0, 1e-5);

  core::ResizeScene(320, 240);
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  double zNear, zFar;
  NearFar(m, zNear, zFar);
  EXPECT_NEAR(zFar, 100.0, 0.5);
  EXPECT_NEAR(zNear, 0.1, 1e-3);
}

TEST_F(GlInitTest, ZeroHeightAtStartIsGuarded) {
  core::InitCallback = nullptr;  // a direct call without a game
  InitGL(64, 0);
  GLfloat m[16];
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  for (float x : m) EXPECT_TRUE(std::isfinite(x));
  EXPECT_NEAR(m[0], m[5] / 64.0, 1e-5);
}

TEST(VirtualKeys, SdlKeysMapToWindowsCodes) {
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_a), 'A');
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_w), 'W');
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_z), 'Z');
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_0), '0');
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_9), '9');
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_RETURN), 13);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_ESCAPE), 27);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_SPACE), 32);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_LEFT), 37);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_UP), 38);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_RIGHT), 39);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_DOWN), 40);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_RSHIFT), 16);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_LCTRL), 17);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_F1), 112);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_F12), 123);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_DELETE), 46);
  // Keys outside the table never index past _keys.
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_AUDIOPLAY), -1);
  EXPECT_EQ(core::VirtualKeyFromSdl(SDLK_MUTE), -1);
}

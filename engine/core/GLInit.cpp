// Core: GL start-up. Default state, the driver report, the extension
// entry points, then the engine's shaders and primitives and the game's
// own initialisation, each step announced in the log.
#include "Internal.h"
#include "render/Render.h"
#include "Cp1251.h"

#include <GL/glu.h>

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

namespace {

const char* GlText(GLenum name) {
  const GLubyte* text = glGetString(name);
  return text ? reinterpret_cast<const char*>(text) : "";
}

// Logs the vendor, renderer, version and every extension on its own line.
void ReportDriver() {
  AddToLog(RU("Производитель: %s"), GlText(GL_VENDOR));
  AddToLog(RU("Рендер: %s"), GlText(GL_RENDERER));
  AddToLog(RU("Версия:: %s"), GlText(GL_VERSION));
  AddToLog(RU("Расширения:"));
  const char* p = GlText(GL_EXTENSIONS);
  while (*p) {
    while (*p == ' ') ++p;
    const char* start = p;
    while (*p && *p != ' ') ++p;
    if (p > start) AddToLog("%.*s", static_cast<int>(p - start), start);
  }
}

}  // namespace

void InitGL(int width, int height) {
  if (!RequireGL("InitGL")) return;
  if (height == 0) height = 1;
  AddToLog(RU("Инициализация OpenGL"));
  // A new context: nothing bound, no glyph held back, no quad buffer yet.
  ForgetBoundTexture();
  batch2d::Reset();
  ResetQuadBuffers();

  glEnable(GL_TEXTURE_2D);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClearDepth(1.0);
  glDepthFunc(GL_LESS);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_DEPTH_TEST);
  glShadeModel(GL_SMOOTH);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height),
                 static_cast<double>(0.1f), 300.0);
  glMatrixMode(GL_MODELVIEW);

  ReportDriver();

  // Everything after this point calls through these pointers: without all
  // of them the engine does not start rather than call a null pointer.
  if (const char* missing = cgl::LoadEntryPoints()) {
    AddToLog(RU("Ошибка. Драйвер не поддерживает функцию %s, запуск невозможен."), missing);
    cgl::ContextAlive = false;
    core::PostQuit();
    return;
  }
  cgl::ContextAlive = true;
  AddToLog(RU("Функции работы с шейдерами успешно инициализированы"));

  InitEngineShaders();

  AddToLog(RU("Инициализация примитивов"));
  Init3DPrimitives();
  AddToLog(RU("Инициализация примитивов завершена."));

  // The game finds the sound device ready (or known to be missing).
  AwaitSoundDevice();
  AddToLog(RU("Вызов пользовательской функция инициализации"));
  if (core::InitCallback) core::InitCallback();
  AddToLog(RU("Пользовательская функция инициализации завершена."));
}

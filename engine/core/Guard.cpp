// Core: checks at the start of exported calls. A call made before
// StartEngine, after the window is gone, or with a null pointer where
// something must be given, logs one line naming itself and returns its
// failure value instead of crashing inside the driver or on the pointer.
// A call that goes ahead first draws the glyphs the 2D pass holds back.
#include "Internal.h"
#include "render/Render.h"
#include "Cp1251.h"

#include <SDL2/SDL.h>

namespace {

bool EntryPointsBound() {
#define CORVANE_ENTRY_BOUND(name, type) \
  if (!cgl::name) return false;
  CORVANE_GL_ENTRY_POINTS(CORVANE_ENTRY_BOUND)
#undef CORVANE_ENTRY_BOUND
  return true;
}

}  // namespace

bool RequireGL(const char* call) {
  if (SDL_GL_GetCurrentContext()) {
    // Whatever the call does with the context comes after the glyphs the
    // 2D pass holds back, as it would had they been drawn one by one.
    if (batch2d::Pending) batch2d::Flush();
    return true;
  }
  AddToLog(RU("Ошибка. %s: нет контекста OpenGL, вызов пропущен."), call);
  return false;
}

bool RequireGLExt(const char* call) {
  if (!RequireGL(call)) return false;
  if (EntryPointsBound()) return true;
  AddToLog(RU("Ошибка. %s: функции расширений OpenGL не загружены, вызов пропущен."), call);
  return false;
}

bool RequireArg(const void* pointer, const char* call, const char* argument) {
  if (pointer) return true;
  AddToLog(RU("Ошибка. %s: пустой указатель %s, вызов пропущен."), call, argument);
  return false;
}

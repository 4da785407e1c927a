// The replay harness: the game started headless, frames drawn and saved.
#include "Harness.h"

#include <GL/gl.h>

#include "CorvaneEngine.h"
#include "Pictures.h"
#include "shell/Random.h"
#include "shell/Shell.h"

namespace harness {

bool StartGame(int windowW, int windowH, int screenW, int screenH, unsigned seed) {
  if (!testutil::OpenContext(windowW, windowH)) return false;
  _Zarn_ScreenWidth = screenW;
  _Zarn_ScreenHeight = screenH;
  InitGL(screenW, screenH);
  SeedRandom(seed);
  InitCallback();
  return true;
}

void RenderFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  RenderCallback();
  glFinish();
}

bool SaveFrame(const std::string& path, int w, int h) {
  return testutil::WriteFile(path, testutil::Tga24(w, h, testutil::ReadFrame(w, h), true));
}

}  // namespace harness

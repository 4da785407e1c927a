// Core: the logical screen. The game draws at its logical size whatever
// the window or desktop is; when the window's drawable differs, frames go
// to an off-screen buffer of the logical size that is scaled into the
// window, aspect kept, with black bars, at every swap. Mouse positions are
// mapped back to the logical screen's pixels.
#include "Internal.h"
#include "Cp1251.h"

#include <GL/glext.h>
#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

namespace {

// When the drawable is not the logical size, the frame is drawn into this
// off-screen buffer of the logical size and scaled into the window. The
// framebuffer entry points are looked up here: nothing else needs them.
struct TScaler {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
  PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
  GLuint framebuffer = 0;
  GLuint colour = 0;
  GLuint depth = 0;
  int bufferWidth = 0, bufferHeight = 0;  // the off-screen buffer's (logical) size
  // The picture's place in the drawable, in pixels from the bottom left.
  int drawableWidth = 0, drawableHeight = 0;
  int viewX = 0, viewY = 0, viewWidth = 0, viewHeight = 0;
  int logicalWidth = 0, logicalHeight = 0;
  bool scaled = false;  // drawable differs from the logical size
} g_scaler;

bool LoadScalerEntryPoints() {
  TScaler& s = g_scaler;
  if (s.blitFramebuffer) return true;
#define CORVANE_FBO_ENTRY(field, type, name) \
  s.field = reinterpret_cast<type>(SDL_GL_GetProcAddress(name));
  CORVANE_FBO_ENTRY(genFramebuffers, PFNGLGENFRAMEBUFFERSPROC, "glGenFramebuffers")
  CORVANE_FBO_ENTRY(deleteFramebuffers, PFNGLDELETEFRAMEBUFFERSPROC, "glDeleteFramebuffers")
  CORVANE_FBO_ENTRY(bindFramebuffer, PFNGLBINDFRAMEBUFFERPROC, "glBindFramebuffer")
  CORVANE_FBO_ENTRY(framebufferRenderbuffer, PFNGLFRAMEBUFFERRENDERBUFFERPROC,
                    "glFramebufferRenderbuffer")
  CORVANE_FBO_ENTRY(checkFramebufferStatus, PFNGLCHECKFRAMEBUFFERSTATUSPROC,
                    "glCheckFramebufferStatus")
  CORVANE_FBO_ENTRY(genRenderbuffers, PFNGLGENRENDERBUFFERSPROC, "glGenRenderbuffers")
  CORVANE_FBO_ENTRY(deleteRenderbuffers, PFNGLDELETERENDERBUFFERSPROC, "glDeleteRenderbuffers")
  CORVANE_FBO_ENTRY(bindRenderbuffer, PFNGLBINDRENDERBUFFERPROC, "glBindRenderbuffer")
  CORVANE_FBO_ENTRY(renderbufferStorage, PFNGLRENDERBUFFERSTORAGEPROC, "glRenderbufferStorage")
  CORVANE_FBO_ENTRY(blitFramebuffer, PFNGLBLITFRAMEBUFFERPROC, "glBlitFramebuffer")
#undef CORVANE_FBO_ENTRY
  const bool all = s.genFramebuffers && s.deleteFramebuffers && s.bindFramebuffer &&
                   s.framebufferRenderbuffer && s.checkFramebufferStatus && s.genRenderbuffers &&
                   s.deleteRenderbuffers && s.bindRenderbuffer && s.renderbufferStorage &&
                   s.blitFramebuffer;
  if (!all) s.blitFramebuffer = nullptr;
  return all;
}

bool MakeScaleBuffer(int width, int height) {
  TScaler& s = g_scaler;
  if (!LoadScalerEntryPoints()) return false;
  s.genRenderbuffers(1, &s.colour);
  s.bindRenderbuffer(GL_RENDERBUFFER, s.colour);
  s.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  s.genRenderbuffers(1, &s.depth);
  s.bindRenderbuffer(GL_RENDERBUFFER, s.depth);
  s.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
  s.bindRenderbuffer(GL_RENDERBUFFER, 0);
  s.genFramebuffers(1, &s.framebuffer);
  s.bindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
  s.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, s.colour);
  s.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, s.depth);
  if (s.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    core::DropScaleBuffer();
    return false;
  }
  s.bufferWidth = width;
  s.bufferHeight = height;
  return true;
}

}  // namespace

namespace core {

void DropScaleBuffer() {
  TScaler& s = g_scaler;
  if (s.framebuffer) {
    s.bindFramebuffer(GL_FRAMEBUFFER, 0);
    s.deleteFramebuffers(1, &s.framebuffer);
  }
  if (s.colour) s.deleteRenderbuffers(1, &s.colour);
  if (s.depth) s.deleteRenderbuffers(1, &s.depth);
  s.framebuffer = s.colour = s.depth = 0;
}

// Reads the drawable's size and places the logical picture in it: as large
// as fits, aspect kept, centred. Draws into the off-screen buffer when the
// sizes differ, straight into the window when they match.
void UpdateDisplay(SDL_Window* window) {
  if (!cgl::ContextAlive || !window) return;
  TScaler& s = g_scaler;
  const int lw = _Zarn_ScreenWidth > 0 ? _Zarn_ScreenWidth : 1;
  const int lh = _Zarn_ScreenHeight > 0 ? _Zarn_ScreenHeight : 1;
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(window, &dw, &dh);
  if (dw <= 0 || dh <= 0) return;  // minimised: keep what there is
  s.drawableWidth = dw;
  s.drawableHeight = dh;
  const double scale = std::min(static_cast<double>(dw) / lw, static_cast<double>(dh) / lh);
  s.viewWidth = std::max(1, std::min(dw, static_cast<int>(lw * scale + 0.5)));
  s.viewHeight = std::max(1, std::min(dh, static_cast<int>(lh * scale + 0.5)));
  s.viewX = (dw - s.viewWidth) / 2;
  s.viewY = (dh - s.viewHeight) / 2;
  s.logicalWidth = lw;
  s.logicalHeight = lh;
  s.scaled = dw != lw || dh != lh;

  DropScaleBuffer();
  if (s.scaled && !MakeScaleBuffer(lw, lh)) {
    // No off-screen buffer: draw into the picture's place in the window.
    AddToLog(RU("Масштабирование кадра недоступно, кадр рисуется прямо в окно."));
    core::ResizeScene(lw, lh);
    glViewport(s.viewX, s.viewY, s.viewWidth, s.viewHeight);
    return;
  }
  core::ResizeScene(lw, lh);
}

// Scales the finished frame into the window: black bars, the picture in
// the middle, then the off-screen buffer is bound again for the next frame.
void PresentScaled() {
  TScaler& s = g_scaler;
  if (!s.framebuffer) return;
  glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
  glDisable(GL_SCISSOR_TEST);
  s.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  s.bindFramebuffer(GL_READ_FRAMEBUFFER, s.framebuffer);
  s.blitFramebuffer(0, 0, s.bufferWidth, s.bufferHeight, s.viewX, s.viewY, s.viewX + s.viewWidth,
                    s.viewY + s.viewHeight, GL_COLOR_BUFFER_BIT, GL_LINEAR);
  glPopAttrib();
}

// Window coordinates of the mouse to the logical screen's pixels.
void MouseToLogical(SDL_Window* window, int x, int y, int* lx, int* ly) {
  const TScaler& s = g_scaler;
  *lx = x;
  *ly = y;
  // Also when the picture fills the drawable: on high-density screens the
  // window's units are not the drawable's pixels.
  if (s.viewWidth <= 0 || s.viewHeight <= 0 || !window) return;
  int ww = 0, wh = 0;
  SDL_GetWindowSize(window, &ww, &wh);
  if (ww <= 0 || wh <= 0) return;
  const double dx = static_cast<double>(x) * s.drawableWidth / ww;
  const double dy = static_cast<double>(y) * s.drawableHeight / wh;
  const int top = s.drawableHeight - s.viewY - s.viewHeight;
  *lx = static_cast<int>(std::floor((dx - s.viewX) * s.logicalWidth / s.viewWidth));
  *ly = static_cast<int>(std::floor((dy - top) * s.logicalHeight / s.viewHeight));
}

void RebindScaleBuffer() {
  if (g_scaler.framebuffer) g_scaler.bindFramebuffer(GL_FRAMEBUFFER, g_scaler.framebuffer);
}

void ResetScaler() { g_scaler = TScaler(); }

}  // namespace core

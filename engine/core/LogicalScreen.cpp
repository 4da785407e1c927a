// Core: the logical screen. The game draws at its logical size whatever
// the window or desktop is. When the window's drawable has another size,
// every frame is drawn straight into the window at the drawable's own
// resolution, inside the largest box of the logical aspect that fits,
// centred, with black bars around it: the viewport and the scissor are the
// box, the projections stay those of the logical size, and lines and
// points are widened by the box's scale. Nothing is stretched afterwards.
//
// Screenshots stay pictures of the logical screen: a shot asked for in a
// tick is drawn once more, after that tick, into an off-screen buffer of
// the logical size and read back from there (without such buffers, the box
// is read from the back buffer and scaled). Mouse positions are mapped back
// to the logical screen's pixels.
#include "Internal.h"
#include "Cp1251.h"

#include <GL/glext.h>
#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

namespace {

struct TDisplay {
  // Off-screen buffer of the logical size for screenshot frames, made at
  // the first shot. The framebuffer entry points are looked up here:
  // nothing else needs them.
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
  bool entryPointsLoaded = false;
  bool bufferFailed = false;  // the buffer could not be made: use the fallback
  GLuint framebuffer = 0;
  GLuint colour = 0;
  GLuint depth = 0;
  // The picture's place in the drawable, in pixels from the bottom left.
  int drawableWidth = 0, drawableHeight = 0;
  int viewX = 0, viewY = 0, viewWidth = 0, viewHeight = 0;
  int logicalWidth = 0, logicalHeight = 0;
  bool native = false;       // drawable differs from the logical size: drawn into the box
  bool shotPending = false;  // MakeScreenShoot asked for a shot in this tick
  bool drawingShot = false;  // the shot frame is being drawn into the buffer
} g_display;

// Tests take the fallback without a buffer on purpose.
bool g_noShotBuffer = false;

bool LoadBufferEntryPoints() {
  TDisplay& s = g_display;
  if (s.entryPointsLoaded) return s.renderbufferStorage != nullptr;
  s.entryPointsLoaded = true;
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
#undef CORVANE_FBO_ENTRY
  const bool all = s.genFramebuffers && s.deleteFramebuffers && s.bindFramebuffer &&
                   s.framebufferRenderbuffer && s.checkFramebufferStatus && s.genRenderbuffers &&
                   s.deleteRenderbuffers && s.bindRenderbuffer && s.renderbufferStorage;
  if (!all) s.renderbufferStorage = nullptr;
  return all;
}

// Makes the off-screen buffer of the logical size, its depth buffer as
// precise as the window's so the shot shows what the window does; false
// when the driver cannot.
bool MakeShotBuffer(int width, int height) {
  TDisplay& s = g_display;
  if (s.framebuffer) return true;
  if (g_noShotBuffer || s.bufferFailed) return false;
  if (!LoadBufferEntryPoints()) {
    s.bufferFailed = true;
    AddToLog(RU("Внеэкранный буфер недоступен, снимок экрана читается из окна."));
    return false;
  }
  GLint depthBits = 16;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  s.genRenderbuffers(1, &s.colour);
  s.bindRenderbuffer(GL_RENDERBUFFER, s.colour);
  s.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  s.genRenderbuffers(1, &s.depth);
  s.bindRenderbuffer(GL_RENDERBUFFER, s.depth);
  s.renderbufferStorage(
      GL_RENDERBUFFER, depthBits > 16 ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT16, width, height);
  s.bindRenderbuffer(GL_RENDERBUFFER, 0);
  s.genFramebuffers(1, &s.framebuffer);
  s.bindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
  s.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, s.colour);
  s.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, s.depth);
  const bool complete = s.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  s.bindFramebuffer(GL_FRAMEBUFFER, 0);
  if (!complete) {
    core::DropShotBuffer();
    s.bufferFailed = true;
    AddToLog(RU("Внеэкранный буфер недоступен, снимок экрана читается из окна."));
    return false;
  }
  return true;
}

// The GL state of drawing into the box: viewport and scissor, and lines and
// points as wide as one logical pixel is. At the logical size nothing is
// set: the state is GL's default, as it always was.
void ApplyBox(bool leavingNative) {
  const TDisplay& s = g_display;
  if (s.native) {
    glViewport(s.viewX, s.viewY, s.viewWidth, s.viewHeight);
    glScissor(s.viewX, s.viewY, s.viewWidth, s.viewHeight);
    glEnable(GL_SCISSOR_TEST);
    const float scale = static_cast<float>(s.viewWidth) / static_cast<float>(s.logicalWidth);
    glLineWidth(scale);
    glPointSize(scale);
  } else if (leavingNative) {
    glDisable(GL_SCISSOR_TEST);
    glLineWidth(1.0f);
    glPointSize(1.0f);
  }
}

// Rows of w x h RGB pixels from the current read buffer at (x, y), packed.
void ReadRgb(int x, int y, int w, int h, unsigned char* out) {
  GLint oldAlignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &oldAlignment);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, out);
  glPixelStorei(GL_PACK_ALIGNMENT, oldAlignment);
}

// For one axis: the source pixels [first, last) that destination pixel d
// stands for. Shrinking, every source pixel it covers, even in part;
// enlarging, the one under its centre.
void Footprint(int d, int src, int dst, int* first, int* last) {
  const long long a = static_cast<long long>(d) * src;
  if (src < dst) {
    *first = static_cast<int>((2 * a + src) / (2ll * dst));
    *last = *first + 1;
  } else {
    *first = static_cast<int>(a / dst);
    *last = static_cast<int>((a + src + dst - 1) / dst);
  }
  *first = std::min(*first, src - 1);
  *last = std::min(std::max(*last, *first + 1), src);
}

}  // namespace

namespace core {

void DropShotBuffer() {
  TDisplay& s = g_display;
  if (s.framebuffer) {
    s.bindFramebuffer(GL_FRAMEBUFFER, 0);
    s.deleteFramebuffers(1, &s.framebuffer);
  }
  if (s.colour) s.deleteRenderbuffers(1, &s.colour);
  if (s.depth) s.deleteRenderbuffers(1, &s.depth);
  s.framebuffer = s.colour = s.depth = 0;
}

// Reads the drawable's size and places the logical picture in it: as large
// as fits, aspect kept, centred. The projection is always that of the
// logical size; when the sizes differ the viewport is the box.
void UpdateDisplay(SDL_Window* window) {
  if (!cgl::ContextAlive || !window) return;
  TDisplay& s = g_display;
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
  if (s.logicalWidth != lw || s.logicalHeight != lh) DropShotBuffer();
  s.logicalWidth = lw;
  s.logicalHeight = lh;
  const bool wasNative = s.native;
  s.native = dw != lw || dh != lh;
  core::ResizeScene(lw, lh);
  ApplyBox(wasNative);
}

// Clears a frame. Drawn into the box: the bars black, the box in the clear
// colour (viewport and scissor set again, should a caller have moved them).
void ClearFrame() {
  const TDisplay& s = g_display;
  if (!s.native || s.drawingShot) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return;
  }
  GLfloat colour[4] = {0, 0, 0, 1};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, colour);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glEnable(GL_SCISSOR_TEST);
  // The two bars: left and right of the box, or above and below it.
  if (s.viewX > 0) {
    glScissor(0, 0, s.viewX, s.drawableHeight);
    glClear(GL_COLOR_BUFFER_BIT);
    const int right = s.viewX + s.viewWidth;
    glScissor(right, 0, s.drawableWidth - right, s.drawableHeight);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  if (s.viewY > 0) {
    glScissor(0, 0, s.drawableWidth, s.viewY);
    glClear(GL_COLOR_BUFFER_BIT);
    const int top = s.viewY + s.viewHeight;
    glScissor(0, top, s.drawableWidth, s.drawableHeight - top);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glClearColor(colour[0], colour[1], colour[2], colour[3]);
  glViewport(s.viewX, s.viewY, s.viewWidth, s.viewHeight);
  glScissor(s.viewX, s.viewY, s.viewWidth, s.viewHeight);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

bool DeferShot() {
  if (!g_display.native) return false;
  g_display.shotPending = true;
  return true;
}

// Draws the frame of the shot asked for in the tick just run at the
// logical size and writes it. With the off-screen buffer the picture is
// exactly what a window of the logical size shows; without it the box is
// drawn into the back buffer (not shown: the next frame draws over it),
// read and scaled.
void TakePendingShot() {
  TDisplay& s = g_display;
  if (!s.shotPending) return;
  s.shotPending = false;
  if (!cgl::ContextAlive || core::QuitPosted()) return;
  const int lw = s.logicalWidth, lh = s.logicalHeight;
  std::unique_ptr<unsigned char[]> pixels(
      new (std::nothrow) unsigned char[static_cast<size_t>(lw) * lh * 3]);
  if (!pixels) return;
  if (MakeShotBuffer(lw, lh)) {
    s.bindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
    glViewport(0, 0, lw, lh);
    glDisable(GL_SCISSOR_TEST);
    glLineWidth(1.0f);
    glPointSize(1.0f);
    s.drawingShot = true;
    core::DrawScene();
    s.drawingShot = false;
    if (!cgl::ContextAlive) return;  // the render callback quit: nothing is left
    const bool quit = core::QuitPosted();
    if (!quit) {
      core::ActiveMenuDraw();
      ReadRgb(0, 0, lw, lh, pixels.get());
    }
    s.bindFramebuffer(GL_FRAMEBUFFER, 0);
    ApplyBox(false);
    if (quit) return;
  } else {
    std::unique_ptr<unsigned char[]> box(
        new (std::nothrow) unsigned char[static_cast<size_t>(s.viewWidth) * s.viewHeight * 3]);
    if (!box) return;
    core::DrawScene();
    if (core::QuitPosted() || !cgl::ContextAlive) return;
    core::ActiveMenuDraw();
    ReadRgb(s.viewX, s.viewY, s.viewWidth, s.viewHeight, box.get());
    ScaleRgb(box.get(), s.viewWidth, s.viewHeight, pixels.get(), lw, lh);
  }
  WriteShot(pixels.get(), lw, lh);
}

// Each destination pixel is the mean of the source pixels it covers (the
// one under its centre where the destination is the larger).
void ScaleRgb(const unsigned char* src, int sw, int sh, unsigned char* dst, int dw, int dh) {
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
  for (int y = 0; y < dh; ++y) {
    int y0 = 0, y1 = 0;
    Footprint(y, sh, dh, &y0, &y1);
    for (int x = 0; x < dw; ++x) {
      int x0 = 0, x1 = 0;
      Footprint(x, sw, dw, &x0, &x1);
      unsigned sum[3] = {0, 0, 0};
      for (int sy = y0; sy < y1; ++sy) {
        const unsigned char* row = src + (static_cast<size_t>(sy) * sw + x0) * 3;
        for (int sx = x0; sx < x1; ++sx, row += 3) {
          sum[0] += row[0];
          sum[1] += row[1];
          sum[2] += row[2];
        }
      }
      const unsigned n = static_cast<unsigned>((y1 - y0) * (x1 - x0));
      unsigned char* out = dst + (static_cast<size_t>(y) * dw + x) * 3;
      for (int c = 0; c < 3; ++c) out[c] = static_cast<unsigned char>((sum[c] + n / 2) / n);
    }
  }
}

// Window coordinates of the mouse to the logical screen's pixels.
void MouseToLogical(SDL_Window* window, int x, int y, int* lx, int* ly) {
  const TDisplay& s = g_display;
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

void SetShotBufferAllowed(bool allowed) { g_noShotBuffer = !allowed; }

void ResetDisplay() { g_display = TDisplay(); }

}  // namespace core

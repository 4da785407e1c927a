// Render: the 2D pass's glyph batch. Bitmap-font glyphs printed between
// Begin2D and End2D are collected into one client-side vertex array with a
// colour per corner and drawn together, one glDrawArrays per run of glyphs
// that share a texture and a blend function, instead of one immediate-mode
// strip each. Glyphs keep their order, so overlapping ones blend as before.
#include "render/Render.h"

#include "Internal.h"

#include <SDL2/SDL.h>

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

using namespace cgl;

namespace batch2d {

int Depth = 0;
int Pending = 0;

namespace {

// One corner: position, texture coordinate, colour.
struct SCorner {
  float x, y, s, t, r, g, b, a;
};
// One run of glyphs drawn with the same texture and blend function.
struct SRun {
  unsigned int texture;
  unsigned int src, dst;
  int first;  // first corner
  int count;  // corners
};

// A full batch is drawn and the next glyph starts a new one; 1024 glyphs
// are some forty lines of text.
constexpr int kMaxQuads = 1024;
SCorner g_corners[kMaxQuads * 6];
SRun g_runs[kMaxQuads];
int g_runCount = 0;
// The colour the last glyph was tinted with: drawing the glyphs one by one
// leaves it as the current colour.
float g_lastColor[4] = {1, 1, 1, 1};

}  // namespace

void AddQuad(unsigned int texture, unsigned int src, unsigned int dst, float x0, float y0, float x1,
             float y1, float u0, float u1, float vTop, float vBottom, const float* rgba) {
  if (Pending >= kMaxQuads) Flush();
  SRun* run = g_runCount > 0 ? &g_runs[g_runCount - 1] : nullptr;
  if (!run || run->texture != texture || run->src != src || run->dst != dst) {
    run = &g_runs[g_runCount++];
    run->texture = texture;
    run->src = src;
    run->dst = dst;
    run->first = Pending * 6;
    run->count = 0;
  }
  const float r = rgba[0], g = rgba[1], b = rgba[2], a = rgba[3];
  const SCorner topLeft{x0, y0, u0, vTop, r, g, b, a};
  const SCorner topRight{x1, y0, u1, vTop, r, g, b, a};
  const SCorner bottomLeft{x0, y1, u0, vBottom, r, g, b, a};
  const SCorner bottomRight{x1, y1, u1, vBottom, r, g, b, a};
  // The two triangles a strip of top-left, top-right, bottom-left,
  // bottom-right makes, corners in the same order, so each pixel gets the
  // same coverage and values as from the strip.
  SCorner* c = &g_corners[Pending * 6];
  c[0] = topLeft;
  c[1] = topRight;
  c[2] = bottomLeft;
  c[3] = bottomLeft;
  c[4] = topRight;
  c[5] = bottomRight;
  run->count += 6;
  for (int k = 0; k < 4; k++) g_lastColor[k] = rgba[k];
  Pending++;
}

void Flush() {
  if (Pending == 0) return;
  // Client-side arrays: no array buffer may be bound while they are read.
  if (glBindBufferARB) glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  glDisableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(2, GL_FLOAT, sizeof(SCorner), &g_corners[0].x);
  glTexCoordPointer(2, GL_FLOAT, sizeof(SCorner), &g_corners[0].s);
  glColorPointer(4, GL_FLOAT, sizeof(SCorner), &g_corners[0].r);
  glEnable(GL_BLEND);
  unsigned int src = 0, dst = 0;
  for (int i = 0; i < g_runCount; i++) {
    const SRun& run = g_runs[i];
    BindTexture2D(run.texture);
    if (i == 0 || run.src != src || run.dst != dst) {
      src = run.src;
      dst = run.dst;
      glBlendFunc(src, dst);
    }
    glDrawArrays(GL_TRIANGLES, run.first, run.count);
  }
  glDisableClientState(GL_COLOR_ARRAY);
  // What drawing the glyphs one by one leaves: blending off, the last tint
  // as the current colour, the last texture bound.
  glDisable(GL_BLEND);
  glColor4f(g_lastColor[0], g_lastColor[1], g_lastColor[2], g_lastColor[3]);
  Pending = 0;
  g_runCount = 0;
}

void Reset() {
  Pending = 0;
  g_runCount = 0;
  Depth = 0;
}

}  // namespace batch2d

void ForgetGLState() {
  if (SDL_GL_GetCurrentContext() && batch2d::Pending) batch2d::Flush();
  ForgetBoundTexture();
}

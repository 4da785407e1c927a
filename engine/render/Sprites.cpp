// Render: screen-space sprites and bitmap fonts.
#include "render/Render.h"

#include "Internal.h"

#include <GL/gl.h>
#include <SDL2/SDL.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

void TSprite::Load(const char* path) { texture = LoadTexture(path); }

void TSprite::Load(const char* path, const int* key) { texture = LoadTexture(path, key); }

void TSprite::Set(int x, int y, int w, int h) {
  this->x = x;
  this->y = y;
  width = w;
  height = h;
}

void TSprite::Move(int x, int y) {
  this->x = x;
  this->y = y;
}

void TSprite::Draw() {
  if (!RequireGL("TSprite::Draw")) return;
  Begin2D();
  glDisable(GL_DEPTH_TEST);
  SetTexture(texture);
  DrawRectangle(x, y, width, height);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  End2D();
}

void TFonts::Create(unsigned int texture, int size) {
  this->texture = texture;
  this->size = size;
}

void TFonts::Load(const char* path, int size) {
  // Glyphs are scaled on screen, so the font image gets filtered mipmaps;
  // black is its transparent colour.
  static const int kBlack[3] = {0, 0, 0};
  _TextureMode = 0;
  texture = LoadTexture(path, kBlack);
  _TextureMode = 1;
  this->size = size;
}

void TFonts::SetColor(float r, float g, float b, float a) {
  color[0] = r;
  color[1] = g;
  color[2] = b;
  color[3] = a;
}

void TFonts::Print(int x, int y, const char* format, ...) {
  // Inside a 2D pass the glyphs are collected and drawn together (see
  // batch2d); anything waiting is drawn only by the next call that needs
  // the context, so this check must not draw it.
  if (!SDL_GL_GetCurrentContext()) {
    RequireGL("TFonts::Print");
    return;
  }
  // Longer text is cut to what the buffer holds.
  char text[256];
  va_list args;
  va_start(args, format);
  int n = format ? vsnprintf(text, sizeof(text), format, args) : 0;
  va_end(args);
  if (n <= 0) return;
  // Each glyph is drawn as DrawSpriteCut draws it: tinted by SetColor, then
  // SetTexture, which for a colour-keyed font blends by alpha whatever the
  // tint. Collected, the glyph keeps that blending: by alpha for such a
  // font, else additive by alpha for a translucent tint. A glyph whose
  // blending would depend on earlier state is drawn on its own.
  const bool alphaTexture = TextureHasAlpha(texture);
  const bool collect = batch2d::Depth > 0 && (alphaTexture || color[3] != 1.0f);
  const unsigned int src = GL_SRC_ALPHA;
  const unsigned int dst = alphaTexture ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE;
  const size_t len = strlen(text);
  for (size_t i = 0; i < len; ++i) {
    // Byte b is drawn from cell b - 1 of the 16 x 16 grid, top row first.
    const int g = static_cast<unsigned char>(text[i]) - 1;
    const int c = g % 16;
    const int r = g / 16;
    const double u[2] = {c / 16.0, (c + 1) / 16.0};
    const double v[2] = {(15 - r) / 16.0, (16 - r) / 16.0};
    const int left = x + (size * static_cast<int>(i)) / 2;
    if (collect) {
      // The corners DrawSpriteCut computes: centre plus or minus half size.
      const double cx = left + size / 2.0, cy = y + size / 2.0, half = size / 2.0;
      batch2d::AddQuad(
          texture, src, dst, static_cast<float>(cx - half), static_cast<float>(cy - half),
          static_cast<float>(cx + half), static_cast<float>(cy + half), static_cast<float>(u[0]),
          static_cast<float>(u[1]), static_cast<float>(v[1]), static_cast<float>(v[0]), color);
    } else {
      DrawSpriteCut(texture, texture, left, y, size, size, u, v, color);
    }
  }
}

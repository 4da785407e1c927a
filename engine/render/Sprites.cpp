// Render: screen-space sprites and bitmap fonts.
#include "render/Render.h"

#include "Internal.h"

#include <GL/gl.h>

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
  if (!RequireGL("TFonts::Print")) return;
  // Longer text is cut to what the buffer holds.
  char text[256];
  va_list args;
  va_start(args, format);
  int n = format ? vsnprintf(text, sizeof(text), format, args) : 0;
  va_end(args);
  if (n <= 0) return;
  const size_t len = strlen(text);
  for (size_t i = 0; i < len; ++i) {
    // Byte b is drawn from cell b - 1 of the 16 x 16 grid, top row first.
    const int g = static_cast<unsigned char>(text[i]) - 1;
    const int c = g % 16;
    const int r = g / 16;
    const double u[2] = {c / 16.0, (c + 1) / 16.0};
    const double v[2] = {(15 - r) / 16.0, (16 - r) / 16.0};
    DrawSpriteCut(texture, texture, x + (size * static_cast<int>(i)) / 2, y, size, size, u, v,
                  color);
  }
}

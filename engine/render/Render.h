// Render: internal declarations of the rendering module (textures, primitives,
// fonts, frustum), shared with the engine's other modules and the tests.
#ifndef CORVANE_RENDER_H
#define CORVANE_RENDER_H

#include "CorvaneEngine.h"

// A decoded TGA image: width x height pixels of bpp / 8 bytes each, rows in
// file order, bytes R, G, B (, A). `data` is allocated by the reader with
// malloc and released by the caller with free.
struct SImageTGA {
  unsigned char* data;
  unsigned int bpp;
  unsigned int width;
  unsigned int height;
  unsigned int format;  // GL_RGB for 24 bits, GL_RGBA for 32
};

#include <cstddef>

// Pixel budget of one image, checked before anything is allocated: each
// side at most 8192 (the usual GL maximum texture size) and at most 16 M
// pixels in all (64 MiB at 32 bits; the keyed maker copies it once more).
// The game's largest picture is 1536 pixels wide.
constexpr unsigned kMaxTgaSide = 8192;
constexpr size_t kMaxTgaPixels = size_t{4096} * 4096;
// Largest TGA file read: the header plus the worst run-length encoding of
// the largest image (one header byte per 32-bit pixel), plus room for the
// optional footer and extension area.
constexpr size_t kMaxTgaFile = 18 + kMaxTgaPixels * 5 + 64 * 1024;

// Reads an uncompressed (type 2) or run-length (type 10) true-colour TGA.
// On failure shows an error box, leaves image->data null and returns false.
bool ReadTGA(SImageTGA* image, const char* path);
// The same from a file image already in memory (size bytes at data).
bool DecodeTGA(SImageTGA* image, const unsigned char* data, size_t size);
// Text and caption of the reader's last error box (null before any).
extern const char* TgaLastError;
extern const char* TgaLastCaption;
// While true the reader's errors only set the two texts above, without an
// error box (for images whose absence the caller reports itself).
extern bool TgaQuiet;

// 1 where the registry entry of the same index is a colour-keyed texture.
extern unsigned char TextureAlpha[CORVANE_MAX_TEXTURES];

// The six view planes (a, b, c, d): right, left, bottom, top, far, near.
extern float Frustum[6][4];

// Names of the unit-plane buffers (0 until Init3DPrimitives has run).
extern unsigned int PlaneVertexBuffer;
extern unsigned int PlaneTexCoordBuffer;
extern unsigned int PlaneIndexBuffer;

#endif

// Render: internal declarations of the rendering module (textures, primitives,
// fonts, frustum), shared with the engine's other modules and the tests.
#ifndef CORVANE_RENDER_H
#define CORVANE_RENDER_H

#include "CorvaneEngine.h"

// A decoded image (TGA or PNG): width x height pixels of bpp / 8 bytes
// each, bottom row first, left to right, bytes R, G, B (, A). `data` is allocated by the reader
// with malloc and released by the caller with free.
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
// On failure shows an error box, leaves image->data null and returns false;
// a file of a kind not taken (colour-mapped, grey, 16-bit) also gets a log
// line naming it with its type and bits.
bool ReadTGA(SImageTGA* image, const char* path);
// The same from a file image already in memory (size bytes at data).
bool DecodeTGA(SImageTGA* image, const unsigned char* data, size_t size);
// What the texture makers read: a PNG file (by its signature, whatever its
// name) or else a TGA, as ReadTGA does.
bool ReadImage(SImageTGA* image, const char* path);
// True when the n bytes at data start with the 8-byte PNG signature.
bool IsPngSignature(const unsigned char* data, size_t n);
// Decodes a PNG file image (any colour type and depth) to 8-bit RGB, or
// RGBA when the file has alpha (an alpha channel or transparency entries),
// bottom row first. The pixel budget above holds before any allocation.
bool DecodePNG(SImageTGA* image, const unsigned char* data, size_t size);
// Text and caption of the readers' last error box (null before any).
extern const char* TgaLastError;
extern const char* TgaLastCaption;
// Why the last refused file was refused, beyond the box text (the kind of
// image, or the PNG decoder's own words); null when the box says it all.
extern const char* TgaLastReason;
extern char TgaLastReasonText[256];
// Shows the readers' error box and records its text and caption.
void ImageReaderFail(const char* text, const char* caption = "ERROR");

// Uploads level 0 of the bound GL_TEXTURE_2D and its mipmaps. A picture
// whose sides are not powers of two goes up at its own size where the
// context takes any size (GL 2.0 or ARB_texture_non_power_of_two) and can
// build mipmaps itself (glGenerateMipmap, or GL_GENERATE_MIPMAP before 3.0);
// otherwise, and for power-of-two pictures, GLU builds the levels
// (resampling to powers of two where needed). Rows must be tightly packed.
void UploadMipmapped(int components, unsigned width, unsigned height, unsigned format,
                     const void* pixels);
// What the current context offers for that (queried at each upload).
struct TextureUploadCaps {
  bool anySize;            // non-power-of-two sizes
  bool generateMipmap;     // glGenerateMipmap (GL 3.0, ARB/EXT_framebuffer_object)
  bool generateParameter;  // GL_GENERATE_MIPMAP (GL 1.4, SGIS_generate_mipmap)
};
TextureUploadCaps QueryTextureUploadCaps();
// Tests point this at caps of their own to take the other paths; null
// (the default) asks the context.
extern const TextureUploadCaps* TextureUploadCapsOverride;
// While true the reader's errors only set the two texts above, without an
// error box (for images whose absence the caller reports itself).
extern bool TgaQuiet;

// 1 where the registry entry of the same index is a colour-keyed texture.
extern unsigned char TextureAlpha[CORVANE_MAX_TEXTURES];

// The six view planes (a, b, c, d): right, left, bottom, top, far, near.
extern float Frustum[6][4];

// The texture binding the engine remembers, so that binding the texture
// already bound costs no GL call. Every engine bind of GL_TEXTURE_2D goes
// through BindTexture2D; ForgetBoundTexture makes the next bind happen
// whatever it names (a new context, or a bind the engine did not make).
void BindTexture2D(unsigned int name);
void ForgetBoundTexture();
// Binds texture 0 whatever is remembered: the brackets that promise an
// unbound texture (Begin2D, Begin3D, End3D) keep that promise even after a
// bind the engine did not make.
void UnbindTexture2D();
// The remembered binding; false when nothing is remembered.
bool BoundTexture2D(unsigned int* name);
// True where the texture name is registered as colour-keyed or with alpha.
bool TextureHasAlpha(unsigned int name);

// The 2D pass (Begin2D .. End2D) collects bitmap-font glyphs whose blending
// does not depend on earlier state and draws them together: one draw call
// per run of glyphs that share a texture and blend function. Anything else
// the engine does with the context draws them first (RequireGL), as does
// End2D; GL state afterwards is what drawing them one by one leaves.
namespace batch2d {
// Nesting depth of Begin2D/End2D (0 outside a 2D pass).
extern int Depth;
// Glyphs waiting to be drawn (0 when none).
extern int Pending;
// Adds one glyph quad: the rectangle (x0, y0)-(x1, y1) of the current 2D
// matrix, texture coordinates u0..u1 left to right, vTop..vBottom top to
// bottom, tinted by rgba and blended with (src, dst).
void AddQuad(unsigned int texture, unsigned int src, unsigned int dst, float x0, float y0, float x1,
             float y1, float u0, float u1, float vTop, float vBottom, const float* rgba);
// Draws the waiting glyphs (nothing when none).
void Flush();
// Drops anything waiting without drawing (the context is gone).
void Reset();
}  // namespace batch2d

// The pool of static quad buffers (CreateQuadBuffer); a new context
// forgets every buffer of the old one.
void ResetQuadBuffers();

// Names of the unit-plane buffers (0 until Init3DPrimitives has run).
extern unsigned int PlaneVertexBuffer;
extern unsigned int PlaneTexCoordBuffer;
extern unsigned int PlaneIndexBuffer;

#endif

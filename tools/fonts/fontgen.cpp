// Bitmap font maker: renders a TrueType face with FreeType into the HUD's
// glyph image, a 16 x 16 grid of square cells where cell b - 1 holds the
// Windows-1251 character of byte b (so Cyrillic letters are there too).
// White glyphs on pure black; black is the transparent colour.
//
//   fontgen DATA_DIR PROPORTIONAL_TTF MONOSPACED_TTF
//
// The HUD advances by half a cell per character, so every glyph is centred
// in its cell and kept within about half the cell's width.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <string>

#include "AssetIO.h"
#include "Cp1251.h"

using namespace assets;

namespace {

unsigned CodePoint(int byte) {
  if (byte < 32 || byte == 127) return 0;  // control bytes have no picture
  return cp1251::ToCodePoint((unsigned char)byte);
}

// Renders one face into a 512 x 512 grid of 32-pixel cells. `pixels` is the
// em size; glyphs wider than `maxInk` pixels are squeezed to fit.
bool RenderFont(const char* ttf, int pixels, int maxInk, Image* out) {
  FT_Library lib;
  FT_Face face;
  if (FT_Init_FreeType(&lib)) return false;
  if (FT_New_Face(lib, ttf, 0, &face)) {
    std::fprintf(stderr, "cannot open font %s\n", ttf);
    FT_Done_FreeType(lib);
    return false;
  }
  FT_Set_Pixel_Sizes(face, 0, pixels);
  const int cell = 32, baseline = 25;
  *out = Image(cell * 16, cell * 16);
  for (int byte = 1; byte < 256; ++byte) {
    unsigned cp = CodePoint(byte);
    if (!cp || cp == 0x20 || cp == 0xA0) continue;
    FT_UInt gi = FT_Get_Char_Index(face, cp);
    if (!gi) continue;
    // First pass measures the ink, the second renders, squeezed if needed.
    FT_Set_Transform(face, nullptr, nullptr);
    if (FT_Load_Glyph(face, gi, FT_LOAD_DEFAULT)) continue;
    float ink = face->glyph->metrics.width / 64.0f;
    if (ink > maxInk) {
      FT_Matrix m;
      m.xx = (FT_Fixed)(65536.0 * maxInk / ink);
      m.xy = 0;
      m.yx = 0;
      m.yy = 0x10000;
      FT_Set_Transform(face, &m, nullptr);
    }
    if (FT_Load_Glyph(face, gi, FT_LOAD_RENDER)) continue;
    FT_GlyphSlot g = face->glyph;
    const FT_Bitmap& bm = g->bitmap;
    int g1 = byte - 1;
    int cx = (g1 % 16) * cell, cy = (g1 / 16) * cell;
    int left = cx + (cell - (int)bm.width) / 2;
    int top = cy + baseline - g->bitmap_top;
    for (unsigned y = 0; y < bm.rows; ++y)
      for (unsigned x = 0; x < bm.width; ++x) {
        int px = left + (int)x, py = top + (int)y;
        // Ink that would spill into a neighbouring cell is dropped.
        if (px < cx || px >= cx + cell || py < cy || py >= cy + cell) continue;
        float v = bm.buffer[y * bm.pitch + x] / 255.0f;
        out->Set(px, py, v, v, v);
      }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: fontgen DATA_DIR PROPORTIONAL_TTF MONOSPACED_TTF\n");
    return 2;
  }
  std::string d = argv[1];
  Image small, large;
  // Messages and the frame rate: a monospaced face reads evenly at half-cell
  // advance. Ammunition and slot digits: the bold proportional face.
  if (!RenderFont(argv[3], 26, 17, &small)) return 1;
  if (!RenderFont(argv[2], 26, 17, &large)) return 1;
  WriteTga(d + "/UI/font.tga", small, true);
  WriteTga(d + "/UI/font2.tga", large, false);
  return 0;
}

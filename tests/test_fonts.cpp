// Sprites and bitmap fonts: glyph cells, text placement, transparency and
// the frame they produce.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <GL/glu.h>

#include "render/GLExt.h"
#include "Pictures.h"
#include "render/Render.h"
#include "testutil.h"

namespace {

const int kW = 1024, kH = 768;
typedef std::array<int, 3> Rgb;

Rgb Pixel(int x, int y) {
  const testutil::Pixel p = testutil::ReadPixel(x, y, kH);
  return {p.r, p.g, p.b};
}

// Writes a 24-bit TGA from a picture given top row first (R, G, B), stored
// bottom-up as image tools do.
void WritePicture(const char* path, int w, int h, const std::vector<unsigned char>& rgbTopDown) {
  testutil::WriteFile(path, testutil::Tga24(w, h, rgbTopDown));
}

// 256 x 256 glyph sheet: cell k (column k % 16, row k / 16 from the top)
// is filled with (k, 255 - k, 77), except that the left half of cell 1 is
// black (transparent).
void WriteCellFont(const char* path) {
  std::vector<unsigned char> px(256 * 256 * 3);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      const int k = (y / 16) * 16 + x / 16;
      unsigned char* p = &px[(y * 256 + x) * 3];
      const bool hole = k == 1 && x % 16 < 8;
      p[0] = hole ? 0 : k;
      p[1] = hole ? 0 : 255 - k;
      p[2] = hole ? 0 : 77;
    }
  }
  WritePicture(path, 256, 256, px);
}

// Cell of the glyph drawn at a pixel (its red channel), -1 for background.
int CellAt(int x, int y) {
  Rgb p = Pixel(x, y);
  if (p[2] != 77) return -1;
  EXPECT_EQ(p[0] + p[1], 255) << x << "," << y;
  return p[0];
}

class Fonts : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(testutil::OpenContext(kW, kH));
    ASSERT_EQ(cgl::LoadEntryPoints(), nullptr);
    _Zarn_ScreenWidth = kW;
    _Zarn_ScreenHeight = kH;
    glViewport(0, 0, kW, kH);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    Init3DPrimitives();
    WriteCellFont("cells.tga");
    _TextureMode = 0;
    font.Load("cells.tga", 32);
  }
  void SetUp() override {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    font.SetColor(1, 1, 1, 1);
  }
  static TFonts font;
};
TFonts Fonts::font;

TEST_F(Fonts, LoadMakesAMipmappedKeyedTextureAndResetsTheMode) {
  EXPECT_EQ(_TextureMode, 1);
  EXPECT_EQ(font.size, 32);
  ASSERT_NE(font.texture, 0u);
  EXPECT_EQ(_FreeTextures[_MaxFreeTextures], font.texture);
  glBindTexture(GL_TEXTURE_2D, font.texture);
  GLint minFilter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);

  TFonts other;
  other.SetColor(0, 1, 0, 1);
  other.Create(font.texture, 20);
  EXPECT_EQ(other.texture, font.texture);
  EXPECT_EQ(other.size, 20);
  EXPECT_EQ(other.color[1], 1.0f);
  EXPECT_EQ(other.color[0], 0.0f);
}

TEST_F(Fonts, ByteBUsesCellBMinusOne) {
  const unsigned char bytes[] = {1, 32, 65, 192, 255};
  Begin2D();
  for (int i = 0; i < 5; ++i) {
    const char s[2] = {static_cast<char>(bytes[i]), 0};
    font.Print(100 + 40 * i, 100, "%s", s);
  }
  End2D();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(CellAt(116 + 40 * i, 116), bytes[i] - 1) << int(bytes[i]);
  // Windows-1251 text goes byte by byte through the same rule.
  glClear(GL_COLOR_BUFFER_BIT);
  Begin2D();
  font.Print(0, 0, "\xC0\xDF");  // А, Я
  End2D();
  EXPECT_EQ(CellAt(8, 16), 0xC0 - 1);
  EXPECT_EQ(CellAt(40, 16), 0xDF - 1);
}

TEST_F(Fonts, GlyphsAdvanceByHalfTheirSize) {
  TFonts f = font;  // copied by value, as the menu buttons do
  f.size = 34;
  Begin2D();
  f.Print(20, 100, "AB%c", 'C');
  End2D();
  // Glyphs at 20, 37 and 54, each 34 wide; later glyphs cover earlier ones.
  EXPECT_EQ(CellAt(21, 101), 'A' - 1);
  EXPECT_EQ(CellAt(36, 120), 'A' - 1);
  EXPECT_EQ(CellAt(38, 120), 'B' - 1);
  EXPECT_EQ(CellAt(53, 120), 'B' - 1);
  EXPECT_EQ(CellAt(55, 120), 'C' - 1);
  EXPECT_EQ(CellAt(87, 132), 'C' - 1);
  EXPECT_EQ(CellAt(89, 120), -1);
  EXPECT_EQ(CellAt(30, 99), -1);
  EXPECT_EQ(CellAt(30, 134), -1);
}

TEST_F(Fonts, EmptyTextDrawsNothingAndLongTextIsCut) {
  Begin2D();
  font.Print(10, 10, "");
  font.Print(10, 10, "%s", "");
  End2D();
  std::vector<unsigned char> frame(kW * kH * 4);
  glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
  size_t lit = 0;
  for (size_t i = 0; i < frame.size(); i += 4) lit += frame[i] | frame[i + 1] | frame[i + 2];
  EXPECT_EQ(lit, 0u);

  // 300 characters of 4 pixels advancing by 2: only 255 of them are drawn.
  TFonts small = font;
  small.size = 4;
  const std::string text(300, 'A');
  Begin2D();
  small.Print(0, 300, "%s", text.c_str());
  End2D();
  EXPECT_NE(Pixel(2 * 254 + 2, 302), (Rgb{0, 0, 0}));
  EXPECT_EQ(Pixel(2 * 255 + 2, 302), (Rgb{0, 0, 0}));
}

TEST_F(Fonts, BlackIsTransparentAndTheTintBlendsNormally) {
  Begin2D();
  glDisable(GL_TEXTURE_2D);
  SetColor(0, 0, 1, 1);
  DrawRectangle(0, 0, 300, 100);
  glEnable(GL_TEXTURE_2D);
  SetColor(1, 1, 1, 1);
  font.Print(10, 10, "\x02");
  font.SetColor(1, 0, 0, 0.5f);
  font.Print(100, 10, "\xFF");
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  End2D();
  EXPECT_EQ(Pixel(14, 26), (Rgb{0, 0, 255}));  // black half of cell 1
  EXPECT_EQ(CellAt(36, 26), 1);
  // Half of red 254 over half of the blue background, not added onto it.
  Rgb p = Pixel(116, 26);
  EXPECT_NEAR(p[0], 127, 2);
  EXPECT_EQ(p[1], 0);
  EXPECT_NEAR(p[2], 128, 2);
}

TEST_F(Fonts, SpriteCoversItsRectangleAndKeepsTheKeyTransparent) {
  // 2 x 2 picture: top row white, magenta; bottom row white, white.
  WritePicture("sprite.tga", 2, 2, {255, 255, 255, 255, 0, 255, 255, 255, 255, 255, 255, 255});
  TSprite plain;
  EXPECT_EQ(plain.color[3], 1.0f);
  plain.Load("sprite.tga");
  plain.Set(30, 738, 28, 30);
  TSprite keyed;
  const int magenta[3] = {255, 0, 255};
  keyed.Load("sprite.tga", magenta);
  keyed.Set(100, 100, 20, 20);
  keyed.Move(200, 200);
  glColor4f(1, 1, 1, 1);
  plain.Draw();
  keyed.Draw();
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

  // Filtered edges blend with the neighbouring texels: test coverage only.
  EXPECT_NE(Pixel(30, 767), (Rgb{0, 0, 0}));
  EXPECT_NE(Pixel(57, 738), (Rgb{0, 0, 0}));
  EXPECT_EQ(Pixel(40, 760), (Rgb{255, 255, 255}));
  EXPECT_EQ(Pixel(29, 760), (Rgb{0, 0, 0}));
  EXPECT_EQ(Pixel(58, 760), (Rgb{0, 0, 0}));
  EXPECT_EQ(Pixel(40, 737), (Rgb{0, 0, 0}));
  // Unfiltered keyed sprite: the top-right quarter is see-through.
  EXPECT_EQ(Pixel(201, 201), (Rgb{255, 255, 255}));
  EXPECT_EQ(Pixel(218, 201), (Rgb{0, 0, 0}));
  EXPECT_EQ(Pixel(218, 218), (Rgb{255, 255, 255}));
  EXPECT_EQ(Pixel(100, 100), (Rgb{0, 0, 0}));
}

// A whole frame: a textured cube in perspective, a sprite and a line of
// text, saved as frame.png for a look (each glyph is a green "F").
TEST_F(Fonts, FrameWithCubeSpriteAndText) {
  std::vector<unsigned char> px(256 * 256 * 3, 0);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      const int cx = x % 16, cy = y % 16;
      const bool f = (cx >= 3 && cx <= 5 && cy >= 2 && cy <= 13) ||
                     (cy >= 2 && cy <= 4 && cx >= 3 && cx <= 12) ||
                     (cy >= 7 && cy <= 8 && cx >= 3 && cx <= 9);
      px[(y * 256 + x) * 3 + 1] = f ? 255 : 0;
    }
  }
  WritePicture("ffont.tga", 256, 256, px);
  TFonts ff;
  ff.Load("ffont.tga", 48);
  std::vector<unsigned char> arrow(32 * 32 * 3, 255);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x <= y / 2; ++x) arrow[(y * 32 + x) * 3 + 2] = 0;  // yellow wedge top-left
  WritePicture("arrow.tga", 32, 32, arrow);
  TSprite sprite;
  sprite.Load("arrow.tga");
  sprite.Set(700, 50, 256, 256);
  unsigned int cubeTex = LoadTexture("arrow.tga");

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45, double(kW) / kH, 0.1, 300);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  SetCamera(0, 2, 6, 0, 0, 0);
  Begin3D();
  SetPos3D(-1, 0, 0);
  RotateY(30);
  SetTexture(cubeTex);
  DrawCube();
  End3D();
  sprite.Draw();
  Begin2D();
  ff.SetColor(1, 1, 1, 1);
  ff.Print(40, 40, "FFF %d", 7);
  End2D();

  testutil::SavePng("frame", kW, kH);
  EXPECT_EQ(Pixel(710, 290), (Rgb{255, 255, 0}));  // wedge widens downward
  EXPECT_EQ(Pixel(740, 70), (Rgb{255, 255, 255}));
  EXPECT_EQ(Pixel(52, 60), (Rgb{0, 255, 0}));  // stem of the first "F"
  EXPECT_EQ(Pixel(80, 49), (Rgb{0, 255, 0}));  // its top bar
  EXPECT_EQ(Pixel(60, 86), (Rgb{0, 0, 0}));
}

}  // namespace

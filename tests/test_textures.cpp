// Texture makers: uploaded pixels, colour key, mask, registry and the
// blend state SetTexture leaves behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <GL/gl.h>
#include <GL/glu.h>

#include "render/Render.h"
#include "Pictures.h"
#include "testutil.h"

namespace {

std::string Tga(int type, int w, int h, int bpp, const std::vector<int>& bgr) {
  std::string s = testutil::TgaHeader(type, w, h, bpp);
  for (int b : bgr) s.push_back(static_cast<char>(b));
  return s;
}

// Texture level 0 (or `level`) of the bound texture as tightly packed bytes.
std::vector<unsigned char> TexImage(GLenum format, int channels, int level = 0) {
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
  std::vector<unsigned char> out(static_cast<size_t>(w) * h * channels);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (!out.empty()) glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, out.data());
  return out;
}

class Textures : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(testutil::OpenContext(64, 64));
    glEnable(GL_TEXTURE_2D);
  }
};

// Two rows of two pixels (6 bytes a row, not a multiple of 4); stored
// B, G, R. Sizes are powers of two: mipmap building rescales others.
const std::vector<int> kPixels = {
    128, 128, 128, /**/ 129, 128, 128,  // row 0
    30,  20,  10,  /**/ 255, 0,   7,    // row 1
};
const int kGrey[3] = {128, 128, 128};

TEST_F(Textures, RegistryStartsEmptyAndCountsEveryLoad) {
  EXPECT_EQ(_MaxFreeTextures, -1);
  EXPECT_EQ(_TextureMode, 1);
  testutil::WriteFile("a.tga", Tga(2, 2, 2, 24, kPixels));
  unsigned int a = LoadTexture("a.tga");
  EXPECT_NE(a, 0u);
  EXPECT_EQ(_MaxFreeTextures, 0);
  EXPECT_EQ(_FreeTextures[0], a);

  // A failed load returns no texture but still takes the next entry.
  EXPECT_EQ(LoadTexture("missing.tga"), 0u);
  EXPECT_EQ(LoadTexture("missing.tga", kGrey), 0u);
  EXPECT_EQ(CreateMaskTexture("missing.tga", kGrey), 0u);
  EXPECT_EQ(_MaxFreeTextures, 3);
  EXPECT_EQ(_FreeTextures[3], 0u);

  // The alpha flag follows the texture, also after failed loads shifted
  // the registry away from the GL names.
  unsigned int keyed = LoadTexture("a.tga", kGrey);
  unsigned int plain = LoadTexture("a.tga");
  EXPECT_EQ(_MaxFreeTextures, 5);
  EXPECT_EQ(_FreeTextures[4], keyed);
  EXPECT_EQ(_FreeTextures[5], plain);

  glDisable(GL_BLEND);
  SetTexture(plain);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  SetTexture(plain);  // leaves the blend state as it was
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(src, GL_ONE);
  EXPECT_EQ(dst, GL_ONE);

  glDisable(GL_BLEND);
  SetTexture(keyed);
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<unsigned int>(bound), keyed);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(src, GL_SRC_ALPHA);
  EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);

  glDisable(GL_BLEND);
  SetTexture(0);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(Textures, PlainTextureKeepsEveryRowIn24And32Bits) {
  const std::vector<unsigned char> expect = {128, 128, 128, 128, 128, 129, 10, 20, 30, 7, 0, 255};
  testutil::WriteFile("p24.tga", Tga(2, 2, 2, 24, kPixels));
  LoadTexture("p24.tga");
  EXPECT_EQ(TexImage(GL_RGB, 3), expect);

  std::vector<int> bgra;
  for (size_t i = 0; i < kPixels.size(); i += 3) {
    bgra.insert(bgra.end(), {kPixels[i], kPixels[i + 1], kPixels[i + 2], 77});
  }
  testutil::WriteFile("p32.tga", Tga(2, 2, 2, 32, bgra));
  LoadTexture("p32.tga");
  EXPECT_EQ(TexImage(GL_RGB, 3), expect);
  GLint minFilter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
}

TEST_F(Textures, ColourKeyAndMaskCompareExactly) {
  std::vector<int> bgra;
  for (size_t i = 0; i < kPixels.size(); i += 3) {
    bgra.insert(bgra.end(), {kPixels[i], kPixels[i + 1], kPixels[i + 2], 0});
  }
  testutil::WriteFile("k24.tga", Tga(2, 2, 2, 24, kPixels));
  testutil::WriteFile("k32.tga", Tga(2, 2, 2, 32, bgra));
  const std::vector<unsigned char> alpha = {0, 255, 255, 255};
  for (const char* file : {"k24.tga", "k32.tga"}) {
    SCOPED_TRACE(file);
    LoadTexture(file, kGrey);
    std::vector<unsigned char> rgba = TexImage(GL_RGBA, 4);
    ASSERT_EQ(rgba.size(), 16u);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(rgba[i * 4 + 3], alpha[i]) << i;
      EXPECT_EQ(rgba[i * 4 + 0], kPixels[i * 3 + 2]) << i;
      EXPECT_EQ(rgba[i * 4 + 2], kPixels[i * 3 + 0]) << i;
    }
    CreateMaskTexture(file, kGrey);
    std::vector<unsigned char> mask = TexImage(GL_RGB, 3);
    ASSERT_EQ(mask.size(), 12u);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(mask[i], alpha[i / 3] ? 0 : 255) << i;
  }
}

TEST_F(Textures, TextureModeChoosesTheKeyedUploadPath) {
  testutil::WriteFile("m.tga", Tga(2, 4, 4, 24, std::vector<int>(48, 200)));
  GLint minFilter = 0, level1 = 0;
  _TextureMode = 1;
  LoadTexture("m.tga", kGrey);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(minFilter, GL_NEAREST);
  EXPECT_TRUE(TexImage(GL_RGBA, 4, 1).empty());

  _TextureMode = 0;
  LoadTexture("m.tga", kGrey);
  _TextureMode = 1;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &level1);
  EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
  EXPECT_EQ(level1, 2);
}

// Level `level`'s size of the bound texture.
void LevelSize(int level, GLint* w, GLint* h) {
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, h);
}

// A 5 x 3 picture as B, G, R stored bottom-up, and the RGB texture rows it
// must give.
std::vector<int> Npot(std::vector<unsigned char>* rgb) {
  std::vector<int> bgr;
  for (int i = 0; i < 15; ++i) {
    const int r = i * 16, g = 255 - i * 9, b = (i * 53) & 255;
    bgr.insert(bgr.end(), {b, g, r});
    rgb->insert(rgb->end(), {static_cast<unsigned char>(r), static_cast<unsigned char>(g),
                             static_cast<unsigned char>(b)});
  }
  return bgr;
}

TEST_F(Textures, TexturesKeepTheirOwnSizeWithMipmaps) {
  std::vector<unsigned char> rgb;
  testutil::WriteFile("npot.tga", Tga(2, 5, 3, 24, Npot(&rgb)));
  GLint w = 0, h = 0;
  // What the context offers (Mesa: GL 2.0 and later, glGenerateMipmap).
  LoadTexture("npot.tga");
  LevelSize(0, &w, &h);
  EXPECT_EQ(w, 5);
  EXPECT_EQ(h, 3);
  EXPECT_EQ(TexImage(GL_RGB, 3), rgb);
  LevelSize(1, &w, &h);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 1);
  LevelSize(2, &w, &h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);

  // A GL before 3.0: the levels come from GL_GENERATE_MIPMAP.
  const TextureUploadCaps old = {true, false, true};
  TextureUploadCapsOverride = &old;
  LoadTexture("npot.tga");
  LevelSize(0, &w, &h);
  EXPECT_EQ(w, 5);
  EXPECT_EQ(TexImage(GL_RGB, 3), rgb);
  LevelSize(1, &w, &h);
  EXPECT_EQ(w, 2);

  // No non-power-of-two textures: GLU resamples to powers of two.
  const TextureUploadCaps none = {false, false, false};
  TextureUploadCapsOverride = &none;
  LoadTexture("npot.tga");
  TextureUploadCapsOverride = nullptr;
  LevelSize(0, &w, &h);
  EXPECT_EQ(w & (w - 1), 0) << w;
  EXPECT_EQ(h & (h - 1), 0) << h;
  EXPECT_NE(w, 5);
}

// A picture drawn at its own size needs no smaller levels: one level at the
// picture's own size, linear filters, so the texture is complete without
// mipmaps. A context that cannot take the size falls back to the
// mipmapped, resampled path rather than to an incomplete texture.
TEST_F(Textures, TexturesWithoutMipmapsKeepOneLevelAtTheirOwnSize) {
  std::vector<unsigned char> rgb;
  testutil::WriteFile("flat.tga", Tga(2, 5, 3, 24, Npot(&rgb)));
  const int before = _MaxFreeTextures;
  ASSERT_NE(LoadTextureNoMipmaps("flat.tga"), 0u);
  EXPECT_EQ(_MaxFreeTextures, before + 1);
  GLint w = 0, h = 0, minFilter = 0;
  LevelSize(0, &w, &h);
  EXPECT_EQ(w, 5);
  EXPECT_EQ(h, 3);
  EXPECT_EQ(TexImage(GL_RGB, 3), rgb);
  LevelSize(1, &w, &h);
  EXPECT_EQ(w, 0) << "no second level";
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(minFilter, GL_LINEAR);

  const TextureUploadCaps none = {false, false, false};
  TextureUploadCapsOverride = &none;
  LoadTextureNoMipmaps("flat.tga");
  TextureUploadCapsOverride = nullptr;
  LevelSize(0, &w, &h);
  EXPECT_EQ(w & (w - 1), 0) << w;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);

  EXPECT_EQ(LoadTextureNoMipmaps("missing.tga"), 0u);
}

TEST_F(Textures, PowerOfTwoTexturesKeepEveryLevelAsGluBuildsIt) {
  std::vector<int> bgr;
  for (int i = 0; i < 8 * 4 * 3; ++i) bgr.push_back((i * 97 + 13) & 255);
  std::vector<unsigned char> rgb;
  for (size_t i = 0; i < bgr.size(); i += 3)
    rgb.insert(rgb.end(),
               {static_cast<unsigned char>(bgr[i + 2]), static_cast<unsigned char>(bgr[i + 1]),
                static_cast<unsigned char>(bgr[i])});
  // What the makers have always uploaded: GLU's levels of the pixels.
  GLuint reference = 0;
  glGenTextures(1, &reference);
  glBindTexture(GL_TEXTURE_2D, reference);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 8, 4, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  std::vector<std::vector<unsigned char>> levels;
  for (int level = 0; level < 4; ++level) levels.push_back(TexImage(GL_RGB, 3, level));
  EXPECT_EQ(levels[0], rgb);

  testutil::WriteFile("pot.tga", Tga(2, 8, 4, 24, bgr));
  LoadTexture("pot.tga");
  for (int level = 0; level < 4; ++level)
    EXPECT_EQ(TexImage(GL_RGB, 3, level), levels[level]) << level;
}

TEST_F(Textures, AlphaMakerKeepsTheFilesAlpha) {
  // 32-bit TGA: B, G, R, A; the texture keeps A.
  testutil::WriteFile("a32.tga", Tga(2, 2, 1, 32, {1, 2, 3, 40, 4, 5, 6, 250}));
  const unsigned int t = LoadTextureWithAlpha("a32.tga");
  ASSERT_NE(t, 0u);
  EXPECT_EQ(TexImage(GL_RGBA, 4), (std::vector<unsigned char>{3, 2, 1, 40, 6, 5, 4, 250}));
  GLint minFilter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
  glDisable(GL_BLEND);
  SetTexture(t);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  glDisable(GL_BLEND);

  // 24-bit: opaque.
  testutil::WriteFile("a24.tga", Tga(2, 1, 1, 24, {7, 8, 9}));
  LoadTextureWithAlpha("a24.tga");
  EXPECT_EQ(TexImage(GL_RGBA, 4), (std::vector<unsigned char>{9, 8, 7, 255}));

  // PNG: grey + alpha and a palette with a transparent entry, 2 x 2, top
  // row first in the file, bottom row first in the texture.
  testutil::PngPicture ga;
  ga.width = ga.height = 2;
  ga.colourType = 4;
  ga.samples = {10, 0, 20, 100, 30, 200, 40, 255};
  testutil::WriteFile("ga.png", testutil::PngFile(ga));
  LoadTextureWithAlpha("ga.png");
  EXPECT_EQ(TexImage(GL_RGBA, 4), (std::vector<unsigned char>{30, 30, 30, 200, 40, 40, 40, 255, 10,
                                                              10, 10, 0, 20, 20, 20, 100}));
  testutil::PngPicture pal;
  pal.width = pal.height = 2;
  pal.colourType = 3;
  pal.samples = {0, 1, 1, 0};
  pal.palette = {200, 100, 50, 1, 2, 3};
  pal.trns = std::string(1, '\0');
  testutil::WriteFile("pal.png", testutil::PngFile(pal));
  LoadTextureWithAlpha("pal.png");
  EXPECT_EQ(TexImage(GL_RGBA, 4), (std::vector<unsigned char>{1, 2, 3, 255, 200, 100, 50, 0, 200,
                                                              100, 50, 0, 1, 2, 3, 255}));
  EXPECT_EQ(LoadTextureWithAlpha("missing.png"), 0u);
}

TEST_F(Textures, PngFollowsTheTgaRulesInEveryMaker) {
  // The same 2 x 2 picture as a bottom-left TGA (kPixels, rows bottom-up)
  // and as an RGBA PNG (top row first) whose alpha the makers must ignore.
  testutil::PngPicture p;
  p.width = p.height = 2;
  p.colourType = 6;
  for (int row = 1; row >= 0; --row)
    for (int x = 0; x < 2; ++x) {
      const int* bgr = &kPixels[(row * 2 + x) * 3];
      p.samples.insert(p.samples.end(),
                       {static_cast<unsigned>(bgr[2]), static_cast<unsigned>(bgr[1]),
                        static_cast<unsigned>(bgr[0]), 0u});
    }
  testutil::WriteFile("same.png", testutil::PngFile(p));
  testutil::WriteFile("same.tga", Tga(2, 2, 2, 24, kPixels));
  LoadTexture("same.tga");
  const std::vector<unsigned char> plain = TexImage(GL_RGB, 3);
  LoadTexture("same.png");
  EXPECT_EQ(TexImage(GL_RGB, 3), plain);
  LoadTexture("same.tga", kGrey);
  const std::vector<unsigned char> keyed = TexImage(GL_RGBA, 4);
  LoadTexture("same.png", kGrey);
  EXPECT_EQ(TexImage(GL_RGBA, 4), keyed);
  CreateMaskTexture("same.tga", kGrey);
  const std::vector<unsigned char> mask = TexImage(GL_RGB, 3);
  CreateMaskTexture("same.png", kGrey);
  EXPECT_EQ(TexImage(GL_RGB, 3), mask);
}

TEST_F(Textures, FullRegistryStopsAt2048Entries) {
  testutil::WriteFile("one.tga", Tga(2, 1, 1, 24, {1, 2, 3}));
  while (_MaxFreeTextures < CORVANE_MAX_TEXTURES - 1) LoadTexture("one.tga");
  const unsigned int last = _FreeTextures[CORVANE_MAX_TEXTURES - 1];
  unsigned int extra = LoadTexture("one.tga", kGrey);
  EXPECT_NE(extra, 0u);  // still made and returned, just not recorded
  EXPECT_EQ(LoadTexture("missing.tga"), 0u);
  EXPECT_EQ(_MaxFreeTextures, CORVANE_MAX_TEXTURES - 1);
  EXPECT_EQ(_FreeTextures[CORVANE_MAX_TEXTURES - 1], last);
}

}  // namespace

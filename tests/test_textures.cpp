// Texture makers: uploaded pixels, colour key, mask, registry and the
// blend state SetTexture leaves behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <GL/gl.h>

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

// Fewer GL calls for the same picture: static quad buffers against the
// same quads drawn corner by corner, the 2D pass's glyph batch against
// glyphs drawn one by one, and texture binds made only on a change.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "Pictures.h"
#include "render/GLExt.h"
#include "render/Render.h"
#include "testutil.h"

// Last: the engine's call counters.
#include "render/GLCount.h"

namespace {

const int kW = 256, kH = 256;

// A 64 x 64 picture with a coloured gradient, black in one corner (the
// colour key of a font).
void WriteGradient(const char* path) {
  std::vector<unsigned char> px(64 * 64 * 3);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      unsigned char* p = &px[(y * 64 + x) * 3];
      const bool hole = x < 8 && y < 8;
      p[0] = hole ? 0 : static_cast<unsigned char>(x * 4);
      p[1] = hole ? 0 : static_cast<unsigned char>(y * 4);
      p[2] = hole ? 0 : 200;
    }
  testutil::WriteFile(path, testutil::Tga24(64, 64, px));
}

class Batching : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(testutil::OpenContext(kW, kH));
    InitGL(kW, kH);
    _Zarn_ScreenWidth = kW;
    _Zarn_ScreenHeight = kH;
    WriteGradient("gradient.tga");
    texture = LoadTexture("gradient.tga");
    font.Load("gradient.tga", 24);
  }
  void SetUp() override {
    glClearColor(0.1f, 0.2f, 0.3f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
  }
  static unsigned int texture;
  static TFonts font;
};
unsigned int Batching::texture = 0;
TFonts Batching::font;

// Two quads facing the camera, a little apart, in the unit cube.
void TwoQuads(float (*xyz)[3], float (*st)[2]) {
  const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (int q = 0; q < 2; q++)
    for (int k = 0; k < 4; k++) {
      xyz[q * 4 + k][0] = corners[k][0] * 0.4f + (q ? 0.5f : -0.5f);
      xyz[q * 4 + k][1] = corners[k][1] * 0.4f;
      xyz[q * 4 + k][2] = -3;
      st[q * 4 + k][0] = (corners[k][0] + 1) / 2;
      st[q * 4 + k][1] = (corners[k][1] + 1) / 2;
    }
}

TEST_F(Batching, QuadBufferDrawsWhatDrawQuadsDrawsInOneCall) {
  float xyz[8][3], st[8][2];
  TwoQuads(xyz, st);
  SetTexture(texture);
  DrawQuads(xyz, st, 8);
  const std::vector<unsigned char> direct = testutil::ReadFrame(kW, kH);

  SetUp();
  const unsigned int buffer = CreateQuadBuffer(xyz, st, 8);
  ASSERT_NE(buffer, 0u);
  SetTexture(texture);
  const cgl::GLCallCounts before = cgl::GLCalls;
  EXPECT_TRUE(DrawQuadBuffer(buffer, 0, 8));
  EXPECT_EQ(cgl::GLCalls.draws - before.draws, 1u);
  EXPECT_EQ(testutil::ReadFrame(kW, kH), direct);

  // A range draws only its quads; an update replaces corners in place.
  SetUp();
  const int background = testutil::ReadPixel(2, 2, kH).b;
  EXPECT_TRUE(DrawQuadBuffer(buffer, 4, 4));
  EXPECT_EQ(testutil::ReadPixel(kW / 2 - 64, kH / 2, kH).b, background);
  float none[4][3] = {}, noTex[4][2] = {};
  EXPECT_TRUE(UpdateQuadBuffer(buffer, 0, none, noTex, 4));
  SetUp();
  EXPECT_TRUE(DrawQuadBuffer(buffer, 0, 8));
  EXPECT_EQ(testutil::ReadPixel(kW / 2 - 64, kH / 2, kH).b, background);
  EXPECT_EQ(testutil::ReadPixel(kW / 2 + 64, kH / 2, kH).b, 200);

  // Ranges outside the buffer are refused or cut to it; nothing is written
  // or read past its end.
  EXPECT_FALSE(UpdateQuadBuffer(buffer, 4, none, noTex, 8));
  EXPECT_FALSE(UpdateQuadBuffer(buffer, -4, none, noTex, 4));
  EXPECT_FALSE(UpdateQuadBuffer(buffer, 0, nullptr, noTex, 4));
  EXPECT_TRUE(DrawQuadBuffer(buffer, -4, 100));
  DeleteQuadBuffer(buffer);
  EXPECT_FALSE(DrawQuadBuffer(buffer, 0, 8));
  EXPECT_FALSE(DrawQuadBuffer(0, 0, 8));
  EXPECT_EQ(CreateQuadBuffer(nullptr, st, 8), 0u);
}

TEST_F(Batching, QuadBufferWithoutBufferObjectsDrawsFromMemory) {
  float xyz[8][3], st[8][2];
  TwoQuads(xyz, st);
  SetTexture(texture);
  DrawQuads(xyz, st, 8);
  const std::vector<unsigned char> direct = testutil::ReadFrame(kW, kH);

  SetUp();
  PFNGLGENBUFFERSARBPROC gen = cgl::glGenBuffersARB;
  cgl::glGenBuffersARB = nullptr;
  const unsigned int buffer = CreateQuadBuffer(xyz, st, 8);
  cgl::glGenBuffersARB = gen;
  ASSERT_NE(buffer, 0u);
  SetTexture(texture);
  EXPECT_TRUE(DrawQuadBuffer(buffer, 0, 8));
  EXPECT_EQ(testutil::ReadFrame(kW, kH), direct);
  DeleteQuadBuffer(buffer);
}

TEST_F(Batching, HandlesOfAnEarlierContextAreRefused) {
  float xyz[4][3] = {}, st[4][2] = {};
  const unsigned int buffer = CreateQuadBuffer(xyz, st, 4);
  ASSERT_NE(buffer, 0u);
  ResetQuadBuffers();
  EXPECT_FALSE(DrawQuadBuffer(buffer, 0, 4));
  EXPECT_FALSE(UpdateQuadBuffer(buffer, 0, xyz, st, 4));
}

// Text printed in a 2D pass: the same pixels as glyph by glyph through
// DrawSpriteCut, in one draw call for runs of one font, whatever the tints.
TEST_F(Batching, GlyphsOfAPassMatchGlyphsDrawnOneByOne) {
  const float tints[3][4] = {{1, 1, 1, 1}, {0, 1, 0, 1}, {1, 0, 0, 0.5f}};
  Begin2D();
  for (int line = 0; line < 3; line++) {
    for (int i = 0; i < 6; i++) {
      const int g = 'A' + i + line - 1;
      const double u[2] = {(g % 16) / 16.0, (g % 16 + 1) / 16.0};
      const double v[2] = {(15 - g / 16) / 16.0, (16 - g / 16) / 16.0};
      DrawSpriteCut(font.texture, font.texture, 10 + (24 * i) / 2, 10 + 40 * line, 24, 24, u, v,
                    tints[line]);
    }
  }
  End2D();
  const std::vector<unsigned char> oneByOne = testutil::ReadFrame(kW, kH);

  SetUp();
  const cgl::GLCallCounts before = cgl::GLCalls;
  Begin2D();
  for (int line = 0; line < 3; line++) {
    font.SetColor(tints[line][0], tints[line][1], tints[line][2], tints[line][3]);
    const char text[7] = {char('A' + line),
                          char('B' + line),
                          char('C' + line),
                          char('D' + line),
                          char('E' + line),
                          char('F' + line),
                          0};
    font.Print(10, 10 + 40 * line, "%s", text);
  }
  EXPECT_EQ(cgl::GLCalls.draws, before.draws);  // held until the pass ends
  End2D();
  EXPECT_EQ(cgl::GLCalls.draws - before.draws, 1u);
  EXPECT_EQ(testutil::ReadFrame(kW, kH), oneByOne);
}

TEST_F(Batching, HeldGlyphsLeaveTheStateOfGlyphsDrawnOneByOne) {
  Begin2D();
  font.SetColor(0.25f, 0.5f, 0.75f, 1);
  font.Print(0, 0, "AB");
  // The next call that needs the context draws them first.
  SetColor(1, 1, 1, 1);
  EXPECT_EQ(batch2d::Pending, 0);
  End2D();

  Begin2D();
  font.Print(0, 0, "AB");
  ForgetGLState();
  EXPECT_EQ(batch2d::Pending, 0);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[2], 0.75f);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<unsigned int>(bound), font.texture);
  End2D();
}

TEST_F(Batching, TexturesAreBoundOnlyWhenTheyChange) {
  ForgetGLState();
  const cgl::GLCallCounts before = cgl::GLCalls;
  SetTexture(texture);
  SetTexture(texture);
  Begin3D();  // unbinds
  SetTexture(texture);
  End3D();
  EXPECT_EQ(cgl::GLCalls.textureBinds - before.textureBinds, 4u);

  // After a bind the engine did not make, ForgetGLState makes it bind again.
  SetTexture(texture);
  glBindTexture(GL_TEXTURE_2D, 0);
  ForgetGLState();
  SetTexture(texture);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<unsigned int>(bound), texture);
}

}  // namespace

// Drawing state, camera and primitives on a real context: what lands on
// the screen and the GL state each call leaves behind.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include <GL/gl.h>

#include "render/GLExt.h"
#include "render/Render.h"
#include "testutil.h"

namespace {

const int kW = 256, kH = 256;
typedef std::array<int, 3> Rgb;

// Colour at a 2D screen position (origin top-left).
Rgb Pixel(int x, int y) {
  const testutil::Pixel p = testutil::ReadPixel(x, y, kH);
  return {p.r, p.g, p.b};
}

std::array<float, 4> CurrentColor() {
  std::array<float, 4> c{};
  glGetFloatv(GL_CURRENT_COLOR, c.data());
  return c;
}

// A 2 x 2 unfiltered texture; rows bottom-up as the TGA reader gives them:
// bottom row red, blue; top row green, white.
unsigned int QuadTexture() {
  static const unsigned char px[] = {255, 0, 0, 0, 0, 255, 0, 255, 0, 255, 255, 255};
  GLuint t = 0;
  glGenTextures(1, &t);
  glBindTexture(GL_TEXTURE_2D, t);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, px);
  glBindTexture(GL_TEXTURE_2D, 0);
  return t;
}

const Rgb kRed{255, 0, 0}, kBlue{0, 0, 255}, kGreen{0, 255, 0}, kWhite{255, 255, 255},
    kBlack{0, 0, 0};

TEST(PrimitivesWithoutBuffers, PlaneDrawsNothingBeforeInit) {
  ASSERT_TRUE(testutil::OpenContext(kW, kH));
  _Zarn_ScreenWidth = kW;
  _Zarn_ScreenHeight = kH;
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  Begin2D();
  DrawRectangle(0, 0, 100, 100);
  End2D();
  EXPECT_EQ(Pixel(50, 50), kBlack);
}

class Primitives : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(testutil::OpenContext(kW, kH));
    ASSERT_EQ(cgl::LoadEntryPoints(), nullptr);
    _Zarn_ScreenWidth = kW;
    _Zarn_ScreenHeight = kH;
    glViewport(0, 0, kW, kH);
    Init3DPrimitives();
    tex = QuadTexture();
  }
  void SetUp() override {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
  }
  static unsigned int tex;
};
unsigned int Primitives::tex = 0;

TEST_F(Primitives, RectangleIn2DIsPlacedFromTopLeftAndUpright) {
  EXPECT_NE(PlaneIndexBuffer, 0u);
  Begin2D();
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
  glBindTexture(GL_TEXTURE_2D, tex);
  SetColor(1, 1, 0, 1);  // tint, reset by End2D
  DrawRectangle(0, 0, 100, 50);
  End2D();

  // Top row of the image at the top of the rectangle, tinted yellow.
  EXPECT_EQ(Pixel(1, 1), (Rgb{0, 255, 0}));
  EXPECT_EQ(Pixel(98, 1), (Rgb{255, 255, 0}));
  EXPECT_EQ(Pixel(1, 48), (Rgb{255, 0, 0}));
  EXPECT_EQ(Pixel(98, 48), kBlack);  // blue with no blue in the tint
  EXPECT_EQ(Pixel(100, 10), kBlack);
  EXPECT_EQ(Pixel(10, 50), kBlack);

  // Everything Begin2D saved is back; colour is white.
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(CurrentColor(), (std::array<float, 4>{1, 1, 1, 1}));
  GLint mode = 0, projDepth = 0, modelDepth = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projDepth);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelDepth);
  EXPECT_EQ(mode, GL_MODELVIEW);
  EXPECT_EQ(projDepth, 1);
  EXPECT_EQ(modelDepth, 1);
}

TEST_F(Primitives, SetColorBlendsOnlyWhenTranslucent) {
  glEnable(GL_BLEND);
  glBlendFunc(GL_ZERO, GL_SRC_COLOR);
  SetColor(1, 0, 0, 1);
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(src, GL_ZERO);
  EXPECT_EQ(dst, GL_SRC_COLOR);
  glDisable(GL_BLEND);
  SetColor(1, 0, 0, 1);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));

  SetColor(1, 0, 0, 0.5f);
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(src, GL_SRC_ALPHA);
  EXPECT_EQ(dst, GL_ONE);
  EXPECT_EQ(CurrentColor(), (std::array<float, 4>{1, 0, 0, 0.5f}));

  // End3D restores white, blending off and the caller's matrix.
  Begin3D();
  SetPos3D(3, 0, 0);
  glBindTexture(GL_TEXTURE_2D, tex);
  End3D();
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[12], 0.0f);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(CurrentColor(), (std::array<float, 4>{1, 1, 1, 1}));
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
}

// Modelview applied to a direction (w = 0) or point (w = 1).
std::array<float, 3> Apply(float x, float y, float z, float w) {
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  std::array<float, 3> r;
  for (int j = 0; j < 3; ++j) r[j] = m[j] * x + m[4 + j] * y + m[8 + j] * z + m[12 + j] * w;
  return r;
}

void ExpectNear(std::array<float, 3> a, float x, float y, float z) {
  EXPECT_NEAR(a[0], x, 1e-5);
  EXPECT_NEAR(a[1], y, 1e-5);
  EXPECT_NEAR(a[2], z, 1e-5);
}

TEST_F(Primitives, RotationsTurnAboutTheNegativeAxesAndCameraLooksAtTarget) {
  RotateY(90);
  ExpectNear(Apply(1, 0, 0, 0), 0, 0, 1);
  glLoadIdentity();
  RotateX(90);
  ExpectNear(Apply(0, 1, 0, 0), 0, 0, -1);
  glLoadIdentity();
  RotateZ(90);
  ExpectNear(Apply(1, 0, 0, 0), 0, -1, 0);

  glLoadIdentity();
  SetCamera(2, 0, 10, 2, 0, 0);  // eye, then the point looked at
  ExpectNear(Apply(2, 0, 0, 1), 0, 0, -10);
  ExpectNear(Apply(0, 1, 0, 0), 0, 1, 0);

  glLoadIdentity();
  Size3D(2, 3, 4);
  SetPos3D(1, 1, 1);
  ExpectNear(Apply(0, 0, 0, 1), 2, 3, 4);
}

TEST_F(Primitives, CubeSpansHalfAUnitAndLeavesTheMatrixScaled) {
  glMatrixMode(GL_PROJECTION);
  glOrtho(-1, 1, -1, 1, -10, 10);
  glMatrixMode(GL_MODELVIEW);
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);
  SetColor(0, 1, 0, 1);
  DrawCube();
  glEnable(GL_TEXTURE_2D);
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[0], 0.5f);
  EXPECT_EQ(m[5], 0.5f);
  EXPECT_EQ(m[10], 0.5f);
  // Edge from -0.5 to 0.5: a quarter of the 2-unit view on each side.
  EXPECT_EQ(Pixel(128, 128), kGreen);
  EXPECT_EQ(Pixel(66, 66), kGreen);
  EXPECT_EQ(Pixel(60, 128), kBlack);
  EXPECT_EQ(Pixel(128, 196), kBlack);
}

TEST_F(Primitives, CutOutsShowTheirCellUprightAndSwitchBlendingOff) {
  Begin2D();
  // Top-left quarter of the picture: the green texel.
  const double u[2] = {0, 0.5}, v[2] = {0.5, 1};
  const float white[4] = {1, 1, 1, 1};
  DrawSpriteCut(0, tex, 10, 10, 40, 40, u, v, white);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  // Whole picture: v[1] (top edge) = 1 is the top row.
  const double uu[2] = {0, 1}, vv[2] = {0, 1};
  DrawSpriteCut(0, tex, 60, 10, 40, 40, uu, vv, white);
  // Additive cut-out over a grey square keeps the current colour. The
  // engine is told of the bind it did not make, so it binds tex again.
  glBindTexture(GL_TEXTURE_2D, 0);
  ForgetGLState();
  glDisable(GL_TEXTURE_2D);
  SetColor(0.5f, 0.5f, 0.5f, 1);
  DrawRectangle(110, 10, 40, 40);
  glEnable(GL_TEXTURE_2D);
  SetColor(1, 1, 1, 1);
  DrawTextureCut(tex, 110, 10, 40, 40, u, v);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  // An untextured point in the current colour; texturing stays on.
  glBindTexture(GL_TEXTURE_2D, tex);
  SetColor(1, 0, 1, 1);
  PutPoint2D(200.5f, 200.5f);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  End2D();

  EXPECT_EQ(Pixel(11, 11), kGreen);
  EXPECT_EQ(Pixel(48, 48), kGreen);
  EXPECT_EQ(Pixel(9, 9), kBlack);
  EXPECT_EQ(Pixel(62, 12), kGreen);
  EXPECT_EQ(Pixel(98, 12), kWhite);
  EXPECT_EQ(Pixel(62, 48), kRed);
  EXPECT_EQ(Pixel(98, 48), kBlue);
  const Rgb added = Pixel(130, 30);
  EXPECT_NEAR(added[0], 128, 2);
  EXPECT_EQ(added[1], 255);
  EXPECT_NEAR(added[2], 128, 2);
  EXPECT_EQ(Pixel(200, 200), (Rgb{255, 0, 255}));
}

TEST_F(Primitives, QuadsTakeTheirCornersAndTexelsAndDropALeftoverCorner) {
  glMatrixMode(GL_PROJECTION);
  glOrtho(-1, 1, -1, 1, -10, 10);
  glMatrixMode(GL_MODELVIEW);
  glBindTexture(GL_TEXTURE_2D, tex);
  SetColor(1, 1, 1, 1);
  // Left half of the view, textured with the left column of the texture
  // (red at the bottom, green at the top); a fifth corner is not a quad.
  const float xyz[5][3] = {{-1, -1, 0}, {0, -1, 0}, {0, 1, 0}, {-1, 1, 0}, {1, 1, 0}};
  const float st[5][2] = {{0, 0}, {0.5f, 0}, {0.5f, 1}, {0, 1}, {1, 1}};
  DrawQuads(xyz, st, 5);
  DrawQuads(xyz, st, -4);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_EQ(Pixel(64, 200), kRed);
  EXPECT_EQ(Pixel(64, 50), kGreen);
  EXPECT_EQ(Pixel(200, 128), kBlack);
}

}  // namespace

// View-frustum planes and tests, and the mouse pick through the depth buffer.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include "render/Render.h"
#include "testutil.h"

namespace {

const int kW = 256, kH = 192;

TEST(FrustumBeforeFirstCalculation, PlanesAreZero) {
  // No plane yet: points and cubes are outside, spheres inside.
  EXPECT_FALSE(PointInFrustum(0, 0, -1));
  EXPECT_FALSE(CubeInFrustum(0, 0, -1, 1));
  EXPECT_TRUE(SphereInFrustum(0, 0, -1, 0.001f));
  EXPECT_FALSE(SphereInFrustum(0, 0, -1, 0));
}

class FrustumTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { ASSERT_TRUE(testutil::OpenContext(kW, kH)); }
  void SetUp() override {
    glViewport(0, 0, kW, kH);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, 1024.0 / 768.0, 0.1, 300);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
  }
};

TEST_F(FrustumTest, PlanesOfAPerspectiveAreNormalised) {
  CalculateFrustum();
  const float farPlane[4] = {0, 0, 1, 300}, nearPlane[4] = {0, 0, -1, -0.1f};
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(Frustum[4][k], farPlane[k], 1e-3 * (k == 3 ? 300 : 1)) << k;
    EXPECT_NEAR(Frustum[5][k], nearPlane[k], 1e-4) << k;
  }
  for (int i = 0; i < 6; ++i) {
    const float* p = Frustum[i];
    EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0f, 1e-5) << i;
  }
  // Right plane faces left (-x), top plane faces down.
  EXPECT_LT(Frustum[0][0], 0);
  EXPECT_GT(Frustum[1][0], 0);
  EXPECT_GT(Frustum[2][1], 0);
  EXPECT_LT(Frustum[3][1], 0);
}

TEST_F(FrustumTest, PointSphereAndCubeResults) {
  CalculateFrustum();
  EXPECT_FALSE(PointInFrustum(0, 0, 0));  // the eye is in front of the near plane
  EXPECT_TRUE(PointInFrustum(0, 0, -0.2f));
  EXPECT_FALSE(PointInFrustum(0, 0, -301));
  EXPECT_FALSE(PointInFrustum(10, 0, -5));  // right of the view
  EXPECT_TRUE(PointInFrustum(-2, 1, -5));

  EXPECT_TRUE(SphereInFrustum(0, 0, 0, 0.2f));
  EXPECT_FALSE(SphereInFrustum(0, 0, 0, 0.05f));
  EXPECT_TRUE(SphereInFrustum(10, 0, -5, 7));  // 6.3 right of the right plane
  EXPECT_FALSE(SphereInFrustum(10, 0, -5, 6));

  EXPECT_TRUE(CubeInFrustum(0, 0, -0.05f, 0.1f));  // straddles the near plane
  EXPECT_FALSE(CubeInFrustum(0, 0, 0, 0.01f));
  EXPECT_FALSE(CubeInFrustum(20, 0, -5, 1));
  EXPECT_TRUE(CubeInFrustum(0, 0, 0, 1000));  // holds the whole view

  // The planes follow the camera: 14 in front and 7 above the target.
  SetCamera(5, 7, 14, 5, 0, 0);
  CalculateFrustum();
  EXPECT_TRUE(PointInFrustum(5, 0, 0));
  EXPECT_TRUE(SphereInFrustum(5, 0, 0, 0.5f));
  EXPECT_FALSE(PointInFrustum(5, 7, 20));  // behind the eye
  EXPECT_FALSE(SphereInFrustum(-20, 0, 0, 1));
}

TEST_F(FrustumTest, DegeneratePlanesBecomeOnes) {
  glMatrixMode(GL_PROJECTION);
  const float zero[16] = {};
  glLoadMatrixf(zero);
  glMatrixMode(GL_MODELVIEW);
  CalculateFrustum();
  for (int i = 0; i < 6; ++i) {
    for (int k = 0; k < 4; ++k) EXPECT_EQ(Frustum[i][k], 1.0f) << i << "," << k;
  }
  EXPECT_TRUE(PointInFrustum(0, 0, 0));
  EXPECT_FALSE(PointInFrustum(-1, -1, -1));
}

TEST_F(FrustumTest, MousePickReadsTheDepthUnderTheCursor) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45, double(kW) / kH, 1, 100);
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_DEPTH_TEST);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // A wall at z = -5 over the left half of the view.
  glBegin(GL_QUADS);
  glVertex3f(-10, -10, -5);
  glVertex3f(0, -10, -5);
  glVertex3f(0, 10, -5);
  glVertex3f(-10, 10, -5);
  glEnd();

  _MousePosX = kW / 4;
  _MousePosY = kH / 2;
  GetMouse3DPos();
  EXPECT_NEAR(_MousePos3D[2], -5, 0.05);
  EXPECT_LT(_MousePos3D[0], -0.5);
  EXPECT_NEAR(_MousePos3D[1], 0, 0.05);

  // Over empty background the point lies on the far plane.
  _MousePosX = kW * 3 / 4;
  GetMouse3DPos();
  EXPECT_NEAR(_MousePos3D[2], -100, 0.5);
  EXPECT_GT(_MousePos3D[0], 10);

  // A singular matrix gives no point; the last one is kept.
  const float keep = _MousePos3D[0];
  glMatrixMode(GL_PROJECTION);
  const float zero[16] = {};
  glLoadMatrixf(zero);
  glMatrixMode(GL_MODELVIEW);
  GetMouse3DPos();
  EXPECT_EQ(_MousePos3D[0], keep);
}

}  // namespace

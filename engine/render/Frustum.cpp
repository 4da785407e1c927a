// Render: view-frustum tests and the screen-to-world pick.
#include "render/Render.h"

#include "Internal.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

float Frustum[6][4];
float _MousePos3D[3] = {0, 0, 0};

namespace {

enum { kRight, kLeft, kBottom, kTop, kFar, kNear };

// Stores a plane and brings its normal to unit length, so that the plane
// equation gives signed distances. A plane with no normal (a degenerate
// matrix) becomes (1, 1, 1, 1) instead of a division by zero.
void SetPlane(int side, float a, float b, float c, float d) {
  float* p = Frustum[side];
  const float m = std::sqrt(a * a + b * b + c * c);
  if (m == 0.0f) {
    p[0] = p[1] = p[2] = p[3] = 1.0f;
    return;
  }
  p[0] = a / m;
  p[1] = b / m;
  p[2] = c / m;
  p[3] = d / m;
}

inline float Distance(const float* p, float x, float y, float z) {
  return p[0] * x + p[1] * y + p[2] * z + p[3];
}

}  // namespace

void CalculateFrustum() {
  if (!RequireGL("CalculateFrustum")) return;
  float proj[16];
  float modl[16];
  float clip[16];
  glGetFloatv(GL_PROJECTION_MATRIX, proj);
  glGetFloatv(GL_MODELVIEW_MATRIX, modl);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      clip[4 * i + j] = modl[4 * i + 0] * proj[0 + j] + modl[4 * i + 1] * proj[4 + j] +
                        modl[4 * i + 2] * proj[8 + j] + modl[4 * i + 3] * proj[12 + j];
    }
  }
  // Component k of each plane comes from column k of the combined matrix.
  const float* c = clip;
  SetPlane(kRight, c[3] - c[0], c[7] - c[4], c[11] - c[8], c[15] - c[12]);
  SetPlane(kLeft, c[3] + c[0], c[7] + c[4], c[11] + c[8], c[15] + c[12]);
  SetPlane(kBottom, c[3] + c[1], c[7] + c[5], c[11] + c[9], c[15] + c[13]);
  SetPlane(kTop, c[3] - c[1], c[7] - c[5], c[11] - c[9], c[15] - c[13]);
  SetPlane(kFar, c[3] - c[2], c[7] - c[6], c[11] - c[10], c[15] - c[14]);
  SetPlane(kNear, c[3] + c[2], c[7] + c[6], c[11] + c[10], c[15] + c[14]);
}

bool PointInFrustum(float x, float y, float z) {
  for (int i = 0; i < 6; ++i) {
    if (Distance(Frustum[i], x, y, z) <= 0) return false;
  }
  return true;
}

bool SphereInFrustum(float x, float y, float z, float radius) {
  for (int i = 0; i < 6; ++i) {
    if (Distance(Frustum[i], x, y, z) <= -radius) return false;
  }
  return true;
}

bool CubeInFrustum(float x, float y, float z, float s) {
  for (int i = 0; i < 6; ++i) {
    const float* p = Frustum[i];
    if (Distance(p, x - s, y - s, z - s) > 0) continue;
    if (Distance(p, x + s, y - s, z - s) > 0) continue;
    if (Distance(p, x - s, y + s, z - s) > 0) continue;
    if (Distance(p, x + s, y + s, z - s) > 0) continue;
    if (Distance(p, x - s, y - s, z + s) > 0) continue;
    if (Distance(p, x + s, y - s, z + s) > 0) continue;
    if (Distance(p, x - s, y + s, z + s) > 0) continue;
    if (Distance(p, x + s, y + s, z + s) > 0) continue;
    return false;
  }
  return true;
}

void GetMouse3DPos() {
  if (!RequireGL("GetMouse3DPos")) return;
  GLdouble modelview[16];
  GLdouble projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  // The cursor is in logical pixels, rows from the top; the viewport may be
  // a box of another size in the window, rows from the bottom. The centre
  // of the logical pixel is mapped into it (at the logical size, the same
  // pixel).
  const double lw = _Zarn_ScreenWidth > 0 ? _Zarn_ScreenWidth : viewport[2];
  const double lh = _Zarn_ScreenHeight > 0 ? _Zarn_ScreenHeight : viewport[3];
  const int winX =
      viewport[0] + static_cast<int>(std::floor((_MousePosX + 0.5) * viewport[2] / lw));
  const int winY = viewport[1] + viewport[3] - 1 -
                   static_cast<int>(std::floor((_MousePosY + 0.5) * viewport[3] / lh));
  GLfloat depth = 1.0f;
  glReadPixels(winX, winY, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  GLdouble ox, oy, oz;
  // A singular matrix gives no point; the last one is kept.
  if (gluUnProject(winX, winY, depth, modelview, projection, viewport, &ox, &oy, &oz) == GL_TRUE) {
    _MousePos3D[0] = static_cast<float>(ox);
    _MousePos3D[1] = static_cast<float>(oy);
    _MousePos3D[2] = static_cast<float>(oz);
  }
}

// Render: drawing state, camera and primitives over the fixed-function
// pipeline.
//
// The unit plane lives in three static buffer objects so that every
// rectangle, sprite and particle quad costs one indexed draw with no vertex
// upload; cut-outs, points and the cube use immediate mode.
#include "render/Render.h"

#include "Internal.h"

#include "GLExt.h"

#include <GL/gl.h>
#include <GL/glu.h>

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

using namespace cgl;

unsigned int PlaneVertexBuffer = 0;
unsigned int PlaneTexCoordBuffer = 0;
unsigned int PlaneIndexBuffer = 0;

SVec3 VEC3(float x, float y, float z) { return SVec3{x, y, z}; }
SInt3 INT3(int x, int y, int z) { return SInt3{x, y, z}; }

void Begin2D() {
  if (!RequireGL("Begin2D")) return;
  // Current, point, stipple, pixel mode, lighting, fog, depth, accum,
  // stencil, viewport, enable and colour-buffer groups (not line, polygon,
  // transform or hint).
  glPushAttrib(0x6FF3);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluOrtho2D(0, _Zarn_ScreenWidth, _Zarn_ScreenHeight, 0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  UnbindTexture2D();
  batch2d::Depth++;
}

void End2D() {
  if (!RequireGL("End2D")) return;
  if (batch2d::Depth > 0) batch2d::Depth--;
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
  SetColor(1, 1, 1, 1);
}

void Begin3D() {
  if (!RequireGL("Begin3D")) return;
  UnbindTexture2D();
  glPushMatrix();
}

void End3D() {
  if (!RequireGL("End3D")) return;
  UnbindTexture2D();
  SetColor(1, 1, 1, 1);
  glDisable(GL_BLEND);
  glPopMatrix();
}

void SetPos3D(double x, double y, double z) {
  if (!RequireGL("SetPos3D")) return;
  glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}
void RotateX(double deg) {
  if (!RequireGL("RotateX")) return;
  glRotatef(static_cast<float>(deg), -1, 0, 0);
}
void RotateY(double deg) {
  if (!RequireGL("RotateY")) return;
  glRotatef(static_cast<float>(deg), 0, -1, 0);
}
void RotateZ(double deg) {
  if (!RequireGL("RotateZ")) return;
  glRotatef(static_cast<float>(deg), 0, 0, -1);
}
void Size3D(double x, double y, double z) {
  if (!RequireGL("Size3D")) return;
  glScalef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}
void Size3D(double s) { Size3D(s, s, s); }

void SetCamera(double ex, double ey, double ez, double cx, double cy, double cz) {
  if (!RequireGL("SetCamera")) return;
  gluLookAt(ex, ey, ez, cx, cy, cz, 0, 1, 0);
}

void SetColor(float r, float g, float b, float a) {
  if (!RequireGL("SetColor")) return;
  // Translucent colours add onto the frame, weighted by alpha.
  if (a != 1.0f) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  }
  glColor4f(r, g, b, a);
}

void Init3DPrimitives() {
  if (!RequireGLExt("Init3DPrimitives")) return;
  static const GLuint indices[6] = {0, 1, 2, 2, 3, 0};
  // Vertex 0 (top-left in 2D mode, where y runs down) takes t = 1, so
  // bottom-up images show upright.
  static const GLfloat texCoords[8] = {0, 1, 1, 1, 1, 0, 0, 0};
  static const GLfloat vertices[12] = {-0.5f, -0.5f, 0, 0.5f,  -0.5f, 0,
                                       0.5f,  0.5f,  0, -0.5f, 0.5f,  0};
  if (!glGenBuffersARB || !glBindBufferARB || !glBufferDataARB) return;

  glGenBuffersARB(1, &PlaneIndexBuffer);
  glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, PlaneIndexBuffer);
  glBufferDataARB(GL_ELEMENT_ARRAY_BUFFER_ARB, sizeof(indices), indices, GL_STATIC_DRAW_ARB);
  glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);

  glGenBuffersARB(1, &PlaneTexCoordBuffer);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, PlaneTexCoordBuffer);
  glBufferDataARB(GL_ARRAY_BUFFER_ARB, sizeof(texCoords), texCoords, GL_STATIC_DRAW_ARB);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);

  glGenBuffersARB(1, &PlaneVertexBuffer);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, PlaneVertexBuffer);
  glBufferDataARB(GL_ARRAY_BUFFER_ARB, sizeof(vertices), vertices, GL_STATIC_DRAW_ARB);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
}

void DrawSimplePlane() {
  if (!RequireGL("DrawSimplePlane")) return;
  // Without the buffers the draw would read indices through a null client
  // pointer; draw nothing instead.
  if (PlaneIndexBuffer == 0 || !glBindBufferARB) return;
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, PlaneVertexBuffer);
  glVertexPointer(3, GL_FLOAT, 12, nullptr);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, PlaneTexCoordBuffer);
  glTexCoordPointer(2, GL_FLOAT, 8, nullptr);
  glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, PlaneIndexBuffer);
  glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
  glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
}

void DrawRectangle(double x, double y, double w, double h) {
  if (!RequireGL("DrawRectangle")) return;
  glPushMatrix();
  glTranslatef(static_cast<float>(x + w / 2), static_cast<float>(y + h / 2), 0);
  glScalef(static_cast<float>(w), static_cast<float>(h), 1);
  DrawSimplePlane();
  glPopMatrix();
}

namespace {

// Four vertices of a cut-out centred on the current origin: v[1] along the
// top edge (smaller y in 2D mode), v[0] along the bottom.
void CutStrip(double w, double h, const double* u, const double* v) {
  glBegin(GL_TRIANGLE_STRIP);
  glTexCoord2d(u[0], v[1]);
  glVertex2d(-w / 2, -h / 2);
  glTexCoord2d(u[1], v[1]);
  glVertex2d(w / 2, -h / 2);
  glTexCoord2d(u[0], v[0]);
  glVertex2d(-w / 2, h / 2);
  glTexCoord2d(u[1], v[0]);
  glVertex2d(w / 2, h / 2);
  glEnd();
}

}  // namespace

void DrawTextureCut(unsigned int tex, double x, double y, double w, double h, const double* u,
                    const double* v) {
  if (!RequireGL("DrawTextureCut") || !RequireArg(u, "DrawTextureCut", "u") ||
      !RequireArg(v, "DrawTextureCut", "v"))
    return;
  glPushMatrix();
  glTranslated(x + w / 2, y + h / 2, 0);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  BindTexture2D(tex);
  CutStrip(w, h, u, v);
  glPopMatrix();
  glDisable(GL_BLEND);
}

void DrawSpriteCut(unsigned int /*tex0*/, unsigned int tex, double x, double y, double w, double h,
                   const double* u, const double* v, const float* color) {
  if (!RequireGL("DrawSpriteCut") || !RequireArg(u, "DrawSpriteCut", "u") ||
      !RequireArg(v, "DrawSpriteCut", "v") || !RequireArg(color, "DrawSpriteCut", "color"))
    return;
  glPushMatrix();
  glTranslated(x + w / 2, y + h / 2, 0);
  SetColor(color[0], color[1], color[2], color[3]);
  SetTexture(tex);
  CutStrip(w, h, u, v);
  glDisable(GL_BLEND);
  glPopMatrix();
}

void PutPoint2D(float x, float y) {
  if (!RequireGL("PutPoint2D")) return;
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_POINTS);
  glVertex2f(x, y);
  glEnd();
  glEnable(GL_TEXTURE_2D);
}

void DrawCube() {
  if (!RequireGL("DrawCube")) return;
  // s, t, x, y, z for each corner of the six faces.
  static const float kCube[24][5] = {
      // front z = +1
      {0, 0, -1, -1, 1},
      {1, 0, 1, -1, 1},
      {1, 1, 1, 1, 1},
      {0, 1, -1, 1, 1},
      // back z = -1
      {1, 0, -1, -1, -1},
      {1, 1, -1, 1, -1},
      {0, 1, 1, 1, -1},
      {0, 0, 1, -1, -1},
      // top y = +1
      {0, 1, -1, 1, -1},
      {0, 0, -1, 1, 1},
      {1, 0, 1, 1, 1},
      {1, 1, 1, 1, -1},
      // bottom y = -1
      {1, 1, -1, -1, -1},
      {0, 1, 1, -1, -1},
      {0, 0, 1, -1, 1},
      {1, 0, -1, -1, 1},
      // right x = +1
      {1, 0, 1, -1, -1},
      {1, 1, 1, 1, -1},
      {0, 1, 1, 1, 1},
      {0, 0, 1, -1, 1},
      // left x = -1
      {0, 0, -1, -1, -1},
      {1, 0, -1, -1, 1},
      {1, 1, -1, 1, 1},
      {0, 1, -1, 1, -1},
  };
  Size3D(0.5);
  glBegin(GL_QUADS);
  for (const auto& c : kCube) {
    glTexCoord2f(c[0], c[1]);
    glVertex3f(c[2], c[3], c[4]);
  }
  glEnd();
}

void DrawQuads(const float (*xyz)[3], const float (*st)[2], int count) {
  if (!RequireGL("DrawQuads") || !RequireArg(xyz, "DrawQuads", "xyz") ||
      !RequireArg(st, "DrawQuads", "st"))
    return;
  const int corners = count > 0 ? count - count % 4 : 0;
  glBegin(GL_QUADS);
  for (int i = 0; i < corners; i++) {
    glTexCoord2f(st[i][0], st[i][1]);
    glVertex3f(xyz[i][0], xyz[i][1], xyz[i][2]);
  }
  glEnd();
}

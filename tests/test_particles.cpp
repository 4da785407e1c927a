// The particle pool: ticks, fading, the full pool, batched drawing (draw
// calls counted at the GL entry point) and what lands on the screen.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#if !defined(_WIN32)
#include <dlfcn.h>
#endif

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Internal.h"
#include "Pictures.h"
#include "testutil.h"

// Every glDrawArrays of the program passes through here and is counted.
// Only where the program's own definition stands in front of the GL
// library's (ELF); on Windows the engine calls opengl32's import directly
// and the counts stay 0, so the tests that count calls are skipped there.
static int g_drawArrays = 0;
static std::vector<int> g_drawCounts;
#if defined(_WIN32)
static const bool kCountsDrawCalls = false;
#else
static const bool kCountsDrawCalls = true;
extern "C" void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
  typedef void (*Fn)(GLenum, GLint, GLsizei);
  static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "glDrawArrays"));
  g_drawArrays++;
  g_drawCounts.push_back(count);
  if (real) real(mode, first, count);
}
#endif

namespace {

// Element counts handed to the "NewPos" uniform array, per call.
std::vector<int> g_uniformCounts;
PFNGLUNIFORM1FVARBPROC g_realUniform1fv = nullptr;
void APIENTRY CountingUniform1fv(GLint location, GLsizei count, const GLfloat* value) {
  if (location == NewPosLocation) g_uniformCounts.push_back(count);
  g_realUniform1fv(location, count, value);
}

const int kSize = 256;
// Orthographic view of x, y in -16..16: 8 pixels per world unit.
const float kUnits = 16.0f;

SParticle3D Particle(float x, float y, float r, float g, float b, float a, int life) {
  SParticle3D p = SParticle3D();
  p.x = x;
  p.y = y;
  p.size = 1.0f;
  p.color[0] = r;
  p.color[1] = g;
  p.color[2] = b;
  p.color[3] = a;
  p.life = life;
  return p;
}

int LiveSlots(const TParticlesSystem& ps) {
  int n = 0;
  for (const SParticle3D& p : ps.particles) n += p.life > 0;
  return n;
}

class ParticleTicks : public ::testing::Test {
protected:
  TParticlesSystem ps;
};

TEST_F(ParticleTicks, MotionUsesLastTicksVelocity) {
  EXPECT_EQ(ps.liveCount, -1);
  SParticle3D p = Particle(0, 0, 0.9f, 0, 0, 1, 10);
  p.velocity[0] = 1;
  p.acceleration[0] = 1;
  p.velocity[1] = -0.5f;
  p.spin[2] = 15;
  p.colorDelta[0] = 0.1f;
  p.sizeDelta = 0.25f;
  ps.Add(p);
  ps.Process();
  ps.Process();
  const SParticle3D& q = ps.particles[0];
  EXPECT_FLOAT_EQ(q.x, 3.0f);  // 1 then 2
  EXPECT_FLOAT_EQ(q.velocity[0], 3.0f);
  EXPECT_FLOAT_EQ(q.y, -1.0f);
  EXPECT_FLOAT_EQ(q.angle[2], 30.0f);
  EXPECT_FLOAT_EQ(q.color[0], 1.1f);  // colours are not clamped
  EXPECT_FLOAT_EQ(q.size, 1.5f);
  EXPECT_EQ(q.life, 8);
  EXPECT_EQ(ps.liveCount, 1);
}

TEST_F(ParticleTicks, LifeAndAlphaEndParticles) {
  // Alpha 1, -0.3 per tick: 0.7, 0.4, 0.1, then -0.2 in the fourth tick.
  SParticle3D fading = Particle(0, 0, 1, 1, 1, 1, 10);
  fading.colorDelta[3] = -0.3f;
  // The spark's fade: -0.12 per tick, 0.04 after eight ticks, gone in the ninth.
  SParticle3D spark = Particle(0, 0, 1, 1, 1, 1, 20);
  spark.colorDelta[3] = -0.12f;
  // Opaque with three ticks to live: gone in the third.
  SParticle3D shortLived = Particle(0, 0, 1, 1, 1, 1, 3);
  ps.Add(fading);
  ps.Add(spark);
  ps.Add(shortLived);
  int deathTick[3] = {0, 0, 0};
  int liveCounts[10];
  for (int tick = 1; tick <= 10; tick++) {
    ps.Process();
    liveCounts[tick - 1] = ps.liveCount;
    for (int i = 0; i < 3; i++)
      if (ps.particles[i].life <= 0 && deathTick[i] == 0) deathTick[i] = tick;
  }
  EXPECT_EQ(deathTick[0], 4);
  EXPECT_EQ(deathTick[1], 9);
  EXPECT_EQ(deathTick[2], 3);
  // liveCount counts the particles live when the tick began.
  int expected[10] = {3, 3, 3, 2, 1, 1, 1, 1, 1, 0};
  for (int i = 0; i < 10; i++) EXPECT_EQ(liveCounts[i], expected[i]) << "tick " << i + 1;
}

TEST_F(ParticleTicks, FullPoolDropsAndFreedSlotsAreReused) {
  for (int i = 0; i < TParticlesSystem::MaxParticles; i++) ps.Add(Particle(i, 0, 1, 1, 1, 1, 5));
  EXPECT_EQ(LiveSlots(ps), 4096);
  std::vector<SParticle3D> before(ps.particles, ps.particles + 4096);
  ps.Add(Particle(-1, -1, 0, 0, 0, 1, 99));
  EXPECT_EQ(0, memcmp(before.data(), ps.particles, sizeof(ps.particles)));
  // The first free slot takes the next particle.
  ps.particles[1234].life = 0;
  ps.particles[3000].life = -7;
  ps.RescanFreeSlots();
  ps.Add(Particle(-1, -1, 0, 0, 0, 1, 99));
  EXPECT_EQ(ps.particles[1234].life, 99);
  EXPECT_EQ(ps.particles[3000].life, -7);
}

// Adds always take the lowest free slot, as a search from slot 0 would:
// through fills, frees by ticking, dead particles added, slots filled and
// emptied by hand (announced with RescanFreeSlots) and a full pool.
TEST(ParticleSlots, AddTakesTheLowestFreeSlotLikeALinearSearch) {
  static TParticlesSystem ps;
  static SParticle3D model[TParticlesSystem::MaxParticles];
  auto addToModel = [](const SParticle3D& p) {
    for (SParticle3D& slot : model)
      if (slot.life <= 0) {
        slot = p;
        return;
      }
  };
  std::srand(5);
  for (int round = 0; round < 400; round++) {
    const int adds = std::rand() % (round % 50 == 0 ? 5000 : 300);
    for (int a = 0; a < adds; a++) {
      // Some particles are added dead; some fade out within a tick or two.
      const int life = std::rand() % 9 - 1;
      const SParticle3D p = Particle(static_cast<float>(round), static_cast<float>(a), 1, 1, 1,
                                     std::rand() % 4 == 0 ? 0.1f : 1.0f, life);
      ps.Add(p);
      addToModel(p);
    }
    if (round % 7 == 3) {
      for (int k = 0; k < 50; k++) {
        const int slot = std::rand() % TParticlesSystem::MaxParticles;
        const int life = std::rand() % 3 - 1;
        ps.particles[slot].life = model[slot].life = life;
      }
      ps.RescanFreeSlots();
    }
    ps.Process();
    for (SParticle3D& m : model) {
      if (m.life <= 0) continue;
      m.life--;
      m.x += m.velocity[0];
      m.y += m.velocity[1];
      m.z += m.velocity[2];
      for (int k = 0; k < 3; k++) {
        m.angle[k] += m.spin[k];
        m.velocity[k] += m.acceleration[k];
      }
      for (int k = 0; k < 4; k++) m.color[k] += m.colorDelta[k];
      m.size += m.sizeDelta;
      if (!(m.color[3] > 0.0f)) m.life = 0;
    }
    ASSERT_EQ(0, std::memcmp(model, ps.particles, sizeof(model))) << "round " << round;
  }
}

// Drawing needs the real context.
class ParticleDraw : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    _Zarn_ScreenWidth = kSize;
    _Zarn_ScreenHeight = kSize;
    ASSERT_TRUE(testutil::OpenContext(kSize, kSize));
    InitGL(kSize, kSize);
    ASSERT_TRUE(_ShadersOn);
    g_realUniform1fv = cgl::glUniform1fvARB;
    cgl::glUniform1fvARB = CountingUniform1fv;
    // A plain white texture for every particle.
    glGenTextures(1, &white_);
    glBindTexture(GL_TEXTURE_2D, white_);
    std::vector<unsigned char> px(8 * 8 * 4, 255);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 8, 8, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
  }
  void SetUp() override {
    ps_ = new TParticlesSystem();
    ps_->Init(Particle(0, 0, 1, 1, 1, 1, 10));
    ps_->SetTexture(white_);
    _ShadersOn = true;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-kUnits, kUnits, -kUnits, kUnits, -50, 50);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    g_drawArrays = 0;
    g_drawCounts.clear();
    g_uniformCounts.clear();
  }
  void TearDown() override { delete ps_; }

  // Colour at a world point (x, y).
  static void Pixel(float x, float y, unsigned char out[4]) {
    int px = static_cast<int>((x + kUnits) * kSize / (2 * kUnits));
    int py = static_cast<int>((y + kUnits) * kSize / (2 * kUnits));
    glReadPixels(px, py, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, out);
  }
  TParticlesSystem* ps_ = nullptr;
  static GLuint white_;
};
GLuint ParticleDraw::white_ = 0;

TEST_F(ParticleDraw, ThirtyParticlesPerDrawCall) {
  if (!kCountsDrawCalls) GTEST_SKIP() << "glDrawArrays cannot be intercepted on this system";
  ps_->Draw();
  EXPECT_EQ(g_drawArrays, 0);

  // 31 live particles scattered over the pool: 30, then 1.
  for (int i = 0; i < 31; i++) ps_->particles[i * 131 + 7] = Particle(0, 0, 1, 1, 1, 1, 5);
  ps_->Draw();
  ASSERT_EQ(g_drawArrays, 2);
  EXPECT_EQ(g_drawCounts, (std::vector<int>{120, 4}));
  EXPECT_EQ(g_uniformCounts, (std::vector<int>{120, 4}));

  // Exactly 30: one call, none left over for the end of the pool.
  g_drawArrays = 0;
  ps_->particles[30 * 131 + 7].life = 0;
  ps_->Draw();
  EXPECT_EQ(g_drawArrays, 1);

  // Live in the very last slot only.
  for (SParticle3D& p : ps_->particles) p.life = 0;
  ps_->particles[4095].life = 1;
  g_drawArrays = 0;
  ps_->Draw();
  EXPECT_EQ(g_drawArrays, 1);

  // The full pool: 136 whole batches and one of 16.
  for (SParticle3D& p : ps_->particles) p = Particle(0, 0, 1, 1, 1, 1, 5);
  g_drawArrays = 0;
  g_drawCounts.clear();
  ps_->Draw();
  EXPECT_EQ(g_drawArrays, 137);
  EXPECT_EQ(g_drawCounts.back(), 16 * 4);
}

TEST_F(ParticleDraw, ParticleWithOneTickLeftIsNotDrawnAfterProcess) {
  ps_->Add(Particle(0, 0, 1, 1, 1, 1, 1));
  ps_->Process();
  ps_->Draw();
  EXPECT_EQ(g_drawArrays, 0);
  unsigned char c[4];
  Pixel(0, 0, c);
  EXPECT_EQ(c[0], 0);
}

TEST_F(ParticleDraw, EveryParticleOfEveryBatchLandsWhereItIs) {
  // 31 particles on a grid, each its own colour channel mix; the 31st
  // travels in a batch of its own.
  std::vector<SParticle3D> placed;
  for (int i = 0; i < 31; i++) {
    float x = -13.0f + (i % 8) * 3.5f;
    float y = -10.0f + (i / 8) * 5.0f;
    SParticle3D p = Particle(x, y, (i % 3) == 0, (i % 3) == 1, (i % 3) == 2, 1, 5);
    p.size = 2.0f;
    ps_->Add(p);
    placed.push_back(p);
  }
  ps_->Draw();
  testutil::SavePng("particles_grid", kSize, kSize);
  for (int i = 0; i < 31; i++) {
    const SParticle3D& p = placed[i];
    unsigned char c[4];
    Pixel(p.x, p.y, c);
    EXPECT_EQ(c[0], p.color[0] ? 255 : 0) << "particle " << i;
    EXPECT_EQ(c[1], p.color[1] ? 255 : 0) << "particle " << i;
    EXPECT_EQ(c[2], p.color[2] ? 255 : 0) << "particle " << i;
    // A size-2 quad ends one unit from its centre.
    Pixel(p.x + 0.8f, p.y + 0.8f, c);
    EXPECT_GT(c[0] + c[1] + c[2], 0) << "particle " << i;
    Pixel(p.x + 1.3f, p.y, c);
    EXPECT_EQ(c[0] + c[1] + c[2], 0) << "particle " << i;
  }
  // Depth writes are back on for the rest of the frame.
  GLboolean mask = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
  EXPECT_EQ(mask, GL_TRUE);
}

TEST_F(ParticleDraw, BlendingIsAdditiveAndScaledByAlpha) {
  ps_->Add(Particle(0, 0, 0.4f, 0, 0, 1, 5));
  ps_->Add(Particle(0, 0, 0.4f, 0, 0, 1, 5));
  ps_->Add(Particle(5, 0, 1, 1, 1, 0.5f, 5));
  ps_->Draw();
  unsigned char c[4];
  Pixel(0, 0, c);
  EXPECT_NEAR(c[0], 204, 3);
  Pixel(5, 0, c);
  EXPECT_NEAR(c[0], 128, 3);
  EXPECT_NEAR(c[2], 128, 3);
}

TEST_F(ParticleDraw, TextureTopRowIsTheQuadsUpperEdge) {
  // Two-row texture: row 0 red, row 1 green.
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  unsigned char px[2 * 2 * 4] = {255, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255};
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, px);
  ps_->SetTexture(tex);
  SParticle3D p = Particle(0, 0, 1, 1, 1, 1, 5);
  p.size = 8;
  ps_->Add(p);
  ps_->Draw();
  unsigned char c[4];
  Pixel(0, 2, c);
  EXPECT_EQ(c[0], 255);
  EXPECT_EQ(c[1], 0);
  Pixel(0, -2, c);
  EXPECT_EQ(c[0], 0);
  EXPECT_EQ(c[1], 255);
  glDeleteTextures(1, &tex);
}

TEST_F(ParticleDraw, FixedFunctionPathDrawsEachParticle) {
  _ShadersOn = false;
  SParticle3D p = Particle(-4, 0, 0, 1, 0, 1, 5);
  p.size = 2;
  ps_->Add(p);
  p.x = 4;
  p.angle[2] = 45;  // the fallback turns the quad
  ps_->Add(p);
  ps_->Draw();
  testutil::SavePng("particles_fallback", kSize, kSize);
  unsigned char c[4];
  Pixel(-4, 0, c);
  EXPECT_EQ(c[1], 255);
  Pixel(-4.9f, 0.9f, c);  // corner of the upright quad
  EXPECT_EQ(c[1], 255);
  Pixel(4, 0, c);
  EXPECT_EQ(c[1], 255);
  Pixel(4.9f, 0.9f, c);  // outside the turned one
  EXPECT_EQ(c[1], 0);
  Pixel(4, 1.3f, c);  // its tip points up
  EXPECT_EQ(c[1], 255);
  EXPECT_EQ(g_uniformCounts.size(), 0u);
  GLboolean mask = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
  EXPECT_EQ(mask, GL_TRUE);
}

TEST_F(ParticleDraw, ModelPathDrawsTheModelAtEachParticle) {
  // A flat square model, edge 2, one keyframe.
  std::string mdl;
  auto i32 = [&](int v) { mdl.append(reinterpret_cast<const char*>(&v), 4); };
  auto f32 = [&](float v) { mdl.append(reinterpret_cast<const char*>(&v), 4); };
  i32(4);
  i32(2);
  i32(1);
  const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (const auto& c : corners) {
    f32(c[0]);
    f32(c[1]);
    f32(0);
  }
  for (int v : {0, 1, 2, 0, 2, 3}) i32(v);
  for (const auto& c : corners) {
    f32(c[0] > 0);
    f32(c[1] > 0);
  }
  ASSERT_TRUE(testutil::WriteFile("square.mdl", mdl));
  ps_->model.Load("square.mdl", white_);
  ps_->useModel = true;
  SParticle3D p = Particle(-6, 0, 0, 0, 1, 1, 5);
  p.size = 1.5f;
  ps_->Add(p);
  p.x = 6;
  ps_->Add(p);
  ps_->Draw();
  EXPECT_EQ(g_uniformCounts.size(), 0u);
  unsigned char c[4];
  for (float x : {-6.0f, 6.0f}) {
    Pixel(x, 0, c);
    EXPECT_EQ(c[2], 255) << x;
    Pixel(x + 3, 0, c);  // beyond any plausible scale of the unit model
    EXPECT_EQ(c[2], 0) << x;
  }
  Pixel(0, 0, c);
  EXPECT_EQ(c[2], 0);
}

TEST_F(ParticleDraw, QuadBufferLayout) {
  ASSERT_NE(ps_->quadBuffer, 0u);
  auto getSize = reinterpret_cast<PFNGLGETBUFFERPARAMETERIVARBPROC>(
      SDL_GL_GetProcAddress("glGetBufferParameterivARB"));
  auto getData = reinterpret_cast<PFNGLGETBUFFERSUBDATAARBPROC>(
      SDL_GL_GetProcAddress("glGetBufferSubDataARB"));
  ASSERT_TRUE(getSize && getData);
  cgl::glBindBufferARB(GL_ARRAY_BUFFER_ARB, ps_->quadBuffer);
  GLint size = 0;
  getSize(GL_ARRAY_BUFFER_ARB, GL_BUFFER_SIZE_ARB, &size);
  EXPECT_EQ(size, 2880);
  float data[720];
  getData(GL_ARRAY_BUFFER_ARB, 0, 2880, data);
  cgl::glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  // Quad 17: texture corners, position corners, quad number.
  const float tc[8] = {0, 1, 1, 1, 1, 0, 0, 0};
  const float pos[12] = {-0.5f, -0.5f, 0, 0.5f, -0.5f, 0, 0.5f, 0.5f, 0, -0.5f, 0.5f, 0};
  for (int k = 0; k < 8; k++) EXPECT_EQ(data[17 * 8 + k], tc[k]);
  for (int k = 0; k < 12; k++) EXPECT_EQ(data[240 + 17 * 12 + k], pos[k]);
  for (int v = 0; v < 4; v++) EXPECT_EQ(data[600 + 17 * 4 + v], 17.0f);
  EXPECT_EQ(data[719], 29.0f);
}

}  // namespace

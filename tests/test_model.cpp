// Models on a real GL context: .mdl loading into buffers, damaged files,
// animation lists and frame stepping, and what the draw calls put on
// screen (blended keyframes read back from the framebuffer).
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "Cp1251.h"
#include "Internal.h"
#include "Pictures.h"
#include "testutil.h"

namespace {

// ---------------------------------------------------------------- .mdl bytes

struct Mdl {
  int32_t V = 0, T = 0, F = 0;
  std::vector<float> positions;  // F * V * 3
  std::vector<int32_t> indices;  // T * 3
  std::vector<float> uvs;        // V * 2

  std::string Bytes() const {
    std::string s;
    auto put = [&s](const void* p, size_t n) { s.append(static_cast<const char*>(p), n); };
    put(&V, 4);
    put(&T, 4);
    put(&F, 4);
    put(positions.data(), positions.size() * 4);
    put(indices.data(), indices.size() * 4);
    put(uvs.data(), uvs.size() * 4);
    return s;
  }
};

// The small triangle file: (1,0,0), (0,2,0), (0,0,-3).
Mdl Triangle() {
  Mdl m;
  m.V = 3;
  m.T = 1;
  m.F = 1;
  m.positions = {1, 0, 0, 0, 2, 0, 0, 0, -3};
  m.indices = {0, 1, 2};
  m.uvs = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f};
  return m;
}

// A square of half-size 0.1 whose centre moves along x: keyframe k is
// centred at xs[k]. Two triangles, four vertices.
Mdl MovingSquare(const std::vector<float>& xs) {
  Mdl m;
  m.V = 4;
  m.T = 2;
  m.F = static_cast<int32_t>(xs.size());
  for (float cx : xs) {
    const float corners[4][2] = {{-0.1f, -0.1f}, {0.1f, -0.1f}, {0.1f, 0.1f}, {-0.1f, 0.1f}};
    for (auto& c : corners) {
      m.positions.push_back(cx + c[0]);
      m.positions.push_back(c[1]);
      m.positions.push_back(0);
    }
  }
  m.indices = {0, 1, 2, 0, 2, 3};
  m.uvs = {0, 0, 1, 0, 1, 1, 0, 1};
  return m;
}

// GL 1.5 buffer calls, loaded from the driver.
void BindBuffer(GLenum target, GLuint buffer) {
  static const auto bind = testutil::GlProc<PFNGLBINDBUFFERPROC>("glBindBuffer");
  bind(target, buffer);
}

int BufferSize(GLenum target, unsigned int buffer) {
  static const auto getParameter =
      testutil::GlProc<PFNGLGETBUFFERPARAMETERIVPROC>("glGetBufferParameteriv");
  BindBuffer(target, buffer);
  GLint size = -1;
  getParameter(target, GL_BUFFER_SIZE, &size);
  BindBuffer(target, 0);
  return size;
}

template <typename T>
std::vector<T> BufferData(GLenum target, unsigned int buffer, long offset, int count) {
  static const auto getData = testutil::GlProc<PFNGLGETBUFFERSUBDATAPROC>("glGetBufferSubData");
  std::vector<T> out(count);
  BindBuffer(target, buffer);
  getData(target, offset, count * sizeof(T), out.data());
  BindBuffer(target, 0);
  return out;
}

std::string LogText() { return testutil::ReadFile("EngineLog.txt"); }

class Models : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    testutil::RemoveFile("EngineLog.txt");
    ASSERT_TRUE(testutil::OpenContext(kSize, kSize));
    ASSERT_EQ(cgl::LoadEntryPoints(), nullptr);
    cgl::ContextAlive = true;
    InitEngineShaders();
    // A white 1x1 texture: every drawn model pixel is white.
    glGenTextures(1, &white);
    glBindTexture(GL_TEXTURE_2D, white);
    const unsigned char px[4] = {255, 255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, px);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  void SetUp() override { _ShadersOn = true; }

  TModel LoadBytes(const std::string& bytes, const char* name = "m.mdl") {
    testutil::WriteFile(name, bytes);
    TModel m;
    m.Load(name, white);
    return m;
  }

  // Clears to black, draws with an orthographic view of [-1, 1]^2 and
  // returns the mean x (in view units) of the lit pixels, or NAN if none.
  template <typename DrawFn>
  float DrawAndFindCentre(DrawFn draw, int* litPixels = nullptr) {
    glViewport(0, 0, kSize, kSize);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -5, 5);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    draw();
    std::vector<unsigned char> px(kSize * kSize * 4);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    double sum = 0;
    int n = 0;
    for (int y = 0; y < kSize; y++)
      for (int x = 0; x < kSize; x++)
        if (px[(y * kSize + x) * 4] > 128) {
          sum += x + 0.5;
          n++;
        }
    if (litPixels) *litPixels = n;
    if (n == 0) return NAN;
    return static_cast<float>(sum / n / kSize * 2.0 - 1.0);
  }

  static TModel Placed(TModel m) {
    m.InitModel(1.0f, 0, 0, 0, 0, 0, 0);
    return m;
  }

  static constexpr int kSize = 100;
  static unsigned int white;
};
unsigned int Models::white = 0;

// ---------------------------------------------------------------- loading

TEST_F(Models, TriangleFileFillsBuffersScaleAndNormals) {
  TModel m = LoadBytes(Triangle().Bytes(), "tri.mdl");
  EXPECT_EQ(m.vertexCount, 3);
  EXPECT_EQ(m.triangleCount, 1);
  EXPECT_EQ(m.frameCount, 1);
  EXPECT_EQ(m.frame, 0.0f);
  EXPECT_EQ(m.texture, white);
  ASSERT_NE(m.vertexBuffer, 0u);
  ASSERT_NE(m.indexBuffer, 0u);
  EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, m.vertexBuffer), 96);
  EXPECT_EQ(BufferSize(GL_ELEMENT_ARRAY_BUFFER, m.indexBuffer), 6);
  // Largest positive coordinate is 2; the -3 does not count.
  EXPECT_FLOAT_EQ(m.unitScale, 0.5f);

  auto uv = BufferData<float>(GL_ARRAY_BUFFER, m.vertexBuffer, 0, 6);
  EXPECT_EQ(uv, (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f}));
  auto pos = BufferData<float>(GL_ARRAY_BUFFER, m.vertexBuffer, 24, 9);
  EXPECT_EQ(pos, (std::vector<float>{1, 0, 0, 0, 2, 0, 0, 0, -3}));
  auto normals = BufferData<float>(GL_ARRAY_BUFFER, m.vertexBuffer, 60, 9);
  EXPECT_EQ(normals, (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, -1}));
  auto idx = BufferData<unsigned short>(GL_ELEMENT_ARRAY_BUFFER, m.indexBuffer, 0, 3);
  EXPECT_EQ(idx, (std::vector<unsigned short>{0, 1, 2}));

  // With shaders the keyframes live only in the buffer.
  EXPECT_EQ(m.frames, nullptr);
  EXPECT_EQ(m.blendedVertices, nullptr);
  EXPECT_NE(LogText().find(std::string(RU("Модель ")) + "tri.mdl" + RU(" загружена")),
            std::string::npos);
}

TEST_F(Models, UnitScaleUsesOnlyPositiveFrameZeroCoordinates) {
  Mdl noPositive = Triangle();
  noPositive.positions = {-1, 0, 0, 0, -2, 0, 0, 0, -3};
  TModel a = LoadBytes(noPositive.Bytes());
  EXPECT_TRUE(std::isinf(a.unitScale));
  EXPECT_GT(a.unitScale, 0.0f);

  // A second keyframe far larger than the first changes nothing; a vertex
  // at the origin keeps a zero normal.
  Mdl twoFrames = Triangle();
  twoFrames.F = 2;
  twoFrames.positions = {2.5f, 0,   0,   0,   0,   0,   0,   0,   1,  //
                         100,  100, 100, 100, 100, 100, 100, 100, 100};
  TModel b = LoadBytes(twoFrames.Bytes());
  EXPECT_FLOAT_EQ(b.unitScale, 0.4f);
  EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, b.vertexBuffer), 3 * 8 + 2 * 36 + 36);
  auto normals = BufferData<float>(GL_ARRAY_BUFFER, b.vertexBuffer, 24 + 72, 9);
  EXPECT_EQ(normals, (std::vector<float>{1, 0, 0, 0, 0, 0, 0, 0, 1}));
}

TEST_F(Models, IndicesAreNarrowedToTheirLow16Bits) {
  Mdl m = Triangle();
  m.indices = {65537, 0x20000 + 2, 0};
  TModel t = LoadBytes(m.Bytes());
  ASSERT_EQ(t.triangleCount, 1);
  auto idx = BufferData<unsigned short>(GL_ELEMENT_ARRAY_BUFFER, t.indexBuffer, 0, 3);
  EXPECT_EQ(idx, (std::vector<unsigned short>{1, 2, 0}));
}

TEST_F(Models, ShadersOffKeepsKeyframesForTheProcessorBlend) {
  _ShadersOn = false;
  TModel m = LoadBytes(Triangle().Bytes());
  ASSERT_NE(m.frames, nullptr);
  ASSERT_NE(m.blendedVertices, nullptr);
  EXPECT_EQ(m.frames[4], 2.0f);
}

TEST_F(Models, DamagedFilesLeaveAModelThatDrawsNothing) {
  const Mdl good = Triangle();
  std::vector<std::string> damaged;
  damaged.push_back("");                                               // empty
  damaged.push_back(good.Bytes().substr(0, 11));                       // short header
  damaged.push_back(good.Bytes().substr(0, good.Bytes().size() - 1));  // one byte short
  Mdl negV = good;
  negV.V = -3;
  damaged.push_back(negV.Bytes());
  Mdl negT = good;
  negT.T = -1;
  damaged.push_back(negT.Bytes());
  Mdl hugeT = good;
  hugeT.T = 0x7FFFFFFF;  // claims far more than the file holds
  damaged.push_back(hugeT.Bytes());
  Mdl hugeF = good;
  hugeF.F = 0x7FFFFFFF;
  damaged.push_back(hugeF.Bytes());
  Mdl tooManyVertices = good;
  tooManyVertices.V = 65537;
  damaged.push_back(tooManyVertices.Bytes());
  Mdl badIndex = good;
  badIndex.indices = {0, 1, 3};
  damaged.push_back(badIndex.Bytes());
  Mdl noFrames = good;
  noFrames.F = 0;
  damaged.push_back(noFrames.Bytes());

  for (size_t i = 0; i < damaged.size(); i++) {
    SCOPED_TRACE(i);
    const size_t logBefore = LogText().size();
    TModel m = LoadBytes(damaged[i], "bad.mdl");
    EXPECT_EQ(m.vertexCount, 0);
    EXPECT_EQ(m.triangleCount, 0);
    EXPECT_EQ(m.frameCount, 0);
    EXPECT_EQ(m.vertexBuffer, 0u);
    EXPECT_EQ(m.indexBuffer, 0u);
    const std::string added = LogText().substr(logBefore);
    EXPECT_NE(added.find(RU("не загружена")), std::string::npos) << added;
    EXPECT_EQ(added.find(RU("загружена\r")), std::string::npos);

    m.InitModel(1, 0, 0, 0, 0, 0, 0);
    m.frame = 3.5f;
    int lit = -1;
    DrawAndFindCentre(
        [&] {
          m.Draw();
          m.Draw2(7);
          m.DrawAnimation();
          m.DrawStatic();
        },
        &lit);
    EXPECT_EQ(lit, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }

  TModel missing;
  missing.Load("no_such_model.mdl", white);
  EXPECT_EQ(missing.triangleCount, 0);
  EXPECT_NE(LogText().find("no_such_model.mdl"), std::string::npos);
}

// ---------------------------------------------------------------- drawing

TEST_F(Models, BlendedDrawLandsBetweenTwoKeyframes) {
  TModel m = Placed(LoadBytes(MovingSquare({-0.6f, 0.0f, 0.6f}).Bytes()));

  m.frame = 0.0f;
  EXPECT_NEAR(DrawAndFindCentre([&] { m.Draw(); }), -0.6f, 0.03f);
  m.frame = 0.5f;
  EXPECT_NEAR(DrawAndFindCentre([&] { m.Draw(); }), -0.3f, 0.03f);
  m.frame = 1.25f;
  EXPECT_NEAR(DrawAndFindCentre([&] { m.Draw(); }), 0.15f, 0.03f);
  // Toward an explicit keyframe instead of the next one.
  m.frame = 0.5f;
  EXPECT_NEAR(DrawAndFindCentre([&] { m.Draw2(2.9f); }), 0.0f, 0.03f);
  // Static drawing takes the keyframe alone.
  m.frame = 1.75f;
  EXPECT_NEAR(DrawAndFindCentre([&] { m.DrawStatic(); }), 0.0f, 0.03f);

  // A copy shares the mesh but keeps its own place and frame.
  TModel copy = m;
  copy.Move(0, 0.5f, 0);
  copy.frame = 0.0f;
  m.frame = 0.0f;
  int lit = 0;
  EXPECT_NEAR(DrawAndFindCentre([&] { m.Draw(); }, &lit), -0.6f, 0.03f);
  int litBoth = 0;
  EXPECT_NEAR(DrawAndFindCentre(
                  [&] {
                    m.Draw();
                    copy.Draw();
                  },
                  &litBoth),
              -0.6f, 0.03f);
  EXPECT_EQ(litBoth, 2 * lit);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Models, ProcessorFallbackBlendsTheSameWay) {
  _ShadersOn = false;
  TModel m = Placed(LoadBytes(MovingSquare({-0.6f, 0.0f, 0.6f}).Bytes()));
  m.frame = 0.5f;
  EXPECT_NEAR(DrawAndFindCentre([&] { m.Draw(); }), -0.3f, 0.03f);
  // Without shaders the explicit target is not used.
  EXPECT_NEAR(DrawAndFindCentre([&] { m.Draw2(2); }), -0.3f, 0.03f);
  m.frame = 1.5f;
  EXPECT_NEAR(DrawAndFindCentre([&] { m.Draw(); }), 0.3f, 0.03f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Models, DrawAnimationClosesTheLoopInItsLastInterval) {
  TModel m = Placed(LoadBytes(MovingSquare({-0.6f, 0.0f, 0.6f, 0.9f}).Bytes()));
  m.SetAnimation(0, 2, 0.5f);
  m.frame = 0.9f;  // end - 1 > frame: toward keyframe 1
  EXPECT_NEAR(DrawAndFindCentre([&] { m.DrawAnimation(); }), -0.06f, 0.03f);
  m.frame = 1.5f;  // last interval: toward the start of the range, not keyframe 2
  EXPECT_NEAR(DrawAndFindCentre([&] { m.DrawAnimation(); }), -0.3f, 0.03f);
}

TEST_F(Models, DrawingWrapsTheFrameIntoTheKeyframeRange) {
  std::vector<float> xs;
  for (int i = 0; i < 11; i++) xs.push_back(-0.5f + 0.1f * i);
  TModel m = Placed(LoadBytes(MovingSquare(xs).Bytes()));
  m.frame = 25.5f;
  EXPECT_NEAR(DrawAndFindCentre([&] { m.Draw(); }), 0.05f, 0.03f);
  EXPECT_EQ(m.frame, 5.5f);

  // Values that repeated subtraction cannot reduce, or that are no number,
  // still end inside the range without hanging.
  m.frame = 1e30f;
  DrawAndFindCentre([&] { m.DrawStatic(); });
  EXPECT_GE(m.frame, 0.0f);
  EXPECT_LT(m.frame, 10.0f);
  m.frame = std::numeric_limits<float>::quiet_NaN();
  DrawAndFindCentre([&] { m.Draw(); });
  EXPECT_EQ(m.frame, 0.0f);

  // A one-keyframe model is never wrapped, and a frame past its only
  // keyframe still draws that keyframe.
  TModel single = Placed(LoadBytes(MovingSquare({0.4f}).Bytes()));
  single.frame = 3.5f;
  EXPECT_NEAR(DrawAndFindCentre([&] { single.Draw(); }), 0.4f, 0.03f);
  EXPECT_EQ(single.frame, 3.5f);
  single.frame = -2.5f;
  EXPECT_NEAR(DrawAndFindCentre([&] { single.DrawStatic(); }), 0.4f, 0.03f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A lit, textured frame, saved as model_frame.png for a look by eye.
TEST_F(Models, RendersAFrameToAnImage) {
  // A four-sided pyramid whose apex rises between its two keyframes.
  Mdl p;
  p.V = 5;
  p.T = 6;
  p.F = 2;
  const float base[4][3] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  for (int f = 0; f < 2; f++) {
    for (auto& b : base) p.positions.insert(p.positions.end(), {b[0], b[1], b[2]});
    p.positions.insert(p.positions.end(), {0, 0, f == 0 ? 1.0f : 2.0f});
  }
  p.indices = {0, 1, 4, 1, 2, 4, 2, 3, 4, 3, 0, 4, 0, 2, 1, 0, 3, 2};
  p.uvs = {0, 0, 1, 0, 1, 1, 0, 1, 0.5f, 0.5f};
  TModel m = LoadBytes(p.Bytes(), "pyramid.mdl");
  m.InitModel(0.45f, 60, 0, 30, 0, -0.1f, 0);
  m.frame = 0.5f;

  // A checker texture so the faces can be told apart.
  unsigned int checker = 0;
  glGenTextures(1, &checker);
  glBindTexture(GL_TEXTURE_2D, checker);
  unsigned char tex[8 * 8 * 3];
  for (int i = 0; i < 64; i++) {
    const bool on = ((i % 8) / 2 + (i / 8) / 2) % 2 == 0;
    tex[i * 3 + 0] = on ? 230 : 40;
    tex[i * 3 + 1] = on ? 160 : 40;
    tex[i * 3 + 2] = on ? 40 : 200;
  }
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 8, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  m.texture = checker;

  int lit = 0;
  DrawAndFindCentre([&] { m.Draw(); }, &lit);
  EXPECT_GT(lit, 500);
  testutil::SavePng("model_frame", kSize, kSize);
  // Both colours of the checker show: the faces are textured, not flat.
  const std::vector<unsigned char> frame = testutil::ReadFrame(kSize, kSize);
  int orange = 0, blue = 0;
  for (size_t i = 0; i + 2 < frame.size(); i += 3) {
    orange += frame[i] > frame[i + 2] + 40;
    blue += frame[i + 2] > frame[i] + 40;
  }
  EXPECT_GT(orange, 50);
  EXPECT_GT(blue, 50);
}

// ---------------------------------------------------------------- animation lists

TEST_F(Models, AnimationListCountsTheTrailingAttempt) {
  testutil::WriteFile("two_nl.txt", "0 10 5 0.5 Move\n11 20 15 1 Atack\n");
  testutil::WriteFile("two.txt", "0 10 5 0.5 Move\n11 20 15 1 Atack");
  TModel a;
  a.LoadAnimationList("two_nl.txt");
  EXPECT_EQ(a.animationCount, 3);
  EXPECT_STREQ(a.animations[2].name, "");
  TModel b;
  b.LoadAnimationList("two.txt");
  ASSERT_EQ(b.animationCount, 2);
  // Key frame comes before speed in the file.
  EXPECT_STREQ(b.animations[1].name, "Atack");
  EXPECT_EQ(b.animations[1].start, 11.0f);
  EXPECT_EQ(b.animations[1].end, 20.0f);
  EXPECT_EQ(b.animations[1].keyFrame, 15.0f);
  EXPECT_EQ(b.animations[1].speed, 1.0f);
  EXPECT_NE(LogText().find(RU("Анимация номер 1: 11.00 20.00 15.00 1.00 Atack")),
            std::string::npos);

  // A second list goes after the records already there.
  b.LoadAnimationList("two.txt");
  EXPECT_EQ(b.animationCount, 4);
  EXPECT_STREQ(b.animations[2].name, "Move");

  // Fields may be split by any white space.
  TModel c;
  testutil::WriteFile("spaced.txt", "  1\t2\n3   4 Jump");
  c.LoadAnimationList("spaced.txt");
  ASSERT_EQ(c.animationCount, 1);
  EXPECT_STREQ(c.animations[0].name, "Jump");
  EXPECT_EQ(c.animations[0].speed, 4.0f);
}

TEST_F(Models, AnimationListNeverOverrunsAndCutsLongNames) {
  std::string text;
  for (int i = 0; i < 70; i++) text += std::to_string(i) + " 1 2 3 N" + std::to_string(i) + "\n";
  testutil::WriteFile("many.txt", text);
  TModel m;
  m.vertexBuffer = 0xABCDEF;  // the field right after the table
  m.LoadAnimationList("many.txt");
  EXPECT_EQ(m.animationCount, 64);
  EXPECT_STREQ(m.animations[63].name, "N63");
  EXPECT_EQ(m.vertexBuffer, 0xABCDEFu);

  const std::string longName(200, 'x');
  testutil::WriteFile("long.txt", "0 1 2 3 " + longName + "\n4 5 6 7 Next");
  TModel l;
  l.LoadAnimationList("long.txt");
  ASSERT_EQ(l.animationCount, 2);
  EXPECT_EQ(std::string(l.animations[0].name), longName.substr(0, 127));
  EXPECT_STREQ(l.animations[1].name, "Next");
  EXPECT_EQ(l.animations[1].start, 4.0f);

  // A field that is not a number does not stall the reader.
  testutil::WriteFile("junk.txt", "0 1 2 3 A\nfoo bar\n4 5 6 7 B");
  TModel j;
  j.LoadAnimationList("junk.txt");
  EXPECT_EQ(j.animationCount, 3);
  EXPECT_STREQ(j.animations[2].name, "B");

  TModel missing;
  missing.LoadAnimationList("no_such_list.txt");
  EXPECT_EQ(missing.animationCount, -1);
  EXPECT_FALSE(missing.IsAnimation("Move"));
  EXPECT_FALSE(missing.IsKeyFrame(0));
}

TEST_F(Models, SelectingAndQueryingAnimations) {
  testutil::WriteFile("anim.txt", "0 10 5 0.5 Move\n20 30 25 1 Atack\n20 40 0 9 Atack");
  TModel m;
  m.LoadAnimationList("anim.txt");
  m.frame = 7;
  m.SelectAnimation("Atack");  // the first match wins
  EXPECT_EQ(m.animStart, 20.0f);
  EXPECT_EQ(m.animEnd, 30.0f);
  EXPECT_EQ(m.animSpeed, 1.0f);
  EXPECT_EQ(m.frame, 7.0f);    // selecting never moves the frame
  m.SelectAnimation("atack");  // names are case-sensitive
  m.SelectAnimation("Nothing");
  m.SelectAnimation(3);
  m.SelectAnimation(-1);
  EXPECT_EQ(m.animEnd, 30.0f);
  m.SelectAnimation(0);
  EXPECT_EQ(m.animEnd, 10.0f);

  m.frame = 10;
  EXPECT_TRUE(m.IsAnimation("Move"));  // the last frame is inside
  EXPECT_FALSE(m.IsAnimation("Atack"));
  EXPECT_FALSE(m.IsAnimation("Unknown"));
  EXPECT_FALSE(m.IsAnimation(5));
  EXPECT_TRUE(m.IsAnimation(10.0f, 10.0f));

  // Key frame 5, speed 0.5: true on [5, 5.5).
  m.frame = 4.99f;
  EXPECT_FALSE(m.IsKeyFrame("Move"));
  m.frame = 5.0f;
  EXPECT_TRUE(m.IsKeyFrame("Move"));
  m.frame = 5.49f;
  EXPECT_TRUE(m.IsKeyFrame(0));
  m.frame = 5.5f;
  EXPECT_FALSE(m.IsKeyFrame("Move"));
  EXPECT_FALSE(m.IsKeyFrame("Unknown"));

  // Stepping by exactly the speed hits the window once per pass.
  m.SelectAnimation("Move");
  m.frame = 0;
  int hits = 0;
  for (int i = 0; i < 20; i++) {
    m.ProcessAnimation();
    if (m.IsKeyFrame("Move")) hits++;
  }
  EXPECT_EQ(hits, 1);
}

TEST_F(Models, ProcessAnimationWrapsAndPullsIntoRange) {
  TModel m;
  m.SetAnimation(0, 10, 0.5f);
  m.frame = 9.8f;
  EXPECT_TRUE(m.ProcessAnimation());  // 10.3 > 10
  EXPECT_EQ(m.frame, 0.0f);

  m.frame = 9.5f;
  EXPECT_FALSE(m.ProcessAnimation());  // reaching the end is not past it
  EXPECT_EQ(m.frame, 10.0f);
  EXPECT_TRUE(m.ProcessAnimation());
  EXPECT_EQ(m.frame, 0.0f);

  m.SetAnimation(20, 30, 1);
  m.frame = 5;
  EXPECT_FALSE(m.ProcessAnimation());  // 6 < 20: pulled up, no wrap
  EXPECT_EQ(m.frame, 20.0f);

  m.InitModel(2, 90, 0, 180, 1, 2, 3);
  EXPECT_EQ(m.frame, 0.0f);
  EXPECT_EQ(m.rotX, 90.0f);
  EXPECT_EQ(m.rotZ, 180.0f);
  EXPECT_EQ(m.z, 3.0f);
}

}  // namespace

// The logical screen drawn at the window's own resolution: whole engine
// runs in windows of other sizes than the logical 1024 x 768 check the box
// and its black bars, lines and points as wide as a logical pixel, the
// screenshot (1024 x 768, the window's picture scaled down), the fallback
// without off-screen buffers, and the mouse mapped to logical pixels.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL2/SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "Internal.h"
#include "testutil.h"

namespace {

const int kLogicalW = 1024, kLogicalH = 768;

// What one run saw. The window's picture is read at the end of the third
// frame; a tick then asks for a screenshot, mouse moves follow one a tick,
// and the run ends.
struct TDisplayRun {
  int windowW = 0, windowH = 0;
  int frames = 0, ticks = 0;
  size_t steps = 0;                   // ticks since the frames began: shot, then mouse moves
  std::vector<unsigned char> window;  // RGBA, bottom row first
  GLint windowViewport[4] = {}, shotViewport[4] = {};
  GLfloat windowPoint = 0, windowLine = 0, shotPoint = 0, shotLine = 0;
  GLboolean windowScissor = GL_FALSE;
  double aspect = 0.0;
  int shotFrames = 0;  // frames drawn into an off-screen buffer
  // Mouse: window positions pushed, logical positions seen.
  std::vector<std::pair<int, int>> mouseIn, mouseOut;
} g_run;

void Nothing() {}

// A static scene: the game's own clear in a colour, a 3D quad in front of
// the camera, 2D blocks in two corners, a point and a line.
void DrawScene() {
  glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_TEXTURE_2D);
  glColor3f(0.0f, 1.0f, 0.0f);
  glBegin(GL_QUADS);
  glVertex3f(-1.0f, -1.0f, -6.0f);
  glVertex3f(1.0f, -1.0f, -6.0f);
  glVertex3f(1.0f, 1.0f, -6.0f);
  glVertex3f(-1.0f, 1.0f, -6.0f);
  glEnd();
  glEnable(GL_TEXTURE_2D);
  Begin2D();
  SetColor(1, 0, 0, 1);
  DrawRectangle(0, 0, 256, 192);
  SetColor(1, 1, 0, 1);
  DrawRectangle(768, 576, 256, 192);
  SetColor(1, 1, 1, 1);
  PutPoint2D(600.5f, 100.5f);
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_LINES);
  glVertex2f(100.0f, 700.5f);
  glVertex2f(400.0f, 700.5f);
  glEnd();
  glEnable(GL_TEXTURE_2D);
  End2D();
}

void Render() {
  GLint framebuffer = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
  if (framebuffer != 0) {
    ++g_run.shotFrames;
    glGetIntegerv(GL_VIEWPORT, g_run.shotViewport);
    glGetFloatv(GL_POINT_SIZE, &g_run.shotPoint);
    glGetFloatv(GL_LINE_WIDTH, &g_run.shotLine);
  } else {
    ++g_run.frames;
    glGetIntegerv(GL_VIEWPORT, g_run.windowViewport);
    glGetFloatv(GL_POINT_SIZE, &g_run.windowPoint);
    glGetFloatv(GL_LINE_WIDTH, &g_run.windowLine);
    g_run.windowScissor = glIsEnabled(GL_SCISSOR_TEST);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    g_run.aspect = m[5] / m[0];
  }
  DrawScene();
  if (framebuffer == 0 && g_run.frames == 3) {
    // The window's picture of this frame, as drawn.
    g_run.window.resize(static_cast<size_t>(g_run.windowW) * g_run.windowH * 4);
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, g_run.windowW, g_run.windowH, GL_RGBA, GL_UNSIGNED_BYTE,
                 g_run.window.data());
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
  }
}

void Process() {
  ++g_run.ticks;
  if (g_run.frames < 4) return;
  const size_t step = ++g_run.steps;
  if (step == 1) {
    _ScreenPause = true;
    MakeScreenShoot();
  } else if (step - 2 < g_run.mouseIn.size()) {
    g_run.mouseOut.push_back({_MousePosX, _MousePosY});
  }
  if (step - 1 < g_run.mouseIn.size()) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = g_run.mouseIn[step - 1].first;
    e.motion.y = g_run.mouseIn[step - 1].second;
    SDL_PushEvent(&e);
    return;
  }
  if (step >= 2) QuiteEngine();
}

class DisplayTest : public ::testing::Test {
protected:
  void SetUp() override {
    testutil::RemoveFile("Screen0.tga");
    for (int& k : _keys) k = 0;
    _ActiveMenu = -1;
    _GameOn = true;
  }
  void TearDown() override {
    core::SetShotBufferAllowed(true);
    testutil::RemoveFile("Screen0.tga");
  }

  // Runs the engine at the logical 1024 x 768 in a w x h window; the shot
  // is read into `shot` (RGB, bottom row first).
  void Run(int w, int h, std::vector<std::pair<int, int>> mouse = {}) {
    g_run = TDisplayRun();
    g_run.windowW = w;
    g_run.windowH = h;
    g_run.mouseIn = mouse;
    SetWindowSize(w, h);
    const int result = StartEngine(nullptr, nullptr, nullptr, 0, Process, Nothing, Render, false,
                                   false, kLogicalW, kLogicalH, "display");
    SetWindowSize(0, 0);
    ASSERT_EQ(result, 1);
    ASSERT_EQ(g_run.window.size(), static_cast<size_t>(w) * h * 4);
    ASSERT_EQ(g_run.mouseOut.size(), mouse.size());
    const std::string tga = testutil::ReadFile("Screen0.tga");
    ASSERT_EQ(tga.size(), 18u + kLogicalW * kLogicalH * 3) << "screenshots keep the logical size";
    EXPECT_EQ(static_cast<unsigned char>(tga[12]), 0x00);
    EXPECT_EQ(static_cast<unsigned char>(tga[13]), 0x04);
    EXPECT_EQ(static_cast<unsigned char>(tga[14]), 0x00);
    EXPECT_EQ(static_cast<unsigned char>(tga[15]), 0x03);
    shot.assign(tga.begin() + 18, tga.end());
    for (size_t i = 0; i < shot.size(); i += 3) std::swap(shot[i], shot[i + 2]);  // BGR -> RGB
    EXPECT_NEAR(g_run.aspect, 4.0 / 3.0, 1e-4) << "the camera keeps the logical aspect";
  }

  // Window pixel (x from the left, y from the bottom), RGB.
  const unsigned char* WindowAt(int x, int y) const {
    return &g_run.window[(static_cast<size_t>(y) * g_run.windowW + x) * 4];
  }
  // Screenshot pixel (x from the left, y from the bottom), RGB.
  const unsigned char* ShotAt(int x, int y) const {
    return &shot[(static_cast<size_t>(y) * kLogicalW + x) * 3];
  }
  static bool IsBlack(const unsigned char* p) { return p[0] < 4 && p[1] < 4 && p[2] < 4; }
  static bool IsWhite(const unsigned char* p) { return p[0] > 250 && p[1] > 250 && p[2] > 250; }

  // Every pixel outside the box (x, y, w, h from the bottom left) is black;
  // the box's own border pixels are not.
  void ExpectBars(int bx, int by, int bw, int bh) {
    int wrong = 0;
    for (int y = 0; y < g_run.windowH; ++y)
      for (int x = 0; x < g_run.windowW; ++x) {
        const bool inside = x >= bx && x < bx + bw && y >= by && y < by + bh;
        if (!inside && !IsBlack(WindowAt(x, y))) ++wrong;
      }
    EXPECT_EQ(wrong, 0) << "bar pixels that are not black";
    EXPECT_FALSE(IsBlack(WindowAt(bx, by + bh / 2)));
    EXPECT_FALSE(IsBlack(WindowAt(bx + bw - 1, by + bh / 2)));
    EXPECT_FALSE(IsBlack(WindowAt(bx + bw / 2, by)));
    EXPECT_FALSE(IsBlack(WindowAt(bx + bw / 2, by + bh - 1)));
  }

  // The box of the window scaled by an integer factor down to the logical
  // size, each pixel the rounded mean of its block.
  std::vector<unsigned char> BoxScaledDown(int bx, int by, int factor) const {
    std::vector<unsigned char> out(static_cast<size_t>(kLogicalW) * kLogicalH * 3);
    for (int y = 0; y < kLogicalH; ++y)
      for (int x = 0; x < kLogicalW; ++x)
        for (int c = 0; c < 3; ++c) {
          unsigned sum = 0;
          for (int dy = 0; dy < factor; ++dy)
            for (int dx = 0; dx < factor; ++dx)
              sum += WindowAt(bx + x * factor + dx, by + y * factor + dy)[c];
          const unsigned n = static_cast<unsigned>(factor * factor);
          out[(static_cast<size_t>(y) * kLogicalW + x) * 3 + c] =
              static_cast<unsigned char>((sum + n / 2) / n);
        }
    return out;
  }

  std::vector<unsigned char> shot;
};

// Pixels of `a` and `b` (same size, RGB) whose channels differ by more than
// `tolerance`.
int CountDiffering(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b,
                   int tolerance) {
  int count = 0;
  for (size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3)
    for (int c = 0; c < 3; ++c)
      if (std::abs(a[i + c] - b[i + c]) > tolerance) {
        ++count;
        break;
      }
  return count;
}

}  // namespace

TEST_F(DisplayTest, TwiceTheLogicalSizeDrawsSharpInTheBoxAndTheShotIsThatPictureHalved) {
  // 2248 x 1536: the box is 2048 x 1536 (scale 2) with bars of 100 pixels
  // left and right.
  Run(2248, 1536, {{1124, 768}, {100, 0}, {2147, 1535}, {1123, 767}});
  if (HasFatalFailure()) return;
  EXPECT_EQ(g_run.windowViewport[0], 100);
  EXPECT_EQ(g_run.windowViewport[1], 0);
  EXPECT_EQ(g_run.windowViewport[2], 2048);
  EXPECT_EQ(g_run.windowViewport[3], 1536);
  EXPECT_TRUE(g_run.windowScissor);
  EXPECT_FLOAT_EQ(g_run.windowPoint, 2.0f) << "points as wide as a logical pixel";
  EXPECT_FLOAT_EQ(g_run.windowLine, 2.0f) << "lines as wide as a logical pixel";
  ExpectBars(100, 0, 2048, 1536);

  // The shot frame was drawn into a buffer of the logical size.
  EXPECT_EQ(g_run.shotFrames, 1);
  EXPECT_EQ(g_run.shotViewport[2], kLogicalW);
  EXPECT_EQ(g_run.shotViewport[3], kLogicalH);
  EXPECT_FLOAT_EQ(g_run.shotPoint, 1.0f);
  EXPECT_FLOAT_EQ(g_run.shotLine, 1.0f);

  // Everything agrees exactly but the outline of the 3D quad (about 310 x
  // 310 logical pixels), whose edges fall inside 2 x 2 blocks of the window:
  // there a logical pixel is covered where its block is partly covered.
  const std::vector<unsigned char> halved = BoxScaledDown(100, 0, 2);
  EXPECT_LE(CountDiffering(shot, halved, 0), 4 * 320) << "only along the quad's edges";
  EXPECT_EQ(CountDiffering(shot, halved, 160), 0)
      << "no pixel further off than a partly covered one";
  // Red block top left (logical y from the bottom: 767), yellow bottom right.
  EXPECT_EQ(ShotAt(10, 760)[0], 255);
  EXPECT_EQ(ShotAt(10, 760)[1], 0);
  EXPECT_EQ(ShotAt(1000, 10)[1], 255);

  // The point at logical (600, 100) is 2 x 2 in the window, 1 x 1 in the
  // shot; the line along logical row 700 is 2 rows high, 1 in the shot.
  int pointWindow = 0, pointShot = 0, lineWindow = 0, lineShot = 0;
  for (int dy = -4; dy <= 4; ++dy)
    for (int dx = -4; dx <= 4; ++dx) {
      pointWindow += IsWhite(WindowAt(100 + 1201 + dx, 1536 - 201 + dy));
      pointShot += IsWhite(ShotAt(600 + dx, 767 - 100 + dy));
    }
  for (int dy = -4; dy <= 4; ++dy) {
    lineWindow += IsWhite(WindowAt(100 + 500, 1536 - 1401 + dy));
    lineShot += IsWhite(ShotAt(250, 767 - 700 + dy));
  }
  EXPECT_EQ(pointWindow, 4);
  EXPECT_EQ(pointShot, 1);
  EXPECT_EQ(lineWindow, 2);
  EXPECT_EQ(lineShot, 1);

  // Window pixels to logical pixels: the centre, the box's corners.
  EXPECT_EQ(g_run.mouseOut[0], std::make_pair(512, 384));
  EXPECT_EQ(g_run.mouseOut[1], std::make_pair(0, 0));
  EXPECT_EQ(g_run.mouseOut[2], std::make_pair(1023, 767));
  EXPECT_EQ(g_run.mouseOut[3], std::make_pair(511, 383));
}

TEST_F(DisplayTest, WithoutOffscreenBuffersTheShotIsTheBoxReadAndScaled) {
  core::SetShotBufferAllowed(false);
  Run(2248, 1536);
  if (HasFatalFailure()) return;
  EXPECT_EQ(g_run.shotFrames, 0);
  // The same mean of 2 x 2 blocks as the test's own: exactly equal.
  EXPECT_EQ(CountDiffering(shot, BoxScaledDown(100, 0, 2), 0), 0);
}

TEST_F(DisplayTest, ATallWindowGetsBarsAboveAndBelowAndMapsTheMouseIntoTheBox) {
  // 1280 x 1024: the box is 1280 x 960, bars of 32 rows.
  Run(1280, 1024, {{640, 512}, {0, 32}, {1279, 991}});
  if (HasFatalFailure()) return;
  EXPECT_EQ(g_run.windowViewport[1], 32);
  EXPECT_EQ(g_run.windowViewport[3], 960);
  ExpectBars(0, 32, 1280, 960);
  EXPECT_FLOAT_EQ(g_run.windowLine, 1.25f);
  // The shot against the box scaled down by 1.25: flat areas agree, edges
  // (2D blocks, the quad, the point and the line) may be a pixel off.
  std::vector<unsigned char> box;
  for (int y = 32; y < 32 + 960; ++y)
    for (int x = 0; x < 1280; ++x) box.insert(box.end(), WindowAt(x, y), WindowAt(x, y) + 3);
  std::vector<unsigned char> scaled(static_cast<size_t>(kLogicalW) * kLogicalH * 3);
  core::ScaleRgb(box.data(), 1280, 960, scaled.data(), kLogicalW, kLogicalH);
  EXPECT_LE(CountDiffering(shot, scaled, 24), kLogicalW * kLogicalH / 100);
  EXPECT_EQ(g_run.mouseOut[0], std::make_pair(512, 384));
  EXPECT_EQ(g_run.mouseOut[1], std::make_pair(0, 0));
  EXPECT_EQ(g_run.mouseOut[2], std::make_pair(1023, 767));
}

TEST_F(DisplayTest, AtTheLogicalSizeTheWindowIsDrawnAndReadAsItAlwaysWas) {
  Run(kLogicalW, kLogicalH, {{512, 384}});
  if (HasFatalFailure()) return;
  EXPECT_EQ(g_run.windowViewport[0], 0);
  EXPECT_EQ(g_run.windowViewport[2], kLogicalW);
  EXPECT_FALSE(g_run.windowScissor);
  EXPECT_FLOAT_EQ(g_run.windowPoint, 1.0f);
  EXPECT_EQ(g_run.shotFrames, 0) << "read from the window at once";
  std::vector<unsigned char> rgb;
  for (size_t i = 0; i < g_run.window.size(); i += 4)
    rgb.insert(rgb.end(), g_run.window.begin() + i, g_run.window.begin() + i + 3);
  EXPECT_EQ(CountDiffering(shot, rgb, 0), 0);
  EXPECT_EQ(g_run.mouseOut[0], std::make_pair(512, 384));
}

TEST(ScaleRgbTest, ShrinksByTheMeanOfCoveredPixelsAndEnlargesByTheNearest) {
  // 4 x 2 to 2 x 1: each output is the mean of a 2 x 2 block.
  const unsigned char src[4 * 2 * 3] = {0,  0,  0,  10, 10, 10, 100, 0, 0, 200, 0, 0,
                                        20, 20, 20, 30, 30, 30, 100, 0, 0, 201, 0, 0};
  unsigned char half[2 * 3] = {};
  core::ScaleRgb(src, 4, 2, half, 2, 1);
  EXPECT_EQ(half[0], 15);
  EXPECT_EQ(half[3], 150);  // (100 + 200 + 100 + 201) / 4 = 150.25
  // 2 x 1 to 4 x 1: each source pixel twice.
  const unsigned char two[2 * 3] = {1, 2, 3, 4, 5, 6};
  unsigned char four[4 * 3] = {};
  core::ScaleRgb(two, 2, 1, four, 4, 1);
  const unsigned char expect[4 * 3] = {1, 2, 3, 1, 2, 3, 4, 5, 6, 4, 5, 6};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(four[i], expect[i]) << i;
  // 3 x 1 to 2 x 1: the middle pixel counts for both halves.
  const unsigned char three[3 * 3] = {0, 0, 0, 90, 90, 90, 180, 180, 180};
  unsigned char two_out[2 * 3] = {};
  core::ScaleRgb(three, 3, 1, two_out, 2, 1);
  EXPECT_EQ(two_out[0], 45);
  EXPECT_EQ(two_out[3], 135);
}

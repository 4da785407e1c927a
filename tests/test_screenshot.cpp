// Screenshots: the file layout, the one-per-interval gate, file names and
// an unwritable folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestPlatform.h"

#include <GL/gl.h>

#include <climits>
#include <string>

#include "CorvaneEngine.h"
#include "Internal.h"
#include "testutil.h"

namespace {

// Paints the four quadrants of a w x h frame in distinct colours.
void DrawQuadrants(int w, int h) {
  glEnable(GL_SCISSOR_TEST);
  const struct {
    int x, y;
    float r, g, b;
  } quads[4] = {{0, 0, 1, 0, 0}, {w / 2, 0, 0, 1, 0}, {0, h / 2, 0, 0, 1}, {w / 2, h / 2, 1, 1, 0}};
  for (const auto& q : quads) {
    glScissor(q.x, q.y, w - w / 2, h - h / 2);
    glClearColor(q.r, q.g, q.b, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glDisable(GL_SCISSOR_TEST);
  glFinish();
}

// Blue, green, red of the file's pixel at (x, y), y counted from the bottom.
std::string PixelAt(const std::string& tga, int w, int x, int y) {
  return tga.substr(18 + (static_cast<size_t>(y) * w + x) * 3, 3);
}

class ScreenshotTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (int i = 0; i < 5; ++i) testutil::RemoveFile("Screen" + std::to_string(i) + ".tga");
  }
  void TearDown() override {
    SetScreenshotFolder(nullptr);
    SetUp();
    testutil::CloseContext();
    cgl::ContextAlive = false;
  }
  void Open(int w, int h) {
    ASSERT_TRUE(testutil::OpenContext(w, h));
    cgl::ContextAlive = true;
    _Zarn_ScreenWidth = w;
    _Zarn_ScreenHeight = h;
  }
};

}  // namespace

TEST_F(ScreenshotTest, FileHoldsTheFrameBottomUpInBgrAtAnyWidth) {
  const int w = 101, h = 37;  // rows of 303 bytes: not a multiple of 4
  Open(w, h);
  DrawQuadrants(w, h);
  _ScreenPause = true;
  MakeScreenShoot();
  EXPECT_FALSE(_ScreenPause);

  const std::string tga = testutil::ReadFile("Screen0.tga");
  ASSERT_EQ(tga.size(), 18u + w * h * 3u);
  const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, w, 0, h, 0, 24, 0};
  EXPECT_EQ(tga.substr(0, 18), std::string(reinterpret_cast<const char*>(header), 18));
  EXPECT_EQ(PixelAt(tga, w, 0, 0), std::string("\x00\x00\xFF", 3));          // red, bottom left
  EXPECT_EQ(PixelAt(tga, w, w - 1, 0), std::string("\x00\xFF\x00", 3));      // green
  EXPECT_EQ(PixelAt(tga, w, 0, h - 1), std::string("\xFF\x00\x00", 3));      // blue, top left
  EXPECT_EQ(PixelAt(tga, w, w - 1, h - 1), std::string("\x00\xFF\xFF", 3));  // yellow
  // Pack state is left as it was.
  GLint align = 0;
  glGetIntegerv(GL_PACK_ALIGNMENT, &align);
  EXPECT_EQ(align, 4);
}

TEST_F(ScreenshotTest, GateLetsOneShotThroughAndNamesFillGaps) {
  Open(64, 48);
  DrawQuadrants(64, 48);
  testutil::WriteFile("Screen0.tga", "keep");
  testutil::WriteFile("Screen2.tga", "keep");
  _ScreenPause = true;
  for (int i = 0; i < 10; ++i) MakeScreenShoot();
  EXPECT_EQ(testutil::ReadFile("Screen1.tga").size(), 18u + 64 * 48 * 3);
  EXPECT_FALSE(FileExists("Screen3.tga"));
  EXPECT_EQ(testutil::ReadFile("Screen0.tga"), "keep");
  EXPECT_EQ(testutil::ReadFile("Screen2.tga"), "keep");
  _ScreenPause = true;
  MakeScreenShoot();
  EXPECT_TRUE(FileExists("Screen3.tga"));

  // Without a live context nothing is read or written.
  cgl::ContextAlive = false;
  _ScreenPause = true;
  MakeScreenShoot();
  EXPECT_FALSE(FileExists("Screen4.tga"));
}

TEST_F(ScreenshotTest, FullSizeHeader) {
  Open(1024, 768);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  _ScreenPause = true;
  MakeScreenShoot();
  const std::string tga = testutil::ReadFile("Screen0.tga");
  ASSERT_EQ(tga.size(), 18u + 2359296u);
  EXPECT_EQ(tga.substr(12, 4), std::string("\x00\x04\x00\x03", 4));
}

TEST_F(ScreenshotTest, UnwritableDirectoryGivesMessageAndNoFile) {
#if defined(_WIN32)
  GTEST_SKIP() << "the working folder cannot be removed on this system";
#endif
  Open(32, 32);
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_TRUE(testos::MakeDir("gone"));
  ASSERT_EQ(chdir("gone"), 0);
  ASSERT_EQ(rmdir("../gone"), 0);  // the working directory no longer exists

  ::testing::internal::CaptureStderr();
  _ScreenPause = true;
  MakeScreenShoot();
  const std::string err = ::testing::internal::GetCapturedStderr();
  ASSERT_EQ(chdir(here), 0);
  EXPECT_NE(err.find("Can't open ScreenShot File!"), std::string::npos);
  EXPECT_FALSE(_ScreenPause) << "a failed attempt still uses up the interval";
}

TEST_F(ScreenshotTest, ShotsGoToTheFolderSetAndNullGoesBack) {
  Open(32, 32);
  DrawQuadrants(32, 32);
  testos::MakeDir("shots");
  testutil::WriteFile("shots/Screen0.tga", "keep");
  EXPECT_TRUE(SetScreenshotFolder("shots/"));
  _ScreenPause = true;
  MakeScreenShoot();
  EXPECT_EQ(testutil::ReadFile("shots/Screen1.tga").size(), 18u + 32 * 32 * 3);
  EXPECT_FALSE(FileExists("Screen0.tga"));

  // Too long a folder is refused; the folder set stays.
  const std::string tooLong(4500, 'd');
  EXPECT_FALSE(SetScreenshotFolder(tooLong.c_str()));
  _ScreenPause = true;
  MakeScreenShoot();
  EXPECT_TRUE(FileExists("shots/Screen2.tga"));

  // A missing folder is reported; the shot then fails with the message.
  EXPECT_FALSE(SetScreenshotFolder("nowhere"));
  ::testing::internal::CaptureStderr();
  _ScreenPause = true;
  MakeScreenShoot();
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("Can't open ScreenShot File!"),
            std::string::npos);

  EXPECT_TRUE(SetScreenshotFolder(nullptr));
  _ScreenPause = true;
  MakeScreenShoot();
  EXPECT_TRUE(FileExists("Screen0.tga"));
  for (int i = 0; i < 3; ++i) testutil::RemoveFile("shots/Screen" + std::to_string(i) + ".tga");
  rmdir("shots");
}

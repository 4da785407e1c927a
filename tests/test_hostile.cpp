// Hostile and oversized files, and the release paths a leak check relies on:
// the capped whole-file reader and its cursor, values
// an animation list must not carry, models, captions and sound buffers freed
// when their owner lets go, and message boxes that never hold a run hostage.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BoundedReader.h"
#include "CorvaneEngine.h"
#include "Cp1251.h"
#include "Internal.h"
#include "testutil.h"

namespace {

bool LogHas(const std::string& text) {
  for (const std::string& line : testutil::LogMessages())
    if (line.find(text) != std::string::npos) return true;
  return false;
}

}  // namespace

TEST(BoundedReader, CapIsCheckedBeforeReadingAndCursorErrorsStick) {
  testutil::WriteFile("ten.bin", std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a", 10));
  bounded::FileBytes bytes;
  bytes.resize(3);
  EXPECT_EQ(bounded::ReadFileCapped("ten.bin", 9, &bytes), bounded::ReadResult::kTooLarge);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(bounded::ReadFileCapped("ten.bin", 10, &bytes), bounded::ReadResult::kOk);
  ASSERT_EQ(bytes.size(), 10u);
  EXPECT_EQ(bounded::ReadFileCapped("no/such.bin", 10, &bytes), bounded::ReadResult::kNoFile);
  EXPECT_EQ(bounded::ReadFileCapped(nullptr, 10, &bytes), bounded::ReadResult::kNoFile);
  // A directory opens on Linux but cannot be read as a file.
  EXPECT_NE(bounded::ReadFileCapped(".", 1 << 20, &bytes), bounded::ReadResult::kOk);

  const unsigned char data[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  bounded::ByteCursor in(data, sizeof(data));
  EXPECT_EQ(in.U16(), 0x0201u);
  EXPECT_EQ(in.U32(), 0x06050403u);
  EXPECT_FALSE(in.Failed());
  // Five bytes asked with four left: zero, the cursor stays, and the error
  // sticks even for reads that would fit.
  unsigned char five[5] = {9, 9, 9, 9, 9};
  EXPECT_FALSE(in.Bytes(five, 5));
  EXPECT_EQ(five[0], 0);
  EXPECT_EQ(in.Position(), 6u);
  EXPECT_TRUE(in.Failed());
  EXPECT_EQ(in.U8(), 0u);
  EXPECT_FALSE(in.Skip(0));

  const unsigned char minusOne[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  bounded::ByteCursor neg(minusOne, 4);
  EXPECT_EQ(neg.I32(), -1);
  bounded::ByteCursor flt(reinterpret_cast<const unsigned char*>("\x00\x00\x80\x3f"), 4);
  EXPECT_EQ(flt.F32(), 1.0f);
}

TEST(AnimationListValues, NanAndInfinitiesAreRefusedWithALogLine) {
  std::remove("EngineLog.txt");
  testutil::WriteFile("anims.txt",
                      "0 10 5 1 walk\n"
                      "nan 4 2 1 broken\n"
                      "0 inf 2 1 endless\n"
                      "0 1e99 2 1 overflow\n"
                      "20 30 25 -INFINITY back\n"
                      "11 19 15 0.5 run");
  TModel m;
  m.LoadAnimationList("anims.txt");
  ASSERT_EQ(m.animationCount, 2);
  EXPECT_STREQ(m.animations[0].name, "walk");
  EXPECT_STREQ(m.animations[1].name, "run");
  EXPECT_EQ(m.animations[1].speed, 0.5f);
  EXPECT_TRUE(
      LogHas(RU("Список анимаций anims.txt: запись 1 содержит бесконечность или не-число")));

  // Larger than any list could be: not read at all, and said so.
  testutil::WriteFile("huge.txt", std::string(kMaxAnimationListFile + 1, ' '));
  TModel h;
  h.LoadAnimationList("huge.txt");
  EXPECT_EQ(h.animationCount, -1);
  EXPECT_TRUE(LogHas(RU("Список анимаций huge.txt больше 64 КиБ")));
}

// The record lines do not name the list; a damaged list still leaves a line
// that does, so the log shows which file it was.
TEST(AnimationListValues, EveryListLeavesALineNamingIt) {
  std::remove("EngineLog.txt");
  testutil::WriteFile("empty.txt", "");
  TModel e;
  e.LoadAnimationList("empty.txt");
  EXPECT_TRUE(LogHas(RU("Список анимаций empty.txt пуст")));
  EXPECT_TRUE(LogHas(RU("Список анимаций empty.txt: записей в таблице 1")));

  // Cut inside its second record: the table says how much it holds.
  testutil::WriteFile("cut.txt", "0 10 5 1 walk\n11 19");
  TModel c;
  c.LoadAnimationList("cut.txt");
  EXPECT_TRUE(LogHas(RU("Список анимаций cut.txt: запись 1 неполная")));
  EXPECT_TRUE(LogHas(RU("Список анимаций cut.txt: записей в таблице 2")));

  // Cut after a line break: the scan's extra attempt is kept but named.
  testutil::WriteFile("half.txt", "0 12 0 0.75 Move\n");
  TModel h;
  h.LoadAnimationList("half.txt");
  EXPECT_EQ(h.animationCount, 2);
  EXPECT_TRUE(LogHas(RU("Список анимаций half.txt: запись 1 пуста")));
  EXPECT_FALSE(LogHas(RU("Список анимаций cut.txt пуст")));
}

TEST(ShaderSource, OversizedSourcesAreNotRead) {
  testutil::WriteFile("big.vert", std::string(kMaxShaderFile + 1, ' '));
  EXPECT_EQ(ReadShaderFile("big.vert"), nullptr);
  char* text = ShaderTextFromBytes(reinterpret_cast<const unsigned char*>("a\r\nb\r"), 5);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "a\nb\r");
  delete[] text;
}

// ---------------------------------------------------------------- release paths

TEST(ReleasePaths, ButtonCaptionsAreOwnedAndCopiedDeep) {
  char first[] = "First";
  char second[] = "Second";
  TCButton* b = new TCButton();
  b->SetText(first);
  b->SetText(second);   // the first copy is freed here (the leak check sees it)
  b->SetText(b->text);  // its own caption again: copied before the old one goes
  EXPECT_STREQ(b->text, "Second");
  TCButton copy = *b;
  EXPECT_NE(copy.text, b->text);
  TCButton assigned;
  assigned.SetText(first);
  assigned = *b;
  EXPECT_STREQ(assigned.text, "Second");
  delete b;
  EXPECT_STREQ(copy.text, "Second");
  copy.SetText(nullptr);
  EXPECT_EQ(copy.text, nullptr);
}

TEST(ReleasePaths, SoundBuffersAreReleasedSafely) {
  ReleaseSoundBuffer(nullptr);
  TSoundBuffer* none = nullptr;
  ReleaseSoundBuffer(&none);
  // Without a device the loader still hands out an (empty) buffer.
  testutil::WriteFile("s.wav", "RIFF");
  TSoundBuffer* sb = nullptr;
  LoadDirectSound(&sb, const_cast<char*>("s.wav"));
  ASSERT_NE(sb, nullptr);
  ReleaseSoundBuffer(&sb);
  EXPECT_EQ(sb, nullptr);
}

class ModelRelease : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(testutil::OpenContext(32, 32));
    ASSERT_EQ(cgl::LoadEntryPoints(), nullptr);
    cgl::ContextAlive = true;
  }
  static void TearDownTestSuite() {
    cgl::ContextAlive = false;
    testutil::CloseContext();
  }
  void TearDown() override { _ShadersOn = false; }

  // One triangle, two keyframes.
  static std::string TwoFrames(float shift) {
    std::string s;
    auto i32 = [&](int32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
    auto f32 = [&](float v) { s.append(reinterpret_cast<const char*>(&v), 4); };
    i32(3);
    i32(1);
    i32(2);
    for (int f = 0; f < 2; f++)
      for (int v = 0; v < 3; v++) {
        f32(v == 0 ? 1.0f + shift : 0.0f);
        f32(v == 1 ? 1.0f : 0.0f);
        f32(static_cast<float>(f));
      }
    i32(0);
    i32(1);
    i32(2);
    for (int k = 0; k < 6; k++) f32(0.5f);
    return s;
  }
};

TEST_F(ModelRelease, SecondLoadReplacesTheFirstAndCopiesShareTheKeyframes) {
  _ShadersOn = false;  // keyframes kept in memory
  testutil::WriteFile("a.mdl", TwoFrames(0.0f));
  testutil::WriteFile("b.mdl", TwoFrames(2.0f));
  TModel* m = new TModel();
  m->Load("a.mdl", 0);
  ASSERT_NE(m->frames, nullptr);
  TModel copy = *m;
  EXPECT_EQ(copy.frames, m->frames);
  m->Load("b.mdl", 0);  // the copy still holds the first load's keyframes
  ASSERT_NE(m->frames, nullptr);
  EXPECT_EQ(m->frames[0], 3.0f);
  EXPECT_EQ(copy.frames[0], 1.0f);
  TModel assigned;
  assigned = copy;
  assigned = assigned;
  delete m;
  EXPECT_EQ(copy.frames[3 * 3 + 2], 1.0f);
  EXPECT_EQ(assigned.frames, copy.frames);
  // A damaged second file leaves a model that holds nothing.
  testutil::WriteFile("bad.mdl", std::string(8, '\0'));
  copy.Load("bad.mdl", 0);
  EXPECT_EQ(copy.frames, nullptr);
  EXPECT_EQ(copy.vertexCount, 0);
  EXPECT_EQ(assigned.frames[0], 1.0f);
}

// ---------------------------------------------------------------- message box

TEST(MessageBoxSwitch, SendsErrorsToStderrAndTheLogOnly) {
  std::remove("EngineLog.txt");
  setenv("CORVANE_NO_MESSAGEBOX", "1", 1);
  ::testing::internal::CaptureStderr();
  PlatformMessageBox("Could not open texture file", "ERROR");
  const std::string err = ::testing::internal::GetCapturedStderr();
  unsetenv("CORVANE_NO_MESSAGEBOX");
  EXPECT_NE(err.find("ERROR: Could not open texture file"), std::string::npos);
  EXPECT_TRUE(LogHas("ERROR: Could not open texture file"));
}

namespace {

// Starts a private X server for the box test; 0 when none can be had.
pid_t StartXServer(const char* display) {
  if (access("/usr/bin/Xvfb", X_OK) != 0) return 0;
  pid_t x = fork();
  if (x == 0) {
    execl("/usr/bin/Xvfb", "Xvfb", display, "-screen", "0", "640x480x24", "-nolisten", "tcp",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  return x;
}

void BoxAtInit() { PlatformMessageBox("Could not open texture file", "ERROR"); }
void Nothing() {}

}  // namespace

TEST(MessageBoxSignals, TermWhileABoxIsUpRunsTheShutdownAndEnds) {
  const char* display = ":97";
  pid_t x = StartXServer(display);
  if (x <= 0) GTEST_SKIP() << "no Xvfb";
  for (int i = 0; i < 100 && access("/tmp/.X11-unix/X97", F_OK) != 0; i++)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::remove("EngineLog.txt");
  pid_t game = fork();
  if (game == 0) {
    setenv("DISPLAY", display, 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    unsetenv("CORVANE_NO_MESSAGEBOX");
    SDL_Quit();  // earlier tests of this process may have left SDL on the offscreen driver
    StartEngine(nullptr, nullptr, nullptr, 0, Nothing, BoxAtInit, Nothing, false, false, 160, 120,
                "box");
    _exit(0);  // reached only when the box was dismissed some other way
  }
  // Once the engine has called the init callback the box is on its way up.
  for (int i = 0; i < 200 && !LogHas(RU("Вызов пользовательской функция инициализации")); i++)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  kill(game, SIGTERM);
  int status = 0;
  pid_t done = 0;
  for (int i = 0; i < 100 && done == 0; i++) {
    done = waitpid(game, &status, WNOHANG);
    if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (done == 0) {
    kill(game, SIGKILL);
    waitpid(game, &status, 0);
  }
  kill(x, SIGTERM);
  waitpid(x, nullptr, 0);
  ASSERT_NE(done, 0) << "the process ignored SIGTERM while the box was up";
  // It ended by itself (a leak checker at exit may change the status).
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 0);
  EXPECT_TRUE(LogHas(RU("Сигнал 15 при открытом окне сообщения")));
  EXPECT_TRUE(LogHas(RU("Завершение работы движка.")));
}

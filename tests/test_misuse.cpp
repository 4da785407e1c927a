// Misuse of the public interface fails cleanly: every exported call that
// needs the GL context, called before StartEngine or after it returned,
// logs one line naming itself and returns its failure value; null paths,
// buffers and arrays are refused with a log line instead of crashing.
#include "Internal.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Case {
  const char* name;            // the call as it appears in its log line
  std::function<bool()> call;  // true when the call returned its failure value
};

TModel g_model;
TParticlesSystem g_particles;
TShader g_shader;
TSprite g_sprite;
TFonts g_font;
TCButton g_button;
TCMenu g_menu;

const double kUV[2] = {0, 1};
const int kKey[3] = {0, 0, 0};
const float kCorners[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
const float kCornerST[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// Every exported call that draws or makes GL objects. After a run a
// screenshot request is dropped without a line (the game may ask for one
// in the tick that quits), so it is left out then.
std::vector<Case> GlCalls(bool afterRun) {
  auto none = [](std::function<void()> f) {
    return [f] {
      f();
      return true;
    };
  };
  int ints[2] = {1, 2};
  float floats[4] = {1, 2, 3, 4};
  std::vector<Case> cases = {
      {"LoadTexture", [] { return LoadTexture("t.tga") == 0; }},
      {"LoadTexture", [] { return LoadTexture("t.tga", kKey) == 0; }},
      {"LoadTextureWithAlpha", [] { return LoadTextureWithAlpha("t.tga") == 0; }},
      {"LoadTextureNoMipmaps", [] { return LoadTextureNoMipmaps("t.tga") == 0; }},
      {"CreateMaskTexture", [] { return CreateMaskTexture("t.tga", kKey) == 0; }},
      {"SetTexture", none([] { SetTexture(1); })},
      {"Begin2D", none(Begin2D)},
      {"End2D", none(End2D)},
      {"Begin3D", none(Begin3D)},
      {"End3D", none(End3D)},
      {"SetPos3D", none([] { SetPos3D(1, 2, 3); })},
      {"RotateX", none([] { RotateX(10); })},
      {"RotateY", none([] { RotateY(10); })},
      {"RotateZ", none([] { RotateZ(10); })},
      {"Size3D", none([] { Size3D(2); })},
      {"Size3D", none([] { Size3D(1, 2, 3); })},
      {"SetCamera", none([] { SetCamera(0, 0, 5, 0, 0, 0); })},
      {"SetColor", none([] { SetColor(1, 0, 0, 0.5f); })},
      {"Init3DPrimitives", none(Init3DPrimitives)},
      {"DrawSimplePlane", none(DrawSimplePlane)},
      {"DrawRectangle", none([] { DrawRectangle(0, 0, 10, 10); })},
      {"DrawTextureCut", none([] { DrawTextureCut(1, 0, 0, 8, 8, kUV, kUV); })},
      {"DrawSpriteCut", none([] { DrawSpriteCut(1, 1, 0, 0, 8, 8, kUV, kUV, g_font.color); })},
      {"PutPoint2D", none([] { PutPoint2D(1, 1); })},
      {"DrawCube", none(DrawCube)},
      {"DrawQuads", none([] { DrawQuads(kCorners, kCornerST, 4); })},
      {"CreateQuadBuffer", [] { return CreateQuadBuffer(kCorners, kCornerST, 4) == 0; }},
      {"UpdateQuadBuffer", [] { return !UpdateQuadBuffer(1, 0, kCorners, kCornerST, 4); }},
      {"DrawQuadBuffer", [] { return !DrawQuadBuffer(1, 0, 4); }},
      {"DeleteQuadBuffer", none([] { DeleteQuadBuffer(1); })},
      {"CalculateFrustum", none(CalculateFrustum)},
      {"GetMouse3DPos", none(GetMouse3DPos)},
      {"InitGL", none([] { InitGL(64, 64); })},
      {"LoadTexture", none([] { g_sprite.Load("t.tga"); })},
      {"TSprite::Draw", none([] { g_sprite.Draw(); })},
      {"LoadTexture", none([] { g_font.Load("f.tga", 16); })},
      {"TFonts::Print", none([] { g_font.Print(0, 0, "%d", 5); })},
      {"TShader::Create", none([] { g_shader.Create("void main(){}", "void main(){}"); })},
      {"TShader::Load", none([] { g_shader.Load("a.vert", "a.frag"); })},
      {"TShader::Enable", none([] { g_shader.Enable(); })},
      {"TShader::Disable", none([] { g_shader.Disable(); })},
      {"TShader::GetUniform", [] { return g_shader.GetUniform("IC") == -1; }},
      {"TShader::GetAttribute", [] { return g_shader.GetAttribute("Vertex2") == -1; }},
      {"TShader::SetUniform", none([] { g_shader.SetUniform(0, 1); })},
      {"TShader::SetUniform", none([] { g_shader.SetUniform(0, 1.0f); })},
      {"TShader::SetUniform", none([ints] {
         int v[2] = {ints[0], ints[1]};
         g_shader.SetUniform(0, 2, v);
       })},
      {"TShader::SetUniform", none([floats] {
         float v[4] = {floats[0], floats[1], floats[2], floats[3]};
         g_shader.SetUniform(0, 4, v);
       })},
      {"TShader::SetAttribute", none([floats] {
         float v[4] = {floats[0], floats[1], floats[2], floats[3]};
         g_shader.SetAttribute(0, 4, v);
       })},
      {"TShader::EnableVertexArray", none([] { g_shader.EnableVertexArray(0); })},
      {"TModel::Load",
       [] {
         g_model.Load("m.mdl", 0);
         return g_model.vertexBuffer == 0;
       }},
      {"TModel::Draw", none([] { g_model.Draw(); })},
      {"TModel::Draw2", none([] { g_model.Draw2(1); })},
      {"TModel::DrawAnimation", none([] { g_model.DrawAnimation(); })},
      {"TModel::DrawStatic", none([] { g_model.DrawStatic(); })},
      {"TParticlesSystem::InitParticleShader",
       [] {
         g_particles.InitParticleShader();
         return g_particles.quadBuffer == 0u;
       }},
      {"TParticlesSystem::Draw", none([] { g_particles.Draw(); })},
      {"TCButton::Draw", none([] { g_button.Draw(); })},
      {"TCMenu::SetCursor",
       [] {
         g_menu.SetCursor("c.tga", 8, 8);
         return !g_menu.cursorOn;
       }},
  };
  if (afterRun)
    MakeScreenShoot();
  else
    cases.push_back({"MakeScreenShoot", none(MakeScreenShoot)});
  return cases;
}

// Runs each case and checks it logged exactly one line naming the call.
void ExpectEachRefusedWithOneLine(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const size_t before = testutil::LogMessages().size();
    EXPECT_TRUE(c.call()) << c.name << " did not return its failure value";
    const std::vector<std::string> log = testutil::LogMessages();
    ASSERT_EQ(log.size(), before + 1) << c.name << " should log exactly one line";
    EXPECT_NE(log.back().find(std::string(c.name) + ":"), std::string::npos)
        << c.name << " logged: " << log.back();
  }
}

bool g_started = false;
void QuitAtOnce() {
  g_started = true;
  QuiteEngine();
}

}  // namespace

// Before StartEngine, and again after it returned, no context is current.
TEST(Misuse, GlCallsWithoutContextLogAndFail) {
  testutil::RemoveFile("EngineLog.txt");
  ExpectEachRefusedWithOneLine(GlCalls(false));
  EXPECT_EQ(_MaxFreeTextures, -1) << "a refused texture load takes no registry entry";

  // Null callbacks and a null caption are accepted.
  ASSERT_EQ(StartEngine(nullptr, nullptr, nullptr, 0, nullptr, QuitAtOnce, nullptr, false, false,
                        64, 64, nullptr),
            1);
  ASSERT_TRUE(g_started);
  testutil::RemoveFile("EngineLog.txt");
  ExpectEachRefusedWithOneLine(GlCalls(true));
}

TEST(Misuse, NullArgumentsAreRefusedWithALine) {
  ASSERT_TRUE(testutil::OpenContext(64, 64));
  ASSERT_EQ(cgl::LoadEntryPoints(), nullptr);
  testutil::RemoveFile("EngineLog.txt");
  TSoundBuffer* sound = nullptr;
  const std::vector<Case> cases = {
      {"LoadTexture", [] { return LoadTexture(nullptr) == 0; }},
      {"LoadTexture", [] { return LoadTexture(nullptr, kKey) == 0; }},
      {"LoadTextureWithAlpha", [] { return LoadTextureWithAlpha(nullptr) == 0; }},
      {"LoadTextureNoMipmaps", [] { return LoadTextureNoMipmaps(nullptr) == 0; }},
      {"CreateMaskTexture", [] { return CreateMaskTexture(nullptr, kKey) == 0; }},
      {"LoadDirectSound",
       [] {
         LoadDirectSound(nullptr, "s.wav");
         return true;
       }},
      {"LoadDirectSound",
       [&sound] {
         LoadDirectSound(&sound, nullptr);
         return sound == nullptr;
       }},
      {"DrawTextureCut",
       [] {
         DrawTextureCut(1, 0, 0, 8, 8, nullptr, kUV);
         return true;
       }},
      {"DrawTextureCut",
       [] {
         DrawTextureCut(1, 0, 0, 8, 8, kUV, nullptr);
         return true;
       }},
      {"DrawSpriteCut",
       [] {
         DrawSpriteCut(1, 1, 0, 0, 8, 8, kUV, kUV, nullptr);
         return true;
       }},
      {"DrawSpriteCut",
       [] {
         DrawSpriteCut(1, 1, 0, 0, 8, 8, nullptr, kUV, g_font.color);
         return true;
       }},
      {"DrawQuads",
       [] {
         DrawQuads(nullptr, kCornerST, 4);
         return true;
       }},
      {"DrawQuads",
       [] {
         DrawQuads(kCorners, nullptr, 4);
         return true;
       }},
      {"TModel::Load",
       [] {
         g_model.Load(nullptr, 0);
         return g_model.vertexBuffer == 0;
       }},
      {"TCMenu::Add",
       [] {
         g_menu.Add(nullptr);
         return g_menu.count == 0;
       }},
      {"TCMenu::SetCursor",
       [] {
         g_menu.SetCursor(nullptr, 8, 8);
         return !g_menu.cursorOn;
       }},
      {"SetWindowIcon", [] { return !SetWindowIcon(nullptr); }},
      {"PadAddMappings", [] { return !PadAddMappings(nullptr); }},
  };
  ExpectEachRefusedWithOneLine(cases);

  // Calls that take a null pointer as "nothing": no crash, no effect.
  AddToLog(nullptr);
  GlError(nullptr);
  EXPECT_FALSE(FileExists(nullptr));
  ChangeWindowCaption(nullptr);
  g_font.Print(0, 0, nullptr);
  g_shader.Create(nullptr, nullptr);
  EXPECT_EQ(g_shader.GetUniform(nullptr), -1);
  g_shader.SetUniform(0, 3, static_cast<int*>(nullptr));
  g_shader.SetUniform(0, 3, static_cast<float*>(nullptr));
  g_shader.SetAttribute(0, 3, nullptr);
  g_model.LoadAnimationList(nullptr);
  g_model.SelectAnimation(nullptr);
  EXPECT_FALSE(g_model.IsAnimation(nullptr));
  EXPECT_FALSE(g_model.IsKeyFrame(nullptr));
  g_button.Create(nullptr, 0, 0, 10, 10);
  g_button.SetText(nullptr);
  EXPECT_EQ(g_button.text, nullptr);
  TSoundBuffer empty;
  empty.SetCurrentPosition(0);
  empty.Play(0, 0, 0);
  EXPECT_FALSE(empty.IsPlaying());
  testutil::CloseContext();
}

// Calls that need neither a context nor a running engine work before
// StartEngine, and log nothing.
TEST(Misuse, StateCallsWorkBeforeStart) {
  testutil::RemoveFile("EngineLog.txt");
  QuiteEngine();
  PauseGame();
  EXPECT_FALSE(_GameOn);
  ResumeGame();
  EXPECT_TRUE(_GameOn);
  ShowMenu(3);
  EXPECT_EQ(_ActiveMenu, 3);
  ShowMenu(-1);
  ChangeWindowCaption("x");
  // The loop's settings wait for the next run; no frame is being drawn.
  SetVSync(false);
  SetVSync(true);
  SetFrameCap(30);
  SetFrameCap(-1);
  SetSmoothing(false);
  SetSmoothing(true);
  SetFixedStep(true);
  SetFixedStep(false);
  ForgetGLState();  // nothing held, nothing bound: no GL call made
  EXPECT_EQ(GetTickFraction(), 0.0f);
  TCObjectUI widget;
  widget.Create(0, 0, 0, 10, 10);
  widget.enabled = true;
  g_menu.Add(&widget);
  g_menu.Process();
  g_menu.Click();
  g_menu.count = 0;
  SParticle3D p = SParticle3D();
  p.life = 2;
  p.color[3] = 1;
  g_particles.Add(p);
  g_particles.Process();
  EXPECT_EQ(g_particles.liveCount, 1);
  g_model.SetAnimation(0, 4, 1);
  EXPECT_FALSE(g_model.ProcessAnimation());
  // Pads, bindings, volume and the window's state without a run.
  EXPECT_EQ(PadCount(), 0);
  EXPECT_FALSE(PadConnected(0));
  EXPECT_STREQ(PadName(0), "");
  EXPECT_FALSE(PadButton(0, PAD_A));
  EXPECT_EQ(PadAxis(0, PAD_LEFT_X), 0.0f);
  EXPECT_FALSE(PadRumble(0, 1, 1, 10));
  EXPECT_TRUE(BindPadButton(PAD_A, 38));
  ResetInputBindings();
  SetPauseKey('P');
  SetPauseKey(0);
  SetMasterVolume(0.5f);
  EXPECT_EQ(GetMasterVolume(), 0.5f);
  SetMasterVolume(1.0f);
  SetFullScreen(true);
  EXPECT_FALSE(IsFullScreen()) << "nothing to switch without a window";
  int w = -1, h = -1;
  GetWindowSize(&w, &h);
  GetWindowSize(nullptr, nullptr);
  EXPECT_TRUE(testutil::LogMessages().empty());
}

// The records the header defines inline start in a known state.
TEST(Misuse, RecordsStartZeroed) {
  TSprite s;
  EXPECT_EQ(s.width, 0);
  EXPECT_EQ(s.height, 0);
  EXPECT_EQ(s.x, 0);
  EXPECT_EQ(s.y, 0);
  EXPECT_EQ(s.texture, 0u);
  TShader sh;
  EXPECT_EQ(sh.program, 0u);
  EXPECT_EQ(sh.vertexShader, 0u);
  EXPECT_EQ(sh.fragmentShader, 0u);
  static_assert(!std::is_copy_constructible<TShader>::value, "a program has one owner");
  static_assert(!std::is_copy_assignable<TShader>::value, "a program has one owner");
}

// The game's controls: the settings file (reading, bad lines, damaged
// files, remembering the window while keeping the player's lines, folders
// that cannot be written), and the real game played with a virtual pad
// (SDL's virtual joystick) and a rebound key on the offscreen driver.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestPlatform.h"

#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "Cp1251.h"
#include "Pictures.h"
#include "VirtualPad.h"
#include "actors/Player.h"
#include "shell/Controls.h"
#include "shell/Settings.h"
#include "shell/Shell.h"
#include "testutil.h"

namespace {

TSettings Parse(const std::string& text, TSettingsProblems* problems) {
  TSettings s;
  ParseSettings(text.data(), text.size(), "my.ini", &s, problems);
  return s;
}

bool Has(const TSettingsProblems& p, const std::string& part) {
  for (int i = 0; i < p.count; ++i)
    if (p.lines[i].find(part) != std::string::npos) return true;
  return false;
}

const TSettings kDefaults;

bool SameBindings(const TBinding& a, const TBinding& b) {
  if (a.keyCount != b.keyCount || a.padCount != b.padCount) return false;
  for (int i = 0; i < a.keyCount; ++i)
    if (a.keys[i] != b.keys[i]) return false;
  for (int i = 0; i < a.padCount; ++i)
    if (a.pads[i] != b.pads[i]) return false;
  return true;
}

TEST(SettingsFile, EveryKeyIsReadAndEveryBadLineNamesFileLineAndFaultKeepingTheDefault) {
  TSettingsProblems problems;
  const TSettings s = Parse(
      "# my settings\r\n"
      "fullscreen = no\r\n"
      "  window_size=1280x960   # the big one\r\n"
      "vsync = off\n"
      "frame_cap = 144\n"
      "; another comment\n"
      "volume = 35\n"
      "pause_on_focus_loss = no\n"
      "key_fire = Ctrl, space\n"
      "pad_jump = B, LeftStickUp\n"
      "KEY_QUIT =\n",
      &problems);
  EXPECT_EQ(problems.count, 0) << (problems.count ? problems.lines[0] : "");
  EXPECT_FALSE(s.fullScreen);
  EXPECT_EQ(s.windowWidth, 1280);
  EXPECT_EQ(s.windowHeight, 960);
  EXPECT_FALSE(s.vsync);
  EXPECT_EQ(s.frameCap, 144);
  EXPECT_EQ(s.volume, 35);
  EXPECT_FALSE(s.pauseOnFocusLoss);
  const TBinding& fire = s.bindings[ACTION_FIRE];
  ASSERT_EQ(fire.keyCount, 2);
  EXPECT_EQ(fire.keys[0], 17);
  EXPECT_EQ(fire.keys[1], 32);
  ASSERT_EQ(fire.padCount, kDefaults.bindings[ACTION_FIRE].padCount);
  for (int i = 0; i < fire.padCount; ++i)
    EXPECT_EQ(fire.pads[i], kDefaults.bindings[ACTION_FIRE].pads[i])
        << "pad half keeps its default";
  const TBinding& jump = s.bindings[ACTION_JUMP];
  ASSERT_EQ(jump.padCount, 2);
  EXPECT_EQ(jump.pads[0], PAD_B);
  EXPECT_EQ(jump.pads[1], PAD_INPUT_AXIS + PAD_LEFT_Y * 2);
  EXPECT_EQ(s.bindings[ACTION_QUIT].keyCount, 0) << "an empty list unbinds";
  problems = TSettingsProblems();
  EXPECT_FALSE(Parse("window_size = 1280x960\n", &problems).fullScreen)
      << "a window size alone asks for a window";
  EXPECT_TRUE(Parse("window_size = 1280x960\nfullscreen = yes\n", &problems).fullScreen);

  problems = TSettingsProblems();
  const TSettings bad = Parse(
      "volume = 35\n"
      "colour = blue\n"
      "volume = 101\n"
      "fullscreen = maybe\n"
      "window_size = 0x768\n"
      "key_fire = Ctrl, Hyper\n"
      "pad_fire = Z\n"
      "key_fire = A, B, C, D, E\n"
      "just some words\n"
      "frame_cap = 12abc\n",
      &problems);
  EXPECT_EQ(problems.count, 9);
  EXPECT_TRUE(Has(problems, "my.ini") && Has(problems, RU("строка 2")) && Has(problems, "colour"));
  EXPECT_TRUE(Has(problems, RU("строка 3")) && Has(problems, "101"));
  EXPECT_TRUE(Has(problems, RU("строка 6")) && Has(problems, "Hyper"));
  EXPECT_TRUE(Has(problems, RU("строка 7")) && Has(problems, "Z"));
  EXPECT_TRUE(Has(problems, RU("строка 9")) && Has(problems, "just some words"));
  EXPECT_EQ(bad.volume, 35) << "a bad value keeps what there was";
  EXPECT_TRUE(bad.fullScreen);
  EXPECT_EQ(bad.windowWidth, 0);
  EXPECT_EQ(bad.frameCap, -1);
  for (int a = 0; a < ACTION_COUNT; ++a)
    EXPECT_TRUE(SameBindings(bad.bindings[a], kDefaults.bindings[a])) << Actions[a].name;

  // The defaults are today's keys.
  EXPECT_EQ(kDefaults.bindings[ACTION_FIRE].keys[0], 32);
  EXPECT_EQ(kDefaults.bindings[ACTION_LEFT].keys[0], 37);
  EXPECT_EQ(kDefaults.bindings[ACTION_JUMP].keys[0], 38);
  EXPECT_EQ(kDefaults.bindings[ACTION_QUIT].keys[0], 27);
  EXPECT_EQ(kDefaults.bindings[ACTION_SCREENSHOT].keys[0], 13);
  for (int a = 0; a < ACTION_COUNT; ++a)
    for (int i = 0; i < kDefaults.bindings[a].keyCount; ++i)
      EXPECT_EQ(KeyFromName(KeyName(kDefaults.bindings[a].keys[i])), kDefaults.bindings[a].keys[i]);
}

TEST(SettingsFile, DamagedFilesGiveDefaultsWithOneLineAndAreNeverRewritten) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919 + 13) & 0xFF);
  const std::string huge(1 << 20, 'x');
  std::string unknown;
  for (int i = 0; i < 30; ++i) unknown += "mystery_" + std::to_string(i) + " = 1\n";
  struct Case {
    const char* name;
    std::string bytes;
    int problems;
  } cases[] = {{"garbage.ini", garbage, 1}, {"huge.ini", huge, 1}, {"unknown.ini", unknown, 30}};
  for (const Case& c : cases) {
    ASSERT_TRUE(testutil::WriteFile(c.name, c.bytes));
    TSettings s;
    TSettingsProblems problems;
    LoadSettings(c.name, &s, &problems);
    EXPECT_EQ(problems.count + problems.dropped, c.problems) << c.name;
    EXPECT_LE(problems.count, SETTINGS_MAX_PROBLEMS) << "the log is not flooded";
    EXPECT_TRUE(Has(problems, c.name)) << c.name;
    EXPECT_TRUE(s.fullScreen && s.volume == 100 && s.windowWidth == 0) << c.name;
    EXPECT_EQ(testutil::ReadFile(c.name), c.bytes) << c.name << " unchanged by reading";
  }
  // A file the game cannot read as settings is never rewritten.
  std::string error;
  EXPECT_FALSE(SaveWindowSettings("garbage.ini", false, 800, 600, &error));
  EXPECT_NE(error.find("garbage.ini"), std::string::npos);
  EXPECT_FALSE(SaveWindowSettings("huge.ini", false, 800, 600, &error));
  EXPECT_EQ(testutil::ReadFile("garbage.ini"), garbage);
  EXPECT_EQ(testutil::ReadFile("huge.ini"), huge);

  // A window that ends as it started writes nothing, even to a file it
  // would have to add lines to.
  SettingsPath = "unknown.ini";
  SetWindowSize(1280, 960);
  RememberWindow(false, 1280, 960);
  EXPECT_EQ(testutil::ReadFile("unknown.ini"), unknown);
  // A resized one is remembered, the unknown lines kept.
  SetWindowSize(1000, 700);
  RememberWindow(false, 1280, 960);
  EXPECT_EQ(testutil::ReadFile("unknown.ini"), unknown + "window_size = 1000x700\n")
      << "only what changed is written";
  SetWindowSize(0, 0);
}

TEST(SettingsFile, RememberingTheWindowKeepsEveryOtherLineAndCommentAndRoundTrips) {
  const std::string mine =
      "# My TARVS settings\r\n"
      "\r\n"
      "key_fire = Ctrl   # fire on Ctrl\r\n"
      "fullscreen=yes\r\n"
      "  window_size =  800x600   # small, for the laptop\r\n"
      "bogus line that the game complains about\r\n"
      "volume = 40";
  ASSERT_TRUE(testutil::WriteFile("mine.ini", mine));
  std::string error;
  ASSERT_TRUE(SaveWindowSettings("mine.ini", false, 1280, 960, &error)) << error;
  EXPECT_EQ(testutil::ReadFile("mine.ini"),
            "# My TARVS settings\r\n"
            "\r\n"
            "key_fire = Ctrl   # fire on Ctrl\r\n"
            "fullscreen=no\r\n"
            "  window_size =  1280x960   # small, for the laptop\r\n"
            "bogus line that the game complains about\r\n"
            "volume = 40\r\n");
  struct stat st {};
  EXPECT_NE(stat("mine.ini.tmp", &st), 0) << "no temporary file left behind";

  TSettings s;
  TSettingsProblems problems;
  ASSERT_TRUE(LoadSettings("mine.ini", &s, &problems));
  EXPECT_EQ(problems.count, 1);
  EXPECT_FALSE(s.fullScreen);
  EXPECT_EQ(s.windowWidth, 1280);
  EXPECT_EQ(s.windowHeight, 960);
  EXPECT_EQ(s.volume, 40);
  EXPECT_EQ(s.bindings[ACTION_FIRE].keys[0], 17);

  // No file yet: a whole commented one, in folders made for it, that reads
  // back as the defaults with the window remembered.
  testutil::RemoveFile("cfg/tarvs/settings.ini");
  rmdir("cfg/tarvs");
  rmdir("cfg");
  ASSERT_TRUE(SaveWindowSettings("cfg/tarvs/settings.ini", true, 1600, 900, &error)) << error;
  const std::string fresh = testutil::ReadFile("cfg/tarvs/settings.ini");
  EXPECT_NE(fresh.find("# "), std::string::npos);
  TSettings f;
  problems = TSettingsProblems();
  ASSERT_TRUE(LoadSettings("cfg/tarvs/settings.ini", &f, &problems));
  EXPECT_EQ(problems.count, 0) << (problems.count ? problems.lines[0] : "");
  EXPECT_TRUE(f.fullScreen);
  EXPECT_EQ(f.windowWidth, 1600);
  EXPECT_EQ(f.volume, kDefaults.volume);
  for (int a = 0; a < ACTION_COUNT; ++a)
    EXPECT_TRUE(SameBindings(f.bindings[a], kDefaults.bindings[a])) << Actions[a].name;
}

TEST(SettingsFile, AnUnwritableFolderIsOneClearLineAndNothingElse) {
  ASSERT_TRUE(testutil::WriteFile("not_a_folder", "x"));
  std::string error;
  EXPECT_FALSE(SaveWindowSettings("not_a_folder/tarvs/settings.ini", false, 800, 600, &error));
  EXPECT_NE(error.find("not_a_folder/tarvs/settings.ini"), std::string::npos) << error;
  EXPECT_EQ(testutil::ReadFile("not_a_folder"), "x");
  // Through the game's own path: the line goes to the log and stderr.
  testutil::RemoveFile("EngineLog.txt");
  SettingsPath = "not_a_folder/settings.ini";
  SetWindowSize(640, 480);
  RememberWindow(false, 800, 600);
  SetWindowSize(0, 0);
  const std::vector<std::string> log = testutil::LogMessages();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("not_a_folder/settings.ini"), std::string::npos);
  // Where the game finds its file: the XDG places (Windows has its own,
  // see the platform layer).
#if !defined(_WIN32)
  testos::SetEnv("XDG_CONFIG_HOME", "/cfg-home");
  EXPECT_EQ(DefaultSettingsPath(), "/cfg-home/tarvs/settings.ini");
  testos::SetEnv("XDG_CONFIG_HOME", "relative");
  testos::SetEnv("HOME", "/home/player");
  EXPECT_EQ(DefaultSettingsPath(), "/home/player/.config/tarvs/settings.ini");
#endif
}

// ------------------------------------------------------------ the game on a pad
testutil::TVirtualPad g_pad;

using testutil::PushKey;

int g_tick = 0;
int g_stage = 0;
int g_stageTick = 0;
int g_pausedFrames = 0;
int g_pauseLinePixels = 0;
float g_startX = 0;
std::vector<std::string> g_faults;

void Next() {
  ++g_stage;
  g_stageTick = g_tick;
}

void Fault(const std::string& what) {
  g_faults.push_back("stage " + std::to_string(g_stage) + ": " + what);
  g_stage = 100;  // quit
}

// Each stage waits for what it asked to happen; none may take long.
void Script() {
  if (g_tick - g_stageTick > 150) Fault("timed out");
  switch (g_stage) {
    case 0:
      g_pad.Plug("test pad");  // mid-game
      Player.hasWeapon[1] = Player.hasWeapon[2] = true;
      Next();
      break;
    case 1:
      if (PadCount() == 1) {
        g_startX = Player.x;
        g_pad.Button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
        Next();
      }
      break;
    case 2:
      if (g_tick - g_stageTick == 10) {
        if (!(Player.x > g_startX)) Fault("D-pad right did not walk");
        g_pad.Button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false);
        Next();
      }
      break;
    case 3:
      if (!Jumping && !Firing && g_tick - g_stageTick > 2) {
        g_pad.Button(SDL_CONTROLLER_BUTTON_A, true);
        Next();
      }
      break;
    case 4:
      if (g_tick - g_stageTick == 2) {
        if (!Jumping) Fault("A did not jump");
        g_pad.Button(SDL_CONTROLLER_BUTTON_A, false);
        Next();
      }
      break;
    case 5:  // landed: fire with X
      if (!Jumping && g_tick - g_stageTick > 2) {
        g_pad.Button(SDL_CONTROLLER_BUTTON_X, true);
        Next();
      }
      break;
    case 6:
      if (g_tick - g_stageTick == 2) {
        if (!Firing) Fault("X did not fire");
        g_pad.Button(SDL_CONTROLLER_BUTTON_X, false);
        Next();
      }
      break;
    case 7:  // the right shoulder: the next weapon the player owns
      if (!Firing) {
        if (Player.currentWeapon != 0) Fault("weapon changed by itself");
        g_pad.Button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
        Next();
      }
      break;
    case 8:
      if (g_tick - g_stageTick == 3) {
        if (Player.currentWeapon != 1) Fault("right shoulder held: one step to weapon 2");
        g_pad.Button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, false);
        g_pad.Button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true);
        Next();
      }
      break;
    case 9:
      if (g_tick - g_stageTick == 2) {
        if (Player.currentWeapon != 0) Fault("left shoulder: back to weapon 1");
        g_pad.Button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, false);
        PushKey(SDL_KEYDOWN, SDLK_SPACE);  // fire was rebound to Ctrl
        Next();
      }
      break;
    case 10:
      if (g_tick - g_stageTick == 2) {
        if (Firing) Fault("Space still fires after fire was rebound to Ctrl");
        PushKey(SDL_KEYUP, SDLK_SPACE);
        PushKey(SDL_KEYDOWN, SDLK_LCTRL);
        Next();
      }
      break;
    case 11:
      if (g_tick - g_stageTick == 2) {
        if (!Firing) Fault("Ctrl did not fire");
        PushKey(SDL_KEYUP, SDLK_LCTRL);
        g_pad.Button(SDL_CONTROLLER_BUTTON_START, true);  // pause
        g_pausedFrames = 0;
        Next();
      }
      break;
    case 12:  // the first tick after the pause
      if (g_pausedFrames < 6) Fault("a tick ran while paused");
      g_pad.Button(SDL_CONTROLLER_BUTTON_BACK, true);  // quits
      Next();
      break;
    case 13:
      if (g_tick - g_stageTick > 3) Fault("Back did not quit");
      break;
    default: QuiteEngine(); break;
  }
}

void PlayProcess() {
  ++g_tick;
  Script();
  ProcessCallback();
}

void PlayRender() {
  RenderCallback();
  if (_GameOn || g_stage != 12) return;
  ++g_pausedFrames;
  if (g_pausedFrames == 2) {
    g_pad.Button(SDL_CONTROLLER_BUTTON_START, false);
    // The pause line: yellow letters across the middle of the picture.
    const std::vector<unsigned char> frame = testutil::ReadFrame(1024, 768);
    for (int y = 180; y < 260; ++y)
      for (int x = 0; x < 1024; ++x) {
        const unsigned char* p = &frame[(static_cast<size_t>(y) * 1024 + x) * 3];
        g_pauseLinePixels += p[0] > 200 && p[1] > 200 && p[2] < 90;
      }
    testutil::SavePng("paused", 1024, 768);
  }
  if (g_pausedFrames == 6) g_pad.Button(SDL_CONTROLLER_BUTTON_START, true);  // resumes
}

TEST(GameOnAPad, AVirtualPadWalksJumpsFiresChangesWeaponPausesAndQuits) {
  testutil::LinkDataDir();
  testutil::RemoveFile("EngineLog.txt");
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  TSettingsProblems problems;
  Settings = Parse("key_fire = Ctrl\n", &problems);
  ApplySettings(Settings);
  g_stage = g_tick = g_stageTick = 0;
  char caption[] = "pad";
  ASSERT_EQ(StartEngine(nullptr, nullptr, nullptr, 0, PlayProcess, InitCallback, PlayRender, false,
                        false, 1024, 768, caption),
            1);
  g_pad.Unplug();
  for (const std::string& f : g_faults) ADD_FAILURE() << f;
  EXPECT_EQ(g_stage, 13) << "quit by the Back button";
  EXPECT_GT(g_pauseLinePixels, 200) << "the pause line is drawn";
  Settings = TSettings();
  ApplySettings(Settings);
  SetPauseOnFocusLoss(false);
}

}  // namespace

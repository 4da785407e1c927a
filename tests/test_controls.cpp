// Controls through the whole engine on the offscreen driver: keys and pad
// inputs through their bindings into _keys (taps, several sources, pads
// plugged and unplugged mid-press, two pads at once, dead zones), the pause
// key and focus loss (no tick while paused, nothing pressed then reaching
// the game), the master volume on the sound device and the window icon.
// Pads are SDL's virtual joysticks.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cmath>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "Cp1251.h"
#include "Internal.h"
#include "Pictures.h"
#include "VirtualPad.h"
#include "testutil.h"

namespace {

int g_tick = 0;
int g_frame = 0;
std::vector<std::string> g_faults;

void Expect(bool ok, const std::string& what) {
  if (!ok) g_faults.push_back("tick " + std::to_string(g_tick) + ": " + what);
}

void Nothing() {}

int RunEngine(void (*process)(), void (*render)()) {
  g_tick = 0;
  g_frame = 0;
  g_faults.clear();
  for (int& k : _keys) k = 0;
  _GameOn = true;
  testutil::RemoveFile("EngineLog.txt");
  // Offscreen windows never get the keyboard focus; pads must still count.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  char caption[] = "controls";
  return StartEngine(nullptr, nullptr, nullptr, 0, process, Nothing, render, false, false, 160, 120,
                     caption);
}

void ReportFaults() {
  for (const std::string& f : g_faults) ADD_FAILURE() << f;
}

// ------------------------------------------------------------ virtual pads
int g_rumbleLow = -1;
int g_rumbleHigh = -1;

int Rumble(void*, Uint16 low, Uint16 high) {
  g_rumbleLow = low;
  g_rumbleHigh = high;
  return 0;
}

using testutil::TVirtualPad;

TVirtualPad g_pad[3];

// ------------------------------------------------------------ keyboard events
using testutil::PushKey;

void PushFocus(bool gained) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
  SDL_PushEvent(&e);
}

// The pad bindings of a side-on shooter.
void BindShooterPad() {
  ResetInputBindings();
  BindPadButton(PAD_A, 38);
  BindPadButton(PAD_X, 32);
  BindPadAxis(PAD_RIGHT_TRIGGER, 1, 32);
  BindPadButton(PAD_DPAD_LEFT, 37);
  BindPadAxis(PAD_LEFT_X, -1, 37);
  BindPadButton(PAD_START, 'P');
  SetPauseKey('P');
  SetPadDeadZone(0.25f);
}

// ------------------------------------------------------------ pad script
bool g_releaseXInFrame = false;
int g_pausedFrames = 0;
int g_startStage = 0;

void PadProcess() {
  ++g_tick;
  TVirtualPad& p = g_pad[0];
  switch (g_tick) {
    case 1:
      Expect(PadCount() == 0 && !PadConnected(0), "no pad before one is plugged in");
      p.Plug("pad one", Rumble);  // plugged in while the game runs
      Expect(p.joystick != nullptr, "virtual pad attached");
      break;
    case 3:
      Expect(PadCount() == 1 && PadConnected(0), "the pad plugged in mid-run is seen");
      Expect(std::string(PadName(0)) == "pad one", "its name");
      Expect(PadAxis(0, PAD_RIGHT_TRIGGER) < 0.01f, "a trigger at rest reads 0");
      p.Button(SDL_CONTROLLER_BUTTON_A, true);
      break;
    case 4:
      Expect(_keys[38] == 1 && PadButton(0, PAD_A), "A held sets its key");
      p.Button(SDL_CONTROLLER_BUTTON_A, false);
      break;
    case 5:
      Expect(_keys[38] == 0 && !PadButton(0, PAD_A), "A released");
      p.Button(SDL_CONTROLLER_BUTTON_X, true);
      g_releaseXInFrame = true;  // released before the next tick
      break;
    case 6: Expect(_keys[32] == 1, "a tap between ticks is seen"); break;
    case 7:
      Expect(_keys[32] == 0, "... by exactly one tick");
      p.Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
      break;
    case 8:
      Expect(_keys[32] == 1 && PadAxis(0, PAD_RIGHT_TRIGGER) > 0.99f, "trigger pulled fires");
      p.Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -32768);
      p.Axis(SDL_CONTROLLER_AXIS_LEFTX, -32768);
      p.Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
      break;
    case 9:
      Expect(_keys[32] == 0, "trigger let go");
      Expect(_keys[37] == 1 && PadAxis(0, PAD_LEFT_X) < -0.99f, "stick and D-pad hold left");
      p.Unplug();  // mid-press
      break;
    case 10:
      Expect(_keys[37] == 0, "unplugged mid-press: no stuck key");
      Expect(PadCount() == 0 && !PadConnected(0) && !PadButton(0, PAD_DPAD_LEFT), "pad gone");
      g_pad[1].Plug("pad two", Rumble);
      g_pad[2].Plug("pad three", Rumble);
      break;
    case 12:
      Expect(PadCount() == 2 && PadConnected(0) && PadConnected(1), "two pads, slots 0 and 1");
      g_pad[1].Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
      g_pad[2].Axis(SDL_CONTROLLER_AXIS_LEFTX, -30000);
      break;
    case 13:
      Expect(_keys[37] == 1, "both pads hold left");
      g_pad[1].Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
      g_pad[2].Axis(SDL_CONTROLLER_AXIS_LEFTX, -7500);  // inside the dead zone, past its edge
      break;
    case 14:
      Expect(_keys[37] == 1, "the other pad's stick still holds it (no chatter at the edge)");
      g_pad[2].Axis(SDL_CONTROLLER_AXIS_LEFTX, -3000);
      break;
    case 15: {
      Expect(_keys[37] == 0, "stick back in the dead zone releases");
      Expect(PadRumble(1, 0.5f, 1.0f, 100), "rumble on a pad with motors");
      Expect(g_rumbleLow == 32768 && g_rumbleHigh == 65535, "rumble strengths reach the pad");
      Expect(!PadRumble(5, 1, 1, 100) && !PadRumble(-1, 1, 1, 100), "no rumble on empty slots");
      g_pad[1].Button(SDL_CONTROLLER_BUTTON_START, true);  // pause
      g_startStage = 1;
      break;
    }
    case 16:
      Expect(g_startStage == 3 && g_pausedFrames >= 4,
             "no tick while paused by Start; Start again resumes");
      Expect(_keys['P'] == 0, "the pause key never reaches the game");
      g_pad[1].Unplug();
      g_pad[2].Unplug();
      QuiteEngine();
      break;
    default: break;
  }
}

void PadRender() {
  ++g_frame;
  // Let go once the engine has seen the press: a virtual pad's state is
  // only read when events are pumped, and a frame may come first.
  if (g_releaseXInFrame && PadButton(0, PAD_X)) {
    g_pad[0].Button(SDL_CONTROLLER_BUTTON_X, false);
    g_releaseXInFrame = false;
  }
  if (g_startStage > 0 && !_GameOn) {
    ++g_pausedFrames;
    if (g_pausedFrames == 2) g_pad[1].Button(SDL_CONTROLLER_BUTTON_START, false);
    if (g_pausedFrames == 4) {
      g_pad[1].Button(SDL_CONTROLLER_BUTTON_START, true);
      g_startStage = 3;
    }
  }
}

TEST(Pads, PluggedTappedUnpluggedAndTwoAtOnceTurnIntoTheBoundKeys) {
  BindShooterPad();
  g_pausedFrames = 0;
  g_startStage = 0;
  g_rumbleLow = g_rumbleHigh = -1;
  ASSERT_EQ(RunEngine(PadProcess, PadRender), 1);
  EXPECT_EQ(g_tick, 16);
  ReportFaults();
  const std::vector<std::string> log = testutil::LogMessages();
  int plugged = 0;
  for (const std::string& l : log) plugged += l.find(RU("подключён")) != std::string::npos;
  EXPECT_EQ(plugged, 3) << "one log line per pad plugged in";
  EXPECT_EQ(PadCount(), 0) << "pads closed with the engine";
  ResetInputBindings();
  SetPauseKey(0);
}

// ------------------------------------------------------------ pause script
int g_pauseStage = 0;

void PauseProcess() {
  ++g_tick;
  switch (g_tick) {
    case 2: PushKey(SDL_KEYDOWN, SDLK_LEFT); break;
    case 3:
      Expect(_keys[37] == 1, "Left held");
      PushKey(SDL_KEYDOWN, SDLK_p);
      PushKey(SDL_KEYUP, SDLK_p);
      g_pauseStage = 1;
      g_pausedFrames = 0;
      break;
    case 4:
      Expect(g_pauseStage == 2 && g_pausedFrames >= 6, "no tick between P and P again");
      Expect(_keys[37] == 0, "a key held across the pause counts only when pressed again");
      Expect(_keys[32] == 0 && _keys[39] == 0, "nothing pressed while paused reaches the game");
      Expect(_keys['P'] == 0, "P never reaches the game");
      PushKey(SDL_KEYUP, SDLK_SPACE);
      PushKey(SDL_KEYDOWN, SDLK_SPACE);
      break;
    case 5:
      Expect(_keys[32] == 1, "released and pressed again after the pause: seen");
      PushFocus(false);
      g_pauseStage = 3;
      g_pausedFrames = 0;
      break;
    case 6:
      Expect(g_pauseStage == 4 && g_pausedFrames >= 3, "focus lost: no tick until it is back");
      PushKey(SDL_KEYDOWN, SDLK_p);
      g_pauseStage = 5;
      g_pausedFrames = 0;
      break;
    case 7:
      Expect(g_pauseStage == 6 && g_pausedFrames >= 5,
             "a pause the player chose outlasts the focus coming back");
      QuiteEngine();
      break;
    default: break;
  }
}

void PauseRender() {
  if (_GameOn) return;
  ++g_pausedFrames;
  switch (g_pauseStage) {
    case 1:
      if (g_pausedFrames == 3) {
        PushKey(SDL_KEYDOWN, SDLK_SPACE);  // held through the resume
        PushKey(SDL_KEYDOWN, SDLK_RIGHT);  // a tap while paused
        PushKey(SDL_KEYUP, SDLK_RIGHT);
      }
      if (g_pausedFrames == 6) {
        PushKey(SDL_KEYDOWN, SDLK_p);
        PushKey(SDL_KEYUP, SDLK_p);
        g_pauseStage = 2;
      }
      break;
    case 3:
      if (g_pausedFrames == 3) {
        PushFocus(true);
        g_pauseStage = 4;
      }
      break;
    case 5:
      if (g_pausedFrames == 2) {
        PushKey(SDL_KEYUP, SDLK_p);
        PushFocus(false);
        PushFocus(true);
      }
      if (g_pausedFrames == 5) {
        PushKey(SDL_KEYDOWN, SDLK_p);
        g_pauseStage = 6;
      }
      break;
    default: break;
  }
}

TEST(Pause, ThePauseKeyAndFocusLossStopTicksExactlyAndNothingPressedMeanwhileLeaks) {
  ResetInputBindings();
  SetPauseKey('P');
  SetPauseOnFocusLoss(true);
  g_pauseStage = 0;
  ASSERT_EQ(RunEngine(PauseProcess, PauseRender), 1);
  EXPECT_EQ(g_tick, 7);
  ReportFaults();
  SetPauseKey(0);
  SetPauseOnFocusLoss(false);
}

// ------------------------------------------------------------ bindings alone
// One tick as the loop runs it: the callback would read _keys here.
void AfterTick() { core::InputAfterTick(); }

TEST(Bindings, KeysSetTheirBoundVirtualKeysAndSeveralSourcesHoldOne) {
  _GameOn = true;
  core::ResetInputState();
  for (int& k : _keys) k = 0;
  ClearInputBindings();
  ASSERT_TRUE(BindKey(17, 32));  // Ctrl fires
  ASSERT_TRUE(BindKey(32, 32));  // and so does Space
  ASSERT_TRUE(BindKey(32, 38));  // Space also jumps
  EXPECT_FALSE(BindKey(0, 32));
  EXPECT_FALSE(BindKey(256, 32));
  EXPECT_FALSE(BindKey(17, 0));
  EXPECT_FALSE(BindPadButton(PAD_BUTTON_COUNT, 32));
  EXPECT_FALSE(BindPadAxis(PAD_LEFT_TRIGGER, -1, 32)) << "a trigger has one direction";
  EXPECT_FALSE(BindPadAxis(PAD_LEFT_X, 0, 32));

  core::SourceDown(core::KeySource(65));
  EXPECT_EQ(_keys[65], 0) << "unbound keys set nothing";
  core::SourceDown(core::KeySource(17));
  core::SourceDown(core::KeySource(17));  // key repeat
  EXPECT_EQ(_keys[32], 1);
  EXPECT_EQ(_keys[17], 0) << "Ctrl is not bound to itself any more";
  core::SourceDown(core::KeySource(32));
  EXPECT_EQ(_keys[38], 1);
  core::SourceUp(core::KeySource(17));
  AfterTick();
  EXPECT_EQ(_keys[32], 1) << "Space still holds fire";
  core::SourceUp(core::KeySource(32));
  EXPECT_EQ(_keys[32], 0) << "released by the last source (repeats were not counted twice)";
  EXPECT_EQ(_keys[38], 0);

  // A binding change releases what is held; the key counts again once
  // pressed anew.
  core::SourceDown(core::KeySource(17));
  EXPECT_EQ(_keys[32], 1);
  ResetInputBindings();
  EXPECT_EQ(_keys[32], 0);
  core::SourceUp(core::KeySource(17));
  core::SourceDown(core::KeySource(17));
  EXPECT_EQ(_keys[17], 1) << "reset: every key sets its own code again";
  EXPECT_EQ(_keys[32], 0);
  core::SourceUp(core::KeySource(17));
  AfterTick();
  EXPECT_EQ(_keys[17], 0);
}

// ------------------------------------------------------------ volume
TEST(Volume, TheMasterVolumeIsTheListenerGainClampedAndKeptForTheNextDevice) {
  SetMasterVolume(0.25f);
  OpenSoundDevice();
  if (!_dsound) GTEST_SKIP() << "no sound device";
  float gain = -1.0f;
  alGetListenerf(AL_GAIN, &gain);
  EXPECT_FLOAT_EQ(gain, 0.25f) << "set before the device opened, applied when it did";
  SetMasterVolume(0.6f);
  alGetListenerf(AL_GAIN, &gain);
  EXPECT_FLOAT_EQ(gain, 0.6f);
  SetMasterVolume(7.0f);
  EXPECT_FLOAT_EQ(GetMasterVolume(), 1.0f);
  SetMasterVolume(-1.0f);
  EXPECT_FLOAT_EQ(GetMasterVolume(), 0.0f);
  SetMasterVolume(std::nanf(""));
  EXPECT_FLOAT_EQ(GetMasterVolume(), 0.0f) << "NaN leaves the volume alone";
  alGetListenerf(AL_GAIN, &gain);
  EXPECT_FLOAT_EQ(gain, 0.0f);
  CloseSoundDevice();
  SetMasterVolume(1.0f);
}

// ------------------------------------------------------------ window icon
bool g_iconSetInRun = false;

void IconInit() { g_iconSetInRun = SetWindowIcon("icon_run.tga"); }
void QuitAtOnce() { QuiteEngine(); }

TEST(WindowIcon, ATgaBecomesTheIconAndAMissingOrDamagedFileIsOneLogLine) {
  // 2 x 2, 32 bits, rows bottom-up: red, green on top; blue, white below.
  std::string tga = testutil::TgaHeader(2, 2, 2, 32);
  const unsigned char bottomUpBgra[] = {255, 0, 0,   255, 255, 255, 255, 128,
                                        0,   0, 255, 255, 0,   255, 0,   255};
  tga.append(reinterpret_cast<const char*>(bottomUpBgra), sizeof bottomUpBgra);
  ASSERT_TRUE(testutil::WriteFile("icon.tga", tga));
  testutil::RemoveFile("EngineLog.txt");
  ASSERT_TRUE(SetWindowIcon("icon.tga"));
  int w = 0, h = 0;
  const unsigned char* px = core::WindowIconPixels(&w, &h);
  ASSERT_TRUE(px != nullptr);
  ASSERT_EQ(w, 2);
  ASSERT_EQ(h, 2);
  const unsigned char topFirstRgba[] = {255, 0, 0,   255, 0,   255, 0,   255,
                                        0,   0, 255, 255, 255, 255, 255, 128};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(px[i], topFirstRgba[i]) << "byte " << i;

  EXPECT_FALSE(SetWindowIcon("no_such_icon.tga"));
  ASSERT_TRUE(testutil::WriteFile("bad_icon.tga", std::string(40, '\x7f')));
  EXPECT_FALSE(SetWindowIcon("bad_icon.tga"));
  ASSERT_TRUE(testutil::WriteFile(
      "big_icon.tga", testutil::Tga24(300, 2, std::vector<unsigned char>(300 * 2 * 3, 9))));
  EXPECT_FALSE(SetWindowIcon("big_icon.tga"));
  const std::vector<std::string> log = testutil::LogMessages();
  ASSERT_EQ(log.size(), 3u) << "one line for each refused icon";
  EXPECT_NE(log[0].find("no_such_icon.tga"), std::string::npos);
  EXPECT_NE(log[1].find("bad_icon.tga"), std::string::npos);
  EXPECT_NE(log[2].find("big_icon.tga"), std::string::npos);
  px = core::WindowIconPixels(&w, &h);
  EXPECT_EQ(w, 2) << "a refused icon keeps the one there was";

  // On a running window.
  ASSERT_TRUE(testutil::WriteFile(
      "icon_run.tga", testutil::Tga24(4, 4, std::vector<unsigned char>(4 * 4 * 3, 200))));
  g_iconSetInRun = false;
  char caption[] = "icon";
  ASSERT_EQ(StartEngine(nullptr, nullptr, nullptr, 0, QuitAtOnce, IconInit, Nothing, false, false,
                        64, 64, caption),
            1);
  EXPECT_TRUE(g_iconSetInRun);
}

}  // namespace

// The game's three engine callbacks. They fix the order in which the
// game's modules are set up, run each tick and drawn each frame; each
// module's call goes at its numbered step below.
#include "shell/Shell.h"

#include "CorvaneEngine.h"
#include "actors/Bullets.h"
#include "actors/Corps.h"
#include "actors/Effects.h"
#include "actors/Items.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "hud/Hud.h"
#include "shell/UserDirs.h"
#include "shell/Smoothing.h"
#include "shell/Controls.h"
#include "shell/Settings.h"
#include "world/Level.h"

float CameraHeight = 0.0f;

// Once, inside the engine's GL start-up. The level places the monsters and
// the player, so the monster kinds load before it and the player after it.
void InitCallback() {
  // The engine's log is open from here: what the settings file got wrong
  // goes into it, and the window gets the game's icon.
  LogSettingsProblems();
  SetWindowIcon("data/icon.tga");
  // 1.
  Monsters.Init();
  // 2.
  InitHud();
  // 3.
  LoadLevel("data/maps/level0.map");
  // 4. The level has set the start position; Init leaves it alone.
  Player.Init();
  // 5.
  Items.Init();
  // 6.
  Bullets.Init();
  // 7.
  Effects.Init();
  // 8. The corpse kinds copy the monster templates.
  Corps.Init();
}

// One 20 ms game tick.
void ProcessCallback() {
  // What the next frames blend from; touches nothing the tick reads.
  SaveTickStart();
  // 1. Escape: the engine shuts down inside this call; the rest of the tick
  //    still runs and no further tick or frame follows.
  if (_keys[27]) QuiteEngine();
  // 2. Enter: screenshot (the engine lets one through per FPS interval).
  ScreenshotKey(_keys[13]);
  // 3. Pickups near the player, before it moves; then the pad's weapon
  //    stepping and the full-screen key.
  ProcessLevel();
  ProcessControls();
  // 4. Keys, movement and the shot of the firing cycle.
  Player.Process();
  // 5.
  Items.Process();
  // 6. The player's shots of this tick fly now, the monsters' next tick.
  Bullets.Process();
  // 7.
  Monsters.Process();
  // 8.
  Effects.Process();
  // 9.
  Corps.Process();
  // 10. W raises the camera, S lowers it; both together cancel out.
  if (_keys['W']) CameraHeight = static_cast<float>(static_cast<long double>(CameraHeight) + 0.2L);
  if (_keys['S']) CameraHeight = static_cast<float>(static_cast<long double>(CameraHeight) - 0.2L);
  // 11.
  ProcessHud();
}

// One frame; the engine has cleared the buffers and loaded the identity.
// When the engine smooths, the frame shows the world between the last two
// ticks: for this frame only the drawn records hold in-between values, and
// the exact ones return at its end, so no tick ever sees a drawn value.
void RenderCallback() {
  BeginSmoothFrame(GetTickFraction());
  DrawScene();
  EndSmoothFrame();
}

void DrawScene() {
  // 1. Camera 7 units above the player and 14 (+ CameraHeight) off the play
  //    plane, looking at a point below the player and behind the plane.
  const double px = Player.x;
  const double py = Player.y;
  SetCamera(px, py + 7.0, 14.0 + CameraHeight, px, py - 4.0, -10.0);
  // 2. View planes for the culling below.
  CalculateFrustum();
  // 3. Background, walls, pickups and boxes.
  DrawLevel();
  // 4. The body and the weapon in its hands.
  Player.Draw();
  // 5. Monsters and the blood.
  Monsters.Draw();
  // 6. Sparks and plasma.
  Bullets.Draw();
  // 7.
  Corps.Draw();
  // 8.
  Effects.Draw();
  // 9. Last, over the scene; while paused, the line that says so.
  DrawHud();
  DrawPauseLine();
}

// The player's tick (keys, walking, jumping, falling, firing), its
// animations and its drawing with the weapon in its hands.
#include "actors/Player.h"

#include "PlayerAnimations.h"
#include "actors/Bullets.h"
#include "actors/SoundCue.h"
#include "world/Level.h"

TPlayer Player;
TModel PlayerModel;

float WalkStep = 0.05f;
float JumpStep = 0.02f;
int MaxFallSteps = -37;
bool Jumping = false;
int JumpCount = 0;
bool Firing = false;
bool Walking = false;

namespace {

// Virtual-key codes the player reads.
const int KEY_SPACE = 32;
const int KEY_LEFT = 37;
const int KEY_UP = 38;
const int KEY_RIGHT = 39;
const int KEY_1 = 49;

// The box the player moves with; the hit box used by Touches is wider.
const float MOVE_W = 1.1f;
const float MOVE_H = 1.0f;

const PlayerAnimation& IDLE = PLAYER_ANIMATIONS[PLAYER_IDLE];
const PlayerAnimation& WALK = PLAYER_ANIMATIONS[PLAYER_WALK];
const PlayerAnimation& FIRE = PLAYER_ANIMATIONS[PLAYER_FIRE];

// The frame of the firing animation on which the shot leaves the barrel.
const float SHOT_FRAME = static_cast<float>(FIRE.shot);
// A movement key breaks off the firing cycle on the frame after the shot.
const float FIRE_BREAK_FRAME = SHOT_FRAME + 1;
// In the air the body holds the first walking frame.
const float AIR_FRAME = static_cast<float>(WALK.first);

bool Held(int key) { return _keys[key] != 0; }

// Starts an animation on the body and on the weapon it holds.
void StartAnimation(TModel& weapon, const PlayerAnimation& a, float speed) {
  PlayerModel.SetAnimation(a.first, a.last, speed);
  weapon.SetAnimation(a.first, a.last, speed);
}

struct WeaponDef {
  const char* model;
  const char* texture;
  bool owned;
  float fireSpeed;
  int ammoCost;
  int ammoIndex;
  int damage;
  const char* sound;
};

const WeaponDef WEAPON_TABLE[3] = {
    {"data/weapons/mach.mdl", "data/weapons/mach.tga", true, 0.7f, 1, 0, 10,
     "data/sounds/dspistol.wav"},
    {"data/weapons/SHOOTGUN.mdl", "data/weapons/SHOOTGUN.tga", false, 0.25f, 1, 1, 20,
     "data/sounds/dsshotgn.wav"},
    {"data/weapons/hyp.mdl", "data/weapons/hyp.tga", false, 1.1f, 1, 0, 8,
     "data/sounds/dspistol.wav"},
};

}  // namespace

void TPlayer::Init() {
  PlayerModel.Load((char*)"data/player/tarva.mdl", LoadTexture((char*)"data/player/tuvra.tga"));
  PlayerModel.InitModel(PlayerModel.unitScale, 90, 0, 0, 0, 0, 0);

  currentWeapon = 0;
  health = 100;

  // Weapons share the body's scale so that they sit in its hands.
  for (int i = 0; i < 3; i++) {
    const WeaponDef& d = WEAPON_TABLE[i];
    hasWeapon[i] = d.owned;
    weaponModels[i].Load((char*)d.model, LoadTexture((char*)d.texture));
    weaponModels[i].InitModel(PlayerModel.unitScale, 90, 0, 0, 0, 0, 0);
  }
  // Each slot gets a buffer of its own, even where two slots share a file,
  // so that both can sound at once.
  for (int i = 0; i < 3; i++) {
    const WeaponDef& d = WEAPON_TABLE[i];
    weapons[i].fireSpeed = d.fireSpeed;
    weapons[i].ammoCost = d.ammoCost;
    weapons[i].ammoIndex = d.ammoIndex;
    weapons[i].damage = d.damage;
    LoadDirectSound(&weapons[i].sound, (char*)d.sound);
  }

  ammo[0] = 50;
  ammo[1] = 0;
  ammo[2] = 0;
}

void TPlayer::Process() {
  const float frame = PlayerModel.frame;
  FireOnShotFrame(frame);

  // A movement key breaks off the firing cycle at one exact frame.
  if (frame == FIRE_BREAK_FRAME && Firing && (Held(KEY_LEFT) || Held(KEY_RIGHT) || Held(KEY_UP)))
    Firing = false;

  // Weapon choice; a later key wins.
  if (!Firing) {
    for (int k = 0; k < 4; k++)
      if (Held(KEY_1 + k) && hasWeapon[k]) currentWeapon = k;
  }

  Walking = false;
  if (!Firing) {
    if (Held(KEY_RIGHT)) Walk(WalkStep, 0);
    if (Held(KEY_LEFT)) Walk(-WalkStep, 180);
  }

  if (Held(KEY_UP) && !Jumping && !Firing) {
    Jumping = true;
    JumpCount = 18;
  }

  // Every tick on the ground starts a fall that ends at once when the
  // player stands on something; walking off an edge falls for real.
  if (CanMoveTo(x, y + JumpStep, MOVE_W, MOVE_H, WHO_PLAYER) && !Jumping) {
    Jumping = true;
    JumpCount = -5;
  }

  if (Jumping) RiseOrFall();
  Animate();
}

// The shot: exactly one tick of each firing cycle has its frame in
// [shot, shot + fireSpeed), since the animation advances by fireSpeed a tick.
void TPlayer::FireOnShotFrame(float frame) {
  const int cw = currentWeapon;
  if (!(frame >= SHOT_FRAME && Firing && frame < SHOT_FRAME + weapons[cw].fireSpeed)) return;
  int ai = weapons[cw].ammoIndex;
  if (ai >= 0 && ai < 6) ammo[ai] -= weapons[cw].ammoCost;
  RestartSound(weapons[cw].sound);
  // The muzzle is where the model stood at the end of the last tick.
  if (PlayerModel.rotZ == 0)
    Bullets.Fire(PlayerModel.x + 0.8f, PlayerModel.y, true, 1000, weapons[cw].damage, BULLET_TRACE,
                 true);
  else
    Bullets.Fire(PlayerModel.x - 0.8f, PlayerModel.y + 0.3f, false, 1000, weapons[cw].damage,
                 BULLET_TRACE, true);
}

// Walking in four sub-steps of `step`; a blocked step still turns the player.
void TPlayer::Walk(float step, float facing) {
  for (int i = 0; i < 4; i++) {
    if (CanMoveTo(x + step, y, MOVE_W, MOVE_H, WHO_PLAYER)) x += step;
    PlayerModel.rotZ = facing;
    Walking = true;
  }
}

// One tick of a jump: JumpCount > 0 rises that many sub-steps, then the
// count turns negative and the player falls ever faster (down to
// MaxFallSteps sub-steps a tick) until something is underfoot. A ceiling
// ends the rise at once.
void TPlayer::RiseOrFall() {
  if (JumpCount > 0) {
    int steps = JumpCount;
    for (int i = 0; i < steps; i++) {
      if (CanMoveTo(x, y + JumpStep, MOVE_W, MOVE_H, WHO_PLAYER)) {
        y += JumpStep;
      } else {
        JumpCount = 0;
        break;
      }
    }
    JumpCount -= 1;
  }
  if (JumpCount == 0) JumpCount = -5;
  if (JumpCount < 0) {
    int steps = -JumpCount;
    for (int i = 0; i < steps; i++) {
      if (CanMoveTo(x, y - JumpStep, MOVE_W, MOVE_H, WHO_PLAYER)) {
        y -= JumpStep;
      } else {
        Jumping = false;
        break;
      }
    }
    JumpCount -= 1;
    if (JumpCount < MaxFallSteps) JumpCount = MaxFallSteps;
  }
}

// Picks the body's animation (idle, walk, or the start of a firing cycle),
// advances it, and keeps the held weapon on the body's frame and place.
void TPlayer::Animate() {
  int cw = currentWeapon;
  if (!Firing && !Jumping) {
    const PlayerAnimation& a = Held(KEY_LEFT) || Held(KEY_RIGHT) ? WALK : IDLE;
    StartAnimation(weaponModels[cw], a, a.speed);
  }

  // HasAmmo goes last: it may step the current weapon down.
  if (!Jumping && Held(KEY_SPACE) && !Firing && !Walking && HasAmmo()) {
    cw = currentWeapon;
    StartAnimation(weaponModels[cw], FIRE, weapons[cw].fireSpeed);
    Firing = true;
  }
  cw = currentWeapon;

  PlayerModel.Move(x, y, 0);

  bool cycleEnded = false;
  if (Jumping) {
    PlayerModel.frame = AIR_FRAME;
  } else {
    cycleEnded = PlayerModel.ProcessAnimation();
    weaponModels[cw].ProcessAnimation();
  }

  // The weapon follows the body's position, frame and facing.
  weaponModels[cw].frame = PlayerModel.frame;
  weaponModels[cw].Move(x, y, 0);
  weaponModels[cw].rotZ = PlayerModel.rotZ;

  if (cycleEnded && Firing) Firing = false;
}

bool TPlayer::HasAmmo() {
  for (;;) {
    if (currentWeapon < 0) {
      currentWeapon = 0;
      return false;
    }
    const SWeapon& w = weapons[currentWeapon];
    if (w.ammoIndex >= 0 && w.ammoIndex < 6 && ammo[w.ammoIndex] >= w.ammoCost) return true;
    currentWeapon -= 1;
  }
}

bool TPlayer::Touches(float ox, float oy, float w, float h) {
  return BoxOverlap(x, y, 1.8f, 1.0f, ox, oy, w, h);
}

void TPlayer::TakeDamage(int amount) {
  health -= amount;
  if (health < 0) health = 0;
}

void TPlayer::Draw() {
  Begin3D();
  PlayerModel.DrawAnimation();
  weaponModels[currentWeapon].DrawAnimation();
  End3D();
}

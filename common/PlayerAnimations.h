// The player's animations: which keyframes of the body and weapon models
// each one spans and how fast the game plays it. The model generator poses
// the keyframes by this table and the game plays them by it, so a frame
// range lives here only.
//
// The last frame of idling and of firing repeats the first, so that the
// cycle blends back to its start; walking's last frame is instead the first
// of firing.
#ifndef CORVANE_PLAYER_ANIMATIONS_H
#define CORVANE_PLAYER_ANIMATIONS_H

struct PlayerAnimation {
  const char* name;
  int first;    // first keyframe
  int last;     // last keyframe, a repeat of the first
  float speed;  // keyframes per tick; 0 where the weapon decides (firing)
  int shot;     // keyframe on which the shot leaves the barrel, -1 none; the
                // game fires on the one tick whose frame is in
                // [shot, shot + speed)
};

enum PlayerAnimationId { PLAYER_IDLE, PLAYER_WALK, PLAYER_FIRE, PLAYER_ANIMATION_COUNT };

inline constexpr PlayerAnimation PLAYER_ANIMATIONS[PLAYER_ANIMATION_COUNT] = {
    {"idle", 0, 39, 0.2f, -1},
    {"walk", 40, 46, 0.2f, -1},
    {"fire", 46, 53, 0.0f, 48},
};

// Keyframes in the player's and the weapons' models: the animations, then
// one more that repeats frame 0.
constexpr int PLAYER_MODEL_FRAMES = 55;

#endif

// Door effects: a slab that shrinks upward into the top of an opened door.
#include "actors/Effects.h"

#include "CorvaneEngine.h"
#include "world/Level.h"

TEffects Effects;

namespace {
const float kStartSize = 3.0f;
const float kShrink = 0.5f;
const int kWallTextureCount = sizeof(WallTextures) / sizeof(WallTextures[0]);
}  // namespace

void TEffects::Init() { count = 0; }

void TEffects::Add(float x, float y, int textureIndex) {
  // Every opened door keeps its own slab in the first free slot; with all
  // ten running the new door opens without one.
  for (int i = 0; i < EFFECT_SLOTS; i++) {
    SEffect& e = effects[i];
    if (e.active) continue;
    e.active = true;
    e.x = x;
    e.y = y;
    e.textureIndex = textureIndex;
    e.size = kStartSize;
    return;
  }
}

void TEffects::Process() {
  for (int i = 0; i < EFFECT_SLOTS; i++) {
    SEffect& e = effects[i];
    if (!e.active) continue;
    if (e.size > 0)
      e.size -= kShrink;
    else
      e.active = false;
  }
}

void TEffects::Draw() {
  for (int i = 0; i < EFFECT_SLOTS; i++) {
    const SEffect& e = effects[i];
    if (!e.active) continue;
    Begin3D();
    // The top edge stays at the door's top (y + 1.5) while the bottom rises.
    SetPos3D(e.x, e.y + (kStartSize - e.size) * 0.5f, 0);
    if (e.textureIndex >= 0 && e.textureIndex < kWallTextureCount)
      SetTexture(WallTextures[e.textureIndex]);
    Size3D(0.3, e.size, 2.8);
    DrawCube();
    End3D();
  }
}

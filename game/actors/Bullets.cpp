#include "actors/Bullets.h"

#include <cstring>

#include "actors/Monsters.h"
#include "actors/Player.h"
#include "shell/Random.h"
#include "world/Level.h"

TBullets Bullets;

namespace {

// Every shot advances by this much per sub-step.
const double BULLET_STEP = 0.03;

const int SLOT_LIMIT = sizeof(((TBullets*)nullptr)->bullets) / sizeof(SBullet);

int ScannedSlots(int slotCount) {
  if (slotCount < 0) return 0;
  return slotCount > SLOT_LIMIT ? SLOT_LIMIT : slotCount;
}

SParticle3D Particle(float size, float accelY, float r, float g, float b, float alphaDelta,
                     int life) {
  SParticle3D p;
  std::memset(static_cast<void*>(&p), 0, sizeof p);
  p.size = size;
  p.acceleration[1] = accelY;
  p.color[0] = r;
  p.color[1] = g;
  p.color[2] = b;
  p.color[3] = 1;
  p.colorDelta[3] = alphaDelta;
  p.sizeDelta = 0;
  p.life = life;
  return p;
}

}  // namespace

void TBullets::Init() {
  // Yellow sparks burst up from walls and fall back under a light gravity.
  sparks.Init(Particle(0.4f, -0.01f, 1, 1, 0, -0.12f, 20));
  sparks.SetTexture(LoadTexture((char*)"data/particles/spark.tga"));
  // Blue plasma marks a spider's shot for two ticks.
  plasma.Init(Particle(0.6f, 0, 0, 0, 1, -0.3f, 2));
  plasma.SetTexture(LoadTexture((char*)"data/particles/plasma.tga"));
}

void TBullets::Fire(float x, float y, bool right, int subSteps, int damage, int kind,
                    bool fromPlayer) {
  const int n = ScannedSlots(slotCount);
  for (int i = 0; i < n; i++) {
    SBullet& b = bullets[i];
    if (b.active) continue;
    b.x = x;
    b.y = y;
    b.damage = damage;
    b.kind = kind;
    b.subSteps = subSteps;
    b.movingRight = right;
    b.fromPlayer = fromPlayer;
    b.active = true;
    return;
  }
  // Table full: the shot is dropped.
}

void TBullets::Process() {
  const int n = ScannedSlots(slotCount);
  for (int i = 0; i < n; i++) {
    SBullet& b = bullets[i];
    if (!b.active) continue;

    if (b.kind == BULLET_PLASMA) AddPlasma(b.x, b.y);

    for (int s = 0; s < b.subSteps; s++) {
      b.x = (float)(b.movingRight ? b.x + BULLET_STEP : b.x - BULLET_STEP);

      if (b.fromPlayer) {
        // Monsters are hit a little below the line of fire.
        int m = Monsters.FindAt(b.x, (float)(b.y - 0.3), 0.01f);
        if (m != -1) {
          // The monster turns towards whoever shot it.
          Monsters.Damage(m, b.damage, !b.movingRight);
          if (b.kind == BULLET_TRACE) Monsters.AddBlood(b.x, b.y);
          b.active = false;
          break;
        }
      } else if (Player.Touches(b.x, b.y, 0.05f, 0.05f)) {
        Player.TakeDamage(b.damage);
        b.active = false;
        break;
      }

      if (!CanMoveTo(b.x, b.y, 0.03f, 0.03f, WHO_BULLET)) {
        if (b.kind == BULLET_TRACE) AddSparks(b.x, b.y);
        b.active = false;
        break;
      }
    }

    // A trace covers its whole range in the tick it is processed.
    if (b.kind == BULLET_TRACE) b.active = false;
  }

  sparks.Process();
  plasma.Process();
}

void TBullets::AddSparks(float x, float y) {
  SParticle3D p = sparks.templateParticle;
  p.x = x;
  p.y = y;
  for (int i = 0; i < 20; i++) {
    // Three draws in a fixed order, so a seeded run replays exactly.
    int r1 = random(1000);
    int r2 = random(1000);
    int r3 = random(1000);
    p.velocity[1] = (float)(r1 * 0.000125);
    p.velocity[2] = (float)((r2 - r3) * 0.000125);
    sparks.Add(p);
  }
}

void TBullets::AddPlasma(float x, float y) {
  SParticle3D p = plasma.templateParticle;
  p.x = x;
  p.y = y;
  // Three copies on one spot read brighter under additive blending.
  for (int i = 0; i < 3; i++) plasma.Add(p);
}

void TBullets::Draw() {
  Begin3D();
  sparks.Draw();
  plasma.Draw();
  End3D();
}

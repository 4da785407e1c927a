// Shots in flight: firing, the per-tick flight along a row with its hit
// tests, and the sparks and plasma they leave.
#include "actors/Bullets.h"

#include <cmath>
#include <cstring>

#include "actors/Monsters.h"
#include "actors/Player.h"
#include "shell/Random.h"
#include "world/Level.h"
#include "world/WorldIndex.h"

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

namespace {

// Boxes of a shot: against walls, against monsters (tested 0.3 below the
// line of fire) and against the player.
const float kWallBox = 0.03f;
const float kMonsterBox = 0.01f;
const float kPlayerBox = 0.05f;

// What lies along the row of the shot being flown.
SBlockBox RowWalls[MAX_BLOCK_BOXES];
int RowMonsters[MONSTER_SLOTS];

float Advance(float x, bool right) { return (float)(right ? x + BULLET_STEP : x - BULLET_STEP); }

// Where a shot stands after `steps` sub-steps: exactly the float of `steps`
// repeated additions, worked out in strides. Between two powers of two
// floats are evenly spaced, and x + step rounds the same way from every
// float there (the double sum lands the same distance past x, and only a
// sum exactly halfway between two floats would round by x's last bit), so
// while the sums stay inside one such span every sub-step moves the shot
// by the same amount. Near zero, at the edge of a span and on a halfway
// sum the sub-steps are taken one at a time.
float AdvanceSteps(float x, bool right, int steps) {
  const double step = right ? BULLET_STEP : -BULLET_STEP;
  while (steps > 0) {
    const double from = x;
    const double size = std::fabs(from);
    if (!(size >= 1.0) || !(size < 1.0e30)) {
      x = (float)(from + step);
      steps--;
      continue;
    }
    const int e = std::ilogb(size);
    const double lo = std::ldexp(1.0, e);
    const double hi = 2 * lo;
    const double halfUlp = std::ldexp(1.0, e - 24);
    const double sum = from + step;
    const float next = (float)sum;
    const double halves = (sum - from) / halfUlp;
    const double move = (double)next - from;
    if (move == 0) return x;  // each further sub-step rounds back to x
    if (halves == std::floor(halves) && std::fmod(halves, 2.0) != 0) {
      x = next;
      steps--;
      continue;
    }
    // Sub-steps i = 0 .. n-1 start at |x| + i * |move| (growing) or
    // |x| - i * |move| (shrinking); each sum must stay in [lo, hi).
    const bool growing = (move > 0) == (from > 0);
    const double room = growing ? (hi - BULLET_STEP - size) : (size - BULLET_STEP - lo);
    // One sub-step fewer than the room allows keeps clear of rounding in
    // this bound; the edge is then crossed one sub-step at a time.
    double n = std::floor(room / std::fabs(move)) + (growing ? 0 : 1) - 1;
    if (n > steps) n = steps;
    if (n < 2) {
      x = next;
      steps--;
      continue;
    }
    x = (float)(from + n * move);
    steps -= (int)n;
  }
  return x;
}

// How many sub-steps a shot at x can surely take before the first thing
// gathered along its row (walls, monsters' hit boxes, the player) could
// touch it: every sub-step moves it at most one step plus one ulp.
int ContactFreeSteps(const SBullet& b, int walls, int monsters, bool playerNear) {
  const double x = b.x;
  const double size = std::fabs(x) + BULLET_STEP * b.subSteps + 1.0;
  if (!(size < 1.0e6)) return 0;
  const double perStep = BULLET_STEP + size * (1.0 / 8388608.0);
  double ahead = 1.0e30;
  // Distance to where a box of half-width `reach` around cx begins to count.
  auto near = [&](double cx, double reach) {
    const double gap = b.movingRight ? (cx - reach) - x : x - (cx + reach);
    if (gap < ahead) ahead = gap;
  };
  for (int k = 0; k < walls; k++) near(RowWalls[k].x, RowWalls[k].w / 2.0 + kWallBox / 2.0);
  for (int k = 0; k < monsters; k++)
    near(Monsters.monsters[RowMonsters[k]].x, 0.5 + kMonsterBox / 2.0);
  if (playerNear) near(Player.x, 0.9 + kPlayerBox / 2.0);
  const double margin = 0.01 + 4.0e-6 * size;
  const double steps = std::floor((ahead - margin) / perStep) - 1;
  if (!(steps > 0)) return 0;
  return steps < b.subSteps ? static_cast<int>(steps) : b.subSteps;
}

// Whether the shot, just moved to a new sub-step, hits something there:
// a monster (shots of the player, the lowest slot hit, as the monster
// search finds it), the player (everyone else's shots) or a wall. The hit
// is dealt here; the caller ends the shot.
bool HitOnStep(TBullets& shots, const SBullet& b, int walls, int monsters, float monsterY,
               bool playerNear) {
  if (b.fromPlayer) {
    int m = -1;
    for (int k = 0; k < monsters; k++) {
      const int j = RowMonsters[k];
      if (m >= 0 && j > m) continue;
      const SMonsters& mon = Monsters.monsters[j];
      if (BoxOverlap(mon.x, mon.y, 1.0f, 2.0f, b.x, monsterY, kMonsterBox, kMonsterBox)) m = j;
    }
    if (m != -1) {
      // The monster turns towards whoever shot it.
      Monsters.Damage(m, b.damage, !b.movingRight);
      if (b.kind == BULLET_TRACE) Monsters.AddBlood(b.x, b.y);
      return true;
    }
  } else if (playerNear && Player.Touches(b.x, b.y, kPlayerBox, kPlayerBox)) {
    Player.TakeDamage(b.damage);
    return true;
  }

  if (OverlapsAny(RowWalls, walls, b.x, b.y, kWallBox, kWallBox)) {
    if (b.kind == BULLET_TRACE) shots.AddSparks(b.x, b.y);
    return true;
  }
  return false;
}

// One tick of a shot's flight. Nothing but the shot itself moves while it
// flies, so its whole path is known up front: every sub-step lies between
// the first and the last position (each addition moves it the same way or
// not at all). What can be hit along that stretch of its row is gathered
// once; a shot with nothing there jumps to its last position, and one with
// something there strides to just short of the nearest of it and is then
// stepped through with the same tests, in the same order, as always.
void Fly(TBullets& shots, SBullet& b) {
  const float first = Advance(b.x, b.movingRight);
  const float last = AdvanceSteps(first, b.movingRight, b.subSteps - 1);
  const double lo = b.movingRight ? first : last;
  const double hi = b.movingRight ? last : first;
  const float monsterY = (float)(b.y - 0.3);

  int monsters = 0;
  bool playerNear = false;
  const double wallHalf = kWallBox / 2.0;
  const int walls = GatherBlockBoxes(lo - wallHalf, hi + wallHalf, b.y - wallHalf, b.y + wallHalf,
                                     false, -1, RowWalls);
  if (b.fromPlayer) {
    const double half = kMonsterBox / 2.0;
    monsters =
        GatherMonstersNear(lo - half, hi + half, monsterY - half, monsterY + half, -1, RowMonsters);
  } else {
    const double half = kPlayerBox / 2.0;
    const double margin = 0.01 + 4.0e-6 * (std::fabs(lo) + std::fabs(hi) + std::fabs(b.y));
    playerNear = Player.x + 0.9 + half + margin >= lo && Player.x - 0.9 - half - margin <= hi &&
                 std::fabs(static_cast<double>(Player.y) - b.y) <= 0.5 + half + margin;
  }

  if (walls == 0 && monsters == 0 && !playerNear) {
    b.x = last;
    return;
  }
  const int skip = ContactFreeSteps(b, walls, monsters, playerNear);
  b.x = AdvanceSteps(b.x, b.movingRight, skip);
  for (int s = skip; s < b.subSteps; s++) {
    b.x = Advance(b.x, b.movingRight);
    if (HitOnStep(shots, b, walls, monsters, monsterY, playerNear)) {
      b.active = false;
      return;
    }
  }
}

}  // namespace

void TBullets::Process() {
  SyncWorldIndex();
  const int n = ScannedSlots(slotCount);
  for (int i = 0; i < n; i++) {
    SBullet& b = bullets[i];
    if (!b.active) continue;
    if (b.kind == BULLET_PLASMA) AddPlasma(b.x, b.y);
    if (b.subSteps > 0) Fly(*this, b);
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
    int r1 = RandomBelow(1000);
    int r2 = RandomBelow(1000);
    int r3 = RandomBelow(1000);
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

// Corpses: one death model per monster kind, shared by every corpse of it.
#include "actors/Corps.h"

#include "actors/Monsters.h"

TCorps Corps;

void TCorps::Init() {
  // The spider, soldier and mutant die inside their walking models; the
  // copies keep the scale, tilt and offset the monster templates were given.
  kinds[0].model = Monsters.kindModels[0];
  kinds[0].speed = 0.25f;
  kinds[0].start = 173;
  kinds[0].end = 178;

  // The demon has a death model of its own, drawn at the walking demon's
  // scale so both poses are the same size.
  unsigned int tex = LoadTexture("data/enemy/demon.tga");
  kinds[1].model.Load("data/enemy/demonDIE.mdl", tex);
  kinds[1].model.InitModel(2 * Monsters.kindModels[1].unitScale, 90, 0, 0, 0, 0, 0);
  kinds[1].model.SetOffset(0, -1.2f);
  kinds[1].speed = 0.5f;
  kinds[1].start = 0;
  kinds[1].end = 11;

  kinds[2].model = Monsters.kindModels[2];
  kinds[2].speed = 0.3f;
  kinds[2].start = 271;
  kinds[2].end = 278;

  kinds[3].model = Monsters.kindModels[3];
  kinds[3].speed = 0.3f;
  kinds[3].start = 14;
  kinds[3].end = 22;
}

void TCorps::Add(float x, float y, int kind, bool facingRight) {
  // Each monster dies once and the monster table holds as many slots as
  // this list, so a full list only drops the corpse.
  if (last + 1 >= CORPSE_SLOTS) return;
  if (kind < 0 || kind >= CORPSE_KIND_SLOTS) return;
  last += 1;
  SCorpse& c = corpses[last];
  c.frame = kinds[kind].start;
  c.end = kinds[kind].end;
  c.speed = kinds[kind].speed;
  c.x = x;
  c.y = y;
  c.kind = kind;
  c.facingRight = facingRight;
}

void TCorps::Process() {
  for (int i = 0; i <= last; i++) {
    SCorpse& c = corpses[i];
    if (c.frame < c.end) c.frame += c.speed;
  }
}

void TCorps::Draw() {
  for (int i = 0; i <= last; i++) {
    const SCorpse& c = corpses[i];
    TModel& m = kinds[c.kind].model;
    m.frame = c.frame;
    m.Move(c.x, c.y, 0);
    m.rotZ = c.facingRight ? 0 : 180;
    // A kind without a loaded mesh has nothing to draw.
    if (m.triangleCount > 0) m.Draw();
  }
}

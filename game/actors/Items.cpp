// Pickup models and their common spin.
#include "actors/Items.h"

#include "MapFormat.h"

TItems Items;
int ItemSpinAngle = 0;

namespace {

struct SItemEntry {
  int slot;
  const char* model;
  const char* texture;
  double factor;  // times the model's own unitScale
};

// Load order of the catalogue.
const SItemEntry kCatalogue[] = {
    {ITEM_MACHINEGUN, "data/items/hyp.mdl", "data/weapons/hyp.tga", 1.0},
    {ITEM_SHOTGUN, "data/items/shoot.mdl", "data/weapons/SHOOTGUN.tga", 1.0},
    {ITEM_MEDKIT, "data/items/medkit.mdl", "data/items/aid.tga", 0.4},
    {ITEM_BULLETS, "data/items/ammobox.mdl", "data/items/ammobox.tga", 0.5},
    {ITEM_SHELLS, "data/items/ShellBox.mdl", "data/items/ShellBox.tga", 0.5},
    {ITEM_SHELLS_SLOT, "data/items/ShellBox_Shells.mdl", "data/items/ShellBox_Shells.tga", 0.5},
    {ITEM_ROCKETS, "data/items/box.mdl", "data/items/rocket.tga", 1.0 / 3.0},
    {ITEM_BLUE_KEY, "data/items/key.mdl", "data/items/KeyCard-Blue.tga", 0.5},
    {ITEM_RED_KEY, "data/items/key.mdl", "data/items/KeyCard-Red.tga", 0.5},
    {ITEM_YELLOW_KEY, "data/items/key.mdl", "data/items/KeyCard-Yellow.tga", 0.5},
};

const SItemEntry* Entry(int slot) {
  for (const SItemEntry& e : kCatalogue)
    if (e.slot == slot) return &e;
  return nullptr;
}

}  // namespace

void TItems::Init() {
  for (const SItemEntry& e : kCatalogue) models[e.slot].Load(e.model, LoadTexture(e.texture));

  static const int kInitOrder[] = {ITEM_ROCKETS,    ITEM_BLUE_KEY,   ITEM_RED_KEY, ITEM_YELLOW_KEY,
                                   ITEM_MACHINEGUN, ITEM_SHOTGUN,    ITEM_MEDKIT,  ITEM_BULLETS,
                                   ITEM_SHELLS,     ITEM_SHELLS_SLOT};
  for (int slot : kInitOrder) {
    // The shells are scaled by the box they lie in, not by their own size.
    const float unit =
        slot == ITEM_SHELLS_SLOT ? models[ITEM_SHELLS].unitScale : models[slot].unitScale;
    models[slot].InitModel(static_cast<float>(unit * Entry(slot)->factor), 90, 0, 0, 0, 0, 0);
  }
}

void TItems::Process() {
  ItemSpinAngle += 5;
  if (ItemSpinAngle == 360) ItemSpinAngle = 0;
}

void TItems::DrawItem(float x, float y, int kind) {
  if (kind < 0 || kind >= ITEM_SLOTS) return;
  TModel& model = models[kind];
  model.Move(x, y, 0);
  model.rotZ = static_cast<float>(ItemSpinAngle);
  model.DrawStatic();
}

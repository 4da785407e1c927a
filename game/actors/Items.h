// Pickup models: the catalogue of item kinds, the common spin and the call
// that draws one item at a point. Where items lie and who takes them is the
// level's business.
#ifndef TARVS_ITEMS_H
#define TARVS_ITEMS_H

#include "CorvaneEngine.h"

// Slot of the shells drawn inside the shell box (ITEM_SHELLS).
constexpr int ITEM_SHELLS_SLOT = 39;
constexpr int ITEM_SLOTS = 40;

class TItems {
public:
  TModel models[ITEM_SLOTS];

  // Loads the catalogue.
  void Init();
  // Turns every item by 5 degrees.
  void Process();
  // Draws slot `kind` at (x, y) with the current spin; kinds outside the
  // slot table draw nothing.
  void DrawItem(float x, float y, int kind);
};

extern TItems Items;
// Rotation of every item about z, degrees, a multiple of 5 in 0..355.
extern int ItemSpinAngle;

#endif

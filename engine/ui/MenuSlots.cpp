// UI: the ten menu slots and the loop's calls into the one that is shown.
#include "Internal.h"

TCMenu _MENU[10];
int _ActiveMenu = -1;

namespace {
// The active menu, or null when none is shown or the index is out of range
// (ShowMenu does not check it).
TCMenu* ActiveMenu() {
  if (_ActiveMenu < 0 || _ActiveMenu >= 10) return nullptr;
  return &_MENU[_ActiveMenu];
}
}  // namespace

namespace core {
void ActiveMenuDraw() {
  if (TCMenu* menu = ActiveMenu()) menu->Draw();
}
void ActiveMenuProcess() {
  if (TCMenu* menu = ActiveMenu()) menu->Process();
}
void ActiveMenuClick() {
  if (TCMenu* menu = ActiveMenu()) menu->Click();
}
}  // namespace core

// UI: menu widgets. Image widgets, buttons with captions, and menus that
// the engine's loop draws every frame, updates every tick and clicks on
// each left-button release.
#include "Internal.h"
#include "Cp1251.h"

#include <SDL.h>

#include <cstring>

namespace {

// Edges included: a point on the right or bottom edge is inside.
bool MouseInside(const TCObjectUI* w) {
  return w->x <= _MousePosX && _MousePosX <= w->x + w->width && w->y <= _MousePosY &&
         _MousePosY <= w->y + w->height;
}

}  // namespace

void TCObjectUI::Create(unsigned int tex, int px, int py, int w, int h) {
  sprite.texture = tex;
  x = px;
  y = py;
  width = w;
  height = h;
  SetColorOn(1.0f, 1.0f, 1.0f, 1.0f);
}

void TCObjectUI::SetTextureOn(unsigned int tex) {
  sprite.texture = tex;
  SetColorOn(1.0f, 1.0f, 1.0f, 1.0f);
}

void TCObjectUI::SetColorOn(float r, float g, float b, float a) {
  sprite.color[0] = r;
  sprite.color[1] = g;
  sprite.color[2] = b;
  sprite.color[3] = a;
}

void TCObjectUI::Draw() {
  sprite.Set(x, y, width, height);
  sprite.Draw();
}

void TCButton::Create(const unsigned int* textures, int px, int py, int w, int h) {
  for (int i = 0; i < 4; i++) {
    stateSprites[i].texture = textures ? textures[i] : 0;
    for (int k = 0; k < 4; k++) stateSprites[i].color[k] = 1.0f;
  }
  x = px;
  y = py;
  width = w;
  height = h;
}

void TCButton::SetFont(TFonts f) { font = f; }

namespace {

char* CopyText(const char* t) {
  if (!t) return nullptr;
  size_t n = strlen(t);
  char* copy = new char[n + 1];
  memcpy(copy, t, n + 1);
  return copy;
}

}  // namespace

void TCButton::SetText(const char* t) {
  // The button owns its caption: the earlier copy goes with the new one
  // (also when t is that very copy, which is copied first).
  char* copy = CopyText(t);
  delete[] text;
  text = copy;
}

TCButton::~TCButton() { delete[] text; }

TCButton::TCButton(const TCButton& other) : TCObjectUI(other), textColor(), font(other.font) {
  for (int i = 0; i < 4; i++) {
    stateSprites[i] = other.stateSprites[i];
    textColor[i] = other.textColor[i];
  }
  text = CopyText(other.text);
}

TCButton& TCButton::operator=(const TCButton& other) {
  if (this == &other) return *this;
  TCObjectUI::operator=(other);
  for (int i = 0; i < 4; i++) {
    stateSprites[i] = other.stateSprites[i];
    textColor[i] = other.textColor[i];
  }
  font = other.font;
  char* copy = CopyText(other.text);
  delete[] text;
  text = copy;
  return *this;
}

void TCButton::SetTextColor(float r, float g, float b, float a) {
  textColor[0] = r;
  textColor[1] = g;
  textColor[2] = b;
  textColor[3] = a;
}

void TCButton::Draw() {
  if (!RequireGL("TCButton::Draw")) return;
  // A state outside 0..3 (a widget never processed, or written by the
  // caller) shows the normal image.
  TSprite& s = stateSprites[(state >= 0 && state <= 3) ? state : 0];
  s.Set(x, y, width, height);
  s.Draw();
  if (!text) return;
  Begin2D();
  int textWidth = static_cast<int>(strlen(text)) * font.size / 2;
  // The caption sits a little left of centre: 5/12 of the free width. A
  // caption wider than the button starts at the button's left edge.
  int freeWidth = width - textWidth;
  if (freeWidth < 0) freeWidth = 0;
  int px = x + static_cast<int>(freeWidth * 0.4166666666666667);
  int py = y + height / 2 - font.size / 2;
  SetColor(textColor[0], textColor[1], textColor[2], textColor[3]);
  font.Print(px, py, "%s", text);
  End2D();
}

void TCMenu::Add(TCObjectUI* item) {
  if (!RequireArg(item, "TCMenu::Add", "item")) return;
  if (count < 0) count = 0;
  if (count >= MaxItems) {
    AddToLog(RU("Ошибка. Меню заполнено (%d элементов), элемент не добавлен"), MaxItems);
    return;
  }
  items[count++] = item;
}

void TCMenu::SetCursor(const char* path, int w, int h) {
  if (!RequireGL("TCMenu::SetCursor") || !RequireArg(path, "TCMenu::SetCursor", "path")) return;
  SDL_ShowCursor(SDL_DISABLE);
  cursorOn = true;
  for (int k = 0; k < 4; k++) cursor.color[k] = 1.0f;
  static const int kBlackKey[3] = {0, 0, 0};
  cursor.Load(path, kBlackKey);
  cursor.width = w;
  cursor.height = h;
}

// Number of widgets a loop may visit: count kept within the items array.
static int ItemCount(const TCMenu* m) {
  if (m->count < 0) return 0;
  return m->count > TCMenu::MaxItems ? TCMenu::MaxItems : m->count;
}

void TCMenu::Draw() {
  if (beforeDraw) beforeDraw();
  for (int i = 0, n = ItemCount(this); i < n; i++)
    if (items[i]) items[i]->Draw();
  if (afterDraw) afterDraw();
  if (cursorOn) {
    cursor.Move(_MousePosX, _MousePosY);
    cursor.Draw();
  }
}

void TCMenu::Process() {
  for (int i = 0, n = ItemCount(this); i < n; i++) {
    TCObjectUI* w = items[i];
    if (!w) continue;
    if (!w->enabled)
      w->state = 3;
    else if (MouseInside(w))
      w->state = _MouseButton[0] ? 2 : 1;
    else
      w->state = 0;
  }
}

void TCMenu::Click() {
  // Every enabled widget under the cursor is clicked, not only the top one.
  // The count is read afresh each time: a callback may empty the menu.
  for (int i = 0; i < ItemCount(this); i++) {
    TCObjectUI* w = items[i];
    if (w && w->enabled && w->onClick && MouseInside(w)) w->onClick();
  }
}

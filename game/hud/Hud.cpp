// The heads-up display, drawn last over the scene in screen pixels.
#include "hud/Hud.h"

#include <cstring>

#include "actors/Player.h"

TFonts HudFont;
TFonts HudFont2;
GLTexture StatusTexture = 0;
TSprite KeySprites[3];
char HudMessage[HUD_MESSAGE_MAX + 1];
int HudMessageTimer = 0;

void InitHud() {
  HudFont.Load("data/UI/font.tga", 25);
  HudFont2.Load("data/UI/font2.tga", 34);
  StatusTexture = LoadTexture("data/UI/status.tga");
  // Mid grey is the transparent colour of the key icons.
  int key[3] = {128, 128, 128};
  KeySprites[0].Load("data/UI/key0.tga", key);
  KeySprites[0].Set(30, 738, 28, 30);
  KeySprites[1].Load("data/UI/key2.tga", key);
  KeySprites[1].Set(64, 738, 28, 30);
  KeySprites[2].Load("data/UI/key1.tga", key);
  KeySprites[2].Set(96, 738, 28, 30);
}

int HudMessageX(int length) { return (1024 - (length * HudFont.size) / 2) / 2; }

void DrawHud() {
  const int H = _Zarn_ScreenHeight;

  // One 2D pass for the panel, the health bar and the ammunition line; the
  // font's glyphs of the pass are drawn together.
  Begin2D();
  SetTexture(StatusTexture);
  DrawRectangle(0, H - 96, 384, 96);

  // Health bar, green at full health through yellow to red, no texture.
  SetTexture(0);
  const float f = Player.health * 0.01f;
  SetColor(1 - f, f, 0, 1);
  DrawRectangle(20, H - 80, 300 * f, 20);

  HudFont2.SetColor(1, 1, 1, 1);
  int ammo = 0;
  const int weapon = Player.currentWeapon;
  if (weapon >= 0 && weapon < 8) {
    const int index = Player.weapons[weapon].ammoIndex;
    if (index >= 0 && index < 6) ammo = Player.ammo[index];
  }
  HudFont2.Print(20, H - 60, "Ammo:%d", ammo);
  for (int i = 1; i <= 7; i++) {
    if (Player.hasWeapon[i - 1])
      HudFont2.SetColor(0, 1, 0, 1);
    else
      HudFont2.SetColor(1, 0, 0, 1);
    HudFont2.Print(150 + 20 * i, H - 60, "%d", i);
    if (i - 1 == weapon) HudFont2.Print(150 + 20 * i, H - 40, "^");
  }
  End2D();

  for (int k = 0; k < 3; k++)
    if (Player.keys[k]) KeySprites[k].Draw();

  // The frame rate and the message share a font and a pass.
  Begin2D();
  HudFont.Print(1, 1, "FPS:%.0f", static_cast<double>(_FPS));
  if (HudMessageTimer > 0) {
    HudFont.SetColor(1, 0, 0, HudMessageTimer * 0.01f);
    HudFont.Print(HudMessageX(static_cast<int>(std::strlen(HudMessage))), 1, "%s", HudMessage);
    HudFont.SetColor(1, 1, 1, 1);
  }
  End2D();
}

void ShowMessage(const char* text) {
  if (!text) text = "";
  std::strncpy(HudMessage, text, HUD_MESSAGE_MAX);
  HudMessage[HUD_MESSAGE_MAX] = '\0';
  HudMessageTimer = 100;
}

void ProcessHud() {
  if (HudMessageTimer > 0) HudMessageTimer -= 2;
}

// The heads-up display: status panel, health bar, ammunition, weapon
// slots, key cards, frame rate and the fading message line.
#ifndef TARVS_HUD_H
#define TARVS_HUD_H

#include "CorvaneEngine.h"

// Longest message kept (bytes, without the terminator); longer texts are cut.
constexpr int HUD_MESSAGE_MAX = 255;

extern TFonts HudFont;
extern TFonts HudFont2;
extern GLTexture StatusTexture;
extern TSprite KeySprites[3];
extern char HudMessage[HUD_MESSAGE_MAX + 1];
// 0 when no message is shown; ShowMessage sets 100, each tick takes 2.
extern int HudMessageTimer;

void InitHud();
void DrawHud();
void ProcessHud();
// Puts a line on the HUD (a copy is kept) and restarts its fade.
void ShowMessage(const char* text);

// Left edge of a message of `length` bytes centred on the 1024-pixel line.
int HudMessageX(int length);

#endif

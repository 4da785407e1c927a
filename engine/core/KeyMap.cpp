// Input: the key map from SDL's key codes to the Windows virtual-key codes
// the game's _keys array is indexed by.
//
// The game names keys by their virtual-key numbers ('A'..'Z', '0'..'9',
// 37..40 for the arrows and so on); the loop turns each SDL key event into
// that number here before latching it.
#include "Internal.h"

#include <SDL2/SDL.h>

#include <cstddef>

namespace {

// One key and its virtual-key code.
struct TKeyCode {
  int from;
  int vk;
};

// Keys by their symbol, beyond the letter, digit and function-key runs.
const TKeyCode kBySymbol[] = {
    {SDLK_BACKSPACE, 8},     {SDLK_TAB, 9},           {SDLK_CLEAR, 12},
    {SDLK_KP_CLEAR, 12},     {SDLK_RETURN, 13},       {SDLK_RETURN2, 13},
    {SDLK_KP_ENTER, 13},     {SDLK_LSHIFT, 16},       {SDLK_RSHIFT, 16},
    {SDLK_LCTRL, 17},        {SDLK_RCTRL, 17},        {SDLK_LALT, 18},
    {SDLK_RALT, 18},         {SDLK_PAUSE, 19},        {SDLK_CAPSLOCK, 20},
    {SDLK_ESCAPE, 27},       {SDLK_SPACE, 32},        {SDLK_PAGEUP, 33},
    {SDLK_PAGEDOWN, 34},     {SDLK_END, 35},          {SDLK_HOME, 36},
    {SDLK_LEFT, 37},         {SDLK_UP, 38},           {SDLK_RIGHT, 39},
    {SDLK_DOWN, 40},         {SDLK_PRINTSCREEN, 44},  {SDLK_INSERT, 45},
    {SDLK_DELETE, 46},       {SDLK_LGUI, 91},         {SDLK_RGUI, 92},
    {SDLK_APPLICATION, 93},  {SDLK_KP_MULTIPLY, 106}, {SDLK_KP_PLUS, 107},
    {SDLK_KP_MINUS, 109},    {SDLK_KP_DIVIDE, 111},   {SDLK_NUMLOCKCLEAR, 144},
    {SDLK_SCROLLLOCK, 145},  {SDLK_SEMICOLON, 186},   {SDLK_EQUALS, 187},
    {SDLK_PLUS, 187},        {SDLK_COMMA, 188},       {SDLK_MINUS, 189},
    {SDLK_PERIOD, 190},      {SDLK_SLASH, 191},       {SDLK_BACKQUOTE, 192},
    {SDLK_LEFTBRACKET, 219}, {SDLK_BACKSLASH, 220},   {SDLK_RIGHTBRACKET, 221},
    {SDLK_QUOTE, 222},
};

// Keys by their place on the keyboard, for symbols that are not Latin.
const TKeyCode kByPlace[] = {
    {SDL_SCANCODE_0, '0'},           {SDL_SCANCODE_SEMICOLON, 186},
    {SDL_SCANCODE_EQUALS, 187},      {SDL_SCANCODE_COMMA, 188},
    {SDL_SCANCODE_MINUS, 189},       {SDL_SCANCODE_PERIOD, 190},
    {SDL_SCANCODE_SLASH, 191},       {SDL_SCANCODE_GRAVE, 192},
    {SDL_SCANCODE_LEFTBRACKET, 219}, {SDL_SCANCODE_BACKSLASH, 220},
    {SDL_SCANCODE_NONUSHASH, 220},   {SDL_SCANCODE_RIGHTBRACKET, 221},
    {SDL_SCANCODE_APOSTROPHE, 222},  {SDL_SCANCODE_NONUSBACKSLASH, 226},
};

template <size_t N>
int Lookup(const TKeyCode (&table)[N], int from) {
  for (const TKeyCode& k : table)
    if (k.from == from) return k.vk;
  return -1;
}

}  // namespace

namespace core {

int VirtualKeyFromSdl(int key, int scancode, bool numLock) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return key;
  if (key >= SDLK_F1 && key <= SDLK_F12) return 112 + (key - SDLK_F1);
  if (key >= SDLK_F13 && key <= SDLK_F24) return 124 + (key - SDLK_F13);
  // The keypad: digits and the decimal point with NumLock on, the
  // navigation keys printed on them with it off.
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
    static const int kNavigation[9] = {35, 40, 34, 37, 12, 39, 36, 38, 33};
    return numLock ? 97 + (key - SDLK_KP_1) : kNavigation[key - SDLK_KP_1];
  }
  if (key == SDLK_KP_0) return numLock ? 96 : 45;
  if (key == SDLK_KP_PERIOD || key == SDLK_KP_DECIMAL) return numLock ? 110 : 46;
  const int bySymbol = Lookup(kBySymbol, key);
  if (bySymbol >= 0) return bySymbol;
  // Keys whose symbol is not Latin (a Cyrillic layout, say) are named by
  // their place on the keyboard, as the US layout has it.
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    return 'A' + (scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
    return '1' + (scancode - SDL_SCANCODE_1);
  return Lookup(kByPlace, scancode);
}

}  // namespace core

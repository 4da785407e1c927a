// A small 2D game on the Corvane engine: move the green ship with the
// arrow keys, collect the gold coins, and watch the score in a bitmap
// font. It uses the engine's public header only.
//
// Run it plain for a window (Escape ends it). With --ticks (see
// example_assets.h) nobody is at the keyboard, so the ship steers itself
// toward the coin.
#include "example_assets.h"

using namespace example;

namespace {

const int kWidth = 640, kHeight = 480;
const int kShip = 32, kCoin = 24;
const int kSpeed = 6;  // pixels per tick
const int kMagenta[3] = {255, 0, 255};

// Coin places, visited in turn.
const int kCoinPlaces[][2] = {{400, 240}, {120, 380}, {520, 90}, {300, 120}, {80, 200}};
const int kPlaceCount = sizeof(kCoinPlaces) / sizeof(kCoinPlaces[0]);

Options options;
int ticks = 0;
int score = 0;
int coinPlace = 0;
TSprite background, ship, coin;
TFonts font;

void WriteAssets() {
  MakeDataDir();
  WriteTga("example_data/sky.tga", 16, 16, [](int, int y) { return Rgb(10, 20, 40 + y * 4); });
  // The ship: a green arrow pointing right on magenta, the colour key.
  WriteTga("example_data/ship.tga", 32, 32, [](int x, int y) {
    int dy = y < 16 ? 15 - y : y - 16;
    return x >= 2 && x <= 30 - 2 * dy ? Rgb(60, 220, 90) : Rgb(255, 0, 255);
  });
  WriteTga("example_data/coin.tga", 32, 32, [](int x, int y) {
    double d = std::hypot(x - 15.5, y - 15.5);
    if (d > 15) return Rgb(255, 0, 255);
    return d > 11 ? Rgb(200, 150, 20) : Rgb(255, 215, 40);
  });
  WriteFont("example_data/font.tga");
}

void Init() {
  WriteAssets();
  background.Load("example_data/sky.tga");
  background.Set(0, 0, kWidth, kHeight);
  ship.Load("example_data/ship.tga", kMagenta);
  ship.Set(40, 220, kShip, kShip);
  coin.Load("example_data/coin.tga", kMagenta);
  coin.Set(kCoinPlaces[0][0], kCoinPlaces[0][1], kCoin, kCoin);
  font.Load("example_data/font.tga", 32);
  font.SetColor(1, 1, 1, 1);
}

// -1, 0 or 1 toward the target.
int Toward(int from, int to) {
  return from + kSpeed / 2 < to ? 1 : (from - kSpeed / 2 > to ? -1 : 0);
}

void Process() {
  EndOfTick(options, ++ticks);
  int dx = _keys[39] - _keys[37];  // right, left
  int dy = _keys[40] - _keys[38];  // down, up
  if (options.tickLimit >= 0) {
    dx = Toward(ship.x, coin.x);
    dy = Toward(ship.y, coin.y);
  }
  int x = ship.x + dx * kSpeed, y = ship.y + dy * kSpeed;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  if (x > kWidth - kShip) x = kWidth - kShip;
  if (y > kHeight - kShip) y = kHeight - kShip;
  ship.Move(x, y);
  // Touching the coin scores and sends it to its next place.
  if (x < coin.x + kCoin && coin.x < x + kShip && y < coin.y + kCoin && coin.y < y + kShip) {
    score++;
    coinPlace = (coinPlace + 1) % kPlaceCount;
    coin.Move(kCoinPlaces[coinPlace][0], kCoinPlaces[coinPlace][1]);
  }
}

void Render() {
  background.Draw();
  coin.Draw();
  ship.Draw();
  Begin2D();
  font.Print(16, 12, "SCORE %d", score);
  End2D();
}

}  // namespace

int main(int argc, char** argv) {
  options = ReadOptions(argc, argv);
  StartEngine(nullptr, nullptr, nullptr, 0, Process, Init, Render, false, false, kWidth, kHeight,
              "Corvane sprite example");
  printf("sprite example ran %d ticks, score %d\n", ticks, score);
  return ticks > 0 ? 0 : 1;
}

// Sound on the Corvane engine: a beep loaded from a WAV file, rewound and
// played again every second. The window shows the wave, a lamp (green
// while the sound plays, dark green between plays, red when no sound
// device or file could be had) and the number of plays. It uses the
// engine's public header only.
#include "example_assets.h"

using namespace example;

namespace {

const int kWidth = 640, kHeight = 480;
const int kEvery = 50;  // ticks between plays

Options options;
int ticks = 0;
int plays = 0;
TSoundBuffer* beep = nullptr;
TFonts font;

void Init() {
  MakeDataDir();
  WriteBeep("example_data/beep.wav");
  WriteFont("example_data/font.tga");
  LoadDirectSound(&beep, "example_data/beep.wav");
  font.Load("example_data/font.tga", 32);
}

void Process() {
  EndOfTick(options, ++ticks);
  if (ticks % kEvery == 1 && beep && !beep->IsEmpty()) {
    beep->SetCurrentPosition(0);  // rewind, so every play starts at the start
    beep->Play(0, 0, 0);
    plays++;
  }
}

void Render() {
  Begin2D();
  // The wave as a column per 8 samples, its height the loudness envelope.
  const int columns = 512;
  SetColor(0.2f, 0.8f, 1.0f, 1.0f);
  for (int i = 0; i < columns; i++) {
    double level = 1.0 - static_cast<double>(i) / columns;
    double h = 150.0 * level * std::fabs(std::sin(i * 0.7));
    DrawRectangle(64 + i, 300 - h / 2, 1, h + 1);
  }
  // The lamp.
  bool loaded = beep && !beep->IsEmpty();
  if (!loaded)
    SetColor(0.9f, 0.1f, 0.1f, 1.0f);
  else if (beep->IsPlaying())
    SetColor(0.2f, 1.0f, 0.3f, 1.0f);
  else
    SetColor(0.1f, 0.5f, 0.15f, 1.0f);
  DrawRectangle(540, 20, 80, 80);
  font.SetColor(1, 1, 1, 1);
  font.Print(20, 20, "PLAYS %d", plays);
  font.Print(20, 60, loaded ? "SOUND OK" : "NO SOUND");
  End2D();
}

}  // namespace

int main(int argc, char** argv) {
  options = ReadOptions(argc, argv);
  StartEngine(nullptr, nullptr, nullptr, 0, Process, Init, Render, false, false, kWidth, kHeight,
              "Corvane sound example");
  printf("sound example ran %d ticks, %d plays\n", ticks, plays);
  return ticks > 0 ? 0 : 1;
}

// A small program on the Corvane engine: a menu with buttons and an own
// cursor over a turning, pulsing model with a particle fountain, and a
// sound on every click. It uses the engine's public header only.
//
// Run it plain for a window (Escape or the QUIT button ends it); the
// options --ticks and --shot are described in example_assets.h.
#include "example_assets.h"

using namespace example;

namespace {

const int kWidth = 640, kHeight = 480;

void WriteAssets() {
  MakeDataDir();
  // Button images for the states normal, hover, pressed, disabled.
  const unsigned face[4] = {Rgb(40, 60, 120), Rgb(60, 100, 190), Rgb(200, 120, 40),
                            Rgb(70, 70, 70)};
  const char* names[4] = {"example_data/button0.tga", "example_data/button1.tga",
                          "example_data/button2.tga", "example_data/button3.tga"};
  for (int s = 0; s < 4; s++) {
    unsigned c = face[s];
    WriteTga(names[s], 64, 16, [c](int x, int y) {
      bool edge = x < 2 || y < 2 || x > 61 || y > 13;
      return edge ? Rgb(220, 220, 230) : c;
    });
  }
  WriteTga("example_data/panel.tga", 8, 8, [](int, int) { return Rgb(20, 24, 40); });
  // Soft round spot for the particles (black adds nothing).
  WriteTga("example_data/spot.tga", 32, 32, [](int x, int y) {
    double d = hypot(x - 15.5, y - 15.5) / 16.0;
    int v = d >= 1 ? 0 : static_cast<int>(255 * (1 - d) * (1 - d));
    return Rgb(v, v, v);
  });
  WriteTga("example_data/skin.tga", 16, 16, [](int x, int y) {
    return ((x / 4 + y / 4) & 1) ? Rgb(230, 200, 60) : Rgb(160, 60, 40);
  });
  // Arrow cursor; black is transparent.
  WriteTga("example_data/cursor.tga", 16, 16,
           [](int x, int y) { return (x <= y && x + y / 2 < 14) ? Rgb(255, 255, 255) : 0u; });
  WriteFont("example_data/font.tga");
  WriteModel("example_data/pyramid.mdl");
  WriteBeep("example_data/beep.wav");
}

// ---------------------------------------------------------------- state

TModel pyramid;
TParticlesSystem fountain;
TSoundBuffer* beep = nullptr;
TFonts font;
TCObjectUI panel;
TCButton startButton, pauseButton, quitButton;
int ticks = 0;
Options options;

void Beep() {
  if (!beep) return;
  beep->SetCurrentPosition(0);
  beep->Play(0, 0, 0);
}

void OnStart() {
  Beep();
  ResumeGame();
  pauseButton.enabled = true;
  startButton.enabled = false;
}

void OnPause() {
  Beep();
  PauseGame();
  pauseButton.enabled = false;
  startButton.enabled = true;
}

void OnQuit() { QuiteEngine(); }

void MakeButton(TCButton& b, unsigned* textures, int y, const char* caption, void (*click)()) {
  b.Create(textures, 40, y, 192, 48);
  b.SetFont(font);
  b.SetText(caption);
  b.SetTextColor(1, 1, 1, 1);
  b.onClick = click;
  b.enabled = true;
  _MENU[0].Add(&b);
}

void Init() {
  WriteAssets();

  pyramid.Load("example_data/pyramid.mdl", LoadTexture("example_data/skin.tga"));
  pyramid.InitModel(1.5f, 0, 0, 0, 1.5f, -0.5f, 0);
  pyramid.SetAnimation(0, 1, 0.04f);

  // Every particle is a variation of this template: orange, fading, falling.
  SParticle3D spark = SParticle3D();
  spark.size = 0.35f;
  spark.acceleration[1] = -0.004f;
  spark.color[0] = 1.0f;
  spark.color[1] = 0.6f;
  spark.color[2] = 0.2f;
  spark.color[3] = 1.0f;
  spark.colorDelta[1] = -0.01f;
  spark.colorDelta[3] = -0.02f;
  spark.sizeDelta = -0.003f;
  spark.life = 60;
  fountain.Init(spark);
  fountain.SetTexture(LoadTexture("example_data/spot.tga"));

  LoadDirectSound(&beep, "example_data/beep.wav");

  font.Load("example_data/font.tga", 24);
  font.SetColor(1, 1, 1, 1);

  unsigned buttons[4];
  const char* names[4] = {"example_data/button0.tga", "example_data/button1.tga",
                          "example_data/button2.tga", "example_data/button3.tga"};
  for (int s = 0; s < 4; s++) buttons[s] = LoadTexture(names[s]);
  panel.Create(LoadTexture("example_data/panel.tga"), 24, 24, 224, 208);
  panel.enabled = true;
  _MENU[0].Add(&panel);
  MakeButton(startButton, buttons, 48, "START", OnStart);
  MakeButton(pauseButton, buttons, 112, "PAUSE", OnPause);
  MakeButton(quitButton, buttons, 176, "QUIT", OnQuit);
  startButton.enabled = false;
  _MENU[0].SetCursor("example_data/cursor.tga", 16, 16);
  ShowMenu(0);
}

void Process() {
  EndOfTick(options, ++ticks);
  pyramid.rotY += 2.0f;
  pyramid.ProcessAnimation();
  // Three new sparks a tick from the pyramid's tip.
  for (int i = 0; i < 3; i++) {
    SParticle3D p = fountain.templateParticle;
    p.x = 1.5f;
    p.y = 1.2f;
    p.velocity[0] = (rand() % 1000 - 500) / 12000.0f;
    p.velocity[1] = 0.08f + (rand() % 1000) / 25000.0f;
    p.velocity[2] = (rand() % 1000 - 500) / 12000.0f;
    fountain.Add(p);
  }
  fountain.Process();
}

void Render() {
  SetCamera(0, 1.5, 9, 0, 0.5, 0);
  Begin3D();
  pyramid.DrawAnimation();
  End3D();
  fountain.Draw();
}

}  // namespace

int main(int argc, char** argv) {
  options = ReadOptions(argc, argv);
  StartEngine(nullptr, nullptr, nullptr, 0, Process, Init, Render, false, false, kWidth, kHeight,
              "Corvane example");
  printf("example ran %d ticks\n", ticks);
  return ticks > 0 ? 0 : 1;
}

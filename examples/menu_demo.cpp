// A small program on the Corvane engine: a menu with buttons and an own
// cursor over a turning, pulsing model with a particle fountain, and a
// sound on every click. It uses the engine's public header only.
//
// The pictures, the font, the model and the sound are written by the
// program itself into "example_data/" on start, so it runs from any
// directory. Run it plain for a window (Escape or the QUIT button ends
// it), or with "--ticks N" to end by itself after N game ticks of 20 ms
// (with "--shot" it also saves a screenshot just before).
#include <CorvaneEngine.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int kWidth = 640, kHeight = 480;

// ---------------------------------------------------------------- assets

// Writes an uncompressed 24-bit TGA the way the engine reads it: rows from
// the bottom of the picture up. pixel(x, y) gives RGB, y = 0 the top row.
template <class F>
void WriteTga(const char* path, int w, int h, F pixel) {
  std::vector<unsigned char> out(18, 0);
  out[2] = 2;
  out[12] = w & 255;
  out[13] = w >> 8;
  out[14] = h & 255;
  out[15] = h >> 8;
  out[16] = 24;
  for (int y = h - 1; y >= 0; y--)
    for (int x = 0; x < w; x++) {
      unsigned rgb = pixel(x, y);
      out.push_back(rgb & 255);          // blue
      out.push_back((rgb >> 8) & 255);   // green
      out.push_back((rgb >> 16) & 255);  // red
    }
  if (FILE* f = fopen(path, "wb")) {
    fwrite(out.data(), 1, out.size(), f);
    fclose(f);
  }
}

unsigned Rgb(int r, int g, int b) { return (r << 16) | (g << 8) | b; }

// A 3 x 5 pixel face for the letters, digits and a few signs the captions
// use: five rows of three dots, separated by '|'.
const char* Glyph(unsigned char c) {
  switch (c) {
    case 'A': return ".#.|#.#|###|#.#|#.#";
    case 'B': return "##.|#.#|##.|#.#|##.";
    case 'C': return ".##|#..|#..|#..|.##";
    case 'D': return "##.|#.#|#.#|#.#|##.";
    case 'E': return "###|#..|##.|#..|###";
    case 'F': return "###|#..|##.|#..|#..";
    case 'G': return ".##|#..|#.#|#.#|.##";
    case 'H': return "#.#|#.#|###|#.#|#.#";
    case 'I': return "###|.#.|.#.|.#.|###";
    case 'K': return "#.#|#.#|##.|#.#|#.#";
    case 'L': return "#..|#..|#..|#..|###";
    case 'M': return "#.#|###|###|#.#|#.#";
    case 'N': return "##.|#.#|#.#|#.#|#.#";
    case 'O': return ".#.|#.#|#.#|#.#|.#.";
    case 'P': return "##.|#.#|##.|#..|#..";
    case 'Q': return ".#.|#.#|#.#|##.|.##";
    case 'R': return "##.|#.#|##.|#.#|#.#";
    case 'S': return ".##|#..|.#.|..#|##.";
    case 'T': return "###|.#.|.#.|.#.|.#.";
    case 'U': return "#.#|#.#|#.#|#.#|###";
    case 'Y': return "#.#|#.#|.#.|.#.|.#.";
    case '0': return "###|#.#|#.#|#.#|###";
    case '1': return ".#.|##.|.#.|.#.|###";
    case '2': return "##.|..#|.#.|#..|###";
    case '3': return "##.|..#|.#.|..#|##.";
    case '-': return "...|...|###|...|...";
    case '!': return ".#.|.#.|.#.|...|.#.";
    default: return nullptr;
  }
}

// 256 x 256 font image, 16 x 16 cells; byte b is drawn from cell b - 1.
void WriteFont(const char* path) {
  WriteTga(path, 256, 256, [](int x, int y) {
    int cell = (y / 16) * 16 + x / 16;
    const char* g = Glyph(static_cast<unsigned char>(cell + 1));
    if (!g) return 0u;
    // 2 x 3 pixel dots: glyphs stay within the left half of their cell,
    // since the text advances by half a cell per character.
    int gx = (x % 16 - 1) / 2, gy = (y % 16 - 1) / 3;
    if (x % 16 < 1 || y % 16 < 1 || gx > 2 || gy > 4) return 0u;
    return g[gy * 4 + gx] == '#' ? Rgb(255, 255, 255) : 0u;
  });
}

// A four-sided pyramid of 5 vertices and 6 triangles, with two keyframes:
// the second one taller, so the model pulses as it blends between them.
void WriteModel(const char* path) {
  const int v = 5, t = 6, frames = 2;
  std::vector<unsigned char> out;
  auto i32 = [&](int n) { out.insert(out.end(), reinterpret_cast<unsigned char*>(&n),
                                     reinterpret_cast<unsigned char*>(&n) + 4); };
  auto f32 = [&](float f) { out.insert(out.end(), reinterpret_cast<unsigned char*>(&f),
                                       reinterpret_cast<unsigned char*>(&f) + 4); };
  i32(v);
  i32(t);
  i32(frames);
  for (int k = 0; k < frames; k++) {
    float top = k == 0 ? 1.0f : 1.8f;
    const float pos[5][3] = {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}, {0, top, 0}};
    for (const auto& p : pos) {
      f32(p[0]);
      f32(p[1]);
      f32(p[2]);
    }
  }
  const int tri[6][3] = {{0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}, {0, 2, 1}, {0, 3, 2}};
  for (const auto& tr : tri) {
    i32(tr[0]);
    i32(tr[1]);
    i32(tr[2]);
  }
  const float uv[5][2] = {{0, 1}, {1, 1}, {0, 1}, {1, 1}, {0.5f, 0}};
  for (const auto& c : uv) {
    f32(c[0]);
    f32(c[1]);
  }
  if (FILE* f = fopen(path, "wb")) {
    fwrite(out.data(), 1, out.size(), f);
    fclose(f);
  }
}

// A short falling beep, 16-bit mono PCM at 22050 Hz.
void WriteBeep(const char* path) {
  const int rate = 22050, n = rate / 8;
  std::vector<unsigned char> out;
  auto put = [&](unsigned v, int bytes) {
    for (int i = 0; i < bytes; i++) out.push_back((v >> (8 * i)) & 255);
  };
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  put(36 + n * 2, 4);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(16, 4);
  put(1, 2);
  put(1, 2);
  put(rate, 4);
  put(rate * 2, 4);
  put(2, 2);
  put(16, 2);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  put(n * 2, 4);
  for (int i = 0; i < n; i++) {
    double t = static_cast<double>(i) / rate;
    double s = sin(2 * M_PI * (880 - 1600 * t) * t) * (1.0 - static_cast<double>(i) / n);
    put(static_cast<unsigned>(static_cast<short>(s * 12000)) & 0xFFFF, 2);
  }
  if (FILE* f = fopen(path, "wb")) {
    fwrite(out.data(), 1, out.size(), f);
    fclose(f);
  }
}

void WriteAssets() {
  mkdir("example_data", 0755);
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
  WriteTga("example_data/cursor.tga", 16, 16, [](int x, int y) {
    return (x <= y && x + y / 2 < 14) ? Rgb(255, 255, 255) : 0u;
  });
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
int tickLimit = -1;  // -1: run until Escape or QUIT
bool shot = false;

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
  b.SetText(const_cast<char*>(caption));
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

  LoadDirectSound(&beep, const_cast<char*>("example_data/beep.wav"));

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
  _MENU[0].SetCursor(const_cast<char*>("example_data/cursor.tga"), 16, 16);
  ShowMenu(0);
}

void Process() {
  if (_keys[27]) QuiteEngine();
  ticks++;
  if (tickLimit >= 0) {
    if (shot && ticks == tickLimit - 1) MakeScreenShoot();
    if (ticks >= tickLimit) QuiteEngine();
  }
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
  for (int i = 1; i < argc; i++) {
    if (strcmp(argv[i], "--ticks") == 0 && i + 1 < argc) tickLimit = atoi(argv[++i]);
    if (strcmp(argv[i], "--shot") == 0) shot = true;
  }
  StartEngine(nullptr, nullptr, nullptr, 0, Process, Init, Render, false, false, kWidth, kHeight,
              "Corvane example");
  printf("example ran %d ticks\n", ticks);
  return ticks > 0 ? 0 : 1;
}

// A turning keyframe-blended model with particles on the Corvane engine:
// a crystal that swells and shrinks as the engine blends its two
// keyframes, turning about its axis, with blue sparks spiralling up
// around it. It uses the engine's public header only.
#include "example_assets.h"

using namespace example;

namespace {

const int kWidth = 640, kHeight = 480;

Options options;
int ticks = 0;
TModel crystal;
TParticlesSystem sparks;

// An eight-sided double pyramid of 6 vertices and 8 triangles in two
// keyframes: slim, then wide. Texture rows: v = 0 is the image's top.
void WriteCrystal(const char* path) {
  std::vector<float> pos;
  for (float r : {0.7f, 1.2f})
    pos.insert(pos.end(), {0, 1.6f, 0, r, 0, 0, 0, 0, r, -r, 0, 0, 0, 0, -r, 0, -1.6f, 0});
  WriteMdl(path, 6, 2, pos,
           {0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 1, 5, 2, 1, 5, 3, 2, 5, 4, 3, 5, 1, 4},
           {0.5f, 0, 0, 0.5f, 1, 0.5f, 0, 0.5f, 1, 0.5f, 0.5f, 1});
}

void Init() {
  MakeDataDir();
  WriteCrystal("example_data/crystal.mdl");
  WriteTga("example_data/crystal.tga", 32, 32, [](int x, int y) {
    return ((x / 8 + y / 8) & 1) ? Rgb(200, 40, 160) : Rgb(250, 140, 220);
  });
  WriteTga("example_data/spark.tga", 32, 32, [](int x, int y) {
    double d = std::hypot(x - 15.5, y - 15.5) / 16.0;
    int v = d >= 1 ? 0 : static_cast<int>(255 * (1 - d) * (1 - d));
    return Rgb(v, v, v);
  });
  crystal.Load("example_data/crystal.mdl", LoadTexture("example_data/crystal.tga"));
  crystal.InitModel(1.6f, 0, 0, 0, 0, 0, 0);
  crystal.SetAnimation(0, 1, 0.03f);  // blends slim -> wide -> slim

  SParticle3D spark = SParticle3D();
  spark.size = 0.3f;
  spark.color[0] = 0.3f;
  spark.color[1] = 0.6f;
  spark.color[2] = 1.0f;
  spark.color[3] = 1.0f;
  spark.colorDelta[3] = -0.012f;
  spark.sizeDelta = -0.002f;
  spark.life = 80;
  sparks.Init(spark);
  sparks.SetTexture(LoadTexture("example_data/spark.tga"));
}

void Process() {
  EndOfTick(options, ++ticks);
  crystal.rotY += 3.0f;
  crystal.ProcessAnimation();
  // Two sparks a tick leave a point turning around the crystal.
  for (int i = 0; i < 2; i++) {
    SParticle3D p = sparks.templateParticle;
    double a = ticks * 0.15 + i * 3.14159;
    p.x = static_cast<float>(2.6 * std::cos(a));
    p.z = static_cast<float>(2.6 * std::sin(a));
    p.y = -1.5f;
    p.velocity[1] = 0.04f;
    sparks.Add(p);
  }
  sparks.Process();
}

void Render() {
  SetCamera(0, 2, 9, 0, 0, 0);
  Begin3D();
  crystal.DrawAnimation();
  End3D();
  sparks.Draw();
}

}  // namespace

int main(int argc, char** argv) {
  options = ReadOptions(argc, argv);
  StartEngine(nullptr, nullptr, nullptr, 0, Process, Init, Render, false, false, kWidth, kHeight,
              "Corvane model example");
  printf("model example ran %d ticks\n", ticks);
  return ticks > 0 ? 0 : 1;
}

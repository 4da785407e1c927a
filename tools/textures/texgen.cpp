// Texture painter: the nine wall textures, the scrolling background, the
// particle sprites and the HUD's status panel and key icons.
//
//   texgen DATA_DIR
//
// Wall textures tile in both directions (the walls repeat them three times
// along their depth). Particle sprites are soft discs on black, because
// particles are drawn additively. Key icons use mid grey (128, 128, 128)
// as their transparent colour.
#include <cmath>
#include <string>

#include "AssetIO.h"

using namespace assets;

namespace {

const float kPi = 3.14159265f;

// Value noise on a lattice that wraps every `period` cells, so a texture
// built from it tiles.
struct TileNoise {
  int period;
  std::vector<float> v;
  TileNoise(int p, uint32_t seed) : period(p), v((size_t)p * p) {
    Rng r(seed);
    for (float& x : v) x = r.Unit();
  }
  float Lattice(int x, int y) const {
    x = ((x % period) + period) % period;
    y = ((y % period) + period) % period;
    return v[(size_t)y * period + x];
  }
  // u, v in lattice cells.
  float At(float u, float w) const {
    int x0 = (int)std::floor(u), y0 = (int)std::floor(w);
    float fx = u - x0, fy = w - y0;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    float a = Mix(Lattice(x0, y0), Lattice(x0 + 1, y0), fx);
    float b = Mix(Lattice(x0, y0 + 1), Lattice(x0 + 1, y0 + 1), fx);
    return Mix(a, b, fy);
  }
};

// Fractal noise over a square texture of `size` pixels that tiles.
float Fbm(const TileNoise* layers, int count, int size, int x, int y) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < count; ++i) {
    float cells = (float)layers[i].period;
    sum += amp * layers[i].At(x * cells / size, y * cells / size);
    norm += amp;
    amp *= 0.5f;
  }
  return sum / norm;
}

struct Grain {
  TileNoise l[4];
  explicit Grain(uint32_t seed)
      : l{TileNoise(4, seed), TileNoise(8, seed + 1), TileNoise(16, seed + 2),
          TileNoise(32, seed + 3)} {}
  float At(int size, int x, int y) const { return Fbm(l, 4, size, x, y); }
};

const int kWall = 128;

// Bricks in running bond: rows of `rows` courses, `cols` bricks a row.
void Bricks(Image& img, int rows, int cols, const float base[3], const float mortar[3],
            uint32_t seed) {
  Grain g(seed);
  Rng r(seed * 7 + 3);
  std::vector<float> tint((size_t)rows * cols * 2);
  for (float& t : tint) t = r.Signed() * 0.08f;
  int bh = kWall / rows, bw = kWall / cols;
  for (int y = 0; y < kWall; ++y)
    for (int x = 0; x < kWall; ++x) {
      int row = y / bh;
      int shift = (row % 2) * bw / 2;
      int xs = (x + shift) % kWall;
      int col = xs / bw;
      int lx = xs % bw, ly = y % bh;
      float n = g.At(kWall, x, y);
      bool joint = lx < 2 || ly < 2;
      float t = tint[(size_t)row * cols + col];
      const float* c = joint ? mortar : base;
      float k = joint ? 0.85f + 0.3f * n : 0.75f + 0.5f * n + t;
      // A lit upper edge and a shaded lower edge give each brick some depth.
      if (!joint && ly == 2) k *= 1.18f;
      if (!joint && ly == bh - 1) k *= 0.8f;
      img.Set(x, y, c[0] * k, c[1] * k, c[2] * k);
    }
}

// Panels with bolts and seams, the base of the metal textures.
void Panels(Image& img, int cells, const float base[3], float rust, uint32_t seed) {
  Grain g(seed);
  TileNoise spots(8, seed + 11);
  int cs = kWall / cells;
  for (int y = 0; y < kWall; ++y)
    for (int x = 0; x < kWall; ++x) {
      int lx = x % cs, ly = y % cs;
      float n = g.At(kWall, x, y);
      float k = 0.8f + 0.35f * n;
      float r = base[0] * k, gg = base[1] * k, b = base[2] * k;
      float rs = Smooth(0.55f, 0.8f, spots.At(x * 8.0f / kWall, y * 8.0f / kWall)) * rust;
      r = Mix(r, 0.45f * k, rs);
      gg = Mix(gg, 0.22f * k, rs);
      b = Mix(b, 0.1f * k, rs);
      if (lx == 0 || ly == 0) {
        r *= 0.45f;
        gg *= 0.45f;
        b *= 0.45f;
      } else if (lx == 1 || ly == 1) {
        r *= 1.25f;
        gg *= 1.25f;
        b *= 1.25f;
      }
      int bx = lx < cs / 2 ? 5 : cs - 6, by = ly < cs / 2 ? 5 : cs - 6;
      float d = std::hypot((float)(lx - bx), (float)(ly - by));
      if (d < 2.2f) {
        float s = 1.4f - 0.25f * d;
        r *= s;
        gg *= s;
        b *= s;
      }
      img.Set(x, y, r, gg, b);
    }
}

// A diamond tread raised over a steel plate.
void Tread(Image& img) {
  for (int y = 0; y < kWall; ++y)
    for (int x = 0; x < kWall; ++x) {
      int u = (x + y) % 16, v = (x - y + kWall) % 16;
      if ((u < 3 && v > 4 && v < 12) || (v < 3 && u > 4 && u < 12)) {
        float* p = img.At(x, y);
        for (int i = 0; i < 3; ++i) p[i] = Clamp01(p[i] * 1.3f);
      }
    }
}

// Status lights and vent slots on a 4 x 4 grid of machinery panels.
void StatusLights(Image& img) {
  for (int cy = 0; cy < 4; ++cy)
    for (int cx = 0; cx < 4; ++cx) {
      float lr = (cx + cy) % 3 == 0 ? 1.0f : 0.2f, lg = (cx + cy) % 3 == 1 ? 1.0f : 0.8f;
      int x0 = cx * 32 + 20, y0 = cy * 32 + 22;
      img.Rect(x0, y0, x0 + 6, y0 + 3, lr, lg, 0.25f);
      img.Rect(cx * 32 + 6, cy * 32 + 8, cx * 32 + 26, cy * 32 + 10, 0.15f, 0.18f, 0.22f);
      img.Rect(cx * 32 + 6, cy * 32 + 13, cx * 32 + 20, cy * 32 + 15, 0.15f, 0.18f, 0.22f);
    }
}

// A door of the key's colour (0 blue, 1 red, 2 yellow) with grey bands and
// a chevron; `seed` keeps each door's grain its own.
void Door(Image& img, int colour, int seed) {
  const float colours[3][3] = {{0.15f, 0.3f, 0.85f}, {0.8f, 0.12f, 0.1f}, {0.9f, 0.75f, 0.1f}};
  const float* c = colours[colour];
  Grain g(seed);
  for (int y = 0; y < kWall; ++y)
    for (int x = 0; x < kWall; ++x) {
      float n = g.At(kWall, x, y);
      float k = 0.75f + 0.35f * n;
      bool band = (y % 32) < 6;
      bool rim = (y % 32) == 6 || (y % 32) == 31;
      float r = c[0] * k, gg = c[1] * k, b = c[2] * k;
      if (band) {
        r = g.At(kWall, y, x) * 0.2f + 0.25f;
        gg = r;
        b = r * 1.05f;
      }
      if (rim) {
        r *= 0.5f;
        gg *= 0.5f;
        b *= 0.5f;
      }
      // A chevron down the middle of each band segment shows the colour twice.
      int m = (x + (y % 32)) % 32;
      if (!band && m < 4) {
        r *= 1.3f;
        gg *= 1.3f;
        b *= 1.3f;
      }
      img.Set(x, y, r, gg, b);
    }
}

// Yellow and black hazard stripes on a steel block with a grey frame.
void HazardStripes(Image& img) {
  Grain g(900);
  for (int y = 0; y < kWall; ++y)
    for (int x = 0; x < kWall; ++x) {
      float n = g.At(kWall, x, y);
      float k = 0.8f + 0.3f * n;
      bool yellow = ((x + y) / 16) % 2 == 0;
      bool edge = x % 64 < 3 || y % 64 < 3;
      if (edge)
        img.Set(x, y, 0.3f * k, 0.3f * k, 0.32f * k);
      else if (yellow)
        img.Set(x, y, 0.95f * k, 0.75f * k, 0.08f * k);
      else
        img.Set(x, y, 0.1f * k, 0.1f * k, 0.1f * k);
    }
}

Image Wall(int index) {
  Image img(kWall, kWall);
  switch (index) {
    case 0: {  // grey concrete bricks
      const float base[3] = {0.56f, 0.54f, 0.5f}, mortar[3] = {0.3f, 0.29f, 0.27f};
      Bricks(img, 8, 4, base, mortar, 100);
      break;
    }
    case 1: {  // steel floor plate with a diamond tread
      const float base[3] = {0.5f, 0.53f, 0.56f};
      Panels(img, 2, base, 0.15f, 200);
      Tread(img);
      break;
    }
    case 2: {  // rusted iron panels
      const float base[3] = {0.42f, 0.3f, 0.24f};
      Panels(img, 2, base, 0.8f, 300);
      break;
    }
    case 3: {  // large sandstone blocks
      const float base[3] = {0.66f, 0.55f, 0.4f}, mortar[3] = {0.35f, 0.28f, 0.2f};
      Bricks(img, 4, 2, base, mortar, 400);
      break;
    }
    case 4: {  // blue-grey machinery panel with status lights
      const float base[3] = {0.3f, 0.36f, 0.44f};
      Panels(img, 4, base, 0.0f, 500);
      StatusLights(img);
      break;
    }
    case 5:
    case 6:
    case 7:  // doors: blue, red, yellow, with bands and a key slot
      Door(img, index - 5, 600 + index);
      break;
    case 8:  // hazard stripes on a steel block
      HazardStripes(img);
      break;
  }
  return img;
}

// Dusk sky over a ruined industrial skyline, 1536 x 768.
Image Background() {
  const int W = 1536, H = 768;
  Image img(W, H);
  TileNoise clouds(16, 31), fine(64, 32);
  Rng r(77);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float t = (float)y / H;
      float cr = Mix(0.08f, 0.85f, t * t), cg = Mix(0.05f, 0.38f, t * t), cb = Mix(0.2f, 0.25f, t);
      // Long, soft bands of cloud: stretched along x, three octaves.
      float n = clouds.At(x * 16.0f / W * 1.5f, y * 16.0f / W * 5) * 0.6f +
                clouds.At(x * 16.0f / W * 3 + 5, y * 16.0f / W * 10) * 0.25f +
                fine.At(x * 64.0f / W * 1.5f, y * 64.0f / W * 3) * 0.15f;
      float c = Smooth(0.45f, 0.85f, n) * (1 - t) * 0.45f;
      img.Set(x, y, Mix(cr, 0.55f, c), Mix(cg, 0.35f, c), Mix(cb, 0.42f, c));
    }
  // Stars in the dark upper sky.
  for (int i = 0; i < 500; ++i) {
    int x = (int)(r.Unit() * W), y = (int)(r.Unit() * H * 0.4f);
    float b = 0.4f + 0.6f * r.Unit();
    img.Blend(x, y, 1, 1, 0.95f, b * (1 - (float)y / (H * 0.4f)));
  }
  // A large pale moon.
  for (int y = 0; y < 340; ++y)
    for (int x = 970; x < 1330; ++x) {
      float d = std::hypot(x - 1150.0f, y - 160.0f);
      float a = Clamp01((90 - d) / 2.0f);
      float crater = 0.7f * Smooth(0.45f, 0.7f, clouds.At(x * 0.04f, y * 0.04f)) +
                     0.3f * fine.At(x * 0.12f, y * 0.12f);
      img.Blend(x, y, 0.95f - crater * 0.2f, 0.9f - crater * 0.2f, 0.8f - crater * 0.2f, a);
      float glow = Clamp01(1 - (d - 90) / 80) * Clamp01(1 - (d - 90) / 80) * 0.25f;
      if (d > 90) img.Blend(x, y, 1, 0.8f, 0.6f, glow);
    }
  // Two layers of skyline: far hills and near factory silhouettes.
  std::vector<int> hills(W), town(W, H);
  for (int x = 0; x < W; ++x)
    hills[x] =
        (int)(H * 0.62f - 60 * clouds.At(x * 16.0f / W, 3.5f) - 30 * fine.At(x * 64.0f / W, 7.5f));
  int x = 0;
  while (x < W) {
    int w = 30 + (int)(r.Unit() * 90), h = 60 + (int)(r.Unit() * 180);
    for (int i = x; i < x + w && i < W; ++i) town[i] = H - h;
    if (r.Unit() < 0.35f) {  // a chimney
      int cx = x + w / 3, ch = h + 80 + (int)(r.Unit() * 120);
      for (int i = cx; i < cx + 10 && i < W; ++i) town[i] = H - ch;
    }
    x += w;
  }
  for (int y = 0; y < H; ++y)
    for (int i = 0; i < W; ++i) {
      if (y >= hills[i]) img.Set(i, y, 0.2f, 0.1f, 0.14f);
      if (y >= town[i]) {
        bool window = (i / 6) % 3 == 0 && (y / 9) % 3 == 0 && fine.At(i * 0.2f, y * 0.2f) > 0.62f;
        if (window)
          img.Set(i, y, 0.95f, 0.7f, 0.3f);
        else
          img.Set(i, y, 0.07f, 0.05f, 0.07f);
      }
    }
  return img;
}

// Soft round sprites on black; `kind` 0 blood, 1 spark, 2 plasma.
Image Particle(int kind) {
  const int S = 64;
  Image img(S, S);
  TileNoise n(8, 40 + kind);
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      float dx = (x + 0.5f - S / 2.0f) / (S / 2.0f), dy = (y + 0.5f - S / 2.0f) / (S / 2.0f);
      float d = std::sqrt(dx * dx + dy * dy);
      float v = 0;
      if (kind == 0) {
        float wobble = 0.85f + 0.2f * n.At(std::atan2(dy, dx) * 8 / (2 * kPi) + 8, 0.5f);
        v = 1 - Smooth(0.3f * wobble, 0.95f * wobble, d);
        img.Set(x, y, v, v * 0.9f, v * 0.9f);
      } else if (kind == 1) {
        v = std::exp(-d * d * 9.0f);
        float rays = std::pow(std::fabs(std::cos(std::atan2(dy, dx) * 2)), 16.0f) *
                     (1 - Smooth(0.0f, 0.9f, d));
        float s = Clamp01(v + rays * 0.6f);
        img.Set(x, y, s, s * 0.92f, s * 0.6f);
      } else {
        float core = std::exp(-d * d * 6.0f);
        float ring = std::exp(-(d - 0.55f) * (d - 0.55f) * 60.0f) * 0.5f;
        float s = Clamp01(core + ring) * (1 - Smooth(0.85f, 1.0f, d));
        img.Set(x, y, s * 0.55f, s * 0.75f, s);
      }
    }
  return img;
}

// The status panel is drawn 384 x 96 at the bottom left; painted at 4/3 of
// that so the recess for the health bar sits under the bar.
Image StatusPanel() {
  const int W = 512, H = 128;
  const float k = W / 384.0f;
  Image img(W, H);
  Grain g(1200);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float n = g.At(128, x % 128, y % 128);
      float v = 0.2f + 0.1f * n;
      img.Set(x, y, v, v * 1.05f, v * 1.15f);
    }
  auto bevel = [&](int x0, int y0, int x1, int y1, bool sunk) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        bool hi = (x - x0 < 3 || y - y0 < 3), lo = (x1 - 1 - x < 3 || y1 - 1 - y < 3);
        float* p = img.At(x, y);
        float m = 1.0f;
        if (hi && !lo)
          m = sunk ? 0.5f : 1.6f;
        else if (lo)
          m = sunk ? 1.5f : 0.55f;
        else if (sunk)
          m = 0.45f;
        for (int i = 0; i < 3; ++i) p[i] = Clamp01(p[i] * m);
      }
  };
  bevel(0, 0, W, H, false);
  bevel((int)(16 * k), (int)(13 * k), (int)(324 * k), (int)(39 * k), true);  // health bar
  bevel((int)(14 * k), (int)(40 * k), (int)(370 * k), (int)(68 * k), true);  // ammo and slots
  bevel((int)(26 * k), (int)(69 * k), (int)(128 * k), (int)(96 * k), true);  // key cards
  // Rivets along the top edge.
  for (int i = 0; i < 12; ++i) {
    int cx = (int)((20 + i * 31) * k), cy = (int)(5 * k);
    for (int y = cy - 3; y <= cy + 3; ++y)
      for (int x = cx - 3; x <= cx + 3; ++x)
        if (std::hypot((float)(x - cx), (float)(y - cy)) < 3.2f) img.Set(x, y, 0.55f, 0.57f, 0.6f);
  }
  return img;
}

// Key card icon, 32 x 32: a coloured card with a stripe and a chip on the
// transparent mid-grey background.
Image KeyIcon(float r, float g, float b) {
  const int S = 32;
  Image img(S, S);
  img.Fill(128 / 255.0f, 128 / 255.0f, 128 / 255.0f);
  for (int y = 3; y < 29; ++y)
    for (int x = 5; x < 27; ++x) {
      bool corner = (x < 7 || x > 24) && (y < 5 || y > 26);
      if (corner) continue;
      bool border = x == 5 || x == 26 || y == 3 || y == 28;
      float m = border ? 0.5f : 1.0f;
      if (y >= 8 && y < 11) m = 0.25f;  // magnetic stripe
      img.Set(x, y, Clamp01(r * m), Clamp01(g * m), Clamp01(b * m));
    }
  img.Rect(9, 15, 16, 21, 0.9f, 0.8f, 0.35f);     // chip
  img.Rect(18, 16, 24, 18, 0.95f, 0.95f, 0.95f);  // label
  img.Rect(18, 20, 23, 22, 0.95f, 0.95f, 0.95f);
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: texgen DATA_DIR\n");
    return 2;
  }
  std::string d = argv[1];
  for (int i = 0; i < 9; ++i)
    WriteTga(d + "/textures/" + std::to_string(i) + ".tga", Wall(i), i % 2 == 1);
  WriteTga(d + "/textures/BACK.tga", Background(), true);
  WriteTga(d + "/particles/blood.tga", Particle(0), true);
  WriteTga(d + "/particles/spark.tga", Particle(1), false);
  WriteTga(d + "/particles/plasma.tga", Particle(2), true);
  WriteTga(d + "/UI/status.tga", StatusPanel(), false);
  WriteTga(d + "/UI/key0.tga", KeyIcon(0.2f, 0.35f, 1.0f), true);  // blue
  WriteTga(d + "/UI/key1.tga", KeyIcon(1.0f, 0.85f, 0.1f), true);  // yellow
  WriteTga(d + "/UI/key2.tga", KeyIcon(1.0f, 0.15f, 0.1f), true);  // red
  return 0;
}

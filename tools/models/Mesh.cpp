// The model tool's building blocks: solids added to a keyframed mesh,
// swatch skins, and the .mdl writer.
#include "Mesh.h"

#include <cstdio>
#include <cstdlib>

using namespace assets;

namespace mdl {

namespace {
const float kDeg = 3.14159265f / 180.0f;
}

Vec3 RotY(Vec3 v, float deg) {
  float c = std::cos(deg * kDeg), s = std::sin(deg * kDeg);
  return {c * v.x + s * v.z, v.y, -s * v.x + c * v.z};
}
Vec3 RotZ(Vec3 v, float deg) {
  float c = std::cos(deg * kDeg), s = std::sin(deg * kDeg);
  return {c * v.x - s * v.y, s * v.x + c * v.y, v.z};
}
Vec3 RotX(Vec3 v, float deg) {
  float c = std::cos(deg * kDeg), s = std::sin(deg * kDeg);
  return {v.x, c * v.y - s * v.z, s * v.y + c * v.z};
}

Frame Limb(Vec3 a, Vec3 b, float wx, float wy, Vec3 side) {
  Vec3 z = (b - a) * 0.5f;
  Vec3 d = Norm(z);
  Vec3 y = side - d * Dot(side, d);
  if (Len(y) < 1e-4f) y = Cross(d, Vec3(1, 0, 0));
  y = Norm(y);
  Vec3 x = Norm(Cross(y, d));
  return {(a + b) * 0.5f, x * wx, y * wy, z};
}

Frame Axis(Vec3 c, Vec3 h) { return {c, {h.x, 0, 0}, {0, h.y, 0}, {0, 0, h.z}}; }

// ---------------------------------------------------------------- skin

void Skin::Uv(int m, float u, float v, float* s, float* t) const {
  int cell = size_ / perRow_;
  int cx = (m % perRow_) * cell, cy = (m / perRow_) * cell;
  // Two pixels of margin keep filtering inside the swatch.
  float px = cx + 2 + u * (cell - 4), py = cy + 2 + (1 - v) * (cell - 4);
  *s = px / size_;
  *t = 1 - py / size_;
}

namespace {

float Hash(int x, int y, uint32_t seed) {
  uint32_t h = (uint32_t)x * 374761393u + (uint32_t)y * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

float Noise(float x, float y, uint32_t seed) {
  int x0 = (int)std::floor(x), y0 = (int)std::floor(y);
  float fx = x - x0, fy = y - y0;
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  return Mix(Mix(Hash(x0, y0, seed), Hash(x0 + 1, y0, seed), fx),
             Mix(Hash(x0, y0 + 1, seed), Hash(x0 + 1, y0 + 1, seed), fx), fy);
}

// A swatch pixel being painted: its colour and a brightness factor that
// multiplies it at the end.
struct Pixel {
  float r, g, b, k;
  void Dark(float f) {
    r *= f;
    g *= f;
    b *= f;
  }
  void Set(float rr, float gg, float bb) {
    r = rr;
    g = gg;
    b = bb;
  }
};

// Worn surfaces, whose grain, weave, plates or panels vary the brightness.
// `n` is the swatch's noise at (u, v). False for any other pattern.
bool ShadeSurface(Pattern pattern, float u, float v, float n, uint32_t seed, Pixel& px) {
  switch (pattern) {
    case Pattern::Plain: return true;
    case Pattern::Metal:
      px.k = 0.8f + 0.25f * Noise(u * 40, v * 2, seed) + 0.15f * n;
      if (u < 0.06f || v < 0.06f || u > 0.94f || v > 0.94f) px.k *= 1.25f;
      return true;
    case Pattern::Gun:
      px.k = 0.8f + 0.2f * Noise(u * 30, v * 3, seed);
      if (std::fmod(u * 6, 1.0f) < 0.08f) px.k *= 0.6f;
      return true;
    case Pattern::Cloth:
      px.k = 0.8f + 0.2f * n + 0.1f * (std::fmod((u + v) * 40, 2.0f) < 1 ? 1 : -1);
      return true;
    case Pattern::Camo: {
      float c = Noise(u * 4, v * 4, seed + 3);
      if (c > 0.62f)
        px.Dark(0.6f);
      else if (c < 0.35f) {
        px.r = px.r * 0.8f + 0.1f;
        px.g = px.g * 0.9f + 0.08f;
      }
      return true;
    }
    case Pattern::Skin: px.k = 0.85f + 0.25f * n; return true;
    case Pattern::Chitin: {
      float plates = std::fmod(v * 5 + 0.2f * Noise(u * 6, v * 3, seed), 1.0f);
      px.k = 0.7f + 0.4f * n;
      if (plates < 0.12f) px.k *= 0.5f;
      return true;
    }
    case Pattern::Wood: {
      float plank = std::fmod(v * 4, 1.0f);
      px.k = 0.75f + 0.2f * Noise(u * 3, v * 40, seed) + 0.1f * n;
      if (plank < 0.06f) px.k *= 0.5f;
      if (u < 0.08f || u > 0.92f) px.Set(0.35f, 0.3f, 0.25f), px.k = 0.9f + 0.2f * n;
      return true;
    }
    case Pattern::Brass: px.k = 0.8f + 0.4f * std::fabs(std::sin(u * 9.4f)); return true;
    default: return false;
  }
}

// Faces: visors, eyes and teeth of the helmets and the creatures. False
// for any other pattern.
bool ShadeFace(Pattern pattern, float u, float v, float n, Pixel& px) {
  switch (pattern) {
    case Pattern::Visor:  // front of a helmet: a glowing visor band
      if (v > 0.35f && v < 0.62f && u > 0.1f && u < 0.9f)
        px.Set(0.3f, 0.9f, 1.0f), px.k = 0.8f + 0.2f * v;
      return true;
    case Pattern::HelmetSide:  // side of a helmet: the visor wraps round the front edge
      if (v > 0.35f && v < 0.62f && u > 0.7f) px.Set(0.3f, 0.9f, 1.0f), px.k = 1.0f;
      if (std::hypot(u - 0.4f, v - 0.45f) < 0.12f) px.Dark(0.5f);
      return true;
    case Pattern::DemonFace:
    case Pattern::DemonSide: {
      bool side = pattern == Pattern::DemonSide;
      float ex = side ? 0.82f : 0.3f;
      if (std::hypot(u - ex, v - 0.62f) < 0.09f ||
          (!side && std::hypot(u - 0.7f, v - 0.62f) < 0.09f))
        px.Set(1.0f, 0.85f, 0.1f), px.k = 1.1f;
      if (v < 0.3f && v > 0.12f && (side ? u > 0.6f : true)) {
        bool tooth = std::fmod(u * 8, 1.0f) < 0.5f;
        if (tooth)
          px.Set(0.95f, 0.9f, 0.75f);
        else
          px.Set(0.2f, 0.02f, 0.02f);
      }
      return true;
    }
    case Pattern::SpiderEyes: {
      const float eyes[4][2] = {{0.3f, 0.6f}, {0.7f, 0.6f}, {0.4f, 0.35f}, {0.6f, 0.35f}};
      for (auto& e : eyes)
        if (std::hypot(u - e[0], v - e[1]) < 0.1f) px.Set(0.9f, 0.1f, 0.05f), px.k = 1.2f;
      return true;
    }
    case Pattern::MutantFace:
      if (std::hypot(u - 0.75f, v - 0.6f) < 0.08f) px.Set(0.8f, 1.0f, 0.2f), px.k = 1.2f;
      if (v < 0.28f && u > 0.5f) px.Set(0.3f, 0.05f, 0.05f);
      if (std::fmod(u * 10 + n, 1.0f) < 0.1f) px.Dark(0.8f);
      return true;
    case Pattern::Teeth:
      if (std::fmod(u * 6, 1.0f) < 0.6f) px.Set(0.95f, 0.92f, 0.8f);
      return true;
    default: return false;
  }
}

// Printed markings of the pickups, and the muzzle flash.
void ShadeMarking(Pattern pattern, float u, float v, Pixel& px) {
  switch (pattern) {
    case Pattern::Flash: {
      float d = std::hypot(u - 0.5f, v - 0.5f) * 2;
      float a = Clamp01(1 - d);
      px.Set(1.0f, 0.9f * a + 0.5f, 0.3f * a + 0.1f);
      px.k = 0.7f + 0.5f * a;
      break;
    }
    case Pattern::Cross: {
      bool cross = (std::fabs(u - 0.5f) < 0.12f && std::fabs(v - 0.5f) < 0.32f) ||
                   (std::fabs(v - 0.5f) < 0.12f && std::fabs(u - 0.5f) < 0.32f);
      if (cross) px.Set(0.9f, 0.08f, 0.08f);
      break;
    }
    case Pattern::Stripes:
      if (std::fmod((u + v) * 4, 1.0f) < 0.5f) px.Set(0.1f, 0.1f, 0.1f);
      break;
    case Pattern::Card:
      if (v > 0.72f && v < 0.82f) px.Set(0.1f, 0.1f, 0.1f);
      if (u > 0.15f && u < 0.4f && v > 0.3f && v < 0.55f) px.Set(0.9f, 0.8f, 0.35f);
      if (u > 0.5f && u < 0.85f && ((v > 0.45f && v < 0.5f) || (v > 0.35f && v < 0.4f)))
        px.Set(0.95f, 0.95f, 0.95f);
      break;
    case Pattern::Rocket:
      if (v > 0.8f)
        px.Set(0.85f, 0.1f, 0.05f);
      else if (v < 0.12f)
        px.Set(0.2f, 0.2f, 0.2f);
      break;
    default: break;
  }
}

// Paints one swatch; (u, v) in 0..1 with v = 1 at the top.
void Shade(const Material& m, float u, float v, uint32_t seed, float* out) {
  float n = 0.6f * Noise(u * 8, v * 8, seed) + 0.4f * Noise(u * 24, v * 24, seed + 9);
  Pixel px{m.r, m.g, m.b, 0.85f + 0.3f * n};
  if (!ShadeSurface(m.pattern, u, v, n, seed, px) && !ShadeFace(m.pattern, u, v, n, px))
    ShadeMarking(m.pattern, u, v, px);
  out[0] = Clamp01(px.r * px.k);
  out[1] = Clamp01(px.g * px.k);
  out[2] = Clamp01(px.b * px.k);
}

}  // namespace

Image Skin::Paint(uint32_t seed) const {
  Image img(size_, size_);
  int cell = size_ / perRow_;
  for (int i = 0; i < (int)mats_.size(); ++i) {
    int cx = (i % perRow_) * cell, cy = (i / perRow_) * cell;
    for (int y = 0; y < cell; ++y)
      for (int x = 0; x < cell; ++x) {
        float u = Clamp01((x - 2 + 0.5f) / (cell - 4)),
              v = 1 - Clamp01((y - 2 + 0.5f) / (cell - 4));
        float c[3];
        Shade(mats_[i], u, v, seed + (uint32_t)i * 31, c);
        img.Set(cx + x, cy + y, c[0], c[1], c[2]);
      }
  }
  return img;
}

// ---------------------------------------------------------------- mesh

void Model::BeginFrame() { pos_.emplace_back(); }

void Model::EndFrame() {
  if (pos_.size() > 1 && pos_.back().size() != pos_[0].size()) {
    std::fprintf(stderr, "keyframe %d has %d vertices, keyframe 0 has %d\n", (int)pos_.size() - 1,
                 (int)pos_.back().size(), (int)pos_[0].size());
    std::exit(1);
  }
}

void Model::Emit(const std::vector<Vec3>& v, const std::vector<int>& tris,
                 const std::vector<float>& uv) {
  std::vector<Vec3>& cur = pos_.back();
  if (pos_.size() == 1) {
    int base = (int)cur.size();
    for (int t : tris) tris_.push_back(base + t);
    uv_.insert(uv_.end(), uv.begin(), uv.end());
  }
  cur.insert(cur.end(), v.begin(), v.end());
}

void Model::Hexa(const Vec3 c[8], const int mats[6]) {
  // Each face: the four corners in (u, v) order (0,0) (1,0) (1,1) (0,1).
  static const int faces[6][4] = {
      {1, 3, 7, 5},  // +x: u along y, v along z
      {0, 2, 6, 4},  // -x
      {2, 3, 7, 6},  // +y: u along x, v along z
      {0, 1, 5, 4},  // -y
      {4, 5, 7, 6},  // +z: u along x, v along y
      {0, 1, 3, 2},  // -z
  };
  static const float cu[4] = {0, 1, 1, 0}, cv[4] = {0, 0, 1, 1};
  std::vector<Vec3> v;
  std::vector<int> t;
  std::vector<float> uv;
  for (int f = 0; f < 6; ++f) {
    int base = (int)v.size();
    for (int k = 0; k < 4; ++k) {
      v.push_back(c[faces[f][k]]);
      float s, tt;
      skin_->Uv(mats[f], cu[k], cv[k], &s, &tt);
      uv.push_back(s);
      uv.push_back(tt);
    }
    t.insert(t.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
  }
  Emit(v, t, uv);
}

void Model::Box(const Frame& f, int mat, int front) {
  Vec3 c[8];
  for (int i = 0; i < 8; ++i)
    c[i] =
        f.o + f.x * (i & 1 ? 1.f : -1.f) + f.y * (i & 2 ? 1.f : -1.f) + f.z * (i & 4 ? 1.f : -1.f);
  int mats[6] = {front >= 0 ? front : mat, mat, mat, mat, mat, mat};
  Hexa(c, mats);
}

void Model::Taper(Vec3 a, Vec3 b, float wa, float wb, int mat, Vec3 side) {
  Frame f = Limb(a, b, 1, 1, side);
  Vec3 c[8];
  for (int i = 0; i < 8; ++i) {
    float w = i & 4 ? wb : wa;
    Vec3 end = i & 4 ? b : a;
    c[i] = end + f.x * ((i & 1 ? 1.f : -1.f) * w) + f.y * ((i & 2 ? 1.f : -1.f) * w);
  }
  int mats[6] = {mat, mat, mat, mat, mat, mat};
  Hexa(c, mats);
}

void Model::Ellipsoid(const Frame& f, int rings, int segs, int mat) {
  std::vector<Vec3> v;
  std::vector<int> t;
  std::vector<float> uv;
  for (int r = 0; r <= rings; ++r) {
    float lat = -90 + 180.0f * r / rings;
    float cl = std::cos(lat * kDeg), sl = std::sin(lat * kDeg);
    for (int s = 0; s <= segs; ++s) {
      float lon = 360.0f * s / segs;
      float cx = std::cos(lon * kDeg) * cl, cy = std::sin(lon * kDeg) * cl;
      v.push_back(f.o + f.x * cx + f.y * cy + f.z * sl);
      float su, tv;
      skin_->Uv(mat, (float)s / segs, (float)r / rings, &su, &tv);
      uv.push_back(su);
      uv.push_back(tv);
    }
  }
  for (int r = 0; r < rings; ++r)
    for (int s = 0; s < segs; ++s) {
      int a = r * (segs + 1) + s, b = a + segs + 1;
      t.insert(t.end(), {a, a + 1, b + 1, a, b + 1, b});
    }
  Emit(v, t, uv);
}

void Model::Cylinder(Vec3 a, Vec3 b, float r, int sides, int mat) {
  Frame f = Limb(a, b, r, r);
  std::vector<Vec3> v;
  std::vector<int> t;
  std::vector<float> uv;
  for (int end = 0; end < 2; ++end)
    for (int s = 0; s <= sides; ++s) {
      float ang = 360.0f * s / sides * kDeg;
      v.push_back((end ? b : a) + f.x * std::cos(ang) + f.y * std::sin(ang));
      float su, tv;
      skin_->Uv(mat, (float)s / sides, (float)end, &su, &tv);
      uv.push_back(su);
      uv.push_back(tv);
    }
  for (int s = 0; s < sides; ++s) {
    int p = s, q = s + sides + 1;
    t.insert(t.end(), {p, p + 1, q + 1, p, q + 1, q});
  }
  // Caps as fans around their centres.
  for (int end = 0; end < 2; ++end) {
    int centre = (int)v.size();
    v.push_back(end ? b : a);
    float su, tv;
    skin_->Uv(mat, 0.5f, 0.5f, &su, &tv);
    uv.push_back(su);
    uv.push_back(tv);
    int ring = end * (sides + 1);
    for (int s = 0; s < sides; ++s) t.insert(t.end(), {centre, ring + s, ring + s + 1});
  }
  Emit(v, t, uv);
}

void Model::Star(Vec3 c, float s, int mat) {
  std::vector<Vec3> v;
  std::vector<int> t;
  std::vector<float> uv;
  float su, tv;
  skin_->Uv(mat, 0.5f, 0.5f, &su, &tv);
  v.push_back(c);
  uv.insert(uv.end(), {su, tv});
  const int points = 8;
  for (int i = 0; i < points * 2; ++i) {
    float ang = 360.0f * i / (points * 2) * kDeg;
    float r = (i % 2 ? 0.35f : 1.0f) * s;
    // Longer spikes forward (+x), where the shot goes.
    float stretch = std::cos(ang) > 0 ? 1 + std::cos(ang) : 1;
    v.push_back(c + Vec3(std::cos(ang) * r * stretch, 0, std::sin(ang) * r));
    skin_->Uv(mat, 0.5f + 0.5f * std::cos(ang) * (i % 2 ? 0.35f : 1),
              0.5f + 0.5f * std::sin(ang) * (i % 2 ? 0.35f : 1), &su, &tv);
    uv.insert(uv.end(), {su, tv});
  }
  for (int i = 0; i < points * 2; ++i) t.insert(t.end(), {0, 1 + i, 1 + (i + 1) % (points * 2)});
  Emit(v, t, uv);
}

void Model::Reference(Vec3 p) {
  float su, tv;
  skin_->Uv(0, 0.5f, 0.5f, &su, &tv);
  Emit({p}, {}, {su, tv});
}

void Model::SetLowest(float ground) {
  std::vector<Vec3>& cur = pos_.back();
  if (cur.empty()) return;
  float low = cur[0].z;
  for (const Vec3& p : cur) low = std::fmin(low, p.z);
  for (Vec3& p : cur) p.z += ground - low;
}

float Model::Extent0() const {
  float m = 0;
  for (const Vec3& p : pos_[0]) m = std::fmax(m, std::fmax(p.x, std::fmax(p.y, p.z)));
  return m;
}

std::string Model::Encode() const {
  std::string o;
  int V = (int)pos_[0].size(), T = (int)tris_.size() / 3, F = (int)pos_.size();
  PutU32(o, (uint32_t)V);
  PutU32(o, (uint32_t)T);
  PutU32(o, (uint32_t)F);
  for (const auto& frame : pos_)
    for (const Vec3& p : frame) {
      PutF32(o, p.x);
      PutF32(o, p.y);
      PutF32(o, p.z);
    }
  for (int i : tris_) PutU32(o, (uint32_t)i);
  for (float f : uv_) PutF32(o, f);
  return o;
}

Model Build(const Skin& skin, int frames, const std::function<void(Model&, int)>& pose) {
  Model m(&skin);
  for (int f = 0; f < frames; ++f) {
    m.BeginFrame();
    pose(m, f);
    m.EndFrame();
  }
  return m;
}

void WriteModel(const std::string& path, const Model& m, float extent) {
  if (extent > 0 && std::fabs(m.Extent0() - extent) > 1e-4f) {
    std::fprintf(stderr, "%s: largest keyframe-0 coordinate %.4f, expected %.4f\n", path.c_str(),
                 m.Extent0(), extent);
    std::exit(1);
  }
  WriteBytes(path, m.Encode());
}

void WriteText(const std::string& path, const std::string& text) { WriteBytes(path, text); }

}  // namespace mdl

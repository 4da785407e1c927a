// Model building blocks for the model tool: vectors, a keyframed triangle
// mesh assembled from simple solids, swatch skins, and the .mdl writer.
//
// A model is built by calling the same sequence of solids once per
// keyframe, with that keyframe's joint positions. The first keyframe fixes
// the triangles and texture coordinates; every later keyframe only adds
// positions and must emit exactly as many vertices.
//
// Models are authored with z up and facing +x; one unit is one world unit
// as drawn (see SIZES.md).
#ifndef TOOLS_MODELS_MESH_H
#define TOOLS_MODELS_MESH_H

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "AssetIO.h"

namespace mdl {

struct Vec3 {
  float x = 0, y = 0, z = 0;
  Vec3() = default;
  Vec3(float a, float b, float c) : x(a), y(b), z(c) {}
  Vec3 operator+(Vec3 o) const { return {x + o.x, y + o.y, z + o.z}; }
  Vec3 operator-(Vec3 o) const { return {x - o.x, y - o.y, z - o.z}; }
  Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
  Vec3 operator-() const { return {-x, -y, -z}; }
};
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Len(Vec3 a) { return std::sqrt(Dot(a, a)); }
inline Vec3 Norm(Vec3 a) {
  float l = Len(a);
  return l > 0 ? a * (1 / l) : Vec3(0, 0, 1);
}
inline Vec3 Lerp(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }
// Rotations about the model's axes, angles in degrees.
Vec3 RotY(Vec3 v, float deg);  // pitch in the x-z plane: +deg turns +x towards -z
Vec3 RotZ(Vec3 v, float deg);  // yaw: +deg turns +x towards +y
Vec3 RotX(Vec3 v, float deg);  // roll: +deg turns +y towards +z

// An oriented frame: origin plus three axis vectors whose lengths are the
// half extents of a box placed on it.
struct Frame {
  Vec3 o, x, y, z;
};
// Frame of a limb from a to b: z along the limb, x and y across it with
// half widths wx, wy; `side` is a rough direction for the y axis.
Frame Limb(Vec3 a, Vec3 b, float wx, float wy, Vec3 side = {0, 1, 0});
Frame Axis(Vec3 centre, Vec3 half);  // axis-aligned box

// Skin made of square swatches, one per material.
enum class Pattern {
  Plain,
  Metal,
  Cloth,
  Skin,
  Chitin,
  Visor,
  HelmetSide,
  DemonFace,
  DemonSide,
  SpiderEyes,
  MutantFace,
  Flash,
  Wood,
  Cross,
  Stripes,
  Card,
  Brass,
  Rocket,
  Camo,
  Teeth,
  Gun
};
struct Material {
  Pattern pattern;
  float r, g, b;
};
class Skin {
public:
  explicit Skin(int size = 256, int perRow = 4) : size_(size), perRow_(perRow) {}
  int Add(Pattern p, float r, float g, float b) {
    mats_.push_back({p, r, g, b});
    return (int)mats_.size() - 1;
  }
  // Texture coordinates of (u, v) in 0..1 inside swatch `m`, with v = 1 at
  // the swatch's top as the picture is seen.
  void Uv(int m, float u, float v, float* s, float* t) const;
  assets::Image Paint(uint32_t seed) const;

private:
  int size_, perRow_;
  std::vector<Material> mats_;
};

class Model {
public:
  explicit Model(const Skin* skin) : skin_(skin) {}
  void BeginFrame();
  void EndFrame();
  int FrameCount() const { return (int)pos_.size(); }

  // Six-faced solid from eight corners, corner i = xbit + 2 ybit + 4 zbit.
  // mats: +x, -x, +y, -y, +z, -z faces.
  void Hexa(const Vec3 c[8], const int mats[6]);
  void Box(const Frame& f, int mat, int front = -1);
  // Tapered limb from a (half widths wa) to b (half widths wb).
  void Taper(Vec3 a, Vec3 b, float wa, float wb, int mat, Vec3 side = {0, 1, 0});
  void Ellipsoid(const Frame& f, int rings, int segs, int mat);
  void Cylinder(Vec3 a, Vec3 b, float r, int sides, int mat);
  // Flat star across the x-z plane at c, scaled by s (0 hides it).
  void Star(Vec3 c, float s, int mat);
  // A vertex that no triangle uses; it only pins the normalising extent.
  void Reference(Vec3 p);
  // Moves the whole current keyframe up or down so its lowest vertex lies
  // at `ground` (a body that has fallen rests on the floor).
  void SetLowest(float ground);

  // Largest coordinate of keyframe 0, the value the loader normalises by.
  float Extent0() const;
  std::string Encode() const;

private:
  void Emit(const std::vector<Vec3>& v, const std::vector<int>& tris, const std::vector<float>& uv);
  const Skin* skin_;
  std::vector<std::vector<Vec3>> pos_;
  std::vector<int> tris_;
  std::vector<float> uv_;
};

// Builds a model by running `pose` for each keyframe 0..frames-1.
Model Build(const Skin& skin, int frames, const std::function<void(Model&, int)>& pose);

// Writes the model and stops the tool when its extent is not `extent`
// (within a small tolerance) unless extent <= 0 (drawn at another model's
// scale).
void WriteModel(const std::string& path, const Model& m, float extent);
void WriteText(const std::string& path, const std::string& text);

}  // namespace mdl

#endif

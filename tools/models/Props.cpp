// Static models: the map's crate and the pickups. Each has one keyframe.
// Pickups are drawn 1.1 above the floor under their cell and spin about
// their vertical axis, so they are built around it with their base just
// above z = -1.1 (see SIZES.md).
#include <string>

#include "Models.h"

namespace mdl {

namespace {

const float kFloor = -1.09f;  // a hair above the floor, so the base does not flicker

// The corners of an axis-aligned box centred on x = y = 0, in the order
// Model::Hexa takes them: bit 0 picks +x, bit 1 +y, bit 2 the z of `z4`.
void BoxCorners(Vec3 c[8], float halfX, float halfY, float z0, float z4) {
  for (int i = 0; i < 8; ++i)
    c[i] = Vec3(i & 1 ? halfX : -halfX, i & 2 ? halfY : -halfY, i & 4 ? z4 : z0);
}

// Map crate: two cells wide, standing on the platform under its cell.
void BuildCrate(const std::string& dir) {
  Skin skin;
  int wood = skin.Add(Pattern::Wood, 0.6f, 0.42f, 0.22f);
  int frame = skin.Add(Pattern::Metal, 0.35f, 0.33f, 0.3f);
  int top = skin.Add(Pattern::Wood, 0.55f, 0.4f, 0.22f);
  Model m = Build(skin, 1, [&](Model& mm, int) {
    const float lo = -1.03f, hi = 0.97f, mid = (lo + hi) / 2, half = (hi - lo) / 2;
    Vec3 c[8];
    BoxCorners(c, 1.f, 0.95f, lo, hi);
    int mats[6] = {wood, wood, wood, wood, top, top};
    mm.Hexa(c, mats);
    // Steel corner posts and rims.
    for (int sx = -1; sx <= 1; sx += 2)
      for (int sy = -1; sy <= 1; sy += 2)
        mm.Box(Axis({sx * 0.93f, sy * 0.88f, mid}, {0.07f, 0.07f, half}), frame);
    for (int sz = -1; sz <= 1; sz += 2) {
      mm.Box(Axis({0, -0.96f, mid + sz * (half - 0.06f)}, {0.94f, 0.03f, 0.06f}), frame);
      mm.Box(Axis({0, 0.96f, mid + sz * (half - 0.06f)}, {0.94f, 0.03f, 0.06f}), frame);
    }
  });
  WriteModel(dir + "/obj/box.mdl", m, 1.0f);
  WriteTga(dir + "/obj/box.tga", skin.Paint(701), false);
}

// Medkit: white case with red crosses and a handle.
void BuildMedkit(const std::string& dir) {
  Skin skin;
  int cross = skin.Add(Pattern::Cross, 0.92f, 0.92f, 0.9f);
  int plain = skin.Add(Pattern::Metal, 0.85f, 0.85f, 0.82f);
  int handle = skin.Add(Pattern::Metal, 0.2f, 0.2f, 0.22f);
  Model m = Build(skin, 1, [&](Model& mm, int) {
    Vec3 c[8];
    BoxCorners(c, 0.3f, 0.2f, kFloor, -0.82f);
    int mats[6] = {plain, plain, cross, cross, cross, plain};
    mm.Hexa(c, mats);
    mm.Box(Axis({-0.1f, 0, -0.79f}, {0.02f, 0.03f, 0.03f}), handle);
    mm.Box(Axis({0.1f, 0, -0.79f}, {0.02f, 0.03f, 0.03f}), handle);
    mm.Box(Axis({0, 0, -0.75f}, {0.12f, 0.03f, 0.015f}), handle);
    mm.Reference(Vec3(0, 0, 0.4f));
  });
  WriteModel(dir + "/items/medkit.mdl", m, 0.4f);
  WriteTga(dir + "/items/aid.tga", skin.Paint(702), true);
}

// Box of bullets: olive ammunition can with cartridges on the lid.
void BuildAmmoBox(const std::string& dir) {
  Skin skin;
  int can = skin.Add(Pattern::Stripes, 0.35f, 0.4f, 0.2f);
  int lid = skin.Add(Pattern::Metal, 0.32f, 0.38f, 0.2f);
  int brass = skin.Add(Pattern::Brass, 0.85f, 0.65f, 0.25f);
  Model m = Build(skin, 1, [&](Model& mm, int) {
    Vec3 c[8];
    BoxCorners(c, 0.3f, 0.18f, kFloor, -0.86f);
    int mats[6] = {can, can, can, can, lid, lid};
    mm.Hexa(c, mats);
    for (int k = 0; k < 4; ++k) {
      float x = -0.18f + 0.12f * k;
      mm.Cylinder(Vec3(x, -0.12f, -0.83f), Vec3(x, 0.12f, -0.83f), 0.028f, 6, brass);
    }
    mm.Reference(Vec3(0, 0, 0.5f));
  });
  WriteModel(dir + "/items/ammobox.mdl", m, 0.5f);
  WriteTga(dir + "/items/ammobox.tga", skin.Paint(703), false);
}

// Box of shells: an open carton; the shells inside are their own model
// drawn at the carton's scale.
void BuildShellBox(const std::string& dir) {
  Skin skin;
  int card = skin.Add(Pattern::Cloth, 0.7f, 0.2f, 0.12f);
  int inner = skin.Add(Pattern::Plain, 0.3f, 0.12f, 0.08f);
  Model box = Build(skin, 1, [&](Model& mm, int) {
    const float x = 0.26f, y = 0.18f, top = -0.88f, w = 0.015f;
    mm.Box(Axis({0, 0, kFloor + w}, {x, y, w}), inner);
    mm.Box(Axis({x, 0, (kFloor + top) / 2}, {w, y, (top - kFloor) / 2}), card);
    mm.Box(Axis({-x, 0, (kFloor + top) / 2}, {w, y, (top - kFloor) / 2}), card);
    mm.Box(Axis({0, y, (kFloor + top) / 2}, {x, w, (top - kFloor) / 2}), card);
    mm.Box(Axis({0, -y, (kFloor + top) / 2}, {x, w, (top - kFloor) / 2}), card);
    mm.Reference(Vec3(0, 0, 0.5f));
  });
  WriteModel(dir + "/items/ShellBox.mdl", box, 0.5f);
  WriteTga(dir + "/items/ShellBox.tga", skin.Paint(704), true);

  Skin ss;
  int hull = ss.Add(Pattern::Rocket, 0.85f, 0.12f, 0.1f);
  int brass = ss.Add(Pattern::Brass, 0.85f, 0.65f, 0.25f);
  Model shells = Build(ss, 1, [&](Model& mm, int) {
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 2; ++j) {
        float x = -0.15f + 0.15f * i, y = -0.07f + 0.14f * j;
        mm.Cylinder(Vec3(x, y, kFloor + 0.03f), Vec3(x, y, kFloor + 0.07f), 0.05f, 8, brass);
        mm.Cylinder(Vec3(x, y, kFloor + 0.07f), Vec3(x, y, -0.8f), 0.05f, 8, hull);
      }
  });
  WriteModel(dir + "/items/ShellBox_Shells.mdl", shells, 0);
  WriteTga(dir + "/items/ShellBox_Shells.tga", ss.Paint(705), false);
}

// Rockets: a small crate with two rockets strapped on top.
void BuildRockets(const std::string& dir) {
  Skin skin;
  int crate = skin.Add(Pattern::Wood, 0.45f, 0.45f, 0.3f);
  int body = skin.Add(Pattern::Rocket, 0.55f, 0.6f, 0.5f);
  int strap = skin.Add(Pattern::Metal, 0.2f, 0.2f, 0.2f);
  Model m = Build(skin, 1, [&](Model& mm, int) {
    mm.Box(Axis({0, 0, (kFloor - 0.88f) / 2}, {0.28f, 0.19f, (-0.88f - kFloor) / 2}), crate);
    for (int s = -1; s <= 1; s += 2) {
      float y = s * 0.09f;
      mm.Cylinder(Vec3(-0.3f, y, -0.83f), Vec3(0.22f, y, -0.83f), 0.05f, 8, body);
      mm.Taper(Vec3(0.22f, y, -0.83f), Vec3(0.32f, y, -0.83f), 0.045f, 0.005f, body, Vec3(0, 0, 1));
    }
    mm.Box(Axis({-0.1f, 0, -0.85f}, {0.02f, 0.2f, 0.04f}), strap);
    mm.Box(Axis({0.1f, 0, -0.85f}, {0.02f, 0.2f, 0.04f}), strap);
    mm.Reference(Vec3(0, 0, 1.0f / 3));
  });
  WriteModel(dir + "/items/box.mdl", m, 1.0f / 3);
  WriteTga(dir + "/items/rocket.tga", skin.Paint(706), true);
}

// Key card standing on its edge, hovering; one mesh, three skins of the
// same layout.
void BuildKeyCards(const std::string& dir) {
  const char* names[3] = {"KeyCard-Blue", "KeyCard-Red", "KeyCard-Yellow"};
  const float colours[3][3] = {{0.2f, 0.35f, 1.0f}, {1.0f, 0.15f, 0.1f}, {1.0f, 0.85f, 0.1f}};
  for (int k = 0; k < 3; ++k) {
    Skin skin;
    int face = skin.Add(Pattern::Card, colours[k][0], colours[k][1], colours[k][2]);
    int edge =
        skin.Add(Pattern::Plain, colours[k][0] * 0.6f, colours[k][1] * 0.6f, colours[k][2] * 0.6f);
    Model m = Build(skin, 1, [&](Model& mm, int) {
      Vec3 c[8];
      BoxCorners(c, 0.17f, 0.015f, -0.98f, -0.72f);
      int mats[6] = {edge, edge, face, face, edge, edge};
      mm.Hexa(c, mats);
      mm.Reference(Vec3(0, 0, 0.5f));
    });
    if (k == 0) WriteModel(dir + "/items/key.mdl", m, 0.5f);
    WriteTga(dir + "/items/" + names[k] + ".tga", skin.Paint(707), k != 1);
  }
}

}  // namespace

void BuildProps(const std::string& dir) {
  BuildCrate(dir);
  BuildMedkit(dir);
  BuildAmmoBox(dir);
  BuildShellBox(dir);
  BuildRockets(dir);
  BuildKeyCards(dir);
}

}  // namespace mdl

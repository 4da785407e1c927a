// The generated data tree: every file the game opens is there, and each
// one reads back as its format and its users need (sizes, keyframes,
// animation names, sound format, map ranges and features).
#include <gtest/gtest.h>

#include <AL/al.h>
#include <AL/alc.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "Internal.h"
#include "PlayerAnimations.h"
#include "render/Render.h"
#include "testutil.h"

namespace {

// Every file the game names, with what it is. Textures carry their
// expected size.
struct Asset {
  const char* path;
  char kind;  // t texture, m model, a animation list, w sound, p map
  int w, h;
};

const Asset kAssets[] = {
    {"data/maps/level0.map", 'p', 0, 0},
    {"data/textures/0.tga", 't', 128, 128},
    {"data/textures/1.tga", 't', 128, 128},
    {"data/textures/2.tga", 't', 128, 128},
    {"data/textures/3.tga", 't', 128, 128},
    {"data/textures/4.tga", 't', 128, 128},
    {"data/textures/5.tga", 't', 128, 128},
    {"data/textures/6.tga", 't', 128, 128},
    {"data/textures/7.tga", 't', 128, 128},
    {"data/textures/8.tga", 't', 128, 128},
    {"data/textures/BACK.tga", 't', 1536, 768},
    {"data/obj/box.mdl", 'm', 0, 0},
    {"data/obj/box.tga", 't', 256, 256},
    {"data/player/tarva.mdl", 'm', 0, 0},
    {"data/player/tuvra.tga", 't', 256, 256},
    {"data/weapons/mach.mdl", 'm', 0, 0},
    {"data/weapons/mach.tga", 't', 256, 256},
    {"data/weapons/SHOOTGUN.mdl", 'm', 0, 0},
    {"data/weapons/SHOOTGUN.tga", 't', 256, 256},
    {"data/weapons/hyp.mdl", 'm', 0, 0},
    {"data/weapons/hyp.tga", 't', 256, 256},
    {"data/enemy/spider.mdl", 'm', 0, 0},
    {"data/enemy/spider.tga", 't', 256, 256},
    {"data/enemy/spider.txt", 'a', 0, 0},
    {"data/enemy/demon.mdl", 'm', 0, 0},
    {"data/enemy/demon.tga", 't', 256, 256},
    {"data/enemy/demon.txt", 'a', 0, 0},
    {"data/enemy/demonDIE.mdl", 'm', 0, 0},
    {"data/enemy/soldier.mdl", 'm', 0, 0},
    {"data/enemy/soldier.tga", 't', 256, 256},
    {"data/enemy/soldier.txt", 'a', 0, 0},
    {"data/enemy/mutant.mdl", 'm', 0, 0},
    {"data/enemy/mutant.tga", 't', 256, 256},
    {"data/enemy/mutant.txt", 'a', 0, 0},
    {"data/particles/blood.tga", 't', 64, 64},
    {"data/particles/spark.tga", 't', 64, 64},
    {"data/particles/plasma.tga", 't', 64, 64},
    {"data/items/hyp.mdl", 'm', 0, 0},
    {"data/items/shoot.mdl", 'm', 0, 0},
    {"data/items/medkit.mdl", 'm', 0, 0},
    {"data/items/aid.tga", 't', 256, 256},
    {"data/items/ammobox.mdl", 'm', 0, 0},
    {"data/items/ammobox.tga", 't', 256, 256},
    {"data/items/ShellBox.mdl", 'm', 0, 0},
    {"data/items/ShellBox.tga", 't', 256, 256},
    {"data/items/ShellBox_Shells.mdl", 'm', 0, 0},
    {"data/items/ShellBox_Shells.tga", 't', 256, 256},
    {"data/items/box.mdl", 'm', 0, 0},
    {"data/items/rocket.tga", 't', 256, 256},
    {"data/items/key.mdl", 'm', 0, 0},
    {"data/items/KeyCard-Blue.tga", 't', 256, 256},
    {"data/items/KeyCard-Red.tga", 't', 256, 256},
    {"data/items/KeyCard-Yellow.tga", 't', 256, 256},
    {"data/UI/font.tga", 't', 512, 512},
    {"data/UI/font2.tga", 't', 512, 512},
    {"data/UI/status.tga", 't', 512, 128},
    {"data/UI/key0.tga", 't', 32, 32},
    {"data/UI/key1.tga", 't', 32, 32},
    {"data/UI/key2.tga", 't', 32, 32},
    {"data/sounds/dsbdopn.wav", 'w', 0, 0},
    {"data/sounds/dswpnup.wav", 'w', 0, 0},
    {"data/sounds/dsitemup.wav", 'w', 0, 0},
    {"data/sounds/dsnoway.wav", 'w', 0, 0},
    {"data/sounds/dskntdth.wav", 'w', 0, 0},
    {"data/sounds/dssgtdth.wav", 'w', 0, 0},
    {"data/sounds/SOLDETH3.wav", 'w', 0, 0},
    {"data/sounds/Mutdeth1.wav", 'w', 0, 0},
    {"data/sounds/dsplasma.wav", 'w', 0, 0},
    {"data/sounds/dssgtatk.wav", 'w', 0, 0},
    {"data/sounds/Solatck1.wav", 'w', 0, 0},
    {"data/sounds/mutatck3.wav", 'w', 0, 0},
    {"data/sounds/dspistol.wav", 'w', 0, 0},
    {"data/sounds/dsshotgn.wav", 'w', 0, 0},
};

class Assets : public ::testing::Test {
protected:
  static void SetUpTestSuite() { testutil::LinkDataDir(); }
};

int32_t I32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= (uint32_t)(uint8_t)b[at + i] << (8 * i);
  return (int32_t)v;
}
int16_t I16(const std::string& b, size_t at) {
  return (int16_t)((uint8_t)b[at] | (uint8_t)b[at + 1] << 8);
}
float F32(const std::string& b, size_t at) {
  uint32_t v = (uint32_t)I32(b, at);
  float f;
  std::memcpy(&f, &v, 4);
  return f;
}

// ------------------------------------------------------------------ files

TEST_F(Assets, EveryNamedFileExists) {
  for (const Asset& a : kAssets)
    EXPECT_FALSE(testutil::ReadFile(a.path).empty()) << "missing or empty: " << a.path;
}

// ------------------------------------------------------------------ textures

// Own decoder: header fields and every pixel of both storage types, top row
// (as seen) first.
struct Picture {
  int type = 0, w = 0, h = 0, descriptor = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return &rgb[((size_t)y * w + x) * 3]; }
};

bool Decode(const std::string& b, Picture* p) {
  if (b.size() < 18 || b[16] != 24) return false;
  p->type = (uint8_t)b[2];
  p->w = (uint16_t)I16(b, 12);
  p->h = (uint16_t)I16(b, 14);
  p->descriptor = (uint8_t)b[17];
  size_t n = (size_t)p->w * p->h, at = 18, got = 0;
  std::vector<uint8_t> file(n * 3);
  auto put = [&](size_t from) {
    file[got * 3] = b[from + 2];
    file[got * 3 + 1] = b[from + 1];
    file[got * 3 + 2] = b[from];
    ++got;
  };
  if (p->type == 2) {
    if (b.size() != 18 + n * 3) return false;
    for (size_t i = 0; i < n; ++i) put(18 + i * 3);
  } else if (p->type == 10) {
    while (got < n) {
      if (at >= b.size()) return false;
      int h = (uint8_t)b[at++], count = (h & 127) + 1;
      if (got + count > n) return false;
      if (h & 128) {
        if (at + 3 > b.size()) return false;
        for (int i = 0; i < count; ++i) put(at);
        at += 3;
      } else {
        if (at + 3 * count > b.size()) return false;
        for (int i = 0; i < count; ++i, at += 3) put(at);
      }
    }
    if (at != b.size()) return false;
  } else {
    return false;
  }
  // Rows are stored bottom-up: flip to the order a person sees.
  p->rgb.resize(n * 3);
  for (int y = 0; y < p->h; ++y)
    std::memcpy(&p->rgb[(size_t)y * p->w * 3], &file[(size_t)(p->h - 1 - y) * p->w * 3],
                (size_t)p->w * 3);
  return true;
}

TEST_F(Assets, TexturesDecodeWithTheirSizesInBothStorageTypes) {
  std::set<int> types;
  for (const Asset& a : kAssets) {
    if (a.kind != 't') continue;
    Picture p;
    ASSERT_TRUE(Decode(testutil::ReadFile(a.path), &p)) << a.path;
    EXPECT_EQ(p.w, a.w) << a.path;
    EXPECT_EQ(p.h, a.h) << a.path;
    EXPECT_EQ(p.descriptor, 0) << a.path << ": rows must be stored bottom-up";
    types.insert(p.type);
    // The engine's reader gives the same size.
    SImageTGA img = {};
    ASSERT_TRUE(ReadTGA(&img, a.path)) << a.path;
    EXPECT_EQ((int)img.width, a.w);
    EXPECT_EQ((int)img.height, a.h);
    EXPECT_EQ(img.bpp, 24u);
    // Rows in file order: the engine's first row is the picture's bottom row.
    EXPECT_EQ(0, std::memcmp(img.data, p.At(0, p.h - 1), (size_t)p.w * 3)) << a.path;
    std::free(img.data);
  }
  EXPECT_EQ(types, (std::set<int>{2, 10}));
}

TEST_F(Assets, WallTexturesTileAcrossTheirEdges) {
  for (int i = 0; i < 9; ++i) {
    std::string path = "data/textures/" + std::to_string(i) + ".tga";
    Picture p;
    ASSERT_TRUE(Decode(testutil::ReadFile(path), &p));
    // The jump across the wrap-around seam is no larger than the image's
    // typical jump between neighbouring columns and rows.
    auto diff = [&](int x0, int y0, int x1, int y1) {
      const uint8_t *a = p.At(x0, y0), *b = p.At(x1, y1);
      return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
    };
    double seam = 0, inner = 0;
    for (int y = 0; y < p.h; ++y) {
      seam += diff(p.w - 1, y, 0, y);
      inner += diff(p.w / 2 - 1, y, p.w / 2, y);
    }
    for (int x = 0; x < p.w; ++x) {
      seam += diff(x, p.h - 1, x, 0);
      inner += diff(x, p.h / 2 - 1, x, p.h / 2);
    }
    EXPECT_LT(seam, inner * 2.5 + p.w * 30) << path;
  }
}

TEST_F(Assets, SpritesFontsAndIconsUseTheirTransparentColours) {
  for (const char* path :
       {"data/particles/blood.tga", "data/particles/spark.tga", "data/particles/plasma.tga"}) {
    Picture p;
    ASSERT_TRUE(Decode(testutil::ReadFile(path), &p));
    const uint8_t* corner = p.At(0, 0);
    EXPECT_EQ(corner[0] + corner[1] + corner[2], 0) << path << ": corners must be black";
    const uint8_t* centre = p.At(p.w / 2, p.h / 2);
    EXPECT_GT(centre[0] + centre[1] + centre[2], 400) << path << ": centre must be bright";
  }
  for (const char* path : {"data/UI/key0.tga", "data/UI/key1.tga", "data/UI/key2.tga"}) {
    Picture p;
    ASSERT_TRUE(Decode(testutil::ReadFile(path), &p));
    int keyed = 0;
    for (int y = 0; y < p.h; ++y)
      for (int x = 0; x < p.w; ++x) {
        const uint8_t* c = p.At(x, y);
        keyed += c[0] == 128 && c[1] == 128 && c[2] == 128;
      }
    EXPECT_GT(keyed, p.w * 4) << path;
    EXPECT_LT(keyed, p.w * p.h / 2) << path;
  }
  // Font cells: cell b - 1 holds byte b, white on black. 'A' (65) sits in
  // cell 64, the first of the fifth row; Cyrillic capital Be (0xC1) in cell
  // 192; the blank (32) is empty; the unused last cell is empty.
  for (const char* path : {"data/UI/font.tga", "data/UI/font2.tga"}) {
    Picture p;
    ASSERT_TRUE(Decode(testutil::ReadFile(path), &p));
    int cell = p.w / 16;
    auto ink = [&](int index) {
      int sum = 0;
      for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x) {
          const uint8_t* c = p.At((index % 16) * cell + x, (index / 16) * cell + y);
          EXPECT_TRUE(c[0] == c[1] && c[1] == c[2]) << path << ": glyphs are grey levels";
          sum += c[0];
        }
      return sum;
    };
    EXPECT_GT(ink('A' - 1), 255 * 20) << path;
    EXPECT_GT(ink(0xC1 - 1), 255 * 20) << path;
    EXPECT_GT(ink((uint8_t)'0' - 1), 255 * 20) << path;
    EXPECT_EQ(ink(' ' - 1), 0) << path;
    EXPECT_EQ(ink(255), 0) << path;
    // 'A' and Cyrillic 'A' (0xC0) look alike; 'A' and 'B' do not.
    EXPECT_NE(ink('A' - 1), ink('B' - 1)) << path;
  }
}

// ------------------------------------------------------------------ models

struct Mdl {
  int V = 0, T = 0, F = 0;
  std::vector<float> pos;
  std::vector<int32_t> tris;
  const float* Vert(int f, int v) const { return &pos[((size_t)f * V + v) * 3]; }
  float Extent0() const {
    float m = 0;
    for (int v = 0; v < V; ++v)
      for (int k = 0; k < 3; ++k) m = std::fmax(m, Vert(0, v)[k]);
    return m;
  }
  // Lowest z among the vertices triangles use, in keyframe f.
  float Lowest(int f) const {
    float m = 1e9f;
    for (int32_t i : tris) m = std::fmin(m, Vert(f, i)[2]);
    return m;
  }
  bool SameFrame(int a, int b) const {
    for (int v = 0; v < V * 3; ++v)
      if (pos[(size_t)a * V * 3 + v] != pos[(size_t)b * V * 3 + v]) return false;
    return true;
  }
};

bool ReadMdl(const std::string& path, Mdl* m) {
  std::string b = testutil::ReadFile(path);
  if (b.size() < 12) return false;
  m->V = I32(b, 0);
  m->T = I32(b, 4);
  m->F = I32(b, 8);
  if (m->V <= 0 || m->V > 65536 || m->T <= 0 || m->F <= 0) return false;
  size_t need = 12 + (size_t)m->F * m->V * 12 + (size_t)m->T * 12 + (size_t)m->V * 8;
  if (b.size() != need) return false;
  m->pos.resize((size_t)m->F * m->V * 3);
  for (size_t i = 0; i < m->pos.size(); ++i) m->pos[i] = F32(b, 12 + i * 4);
  size_t at = 12 + (size_t)m->F * m->V * 12;
  for (int i = 0; i < m->T * 3; ++i) m->tris.push_back(I32(b, at + i * 4));
  return true;
}

// How each model is drawn in the game: the normalising extent its own
// keyframe 0 must have, the scale factor, the drawing offset, and where its
// floor lies relative to its position (see tools/SIZES.md).
struct ModelUse {
  const char* path;
  int minFrames;
  float extent;  // 0: drawn with another model's scale
  float factor;  // drawn scale = factor / extent (of `scaleOf`)
  const char* scaleOf;
  float offsetY;
  float floor;  // floor height relative to the position
  float hover;  // how far above the floor the lowest point may float
};

const ModelUse kModels[] = {
    {"data/player/tarva.mdl", 55, 1.0f, 1, nullptr, 0, -1.02f, 0.03f},
    {"data/weapons/mach.mdl", 55, 0, 1, "data/player/tarva.mdl", 0, -1.02f, 2},
    {"data/weapons/SHOOTGUN.mdl", 55, 0, 1, "data/player/tarva.mdl", 0, -1.02f, 2},
    {"data/weapons/hyp.mdl", 55, 0, 1, "data/player/tarva.mdl", 0, -1.02f, 2},
    {"data/enemy/spider.mdl", 180, 1.0f, 1, nullptr, 0, -1.3f, 0.03f},
    {"data/enemy/demon.mdl", 14, 2.0f, 2, nullptr, -1.2f, -1.2f, 0.03f},
    {"data/enemy/demonDIE.mdl", 13, 0, 2, "data/enemy/demon.mdl", -1.2f, -1.2f, 0.03f},
    {"data/enemy/soldier.mdl", 280, 1.1f, 1.1f, nullptr, -0.2f, -1.2f, 0.03f},
    {"data/enemy/mutant.mdl", 24, 1.1f, 1.1f, nullptr, -0.4f, -1.2f, 0.03f},
    {"data/obj/box.mdl", 1, 1.0f, 1, nullptr, 0, -1.03f, 0.01f},
    {"data/items/hyp.mdl", 1, 1.0f, 1, nullptr, 0.2f, -0.9f, 0.25f},
    {"data/items/shoot.mdl", 1, 1.0f, 1, nullptr, 0.2f, -0.9f, 0.25f},
    {"data/items/medkit.mdl", 1, 0.4f, 0.4f, nullptr, 0.2f, -0.9f, 0.05f},
    {"data/items/ammobox.mdl", 1, 0.5f, 0.5f, nullptr, 0.2f, -0.9f, 0.05f},
    {"data/items/ShellBox.mdl", 1, 0.5f, 0.5f, nullptr, 0.2f, -0.9f, 0.05f},
    {"data/items/ShellBox_Shells.mdl", 1, 0, 0.5f, "data/items/ShellBox.mdl", 0.2f, -0.9f, 0.1f},
    {"data/items/box.mdl", 1, 1.0f / 3, 1.0f / 3, nullptr, 0.2f, -0.9f, 0.05f},
    {"data/items/key.mdl", 1, 0.5f, 0.5f, nullptr, 0.2f, -0.9f, 0.15f},
};

TEST_F(Assets, ModelsParseAndStandOnTheirFloors) {
  std::map<std::string, float> extents;
  for (const ModelUse& u : kModels) {
    Mdl m;
    ASSERT_TRUE(ReadMdl(u.path, &m)) << u.path << ": counts do not fit the file";
    EXPECT_GE(m.F, u.minFrames) << u.path;
    for (int32_t i : m.tris) ASSERT_TRUE(i >= 0 && i < m.V) << u.path;
    for (float f : m.pos) ASSERT_TRUE(std::isfinite(f)) << u.path;
    extents[u.path] = m.Extent0();
    if (u.extent > 0) {
      EXPECT_NEAR(m.Extent0(), u.extent, 1e-4) << u.path;
    }
    float drawn = u.factor / (u.scaleOf ? extents[u.scaleOf] : m.Extent0());
    // Feet (or base) on the floor in the first keyframe.
    float lowest = m.Lowest(0) * drawn + u.offsetY;
    EXPECT_GE(lowest, u.floor - 0.03f) << u.path << " sinks into its floor";
    EXPECT_LE(lowest, u.floor + u.hover) << u.path << " floats above its floor";
  }
}

TEST_F(Assets, AnimationsLoopAndHoldTheirLastPose) {
  Mdl player, spider, demon, die, soldier, mutant;
  ASSERT_TRUE(ReadMdl("data/player/tarva.mdl", &player));
  ASSERT_TRUE(ReadMdl("data/enemy/spider.mdl", &spider));
  ASSERT_TRUE(ReadMdl("data/enemy/demon.mdl", &demon));
  ASSERT_TRUE(ReadMdl("data/enemy/demonDIE.mdl", &die));
  ASSERT_TRUE(ReadMdl("data/enemy/soldier.mdl", &soldier));
  ASSERT_TRUE(ReadMdl("data/enemy/mutant.mdl", &mutant));
  // The player's model follows the game's animation table; its loops end
  // on their first pose.
  const PlayerAnimation& idle = PLAYER_ANIMATIONS[PLAYER_IDLE];
  const PlayerAnimation& walk = PLAYER_ANIMATIONS[PLAYER_WALK];
  const PlayerAnimation& fire = PLAYER_ANIMATIONS[PLAYER_FIRE];
  EXPECT_EQ(player.F, PLAYER_MODEL_FRAMES);
  EXPECT_TRUE(player.SameFrame(idle.first, idle.last));
  EXPECT_TRUE(player.SameFrame(fire.first, fire.last));
  EXPECT_TRUE(player.SameFrame(0, PLAYER_MODEL_FRAMES - 1));
  EXPECT_EQ(walk.last, fire.first);
  EXPECT_FALSE(player.SameFrame(walk.first, walk.first + 3)) << "the walk moves";
  // Death poses are held by the keyframe after them, which the blend reads.
  EXPECT_TRUE(spider.SameFrame(178, 179));
  EXPECT_TRUE(soldier.SameFrame(278, 279));
  EXPECT_TRUE(mutant.SameFrame(22, 23));
  EXPECT_TRUE(die.SameFrame(11, 12));
  // Fallen bodies lie low: the top of the last pose is well below standing.
  auto top = [](const Mdl& m, int f) {
    float t = -1e9f;
    for (int32_t i : m.tris) t = std::fmax(t, m.Vert(f, i)[2]);
    return t;
  };
  EXPECT_LT(top(soldier, 278) - soldier.Lowest(278), 0.6f * (top(soldier, 0) - soldier.Lowest(0)));
  EXPECT_LT(top(die, 11) - die.Lowest(11), 0.6f * (top(die, 0) - die.Lowest(0)));
  EXPECT_LT(top(mutant, 22) - mutant.Lowest(22), 0.6f * (top(mutant, 14) - mutant.Lowest(14)));
  EXPECT_LT(top(spider, 178), top(spider, 173));
  // Each weapon has the player's timeline and moves with the hands.
  for (const char* path :
       {"data/weapons/mach.mdl", "data/weapons/SHOOTGUN.mdl", "data/weapons/hyp.mdl"}) {
    Mdl w;
    ASSERT_TRUE(ReadMdl(path, &w));
    EXPECT_EQ(w.F, player.F) << path;
    EXPECT_FALSE(w.SameFrame(0, 42)) << path;
    EXPECT_FALSE(w.SameFrame(46, 48)) << path << ": recoil";
  }
}

struct Anim {
  std::string name;
  float start, end, key, speed;
};

std::vector<Anim> ReadList(const std::string& path) {
  std::vector<Anim> out;
  FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return out;
  Anim a;
  char name[128];
  while (std::fscanf(f, "%f %f %f %f %127s", &a.start, &a.end, &a.key, &a.speed, name) == 5) {
    a.name = name;
    out.push_back(a);
  }
  std::fclose(f);
  return out;
}

TEST_F(Assets, AnimationListsNameMoveAndAtackInsideTheirModels) {
  const struct {
    const char* list;
    const char* model;
    float deathStart, deathEnd;  // range the corpse plays, kept clear of the others
  } kinds[] = {
      {"data/enemy/spider.txt", "data/enemy/spider.mdl", 173, 178},
      {"data/enemy/demon.txt", "data/enemy/demon.mdl", -1, -1},
      {"data/enemy/soldier.txt", "data/enemy/soldier.mdl", 271, 278.2f},
      {"data/enemy/mutant.txt", "data/enemy/mutant.mdl", 14, 22.1f},
  };
  for (const auto& k : kinds) {
    Mdl m;
    ASSERT_TRUE(ReadMdl(k.model, &m));
    std::vector<Anim> list = ReadList(k.list);
    std::map<std::string, Anim> byName;
    for (const Anim& a : list) byName[a.name] = a;
    ASSERT_TRUE(byName.count("Move")) << k.list;
    ASSERT_TRUE(byName.count("Atack")) << k.list;
    for (const char* n : {"Move", "Atack"}) {
      const Anim& a = byName[n];
      EXPECT_LT(a.start, a.end) << k.list << " " << n;
      EXPECT_GT(a.speed, 0) << k.list << " " << n;
      EXPECT_LE(a.end, m.F - 1) << k.list << " " << n;
      EXPECT_TRUE(a.key >= a.start && a.key <= a.end) << k.list << " " << n;
      EXPECT_TRUE(m.SameFrame((int)a.start, (int)a.end)) << k.list << " " << n << " does not loop";
      EXPECT_TRUE(a.end < k.deathStart || a.start > k.deathEnd) << k.list << " " << n;
    }
    if (k.deathStart >= 0) {
      EXPECT_LT(k.deathEnd, m.F - 1) << k.model;
    }
    // The engine reads the same list with the same names and key frames.
    TModel t;
    t.LoadAnimationList(k.list);
    t.SetAnimation(0, 0, 0);
    t.SelectAnimation("Atack");
    EXPECT_EQ(t.animStart, byName["Atack"].start) << k.list;
    t.frame = byName["Atack"].key;
    EXPECT_TRUE(t.IsKeyFrame("Atack")) << k.list;
  }
}

TEST_F(Assets, ModelsLoadThroughTheEngine) {
  ASSERT_TRUE(testutil::OpenContext(64, 64));
  ASSERT_EQ(cgl::LoadEntryPoints(), nullptr);
  for (const ModelUse& u : kModels) {
    Mdl m;
    ASSERT_TRUE(ReadMdl(u.path, &m));
    TModel t;
    t.Load(u.path, 0);
    EXPECT_EQ(t.vertexCount, m.V) << u.path;
    EXPECT_EQ(t.triangleCount, m.T) << u.path;
    EXPECT_EQ(t.frameCount, m.F) << u.path;
    EXPECT_NEAR(t.unitScale, 1 / m.Extent0(), 1e-4) << u.path;
  }
  testutil::CloseContext();
}

// ------------------------------------------------------------------ sounds

TEST_F(Assets, SoundsArePlainShortUnclippedAndDistinct) {
  std::set<std::string> bodies;
  ALCdevice* dev = alcOpenDevice(nullptr);
  ALCcontext* ctx = dev ? alcCreateContext(dev, nullptr) : nullptr;
  if (ctx) alcMakeContextCurrent(ctx);
  TSoundDevice sd;
  sd.device = dev;
  sd.context = ctx;
  TSoundDevice* saved = _dsound;
  _dsound = ctx ? &sd : nullptr;
  for (const Asset& a : kAssets) {
    if (a.kind != 'w') continue;
    std::string b = testutil::ReadFile(a.path);
    ASSERT_GE(b.size(), 44u) << a.path;
    EXPECT_EQ(b.substr(0, 4), "RIFF");
    EXPECT_EQ((size_t)I32(b, 4), b.size() - 8) << a.path;
    EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(I32(b, 16), 16);
    EXPECT_EQ(I16(b, 20), 1) << "PCM";
    EXPECT_EQ(I16(b, 22), 1) << "mono";
    int rate = I32(b, 24);
    EXPECT_EQ(I16(b, 34), 16);
    EXPECT_EQ(b.substr(36, 4), "data");
    size_t bytes = (size_t)I32(b, 40);
    ASSERT_EQ(bytes + 44, b.size()) << a.path;
    double seconds = bytes / 2.0 / rate;
    EXPECT_GT(seconds, 0.1) << a.path;
    EXPECT_LT(seconds, 1.5) << a.path;
    int peak = 0;
    for (size_t i = 0; i < bytes; i += 2) peak = std::max(peak, std::abs((int)I16(b, 44 + i)));
    EXPECT_LT(peak, 32000) << a.path << " clips";
    EXPECT_GT(peak, 8000) << a.path << " is too quiet";
    EXPECT_TRUE(bodies.insert(b.substr(44)).second) << a.path << " repeats another sound";
    if (ctx) {
      TSoundBuffer* sb = nullptr;
      LoadDirectSound(&sb, const_cast<char*>(a.path));
      ASSERT_NE(sb, nullptr) << a.path;
      EXPECT_EQ(sb->size, bytes) << a.path;
      EXPECT_EQ((int)sb->rate, rate);
      EXPECT_FALSE(sb->IsEmpty()) << a.path;
    }
  }
  _dsound = saved;
  if (ctx) {
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(ctx);
  }
  if (dev) alcCloseDevice(dev);
}

// ------------------------------------------------------------------ map

struct Cell {
  int col, row, box, actor, tex, item, wall;
};

std::vector<Cell> ReadMap(const std::string& path) {
  std::string b = testutil::ReadFile(path);
  std::vector<Cell> out;
  for (size_t at = 0; at + 20 <= b.size(); at += 20)
    out.push_back({I32(b, at), I32(b, at + 4), I16(b, at + 8), I16(b, at + 10), I16(b, at + 12),
                   I16(b, at + 14), I16(b, at + 16)});
  return out;
}

TEST_F(Assets, MapRecordsAreInRangeAndUseEveryFeature) {
  std::string raw = testutil::ReadFile("data/maps/level0.map");
  ASSERT_EQ(raw.size() % 20, 0u);
  std::vector<Cell> cells = ReadMap("data/maps/level0.map");
  ASSERT_GT(cells.size(), 0u);
  ASSERT_LE(cells.size(), 4096u);
  std::map<std::pair<int, int>, Cell> grid;
  int players = 0, monsters[5] = {}, items[9] = {}, walls[5] = {}, textures[9] = {}, boxes = 0;
  int keyCol[3] = {-1, -1, -1}, doorCol[3] = {-1, -1, -1};
  for (const Cell& c : cells) {
    ASSERT_TRUE(c.box == -1 || c.box == 0);
    ASSERT_TRUE(c.actor >= -1 && c.actor <= 4);
    ASSERT_TRUE(c.item >= -1 && c.item <= 8);
    ASSERT_TRUE(c.wall >= -1 && c.wall <= 4);
    ASSERT_TRUE(c.tex >= 0 && c.tex <= 8);
    ASSERT_TRUE(c.col >= 0 && c.row >= 0);
    grid[{c.col, c.row}] = c;
    players += c.actor == 0;
    if (c.actor > 0) ++monsters[c.actor];
    if (c.item >= 0) ++items[c.item];
    if (c.wall >= 0) {
      ++walls[c.wall];
      ++textures[c.tex];
    }
    boxes += c.box == 0;
    if (c.item >= 6) keyCol[c.item - 6] = c.col;
    if (c.wall >= 2) doorCol[c.wall - 2] = std::max(doorCol[c.wall - 2], c.col);
  }
  EXPECT_EQ(players, 1);
  for (int k = 1; k <= 4; ++k) EXPECT_GE(monsters[k], 3) << "monster kind " << k - 1;
  for (int i = 0; i < 9; ++i) EXPECT_GE(items[i], 1) << "pickup kind " << i;
  for (int w = 0; w < 5; ++w) EXPECT_GE(walls[w], 1) << "wall type " << w;
  for (int t = 0; t < 9; ++t) EXPECT_GE(textures[t], 1) << "wall texture " << t;
  EXPECT_GE(boxes, 2);
  // Keys lie before their doors along the way to the end.
  for (int k = 0; k < 3; ++k) EXPECT_LT(keyCol[k], doorCol[k]) << "key " << k;

  auto wallAt = [&](int col, int row) {
    auto it = grid.find({col, row});
    return it == grid.end() ? -1 : it->second.wall;
  };
  // Monsters have no gravity: each stands right above a platform that runs
  // on at least one side, under a free row (otherwise it cannot walk).
  // Pickups, doors and boxes stand on platforms too.
  for (const Cell& c : cells) {
    bool onPlatform = wallAt(c.col, c.row + 1) == 1;
    if (c.actor > 0) {
      EXPECT_TRUE(onPlatform) << "monster at " << c.col << "," << c.row;
      EXPECT_TRUE(wallAt(c.col - 1, c.row + 1) == 1 || wallAt(c.col + 1, c.row + 1) == 1);
      EXPECT_EQ(wallAt(c.col, c.row - 1), -1) << "monster at " << c.col << "," << c.row;
    }
    if (c.item >= 0 || c.wall >= 2 || c.box == 0) {
      EXPECT_TRUE(onPlatform) << "cell at " << c.col << "," << c.row
                              << " needs a platform under it";
    }
  }
}

TEST_F(Assets, MarksNameTheStartAndTheFarEnd) {
  std::string marks = testutil::ReadFile("data/maps/level0.marks");
  int sc = -1, sr = -1, ec = -1, er = -1, x = 0, y = 0;
  ASSERT_NE(marks.find("start "), std::string::npos);
  ASSERT_NE(marks.find("end "), std::string::npos);
  ASSERT_EQ(std::sscanf(marks.c_str() + marks.find("start "), "start %d %d", &sc, &sr), 2);
  ASSERT_EQ(std::sscanf(marks.c_str() + marks.find("end "), "end %d %d %d %d", &ec, &er, &x, &y),
            4);
  EXPECT_EQ(x, ec);
  EXPECT_EQ(y, -er);
  int maxCol = 0;
  bool startCell = false;
  for (const Cell& c : ReadMap("data/maps/level0.map")) {
    maxCol = std::max(maxCol, c.col);
    startCell |= c.actor == 0 && c.col == sc && c.row == sr;
  }
  EXPECT_TRUE(startCell);
  EXPECT_GT(ec, sc);
  EXPECT_GE(ec, maxCol - 2) << "the end mark sits at the far end";
}

// ------------------------------------------------------------------ level compiler

// Runs the compiler on `source`; returns its exit code and stderr.
int Compile(const std::string& source, std::string* err) {
  testutil::WriteFile("bad_level.txt", source);
  std::string cmd =
      std::string(TEST_BINARY_DIR) + "/tools/levelc bad_level.txt out.map out.marks 2> err.txt";
  int rc = std::system(cmd.c_str());
  *err = testutil::ReadFile("err.txt");
  return rc;
}

TEST_F(Assets, LevelCompilerRejectsBadSourcesWithLineAndColumn) {
  std::string err;
  const std::string head = "legend # wall=block tex=0\nlegend @ actor=player\nmap\n";
  ASSERT_EQ(Compile(head + "...\n.@.\n###\nend\n", &err), 0) << err;
  std::string map = testutil::ReadFile("out.map");
  ASSERT_EQ(map.size(), 4u * 20);
  EXPECT_EQ(I32(map, 0), 1);    // column of '@'
  EXPECT_EQ(I32(map, 4), 1);    // row of '@'
  EXPECT_EQ(I16(map, 10), 0);   // actor: player
  EXPECT_EQ(I16(map, 16), -1);  // no wall

  EXPECT_NE(Compile(head + "...\n.@.\n#?#\nend\n", &err), 0);
  EXPECT_NE(err.find("bad_level.txt:6:2:"), std::string::npos) << err;
  EXPECT_NE(Compile("legend # wall=block tex=9\nlegend @ actor=player\nmap\n.@\n##\nend\n", &err),
            0);
  EXPECT_NE(err.find(":1:"), std::string::npos) << err;
  EXPECT_NE(Compile("legend # wall=door\nmap\n#\nend\n", &err), 0);
  EXPECT_NE(err.find("unknown wall"), std::string::npos) << err;
  EXPECT_NE(Compile("legend # wall=block tex=0\nmap\n###\nend\n", &err), 0);
  EXPECT_NE(err.find("no player start"), std::string::npos) << err;
  EXPECT_NE(Compile(head + ".@.\n", &err), 0) << "unterminated map block";
}

}  // namespace

// The icon: the window icon in the data tree as the engine reads it (64 x
// 64, 32 bits, upright, see-through corners), and the desktop's PNG at
// every size it names and the SVG.
TEST_F(Assets, IconIsUprightWithSeeThroughCornersInEveryForm) {
  SImageTGA img = {};
  ASSERT_TRUE(ReadTGA(&img, "data/icon.tga"));
  ASSERT_EQ(img.width, 64u);
  ASSERT_EQ(img.height, 64u);
  ASSERT_EQ(img.bpp, 32u);
  // The engine's rows come bottom first.
  auto at = [&](int x, int yFromTop) { return &img.data[((63 - yFromTop) * 64 + x) * 4]; };
  for (int corner : {0, 63}) {
    EXPECT_EQ(at(corner, 0)[3], 0) << corner;
    EXPECT_EQ(at(corner, 63)[3], 0) << corner;
  }
  EXPECT_EQ(at(32, 32)[3], 255);
  // Upright: the light platform near the bottom, the dark tile at the top.
  EXPECT_GT(at(32, 50)[0], 100);
  EXPECT_LT(at(32, 10)[0], 80);
  std::free(img.data);

  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const std::string name = std::string(TEST_BINARY_DIR) + "/icons/hicolor/" +
                             std::to_string(size) + "x" + std::to_string(size) + "/apps/tarvs.png";
    const std::string png = testutil::ReadFile(name);
    ASSERT_GT(png.size(), 33u) << name;
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    const auto be32 = [&](size_t o) {
      return (uint32_t)(uint8_t)png[o] << 24 | (uint32_t)(uint8_t)png[o + 1] << 16 |
             (uint32_t)(uint8_t)png[o + 2] << 8 | (uint32_t)(uint8_t)png[o + 3];
    };
    EXPECT_EQ(be32(16), (uint32_t)size) << name;
    EXPECT_EQ(be32(20), (uint32_t)size) << name;
    EXPECT_EQ(png[25], 6) << "RGBA";
  }
  const std::string svg =
      testutil::ReadFile(std::string(TEST_BINARY_DIR) + "/icons/hicolor/scalable/apps/tarvs.svg");
  EXPECT_NE(svg.find("viewBox=\"0 0 256 256\""), std::string::npos);
  EXPECT_NE(svg.find("<circle"), std::string::npos);

  // The Windows .ico: each directory entry names a PNG of its own size that
  // lies wholly inside the file (Windows reads nothing but the directory).
  const std::string ico = testutil::ReadFile(std::string(TEST_BINARY_DIR) + "/icons/tarvs.ico");
  ASSERT_GE(ico.size(), 6u);
  const auto le = [&](size_t o, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | (uint8_t)ico[o + i];
    return v;
  };
  EXPECT_EQ(le(0, 2), 0u);
  EXPECT_EQ(le(2, 2), 1u) << "an icon, not a cursor";
  const uint32_t count = le(4, 2);
  ASSERT_GE(count, 4u);
  ASSERT_GE(ico.size(), 6 + 16 * count);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t e = 6 + 16 * i;
    const uint32_t size = ico[e] == 0 ? 256 : (uint8_t)ico[e];
    const uint32_t bytes = le(e + 8, 4), offset = le(e + 12, 4);
    ASSERT_LE((uint64_t)offset + bytes, ico.size()) << "entry " << i;
    ASSERT_GT(bytes, 24u);
    EXPECT_EQ(ico.substr(offset, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << "entry " << i;
    EXPECT_EQ((uint8_t)ico[offset + 19], size & 0xFF) << "entry " << i;  // IHDR width, low byte
    EXPECT_EQ((uint8_t)ico[offset + 18], size >> 8) << "entry " << i;
  }
}

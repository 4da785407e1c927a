// Contact sheet of the generated models: each is drawn through the engine
// in a few keyframes, side-on as the game shows it, with the top of its
// floor as a magenta line, into contact_sheet.tga (and .png when
// ImageMagick is installed) in the working directory. The test also checks
// in the picture that every actor's lowest pixel sits on its floor line.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "render/GLExt.h"
#include "Pictures.h"
#include "testutil.h"

namespace {

struct Entry {
  const char* model;
  const char* texture;
  const char* scaleOf;  // model whose unitScale draws this one (null: its own)
  float factor;         // times that unitScale
  float offsetY;
  float floor;          // top of the floor relative to the position
  bool onFloor;         // the lowest pixel must touch the floor line
  const char* overlay;  // weapon drawn with the player, or shells in their box
  const char* overlayTexture;
  std::vector<int> frames;
};

const int kCell = 160;
const float kHalf = 2.0f;  // world units from the cell centre to its edge

class Sheet : public ::testing::Test {
protected:
  static void SetUpTestSuite() { testutil::LinkDataDir(); }
};

// Pixel helpers over the read-back frame (rows bottom-up).
struct Frame {
  int w, h;
  std::vector<unsigned char> px;
  const unsigned char* At(int x, int y) const { return &px[((size_t)y * w + x) * 4]; }
};

bool IsBackground(const unsigned char* p) { return p[0] == 51 && p[1] == 56 && p[2] == 64; }
bool IsFloor(const unsigned char* p) { return p[0] == 255 && p[1] == 0 && p[2] == 255; }

// Animated models with the keyframes sampled from each, one row per model.
// clang-format off
const std::vector<Entry> kAnimated = {
    {"data/player/tarva.mdl", "data/player/tuvra.tga", nullptr, 1, 0, -1.0f, true, "data/weapons/mach.mdl",
     "data/weapons/mach.tga", {0, 20, 40, 42, 44, 46, 48, 50}},
    {"data/player/tarva.mdl", "data/player/tuvra.tga", nullptr, 1, 0, -1.0f, true, "data/weapons/SHOOTGUN.mdl",
     "data/weapons/SHOOTGUN.tga", {0, 41, 43, 45, 46, 47, 48, 49}},
    {"data/player/tarva.mdl", "data/player/tuvra.tga", nullptr, 1, 0, -1.0f, true, "data/weapons/hyp.mdl",
     "data/weapons/hyp.tga", {0, 41, 43, 45, 46, 47, 48, 49}},
    {"data/enemy/spider.mdl", "data/enemy/spider.tga", nullptr, 1, 0, -1.3f, true, nullptr, nullptr,
     {0, 2, 4, 6, 12, 15, 175, 178}},
    {"data/enemy/demon.mdl", "data/enemy/demon.tga", nullptr, 2, -1.2f, -1.2f, true, nullptr, nullptr,
     {0, 3, 6, 9, 13, 16, 19, 22}},
    {"data/enemy/demonDIE.mdl", "data/enemy/demon.tga", "data/enemy/demon.mdl", 2, -1.2f, -1.2f, true, nullptr,
     nullptr, {0, 2, 4, 6, 8, 10, 11}},
    {"data/enemy/soldier.mdl", "data/enemy/soldier.tga", nullptr, 1.1f, -0.2f, -1.2f, true, nullptr, nullptr,
     {0, 3, 6, 9, 13, 16, 274, 278}},
    {"data/enemy/mutant.mdl", "data/enemy/mutant.tga", nullptr, 1.1f, -0.4f, -1.2f, true, nullptr, nullptr,
     {0, 2, 4, 8, 10, 16, 19, 22}},
};
// Static models, one keyframe each, in one row. Pickups are drawn 0.2
// above their cell and hover; the map's crate rests on its floor.
const std::vector<Entry> kProps = {
    {"data/obj/box.mdl", "data/obj/box.tga", nullptr, 1, 0, -1.03f, true, nullptr, nullptr, {0}},
    {"data/items/medkit.mdl", "data/items/aid.tga", nullptr, 0.4f, 0.2f, -0.9f, true, nullptr, nullptr, {0}},
    {"data/items/ammobox.mdl", "data/items/ammobox.tga", nullptr, 0.5f, 0.2f, -0.9f, true, nullptr, nullptr, {0}},
    {"data/items/ShellBox.mdl", "data/items/ShellBox.tga", nullptr, 0.5f, 0.2f, -0.9f, true,
     "data/items/ShellBox_Shells.mdl", "data/items/ShellBox_Shells.tga", {0}},
    {"data/items/box.mdl", "data/items/rocket.tga", nullptr, 1.0f / 3, 0.2f, -0.9f, true, nullptr, nullptr, {0}},
    {"data/items/key.mdl", "data/items/KeyCard-Blue.tga", nullptr, 0.5f, 0.2f, -0.9f, false, nullptr, nullptr, {0}},
    {"data/items/hyp.mdl", "data/weapons/hyp.tga", nullptr, 1, 0.2f, -0.9f, false, nullptr, nullptr, {0}},
    {"data/items/shoot.mdl", "data/weapons/SHOOTGUN.tga", nullptr, 1, 0.2f, -0.9f, false, nullptr, nullptr, {0}},
};
// clang-format on

TEST_F(Sheet, ModelsDrawnThroughTheEngineStandOnTheirFloors) {
  const std::vector<Entry>& entries = kAnimated;
  const std::vector<Entry>& props = kProps;
  const int cols = 8, rows = (int)entries.size() + 1;
  const int W = cols * kCell, H = rows * kCell;
  ASSERT_TRUE(testutil::OpenContext(W, H));
  ASSERT_EQ(cgl::LoadEntryPoints(), nullptr);
  glClearColor(51 / 255.0f, 56 / 255.0f, 64 / 255.0f, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);

  struct Placed {
    int cx, cy;   // cell, row counted from the top
    float floor;  // floor in cell world coordinates
    float centreY;
    bool check;
    std::string label;
  };
  std::vector<Placed> placed;

  auto draw = [&](const Entry& e, int frame, int cx, int cy) {
    TModel m, scaleModel, over;
    m.Load(e.model, LoadTexture(e.texture));
    float unit = m.unitScale;
    if (e.scaleOf) {
      scaleModel.Load(e.scaleOf, 0);
      unit = scaleModel.unitScale;
    }
    float centreY = e.floor + 1.2f;
    glViewport(cx * kCell, (rows - 1 - cy) * kCell, kCell, kCell);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-kHalf, kHalf, centreY - kHalf, centreY + kHalf, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // Floor line behind the model.
    glDisable(GL_TEXTURE_2D);
    glColor3f(1, 0, 1);
    glBegin(GL_QUADS);
    glVertex3f(-kHalf, e.floor - 0.05f, -5);
    glVertex3f(kHalf, e.floor - 0.05f, -5);
    glVertex3f(kHalf, e.floor, -5);
    glVertex3f(-kHalf, e.floor, -5);
    glEnd();
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    m.InitModel(unit * e.factor, 90, 0, 0, 0, 0, 0);
    m.SetOffset(0, e.offsetY);
    m.frame = (float)frame;
    m.DrawStatic();
    if (e.overlay) {
      over.Load(e.overlay, LoadTexture(e.overlayTexture));
      over.InitModel(unit * e.factor, 90, 0, 0, 0, 0, 0);
      over.SetOffset(0, e.offsetY);
      over.frame = (float)frame;
      over.DrawStatic();
    }
    placed.push_back({cx, cy, e.floor, centreY, e.onFloor,
                      std::string(e.model) + " frame " + std::to_string(frame)});
  };
  for (int r = 0; r < (int)entries.size(); ++r)
    for (int c = 0; c < (int)entries[r].frames.size() && c < cols; ++c)
      draw(entries[r], entries[r].frames[c], c, r);
  for (int c = 0; c < (int)props.size() && c < cols; ++c) draw(props[c], 0, c, rows - 1);
  ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);

  Frame f{W, H, std::vector<unsigned char>((size_t)W * H * 4)};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, f.px.data());
  testutil::CloseContext();

  // The picture as an uncompressed 24-bit TGA; the frame was read bottom-up.
  std::vector<unsigned char> rgb;
  rgb.reserve((size_t)W * H * 3);
  for (int y = H - 1; y >= 0; --y)
    for (int x = 0; x < W; ++x)
      rgb.insert(rgb.end(), f.px.begin() + ((size_t)y * W + x) * 4,
                 f.px.begin() + ((size_t)y * W + x) * 4 + 3);
  ASSERT_TRUE(testutil::WriteFile("contact_sheet.tga", testutil::Tga24(W, H, rgb)));
  if (std::system("command -v convert > /dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system("convert contact_sheet.tga -auto-orient contact_sheet.png"), 0);
  }

  // Every cell shows its model, and actors touch their floor line.
  const float pxPerUnit = kCell / (2 * kHalf);
  for (const Placed& p : placed) {
    int x0 = p.cx * kCell, y0 = (rows - 1 - p.cy) * kCell;
    int drawn = 0, lowest = kCell;
    for (int y = 0; y < kCell; ++y)
      for (int x = 0; x < kCell; ++x) {
        const unsigned char* c = f.At(x0 + x, y0 + y);
        if (IsBackground(c) || IsFloor(c)) continue;
        ++drawn;
        if (y < lowest) lowest = y;
      }
    EXPECT_GT(drawn, 50) << p.label << " drew nothing";
    if (!p.check) continue;
    float floorRow = (p.floor - (p.centreY - kHalf)) * pxPerUnit;
    EXPECT_NEAR(lowest, floorRow, 3.0) << p.label;
  }
}

}  // namespace

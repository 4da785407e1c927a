// Menu widgets: state from the mouse, clicks, draw order and hooks, the
// widget limit, and what a button and the menu cursor put on the screen.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Internal.h"
#include "Pictures.h"
#include "testutil.h"

namespace {

std::vector<std::string> g_events;
int g_clicks[8];
void ClickA() { g_clicks[0]++; }
void ClickB() { g_clicks[1]++; }
void ClickC() { g_clicks[2]++; }
void ClickD() { g_clicks[3]++; }
void Before() { g_events.push_back("before"); }
void After() { g_events.push_back("after"); }

// A widget that records when it is drawn.
class Probe : public TCObjectUI {
public:
  explicit Probe(const char* n) : name(n) {}
  void Draw() override { g_events.push_back(name); }
  const char* name;
};

void Mouse(int x, int y, bool held) {
  _MousePosX = x;
  _MousePosY = y;
  _MouseButton[0] = held;
}

class MenuLogic : public ::testing::Test {
protected:
  void SetUp() override {
    g_events.clear();
    for (int& c : g_clicks) c = 0;
    Mouse(0, 0, false);
  }
};

TEST_F(MenuLogic, StateFollowsTheMouseEdgesIncluded) {
  TCMenu menu;
  TCObjectUI w, off;
  w.Create(0, 10, 20, 30, 40);  // x 10..40, y 20..60
  w.enabled = true;
  off.Create(0, 10, 20, 30, 40);
  off.enabled = false;
  menu.Add(&w);
  menu.Add(&off);
  struct Case {
    int x, y;
    bool held;
    int state;
  } cases[] = {
      {5, 30, false, 0},  {10, 20, false, 1}, {40, 60, false, 1}, {40, 60, true, 2},
      {41, 60, false, 0}, {40, 61, true, 0},  {25, 40, true, 2},  {9, 40, false, 0},
  };
  for (const Case& c : cases) {
    Mouse(c.x, c.y, c.held);
    menu.Process();
    EXPECT_EQ(w.state, c.state) << c.x << "," << c.y << (c.held ? " held" : "");
    EXPECT_EQ(off.state, 3);
  }
}

TEST_F(MenuLogic, ClickReachesEveryEnabledWidgetUnderTheMouse) {
  TCMenu menu;
  TCObjectUI a, b, disabled, noCallback, elsewhere;
  a.Create(0, 0, 0, 100, 100);
  b.Create(0, 50, 50, 100, 100);  // overlaps a
  disabled.Create(0, 60, 60, 10, 10);
  noCallback.Create(0, 60, 60, 10, 10);
  elsewhere.Create(0, 200, 200, 10, 10);
  a.onClick = ClickA;
  b.onClick = ClickB;
  disabled.onClick = ClickC;
  elsewhere.onClick = ClickD;
  a.enabled = b.enabled = noCallback.enabled = elsewhere.enabled = true;
  for (TCObjectUI* w : {&a, &b, &disabled, &noCallback, &elsewhere}) menu.Add(w);

  Mouse(65, 65, false);
  menu.Process();
  EXPECT_EQ(disabled.state, 3);
  menu.Click();
  EXPECT_EQ(g_clicks[0], 1);
  EXPECT_EQ(g_clicks[1], 1);
  EXPECT_EQ(g_clicks[2], 0);  // disabled, though under the mouse
  EXPECT_EQ(g_clicks[3], 0);

  // Where the button is released counts, not the stale state.
  Mouse(205, 205, false);
  menu.Click();
  EXPECT_EQ(g_clicks[3], 1);
  EXPECT_EQ(g_clicks[0], 1);
}

TCMenu* g_clearing = nullptr;
void ClearMenu() {
  g_clicks[4]++;
  g_clearing->count = 0;
}

TEST_F(MenuLogic, CallbackThatEmptiesTheMenuStopsTheClick) {
  TCMenu menu;
  TCObjectUI a, b;
  a.Create(0, 0, 0, 10, 10);
  b.Create(0, 0, 0, 10, 10);
  a.enabled = b.enabled = true;
  a.onClick = ClearMenu;
  b.onClick = ClickB;
  menu.Add(&a);
  menu.Add(&b);
  g_clearing = &menu;
  menu.Click();
  EXPECT_EQ(g_clicks[4], 1);
  EXPECT_EQ(g_clicks[1], 0);
}

TEST_F(MenuLogic, DrawOrderAndEmptyMenu) {
  TCMenu menu;
  EXPECT_EQ(menu.count, 0);
  EXPECT_FALSE(menu.cursorOn);
  EXPECT_EQ(menu.cursor.color[3], 1.0f);
  menu.beforeDraw = Before;
  menu.afterDraw = After;
  menu.Draw();
  menu.Process();
  menu.Click();
  EXPECT_EQ(g_events, (std::vector<std::string>{"before", "after"}));

  Probe one("one"), two("two");
  menu.Add(&one);
  menu.Add(&two);
  g_events.clear();
  menu.Draw();
  EXPECT_EQ(g_events, (std::vector<std::string>{"before", "one", "two", "after"}));
}

TEST_F(MenuLogic, NeverMoreThan512Widgets) {
  // Guard words on both sides catch a write past the items array.
  struct Guarded {
    TCMenu menu;
    int guard = 0x5A5A5A5A;
  };
  Guarded* g = new Guarded();
  std::vector<Probe> probes(600, Probe("p"));
  for (Probe& p : probes) g->menu.Add(&p);
  EXPECT_EQ(g->menu.count, 512);
  EXPECT_EQ(g->menu.items[511], &probes[511]);
  EXPECT_EQ(g->guard, 0x5A5A5A5A);
  g_events.clear();
  g->menu.Draw();
  EXPECT_EQ(g_events.size(), 512u);
  // A count written out of range by a caller is still kept in the array.
  g->menu.count = 100000;
  g->menu.Process();
  g->menu.count = -3;
  g->menu.Draw();
  delete g;
}

TEST_F(MenuLogic, ButtonKeepsItsOwnCaptionCopy) {
  TCButton b;
  char caption[] = "Start";
  b.SetText(caption);
  caption[0] = 'X';
  EXPECT_STREQ(b.text, "Start");
  TFonts f;
  f.Create(7, 16);
  f.SetColor(1, 0, 0, 1);
  b.SetFont(f);
  EXPECT_EQ(b.font.texture, 7u);
  EXPECT_EQ(b.font.size, 16);
  EXPECT_EQ(b.font.color[1], 0.0f);
}

// ---------------------------------------------------------------- drawing

const int kW = 320, kH = 240;

GLuint SolidTexture(unsigned char r, unsigned char g, unsigned char b) {
  GLuint tex = 0;
  std::vector<unsigned char> px(8 * 8 * 3);
  for (size_t i = 0; i < px.size(); i += 3) {
    px[i] = r;
    px[i + 1] = g;
    px[i + 2] = b;
  }
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 8, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, px.data());
  return tex;
}

// Screen pixel (x from the left, y from the top).
std::vector<int> At(int x, int y) {
  unsigned char c[4];
  glReadPixels(x, kH - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, c);
  return {c[0], c[1], c[2]};
}

class MenuDraw : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    _Zarn_ScreenWidth = kW;
    _Zarn_ScreenHeight = kH;
    ASSERT_TRUE(testutil::OpenContext(kW, kH));
    InitGL(kW, kH);
  }
  void SetUp() override {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Mouse(0, 0, false);
  }
};

TEST_F(MenuDraw, ButtonShowsItsStateImageAndPlacesTheCaption) {
  GLuint states[4] = {SolidTexture(200, 0, 0), SolidTexture(0, 200, 0), SolidTexture(0, 0, 200),
                      SolidTexture(90, 90, 90)};
  TCButton b;
  b.Create(states, 20, 30, 200, 40);
  b.enabled = true;
  TFonts font;
  font.Create(SolidTexture(255, 255, 255), 16);  // every glyph a full square
  font.SetColor(1, 1, 0, 1);
  b.SetFont(font);
  b.SetText("AB");
  b.SetTextColor(0, 1, 1, 1);
  TCMenu menu;
  menu.Add(&b);

  Mouse(300, 200, false);
  menu.Process();
  menu.Draw();
  testutil::SavePng("menu_button", kW, kH);
  // Caption "AB" at 16 px: 16 px wide, 5/12 of the free 184 px from the
  // left (x 96), vertically centred (y 42); glyphs in the font's tint.
  EXPECT_EQ(At(97, 43), (std::vector<int>{255, 255, 0}));
  EXPECT_EQ(At(119, 57), (std::vector<int>{255, 255, 0}));
  EXPECT_EQ(At(94, 50), (std::vector<int>{200, 0, 0}));
  EXPECT_EQ(At(122, 50), (std::vector<int>{200, 0, 0}));
  EXPECT_EQ(At(100, 40), (std::vector<int>{200, 0, 0}));
  EXPECT_EQ(At(21, 31), (std::vector<int>{200, 0, 0}));
  EXPECT_EQ(At(218, 68), (std::vector<int>{200, 0, 0}));
  EXPECT_EQ(At(18, 50), (std::vector<int>{0, 0, 0}));

  const int expected[4][3] = {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {90, 90, 90}};
  struct Step {
    int x, y;
    bool held, enabled;
    int state;
  } steps[] = {{50, 50, false, true, 1}, {50, 50, true, true, 2}, {50, 50, true, false, 3}};
  for (const Step& s : steps) {
    Mouse(s.x, s.y, s.held);
    b.enabled = s.enabled;
    menu.Process();
    ASSERT_EQ(b.state, s.state);
    glClear(GL_COLOR_BUFFER_BIT);
    menu.Draw();
    const int* e = expected[s.state];
    EXPECT_EQ(At(30, 35), (std::vector<int>{e[0], e[1], e[2]})) << "state " << s.state;
  }

  // A caption wider than the button starts at its left edge.
  b.SetText("A very long caption for a button");
  glClear(GL_COLOR_BUFFER_BIT);
  menu.Draw();
  EXPECT_EQ(At(21, 43), (std::vector<int>{255, 255, 0}));
  // A percent sign in a caption is drawn as it is, never read as a format.
  b.SetText("%s%s%n");
  menu.Draw();
}

TEST_F(MenuDraw, CursorImageFollowsTheMouseAndHidesTheSystemCursor) {
  // 8 x 8 cursor: white with a black (transparent) right half.
  std::vector<unsigned char> rgb;
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 8; x++) rgb.insert(rgb.end(), 3, x < 4 ? 255 : 0);
  ASSERT_TRUE(testutil::WriteFile("cursor.tga", testutil::Tga24(8, 8, rgb)));

  TCMenu menu;
  TCObjectUI back;
  back.Create(SolidTexture(0, 0, 150), 0, 0, kW, kH);
  menu.Add(&back);
  menu.SetCursor("cursor.tga", 16, 16);
  EXPECT_TRUE(menu.cursorOn);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);

  Mouse(100, 80, false);
  menu.Draw();
  testutil::SavePng("menu_cursor", kW, kH);
  EXPECT_EQ(At(102, 85), (std::vector<int>{255, 255, 255}));  // left half, opaque
  EXPECT_EQ(At(112, 85), (std::vector<int>{0, 0, 150}));      // right half, see-through
  EXPECT_EQ(At(98, 85), (std::vector<int>{0, 0, 150}));       // left of the hot spot

  // Hiding the menu does not bring the system cursor back.
  ShowMenu(-1);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
}

}  // namespace

// Runs each example program headless for 100 ticks in its own folder and
// checks the last frame it saved for what the example is meant to show.
#include "testutil.h"

#include <gtest/gtest.h>
#include "TestPlatform.h"

#include <cstdlib>
#include <functional>
#include <string>

namespace {

// A 24-bit uncompressed TGA as written by the engine's screenshot.
struct Frame {
  int width = 0, height = 0;
  std::string bytes;
  // y counted from the top; rows are stored bottom row first.
  testutil::Pixel At(int x, int y) const {
    const size_t i = 18 + 3 * (static_cast<size_t>(height - 1 - y) * width + x);
    return {static_cast<unsigned char>(bytes[i + 2]), static_cast<unsigned char>(bytes[i + 1]),
            static_cast<unsigned char>(bytes[i])};
  }
  // Pixels of the rectangle [x0, x1) x [y0, y1) for which `match` holds.
  int Count(int x0, int y0, int x1, int y1,
            const std::function<bool(const testutil::Pixel&)>& match) const {
    int n = 0;
    for (int y = y0; y < y1; y++)
      for (int x = x0; x < x1; x++) n += match(At(x, y)) ? 1 : 0;
    return n;
  }
  int CountAll(const std::function<bool(const testutil::Pixel&)>& match) const {
    return Count(0, 0, width, height, match);
  }
};

// Runs build/examples/corvane_<name> --ticks 100 --shot and reads its frame.
Frame RunExample(const std::string& name) {
  const std::string dir = name;
  testos::MakeDir(dir.c_str());
  testutil::RemoveFile(dir + "/Screen0.tga");
  const std::string command =
      "cd " + dir + " && " EXAMPLE_DIR "/corvane_" + name + " --ticks 100 --shot > run.txt 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  Frame f;
  f.bytes = testutil::ReadFile(dir + "/Screen0.tga");
  if (f.bytes.size() < 18) return f;
  f.width = static_cast<unsigned char>(f.bytes[12]) | static_cast<unsigned char>(f.bytes[13]) << 8;
  f.height = static_cast<unsigned char>(f.bytes[14]) | static_cast<unsigned char>(f.bytes[15]) << 8;
  EXPECT_EQ(f.bytes.size(), 18u + 3u * f.width * f.height);
  return f;
}

bool White(const testutil::Pixel& p) { return p.r > 200 && p.g > 200 && p.b > 200; }

}  // namespace

TEST(Examples, SpriteGameShowsShipCoinAndScore) {
  const Frame f = RunExample("sprite_game");
  ASSERT_EQ(f.width, 640);
  ASSERT_EQ(f.height, 480);
  // The green ship, the gold coin, the score text in the top-left corner.
  EXPECT_GT(
      f.CountAll([](const testutil::Pixel& p) { return p.g > 180 && p.r < 120 && p.b < 140; }),
      200);
  EXPECT_GT(f.CountAll([](const testutil::Pixel& p) { return p.r > 200 && p.g > 130 && p.b < 80; }),
            150);
  EXPECT_GT(f.Count(0, 0, 220, 60, White), 100);
  EXPECT_EQ(f.Count(0, 100, 640, 480, White), 0);
  // Magenta is the sprites' colour key: none of it reaches the screen.
  EXPECT_EQ(f.CountAll([](const testutil::Pixel& p) { return p.r > 200 && p.g < 60 && p.b > 200; }),
            0);
}

TEST(Examples, SoundDemoLoadsAndPlays) {
  const Frame f = RunExample("sound_demo");
  ASSERT_EQ(f.width, 640);
  // The lamp is green (bright or dark) only when the sound loaded.
  const testutil::Pixel lamp = f.At(580, 60);
  EXPECT_GT(lamp.g, 80);
  EXPECT_LT(lamp.r, lamp.g / 2);
  // The cyan wave and the white text.
  EXPECT_GT(f.Count(64, 220, 580, 380,
                    [](const testutil::Pixel& p) { return p.b > 200 && p.g > 150 && p.r < 100; }),
            2000);
  EXPECT_GT(f.Count(0, 0, 300, 100, White), 200);
  EXPECT_NE(testutil::ReadFile("sound_demo/run.txt").find("2 plays"), std::string::npos);
}

TEST(Examples, ModelTurnsAmidParticles) {
  const Frame f = RunExample("model_particles");
  ASSERT_EQ(f.width, 640);
  // The pink crystal in the middle of the picture, blue sparks around it.
  EXPECT_GT(f.Count(220, 80, 420, 400,
                    [](const testutil::Pixel& p) { return p.r > 150 && p.b > 100 && p.g < 180; }),
            5000);
  EXPECT_GT(
      f.CountAll([](const testutil::Pixel& p) { return p.b > 60 && p.b > p.r + 30 && p.b > p.g; }),
      100);
  EXPECT_LT(f.Count(0, 0, 640, 60, [](const testutil::Pixel& p) { return p.r + p.g + p.b > 30; }),
            50);
}

TEST(Examples, MenuDemoShowsPanelButtonsAndModel) {
  const Frame f = RunExample("menu_demo");
  ASSERT_EQ(f.width, 640);
  const testutil::Pixel panel = f.At(30, 220);
  EXPECT_EQ(panel.r, 20);
  EXPECT_EQ(panel.g, 24);
  EXPECT_EQ(panel.b, 40);
  // Captions on the buttons, the yellow-and-red pyramid on the right.
  EXPECT_GT(f.Count(40, 48, 232, 224, White), 150);
  EXPECT_GT(f.Count(320, 200, 640, 480,
                    [](const testutil::Pixel& p) { return p.r > 200 && p.g > 170 && p.b < 100; }),
            1000);
}

// The GL calls of a frame of the shipped level, read from the engine's
// counting layer: draw calls, texture binds and all GL calls a frame
// standing at the start and through the whole scripted run, held under
// fixed bounds so that per-object drawing cannot creep back. Also checks
// that every GL call in the engine's sources goes through the counters.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "Harness.h"
#include "KeyScript.h"
#include "actors/Player.h"
#include "render/GLCount.h"
#include "shell/Shell.h"
#include "testutil.h"
#include "world/Level.h"

namespace {

// What one frame cost, as differences of the running totals.
struct FrameCost {
  unsigned long long calls = 0, draws = 0, binds = 0;
};

FrameCost DrawCountedFrame() {
  const cgl::GLCallCounts before = cgl::GLCalls;
  harness::RenderFrame();
  FrameCost c;
  c.calls = cgl::GLCalls.calls - before.calls;
  c.draws = cgl::GLCalls.draws - before.draws;
  c.binds = cgl::GLCalls.textureBinds - before.textureBinds;
  return c;
}

struct Worst {
  FrameCost max;
  FrameCost sum;
  int frames = 0;
  void Add(const FrameCost& c) {
    max.calls = std::max(max.calls, c.calls);
    max.draws = std::max(max.draws, c.draws);
    max.binds = std::max(max.binds, c.binds);
    sum.calls += c.calls;
    sum.draws += c.draws;
    sum.binds += c.binds;
    frames++;
  }
  void Print(const char* what) const {
    const double n = frames > 0 ? frames : 1;
    std::printf(
        "%s: %d frames; draws max %llu mean %.1f; texture binds max %llu mean %.1f; "
        "GL calls max %llu mean %.1f\n",
        what, frames, max.draws, sum.draws / n, max.binds, sum.binds / n, max.calls, sum.calls / n);
  }
};

// The bounds a frame of the shipped level must stay within.
constexpr unsigned long long kStandingDraws = 20;
constexpr unsigned long long kPlayDraws = 25;
constexpr unsigned long long kFrameBinds = 40;
constexpr unsigned long long kFrameCalls = 600;

TEST(GLCallCounts, ShippedLevelStandingAndInPlay) {
  testutil::LinkDataDir();
  const std::string text = testutil::ReadFile(TEST_SOURCE_DIR "/tools/level/level0.keys");
  ASSERT_FALSE(text.empty()) << "missing tools/level/level0.keys";
  keyscript::Script script;
  std::string error;
  ASSERT_TRUE(keyscript::Parse(text, &script, &error)) << error;
  // A small window is enough: the counts do not depend on its size.
  ASSERT_TRUE(harness::StartGame(256, 192, 1024, 768, script.seed));
  ASSERT_GT(MapCellCount, 0);

  // Standing at the start: a few ticks with no key held, one frame each.
  Worst standing;
  for (int k = 0; k < 256; k++) _keys[k] = 0;
  for (int i = 0; i < 10; i++) {
    ProcessCallback();
    standing.Add(DrawCountedFrame());
  }
  standing.Print("standing");

  // The whole scripted run: walking, jumping, firing, monsters shooting,
  // pickups, doors opening, corpses; a frame every third tick.
  Worst play;
  keyscript::Replayer keys(script);
  int tick = 0;
  while (keys.Next(_keys, 256)) {
    ProcessCallback();
    if (++tick % 3 == 0) play.Add(DrawCountedFrame());
  }
  for (int k = 0; k < 256; k++) _keys[k] = 0;
  play.Print("in play");

  EXPECT_LE(standing.max.draws, kStandingDraws);
  EXPECT_LE(play.max.draws, kPlayDraws);
  EXPECT_LE(std::max(standing.max.binds, play.max.binds), kFrameBinds);
  EXPECT_LE(std::max(standing.max.calls, play.max.calls), kFrameCalls);
}

// Source text with comments and string literals blanked out.
std::string CodeOnly(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size(); i++) {
    if (out.compare(i, 2, "//") == 0) {
      while (i < out.size() && out[i] != '\n') out[i++] = ' ';
    } else if (out.compare(i, 2, "/*") == 0) {
      const size_t end = out.find("*/", i + 2);
      const size_t stop = end == std::string::npos ? out.size() : end + 2;
      for (; i < stop; i++)
        if (out[i] != '\n') out[i] = ' ';
    } else if (out[i] == '"') {
      for (i++; i < out.size() && out[i] != '"'; i++) {
        if (out[i] == '\\') out[i++] = ' ';
        out[i] = ' ';
      }
    }
  }
  return out;
}

std::vector<std::string> EngineSources() {
  std::vector<std::string> files;
  for (const char* room : {"core", "render", "model", "audio", "ui"}) {
    const std::string dir = std::string(TEST_SOURCE_DIR "/engine/") + room;
    DIR* d = opendir(dir.c_str());
    if (!d) continue;
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name.size() > 4 &&
          (name.substr(name.size() - 4) == ".cpp" || name.substr(name.size() - 2) == ".h"))
        files.push_back(dir + "/" + name);
    }
    closedir(d);
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(GLCallCounts, EveryGLCallInTheEngineIsCounted) {
  const std::string layer = testutil::ReadFile(TEST_SOURCE_DIR "/engine/render/GLCount.h");
  ASSERT_FALSE(layer.empty());
  std::set<std::string> counted;
  const std::regex define("#define (glu?[A-Z][A-Za-z0-9]*)\\(\\.\\.\\.\\)");
  for (std::sregex_iterator it(layer.begin(), layer.end(), define), end; it != end; ++it)
    counted.insert((*it)[1]);
  ASSERT_GT(counted.size(), 50u);

  const std::regex call("(^|[^A-Za-z0-9_.>:])(glu?[A-Z][A-Za-z0-9]*)\\s*\\(");
  const std::vector<std::string> files = EngineSources();
  ASSERT_GT(files.size(), 10u);
  for (const std::string& path : files) {
    if (path.find("/GLCount.h") != std::string::npos) continue;
    const std::string source = testutil::ReadFile(path);
    const std::string code = CodeOnly(source);
    bool calls = false;
    for (std::sregex_iterator it(code.begin(), code.end(), call), end; it != end; ++it) {
      const std::string name = (*it)[2];
      calls = true;
      EXPECT_TRUE(counted.count(name)) << path << " calls " << name << ", which is not counted";
    }
    if (calls) {
      EXPECT_NE(source.find("#include \"render/GLCount.h\""), std::string::npos)
          << path << " calls GL without the counting layer";
    }
  }
}

}  // namespace

// Replays a key script through the game without a human and without a
// visible window: the real game modules run tick by tick on the shipped
// level, and frames can be saved as pictures to watch the run.
//
//   replay SCRIPT [--shots DIR] [--every N] [--trace] [--size WxH] [--demo OUT]
//   replay --record PLAN OUT [--trace]
//
// The game reads "data/..." from the working directory; started elsewhere,
// the tool moves to the build directory it was built in (where the data
// tree is), keeping the paths given on its command line as they were. With
// --shots it renders every N-th tick (default 25) into DIR/frameNNNNN.tga;
// --trace prints the player's state each tick with the script line.
// --demo writes the run as a demo that `TARVS --verify` checks (the data
// tree's digest taken from data/); this is how tests/data/level0.demo is
// made (scripts/record_demo.sh).
// --record carries out a plan (see Recorder.h) and writes the keys of every
// tick as a key script to OUT; it reports pickups, kills, doors and damage
// as they happen. The last line is the run report; the exit code is 0 when
// the run reached every goal (all key cards, all doors, a kill of every
// monster kind, the far end of the level), 1 when it did not, 2 on a usage
// or start error.
#include <SDL2/SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "Harness.h"
#include "KeyScript.h"
#include "Recorder.h"
#include "RunCheck.h"
#include "actors/Player.h"
#include "shell/Demo.h"
#include "shell/Shell.h"
#include "shell/StateDigest.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: replay SCRIPT [--shots DIR] [--every N] [--trace] [--size WxH] "
               "[--demo OUT]\n"
               "       replay --record PLAN OUT [--trace]\n");
  return 2;
}

bool ReadText(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream ss;
  ss << in.rdbuf();
  *text = ss.str();
  return true;
}

// What changed in the game during one tick, for the recorder's log.
struct Watch {
  bool keys[3] = {false, false, false};
  bool weapons[8] = {false};
  int health = 0;
  int doors = 0;
  int monsterHealth[MONSTER_SLOTS] = {0};

  void Take() {
    for (int k = 0; k < 3; k++) keys[k] = Player.keys[k];
    for (int k = 0; k < 8; k++) weapons[k] = Player.hasWeapon[k];
    health = Player.health;
    doors = runcheck::DoorsLeft();
    for (int i = 0; i < MonsterCount; i++) monsterHealth[i] = Monsters.monsters[i].health;
  }
  void Report(int tick, int line) {
    static const char* keyNames[3] = {"blue", "red", "yellow"};
    static const char* kindNames[4] = {"spider", "demon", "soldier", "mutant"};
    for (int k = 0; k < 3; k++)
      if (Player.keys[k] && !keys[k])
        std::printf("tick %d line %d: %s key card\n", tick, line, keyNames[k]);
    for (int k = 0; k < 8; k++)
      if (Player.hasWeapon[k] && !weapons[k])
        std::printf("tick %d line %d: weapon %d\n", tick, line, k + 1);
    if (Player.health != health)
      std::printf("tick %d line %d: health %d -> %d\n", tick, line, health, Player.health);
    if (runcheck::DoorsLeft() != doors)
      std::printf("tick %d line %d: door opened at x %.2f\n", tick, line, Player.x);
    for (int i = 0; i < MonsterCount; i++) {
      const SMonsters& m = Monsters.monsters[i];
      if (m.health != monsterHealth[i] && m.health <= 0)
        std::printf("tick %d line %d: killed %s %d at (%.2f, %.2f)\n", tick, line,
                    m.kind >= 0 && m.kind < 4 ? kindNames[m.kind] : "?", i, m.x, m.y);
    }
    Take();
  }
};

std::string KeyName(int code) {
  switch (code) {
    case 37: return "LEFT";
    case 38: return "UP";
    case 39: return "RIGHT";
    case 32: return "SPACE";
    default: return std::string(1, (char)code);
  }
}

// Runs the plan and writes the keys it pressed as a key script.
int Record(const std::string& planPath, const std::string& outPath, bool trace) {
  std::string text, error;
  if (!ReadText(planPath, &text)) {
    std::fprintf(stderr, "replay: cannot read %s\n", planPath.c_str());
    return 2;
  }
  unsigned seed = 1;
  std::vector<recorder::Goal> goals;
  if (!recorder::ParsePlan(text, &seed, &goals, &error)) {
    std::fprintf(stderr, "%s: %s\n", planPath.c_str(), error.c_str());
    return 2;
  }
  if (!harness::StartGame(64, 64, 1024, 768, seed)) {
    std::fprintf(stderr, "replay: no OpenGL context: %s\n", SDL_GetError());
    return 2;
  }
  const int doorsAtStart = runcheck::DoorsLeft();

  static Watch watch;
  watch.Take();
  recorder::Pilot pilot(goals);
  std::string out = "# Key script recorded from " + planPath.substr(planPath.rfind('/') + 1) +
                    "; replayed tick by tick by the scripted-run test.\n";
  out += "seed " + std::to_string(seed) + "\n";
  std::vector<int> keys, runKeys;
  int runTicks = 0, tick = 0;
  auto flush = [&]() {
    if (runTicks == 0) return;
    out += std::to_string(runTicks);
    if (runKeys.empty()) out += " -";
    for (int k : runKeys) out += " " + KeyName(k);
    out += "\n";
  };
  while (pilot.Keys(&keys)) {
    const int line = pilot.Current().line;
    if (keys != runKeys) {
      flush();
      runKeys = keys;
      runTicks = 0;
    }
    ++runTicks;
    for (int k = 0; k < 256; k++) _keys[k] = 0;
    for (int k : keys) _keys[k] = 1;
    ProcessCallback();
    ++tick;
    if (trace)
      std::printf("tick %d line %d x %.2f y %.2f health %d ammo %d/%d/%d\n", tick, line, Player.x,
                  Player.y, Player.health, Player.ammo[0], Player.ammo[1], Player.ammo[2]);
    watch.Report(tick, line);
  }
  flush();
  if (!pilot.Failure().empty()) std::printf("%s\n", pilot.Failure().c_str());
  FILE* f = std::fopen(outPath.c_str(), "wb");
  if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size()) {
    std::fprintf(stderr, "replay: cannot write %s\n", outPath.c_str());
    if (f) std::fclose(f);
    return 2;
  }
  std::fclose(f);
  runcheck::Report report = runcheck::Collect(doorsAtStart, "data/maps/level0.marks");
  std::printf("%d ticks; %s; %s\n", tick, report.Text().c_str(),
              report.Passed() ? "PASSED" : "NOT PASSED");
  return report.Passed() && pilot.Failure().empty() ? 0 : 1;
}

// A path from the command line as seen from the starting directory.
std::string FromStart(const std::string& start, const std::string& path) {
  if (path.empty() || path[0] == '/' || start.empty()) return path;
  return start + "/" + path;
}

// Moves to the directory that holds the data tree when the working
// directory has none: the build directory above this tool's own folder.
// Returns the starting directory, for the command line's paths.
std::string FindDataTree(const char* argv0) {
  char buf[4096];
  std::string start = getcwd(buf, sizeof buf) ? buf : "";
  if (access("data/maps/level0.map", R_OK) == 0) return "";
  std::string exe = argv0;
  if (realpath("/proc/self/exe", buf)) exe = buf;
  std::string dir = exe.substr(0, exe.rfind('/'));  // .../build/tools
  std::string build = dir.substr(0, dir.rfind('/'));
  if (access((build + "/data/maps/level0.map").c_str(), R_OK) == 0 && chdir(build.c_str()) == 0)
    return start;
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string start = FindDataTree(argv[0]);
  if (std::string(argv[1]) == "--record") {
    if (argc < 4 || argc > 5) return Usage();
    if (argc == 5 && std::string(argv[4]) != "--trace") return Usage();
    return Record(FromStart(start, argv[2]), FromStart(start, argv[3]), argc == 5);
  }
  std::string scriptPath = FromStart(start, argv[1]);
  std::string shotsDir, demoPath;
  int every = 25;
  bool trace = false;
  int width = 1024, height = 768;
  for (int i = 2; i < argc; i++) {
    std::string a = argv[i];
    if (a == "--shots" && i + 1 < argc) {
      shotsDir = FromStart(start, argv[++i]);
    } else if (a == "--every" && i + 1 < argc) {
      every = std::atoi(argv[++i]);
      if (every < 1) return Usage();
    } else if (a == "--trace") {
      trace = true;
    } else if (a == "--demo" && i + 1 < argc) {
      demoPath = FromStart(start, argv[++i]);
    } else if (a == "--size" && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width < 16 || height < 16 ||
          width > 4096 || height > 4096)
        return Usage();
    } else {
      return Usage();
    }
  }

  std::string text;
  if (!ReadText(scriptPath, &text)) {
    std::fprintf(stderr, "replay: cannot read %s\n", scriptPath.c_str());
    return 2;
  }
  keyscript::Script script;
  std::string error;
  if (!keyscript::Parse(text, &script, &error)) {
    std::fprintf(stderr, "%s: %s\n", scriptPath.c_str(), error.c_str());
    return 2;
  }

  if (!harness::StartGame(width, height, width, height, script.seed)) {
    std::fprintf(stderr, "replay: no OpenGL context: %s\n", SDL_GetError());
    return 2;
  }
  const int doorsAtStart = runcheck::DoorsLeft();

  static demo::Writer demoOut;
  if (!demoPath.empty()) {
    uint64_t digest = 0;
    uint32_t files = 0;
    if (!demo::DigestDataTree("data", &digest, &files) ||
        !demoOut.Open(demoPath.c_str(),
                      demo::NewHeader(digest, files, script.seed, width, height))) {
      std::fprintf(stderr, "replay: cannot write the demo %s\n", demoPath.c_str());
      return 2;
    }
    demoOut.Start(DigestGameState());
  }

  keyscript::Replayer keys(script);
  int tick = 0;
  while (keys.Next(_keys, 256)) {
    if (!demoPath.empty()) demoOut.BeforeTick(_keys);
    ProcessCallback();
    if (!demoPath.empty()) demoOut.AfterTick(DigestGameState());
    ++tick;
    if (trace)
      std::printf("tick %d line %d x %.2f y %.2f health %d ammo %d/%d/%d weapon %d\n", tick,
                  keys.Line(), Player.x, Player.y, Player.health, Player.ammo[0], Player.ammo[1],
                  Player.ammo[2], Player.currentWeapon);
    if (!shotsDir.empty() && tick % every == 0) {
      harness::RenderFrame();
      char name[32];
      std::snprintf(name, sizeof name, "/frame%05d.tga", tick);
      if (!harness::SaveFrame(shotsDir + name, width, height))
        std::fprintf(stderr, "replay: cannot write %s%s\n", shotsDir.c_str(), name);
    }
  }

  if (!demoPath.empty() && !demoOut.Finish()) {
    std::fprintf(stderr, "replay: writing the demo %s failed\n", demoPath.c_str());
    return 2;
  }
  runcheck::Report report = runcheck::Collect(doorsAtStart, "data/maps/level0.marks");
  std::printf("%d ticks; %s; %s\n", tick, report.Text().c_str(),
              report.Passed() ? "PASSED" : "NOT PASSED");
  return report.Passed() ? 0 : 1;
}

// TARVS: reads the command line, finds the game's data, hands the game's
// callbacks to the engine (full screen at the logical size 1024 x 768, or a
// window) and returns when the engine has shut down.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CorvaneEngine.h"
#include "shell/DemoRun.h"
#include "shell/Shell.h"

namespace {

const char* const kUsage =
    "Usage: TARVS [options]\n"
    "  --windowed    play in a window instead of full screen\n"
    "  --size WxH    window size in pixels, e.g. 1280x960 (the picture is scaled;\n"
    "                the game itself always sees 1024 x 768)\n"
    "  --data DIR    the game's data folder (named data), or a folder holding data/\n"
    "  --record FILE record the run as a demo\n"
    "  --play FILE   replay a demo (--speed X: 0.25 to 8; P pauses, +/- change speed)\n"
    "  --verify FILE replay a demo headless at full speed and check every state\n"
    "  --timedemo FILE  replay a demo drawing one frame per tick, and time it\n"
    "  --help        show this list and exit\n"
    "Without --data the data/ folder is looked for in the working folder, then\n"
    "beside the executable, then in the build's data folder.\n";

// A file every complete data tree holds; the rest is found through it.
const char* const kProbe = "maps/level0.map";

struct TOptions {
  bool windowed = false;
  int width = 0;
  int height = 0;
  const char* data = nullptr;
};

// "WxH" with both sides 1..16384; false for anything else.
bool ParseSize(const char* text, int* width, int* height) {
  char* end = nullptr;
  const long w = std::strtol(text, &end, 10);
  if (end == text || (*end != 'x' && *end != 'X')) return false;
  const char* rest = end + 1;
  const long h = std::strtol(rest, &end, 10);
  if (end == rest || *end != '\0') return false;
  if (w < 1 || h < 1 || w > 16384 || h > 16384) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

// 0: run; otherwise the exit status (after --help or a bad option).
int ParseOptions(int argc, char** argv, TOptions* options) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      std::fputs(kUsage, stdout);
      return -1;
    }
    if (std::strcmp(arg, "--windowed") == 0) {
      options->windowed = true;
    } else if (std::strcmp(arg, "--size") == 0 && i + 1 < argc) {
      if (!ParseSize(argv[++i], &options->width, &options->height)) {
        std::fprintf(stderr, "TARVS: bad window size '%s' (expected WxH, e.g. 1280x960)\n%s",
                     argv[i], kUsage);
        return 2;
      }
    } else if (demorun::IsOption(arg) && i + 1 < argc) {
      if (!demorun::SetOption(arg, argv[++i])) return 2;
    } else if (std::strcmp(arg, "--data") == 0 && i + 1 < argc && argv[i + 1][0] != '\0') {
      options->data = argv[++i];
    } else {
      std::fprintf(stderr, "TARVS: unknown option '%s'\n%s", arg, kUsage);
      return 2;
    }
  }
  return 0;
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Parent(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string Absolute(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  return path;
}

// The folder that holds data/ for a candidate: the candidate itself when it
// has data/ inside, or its parent when the candidate is a folder named data.
// Empty when the candidate holds no game data.
std::string RootOf(const std::string& candidate) {
  if (IsFile(candidate + "/data/" + kProbe)) return Absolute(candidate);
  if (IsFile(candidate + "/" + kProbe)) {
    const std::string full = Absolute(candidate);
    const size_t slash = full.find_last_of('/');
    if (full.compare(slash + 1, std::string::npos, "data") == 0) return Parent(full);
  }
  return std::string();
}

std::string ExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return std::string();
  path[n] = '\0';
  return Parent(path);
}

// Finds the data and makes the folder holding it the working folder, since
// the game names its files "data/...". False, after one line on stderr
// naming every folder tried, when none holds the game's data.
bool EnterDataFolder(const char* requested) {
  std::string tried;
  std::string root;
  if (requested) {
    root = RootOf(requested);
    tried = requested;
  } else {
    std::string candidates[3] = {".", ExecutableFolder(), ""};
#ifdef TARVS_BUILD_DATA_DIR
    candidates[2] = Parent(TARVS_BUILD_DATA_DIR);
#endif
    for (const std::string& folder : candidates) {
      if (folder.empty()) continue;
      const std::string data = Absolute(folder) + "/data";
      if (tried.find(data) != std::string::npos) continue;
      if (!tried.empty()) tried += ", ";
      tried += data;
      root = RootOf(folder);
      if (!root.empty()) break;
    }
  }
  if (root.empty() || chdir(root.c_str()) != 0) {
    std::fprintf(stderr, "TARVS: no game data (data/%s) found in: %s\n", kProbe, tried.c_str());
    return false;
  }
  std::fprintf(stderr, "TARVS: using game data in %s/data\n", root.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  const int status = ParseOptions(argc, argv, &options);
  if (status != 0) return status < 0 ? 0 : status;
  if (!EnterDataFolder(options.data)) return 1;

  if (options.width > 0) SetWindowSize(options.width, options.height);
  bool fullScreen = !options.windowed && options.width == 0;
  demorun::Callbacks game{ProcessCallback, InitCallback, RenderCallback};
  if (!demorun::Prepare(&game, &fullScreen, 1024, 768)) return 1;
  // The command line is passed on as one string; the engine ignores it.
  std::string cmdLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) cmdLine += ' ';
    cmdLine += argv[i];
  }
  // 0 means no window could be opened (the engine has said why on stderr).
  const int started = StartEngine(nullptr, nullptr, &cmdLine[0], 0, game.process, game.init,
                                  game.render, fullScreen, false, 1024, 768, "Tarvy Arcade Game");
  return demorun::Finish(started);
}

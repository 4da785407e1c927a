// TARVS: reads the command line, finds the game's data, hands the game's
// callbacks to the engine (full screen at the logical size 1024 x 768, or a
// window) and returns when the engine has shut down.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CorvaneEngine.h"
#include "shell/DataDir.h"
#include "shell/LoopOptions.h"
#include "Cp1251.h"
#include "shell/Settings.h"
#include "shell/DemoRun.h"
#include "shell/Shell.h"
#include "shell/UserDirs.h"

namespace {

const char* const kUsage =
    "Usage: TARVS [options]\n"
    "  --windowed    play in a window instead of full screen\n"
    "  --size WxH    window size in pixels, e.g. 1280x960 (the picture fills it;\n"
    "                the game itself always sees 1024 x 768)\n"
    "  --data DIR    the game's data folder (named data), or a folder holding data/\n"
    "  --vsync on|off  wait for the display's refresh at each frame (default on)\n"
    "  --fps N       at most N frames a second, 0 for no limit (default: the\n"
    "                display's refresh rate, 60 when unknown)\n"
    "  --no-smooth   draw exact tick states instead of frames between ticks\n"
    "  --version     show the version and exit\n"
    "  --settings FILE  read (and remember the window in) this settings file instead of\n"
    "                $XDG_CONFIG_HOME/tarvs/settings.ini (~/.config/tarvs/settings.ini)\n"
    "  --volume N    master volume 0..100 for this run\n"
    "  --record FILE record the run as a demo\n"
    "  --play FILE   replay a demo (--speed X: 0.25 to 8; P pauses, +/- change speed)\n"
    "  --verify FILE replay a demo headless at full speed and check every state\n"
    "  --timedemo FILE  replay a demo drawing one frame per tick, and time it\n"
    "  --help        show this list and exit\n"
    "Without --data the data/ folder is looked for in the working folder, then\n"
    "beside the executable, then in ../share/tarvs/data relative to it, then (for\n"
    "a program in its build tree) in the build's data folder.\n";

struct TOptions {
  bool windowed = false;
  int width = 0;
  int height = 0;
  const char* data = nullptr;
  TLoopOptions loop;
  const char* settings = nullptr;
  int volume = -1;
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
    if (std::strcmp(arg, "--version") == 0) {
      std::printf("TARVS %d.%d.%d\n", CORVANE_VERSION_MAJOR, CORVANE_VERSION_MINOR,
                  CORVANE_VERSION_PATCH);
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
    } else if (const int loop = ParseLoopOption(argc, argv, &i, &options->loop)) {
      if (loop < 0) {
        std::fputs(kUsage, stderr);
        return 2;
      }
    } else if (std::strcmp(arg, "--settings") == 0 && i + 1 < argc && argv[i + 1][0] != '\0') {
      options->settings = argv[++i];
    } else if (std::strcmp(arg, "--volume") == 0 && i + 1 < argc) {
      char* end = nullptr;
      const long v = std::strtol(argv[++i], &end, 10);
      if (end == argv[i] || *end != '\0' || v < 0 || v > 100) {
        std::fprintf(stderr, "TARVS: bad volume '%s' (expected 0..100)\n%s", argv[i], kUsage);
        return 2;
      }
      options->volume = static_cast<int>(v);
    } else {
      std::fprintf(stderr, "TARVS: unknown option '%s'\n%s", arg, kUsage);
      return 2;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  const int status = ParseOptions(argc, argv, &options);
  if (status != 0) return status < 0 ? 0 : status;
  // The settings file is named before the working folder changes.
  SettingsPath = SettingsPathFrom(options.settings);
  LoadSettings(SettingsPath.c_str(), &Settings, &SettingsProblems);
  for (int i = 0; i < SettingsProblems.count; ++i)
    std::fprintf(stderr, "TARVS: %s\n", cp1251::ToUtf8(SettingsProblems.lines[i].c_str()).c_str());
  if (options.volume >= 0) Settings.volume = options.volume;
  TDataPlace data;
  if (!EnterGameData(options.data, &data)) return 1;
  UsePlayerFolders(
      ChoosePlayerFolders(data.root, data.installed, FolderWritable(data.root), ProcessEnv));
  ApplySettings(Settings);
  // The command line's loop options override the settings' for this run.
  if (options.loop.vsync < 0) options.loop.vsync = Settings.vsync ? 1 : 0;
  if (options.loop.fps < 0) options.loop.fps = Settings.frameCap;
  ApplyLoopOptions(options.loop);

  // The command line overrides the settings' window for this run only.
  int width = options.width > 0 ? options.width : Settings.windowWidth;
  int height = options.width > 0 ? options.height : Settings.windowHeight;
  bool fullScreen = !options.windowed && options.width == 0 && Settings.fullScreen;
  if (width > 0) SetWindowSize(width, height);
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
  // A demo's run (recorded, played, verified or timed) leaves the settings alone.
  if (started && game.process == ProcessCallback)
    RememberWindow(fullScreen, width > 0 ? width : 1024, width > 0 ? height : 768);
  return demorun::Finish(started);
}

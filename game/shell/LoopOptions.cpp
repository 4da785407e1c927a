// TARVS's options for the engine's loop.
#include "shell/LoopOptions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CorvaneEngine.h"

int ParseLoopOption(int argc, char** argv, int* i, TLoopOptions* options) {
  const char* arg = argv[*i];
  if (std::strcmp(arg, "--no-smooth") == 0) {
    options->smooth = false;
    return 1;
  }
  const bool vsync = std::strcmp(arg, "--vsync") == 0;
  const bool fps = std::strcmp(arg, "--fps") == 0;
  if (!vsync && !fps) return 0;
  const char* value = *i + 1 < argc ? argv[*i + 1] : nullptr;
  if (vsync) {
    if (value && (std::strcmp(value, "on") == 0 || std::strcmp(value, "off") == 0)) {
      options->vsync = std::strcmp(value, "on") == 0 ? 1 : 0;
      ++*i;
      return 1;
    }
    std::fprintf(stderr, "TARVS: --vsync takes on or off\n");
    return -1;
  }
  char* end = nullptr;
  const long n = value ? std::strtol(value, &end, 10) : -1;
  if (!value || end == value || *end != '\0' || n < 0 || n > 1000) {
    std::fprintf(stderr, "TARVS: --fps takes a number of frames a second, 0 to 1000\n");
    return -1;
  }
  options->fps = static_cast<int>(n);
  ++*i;
  return 1;
}

void ApplyLoopOptions(const TLoopOptions& options) {
  if (options.vsync >= 0) SetVSync(options.vsync == 1);
  SetFrameCap(options.fps);
  SetSmoothing(options.smooth);
}

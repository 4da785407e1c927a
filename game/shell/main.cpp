// TARVS: hands the game's callbacks to the engine, full screen at
// 1024 x 768, and returns when the engine has shut down.
#include <string>

#include "CorvaneEngine.h"
#include "shell/Shell.h"

int main(int argc, char** argv) {
  // The command line is passed on as one string; the engine ignores it.
  std::string cmdLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) cmdLine += ' ';
    cmdLine += argv[i];
  }
  StartEngine(nullptr, nullptr, &cmdLine[0], 0, ProcessCallback, InitCallback, RenderCallback,
              true, false, 1024, 768, "Tarvy Arcade Game");
  return 0;
}

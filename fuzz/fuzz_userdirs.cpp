// The user-dirs.dirs reader that finds the pictures folder.
#include <cstdint>
#include <string>

#include "shell/UserDirs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string home = "/home/player";
  const std::string found =
      UserDirFromConfig(reinterpret_cast<const char*>(data), size, "XDG_PICTURES_DIR", home);
  // Whatever is found is an absolute path without a NUL in it.
  if (!found.empty() && (found[0] != '/' || found.find('\0') != std::string::npos))
    __builtin_trap();
  return 0;
}

// Platform (Windows): the process environment. SDL reads the system's copy
// of it and the C library keeps its own, so a variable is set in both.
#include "platform/Platform.h"

#include <windows.h>

#include <cstdlib>

namespace os {

void SetEnvironment(const char* name, const char* value, bool overwrite) {
  if (!overwrite && (std::getenv(name) || GetEnvironmentVariableA(name, nullptr, 0) != 0)) return;
  _putenv_s(name, value);
  SetEnvironmentVariableA(name, value);
}

// SDL's offscreen driver has no OpenGL here: the normal driver draws into
// a small window instead.
const char* HeadlessVideoDriver() { return nullptr; }

}  // namespace os

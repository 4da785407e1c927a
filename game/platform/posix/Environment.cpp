// Platform (POSIX): the process environment.
#include "platform/Platform.h"

#include <cstdlib>

namespace os {

void SetEnvironment(const char* name, const char* value, bool overwrite) {
  setenv(name, value, overwrite ? 1 : 0);
}

const char* HeadlessVideoDriver() { return "offscreen"; }

}  // namespace os

// Render: the OpenGL extension entry points, looked up by name once a
// context is current.
#include "render/GLExt.h"
#include "render/GLCount.h"

#include <SDL2/SDL.h>

namespace cgl {
#define CORVANE_DEFINE_ENTRY(name, type) type name = nullptr;
CORVANE_GL_ENTRY_POINTS(CORVANE_DEFINE_ENTRY)
#undef CORVANE_DEFINE_ENTRY

#define CORVANE_COUNT_ENTRY(name, type) +1
const int EntryPointCount = 0 CORVANE_GL_ENTRY_POINTS(CORVANE_COUNT_ENTRY);
#undef CORVANE_COUNT_ENTRY

bool ContextAlive = false;

const char* LoadEntryPoints() {
  const char* missing = nullptr;
#define CORVANE_FETCH_ENTRY(name, type)                        \
  name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name)); \
  if (!name && !missing) missing = #name;
  CORVANE_GL_ENTRY_POINTS(CORVANE_FETCH_ENTRY)
#undef CORVANE_FETCH_ENTRY
  return missing;
}
}  // namespace cgl

namespace cgl {
GLCallCounts GLCalls;
}  // namespace cgl

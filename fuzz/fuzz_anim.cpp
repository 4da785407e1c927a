// Animation list parsing into a model's table, and the queries on it.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "Internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TModel m;
  m.animationCount = -1;
  ParseAnimationList(m, reinterpret_cast<const char*>(data), size, "fuzz.txt");
  if (m.animationCount < 0 || m.animationCount > TModel::MaxAnimations) __builtin_trap();
  for (int i = 0; i < m.animationCount; i++) {
    const SAnimation& a = m.animations[i];
    if (!std::isfinite(a.start) || !std::isfinite(a.end) || !std::isfinite(a.speed) ||
        !std::isfinite(a.keyFrame) || std::strlen(a.name) >= sizeof(a.name))
      __builtin_trap();
    m.SelectAnimation(a.name);
    m.ProcessAnimation();
    m.IsKeyFrame(i);
  }
  return 0;
}

// .mdl parsing (everything the loader does before the GL upload).
#include <cstdint>

#include "Internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ModelData mesh;
  if (!ParseModel(data, size, &mesh)) {
    // The upload takes exactly these sizes from the parsed counts.
    if (mesh.keyframes.size() != static_cast<size_t>(mesh.frameCount) * mesh.vertexCount * 3 ||
        mesh.indices.size() != static_cast<size_t>(mesh.triangleCount) * 3 ||
        mesh.texCoords.size() != static_cast<size_t>(mesh.vertexCount) * 2)
      __builtin_trap();
    for (unsigned short i : mesh.indices)
      if (i >= mesh.vertexCount) __builtin_trap();
  }
  return 0;
}

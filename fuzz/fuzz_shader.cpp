// Shader source reading: the text handed to the compiler.
#include <cstdint>
#include <cstring>

#include "Internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char* text = ShaderTextFromBytes(data, size);
  if (text) {
    if (std::strlen(text) > size) __builtin_trap();
    delete[] text;
  }
  return 0;
}

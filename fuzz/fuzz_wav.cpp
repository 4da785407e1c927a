// The WAV chunk walk and format checks the sound loader runs.
#include <cstdint>

#include "Internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t offset = 0, bytes = 0;
  if (CheckWaveImage(data, size, &offset, &bytes)) {
    // These are the bytes handed to the device: read every one of them.
    unsigned sum = 0;
    for (size_t i = 0; i < bytes; i++) sum += data[offset + i];
    volatile unsigned keep = sum;
    (void)keep;
  }
  return 0;
}

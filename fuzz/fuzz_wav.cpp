// The WAV chunk walk, format checks and sample conversion the sound loader
// runs, both ways the samples may go to the device.
#include <cstdint>

#include "Internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (bool floatOut : {true, false}) {
    WaveSound sound;
    if (!DecodeWaveImage(data, size, floatOut, &sound)) return 0;
    // These are the bytes handed to the device: read every one of them.
    unsigned sum = 0;
    for (unsigned char b : sound.samples) sum += b;
    volatile unsigned keep = sum;
    (void)keep;
  }
  return 0;
}

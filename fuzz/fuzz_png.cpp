// PNG decoding from memory, as every texture maker reads a PNG file.
#include <cstdint>
#include <cstdlib>

#include "render/Render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SImageTGA img;
  if (DecodePNG(&img, data, size)) {
    // Touch the first and the last byte so a short buffer shows up at once.
    const size_t bytes = static_cast<size_t>(img.width) * img.height * (img.bpp / 8);
    volatile unsigned char ends = img.data[0] ^ img.data[bytes - 1];
    (void)ends;
    free(img.data);
  }
  return 0;
}

// TGA decoding from memory, as every texture maker reads its file.
#include <cstdint>
#include <cstdlib>

#include "render/Render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SImageTGA img;
  if (DecodeTGA(&img, data, size)) {
    // Touch the last byte so a short buffer shows up at once.
    volatile unsigned char last =
        img.data[static_cast<size_t>(img.width) * img.height * (img.bpp / 8) - 1];
    (void)last;
    free(img.data);
  }
  return 0;
}

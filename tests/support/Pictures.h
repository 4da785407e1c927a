// Pictures for the tests and the test tools: TGA and PNG files built in
// memory, frames read back from the current context, and a PNG saved for a
// look.
#ifndef CORVANE_TEST_PICTURES_H
#define CORVANE_TEST_PICTURES_H

#include <string>
#include <vector>

#include "testutil.h"

namespace testutil {

// The 18-byte TGA header of a w x h picture: image type (2 raw, 10
// run-length, anything else for damaged files), bits per pixel, no colour
// map, rows bottom-up.
std::string TgaHeader(int type, int w, int h, int bpp);

// An uncompressed 24-bit TGA of w x h pixels from R, G, B triples given top
// row first. The rows are stored bottom-up as image tools write them, or as
// given with the header's origin bit set when topFirst is true.
std::string Tga24(int w, int h, const std::vector<unsigned char>& rgbTopDown,
                  bool topFirst = false);

// A PNG file built the way image programs write one, independently of any
// PNG library but zlib: `samples` holds every sample of the picture top row
// first, one value each (0 .. 2^depth - 1; palette indices for colour type
// 3), `channels` of them a pixel as the colour type says. Rows are filtered
// with each of the five filter types in turn; `interlaced` writes the seven
// Adam7 passes. `palette` (RGB triples) becomes PLTE, `trns` (raw chunk
// bytes) tRNS; `idatSplit` > 0 cuts the compressed stream into IDAT chunks
// of that many bytes.
struct PngPicture {
  int width = 0, height = 0;
  int colourType = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
  int depth = 8;       // 1, 2, 4, 8 or 16 as the colour type allows
  std::vector<unsigned> samples;
  std::vector<unsigned char> palette;
  std::string trns;
  bool interlaced = false;
  size_t idatSplit = 0;
};
std::string PngFile(const PngPicture& picture);
// The CRC a PNG chunk stores after its type and body (given together).
unsigned PngCrc(const std::string& typeAndBody);
// Samples a pixel of the colour type has (1, 3, 1, 2, 4 for 0, 2, 3, 4, 6).
int PngChannels(int colourType);

// The w x h frame of the current read buffer as R, G, B, top row first.
std::vector<unsigned char> ReadFrame(int w, int h);

// Pixels of the rectangle [x0, x1) x [y0, y1) (from the top) where two R, G,
// B frames w pixels wide differ by more than `tolerance` in some channel.
int PixelsChanged(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b, int w,
                  int x0, int y0, int x1, int y1, int tolerance = 0);

// Writes the current w x h frame to NAME.ppm and, where ImageMagick is
// installed, NAME.png, to look at by eye. Tests assert on the pixels; the
// file is only for a person.
void SavePng(const std::string& name, int w, int h);

}  // namespace testutil

#endif

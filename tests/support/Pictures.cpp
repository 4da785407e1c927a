// Pictures for the tests and the test tools.
#include "Pictures.h"

#include <GL/gl.h>

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "AssetIO.h"
#include "PngChunk.h"

namespace testutil {

std::string TgaHeader(int type, int w, int h, int bpp) {
  std::string s = assets::TgaHeader(w, h, type == 10, false);
  s[2] = static_cast<char>(type);
  s[16] = static_cast<char>(bpp);
  return s;
}

std::string Tga24(int w, int h, const std::vector<unsigned char>& rgbTopDown, bool topFirst) {
  std::string s = assets::TgaHeader(w, h, false, topFirst);
  const size_t row = static_cast<size_t>(w) * 3;
  s.reserve(s.size() + row * h);
  for (int fileRow = 0; fileRow < h; ++fileRow) {
    const size_t y = static_cast<size_t>(topFirst ? fileRow : h - 1 - fileRow);
    if ((y + 1) * row > rgbTopDown.size()) break;
    const unsigned char* p = &rgbTopDown[y * row];
    for (int x = 0; x < w; ++x, p += 3) {
      s.push_back(static_cast<char>(p[2]));
      s.push_back(static_cast<char>(p[1]));
      s.push_back(static_cast<char>(p[0]));
    }
  }
  return s;
}

int PngChannels(int colourType) {
  switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

namespace {

using assets::PngChunk;
using assets::PutU32BE;

int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Packs and filters the sub-image of the pixels at (x0 + i * dx, y0 + j * dy).
void PngPass(const PngPicture& p, int x0, int y0, int dx, int dy, std::string* raw) {
  const int channels = PngChannels(p.colourType);
  const int w = p.width > x0 ? (p.width - x0 + dx - 1) / dx : 0;
  const int h = p.height > y0 ? (p.height - y0 + dy - 1) / dy : 0;
  if (w == 0 || h == 0) return;
  const size_t rowBytes = (static_cast<size_t>(w) * channels * p.depth + 7) / 8;
  const int step = std::max(1, channels * p.depth / 8);  // filter distance in bytes
  std::vector<unsigned char> previous(rowBytes, 0), row(rowBytes);
  for (int j = 0; j < h; ++j) {
    std::fill(row.begin(), row.end(), 0);
    size_t bit = 0;
    for (int i = 0; i < w; ++i) {
      const size_t pixel = static_cast<size_t>(y0 + j * dy) * p.width + (x0 + i * dx);
      for (int c = 0; c < channels; ++c) {
        const unsigned v = p.samples[pixel * channels + c];
        if (p.depth == 16) {
          row[bit / 8] = static_cast<unsigned char>(v >> 8);
          row[bit / 8 + 1] = static_cast<unsigned char>(v & 255);
        } else {
          row[bit / 8] |= static_cast<unsigned char>(v << (8 - p.depth - bit % 8));
        }
        bit += p.depth;
      }
    }
    const int filter = j % 5;
    raw->push_back(static_cast<char>(filter));
    for (size_t k = 0; k < rowBytes; ++k) {
      const int a = k >= static_cast<size_t>(step) ? row[k - step] : 0;
      const int b = previous[k];
      const int c = k >= static_cast<size_t>(step) ? previous[k - step] : 0;
      const int predict = filter == 1   ? a
                          : filter == 2 ? b
                          : filter == 3 ? (a + b) / 2
                          : filter == 4 ? Paeth(a, b, c)
                                        : 0;
      raw->push_back(static_cast<char>((row[k] - predict) & 255));
    }
    previous = row;
  }
}

}  // namespace

unsigned PngCrc(const std::string& typeAndBody) { return assets::PngCrc(typeAndBody); }

std::string PngFile(const PngPicture& p) {
  std::string raw;
  if (p.interlaced) {
    const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                              {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    for (const auto& q : passes) PngPass(p, q[0], q[1], q[2], q[3], &raw);
  } else {
    PngPass(p, 0, 0, 1, 1, &raw);
  }
  uLongf packedSize = compressBound(raw.size());
  std::string packed(packedSize, '\0');
  compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
            reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 6);
  packed.resize(packedSize);

  std::string out("\x89PNG\r\n\x1a\n", 8);
  std::string ihdr;
  PutU32BE(ihdr, static_cast<uint32_t>(p.width));
  PutU32BE(ihdr, static_cast<uint32_t>(p.height));
  ihdr += static_cast<char>(p.depth);
  ihdr += static_cast<char>(p.colourType);
  ihdr += std::string(2, '\0');
  ihdr += static_cast<char>(p.interlaced ? 1 : 0);
  PngChunk(out, "IHDR", ihdr);
  PngChunk(out, "tEXt", std::string("Software") + '\0' + "a paint program");
  if (!p.palette.empty()) PngChunk(out, "PLTE", std::string(p.palette.begin(), p.palette.end()));
  if (!p.trns.empty()) PngChunk(out, "tRNS", p.trns);
  const size_t split = p.idatSplit > 0 ? p.idatSplit : packed.size();
  for (size_t at = 0; at < packed.size(); at += split)
    PngChunk(out, "IDAT", packed.substr(at, split));
  PngChunk(out, "IEND", "");
  return out;
}

std::vector<unsigned char> ReadFrame(int w, int h) {
  const size_t row = static_cast<size_t>(w) * 3;
  std::vector<unsigned char> bottomUp(row * h), topDown(row * h);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
  for (int y = 0; y < h; y++)
    std::copy(bottomUp.begin() + row * (h - 1 - y), bottomUp.begin() + row * (h - y),
              topDown.begin() + row * y);
  return topDown;
}

int PixelsChanged(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b, int w,
                  int x0, int y0, int x1, int y1, int tolerance) {
  int n = 0;
  for (int y = y0; y < y1; y++)
    for (int x = x0; x < x1; x++) {
      const size_t i = (static_cast<size_t>(y) * w + x) * 3;
      if (i + 2 >= a.size() || i + 2 >= b.size()) return n;
      n += std::abs(a[i] - b[i]) > tolerance || std::abs(a[i + 1] - b[i + 1]) > tolerance ||
           std::abs(a[i + 2] - b[i + 2]) > tolerance;
    }
  return n;
}

void SavePng(const std::string& name, int w, int h) {
  const std::vector<unsigned char> rgb = ReadFrame(w, h);
  std::string ppm = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  ppm.append(rgb.begin(), rgb.end());
  WriteFile(name + ".ppm", ppm);
  // Without ImageMagick the .ppm stays for a look.
  const std::string cmd = "convert " + name + ".ppm " + name + ".png 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) return;
}

}  // namespace testutil

// Pictures for the tests and the test tools.
#include "Pictures.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>

#include "AssetIO.h"

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

// Core: the window's icon, read from a TGA image. The decoded picture is
// kept, so an icon given before StartEngine goes onto the window it makes.
#include "Internal.h"
#include "BoundedReader.h"
#include "Cp1251.h"
#include "render/Render.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <vector>

namespace {

// Icons are small; a larger picture is refused rather than scaled.
constexpr unsigned kMaxIconSide = 256;
constexpr size_t kMaxIconFile = 18 + size_t{kMaxIconSide} * kMaxIconSide * 5 + 64 * 1024;

std::vector<unsigned char> g_rgba;  // top row first, 4 bytes a pixel
int g_width = 0;
int g_height = 0;

}  // namespace

namespace core {

void ApplyWindowIcon(SDL_Window* window) {
  if (!window || g_rgba.empty()) return;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(g_rgba.data(), g_width, g_height, 32,
                                                            g_width * 4, SDL_PIXELFORMAT_RGBA32);
  if (!surface) return;
  SDL_SetWindowIcon(window, surface);  // SDL keeps its own copy
  SDL_FreeSurface(surface);
}

// The icon's pixels as kept (tests look at them).
const unsigned char* WindowIconPixels(int* width, int* height) {
  *width = g_width;
  *height = g_height;
  return g_rgba.empty() ? nullptr : g_rgba.data();
}

}  // namespace core

bool SetWindowIcon(const char* path) {
  if (!RequireArg(path, "SetWindowIcon", "path")) return false;
  bounded::FileBytes file;
  const bounded::ReadResult r = bounded::ReadFileCapped(path, kMaxIconFile, &file);
  if (r != bounded::ReadResult::kOk) {
    AddToLog(r == bounded::ReadResult::kNoFile ? RU("Значок окна %s не найден")
                                               : RU("Значок окна %s не читается"),
             path);
    return false;
  }
  SImageTGA image{};
  TgaQuiet = true;
  const bool ok = DecodeTGA(&image, file.data(), file.size());
  TgaQuiet = false;
  if (!ok || image.width > kMaxIconSide || image.height > kMaxIconSide) {
    AddToLog(RU("Значок окна %s: %s"), path,
             ok ? "larger than 256 x 256" : (TgaLastError ? TgaLastError : "not a TGA image"));
    std::free(image.data);
    return false;
  }
  // TGA rows run bottom to top unless the descriptor says otherwise.
  const bool topFirst = file.size() > 17 && (file.data()[17] & 0x20) != 0;
  const int w = static_cast<int>(image.width);
  const int h = static_cast<int>(image.height);
  const int bytes = static_cast<int>(image.bpp / 8);
  g_rgba.assign(static_cast<size_t>(w) * h * 4, 255);
  for (int y = 0; y < h; ++y) {
    const unsigned char* row =
        image.data + static_cast<size_t>(topFirst ? y : h - 1 - y) * w * bytes;
    unsigned char* out = &g_rgba[static_cast<size_t>(y) * w * 4];
    for (int x = 0; x < w; ++x) {
      out[x * 4 + 0] = row[x * bytes + 0];
      out[x * 4 + 1] = row[x * bytes + 1];
      out[x * 4 + 2] = row[x * bytes + 2];
      if (bytes == 4) out[x * 4 + 3] = row[x * bytes + 3];
    }
  }
  g_width = w;
  g_height = h;
  std::free(image.data);
  core::ApplyWindowIcon(core::GameWindow());
  return true;
}

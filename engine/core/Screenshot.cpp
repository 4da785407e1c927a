// Core: screenshots, the frame buffer as an uncompressed 24-bit TGA
// named "Screen<N>.tga" with the lowest N not yet on disk, in the working
// directory or the folder the game names with SetScreenshotFolder.
#include "Internal.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Longest folder kept, terminator included: the folder, "/Screen", ten
// digits and ".tga" must fit in one path of 4096 bytes.
constexpr size_t kFolderSize = 4000;
// Empty: the working directory.
char g_folder[kFolderSize] = "";

}  // namespace

bool SetScreenshotFolder(const char* dir) {
  if (!dir) dir = "";
  size_t length = std::strlen(dir);
  // "pictures/" and "pictures" are the same folder; "/" stays "/".
  while (length > 1 && dir[length - 1] == '/') --length;
  if (length >= kFolderSize) return false;
  std::memcpy(g_folder, dir, length);
  g_folder[length] = '\0';
  const char* folder = length ? g_folder : ".";
  return platform::FolderWritable(folder);
}

void MakeScreenShoot() {
  // Called from the tick that quit, the context is already gone: nothing
  // to report then. Any other call without a context is a caller's error.
  if (!cgl::ContextAlive) {
    if (!core::QuitPosted()) RequireGL("MakeScreenShoot");
    return;
  }
  if (!_ScreenPause) return;
  _ScreenPause = false;

  const int width = _Zarn_ScreenWidth;
  const int height = _Zarn_ScreenHeight;
  // The TGA header holds 16-bit sizes.
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return;
  const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height) * 3u;
  unsigned char* pixels = new (std::nothrow) unsigned char[size];
  if (!pixels) return;

  // Rows packed tight, so widths whose row is not a multiple of 4 bytes
  // fit the buffer too.
  GLint oldAlignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &oldAlignment);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  glPixelStorei(GL_PACK_ALIGNMENT, oldAlignment);

  char name[kFolderSize + 32];
  const char* separator = g_folder[0] && std::strcmp(g_folder, "/") != 0 ? "/" : "";
  for (unsigned n = 0;; ++n) {
    std::snprintf(name, sizeof name, "%s%sScreen%u.tga", g_folder, separator, n);
    if (!FileExists(name)) break;
  }

  std::FILE* f = std::fopen(name, "wb");
  if (!f) {
    delete[] pixels;
    PlatformMessageBox("Can't open ScreenShot File!", "Error");
    return;
  }
  const unsigned char header[18] = {0,
                                    0,
                                    2,
                                    0,
                                    0,
                                    0,
                                    0,
                                    0,
                                    0,
                                    0,
                                    0,
                                    0,
                                    static_cast<unsigned char>(width & 0xFF),
                                    static_cast<unsigned char>(width >> 8),
                                    static_cast<unsigned char>(height & 0xFF),
                                    static_cast<unsigned char>(height >> 8),
                                    24,
                                    0};
  std::fwrite(header, 1, sizeof header, f);
  for (size_t i = 0; i < size; i += 3) {
    const unsigned char red = pixels[i];
    pixels[i] = pixels[i + 2];
    pixels[i + 2] = red;
  }
  std::fwrite(pixels, 1, size, f);
  std::fclose(f);
  delete[] pixels;
}

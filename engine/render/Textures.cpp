// TGA reading and the texture makers with their registry.
//
// The reader accepts only true-colour images, uncompressed (type 2) or
// run-length encoded (type 10), 24 or 32 bits, with no image ID, no colour
// map and a zero origin. Every size the file declares is checked against
// what the file actually holds before anything is allocated, so a damaged
// or hostile file can neither make us read or write outside a buffer nor
// ask for gigabytes of memory.
#include "render/Render.h"

#include "Cp1251.h"
#include "Internal.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

unsigned int _FreeTextures[CORVANE_MAX_TEXTURES];
int _MaxFreeTextures = -1;
int _TextureMode = 1;
unsigned char TextureAlpha[CORVANE_MAX_TEXTURES];

namespace {

const unsigned char kRawHeader[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const unsigned char kRleHeader[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Working values of the reader (one load at a time).
unsigned char tgaHeader[12];
unsigned char tgaInfo[6];
unsigned int tgaWidth;
unsigned int tgaHeight;
unsigned int tgaBpp;
unsigned int tgaBytesPerPixel;
size_t tgaImageSize;

}  // namespace

const char* TgaLastError = nullptr;
const char* TgaLastCaption = nullptr;

namespace {

void Fail(const char* text, const char* caption = "ERROR") {
  TgaLastError = text;
  TgaLastCaption = caption;
  PlatformMessageBox(text, caption);
}

// Bytes left in the file from the current position.
size_t BytesLeft(FILE* f) {
  long here = ftell(f);
  if (here < 0 || fseek(f, 0, SEEK_END) != 0) return 0;
  long end = ftell(f);
  fseek(f, here, SEEK_SET);
  return end > here ? static_cast<size_t>(end - here) : 0;
}

// Reads and checks the info header shared by both readers; fills the image
// fields and the module's working values.
bool ReadInfoHeader(SImageTGA* image, FILE* f) {
  if (fread(tgaInfo, 1, sizeof(tgaInfo), f) != sizeof(tgaInfo)) {
    Fail("Could not read info header");
    return false;
  }
  tgaWidth = tgaInfo[0] + 256u * tgaInfo[1];
  tgaHeight = tgaInfo[2] + 256u * tgaInfo[3];
  tgaBpp = tgaInfo[4];
  image->width = tgaWidth;
  image->height = tgaHeight;
  image->bpp = tgaBpp;
  if (tgaWidth == 0 || tgaHeight == 0 || (tgaBpp != 24 && tgaBpp != 32)) {
    Fail("Invalid texture information");
    return false;
  }
  image->format = tgaBpp == 24 ? GL_RGB : GL_RGBA;
  tgaBytesPerPixel = tgaBpp / 8;
  tgaImageSize = static_cast<size_t>(tgaBytesPerPixel) * tgaWidth * tgaHeight;
  return true;
}

bool Allocate(SImageTGA* image) {
  image->data = static_cast<unsigned char*>(malloc(tgaImageSize));
  if (!image->data) {
    Fail("Could not allocate memory for image");
    return false;
  }
  return true;
}

void Release(SImageTGA* image) {
  free(image->data);
  image->data = nullptr;
}

bool ReadRawTGA(SImageTGA* image, const char* /*path*/, FILE* f) {
  if (!ReadInfoHeader(image, f)) {
    fclose(f);
    return false;
  }
  // A file shorter than its declared pixels is refused before allocating.
  if (tgaImageSize > BytesLeft(f)) {
    Fail("Could not read image data");
    fclose(f);
    return false;
  }
  if (!Allocate(image)) {
    fclose(f);
    return false;
  }
  if (fread(image->data, 1, tgaImageSize, f) != tgaImageSize) {
    Fail("Could not read image data");
    Release(image);
    fclose(f);
    return false;
  }
  for (size_t i = 0; i + 2 < tgaImageSize; i += tgaBytesPerPixel) {
    unsigned char t = image->data[i];
    image->data[i] = image->data[i + 2];
    image->data[i + 2] = t;
  }
  fclose(f);
  return true;
}

bool ReadRLETGA(SImageTGA* image, const char* /*path*/, FILE* f) {
  if (!ReadInfoHeader(image, f)) {
    fclose(f);
    return false;
  }
  const size_t pixelCount = static_cast<size_t>(tgaWidth) * tgaHeight;
  // Every packet costs at least one header byte and one pixel value and
  // yields at most 128 pixels, so the file bounds the pixels it can carry.
  const size_t left = BytesLeft(f);
  const size_t packets = left / (1 + tgaBytesPerPixel);
  if (pixelCount > packets * 128) {
    Fail("Could not read image data");
    fclose(f);
    return false;
  }
  if (!Allocate(image)) {
    fclose(f);
    return false;
  }
  size_t currentPixel = 0;
  size_t currentByte = 0;
  unsigned char pixel[4];
  const char* error = nullptr;
  while (!error && currentPixel < pixelCount) {
    unsigned char h;
    if (fread(&h, 1, 1, f) != 1) {
      error = "Could not read RLE header";
      break;
    }
    const bool run = h >= 128;
    const int count = run ? h - 127 : h + 1;
    for (int n = 0; n < count; ++n) {
      if (!run || n == 0) {
        if (fread(pixel, 1, tgaBytesPerPixel, f) != tgaBytesPerPixel) {
          error = run ? "Could not read from file" : "Could not read image data";
          break;
        }
      }
      if (currentPixel == pixelCount) {
        error = "Too many pixels read";
        break;
      }
      unsigned char* out = image->data + currentByte;
      out[0] = pixel[2];
      out[1] = pixel[1];
      out[2] = pixel[0];
      if (tgaBytesPerPixel == 4) out[3] = pixel[3];
      currentByte += tgaBytesPerPixel;
      ++currentPixel;
    }
  }
  fclose(f);
  if (error) {
    Fail(error);
    Release(image);
    return false;
  }
  return true;
}

// Records a new texture; a full registry keeps its 2048 entries and the
// texture simply goes unrecorded.
void Register(unsigned int name, unsigned char alpha, const char* path) {
  if (_MaxFreeTextures + 1 >= CORVANE_MAX_TEXTURES) {
    AddToLog(RU("Реестр текстур заполнен, текстура %s не записана"), path);
    return;
  }
  ++_MaxFreeTextures;
  _FreeTextures[_MaxFreeTextures] = name;
  TextureAlpha[_MaxFreeTextures] = alpha;
}

unsigned int CreateBoundTexture() {
  GLuint name = 0;
  glGenTextures(1, &name);
  GlError(RU("создание текстуры"));
  glBindTexture(GL_TEXTURE_2D, name);
  GlError(RU("бинд текстуры"));
  return name;
}

// Uploads tightly packed rows whatever the width (odd RGB widths would be
// skewed by the default 4-byte row alignment).
struct PackedRows {
  GLint saved = 4;
  PackedRows() {
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &saved);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  }
  ~PackedRows() { glPixelStorei(GL_UNPACK_ALIGNMENT, saved); }
};

void BuildMipmapped(GLint components, const SImageTGA& img, GLenum format, const void* pixels) {
  PackedRows packed;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
  gluBuild2DMipmaps(GL_TEXTURE_2D, components, img.width, img.height, format, GL_UNSIGNED_BYTE,
                    pixels);
}

// No key given: no pixel matches.
bool KeyMatches(const unsigned char* p, const int* key) {
  return key && p[0] == key[0] && p[1] == key[1] && p[2] == key[2];
}

}  // namespace

bool ReadTGA(SImageTGA* image, const char* path) {
  image->data = nullptr;
  FILE* f = path ? fopen(path, "rb") : nullptr;
  if (!f) {
    Fail("Could not open texture file");
    return false;
  }
  if (fread(tgaHeader, 1, sizeof(tgaHeader), f) != sizeof(tgaHeader)) {
    Fail("Could not read file header");
    fclose(f);
    return false;
  }
  if (memcmp(tgaHeader, kRawHeader, sizeof(tgaHeader)) == 0) return ReadRawTGA(image, path, f);
  if (memcmp(tgaHeader, kRleHeader, sizeof(tgaHeader)) == 0) return ReadRLETGA(image, path, f);
  Fail("TGA file be type 2 or type 10 ", "Invalid Image");
  fclose(f);
  return false;
}

namespace {

// Reads the TGA at path and converts it pixel by pixel into a new malloc'd
// buffer of `channels` bytes a pixel through convert(source, target). The
// image's size stays in *img; returns null when the file cannot be read or
// the buffer cannot be had.
template <typename Convert>
unsigned char* ReadConverted(const char* path, SImageTGA* img, size_t channels,
                             Convert convert) {
  if (!ReadTGA(img, path)) return nullptr;
  const size_t pixels = static_cast<size_t>(img->width) * img->height;
  const size_t step = img->bpp / 8;
  unsigned char* out = static_cast<unsigned char*>(malloc(pixels * channels));
  if (out) {
    for (size_t i = 0; i < pixels; ++i) convert(img->data + i * step, out + i * channels);
  }
  Release(img);
  return out;
}

}  // namespace

unsigned int LoadTexture(const char* path) {
  if (!RequireGL("LoadTexture") || !RequireArg(path, "LoadTexture", "path")) return 0;
  SImageTGA img;
  unsigned int name = 0;
  if (!ReadTGA(&img, path)) {
    AddToLog(RU("Ошибка загрузки текстуры %s"), path);
  } else {
    name = CreateBoundTexture();
    // A 32-bit image is uploaded from its RGBA rows; the texture keeps RGB.
    BuildMipmapped(3, img, img.format, img.data);
    AddToLog(RU("Успешно загружена текстура %s размера %dx%d"), path, (int)img.width,
             (int)img.height);
    Release(&img);
  }
  Register(name, 0, path);
  return name;
}

unsigned int CreateMaskTexture(const char* path, const int* key) {
  if (!RequireGL("CreateMaskTexture") || !RequireArg(path, "CreateMaskTexture", "path")) return 0;
  SImageTGA img;
  unsigned int name = 0;
  unsigned char* mask =
      ReadConverted(path, &img, 3, [key](const unsigned char* p, unsigned char* o) {
        o[0] = o[1] = o[2] = KeyMatches(p, key) ? 255 : 0;
      });
  if (!mask) {
    AddToLog(RU("Ошибка загрузки текстуры %s"), path);
  } else {
    name = CreateBoundTexture();
    BuildMipmapped(3, img, GL_RGB, mask);
    AddToLog(RU("Успешно загружена маска %s размера %dx%d"), path, (int)img.width,
             (int)img.height);
    free(mask);
  }
  Register(name, 0, path);
  return name;
}

unsigned int LoadTexture(const char* path, const int* key) {
  if (!RequireGL("LoadTexture") || !RequireArg(path, "LoadTexture", "path")) return 0;
  SImageTGA img;
  unsigned int name = 0;
  unsigned char* rgba =
      ReadConverted(path, &img, 4, [key](const unsigned char* p, unsigned char* o) {
        o[0] = p[0];
        o[1] = p[1];
        o[2] = p[2];
        o[3] = KeyMatches(p, key) ? 0 : 255;
      });
  if (!rgba) {
    AddToLog(RU("Ошибка загрузки текстуры %s"), path);
  } else {
    name = CreateBoundTexture();
    if (_TextureMode != 0) {
      PackedRows packed;
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      glTexImage2D(GL_TEXTURE_2D, 0, 4, img.width, img.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    } else {
      BuildMipmapped(4, img, GL_RGBA, rgba);
    }
    AddToLog(RU("Успешно загружена текстура %s размера %dx%d"), path, (int)img.width,
             (int)img.height);
    free(rgba);
  }
  Register(name, 1, path);
  return name;
}

void SetTexture(unsigned int name) {
  if (!RequireGL("SetTexture")) return;
  glBindTexture(GL_TEXTURE_2D, name);
  if (name == 0) return;
  // The flag belongs to the registry entry holding this name. Names are
  // usually issued 1, 2, 3, ... so entry name - 1 is tried first.
  int index = -1;
  if (_MaxFreeTextures >= 0 && name - 1 <= static_cast<unsigned int>(_MaxFreeTextures) &&
      _FreeTextures[name - 1] == name) {
    index = static_cast<int>(name - 1);
  } else {
    for (int i = _MaxFreeTextures; i >= 0; --i) {
      if (_FreeTextures[i] == name) {
        index = i;
        break;
      }
    }
  }
  if (index >= 0 && TextureAlpha[index]) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
  }
}

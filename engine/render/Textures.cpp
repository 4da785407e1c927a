// Render: TGA reading and the texture makers with their registry.
//
// The reader accepts true-colour images, uncompressed (type 2) or
// run-length encoded (type 10), 24 or 32 bits, without a colour map. The
// image ID field is skipped, the x/y origin fields are not used, and the
// descriptor's origin bits are honoured: pixels come out bottom row first,
// left to right, whatever order the file stores them in (a bottom-left file,
// the TGA default, keeps its rows exactly as stored). The file is read whole
// (with a cap) and decoded from memory. Every size the file declares is
// checked against what the file actually holds and against a pixel budget
// before anything is allocated, so a damaged or hostile file can neither
// make us read or write outside a buffer nor ask for more than the budget's
// memory. The makers also take PNG files (see ImagePng.cpp), recognised by
// their signature whatever the file is called.
#include "render/Render.h"

#include "BoundedReader.h"
#include "Cp1251.h"
#include "Internal.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

unsigned int _FreeTextures[CORVANE_MAX_TEXTURES];
int _MaxFreeTextures = -1;
int _TextureMode = 1;
unsigned char TextureAlpha[CORVANE_MAX_TEXTURES];

namespace {

const size_t kTgaHeaderSize = 18;

}  // namespace

const char* TgaLastError = nullptr;
const char* TgaLastCaption = nullptr;
const char* TgaLastReason = nullptr;
char TgaLastReasonText[256];
bool TgaQuiet = false;

void ImageReaderFail(const char* text, const char* caption) {
  TgaLastError = text;
  TgaLastCaption = caption;
  if (!TgaQuiet) PlatformMessageBox(text, caption);
}

namespace {

void Fail(const char* text, const char* caption = "ERROR") { ImageReaderFail(text, caption); }

// Swaps the file's B, G, R(, A) order into R, G, B(, A) while copying (in
// and out may be the same pixel).
template <size_t Bpp>
inline void CopySwapped(const unsigned char* in, unsigned char* out) {
  const unsigned char b = in[0], g = in[1], r = in[2];
  out[0] = r;
  out[1] = g;
  out[2] = b;
  if (Bpp == 4) out[3] = in[3];
}

template <size_t Bpp>
void DecodeRaw(const unsigned char* in, unsigned char* out, size_t pixels) {
  if (Bpp == 4) {
    // Two pixels at a time as a 64-bit word (little-endian): swap bytes 0
    // and 2 of each half. In-place decoding passes in == out, which is
    // fine: each word is read whole before it is written.
    const uint64_t keep = 0xFF00FF00FF00FF00ull, low = 0x000000FF000000FFull;
    size_t i = 0;
    for (; i + 2 <= pixels; i += 2, in += 8, out += 8) {
      uint64_t v;
      std::memcpy(&v, in, 8);
      v = (v & keep) | ((v >> 16) & low) | ((v & low) << 16);
      std::memcpy(out, &v, 8);
    }
    if (i < pixels) CopySwapped<4>(in, out);
  } else {
    for (size_t i = 0; i < pixels; ++i, in += Bpp, out += Bpp) CopySwapped<Bpp>(in, out);
  }
}

// Walks the packet headers only, proving that the packets carry exactly
// the image's pixels before anything is allocated; null when they do. The
// error texts are the ones a packet-by-packet reader meets first.
const char* CheckRlePackets(const unsigned char* data, size_t size, size_t pos, size_t bpp,
                            size_t pixelCount) {
  size_t left = pixelCount;
  while (left > 0) {
    if (pos >= size) return "Could not read RLE header";
    const unsigned h = data[pos++];
    const size_t count = (h & 0x7F) + 1;
    if (h >= 128) {
      if (size - pos < bpp) return "Could not read from file";
      if (count > left) return "Too many pixels read";
      pos += bpp;
    } else {
      const size_t readable = (size - pos) / bpp;
      if (count > left)
        return readable > left ? "Too many pixels read" : "Could not read image data";
      if (readable < count) return "Could not read image data";
      pos += count * bpp;
    }
    left -= count;
  }
  return nullptr;
}

// Decodes packets already proven by CheckRlePackets: no bound checks left.
template <size_t Bpp>
void DecodeRle(const unsigned char* in, unsigned char* out, size_t pixelCount) {
  unsigned char* const end = out + pixelCount * Bpp;
  while (out < end) {
    const unsigned h = *in++;
    const size_t count = (h & 0x7F) + 1;
    if (h >= 128) {
      unsigned char px[4];
      CopySwapped<Bpp>(in, px);
      in += Bpp;
      for (size_t n = 0; n < count; ++n, out += Bpp) std::memcpy(out, px, Bpp);
    } else {
      DecodeRaw<Bpp>(in, out, count);
      in += count * Bpp;
      out += count * Bpp;
    }
  }
}

void Release(SImageTGA* image) {
  free(image->data);
  image->data = nullptr;
}

// The kind of image a TGA type code stands for, for the reason line.
const char* TgaKind(unsigned type) {
  switch (type) {
    case 1:
    case 9: return RU("с палитрой");
    case 2:
    case 10: return RU("полноцветный");
    case 3:
    case 11: return RU("в оттенках серого");
    default: return RU("неизвестного типа");
  }
}

// Fills TgaLastReason for a file of a kind the reader does not take.
void Unsupported(unsigned type, unsigned bits, bool colourMap) {
  std::snprintf(TgaLastReasonText, sizeof(TgaLastReasonText),
                RU("TGA %s (тип %u, бит на точку: %u%s); читаются только полноцветные типы 2 "
                   "и 10 по 24 или 32 бита без палитры"),
                TgaKind(type), type, bits,
                colourMap && (type == 2 || type == 10) ? RU(", с палитрой") : "");
  TgaLastReason = TgaLastReasonText;
}

// Turns decoded rows (bytesPerPixel each) into bottom-up, left-to-right
// order: rows are reversed for a top-first file, pixels within each row for
// a right-to-left one.
void Orient(unsigned char* pixels, size_t width, size_t height, size_t bytesPerPixel, bool topFirst,
            bool rightToLeft) {
  const size_t row = width * bytesPerPixel;
  if (topFirst) {
    std::vector<unsigned char> scratch(row);
    for (size_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
      unsigned char* a = pixels + top * row;
      unsigned char* b = pixels + bottom * row;
      std::memcpy(scratch.data(), a, row);
      std::memcpy(a, b, row);
      std::memcpy(b, scratch.data(), row);
    }
  }
  if (rightToLeft) {
    unsigned char px[4];
    for (size_t y = 0; y < height; ++y) {
      unsigned char* r = pixels + y * row;
      for (size_t left = 0, right = width - 1; left < right; ++left, --right) {
        std::memcpy(px, r + left * bytesPerPixel, bytesPerPixel);
        std::memcpy(r + left * bytesPerPixel, r + right * bytesPerPixel, bytesPerPixel);
        std::memcpy(r + right * bytesPerPixel, px, bytesPerPixel);
      }
    }
  }
}

// Decodes a file image given as its 18-byte header (or what there is of it,
// headSize bytes) and the bytes after it. When `file` holds those bytes, an
// uncompressed image is decoded in place and the file's memory becomes the
// image's, sparing a second buffer and a copy.
bool Decode(SImageTGA* image, const unsigned char* data, size_t headSize, const unsigned char* body,
            size_t bodySize, bounded::FileBytes* file) {
  image->data = nullptr;
  TgaLastReason = nullptr;
  if (!data || headSize < 12) {
    Fail("Could not read file header");
    return false;
  }
  // Byte 0 is the length of the image ID field that follows the header,
  // bytes 8 to 11 the origin on a screen (not used here); bytes 3 to 7
  // describe a colour map and mean nothing when byte 1 says there is none.
  const unsigned idLength = data[0];
  const bool colourMap = data[1] != 0;
  const unsigned type = data[2];
  const bool rle = type == 10;
  if (colourMap || (type != 2 && type != 10)) {
    Unsupported(type, headSize > 16 ? data[16] : 0, colourMap);
    Fail("TGA file be type 2 or type 10 ", "Invalid Image");
    return false;
  }
  if (headSize < kTgaHeaderSize) {
    Fail("Could not read info header");
    return false;
  }
  const unsigned char* info = data + 12;
  const unsigned width = info[0] + 256u * info[1];
  const unsigned height = info[2] + 256u * info[3];
  const unsigned bpp = info[4];
  const unsigned descriptor = info[5];
  image->width = width;
  image->height = height;
  image->bpp = bpp;
  if (width == 0 || height == 0 || (bpp != 24 && bpp != 32)) {
    if (width != 0 && height != 0) Unsupported(type, bpp, false);
    Fail("Invalid texture information");
    return false;
  }
  // The image ID lies between the header and the pixels.
  if (idLength > bodySize) {
    Fail("Could not read image data");
    return false;
  }
  body += idLength;
  bodySize -= idLength;
  image->format = bpp == 24 ? GL_RGB : GL_RGBA;
  const size_t bytesPerPixel = bpp / 8;
  const size_t pixelCount = static_cast<size_t>(width) * height;
  const size_t imageSize = pixelCount * bytesPerPixel;
  const size_t left = bodySize;
  // The file bounds what it can carry: raw pixels are stored one by one;
  // a run-length packet costs at least a header byte and one pixel value
  // and yields at most 128 pixels.
  if (!rle ? imageSize > left : pixelCount > left / (1 + bytesPerPixel) * 128) {
    Fail("Could not read image data");
    return false;
  }
  if (width > kMaxTgaSide || height > kMaxTgaSide || pixelCount > kMaxTgaPixels) {
    Fail("Image too large");
    return false;
  }
  if (rle) {
    if (const char* error = CheckRlePackets(body, bodySize, 0, bytesPerPixel, pixelCount)) {
      Fail(error);
      return false;
    }
  }
  const bool topFirst = (descriptor & 0x20) != 0, rightToLeft = (descriptor & 0x10) != 0;
  if (!rle && file) {
    // The pixels start idLength bytes into the file's memory; decoding
    // moves them to its start. Each pixel (or pair) is read whole before
    // its bytes are written at the same place or lower, so nothing is
    // overwritten before it has been read.
    unsigned char* pixels = file->data();
    const unsigned char* in = pixels + idLength;
    if (bytesPerPixel == 3)
      DecodeRaw<3>(in, pixels, pixelCount);
    else
      DecodeRaw<4>(in, pixels, pixelCount);
    image->data = file->release();
    Orient(image->data, width, height, bytesPerPixel, topFirst, rightToLeft);
    return true;
  }
  image->data = static_cast<unsigned char*>(malloc(imageSize));
  if (!image->data) {
    Fail("Could not allocate memory for image");
    return false;
  }
  const unsigned char* in = body;
  if (rle)
    bytesPerPixel == 3 ? DecodeRle<3>(in, image->data, pixelCount)
                       : DecodeRle<4>(in, image->data, pixelCount);
  else
    bytesPerPixel == 3 ? DecodeRaw<3>(in, image->data, pixelCount)
                       : DecodeRaw<4>(in, image->data, pixelCount);
  Orient(image->data, width, height, bytesPerPixel, topFirst, rightToLeft);
  return true;
}

}  // namespace

bool DecodeTGA(SImageTGA* image, const unsigned char* data, size_t size) {
  const size_t head = size < kTgaHeaderSize ? size : kTgaHeaderSize;
  return Decode(image, data, head, data ? data + head : nullptr, size - head, nullptr);
}

namespace {

// Reads the image file at path: PNG when it starts with the PNG signature
// (and pngToo), TGA otherwise. A refusal whose reason the reader gave
// (a kind of image not taken) gets its own log line naming the file.
bool ReadImageFile(SImageTGA* image, const char* path, bool pngToo) {
  image->data = nullptr;
  TgaLastReason = nullptr;
  // The header is read apart, so that the pixels of an uncompressed file
  // start the buffer and can be decoded where they lie.
  bounded::FileBytes file;
  unsigned char header[kTgaHeaderSize];
  bool split = false;
  bool ok = false;
  switch (bounded::ReadFileCapped(path, kMaxTgaFile, &file, header, sizeof(header), &split)) {
    case bounded::ReadResult::kOk: break;
    case bounded::ReadResult::kNoFile: Fail("Could not open texture file"); return false;
    case bounded::ReadResult::kTooLarge: Fail("Texture file too large"); return false;
    case bounded::ReadResult::kReadError: Fail("Could not read file header"); return false;
  }
  if (pngToo && split && IsPngSignature(header, sizeof(header))) {
    // PNG wants the file in one piece; it is compressed, so the copy is small.
    std::vector<unsigned char> whole(sizeof(header) + file.size());
    std::memcpy(whole.data(), header, sizeof(header));
    if (file.size() > 0) std::memcpy(whole.data() + sizeof(header), file.data(), file.size());
    file.clear();
    ok = DecodePNG(image, whole.data(), whole.size());
  } else if (!split) {
    ok = pngToo && IsPngSignature(file.data(), file.size())
             ? DecodePNG(image, file.data(), file.size())
             : DecodeTGA(image, file.data(), file.size());
  } else {
    ok = Decode(image, header, sizeof(header), file.data(), file.size(), &file);
  }
  if (!ok && TgaLastReason) AddToLog(RU("Файл текстуры %s: %s"), path, TgaLastReason);
  return ok;
}

}  // namespace

bool ReadTGA(SImageTGA* image, const char* path) { return ReadImageFile(image, path, false); }

bool ReadImage(SImageTGA* image, const char* path) { return ReadImageFile(image, path, true); }

namespace {

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
  BindTexture2D(name);
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
  UploadMipmapped(components, img.width, img.height, format, pixels);
}

// One level, linear filters: a picture drawn at about its own size never
// samples smaller levels, so none are made. A context that cannot take the
// picture's size as it is (non-power-of-two sides before GL 2.0, or larger
// than the GL's limit) gets the mipmapped path, which resamples it.
void BuildSingleLevel(GLint components, const SImageTGA& img, GLenum format, const void* pixels) {
  const TextureUploadCaps caps =
      TextureUploadCapsOverride ? *TextureUploadCapsOverride : QueryTextureUploadCaps();
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  const bool powerOfTwo =
      (img.width & (img.width - 1)) == 0 && (img.height & (img.height - 1)) == 0;
  const bool fits = maxSize > 0 && img.width <= static_cast<unsigned>(maxSize) &&
                    img.height <= static_cast<unsigned>(maxSize);
  if (!fits || (!powerOfTwo && !caps.anySize)) {
    BuildMipmapped(components, img, format, pixels);
    return;
  }
  PackedRows packed;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, components, static_cast<GLsizei>(img.width),
               static_cast<GLsizei>(img.height), 0, format, GL_UNSIGNED_BYTE, pixels);
}

// No key given: no pixel matches.
bool KeyMatches(const unsigned char* p, const int* key) {
  return key && p[0] == key[0] && p[1] == key[1] && p[2] == key[2];
}

}  // namespace

namespace {

// Reads the image at path and converts it pixel by pixel into a new malloc'd
// buffer of `channels` bytes a pixel through convert(source, target). The
// image's size stays in *img; returns null when the file cannot be read or
// the buffer cannot be had.
template <typename Convert>
unsigned char* ReadConverted(const char* path, SImageTGA* img, size_t channels, Convert convert) {
  if (!ReadImage(img, path)) return nullptr;
  const size_t pixels = static_cast<size_t>(img->width) * img->height;
  const size_t step = img->bpp / 8;
  unsigned char* out = static_cast<unsigned char*>(malloc(pixels * channels));
  if (out) {
    for (size_t i = 0; i < pixels; ++i) convert(img->data + i * step, out + i * channels);
  }
  Release(img);
  return out;
}

// The plain and the alpha maker: the image as it is, mipmapped (or in one
// level), into a texture of `components` (3: RGB, a 32-bit image's alpha
// dropped; 4: RGBA, alpha 255 where the image has none), recorded with the
// alpha flag given.
unsigned int LoadMipmapped(const char* path, GLint components, unsigned char alphaFlag,
                           bool mipmaps = true) {
  SImageTGA img;
  unsigned int name = 0;
  if (!ReadImage(&img, path)) {
    AddToLog(RU("Ошибка загрузки текстуры %s"), path);
  } else {
    name = CreateBoundTexture();
    if (mipmaps)
      BuildMipmapped(components, img, img.format, img.data);
    else
      BuildSingleLevel(components, img, img.format, img.data);
    AddToLog(RU("Успешно загружена текстура %s размера %dx%d"), path, (int)img.width,
             (int)img.height);
    Release(&img);
  }
  Register(name, alphaFlag, path);
  return name;
}

}  // namespace

unsigned int LoadTexture(const char* path) {
  if (!RequireGL("LoadTexture") || !RequireArg(path, "LoadTexture", "path")) return 0;
  return LoadMipmapped(path, 3, 0);
}

unsigned int LoadTextureNoMipmaps(const char* path) {
  if (!RequireGL("LoadTextureNoMipmaps") || !RequireArg(path, "LoadTextureNoMipmaps", "path"))
    return 0;
  return LoadMipmapped(path, 3, 0, false);
}

unsigned int LoadTextureWithAlpha(const char* path) {
  if (!RequireGL("LoadTextureWithAlpha") || !RequireArg(path, "LoadTextureWithAlpha", "path"))
    return 0;
  return LoadMipmapped(path, 4, 1);
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
    AddToLog(RU("Успешно загружена маска %s размера %dx%d"), path, (int)img.width, (int)img.height);
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

namespace {
// The name bound to GL_TEXTURE_2D as far as the engine knows.
unsigned int g_boundTexture = 0;
bool g_boundKnown = false;
}  // namespace

void BindTexture2D(unsigned int name) {
  if (g_boundKnown && g_boundTexture == name) return;
  glBindTexture(GL_TEXTURE_2D, name);
  g_boundTexture = name;
  g_boundKnown = true;
}

void ForgetBoundTexture() { g_boundKnown = false; }

void UnbindTexture2D() {
  ForgetBoundTexture();
  BindTexture2D(0);
}

bool BoundTexture2D(unsigned int* name) {
  if (g_boundKnown && name) *name = g_boundTexture;
  return g_boundKnown;
}

bool TextureHasAlpha(unsigned int name) {
  if (name == 0) return false;
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
  return index >= 0 && TextureAlpha[index];
}

void SetTexture(unsigned int name) {
  if (!RequireGL("SetTexture")) return;
  BindTexture2D(name);
  if (TextureHasAlpha(name)) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
  }
}

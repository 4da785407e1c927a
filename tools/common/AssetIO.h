// Small shared helpers of the asset tools: an RGB image, TGA writing
// (uncompressed and run-length), a seeded random generator that gives the
// same numbers on every machine, and file output that makes folders.
#ifndef TOOLS_ASSETIO_H
#define TOOLS_ASSETIO_H

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace assets {

// Creates every folder on the way to `path` (a file path).
inline void MakeParents(const std::string& path) {
  std::error_code ignored;  // an existing folder is fine; a real failure shows at the write
  for (size_t i = 1; i < path.size(); ++i)
    if (path[i] == '/') std::filesystem::create_directory(path.substr(0, i), ignored);
}

// Writes the bytes or stops the tool: a half-written data tree is worse
// than a failed build.
inline void WriteBytes(const std::string& path, const std::string& bytes) {
  MakeParents(path);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  std::fclose(f);
}

inline void PutU8(std::string& o, unsigned v) { o.push_back((char)(v & 0xFF)); }
inline void PutU16(std::string& o, unsigned v) {
  PutU8(o, v);
  PutU8(o, v >> 8);
}
inline void PutU32(std::string& o, uint32_t v) {
  PutU16(o, v & 0xFFFF);
  PutU16(o, v >> 16);
}
inline void PutF32(std::string& o, float f) {
  uint32_t u;
  static_assert(sizeof u == sizeof f, "float size");
  __builtin_memcpy(&u, &f, 4);
  PutU32(o, u);
}

// Deterministic generator (xorshift32), independent of the C library.
struct Rng {
  uint32_t s;
  explicit Rng(uint32_t seed) : s(seed ? seed : 1u) {}
  uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
  float Unit() { return (Next() >> 8) * (1.0f / 16777216.0f); }  // [0, 1)
  float Signed() { return Unit() * 2.0f - 1.0f; }                // [-1, 1)
};

inline float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float Mix(float a, float b, float t) { return a + (b - a) * t; }
inline float Smooth(float e0, float e1, float x) {
  float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

// An RGB picture addressed top-down as a person sees it; rows are flipped
// to the bottom-up order of the files when written.
struct Image {
  int w = 0, h = 0;
  std::vector<float> px;  // r, g, b in 0..1
  Image() = default;
  Image(int width, int height) : w(width), h(height), px((size_t)width * height * 3, 0.0f) {}
  float* At(int x, int y) { return &px[((size_t)y * w + x) * 3]; }
  const float* At(int x, int y) const { return &px[((size_t)y * w + x) * 3]; }
  void Set(int x, int y, float r, float g, float b) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    float* p = At(x, y);
    p[0] = r;
    p[1] = g;
    p[2] = b;
  }
  void Blend(int x, int y, float r, float g, float b, float a) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    float* p = At(x, y);
    p[0] = Mix(p[0], r, a);
    p[1] = Mix(p[1], g, a);
    p[2] = Mix(p[2], b, a);
  }
  void Fill(float r, float g, float b) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) Set(x, y, r, g, b);
  }
  void Rect(int x0, int y0, int x1, int y1, float r, float g, float b) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) Set(x, y, r, g, b);
  }
};

inline uint8_t ToByte(float v) { return (uint8_t)std::lround(Clamp01(v) * 255.0f); }

// The 18-byte header of a 24-bit true-colour TGA, uncompressed (type 2) or
// run-length encoded (type 10); `topFirst` sets the origin flag for rows
// stored top row first instead of bottom-up.
inline std::string TgaHeader(int w, int h, bool rle, bool topFirst) {
  std::string o;
  PutU8(o, 0);
  PutU8(o, 0);
  PutU8(o, rle ? 10 : 2);
  for (int i = 0; i < 5; ++i) PutU8(o, 0);
  PutU16(o, 0);
  PutU16(o, 0);
  PutU16(o, w);
  PutU16(o, h);
  PutU8(o, 24);
  PutU8(o, topFirst ? 0x20 : 0);
  return o;
}

// TGA true-colour, 24 bits, rows stored bottom-up, either uncompressed or
// run-length encoded.
inline std::string EncodeTga(const Image& img, bool rle) {
  std::string o = TgaHeader(img.w, img.h, rle, false);
  std::vector<uint32_t> row(img.w);
  for (int y = img.h - 1; y >= 0; --y) {
    for (int x = 0; x < img.w; ++x) {
      const float* p = img.At(x, y);
      row[x] = (uint32_t)ToByte(p[2]) | (uint32_t)ToByte(p[1]) << 8 | (uint32_t)ToByte(p[0]) << 16;
    }
    if (!rle) {
      for (uint32_t v : row) {
        PutU8(o, v);
        PutU8(o, v >> 8);
        PutU8(o, v >> 16);
      }
      continue;
    }
    // Packets stay inside one row, which every reader accepts.
    int x = 0;
    while (x < img.w) {
      int run = 1;
      while (x + run < img.w && run < 128 && row[x + run] == row[x]) ++run;
      if (run >= 2) {
        PutU8(o, 0x80 | (run - 1));
        PutU8(o, row[x]);
        PutU8(o, row[x] >> 8);
        PutU8(o, row[x] >> 16);
        x += run;
        continue;
      }
      int raw = 1;
      while (x + raw < img.w && raw < 128 &&
             !(x + raw + 1 < img.w && row[x + raw] == row[x + raw + 1]))
        ++raw;
      PutU8(o, raw - 1);
      for (int k = 0; k < raw; ++k) {
        uint32_t v = row[x + k];
        PutU8(o, v);
        PutU8(o, v >> 8);
        PutU8(o, v >> 16);
      }
      x += raw;
    }
  }
  return o;
}

inline void WriteTga(const std::string& path, const Image& img, bool rle) {
  WriteBytes(path, EncodeTga(img, rle));
}

// 16-bit mono PCM RIFF/WAVE with a plain 16-byte format chunk.
inline std::string EncodeWav(const std::vector<float>& samples, int rate) {
  std::string o;
  uint32_t dataBytes = (uint32_t)samples.size() * 2;
  o += "RIFF";
  PutU32(o, 36 + dataBytes);
  o += "WAVE";
  o += "fmt ";
  PutU32(o, 16);
  PutU16(o, 1);
  PutU16(o, 1);
  PutU32(o, rate);
  PutU32(o, rate * 2);
  PutU16(o, 2);
  PutU16(o, 16);
  o += "data";
  PutU32(o, dataBytes);
  for (float s : samples) {
    long v = std::lround(s * 32767.0f);
    if (v > 32767) v = 32767;
    if (v < -32767) v = -32767;
    PutU16(o, (uint16_t)(int16_t)v);
  }
  return o;
}

}  // namespace assets

#endif

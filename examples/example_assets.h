// Helpers shared by the examples: each example writes the pictures, font,
// model and sound it uses into "example_data/" when it starts, so it runs
// from any directory and needs no files beside itself; and each reads the
// same two options:
//   --ticks N   end by itself after N game ticks of 20 ms
//   --shot      with --ticks, save the last frame as "Screen0.tga" first
#ifndef CORVANE_EXAMPLE_ASSETS_H
#define CORVANE_EXAMPLE_ASSETS_H

#include <CorvaneEngine.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace example {

const double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------- options

struct Options {
  int tickLimit = -1;  // -1: run until the window is closed or Escape
  bool shot = false;
};

inline Options ReadOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; i++) {
    if (strcmp(argv[i], "--ticks") == 0 && i + 1 < argc) o.tickLimit = atoi(argv[++i]);
    if (strcmp(argv[i], "--shot") == 0) o.shot = true;
  }
  return o;
}

// Call once per tick with the ticks run so far: Escape quits; with a tick
// limit, the frame before the last is saved (when asked) and the last
// tick ends the run. The screenshot gate opens once a second, so a limit
// of 60 ticks or more is needed for a shot; 100 leaves room for a slow,
// busy machine.
inline void EndOfTick(const Options& o, int ticks) {
  if (_keys[27]) QuiteEngine();
  if (o.tickLimit < 0) return;
  if (o.shot && ticks == o.tickLimit - 1) MakeScreenShoot();
  if (ticks >= o.tickLimit) QuiteEngine();
}

inline void MakeDataDir() {
  std::error_code ignored;  // already there is fine; a failure shows when files are written
  std::filesystem::create_directory("example_data", ignored);
}

// ---------------------------------------------------------------- assets

inline void WriteBytes(const char* path, const std::vector<unsigned char>& bytes) {
  if (FILE* f = fopen(path, "wb")) {
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }
}

// Writes an uncompressed 24-bit TGA the way the engine reads it: rows from
// the bottom of the picture up. pixel(x, y) gives RGB, y = 0 the top row.
template <class F>
void WriteTga(const char* path, int w, int h, F pixel) {
  std::vector<unsigned char> out(18, 0);
  out[2] = 2;
  out[12] = w & 255;
  out[13] = w >> 8;
  out[14] = h & 255;
  out[15] = h >> 8;
  out[16] = 24;
  for (int y = h - 1; y >= 0; y--)
    for (int x = 0; x < w; x++) {
      unsigned rgb = pixel(x, y);
      out.push_back(rgb & 255);          // blue
      out.push_back((rgb >> 8) & 255);   // green
      out.push_back((rgb >> 16) & 255);  // red
    }
  WriteBytes(path, out);
}

inline unsigned Rgb(int r, int g, int b) { return (r << 16) | (g << 8) | b; }

// A 3 x 5 pixel face for the letters, digits and a few signs the captions
// use: five rows of three dots, separated by '|'.
inline const char* Glyph(unsigned char c) {
  switch (c) {
    case 'A': return ".#.|#.#|###|#.#|#.#";
    case 'B': return "##.|#.#|##.|#.#|##.";
    case 'C': return ".##|#..|#..|#..|.##";
    case 'D': return "##.|#.#|#.#|#.#|##.";
    case 'E': return "###|#..|##.|#..|###";
    case 'F': return "###|#..|##.|#..|#..";
    case 'G': return ".##|#..|#.#|#.#|.##";
    case 'H': return "#.#|#.#|###|#.#|#.#";
    case 'I': return "###|.#.|.#.|.#.|###";
    case 'K': return "#.#|#.#|##.|#.#|#.#";
    case 'L': return "#..|#..|#..|#..|###";
    case 'M': return "#.#|###|###|#.#|#.#";
    case 'N': return "##.|#.#|#.#|#.#|#.#";
    case 'O': return ".#.|#.#|#.#|#.#|.#.";
    case 'P': return "##.|#.#|##.|#..|#..";
    case 'Q': return ".#.|#.#|#.#|##.|.##";
    case 'R': return "##.|#.#|##.|#.#|#.#";
    case 'S': return ".##|#..|.#.|..#|##.";
    case 'T': return "###|.#.|.#.|.#.|.#.";
    case 'U': return "#.#|#.#|#.#|#.#|###";
    case 'J': return "..#|..#|..#|#.#|.#.";
    case 'V': return "#.#|#.#|#.#|#.#|.#.";
    case 'W': return "#.#|#.#|###|###|#.#";
    case 'X': return "#.#|#.#|.#.|#.#|#.#";
    case 'Y': return "#.#|#.#|.#.|.#.|.#.";
    case 'Z': return "###|..#|.#.|#..|###";
    case '0': return "###|#.#|#.#|#.#|###";
    case '1': return ".#.|##.|.#.|.#.|###";
    case '2': return "##.|..#|.#.|#..|###";
    case '3': return "##.|..#|.#.|..#|##.";
    case '4': return "#.#|#.#|###|..#|..#";
    case '5': return "###|#..|##.|..#|##.";
    case '6': return ".##|#..|###|#.#|###";
    case '7': return "###|..#|.#.|.#.|.#.";
    case '8': return "###|#.#|###|#.#|###";
    case '9': return "###|#.#|###|..#|##.";
    case ':': return "...|.#.|...|.#.|...";
    case '-': return "...|...|###|...|...";
    case '!': return ".#.|.#.|.#.|...|.#.";
    default: return nullptr;
  }
}

// 256 x 256 font image, 16 x 16 cells; byte b is drawn from cell b - 1.
inline void WriteFont(const char* path) {
  WriteTga(path, 256, 256, [](int x, int y) {
    int cell = (y / 16) * 16 + x / 16;
    const char* g = Glyph(static_cast<unsigned char>(cell + 1));
    if (!g) return 0u;
    // 2 x 3 pixel dots: glyphs stay within the left half of their cell,
    // since the text advances by half a cell per character.
    int gx = (x % 16 - 1) / 2, gy = (y % 16 - 1) / 3;
    if (x % 16 < 1 || y % 16 < 1 || gx > 2 || gy > 4) return 0u;
    return g[gy * 4 + gx] == '#' ? Rgb(255, 255, 255) : 0u;
  });
}

// Writes a .mdl model (little-endian): `frames` keyframes of `vertices`
// positions (x, y, z, frame after frame), triangles as vertex index
// triples, and one (u, v) per vertex, v = 0 the image's first stored row.
inline void WriteMdl(const char* path, int vertices, int frames,
                     const std::vector<float>& positions, const std::vector<int>& triangles,
                     const std::vector<float>& uv) {
  std::vector<unsigned char> out;
  auto i32 = [&](int n) {
    for (int i = 0; i < 4; i++) out.push_back((static_cast<unsigned>(n) >> (8 * i)) & 255);
  };
  auto f32 = [&](float f) {
    unsigned char b[4];
    memcpy(b, &f, 4);
    out.insert(out.end(), b, b + 4);
  };
  i32(vertices);
  i32(static_cast<int>(triangles.size() / 3));
  i32(frames);
  for (float f : positions) f32(f);
  for (int i : triangles) i32(i);
  for (float f : uv) f32(f);
  WriteBytes(path, out);
}

// A four-sided pyramid of 5 vertices and 6 triangles, with two keyframes:
// the second one taller, so the model pulses as it blends between them.
inline void WriteModel(const char* path) {
  std::vector<float> pos;
  for (float top : {1.0f, 1.8f})
    pos.insert(pos.end(), {-1, -1, -1, 1, -1, -1, 1, -1, 1, -1, -1, 1, 0, top, 0});
  WriteMdl(path, 5, 2, pos, {0, 1, 4, 1, 2, 4, 2, 3, 4, 3, 0, 4, 0, 2, 1, 0, 3, 2},
           {0, 1, 1, 1, 0, 1, 1, 1, 0.5f, 0});
}

// A short falling beep, 16-bit mono PCM at 22050 Hz.
inline void WriteBeep(const char* path) {
  const int rate = 22050, n = rate / 8;
  std::vector<unsigned char> out;
  auto put = [&](unsigned v, int bytes) {
    for (int i = 0; i < bytes; i++) out.push_back((v >> (8 * i)) & 255);
  };
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  put(36 + n * 2, 4);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(16, 4);
  put(1, 2);
  put(1, 2);
  put(rate, 4);
  put(rate * 2, 4);
  put(2, 2);
  put(16, 2);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  put(n * 2, 4);
  for (int i = 0; i < n; i++) {
    double t = static_cast<double>(i) / rate;
    double s = sin(2 * kPi * (880 - 1600 * t) * t) * (1.0 - static_cast<double>(i) / n);
    put(static_cast<unsigned>(static_cast<short>(s * 12000)) & 0xFFFF, 2);
  }
  WriteBytes(path, out);
}

}  // namespace example

#endif

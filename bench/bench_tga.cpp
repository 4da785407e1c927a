// Speed of the engine's image readers, in pixels per second of CPU time:
// TGA uncompressed and run-length, 24 and 32 bits, and PNG of the same
// pictures (RGB and RGBA, written by libpng at its default compression, as
// image programs do). The files are written by the benchmark itself into a
// scratch directory beside the binary: 1024 x 1024 pictures of flat bands
// broken by noise, so the run-length files mix runs and raw packets as
// painted textures do.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../tests/support/TestPlatform.h"
#include "render/Render.h"

namespace {

const int kSide = 1024;

// Pixel (x, y) of the test picture, `bytes` per pixel in file order (B, G, R, A).
void Colour(int x, int y, int bytes, unsigned char* out) {
  // Bands of a flat colour a few dozen pixels long, with noisy stretches.
  const uint32_t band = static_cast<uint32_t>((x / 37) * 7919 + y * 104729);
  const bool noisy = (band >> 5) % 3 == 0;
  uint32_t v = noisy ? static_cast<uint32_t>(x * 2654435761u + y * 40503u) : band * 2246822519u;
  for (int k = 0; k < bytes; k++) {
    out[k] = static_cast<unsigned char>(v >> 3);
    v = v * 1103515245u + 12345u;
  }
}

std::string WriteTga(bool rle, int bits) {
  const int bytes = bits / 8;
  std::string path = std::string(TEST_BINARY_DIR "/benchrun/bench_") + (rle ? "rle" : "raw") +
                     std::to_string(bits) + ".tga";
  std::vector<unsigned char> out;
  const unsigned char header[18] = {0,
                                    0,
                                    static_cast<unsigned char>(rle ? 10 : 2),
                                    0,
                                    0,
                                    0,
                                    0,
                                    0,
                                    0,
                                    0,
                                    0,
                                    0,
                                    static_cast<unsigned char>(kSide & 255),
                                    static_cast<unsigned char>(kSide >> 8),
                                    static_cast<unsigned char>(kSide & 255),
                                    static_cast<unsigned char>(kSide >> 8),
                                    static_cast<unsigned char>(bits),
                                    0};
  out.insert(out.end(), header, header + 18);
  std::vector<unsigned char> row(static_cast<size_t>(kSide) * bytes);
  for (int y = 0; y < kSide; y++) {
    for (int x = 0; x < kSide; x++) Colour(x, y, bytes, &row[static_cast<size_t>(x) * bytes]);
    if (!rle) {
      out.insert(out.end(), row.begin(), row.end());
      continue;
    }
    // Packets stay within the row: runs of equal pixels, raw stretches between.
    auto same = [&](int a, int b) {
      for (int k = 0; k < bytes; k++)
        if (row[static_cast<size_t>(a) * bytes + k] != row[static_cast<size_t>(b) * bytes + k])
          return false;
      return true;
    };
    int x = 0;
    while (x < kSide) {
      int run = 1;
      while (x + run < kSide && run < 128 && same(x, x + run)) run++;
      if (run > 1) {
        out.push_back(static_cast<unsigned char>(0x80 | (run - 1)));
        out.insert(out.end(), row.begin() + static_cast<long>(x) * bytes,
                   row.begin() + static_cast<long>(x + 1) * bytes);
        x += run;
        continue;
      }
      int raw = 1;
      while (x + raw < kSide && raw < 128 && !(x + raw + 1 < kSide && same(x + raw, x + raw + 1)))
        raw++;
      out.push_back(static_cast<unsigned char>(raw - 1));
      out.insert(out.end(), row.begin() + static_cast<long>(x) * bytes,
                 row.begin() + static_cast<long>(x + raw) * bytes);
      x += raw;
    }
  }
  testos::MakeDir(TEST_BINARY_DIR "/benchrun");
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return "";
  const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  std::fclose(f);
  return ok ? path : "";
}

// The same picture as WriteTga's, as a PNG (top row first, R, G, B(, A)).
std::string WritePng(int bits) {
  const int bytes = bits / 8;
  std::string path =
      std::string(TEST_BINARY_DIR "/benchrun/bench_") + std::to_string(bits) + ".png";
  std::vector<unsigned char> pixels(static_cast<size_t>(kSide) * kSide * bytes);
  unsigned char px[4];
  for (int y = 0; y < kSide; y++)
    for (int x = 0; x < kSide; x++) {
      // TGA rows are stored bottom-up: file row y is picture row kSide - 1 - y.
      Colour(x, y, bytes, px);
      unsigned char* out = &pixels[(static_cast<size_t>(kSide - 1 - y) * kSide + x) * bytes];
      out[0] = px[2];
      out[1] = px[1];
      out[2] = px[0];
      if (bytes == 4) out[3] = px[3];
    }
  testos::MakeDir(TEST_BINARY_DIR "/benchrun");
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  image.width = kSide;
  image.height = kSide;
  image.format = bytes == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr)) return "";
  return path;
}

// Reads the file at path with read until the benchmark has its time, and
// reports pixels a second; false when the reader refused the file.
bool TimeReader(benchmark::State& state, const std::string& path,
                bool (*read)(SImageTGA*, const char*)) {
  for (auto _ : state) {
    SImageTGA image;
    if (!read(&image, path.c_str())) {
      state.SkipWithError("the reader refused the file");
      return false;
    }
    benchmark::DoNotOptimize(image.data);
    std::free(image.data);
  }
  const double pixels = static_cast<double>(kSide) * kSide;
  state.counters["pixels/s"] = benchmark::Counter(pixels * static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate);
  return true;
}

void BM_ReadPng(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const std::string path = WritePng(bits);
  if (path.empty()) {
    state.SkipWithError("cannot write the test file");
    return;
  }
  if (!TimeReader(state, path, ReadImage)) return;
  state.SetLabel("PNG " + std::to_string(bits) + " bits");
}
BENCHMARK(BM_ReadPng)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

void BM_ReadTga(benchmark::State& state) {
  const bool rle = state.range(0) != 0;
  const int bits = static_cast<int>(state.range(1));
  const std::string path = WriteTga(rle, bits);
  if (path.empty()) {
    state.SkipWithError("cannot write the test file");
    return;
  }
  if (!TimeReader(state, path, ReadTGA)) return;
  state.SetLabel(std::string(rle ? "run-length " : "uncompressed ") + std::to_string(bits) +
                 " bits");
}
BENCHMARK(BM_ReadTga)
    ->Args({0, 24})
    ->Args({0, 32})
    ->Args({1, 24})
    ->Args({1, 32})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

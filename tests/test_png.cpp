// PNG reader: every colour type and depth, interlaced or not, against the
// pixels the test works out itself from the samples it wrote; damaged and
// oversized files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "Cp1251.h"
#include "Pictures.h"
#include "render/Render.h"
#include "testutil.h"

namespace {

using testutil::PngChannels;
using testutil::PngFile;
using testutil::PngPicture;

unsigned To8(unsigned v, int depth) {
  if (depth == 16) return static_cast<unsigned>(std::lround(v * 255.0 / 65535.0));
  return v * 255 / ((1u << depth) - 1);
}

unsigned Be16(const std::string& s, size_t at) {
  return (static_cast<unsigned char>(s[at]) << 8) | static_cast<unsigned char>(s[at + 1]);
}

// What a reader should make of the picture: R, G, B (, A when the file has
// alpha) bottom row first.
std::vector<unsigned char> Expected(const PngPicture& p, bool* alpha) {
  const int ch = PngChannels(p.colourType);
  *alpha = p.colourType == 4 || p.colourType == 6 || !p.trns.empty();
  std::vector<unsigned char> out;
  for (int y = p.height - 1; y >= 0; --y) {
    for (int x = 0; x < p.width; ++x) {
      const unsigned* s = &p.samples[(static_cast<size_t>(y) * p.width + x) * ch];
      unsigned r, g, b, a = 255;
      switch (p.colourType) {
        case 0:
          r = g = b = To8(s[0], p.depth);
          if (!p.trns.empty() && s[0] == Be16(p.trns, 0)) a = 0;
          break;
        case 2:
          r = To8(s[0], p.depth);
          g = To8(s[1], p.depth);
          b = To8(s[2], p.depth);
          if (!p.trns.empty() && s[0] == Be16(p.trns, 0) && s[1] == Be16(p.trns, 2) &&
              s[2] == Be16(p.trns, 4))
            a = 0;
          break;
        case 3:
          r = p.palette[s[0] * 3];
          g = p.palette[s[0] * 3 + 1];
          b = p.palette[s[0] * 3 + 2];
          if (s[0] < p.trns.size()) a = static_cast<unsigned char>(p.trns[s[0]]);
          break;
        case 4:
          r = g = b = To8(s[0], p.depth);
          a = To8(s[1], p.depth);
          break;
        default:
          r = To8(s[0], p.depth);
          g = To8(s[1], p.depth);
          b = To8(s[2], p.depth);
          a = To8(s[3], p.depth);
      }
      out.insert(out.end(), {static_cast<unsigned char>(r), static_cast<unsigned char>(g),
                             static_cast<unsigned char>(b)});
      if (*alpha) out.push_back(static_cast<unsigned char>(a));
    }
  }
  return out;
}

// A w x h picture of pseudo-random samples; a palette picture gets a
// palette with an entry for every index.
PngPicture Picture(int colourType, int depth, int w, int h, unsigned seed) {
  PngPicture p;
  p.width = w;
  p.height = h;
  p.colourType = colourType;
  p.depth = depth;
  const unsigned top = (1u << depth) - 1;
  unsigned v = seed;
  for (int i = 0; i < w * h * PngChannels(colourType); ++i) {
    v = v * 1103515245u + 12345u;
    p.samples.push_back((v >> 8) % (top + 1));
  }
  if (colourType == 3) {
    for (unsigned i = 0; i <= top; ++i)
      p.palette.insert(p.palette.end(), {static_cast<unsigned char>(i * 37),
                                         static_cast<unsigned char>(255 - i * 11),
                                         static_cast<unsigned char>(i * 5 + 3)});
  }
  return p;
}

bool Decode(const std::string& bytes, SImageTGA* img) {
  return DecodePNG(img, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string TrnsKey(std::initializer_list<unsigned> values) {
  std::string s;
  for (unsigned v : values) s += {static_cast<char>(v >> 8), static_cast<char>(v & 255)};
  return s;
}

TEST(Png, EveryColourTypeAndDepthDecodesAsWritten) {
  struct Kind {
    int colourType, depth;
    int trns;  // 0 none, 1 key colour / alpha table
  } kinds[] = {{0, 1, 0}, {0, 2, 0},  {0, 4, 0}, {0, 8, 0},  {0, 16, 0}, {0, 8, 1}, {0, 16, 1},
               {2, 8, 0}, {2, 16, 0}, {2, 8, 1}, {3, 1, 0},  {3, 2, 0},  {3, 4, 0}, {3, 8, 0},
               {3, 4, 1}, {3, 8, 1},  {4, 8, 0}, {4, 16, 0}, {6, 8, 0},  {6, 16, 0}};
  unsigned seed = 1;
  for (const Kind& k : kinds) {
    for (bool interlaced : {false, true}) {
      // Odd sizes: rows end inside a byte at small depths, and every Adam7
      // pass has pixels.
      PngPicture p = Picture(k.colourType, k.depth, 13, 11, seed++);
      p.interlaced = interlaced;
      p.idatSplit = interlaced ? 7 : 0;
      if (k.trns && k.colourType == 0) p.trns = TrnsKey({p.samples[0]});
      if (k.trns && k.colourType == 2) p.trns = TrnsKey({p.samples[0], p.samples[1], p.samples[2]});
      if (k.trns && k.colourType == 3) p.trns = std::string("\x00\x80\xff", 3);
      SCOPED_TRACE(testing::Message()
                   << "colour type " << k.colourType << ", " << k.depth << " bits"
                   << (k.trns ? ", tRNS" : "") << (interlaced ? ", interlaced" : ""));
      bool alpha = false;
      const std::vector<unsigned char> expect = Expected(p, &alpha);
      SImageTGA img;
      ASSERT_TRUE(Decode(PngFile(p), &img)) << (TgaLastReason ? TgaLastReason : "");
      EXPECT_EQ(img.width, 13u);
      EXPECT_EQ(img.height, 11u);
      EXPECT_EQ(img.bpp, alpha ? 32u : 24u);
      EXPECT_EQ(img.format, alpha ? static_cast<unsigned>(GL_RGBA) : static_cast<unsigned>(GL_RGB));
      EXPECT_EQ(std::vector<unsigned char>(img.data, img.data + expect.size()), expect);
      free(img.data);
    }
  }
}

TEST(Png, SixteenBitSamplesRoundToNearest) {
  // Every 16-bit value that sits near a rounding edge.
  PngPicture p;
  p.colourType = 0;
  p.depth = 16;
  for (unsigned v = 0; v < 65536; v += 257) {
    for (int d : {-129, -128, -1, 0, 1, 127, 128})
      if (static_cast<int>(v) + d >= 0 && v + d < 65536) p.samples.push_back(v + d);
  }
  p.width = static_cast<int>(p.samples.size());
  p.height = 1;
  SImageTGA img;
  ASSERT_TRUE(Decode(PngFile(p), &img));
  for (size_t i = 0; i < p.samples.size(); ++i)
    ASSERT_EQ(img.data[i * 3], To8(p.samples[i], 16)) << p.samples[i];
  free(img.data);
}

TEST(Png, DamagedAndOversizedFilesAreRefused) {
  PngPicture p = Picture(2, 8, 9, 9, 5);
  const std::string good = PngFile(p);
  std::string badCrc = good;
  badCrc[8 + 8 + 13] ^= 1;  // IHDR's CRC
  std::string wide = good, tall = good, zero = good;
  auto setSize = [](std::string& s, unsigned w, unsigned h) {
    for (int i = 0; i < 4; ++i) {
      s[16 + i] = static_cast<char>((w >> (24 - 8 * i)) & 255);
      s[20 + i] = static_cast<char>((h >> (24 - 8 * i)) & 255);
    }
  };
  // The IHDR CRC is left wrong on purpose for zero: either check may refuse.
  setSize(wide, kMaxTgaSide + 1, 1);
  setSize(tall, 4096, 4097);
  setSize(zero, 0, 9);
  struct Case {
    const char* name;
    std::string bytes;
    const char* error;  // null: any error text
  } cases[] = {
      {"signature only", good.substr(0, 8), nullptr},
      {"cut in IDAT", good.substr(0, good.size() - 30), "Could not read image data"},
      {"no IEND", good.substr(0, good.size() - 12), nullptr},
      {"IHDR CRC", badCrc, nullptr},
      {"not a PNG", "GIF89a" + good, "Could not read file header"},
      {"zero width", zero, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SImageTGA img;
    img.data = reinterpret_cast<unsigned char*>(1);
    const bool ok = Decode(c.bytes, &img);
    if (std::string(c.name) == "no IEND") {
      // The pixels are all there: a missing end marker is not worth a refusal.
      EXPECT_TRUE(ok);
      free(img.data);
      continue;
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(img.data, nullptr);
    if (c.error) {
      EXPECT_STREQ(TgaLastError, c.error);
    }
  }

  // Sizes past the budget are refused from the header, with the CRC fixed
  // so that only the size can be the reason.
  for (std::string* s : {&wide, &tall}) {
    const std::string typed = s->substr(12, 17);
    const unsigned crc = testutil::PngCrc(typed);
    for (int i = 0; i < 4; ++i) (*s)[29 + i] = static_cast<char>((crc >> (24 - 8 * i)) & 255);
    SImageTGA img;
    EXPECT_FALSE(Decode(*s, &img));
    EXPECT_STREQ(TgaLastError, "Image too large");
    EXPECT_EQ(img.data, nullptr);
  }
}

TEST(Png, ReaderTellsByContentAndNamesRefusedFiles) {
  PngPicture p = Picture(6, 8, 4, 3, 9);
  bool alpha = false;
  const std::vector<unsigned char> expect = Expected(p, &alpha);
  // A PNG under a .tga name is still a PNG.
  testutil::WriteFile("art.tga", PngFile(p));
  SImageTGA img;
  ASSERT_TRUE(ReadImage(&img, "art.tga"));
  EXPECT_EQ(std::vector<unsigned char>(img.data, img.data + expect.size()), expect);
  free(img.data);
  // The TGA-only reader does not take it.
  EXPECT_FALSE(ReadTGA(&img, "art.tga"));

  testutil::RemoveFile("EngineLog.txt");
  const std::string png = PngFile(p);
  testutil::WriteFile("cut.png", png.substr(0, png.size() / 2));
  EXPECT_FALSE(ReadImage(&img, "cut.png"));
  const std::string log = testutil::ReadFile("EngineLog.txt");
  EXPECT_NE(log.find(RU("Файл текстуры cut.png: PNG не прочитан (")), std::string::npos) << log;
}

}  // namespace

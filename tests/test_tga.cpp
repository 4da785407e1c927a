// TGA reader: decoding of raw and run-length images and every rejection.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <GL/gl.h>

#include "Cp1251.h"
#include "render/Render.h"
#include "Pictures.h"
#include "testutil.h"

namespace {

using testutil::TgaHeader;

std::string Bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s.push_back(static_cast<char>(b));
  return s;
}

struct Decoded {
  bool ok;
  SImageTGA img;
  std::string error;
  std::string caption;
  std::string Pixels() const {
    return ok ? std::string(reinterpret_cast<char*>(img.data), img.width * img.height * img.bpp / 8)
              : std::string();
  }
};

Decoded Read(const std::string& bytes) {
  testutil::WriteFile("t.tga", bytes);
  Decoded d;
  TgaLastError = TgaLastCaption = nullptr;
  d.img.data = reinterpret_cast<unsigned char*>(1);  // must be cleared on failure
  d.ok = ReadTGA(&d.img, "t.tga");
  d.error = TgaLastError ? TgaLastError : "";
  d.caption = TgaLastCaption ? TgaLastCaption : "";
  return d;
}

class Tga : public ::testing::Test {
protected:
  void TearDown() override {
    if (d.ok) free(d.img.data);
  }
  void Load(const std::string& bytes) { d = Read(bytes); }
  Decoded d{};
};

TEST_F(Tga, RawSwapsBlueAndRedAt24And32Bits) {
  Load(TgaHeader(2, 2, 1, 24) + Bytes({1, 2, 3, 4, 5, 6}));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.Pixels(), Bytes({3, 2, 1, 6, 5, 4}));
  EXPECT_EQ(d.img.format, (unsigned)GL_RGB);
  EXPECT_EQ(d.img.bpp, 24u);
  free(d.img.data);

  Load(TgaHeader(2, 1, 2, 32) + Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.Pixels(), Bytes({3, 2, 1, 4, 7, 6, 5, 8}));
  EXPECT_EQ(d.img.format, (unsigned)GL_RGBA);
  EXPECT_EQ(d.img.width, 1u);
  EXPECT_EQ(d.img.height, 2u);
}

TEST_F(Tga, ThirtyTwoBitPixelsSwapAtEveryCountRawAndInRawPackets) {
  // The 32-bit path swaps two pixels per step; odd counts leave one over.
  for (int n = 1; n <= 5; ++n) {
    std::string stored, expected;
    for (int i = 0; i < n; ++i) {
      stored += Bytes({10 * i + 1, 10 * i + 2, 10 * i + 3, 10 * i + 4});
      expected += Bytes({10 * i + 3, 10 * i + 2, 10 * i + 1, 10 * i + 4});
    }
    Load(TgaHeader(2, n, 1, 32) + stored);
    ASSERT_TRUE(d.ok) << n;
    EXPECT_EQ(d.Pixels(), expected) << "raw, " << n << " pixels";
    free(d.img.data);
    Load(TgaHeader(10, n, 1, 32) + Bytes({n - 1}) + stored);
    ASSERT_TRUE(d.ok) << n;
    EXPECT_EQ(d.Pixels(), expected) << "raw packet, " << n << " pixels";
    if (n < 5) free(d.img.data);
  }
}

TEST_F(Tga, RawIgnoresAttributeBitsAndTrailingBytes) {
  std::string h = TgaHeader(2, 1, 1, 24);
  h[17] = 0x08;  // attribute bits count: nothing to do with the pixels
  Load(h + Bytes({9, 8, 7, 0xAA, 0xBB}));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.Pixels(), Bytes({7, 8, 9}));
}

TEST_F(Tga, RlePacketsAcrossRows) {
  // 3 x 2 image: a run of 4 crosses the row end, then a raw packet of 2.
  Load(TgaHeader(10, 3, 2, 24) + Bytes({0x83, 0x10, 0x20, 0x30, 0x01, 1, 2, 3, 4, 5, 6}));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.Pixels(), Bytes({0x30, 0x20, 0x10, 0x30, 0x20, 0x10, 0x30, 0x20, 0x10, 0x30, 0x20,
                               0x10, 3, 2, 1, 6, 5, 4}));
}

TEST_F(Tga, RleRunAndRawOfOneAnd32Bits) {
  Load(TgaHeader(10, 3, 1, 32) + Bytes({0x81, 1, 2, 3, 4, 0x00, 5, 6, 7, 8}));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.Pixels(), Bytes({3, 2, 1, 4, 3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST_F(Tga, RlePacketLengthsOneTo128) {
  // 0x80 repeats once, 0xFF 128 times, 0x7F carries 128 stored pixels.
  std::string body = Bytes({0x80, 1, 1, 1, 0xFF, 2, 2, 2, 0x7F});
  std::string raw;
  for (int i = 0; i < 128; ++i) raw += Bytes({i, 0, 0});
  Load(TgaHeader(10, 257, 1, 24) + body + raw);
  ASSERT_TRUE(d.ok);
  std::string px = d.Pixels();
  ASSERT_EQ(px.size(), 257u * 3);
  EXPECT_EQ(px.substr(0, 3), Bytes({1, 1, 1}));
  for (int i = 1; i <= 128; ++i) ASSERT_EQ(px.substr(i * 3, 3), Bytes({2, 2, 2})) << i;
  for (int i = 0; i < 128; ++i) ASSERT_EQ(px.substr((129 + i) * 3, 3), Bytes({0, 0, i})) << i;
}

struct Rejection {
  const char* name;
  std::string bytes;
  const char* error;
  const char* caption;
};

TEST(TgaRejects, DamagedAndUnsupportedFiles) {
  std::string rawHuge = TgaHeader(2, 65535, 65535, 32) + std::string(64, '\x7f');
  std::string rleHuge = TgaHeader(10, 65535, 65535, 32) + std::string(64, '\xff');
  std::string idCut = TgaHeader(2, 1, 1, 24) + "abc";
  idCut[0] = 3;  // the ID takes the pixel's bytes
  std::string idPastEnd = TgaHeader(10, 1, 1, 24) + "ab";
  idPastEnd[0] = static_cast<char>(200);
  std::string colourMap = TgaHeader(2, 1, 1, 24) + "abc";
  colourMap[1] = 1;
  const Rejection cases[] = {
      {"short header", std::string(11, '\0'), "Could not read file header", "ERROR"},
      {"image id leaves no pixels", idCut, "Could not read image data", "ERROR"},
      {"image id past the end", idPastEnd, "Could not read image data", "ERROR"},
      {"colour map", colourMap, "TGA file be type 2 or type 10 ", "Invalid Image"},
      {"grey type 3", TgaHeader(3, 1, 1, 8) + "a", "TGA file be type 2 or type 10 ",
       "Invalid Image"},
      {"short info", TgaHeader(2, 1, 1, 24).substr(0, 17), "Could not read info header", "ERROR"},
      {"rle short info", TgaHeader(10, 1, 1, 24).substr(0, 14), "Could not read info header",
       "ERROR"},
      {"width 0", TgaHeader(2, 0, 1, 24) + "abc", "Invalid texture information", "ERROR"},
      {"height 0", TgaHeader(10, 1, 0, 24) + "abc", "Invalid texture information", "ERROR"},
      {"16 bit", TgaHeader(2, 1, 1, 16) + "ab", "Invalid texture information", "ERROR"},
      {"raw short data", TgaHeader(2, 2, 2, 24) + std::string(11, 'x'), "Could not read image data",
       "ERROR"},
      {"raw huge", rawHuge, "Could not read image data", "ERROR"},
      {"rle huge", rleHuge, "Could not read image data", "ERROR"},
      {"rle header missing", TgaHeader(10, 2, 1, 24) + Bytes({0x80, 1, 2, 3}),
       "Could not read RLE header", "ERROR"},
      {"rle run value short", TgaHeader(10, 2, 1, 24) + Bytes({0x80, 1, 2, 3, 0x80, 1, 2}),
       "Could not read from file", "ERROR"},
      {"rle raw pixel short", TgaHeader(10, 2, 1, 24) + Bytes({0x01, 1, 2, 3, 4, 5}),
       "Could not read image data", "ERROR"},
      {"rle too many (run)", TgaHeader(10, 2, 1, 24) + Bytes({0x82, 1, 2, 3, 0, 0, 0, 0}),
       "Too many pixels read", "ERROR"},
      {"rle too many (raw)",
       TgaHeader(10, 2, 1, 24) + Bytes({0x00, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}),
       "Too many pixels read", "ERROR"},
  };
  for (const Rejection& c : cases) {
    Decoded d = Read(c.bytes);
    EXPECT_FALSE(d.ok) << c.name;
    EXPECT_EQ(d.img.data, nullptr) << c.name;
    EXPECT_EQ(d.error, c.error) << c.name;
    EXPECT_EQ(d.caption, c.caption) << c.name;
  }

  SImageTGA img;
  EXPECT_FALSE(ReadTGA(&img, "no/such/file.tga"));
  EXPECT_STREQ(TgaLastError, "Could not open texture file");
  EXPECT_STREQ(TgaLastCaption, "ERROR");
  EXPECT_EQ(img.data, nullptr);
}

bool Decode(const std::string& bytes, SImageTGA* img) {
  return DecodeTGA(img, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(TgaBudget, ImagesPastThePixelBudgetAreRefusedBeforeAllocating) {
  SImageTGA img;
  // Wider than the side limit, with every pixel present in the file.
  std::string wide = TgaHeader(2, kMaxTgaSide + 1, 1, 24) + std::string((kMaxTgaSide + 1) * 3, 'x');
  EXPECT_FALSE(Decode(wide, &img));
  EXPECT_STREQ(TgaLastError, "Image too large");
  EXPECT_EQ(img.data, nullptr);

  // 8192 x 8192 in 2 MiB of full 128-pixel runs: a file that small used to
  // be taken for 256 MiB of pixels.
  std::string runs = TgaHeader(10, 8192, 8192, 24);
  for (int i = 0; i < 8192 * 8192 / 128; i++) runs += std::string("\xff\x01\x02\x03", 4);
  EXPECT_FALSE(Decode(runs, &img));
  EXPECT_STREQ(TgaLastError, "Image too large");
  EXPECT_EQ(img.data, nullptr);

  // At the budget's edge (4096 x 4096 in runs) the image is decoded.
  std::string edge = TgaHeader(10, 4096, 4096, 32);
  for (int i = 0; i < 4096 * 4096 / 128; i++) edge += std::string("\xff\x01\x02\x03\x04", 5);
  ASSERT_TRUE(Decode(edge, &img));
  EXPECT_EQ(img.data[0], 3);
  EXPECT_EQ(img.data[4096u * 4096 * 4 - 1], 4);
  free(img.data);

  // A stream that stops short is refused by the packet walk, before the
  // image is allocated, with the same text as before.
  std::string cut = TgaHeader(10, 4096, 4096, 24);
  for (int i = 0; i < 4096 * 4096 / 128 - 1; i++) cut += std::string("\xff\x01\x02\x03", 4);
  cut += std::string(16, '\x01');
  EXPECT_FALSE(Decode(cut, &img));
  EXPECT_STREQ(TgaLastError, "Could not read image data");
}

TEST(TgaBudget, FileAndMemoryReadersAgree) {
  const std::string bytes =
      TgaHeader(10, 3, 2, 32) + std::string(
                                    "\x02\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c"
                                    "\x82\x0d\x0e\x0f\x10",
                                    18);
  testutil::WriteFile("same.tga", bytes);
  SImageTGA a, b;
  ASSERT_TRUE(ReadTGA(&a, "same.tga"));
  ASSERT_TRUE(Decode(bytes, &b));
  EXPECT_EQ(std::memcmp(a.data, b.data, 3 * 2 * 4), 0);
  EXPECT_EQ(b.data[0], 3);
  EXPECT_EQ(b.data[23], 0x10);
  free(a.data);
  free(b.data);
}

// A picture of w x h pixels, top row first, as B, G, R(, A) with some
// equal neighbours so that run-length files get runs.
std::string PictureTopDown(int w, int h, int bytes) {
  std::string px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int k = 0; k < bytes; ++k) px.push_back(static_cast<char>((x / 2) * 40 + y * 7 + k * 3));
  return px;
}

// Run-length packets as an image program writes them: runs of equal
// pixels, raw stretches between, each packet within one row.
std::string Rle(const std::string& rows, int w, int h, int bytes) {
  std::string out;
  auto at = [&](int y, int x) {
    return rows.substr((static_cast<size_t>(y) * w + x) * bytes, bytes);
  };
  for (int y = 0; y < h; ++y) {
    int x = 0;
    while (x < w) {
      int run = 1;
      while (x + run < w && run < 128 && at(y, x + run) == at(y, x)) ++run;
      if (run > 1) {
        out += static_cast<char>(0x80 | (run - 1));
        out += at(y, x);
      } else {
        out += static_cast<char>(0);
        out += at(y, x);
      }
      x += run;
    }
  }
  return out;
}

TEST(TgaFromOtherTools, IdFieldOriginFieldsAndOriginBits) {
  const int w = 5, h = 3;
  for (int type : {2, 10})
    for (int bpp : {24, 32})
      for (int idLength : {0, 6, 26, 255})
        for (int descriptor : {0x00, 0x10, 0x20, 0x30}) {
          SCOPED_TRACE(testing::Message() << "type " << type << ", " << bpp << " bits, ID "
                                          << idLength << ", descriptor " << descriptor);
          const int bytes = bpp / 8;
          const std::string picture = PictureTopDown(w, h, bytes);
          // Stored in the order the descriptor states.
          const bool topFirst = descriptor & 0x20, rightToLeft = descriptor & 0x10;
          std::string stored;
          for (int row = 0; row < h; ++row) {
            const int y = topFirst ? row : h - 1 - row;
            for (int col = 0; col < w; ++col) {
              const int x = rightToLeft ? w - 1 - col : col;
              stored += picture.substr((static_cast<size_t>(y) * w + x) * bytes, bytes);
            }
          }
          std::string header = TgaHeader(type, w, h, bpp);
          header[0] = static_cast<char>(idLength);
          header[10] = static_cast<char>(topFirst ? h : 0);  // y origin as paint programs set it
          header[8] = 3;                                     // and an x origin nobody uses
          header[17] = static_cast<char>(descriptor | (bpp == 32 ? 8 : 0));
          std::string id(static_cast<size_t>(idLength), 'i');
          const std::string body = type == 2 ? stored : Rle(stored, w, h, bytes);
          // Expected: bottom row first, left to right, R, G, B(, A).
          std::string expect;
          for (int y = h - 1; y >= 0; --y)
            for (int x = 0; x < w; ++x) {
              const std::string p = picture.substr((static_cast<size_t>(y) * w + x) * bytes, bytes);
              expect += {p[2], p[1], p[0]};
              if (bytes == 4) expect += p[3];
            }
          Decoded d = Read(header + id + body + "TRUEVISION-XFILE.");
          ASSERT_TRUE(d.ok) << d.error;
          EXPECT_EQ(d.Pixels(), expect);
          free(d.img.data);
          // The memory reader agrees.
          SImageTGA img;
          ASSERT_TRUE(Decode(header + id + body, &img));
          EXPECT_EQ(std::string(reinterpret_cast<char*>(img.data), expect.size()), expect);
          free(img.data);
        }
}

TEST(TgaFromOtherTools, KindsNotTakenAreNamedWithTheirTypeAndBits) {
  struct Case {
    const char* file;
    std::string bytes;
    const char* error;
    const char* reason;
  } cases[] = {
      {"mapped.tga",
       [] {
         std::string s = TgaHeader(1, 2, 1, 8) + std::string(3 * 4, 'p') + "ab";
         s[1] = 1;  // colour map: 4 entries of 24 bits
         s[5] = 4;
         s[7] = 24;
         return s;
       }(),
       "TGA file be type 2 or type 10 ", RU("с палитрой (тип 1, бит на точку: 8)")},
      {"grey.tga", TgaHeader(3, 2, 1, 8) + "ab", "TGA file be type 2 or type 10 ",
       RU("в оттенках серого (тип 3, бит на точку: 8)")},
      {"greyrle.tga", TgaHeader(11, 2, 1, 16) + "abcd", "TGA file be type 2 or type 10 ",
       RU("(тип 11, бит на точку: 16)")},
      {"hicolour.tga", TgaHeader(2, 2, 1, 16) + "abcd", "Invalid texture information",
       RU("полноцветный (тип 2, бит на точку: 16)")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    testutil::RemoveFile("EngineLog.txt");
    testutil::WriteFile(c.file, c.bytes);
    SImageTGA img;
    EXPECT_FALSE(ReadTGA(&img, c.file));
    EXPECT_STREQ(TgaLastError, c.error);
    // One reason line (the box may be logged too where boxes are off).
    int lines = 0;
    for (const std::string& line : testutil::LogMessages()) {
      if (line.find(RU("Файл текстуры ")) != 0) continue;
      ++lines;
      EXPECT_EQ(line.find(RU("Файл текстуры ") + std::string(c.file) + ": TGA"), 0u) << line;
      EXPECT_NE(line.find(c.reason), std::string::npos) << line;
    }
    EXPECT_EQ(lines, 1);
  }
  // A damaged file of a kind we take gets the box alone, as before.
  testutil::RemoveFile("EngineLog.txt");
  testutil::WriteFile("short.tga", TgaHeader(2, 2, 2, 24) + "abc");
  SImageTGA img;
  EXPECT_FALSE(ReadTGA(&img, "short.tga"));
  EXPECT_EQ(testutil::ReadFile("EngineLog.txt").find(RU("Файл текстуры")), std::string::npos);
}

}  // namespace

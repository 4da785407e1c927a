// icongen: the game's icon, drawn from one list of shapes into every form
// the desktop and the game need: PNG at the usual hicolor sizes, the same
// shapes as SVG, the 64 x 64 32-bit TGA the game shows as its window
// icon, and a Windows .ico for the Windows build's executable.
//
//   icongen DATA_DIR ICON_DIR
//
// writes DATA_DIR/icon.tga and ICON_DIR/hicolor/<N>x<N>/apps/tarvs.png for
// each size, ICON_DIR/hicolor/scalable/apps/tarvs.svg and ICON_DIR/tarvs.ico.
// Deterministic: the same program gives the same bytes.
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "AssetIO.h"
#include "PngChunk.h"

namespace {

using assets::PngChunk;
using assets::PutU16;
using assets::PutU32BE;
using assets::PutU8;

struct Rgba {
  float r, g, b, a;
};

struct Stop {
  float offset;
  Rgba color;
};

// Paint of a shape: one colour, a gradient along the line (x1,y1)-(x2,y2),
// or a radial gradient around (x1,y1) of radius x2. Unit coordinates.
struct Paint {
  enum Kind { kSolid, kLinear, kRadial } kind;
  float x1, y1, x2, y2;
  std::vector<Stop> stops;  // the solid colour is stops[0]
};

// A rounded rectangle (radius 0: a plain one) or a circle, in unit
// coordinates of the icon, y downwards.
struct Shape {
  enum Kind { kRect, kCircle } kind;
  float x, y, w, h, radius;  // circle: centre x, y and radius
  Paint paint;
};

Rgba Hex(uint32_t rgb, float alpha = 1.0f) {
  return Rgba{((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f,
              alpha};
}

// The icon: a dark tile, a platform, the player standing on it and a
// plasma shot with its trail flying along the row from the gun.
std::vector<Shape> IconShapes() {
  const float cx = 0.71f, cy = 0.47f;
  // One light-to-steel shading for the whole figure.
  const Paint figure{Paint::kLinear, 0, 0.24f, 0, 0.74f, {{0, Hex(0xe4eaf4)}, {1, Hex(0x7d889c)}}};
  return {
      {Shape::kRect,
       0.04f,
       0.04f,
       0.92f,
       0.92f,
       0.16f,
       {Paint::kLinear, 0, 0.04f, 0, 0.96f, {{0, Hex(0x34405a)}, {1, Hex(0x121722)}}}},
      {Shape::kRect,
       0.14f,
       0.74f,
       0.72f,
       0.08f,
       0.02f,
       {Paint::kLinear, 0, 0.74f, 0, 0.82f, {{0, Hex(0x8a94a6)}, {1, Hex(0x505868)}}}},
      {Shape::kRect, 0.19f, 0.58f, 0.11f, 0.16f, 0.02f, figure},   // legs
      {Shape::kRect, 0.17f, 0.37f, 0.15f, 0.23f, 0.045f, figure},  // body
      {Shape::kCircle, 0.245f, 0.29f, 0, 0, 0.065f, figure},       // head
      {Shape::kRect, 0.26f, 0.44f, 0.20f, 0.06f, 0.02f, figure},   // gun
      {Shape::kRect,
       0.44f,
       0.445f,
       0.24f,
       0.05f,
       0.025f,
       {Paint::kLinear, 0.44f, 0, 0.66f, 0, {{0, Hex(0xffb030, 0.0f)}, {1, Hex(0xffb030, 0.95f)}}}},
      {Shape::kCircle,
       cx,
       cy,
       0,
       0,
       0.25f,
       {Paint::kRadial, cx, cy, 0.25f, 0, {{0, Hex(0xff7a18, 0.6f)}, {1, Hex(0xff7a18, 0.0f)}}}},
      {Shape::kCircle,
       cx,
       cy,
       0,
       0,
       0.13f,
       {Paint::kRadial,
        cx,
        cy,
        0.13f,
        0,
        {{0, Hex(0xfffbe0)}, {0.55f, Hex(0xffc030)}, {1, Hex(0xff6a10)}}}},
  };
}

bool Inside(const Shape& s, float x, float y) {
  if (s.kind == Shape::kCircle) {
    const float dx = x - s.x, dy = y - s.y;
    return dx * dx + dy * dy <= s.radius * s.radius;
  }
  if (x < s.x || y < s.y || x > s.x + s.w || y > s.y + s.h) return false;
  // Distance into the corner square decides the rounded corners.
  const float r = s.radius;
  const float qx = x < s.x + r ? s.x + r - x : (x > s.x + s.w - r ? x - (s.x + s.w - r) : 0);
  const float qy = y < s.y + r ? s.y + r - y : (y > s.y + s.h - r ? y - (s.y + s.h - r) : 0);
  return qx * qx + qy * qy <= r * r;
}

Rgba PaintAt(const Paint& p, float x, float y) {
  if (p.kind == Paint::kSolid || p.stops.size() == 1) return p.stops[0].color;
  float t;
  if (p.kind == Paint::kLinear) {
    const float dx = p.x2 - p.x1, dy = p.y2 - p.y1;
    t = ((x - p.x1) * dx + (y - p.y1) * dy) / (dx * dx + dy * dy);
  } else {
    t = std::sqrt((x - p.x1) * (x - p.x1) + (y - p.y1) * (y - p.y1)) / p.x2;
  }
  t = assets::Clamp01(t);
  for (size_t i = 1; i < p.stops.size(); ++i) {
    const Stop& a = p.stops[i - 1];
    const Stop& b = p.stops[i];
    if (t <= b.offset) {
      const float k = b.offset > a.offset ? (t - a.offset) / (b.offset - a.offset) : 1.0f;
      return Rgba{assets::Mix(a.color.r, b.color.r, k), assets::Mix(a.color.g, b.color.g, k),
                  assets::Mix(a.color.b, b.color.b, k), assets::Mix(a.color.a, b.color.a, k)};
    }
  }
  return p.stops.back().color;
}

// Straight (not premultiplied) RGBA bytes of the icon at size x size, rows
// top first; 8 x 8 samples per pixel smooth the edges.
std::vector<uint8_t> Render(const std::vector<Shape>& shapes, int size) {
  const int kSamples = 8;
  std::vector<uint8_t> out(static_cast<size_t>(size) * size * 4);
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      float r = 0, g = 0, b = 0, a = 0;  // premultiplied sums
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const float x = (px + (sx + 0.5f) / kSamples) / size;
          const float y = (py + (sy + 0.5f) / kSamples) / size;
          float cr = 0, cg = 0, cb = 0, ca = 0;
          for (const Shape& s : shapes) {
            if (!Inside(s, x, y)) continue;
            const Rgba c = PaintAt(s.paint, x, y);
            cr = c.r * c.a + cr * (1 - c.a);
            cg = c.g * c.a + cg * (1 - c.a);
            cb = c.b * c.a + cb * (1 - c.a);
            ca = c.a + ca * (1 - c.a);
          }
          r += cr;
          g += cg;
          b += cb;
          a += ca;
        }
      }
      const float n = kSamples * kSamples;
      uint8_t* o = &out[(static_cast<size_t>(py) * size + px) * 4];
      o[3] = assets::ToByte(a / n);
      o[0] = a > 0 ? assets::ToByte(r / a) : 0;
      o[1] = a > 0 ? assets::ToByte(g / a) : 0;
      o[2] = a > 0 ? assets::ToByte(b / a) : 0;
    }
  }
  return out;
}

// An 8-bit RGBA PNG, no filtering, deflated at the highest level.
std::string EncodePng(const std::vector<uint8_t>& rgba, int size) {
  std::string raw;
  for (int y = 0; y < size; ++y) {
    raw.push_back(0);
    raw.append(reinterpret_cast<const char*>(&rgba[static_cast<size_t>(y) * size * 4]),
               static_cast<size_t>(size) * 4);
  }
  uLongf packedSize = compressBound(raw.size());
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
                reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 9) != Z_OK) {
    std::fprintf(stderr, "icongen: deflate failed\n");
    std::exit(1);
  }
  packed.resize(packedSize);
  std::string header;
  PutU32BE(header, size);
  PutU32BE(header, size);
  PutU8(header, 8);  // bits per channel
  PutU8(header, 6);  // RGBA
  PutU8(header, 0);
  PutU8(header, 0);
  PutU8(header, 0);
  std::string o = "\x89PNG\r\n\x1a\n";
  PngChunk(o, "IHDR", header);
  PngChunk(o, "IDAT", packed);
  PngChunk(o, "IEND", "");
  return o;
}

// 32-bit uncompressed TGA, rows bottom-up, 8 alpha bits.
std::string EncodeTga32(const std::vector<uint8_t>& rgba, int size) {
  std::string o = assets::TgaHeader(size, size, false, false);
  o[16] = 32;
  o[17] = 8;
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      const uint8_t* p = &rgba[(static_cast<size_t>(y) * size + x) * 4];
      PutU8(o, p[2]);
      PutU8(o, p[1]);
      PutU8(o, p[0]);
      PutU8(o, p[3]);
    }
  }
  return o;
}

// A Windows icon file holding one PNG per size (the form Windows has read
// since Vista): a 6-byte header, one 16-byte entry per image, then the
// images. A width or height of 256 is written as 0.
std::string EncodeIco(const std::vector<std::pair<int, std::string>>& pngs) {
  std::string o;
  PutU16(o, 0);  // reserved
  PutU16(o, 1);  // an icon, not a cursor
  PutU16(o, static_cast<unsigned>(pngs.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(pngs.size());
  for (const auto& [size, png] : pngs) {
    PutU8(o, size >= 256 ? 0 : size);
    PutU8(o, size >= 256 ? 0 : size);
    PutU8(o, 0);    // no palette
    PutU8(o, 0);    // reserved
    PutU16(o, 1);   // colour planes
    PutU16(o, 32);  // bits per pixel
    assets::PutU32(o, static_cast<uint32_t>(png.size()));
    assets::PutU32(o, offset);
    offset += static_cast<uint32_t>(png.size());
  }
  for (const auto& entry : pngs) o += entry.second;
  return o;
}

std::string Num(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v * 256.0f);
  return text;
}

std::string ColorText(const Rgba& c) {
  char text[64];
  std::snprintf(text, sizeof text, "stop-color=\"#%02x%02x%02x\" stop-opacity=\"%g\"",
                assets::ToByte(c.r), assets::ToByte(c.g), assets::ToByte(c.b), c.a);
  return text;
}

// The same shapes as an SVG of 256 x 256 user units.
std::string EncodeSvg(const std::vector<Shape>& shapes) {
  std::string defs, body;
  for (size_t i = 0; i < shapes.size(); ++i) {
    const Shape& s = shapes[i];
    const Paint& p = s.paint;
    std::string fill;
    if (p.kind == Paint::kSolid) {
      char text[64];
      std::snprintf(text, sizeof text, "#%02x%02x%02x", assets::ToByte(p.stops[0].color.r),
                    assets::ToByte(p.stops[0].color.g), assets::ToByte(p.stops[0].color.b));
      fill = std::string("fill=\"") + text + "\"";
    } else {
      const std::string id = "p" + std::to_string(i);
      if (p.kind == Paint::kLinear)
        defs += "    <linearGradient id=\"" + id + "\" gradientUnits=\"userSpaceOnUse\" x1=\"" +
                Num(p.x1) + "\" y1=\"" + Num(p.y1) + "\" x2=\"" + Num(p.x2) + "\" y2=\"" +
                Num(p.y2) + "\">\n";
      else
        defs += "    <radialGradient id=\"" + id + "\" gradientUnits=\"userSpaceOnUse\" cx=\"" +
                Num(p.x1) + "\" cy=\"" + Num(p.y1) + "\" r=\"" + Num(p.x2) + "\">\n";
      for (const Stop& st : p.stops) {
        char offset[32];
        std::snprintf(offset, sizeof offset, "%g", st.offset);
        defs +=
            std::string("      <stop offset=\"") + offset + "\" " + ColorText(st.color) + "/>\n";
      }
      defs += p.kind == Paint::kLinear ? "    </linearGradient>\n" : "    </radialGradient>\n";
      fill = "fill=\"url(#" + id + ")\"";
    }
    if (s.kind == Shape::kCircle)
      body += "  <circle cx=\"" + Num(s.x) + "\" cy=\"" + Num(s.y) + "\" r=\"" + Num(s.radius) +
              "\" " + fill + "/>\n";
    else
      body += "  <rect x=\"" + Num(s.x) + "\" y=\"" + Num(s.y) + "\" width=\"" + Num(s.w) +
              "\" height=\"" + Num(s.h) + "\" rx=\"" + Num(s.radius) + "\" " + fill + "/>\n";
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
         "viewBox=\"0 0 256 256\">\n"
         "  <defs>\n" +
         defs + "  </defs>\n" + body + "</svg>\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: icongen DATA_DIR ICON_DIR\n");
    return 2;
  }
  const std::string data = argv[1];
  const std::string icons = std::string(argv[2]) + "/hicolor";
  const std::vector<Shape> shapes = IconShapes();
  std::vector<std::pair<int, std::string>> icoImages;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const std::string dir = icons + "/" + std::to_string(size) + "x" + std::to_string(size);
    const std::string png = EncodePng(Render(shapes, size), size);
    assets::WriteBytes(dir + "/apps/tarvs.png", png);
    if (size == 16 || size == 24 || size == 32 || size == 48 || size == 64 || size == 256)
      icoImages.emplace_back(size, png);
  }
  assets::WriteBytes(std::string(argv[2]) + "/tarvs.ico", EncodeIco(icoImages));
  assets::WriteBytes(icons + "/scalable/apps/tarvs.svg", EncodeSvg(shapes));
  assets::WriteBytes(data + "/icon.tga", EncodeTga32(Render(shapes, 64), 64));
  return 0;
}

// Windows-1251 text in both directions: compile-time conversion of UTF-8
// string literals to Windows-1251, and the byte-to-code-point table with a
// run-time conversion back to UTF-8.
//
// Source files stay readable UTF-8; every Russian text the engine and the
// game write (log lines, HUD messages) goes through RU("...") and reaches
// the file or the screen as Windows-1251 bytes. The conversion runs in the
// compiler: RU yields a pointer to a static, NUL-terminated char array.
// Characters with no Windows-1251 form become '?'.
#ifndef CORVANE_CP1251_H
#define CORVANE_CP1251_H

#include <cstddef>
#include <string>

namespace cp1251 {

// Decodes one UTF-8 sequence at s[i]; stores its length in len.
constexpr unsigned DecodeUtf8(const char* s, std::size_t i, std::size_t& len) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    len = 1;
    return c;
  }
  if ((c & 0xE0) == 0xC0 && s[i + 1]) {
    len = 2;
    return ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu);
  }
  if ((c & 0xF0) == 0xE0 && s[i + 1] && s[i + 2]) {
    len = 3;
    return ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 6) |
           (static_cast<unsigned char>(s[i + 2]) & 0x3Fu);
  }
  len = 1;
  return '?';
}

// Unicode code points of Windows-1251 bytes 0x80 to 0xBF; 0xC0 to 0xFF are
// the contiguous Cyrillic block U+0410 to U+044F. 0 marks the one unused
// byte, 0x98.
inline constexpr unsigned short kHighCodePoints[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0,      0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

// Code point of one Windows-1251 byte; 0 for the unused byte.
constexpr unsigned ToCodePoint(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return 0x410u + (byte - 0xC0u);
  return kHighCodePoints[byte - 0x80];
}

// Maps one code point to its Windows-1251 byte, '?' when it has none.
constexpr unsigned char FromCodePoint(unsigned cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  if (cp >= 0x410 && cp <= 0x44F) return static_cast<unsigned char>(0xC0 + (cp - 0x410));
  for (unsigned i = 0; i < 64; ++i)
    if (kHighCodePoints[i] == cp) return static_cast<unsigned char>(0x80 + i);
  return '?';
}

// The UTF-8 form of a NUL-terminated Windows-1251 string (window titles and
// message boxes take UTF-8). The unused byte becomes '?'; null gives "".
inline std::string ToUtf8(const char* text) {
  std::string out;
  if (!text) return out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    unsigned cp = ToCodePoint(*p);
    if (cp == 0) cp = '?';
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

// Number of Windows-1251 bytes (with the terminator) a UTF-8 literal needs.
constexpr std::size_t Length(const char* s) {
  std::size_t n = 0;
  for (std::size_t i = 0; s[i];) {
    std::size_t len = 1;
    DecodeUtf8(s, i, len);
    i += len;
    ++n;
  }
  return n + 1;
}

template <std::size_t N>
struct Text {
  char data[N];
};

template <std::size_t N>
constexpr Text<N> Convert(const char* s) {
  Text<N> out{};
  std::size_t o = 0;
  for (std::size_t i = 0; s[i] && o + 1 < N;) {
    std::size_t len = 1;
    const unsigned cp = DecodeUtf8(s, i, len);
    out.data[o++] = static_cast<char>(FromCodePoint(cp));
    i += len;
  }
  out.data[o] = 0;
  return out;
}

}  // namespace cp1251

// RU("Текст") — the Windows-1251 bytes of a UTF-8 literal, converted at
// compile time; the result is a const char* to static storage.
#define RU(literal)                                                                     \
  ([]() -> const char* {                                                                \
    static constexpr auto text = ::cp1251::Convert<::cp1251::Length(literal)>(literal); \
    return text.data;                                                                   \
  }())

#endif

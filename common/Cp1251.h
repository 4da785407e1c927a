// Compile-time conversion of UTF-8 string literals to Windows-1251.
//
// Source files stay readable UTF-8; every Russian text the engine and the
// game write (log lines, HUD messages) goes through RU("...") and reaches
// the file or the screen as Windows-1251 bytes. The conversion runs in the
// compiler: RU yields a pointer to a static, NUL-terminated char array.
// Characters with no Windows-1251 form become '?'.
#ifndef CORVANE_CP1251_H
#define CORVANE_CP1251_H

#include <cstddef>

namespace cp1251 {

// Decodes one UTF-8 sequence at s[i]; stores its length in len.
constexpr unsigned DecodeUtf8(const char* s, std::size_t i, std::size_t& len) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) { len = 1; return c; }
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

// Maps one code point to its Windows-1251 byte.
constexpr unsigned char FromCodePoint(unsigned cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  if (cp >= 0x410 && cp <= 0x44F) return static_cast<unsigned char>(0xC0 + (cp - 0x410));
  switch (cp) {
    case 0x401: return 0xA8;  // Ё
    case 0x451: return 0xB8;  // ё
    case 0x404: return 0xAA;  // Є
    case 0x454: return 0xBA;  // є
    case 0x406: return 0xB2;  // І
    case 0x456: return 0xB3;  // і
    case 0x407: return 0xAF;  // Ї
    case 0x457: return 0xBF;  // ї
    case 0x40E: return 0xA1;  // Ў
    case 0x45E: return 0xA2;  // ў
    case 0x490: return 0xA5;  // Ґ
    case 0x491: return 0xB4;  // ґ
    case 0xA0: return 0xA0;
    case 0xA4: return 0xA4;
    case 0xA6: return 0xA6;
    case 0xA7: return 0xA7;
    case 0xA9: return 0xA9;
    case 0xAB: return 0xAB;
    case 0xAC: return 0xAC;
    case 0xAD: return 0xAD;
    case 0xAE: return 0xAE;
    case 0xB0: return 0xB0;
    case 0xB1: return 0xB1;
    case 0xB5: return 0xB5;
    case 0xB6: return 0xB6;
    case 0xB7: return 0xB7;
    case 0xBB: return 0xBB;
    case 0x2013: return 0x96;  // en dash
    case 0x2014: return 0x97;  // em dash
    case 0x2116: return 0xB9;  // numero sign
    case 0x2026: return 0x85;  // ellipsis
    case 0x201C: return 0x93;
    case 0x201D: return 0x94;
    case 0x2018: return 0x91;
    case 0x2019: return 0x92;
    case 0x20AC: return 0x88;  // euro
    case 0x2122: return 0x99;  // trade mark
    default: return '?';
  }
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
#define RU(literal)                                                              \
  ([]() -> const char* {                                                        \
    static constexpr auto text = ::cp1251::Convert<::cp1251::Length(literal)>(literal); \
    return text.data;                                                           \
  }())

#endif

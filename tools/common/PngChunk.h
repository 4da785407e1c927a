// PNG chunk writing shared by the icon tool and the tests' PNG builder:
// a chunk is its body's length, the type, the body and the CRC-32 of type
// and body, all numbers big-endian.
#ifndef TOOLS_PNGCHUNK_H
#define TOOLS_PNGCHUNK_H

#include <zlib.h>

#include <cstdint>
#include <string>

namespace assets {

inline void PutU32BE(std::string& o, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) o.push_back(static_cast<char>((v >> shift) & 255));
}

// The CRC a chunk ends with, of its type (4 bytes) followed by its body.
inline uint32_t PngCrc(const std::string& typeAndBody) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(typeAndBody.data()), typeAndBody.size()));
}

// Appends one chunk of the 4-character `type` to `o`.
inline void PngChunk(std::string& o, const char* type, const std::string& body) {
  PutU32BE(o, static_cast<uint32_t>(body.size()));
  const std::string typed = std::string(type, 4) + body;
  o += typed;
  PutU32BE(o, PngCrc(typed));
}

}  // namespace assets

#endif

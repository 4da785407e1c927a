// Whole-file reading with a size cap, and a cursor over bytes in memory.
//
// Every loader reads its file through ReadFileCapped, so no file can make
// us allocate more than the loader's cap, and then parses the bytes through
// a ByteCursor: each read is checked against what is left, a read past the
// end yields zeros and sets a sticky error, so a parser can read a whole
// record and check once. Multi-byte values are little-endian.
#ifndef CORVANE_BOUNDED_READER_H
#define CORVANE_BOUNDED_READER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace bounded {

enum class ReadResult { kOk, kNoFile, kTooLarge, kReadError };

// Reads the whole file at path into *out (replacing its contents). Files
// larger than maxBytes are refused before anything is allocated. Size is
// taken from the stream itself, so a file that changes under us yields at
// most maxBytes bytes.
inline ReadResult ReadFileCapped(const char* path, size_t maxBytes,
                                 std::vector<unsigned char>* out) {
  out->clear();
  if (!path) return ReadResult::kNoFile;
  FILE* f = std::fopen(path, "rb");
  if (!f) return ReadResult::kNoFile;
  ReadResult result = ReadResult::kOk;
  long length = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) length = std::ftell(f);
  if (length < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
    result = ReadResult::kReadError;
  } else if (static_cast<unsigned long>(length) > maxBytes) {
    result = ReadResult::kTooLarge;
  } else {
    out->resize(static_cast<size_t>(length));
    size_t got = length > 0 ? std::fread(out->data(), 1, out->size(), f) : 0;
    if (got != out->size()) {
      out->clear();
      result = ReadResult::kReadError;
    } else if (std::fgetc(f) != EOF) {
      // The file grew after its size was taken: more than we allow for.
      out->clear();
      result = ReadResult::kTooLarge;
    }
  }
  std::fclose(f);
  return result;
}

// Little-endian reads over [data, data + size) with a sticky error.
class ByteCursor {
public:
  ByteCursor(const unsigned char* data, size_t size) : data_(data), size_(size) {}

  size_t Position() const { return pos_; }
  size_t Left() const { return size_ - pos_; }
  size_t Size() const { return size_; }
  bool Failed() const { return failed_; }
  const unsigned char* Here() const { return data_ + pos_; }

  // True (and the cursor moved) when n bytes are left; otherwise the error
  // is set and the cursor stays.
  bool Skip(size_t n) {
    if (failed_ || n > Left()) {
      failed_ = true;
      return false;
    }
    pos_ += n;
    return true;
  }
  // Moves to an absolute offset inside the data.
  bool Seek(size_t offset) {
    if (failed_ || offset > size_) {
      failed_ = true;
      return false;
    }
    pos_ = offset;
    return true;
  }
  // Copies n bytes to out (zeros there on failure).
  bool Bytes(void* out, size_t n) {
    const unsigned char* p = Take(n);
    if (!p) {
      std::memset(out, 0, n);
      return false;
    }
    std::memcpy(out, p, n);
    return true;
  }
  uint8_t U8() {
    const unsigned char* p = Take(1);
    return p ? p[0] : 0;
  }
  uint16_t U16() {
    const unsigned char* p = Take(2);
    return p ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : 0;
  }
  uint32_t U32() {
    const unsigned char* p = Take(4);
    return p ? LoadU32(p) : 0;
  }
  int16_t I16() { return static_cast<int16_t>(U16()); }
  int32_t I32() {
    uint32_t v = U32();
    int32_t s;
    std::memcpy(&s, &v, 4);
    return s;
  }
  float F32() {
    uint32_t v = U32();
    float f;
    std::memcpy(&f, &v, 4);
    return f;
  }

  // Little-endian value at p (the caller has checked the bounds).
  static uint32_t LoadU32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  }

private:
  const unsigned char* Take(size_t n) {
    if (failed_ || n > Left()) {
      failed_ = true;
      return nullptr;
    }
    const unsigned char* p = data_ + pos_;
    pos_ += n;
    return p;
  }

  const unsigned char* data_;
  size_t size_;
  size_t pos_ = 0;
  bool failed_ = false;
};

}  // namespace bounded

#endif

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
#include <cstdlib>
#include <cstring>

namespace bounded {

// The bytes of a file read whole, in malloc'd memory that a caller may take
// over (release). Not zero-filled first: the read writes every byte.
class FileBytes {
public:
  FileBytes() = default;
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  ~FileBytes() { std::free(bytes_); }

  const unsigned char* data() const { return bytes_; }
  unsigned char* data() { return bytes_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() {
    std::free(bytes_);
    bytes_ = nullptr;
    size_ = 0;
  }
  bool resize(size_t n) {
    clear();
    bytes_ = static_cast<unsigned char*>(std::malloc(n > 0 ? n : 1));
    size_ = bytes_ ? n : 0;
    return bytes_ != nullptr;
  }
  // Hands the memory to the caller (who frees it with free).
  unsigned char* release() {
    unsigned char* p = bytes_;
    bytes_ = nullptr;
    size_ = 0;
    return p;
  }

private:
  unsigned char* bytes_ = nullptr;
  size_t size_ = 0;
};

enum class ReadResult { kOk, kNoFile, kTooLarge, kReadError };

// Reads the whole file at path into *out (replacing its contents). Files
// larger than maxBytes are refused before anything is allocated. Size is
// taken from the stream itself, so a file that changes under us yields at
// most maxBytes bytes. With a head buffer, the file's first headSize bytes
// go there and only the rest into *out (a file shorter than headSize is
// read into *out whole, head untouched); *headRead tells which happened.
inline ReadResult ReadFileCapped(const char* path, size_t maxBytes, FileBytes* out,
                                 unsigned char* head = nullptr, size_t headSize = 0,
                                 bool* headRead = nullptr) {
  if (headRead) *headRead = false;
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
    size_t body = static_cast<size_t>(length);
    const bool split = head && headSize > 0 && body >= headSize;
    if (split && std::fread(head, 1, headSize, f) != headSize) {
      result = ReadResult::kReadError;
    } else {
      if (split) body -= headSize;
      if (!out->resize(body) || (body > 0 && std::fread(out->data(), 1, body, f) != body))
        result = ReadResult::kReadError;
      else if (std::fgetc(f) != EOF)
        result = ReadResult::kTooLarge;  // the file grew after its size was taken
    }
    if (result != ReadResult::kOk)
      out->clear();
    else if (headRead)
      *headRead = split;
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
    return p ? LoadU16(p) : 0;
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

  // Little-endian values at p (the caller has checked the bounds).
  static uint16_t LoadU16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
  }
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

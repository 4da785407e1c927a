// The demo file: a recorded run of the game as the keys its modules read
// each tick, with checks of the game's state along the way. The game writes
// and reads it; the fuzz target and the tests read it. The byte layout, the
// versioning rule and the digest are described in docs/DEMOS.md.
//
// Layout (all values little-endian):
//   header, 60 bytes: "TARVSDMO", u16 format version, u16 checkpoint
//     interval, 16 bytes game version (ASCII, NUL-padded), u64 data tree
//     digest, u32 data tree file count, u32 generator seed, u16 logical
//     screen width, u16 height, i64 start time (Unix seconds), u8 number of
//     state parts, 3 zero bytes.
//   records, each opened by one byte:
//     'K' u8 n, n key codes: these keys change (held <-> released) before
//         the next tick;
//     'T' u16 per state part: the low 16 bits of each part's digest after
//         one tick (one record per tick; ticks are counted by them);
//     'D' u32 tick, u64 per state part: the full digests after that many
//         ticks (tick 0: after start-up);
//     'E' u32 ticks: the end of the run; nothing may follow.
#ifndef CORVANE_DEMO_FORMAT_H
#define CORVANE_DEMO_FORMAT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BoundedReader.h"

namespace demo {

constexpr char kMagic[8] = {'T', 'A', 'R', 'V', 'S', 'D', 'M', 'O'};
constexpr uint16_t kFormatVersion = 1;
constexpr size_t kHeaderSize = 60;
// Largest demo read: every tick costs at least 19 bytes, so this is about
// 880,000 ticks (nearly five hours of play). It bounds how long a hostile
// file can keep a verification busy and the memory its records take.
constexpr size_t kMaxDemoBytes = size_t{16} << 20;
constexpr int kCheckpointEvery = 50;
constexpr int kKeyCount = 256;
constexpr int kVersionBytes = 16;

// The parts of the game's state digested separately, in file order.
enum Part {
  PART_CELLS,      // map cells (doors, pickups taken) and the pickups' spin
  PART_MONSTERS,   // monster table and their animation
  PART_SHOTS,      // shots in flight
  PART_PARTICLES,  // sparks, plasma and blood
  PART_PLAYER,     // player, weapons, movement state, camera height
  PART_EFFECTS,    // door effects
  PART_CORPSES,    // corpses
  PART_HUD,        // HUD message and its fade
  PART_GENERATOR,  // how many numbers the generator has given
  PART_COUNT
};
constexpr const char* kPartNames[PART_COUNT] = {"cells",     "monsters",    "shots",
                                                "particles", "player",      "effects",
                                                "corpses",   "HUD message", "generator"};

enum Record : uint8_t { REC_KEYS = 'K', REC_TICK = 'T', REC_DIGEST = 'D', REC_END = 'E' };

struct Header {
  uint16_t formatVersion = kFormatVersion;
  uint16_t checkpointEvery = kCheckpointEvery;
  char gameVersion[kVersionBytes + 1] = {0};  // NUL-terminated here
  uint64_t dataDigest = 0;
  uint32_t dataFiles = 0;
  uint32_t seed = 1;
  uint16_t screenWidth = 0;
  uint16_t screenHeight = 0;
  int64_t startTime = 0;
};

struct StateDigest {
  uint64_t parts[PART_COUNT] = {0};
};

struct TickCheck {
  uint16_t parts[PART_COUNT] = {0};
};

struct Checkpoint {
  uint32_t tick = 0;
  StateDigest digest;
};

// A key that changes state before tick `tick` (0-based) runs.
struct KeyToggle {
  uint32_t tick = 0;
  uint8_t key = 0;
};

// A demo read into memory.
struct Demo {
  Header header;
  std::vector<KeyToggle> toggles;       // in tick order
  std::vector<TickCheck> ticks;         // one per tick run
  std::vector<Checkpoint> checkpoints;  // in tick order
  bool complete = false;                // the end mark was read
};

// ---------------------------------------------------------------- digest
// FNV-1a, 64 bits: the state digests, the data tree digest.
constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001b3ull;

class Hasher {
public:
  void Bytes(const void* data, size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; i++) {
      h_ ^= p[i];
      h_ *= kFnvPrime;
    }
  }
  void U8(uint8_t v) { Bytes(&v, 1); }
  void Bool(bool v) { U8(v ? 1 : 0); }
  void U32(uint32_t v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16),
                                static_cast<unsigned char>(v >> 24)};
    Bytes(b, 4);
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void U64(uint64_t v) {
    U32(static_cast<uint32_t>(v));
    U32(static_cast<uint32_t>(v >> 32));
  }
  // Floats by their bit pattern: the run must repeat bit for bit.
  void F32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    U32(bits);
  }
  uint64_t Value() const { return h_; }

private:
  uint64_t h_ = kFnvOffset;
};

inline TickCheck CheckOf(const StateDigest& d) {
  TickCheck c;
  for (int p = 0; p < PART_COUNT; p++) c.parts[p] = static_cast<uint16_t>(d.parts[p]);
  return c;
}

// ---------------------------------------------------------------- writing
inline void PutU16(std::string* out, uint16_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>(v >> 8));
}
inline void PutU32(std::string* out, uint32_t v) {
  PutU16(out, static_cast<uint16_t>(v));
  PutU16(out, static_cast<uint16_t>(v >> 16));
}
inline void PutU64(std::string* out, uint64_t v) {
  PutU32(out, static_cast<uint32_t>(v));
  PutU32(out, static_cast<uint32_t>(v >> 32));
}

inline void AppendHeader(std::string* out, const Header& h) {
  out->append(kMagic, 8);
  PutU16(out, h.formatVersion);
  PutU16(out, h.checkpointEvery);
  char version[kVersionBytes] = {0};
  size_t n = 0;
  while (n < kVersionBytes && h.gameVersion[n]) n++;
  std::memcpy(version, h.gameVersion, n);
  out->append(version, kVersionBytes);
  PutU64(out, h.dataDigest);
  PutU32(out, h.dataFiles);
  PutU32(out, h.seed);
  PutU16(out, h.screenWidth);
  PutU16(out, h.screenHeight);
  PutU64(out, static_cast<uint64_t>(h.startTime));
  out->push_back(static_cast<char>(PART_COUNT));
  out->append(3, '\0');
}

// The keys whose held state changed since the last tick (at most 256).
inline void AppendKeys(std::string* out, const uint8_t* keys, int count) {
  while (count > 0) {
    const int n = count > 255 ? 255 : count;
    out->push_back(static_cast<char>(REC_KEYS));
    out->push_back(static_cast<char>(n));
    out->append(reinterpret_cast<const char*>(keys), static_cast<size_t>(n));
    keys += n;
    count -= n;
  }
}

inline void AppendTick(std::string* out, const TickCheck& c) {
  out->push_back(static_cast<char>(REC_TICK));
  for (uint16_t v : c.parts) PutU16(out, v);
}

inline void AppendCheckpoint(std::string* out, uint32_t tick, const StateDigest& d) {
  out->push_back(static_cast<char>(REC_DIGEST));
  PutU32(out, tick);
  for (uint64_t v : d.parts) PutU64(out, v);
}

inline void AppendEnd(std::string* out, uint32_t ticks) {
  out->push_back(static_cast<char>(REC_END));
  PutU32(out, ticks);
}

// The whole demo as bytes, records in tick order.
inline std::string Encode(const Demo& d) {
  std::string out;
  AppendHeader(&out, d.header);
  size_t t = 0, c = 0;
  const uint32_t total = static_cast<uint32_t>(d.ticks.size());
  for (uint32_t tick = 0;; tick++) {
    while (c < d.checkpoints.size() && d.checkpoints[c].tick == tick)
      AppendCheckpoint(&out, tick, d.checkpoints[c++].digest);
    if (tick == total) break;
    std::string keys;
    while (t < d.toggles.size() && d.toggles[t].tick == tick)
      keys.push_back(static_cast<char>(d.toggles[t++].key));
    AppendKeys(&out, reinterpret_cast<const uint8_t*>(keys.data()), static_cast<int>(keys.size()));
    AppendTick(&out, d.ticks[tick]);
  }
  if (d.complete) AppendEnd(&out, total);
  return out;
}

// ---------------------------------------------------------------- reading
enum class ReadStatus {
  kOk,       // complete, end mark read
  kCut,      // a usable beginning: the file ends without its end mark
  kDamaged,  // something in it cannot be right; nothing should be played
};

struct ReadResult {
  ReadStatus status = ReadStatus::kDamaged;
  std::string problem;  // one line without the file's name; empty when kOk
};

// Parses a demo image. A file cut short keeps every whole tick before the
// cut; a damaged one keeps only its header. Never reads outside
// [data, data + size).
inline ReadResult Parse(const unsigned char* data, size_t size, Demo* out) {
  *out = Demo();
  ReadResult r;
  char line[160];
  bounded::ByteCursor cur(data, size);
  if (size < 8 || std::memcmp(data, kMagic, 8) != 0) {
    r.problem = "not a demo file (it does not start with TARVSDMO)";
    return r;
  }
  if (size < kHeaderSize) {
    std::snprintf(line, sizeof line, "cut short inside its %zu-byte header (%zu bytes)",
                  kHeaderSize, size);
    r.problem = line;
    return r;
  }
  Header& h = out->header;
  cur.Skip(8);
  h.formatVersion = cur.U16();
  if (h.formatVersion != kFormatVersion) {
    std::snprintf(line, sizeof line, "demo format version %u; this game reads version %u",
                  static_cast<unsigned>(h.formatVersion), static_cast<unsigned>(kFormatVersion));
    r.problem = line;
    return r;
  }
  h.checkpointEvery = cur.U16();
  cur.Bytes(h.gameVersion, kVersionBytes);
  h.gameVersion[kVersionBytes] = '\0';
  for (int i = 0; i < kVersionBytes && h.gameVersion[i]; i++)
    if (h.gameVersion[i] < 32 || h.gameVersion[i] > 126) h.gameVersion[i] = '?';
  h.dataDigest = cur.U32();
  h.dataDigest |= static_cast<uint64_t>(cur.U32()) << 32;
  h.dataFiles = cur.U32();
  h.seed = cur.U32();
  h.screenWidth = cur.U16();
  h.screenHeight = cur.U16();
  uint64_t start = cur.U32();
  start |= static_cast<uint64_t>(cur.U32()) << 32;
  h.startTime = static_cast<int64_t>(start);
  const unsigned parts = cur.U8();
  cur.Skip(3);
  if (parts != PART_COUNT || h.checkpointEvery == 0) {
    std::snprintf(line, sizeof line, "damaged header (%u state parts, checkpoint every %u ticks)",
                  parts, static_cast<unsigned>(h.checkpointEvery));
    r.problem = line;
    return r;
  }

  // A damaged demo keeps only its header: none of it is to be played.
  auto damaged = [&](size_t at, const char* what) {
    out->toggles.clear();
    out->ticks.clear();
    out->checkpoints.clear();
    std::snprintf(line, sizeof line, "damaged at byte %zu: %s", at, what);
    r.status = ReadStatus::kDamaged;
    r.problem = line;
    return r;
  };
  uint32_t tick = 0;
  unsigned keysThisTick = 0;
  // A cut keeps the whole ticks; key changes that no tick followed belong
  // to a tick that never ran.
  auto cut = [&](const char* what) {
    while (!out->toggles.empty() && out->toggles.back().tick >= tick) out->toggles.pop_back();
    r.status = ReadStatus::kCut;
    r.problem = what;
    return r;
  };
  while (cur.Left() > 0) {
    const size_t at = cur.Position();
    const uint8_t kind = cur.U8();
    size_t need = 0;
    switch (kind) {
      case REC_KEYS: need = cur.Left() >= 1 ? 1u + cur.Here()[0] : 1; break;
      case REC_TICK: need = 2 * PART_COUNT; break;
      case REC_DIGEST: need = 4 + 8 * PART_COUNT; break;
      case REC_END: need = 4; break;
      default: {
        char what[64];
        std::snprintf(what, sizeof what, "unknown record 0x%02x", kind);
        return damaged(at, what);
      }
    }
    if (cur.Left() < need) {
      std::snprintf(line, sizeof line, "cut short at byte %zu, inside a record, after tick %u",
                    size, tick);
      return cut(line);
    }
    if (kind == REC_KEYS) {
      const unsigned n = cur.U8();
      if (n == 0) return damaged(at, "a key change naming no key");
      if (keysThisTick + n > kKeyCount)
        return damaged(at, "more key changes than keys in one tick");
      keysThisTick += n;
      for (unsigned i = 0; i < n; i++) out->toggles.push_back(KeyToggle{tick, cur.U8()});
    } else if (kind == REC_TICK) {
      TickCheck c;
      for (uint16_t& v : c.parts) v = cur.U16();
      out->ticks.push_back(c);
      tick++;
      keysThisTick = 0;
    } else if (kind == REC_DIGEST) {
      Checkpoint cp;
      cp.tick = cur.U32();
      for (uint64_t& v : cp.digest.parts) {
        v = cur.U32();
        v |= static_cast<uint64_t>(cur.U32()) << 32;
      }
      if (cp.tick != tick || (!out->checkpoints.empty() && out->checkpoints.back().tick == tick))
        return damaged(at, "a state check out of its place");
      out->checkpoints.push_back(cp);
    } else {
      const uint32_t total = cur.U32();
      if (total != tick) return damaged(at, "the end mark counts other ticks than the demo holds");
      if (cur.Left() > 0) return damaged(cur.Position(), "bytes after the end mark");
      if (!out->toggles.empty() && out->toggles.back().tick >= tick)
        return damaged(at, "a key change after the last tick");
      out->complete = true;
      r.status = ReadStatus::kOk;
      return r;
    }
  }
  std::snprintf(line, sizeof line, "cut short after tick %u (no end mark)", tick);
  return cut(line);
}

// Reads and parses a demo file with the size cap.
inline ReadResult ReadFile(const char* path, Demo* out) {
  bounded::FileBytes bytes;
  ReadResult r;
  switch (bounded::ReadFileCapped(path, kMaxDemoBytes, &bytes)) {
    case bounded::ReadResult::kOk: return Parse(bytes.data(), bytes.size(), out);
    case bounded::ReadResult::kNoFile: r.problem = "cannot be opened"; break;
    case bounded::ReadResult::kTooLarge: r.problem = "larger than the 16 MiB a demo may be"; break;
    case bounded::ReadResult::kReadError: r.problem = "cannot be read"; break;
  }
  *out = Demo();
  return r;
}

// Walks a demo's input tick by tick.
class KeyFeed {
public:
  explicit KeyFeed(const Demo& d) : demo_(d) {}
  // The held state of every key for tick `Tick()`, then moves on.
  void Next(bool* held) {
    while (next_ < demo_.toggles.size() && demo_.toggles[next_].tick == tick_) {
      const uint8_t k = demo_.toggles[next_++].key;
      held_[k] = !held_[k];
    }
    std::memcpy(held, held_, sizeof held_);
    tick_++;
  }
  uint32_t Tick() const { return tick_; }

private:
  const Demo& demo_;
  size_t next_ = 0;
  uint32_t tick_ = 0;
  bool held_[kKeyCount] = {false};
};

}  // namespace demo

#endif

// Demos: writing a run as it is played, checking a replay against one,
// and the facts a demo's header names (game version, data tree, screen).
#ifndef TARVS_DEMO_H
#define TARVS_DEMO_H

#include <cstdint>
#include <cstdio>
#include <string>

#include "DemoFormat.h"

namespace demo {

// This game's version as demos record it ("1.0.0").
const char* GameVersion();

// FNV-1a over every regular file under `dir` in the byte order of their
// paths relative to it: path, a zero byte, the size as u64, the contents.
// False (nothing set) when the folder cannot be listed.
bool DigestDataTree(const char* dir, uint64_t* digest, uint32_t* files);

// The header of a run of this game starting now.
Header NewHeader(uint64_t dataDigest, uint32_t dataFiles, uint32_t seed, int screenWidth,
                 int screenHeight);

// Why a run of this game, described by `ours`, cannot replay a demo with
// the header `recorded` (another game version, data tree or screen size);
// empty when it can.
std::string Mismatch(const Header& recorded, const Header& ours);

// Writes a demo as the run goes, flushed after every tick, so a run that is
// killed leaves a demo that replays up to its last whole tick.
class Writer {
public:
  Writer() = default;
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  ~Writer() { Close(); }

  // Creates the file and writes the header; false when it cannot.
  bool Open(const char* path, const Header& header);
  // The state after start-up, before the first tick.
  void Start(const StateDigest& state);
  // The keys the game's modules read in the tick about to run (the
  // engine's key table: nonzero is held).
  void BeforeTick(const int* keys);
  // The state after the tick.
  void AfterTick(const StateDigest& state);
  // Writes the last state check and the end mark and closes the file.
  // False when any write failed.
  bool Finish();
  void Close();

  uint32_t Ticks() const { return tick_; }
  bool Failed() const { return failed_; }

private:
  void Write();

  FILE* file_ = nullptr;
  std::string pending_;
  bool held_[kKeyCount] = {false};
  uint32_t tick_ = 0;
  uint32_t lastCheckpoint_ = 0;
  StateDigest last_;
  bool failed_ = false;
};

// Compares a replay with a demo: the short check after every tick and the
// full digests at each checkpoint.
class Checker {
public:
  explicit Checker(const Demo& d) : demo_(d) {}
  // The state after `tick` ticks (0: after start-up). False at the first
  // difference, which Failure() then names (the tick and the parts).
  bool Check(uint32_t tick, const StateDigest& state);
  const std::string& Failure() const { return failure_; }
  uint32_t CheckpointsMatched() const { return matched_; }

private:
  const Demo& demo_;
  size_t next_ = 0;
  uint32_t matched_ = 0;
  std::string failure_;
};

}  // namespace demo

#endif

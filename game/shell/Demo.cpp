// Demos: the writer that records a run tick by tick, the checker that
// compares a replay with it, the data tree's digest and the header checks.
#include "shell/Demo.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <vector>

#include "CorvaneEngine.h"

namespace demo {

const char* GameVersion() {
#define TARVS_STR2(x) #x
#define TARVS_STR(x) TARVS_STR2(x)
  return TARVS_STR(CORVANE_VERSION_MAJOR) "." TARVS_STR(CORVANE_VERSION_MINOR) "." TARVS_STR(
      CORVANE_VERSION_PATCH);
#undef TARVS_STR
#undef TARVS_STR2
}

bool DigestDataTree(const char* dir, uint64_t* digest, uint32_t* files) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path root(dir);
  fs::recursive_directory_iterator it(root, fs::directory_options::follow_directory_symlink, ec);
  if (ec) return false;
  // The list is bounded so that a folder with a loop or millions of files
  // cannot keep the game busy; the game's tree holds under a hundred.
  const size_t kMaxFiles = 100000;
  std::vector<std::string> paths;
  for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec || paths.size() >= kMaxFiles || it.depth() > 32) break;
    if (it->is_regular_file(ec))
      paths.push_back(it->path().lexically_relative(root).generic_string());
  }
  if (ec) return false;
  std::sort(paths.begin(), paths.end());
  Hasher h;
  // The files are only hashed, never parsed, so they are streamed through
  // a fixed buffer whatever their size.
  static unsigned char buffer[1 << 16];
  for (const std::string& rel : paths) {
    h.Bytes(rel.data(), rel.size());
    h.U8(0);
    const std::string full = (root / rel).string();
    FILE* f = std::fopen(full.c_str(), "rb");
    uint64_t size = 0;
    Hasher body;
    if (f) {
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        body.Bytes(buffer, n);
        size += n;
      }
      std::fclose(f);
    }
    h.U64(size);
    h.U64(body.Value());
  }
  *digest = h.Value();
  *files = static_cast<uint32_t>(paths.size());
  return true;
}

Header NewHeader(uint64_t dataDigest, uint32_t dataFiles, uint32_t seed, int screenWidth,
                 int screenHeight) {
  Header h;
  std::snprintf(h.gameVersion, sizeof h.gameVersion, "%s", GameVersion());
  h.dataDigest = dataDigest;
  h.dataFiles = dataFiles;
  h.seed = seed;
  h.screenWidth = static_cast<uint16_t>(screenWidth);
  h.screenHeight = static_cast<uint16_t>(screenHeight);
  h.startTime = static_cast<int64_t>(std::time(nullptr));
  return h;
}

std::string Mismatch(const Header& recorded, const Header& ours) {
  char line[256];
  if (std::strncmp(recorded.gameVersion, ours.gameVersion, kVersionBytes) != 0) {
    std::snprintf(line, sizeof line, "recorded by game version %s; this is version %s",
                  recorded.gameVersion, ours.gameVersion);
    return line;
  }
  if (recorded.dataDigest != ours.dataDigest || recorded.dataFiles != ours.dataFiles) {
    std::snprintf(line, sizeof line,
                  "recorded on another data tree (%u files, digest %016llx); this one has %u "
                  "files, digest %016llx",
                  recorded.dataFiles, static_cast<unsigned long long>(recorded.dataDigest),
                  ours.dataFiles, static_cast<unsigned long long>(ours.dataDigest));
    return line;
  }
  if (recorded.screenWidth != ours.screenWidth || recorded.screenHeight != ours.screenHeight) {
    std::snprintf(line, sizeof line, "recorded on a %ux%u logical screen; this game draws %ux%u",
                  recorded.screenWidth, recorded.screenHeight, ours.screenWidth, ours.screenHeight);
    return line;
  }
  return std::string();
}

// ---------------------------------------------------------------- writer
bool Writer::Open(const char* path, const Header& header) {
  Close();
  file_ = std::fopen(path, "wb");
  if (!file_) return false;
  failed_ = false;
  tick_ = lastCheckpoint_ = 0;
  std::fill(held_, held_ + kKeyCount, false);
  pending_.clear();
  AppendHeader(&pending_, header);
  Write();
  return !failed_;
}

void Writer::Write() {
  if (!file_ || pending_.empty()) return;
  if (std::fwrite(pending_.data(), 1, pending_.size(), file_) != pending_.size() ||
      std::fflush(file_) != 0)
    failed_ = true;
  pending_.clear();
}

void Writer::Start(const StateDigest& state) {
  AppendCheckpoint(&pending_, 0, state);
  last_ = state;
  Write();
}

void Writer::BeforeTick(const int* keys) {
  uint8_t changed[kKeyCount];
  int n = 0;
  for (int k = 0; k < kKeyCount; k++) {
    const bool held = keys[k] != 0;
    if (held != held_[k]) {
      changed[n++] = static_cast<uint8_t>(k);
      held_[k] = held;
    }
  }
  AppendKeys(&pending_, changed, n);
}

void Writer::AfterTick(const StateDigest& state) {
  AppendTick(&pending_, CheckOf(state));
  ++tick_;
  last_ = state;
  if (tick_ % kCheckpointEvery == 0) {
    AppendCheckpoint(&pending_, tick_, state);
    lastCheckpoint_ = tick_;
  }
  Write();
}

bool Writer::Finish() {
  if (!file_) return false;
  // Key changes of a tick that never ran are dropped with it.
  pending_.clear();
  if (lastCheckpoint_ != tick_) AppendCheckpoint(&pending_, tick_, last_);
  AppendEnd(&pending_, tick_);
  Write();
  const bool ok = !failed_;
  Close();
  return ok;
}

void Writer::Close() {
  if (file_ && std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
}

// ---------------------------------------------------------------- checker
bool Checker::Check(uint32_t tick, const StateDigest& state) {
  if (!failure_.empty()) return false;
  bool differs[PART_COUNT] = {false};
  bool any = false;
  if (tick >= 1 && tick <= demo_.ticks.size()) {
    const TickCheck now = CheckOf(state);
    for (int p = 0; p < PART_COUNT; p++)
      if (now.parts[p] != demo_.ticks[tick - 1].parts[p]) differs[p] = any = true;
  }
  while (next_ < demo_.checkpoints.size() && demo_.checkpoints[next_].tick < tick) next_++;
  if (next_ < demo_.checkpoints.size() && demo_.checkpoints[next_].tick == tick) {
    const StateDigest& want = demo_.checkpoints[next_].digest;
    for (int p = 0; p < PART_COUNT; p++)
      if (want.parts[p] != state.parts[p]) differs[p] = any = true;
    if (!any) matched_++;
  }
  if (!any) return true;
  std::string parts;
  for (int p = 0; p < PART_COUNT; p++) {
    if (!differs[p]) continue;
    if (!parts.empty()) parts += ", ";
    parts += kPartNames[p];
  }
  char line[256];
  if (tick == 0)
    std::snprintf(line, sizeof line, "the state after start-up differs (%s)", parts.c_str());
  else
    std::snprintf(line, sizeof line, "first differing tick %u: %s", tick, parts.c_str());
  failure_ = line;
  return false;
}

}  // namespace demo

// Model placement, named animation ranges read from a text list, and the
// per-tick frame advance with its queries.
#include "Internal.h"

#include "Cp1251.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void TModel::InitModel(float newScale, float newRotX, float newRotY, float newRotZ, float newX,
                       float newY, float newZ) {
  scale = newScale;
  rotX = newRotX;
  rotY = newRotY;
  rotZ = newRotZ;
  x = newX;
  y = newY;
  z = newZ;
  frame = 0;
}

void TModel::Move(float newX, float newY, float newZ) {
  x = newX;
  y = newY;
  z = newZ;
}

void TModel::SetOffset(float newOffsetX, float newOffsetY) {
  offsetX = newOffsetX;
  offsetY = newOffsetY;
}

void TModel::SetAnimation(float start, float end, float speed) {
  animStart = start;
  animEnd = end;
  animSpeed = speed;
}

namespace {

// Reads records "start end keyFrame speed name" the way a formatted-scan
// loop over the file does: fields split by any white space, and the end of
// the file is noticed only when a read runs into it. So a list whose last
// record is followed by a line break makes one more attempt, which finds
// nothing and leaves its record as it was.
class ListReader {
public:
  ListReader(const char* text, size_t size) : text_(text), size_(size) {}

  bool AtEnd() const { return eof_; }

  // Fills what it can of `rec`. Returns false on a field that is not a
  // number; the rest of that line is then skipped.
  bool ReadRecord(SAnimation& rec) {
    float* numbers[4] = {&rec.start, &rec.end, &rec.keyFrame, &rec.speed};
    for (float* target : numbers) {
      if (!SkipSpace()) return true;
      char* stop = nullptr;
      float value = std::strtof(text_ + pos_, &stop);
      if (stop == text_ + pos_) {
        SkipLine();
        return false;
      }
      *target = value;
      pos_ = static_cast<size_t>(stop - text_);
      if (pos_ >= size_) eof_ = true;
    }
    if (!SkipSpace()) return true;
    size_t len = 0;
    while (pos_ < size_ && !IsSpace(text_[pos_])) {
      // Names longer than the record holds are cut; the rest of the word
      // is still consumed so it never becomes the next record.
      if (len < sizeof(rec.name) - 1) rec.name[len++] = text_[pos_];
      pos_++;
    }
    rec.name[len] = '\0';
    if (pos_ >= size_) eof_ = true;
    return true;
  }

private:
  static bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
  }
  // Skips white space; false (and the end flag set) when the text runs out.
  bool SkipSpace() {
    while (pos_ < size_ && IsSpace(text_[pos_])) pos_++;
    if (pos_ >= size_) {
      eof_ = true;
      return false;
    }
    return true;
  }
  void SkipLine() {
    while (pos_ < size_ && text_[pos_] != '\n') pos_++;
    if (pos_ >= size_) eof_ = true;
  }

  const char* text_;
  size_t size_;
  size_t pos_ = 0;
  bool eof_ = false;
};

// A record index the table really holds.
bool ValidIndex(const TModel& m, int index) {
  return index >= 0 && index < m.animationCount && index < TModel::MaxAnimations;
}

int FindAnimation(const TModel& m, const char* name) {
  if (!name) return -1;
  for (int i = 0; i < m.animationCount && i < TModel::MaxAnimations; i++)
    if (std::strcmp(m.animations[i].name, name) == 0) return i;
  return -1;
}

}  // namespace

void TModel::LoadAnimationList(const char* path) {
  FILE* f = path ? std::fopen(path, "rb") : nullptr;
  if (!f) {
    AddToLog(RU("Не удалось открыть список анимаций %s"), path ? path : "(null)");
    return;
  }
  std::fseek(f, 0, SEEK_END);
  long length = std::ftell(f);
  std::rewind(f);
  if (length < 0) length = 0;
  char* text = new char[static_cast<size_t>(length) + 1];
  size_t size = std::fread(text, 1, static_cast<size_t>(length), f);
  std::fclose(f);
  text[size] = '\0';  // keeps strtof inside the buffer

  // New records go after the ones already in the table.
  int count = animationCount < 0 ? 0 : animationCount;
  if (count > MaxAnimations) count = MaxAnimations;
  ListReader reader(text, size);
  bool reportedBad = false;
  bool reportedFull = false;
  while (!reader.AtEnd()) {
    if (count >= MaxAnimations) {
      if (!reportedFull)
        AddToLog(RU("Список анимаций %s: больше %d записей, остальные пропущены"), path,
                 static_cast<int>(MaxAnimations));
      reportedFull = true;
      break;
    }
    if (!reader.ReadRecord(animations[count]) && !reportedBad) {
      AddToLog(RU("Список анимаций %s: запись %d не разобрана"), path, count);
      reportedBad = true;
    }
    count++;
  }
  animationCount = static_cast<short>(count);
  delete[] text;

  for (int i = 0; i < animationCount; i++) {
    const SAnimation& a = animations[i];
    AddToLog(RU("Анимация номер %d: %.2f %.2f %.2f %.2f %s"), i, a.start, a.end, a.keyFrame,
             a.speed, a.name);
  }
}

void TModel::SelectAnimation(const char* name) {
  int i = FindAnimation(*this, name);
  if (i >= 0) SetAnimation(animations[i].start, animations[i].end, animations[i].speed);
}

void TModel::SelectAnimation(int index) {
  if (ValidIndex(*this, index))
    SetAnimation(animations[index].start, animations[index].end, animations[index].speed);
}

bool TModel::ProcessAnimation() {
  bool wrapped = false;
  frame += animSpeed;
  if (frame > animEnd) {
    frame = animStart;
    wrapped = true;
  }
  if (frame < animStart) frame = animStart;
  return wrapped;
}

bool TModel::IsAnimation(float from, float to) { return from <= frame && frame <= to; }

bool TModel::IsAnimation(const char* name) { return IsAnimation(FindAnimation(*this, name)); }

bool TModel::IsAnimation(int index) {
  if (!ValidIndex(*this, index)) return false;
  return animations[index].start <= frame && frame <= animations[index].end;
}

bool TModel::IsKeyFrame(const char* name) { return IsKeyFrame(FindAnimation(*this, name)); }

bool TModel::IsKeyFrame(int index) {
  if (!ValidIndex(*this, index)) return false;
  const SAnimation& a = animations[index];
  return a.keyFrame <= frame && frame < a.keyFrame + a.speed;
}

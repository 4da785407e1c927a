// Models: placement, named animation ranges read from a text list, and the
// per-tick frame advance with its queries.
#include "Internal.h"

#include "BoundedReader.h"
#include "Cp1251.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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
  // Fields (four numbers and the name) the last ReadRecord found.
  int FieldsRead() const { return fields_; }

  // Fills what it can of `rec`. Returns false on a field that is not a
  // number; the rest of that line is then skipped.
  bool ReadRecord(SAnimation& rec) {
    float* numbers[4] = {&rec.start, &rec.end, &rec.keyFrame, &rec.speed};
    fields_ = 0;
    for (float* target : numbers) {
      if (!SkipSpace()) return true;
      char* stop = nullptr;
      float value = std::strtof(text_ + pos_, &stop);
      if (stop == text_ + pos_) {
        SkipLine();
        return false;
      }
      *target = value;
      fields_++;
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
    fields_++;
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
  int fields_ = 0;
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

void ParseAnimationList(TModel& m, const char* bytes, size_t size, const char* name) {
  // A NUL after the text keeps strtof inside the buffer whatever it holds.
  std::vector<char> text(bytes, bytes + size);
  text.push_back('\0');

  // New records go after the ones already in the table.
  int count = m.animationCount < 0 ? 0 : m.animationCount;
  if (count > TModel::MaxAnimations) count = TModel::MaxAnimations;
  ListReader reader(text.data(), size);
  bool blank = true;
  for (size_t i = 0; i < size && blank; i++)
    blank = bytes[i] != '\0' && std::strchr(" \t\n\r\v\f", bytes[i]) != nullptr;
  bool reportedBad = false;
  bool reportedShort = false;
  bool reportedFull = false;
  bool reportedNotFinite = false;
  while (!reader.AtEnd()) {
    if (count >= TModel::MaxAnimations) {
      if (!reportedFull)
        AddToLog(RU("Список анимаций %s: больше %d записей, остальные пропущены"), name,
                 static_cast<int>(TModel::MaxAnimations));
      reportedFull = true;
      break;
    }
    SAnimation& rec = m.animations[count];
    if (!reader.ReadRecord(rec)) {
      if (!reportedBad) AddToLog(RU("Список анимаций %s: запись %d не разобрана"), name, count);
      reportedBad = true;
    } else if (reader.FieldsRead() < 5 && !reportedShort) {
      // Still counted, as a formatted-scan loop would; but a list cut short
      // (or ending in a line break) is said to be so.
      if (reader.FieldsRead() == 0)
        AddToLog(RU("Список анимаций %s: запись %d пуста"), name, count);
      else
        AddToLog(RU("Список анимаций %s: запись %d неполная"), name, count);
      reportedShort = true;
    }
    // NaN or an infinity would stop the frame arithmetic for good (every
    // comparison false, or a frame that never wraps): such a record is
    // refused and its slot taken by the next one.
    if (!std::isfinite(rec.start) || !std::isfinite(rec.end) || !std::isfinite(rec.keyFrame) ||
        !std::isfinite(rec.speed)) {
      if (!reportedNotFinite)
        AddToLog(RU("Список анимаций %s: запись %d содержит бесконечность или не-число, пропущена"),
                 name, count);
      reportedNotFinite = true;
      rec = SAnimation();
      continue;
    }
    count++;
  }
  m.animationCount = static_cast<short>(count);
  // The record lines below do not name the file; this one does, so a log
  // shows which list a damaged or empty table came from.
  if (blank) AddToLog(RU("Список анимаций %s пуст"), name);
  AddToLog(RU("Список анимаций %s: записей в таблице %d"), name, count);

  for (int i = 0; i < m.animationCount; i++) {
    const SAnimation& a = m.animations[i];
    AddToLog(RU("Анимация номер %d: %.2f %.2f %.2f %.2f %s"), i, a.start, a.end, a.keyFrame,
             a.speed, a.name);
  }
}

void TModel::LoadAnimationList(const char* path) {
  bounded::FileBytes file;
  switch (bounded::ReadFileCapped(path, kMaxAnimationListFile, &file)) {
    case bounded::ReadResult::kOk: break;
    case bounded::ReadResult::kTooLarge:
      AddToLog(RU("Список анимаций %s больше %d КиБ, не прочитан"), path,
               static_cast<int>(kMaxAnimationListFile >> 10));
      return;
    default: AddToLog(RU("Не удалось открыть список анимаций %s"), path ? path : "(null)"); return;
  }
  ParseAnimationList(*this, reinterpret_cast<const char*>(file.data()), file.size(), path);
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

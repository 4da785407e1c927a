// Audio: WAV loading and the sound buffers the game plays.
//
// A sound file is read whole into memory and walked as RIFF chunks: the
// RIFF chunk of form "WAVE" is found at the top level, its first sub-chunk
// is taken as the format (20 bytes from the start of its data, like the
// platform's wave format record plus two bytes), then the "data" sub-chunk
// is searched for after it within the RIFF chunk. The samples go into one
// OpenAL buffer with its own source, so every loaded sound plays on its own
// voice and two loads of one file can sound at the same time.
//
// Everything read is checked against the file's real size: a damaged or
// unsupported file logs one line and yields an empty buffer whose
// operations do nothing.
#include "Internal.h"
#include "BoundedReader.h"
#include "Cp1251.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Largest sound file accepted (the game's effects are a few hundred KiB;
// a minute of 16-bit stereo at 44.1 kHz is about 10 MiB).
const size_t kMaxSoundFile = size_t{64} << 20;

// Every buffer made on the device, so that they can be released before the
// device goes (OpenAL complains when a closed device still holds buffers).
// Buffers past the registry's end still play; they go with the device.
const int kMaxBuffers = 4096;
TSoundBuffer* g_buffers[kMaxBuffers];
int g_bufferCount = 0;

bool g_noDeviceLogged = false;

unsigned Read16(const unsigned char* p) { return bounded::ByteCursor::LoadU16(p); }
unsigned Read32(const unsigned char* p) { return bounded::ByteCursor::LoadU32(p); }

// Chunk sizes are padded to an even number of bytes in the file.
unsigned long long Padded(unsigned long long size) { return size + (size & 1); }

// The fields of the wave format record the loader uses.
struct WaveFormat {
  unsigned tag;
  unsigned channels;
  unsigned rate;
  unsigned bits;
};

// Result of the chunk walk: the format and where the samples lie.
struct WaveLayout {
  WaveFormat format;
  unsigned long long dataOffset;
  unsigned long long dataSize;
};

enum WaveError { kWaveOk, kNotWave, kNoData, kPastEnd, kBadFormat };

// Walks the chunks of the file image `f` (n bytes).
WaveError ParseWave(const unsigned char* f, unsigned long long n, WaveLayout* out) {
  // Find the RIFF chunk of form WAVE among the top-level chunks.
  unsigned long long pos = 0, riffBegin = 0, riffEnd = 0;
  bool found = false;
  while (pos + 12 <= n) {
    unsigned long long size = Read32(f + pos + 4);
    if (memcmp(f + pos, "RIFF", 4) == 0 && memcmp(f + pos + 8, "WAVE", 4) == 0) {
      riffBegin = pos + 12;
      riffEnd = pos + 8 + size;
      found = true;
      break;
    }
    pos += 8 + Padded(size);
  }
  if (!found || riffEnd < riffBegin) return kNotWave;
  // A writer may leave out the pad byte of an odd last chunk.
  if (riffEnd > n + 1) return kPastEnd;
  if (riffEnd > n) riffEnd = n;

  // The first sub-chunk is the format, whatever its identifier.
  if (riffBegin + 8 > riffEnd) return kBadFormat;
  unsigned long long fmtSize = Read32(f + riffBegin + 4);
  unsigned long long fmtData = riffBegin + 8;
  if (fmtData + fmtSize > riffEnd) return kPastEnd;
  // Twenty bytes from the start of its data; with a 16-byte chunk the last
  // four come from the next chunk's header and are not used for PCM.
  unsigned char rec[20] = {0};
  for (int i = 0; i < 20 && fmtData + i < n; i++) rec[i] = f[fmtData + i];
  out->format.tag = Read16(rec);
  out->format.channels = Read16(rec + 2);
  out->format.rate = Read32(rec + 4);
  out->format.bits = Read16(rec + 14);
  if (out->format.tag == 0xFFFE) {
    // Extensible record: PCM when the sub-format GUID starts with 1.
    out->format.tag = (fmtSize >= 40 && Read32(f + fmtData + 24) == 1) ? 1 : 0;
  }

  // Search "data" after the format chunk, within the RIFF chunk.
  pos = fmtData + Padded(fmtSize);
  while (pos + 8 <= riffEnd) {
    unsigned long long size = Read32(f + pos + 4);
    if (memcmp(f + pos, "data", 4) == 0) {
      if (pos + 8 + size > riffEnd) return kPastEnd;
      out->dataOffset = pos + 8;
      out->dataSize = size;
      return kWaveOk;
    }
    pos += 8 + Padded(size);
  }
  return kNoData;
}

// 8- or 16-bit PCM, mono or stereo, at a rate the device can take.
bool Playable(const WaveFormat& f) {
  return f.tag == 1 && (f.channels == 1 || f.channels == 2) && (f.bits == 8 || f.bits == 16) &&
         f.rate != 0 && f.rate <= 1000000;
}

ALenum AlFormat(const WaveFormat& f) {
  if (f.channels == 1) return f.bits == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
  return f.bits == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

// Makes the OpenAL buffer and source for the samples; false on failure.
bool Upload(TSoundBuffer* sb, const unsigned char* data, unsigned long long size,
            const WaveFormat& f) {
  if (_dsound->context && alcGetCurrentContext() != _dsound->context)
    alcMakeContextCurrent(_dsound->context);
  unsigned frame = f.channels * f.bits / 8;
  ALsizei bytes = static_cast<ALsizei>(size - size % frame);
  alGetError();
  ALuint buffer = 0, source = 0;
  alGenBuffers(1, &buffer);
  if (alGetError() != AL_NO_ERROR) return false;
  alBufferData(buffer, AlFormat(f), data, bytes, static_cast<ALsizei>(f.rate));
  if (alGetError() != AL_NO_ERROR) {
    alDeleteBuffers(1, &buffer);
    return false;
  }
  alGenSources(1, &source);
  if (alGetError() != AL_NO_ERROR) {
    alDeleteBuffers(1, &buffer);
    return false;
  }
  alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
  alSourcei(source, AL_LOOPING, AL_FALSE);
  // Effects play as they are: no distance attenuation, no panning.
  alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
  alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
  sb->buffer = buffer;
  sb->source = source;
  return true;
}

}  // namespace

bool CheckWaveImage(const unsigned char* data, size_t size, size_t* offset, size_t* bytes) {
  WaveLayout layout = {};
  if (ParseWave(data, size, &layout) != kWaveOk || !Playable(layout.format)) return false;
  *offset = static_cast<size_t>(layout.dataOffset);
  *bytes = static_cast<size_t>(layout.dataSize);
  return true;
}

// After the device is released (shutdown) the voices are gone with it.
static bool Live(unsigned int source) { return source != 0 && _dsound != nullptr; }

void TSoundBuffer::SetCurrentPosition(unsigned int pos) {
  if (!Live(source)) return;
  if (pos >= size) pos = 0;
  unsigned frame = channels > 0 && bits > 0 ? static_cast<unsigned>(channels * bits / 8) : 1;
  pos -= pos % frame;
  ALint state = AL_INITIAL;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  if (state == AL_PLAYING) {
    alSourcei(source, AL_BYTE_OFFSET, static_cast<ALint>(pos));
  } else {
    // A stopped source restarts from its beginning on the next play, and
    // an offset set before then is kept; rewinding an idle voice makes the
    // next Play start from the start either way.
    alSourceRewind(source);
    if (pos != 0) alSourcei(source, AL_BYTE_OFFSET, static_cast<ALint>(pos));
  }
}

void TSoundBuffer::Play(unsigned int, unsigned int, unsigned int) {
  if (!Live(source)) return;
  ALint state = AL_INITIAL;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  // Playing again would restart it: a playing sound simply goes on.
  if (state == AL_PLAYING) return;
  alSourcePlay(source);
}

bool TSoundBuffer::IsPlaying() const {
  if (!Live(source)) return false;
  ALint state = AL_INITIAL;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}

void LoadDirectSound(TSoundBuffer** buffer, const char* path) {
  if (!RequireArg(buffer, "LoadDirectSound", "buffer") ||
      !RequireArg(path, "LoadDirectSound", "path"))
    return;
  if (!FileExists(path)) {
    AddToLog(RU("Ошибка. Файл звука %s не найден."), path);
    return;
  }
  TSoundBuffer* sb = new TSoundBuffer();
  *buffer = sb;
  if (!_dsound || !_dsound->device) {
    if (!g_noDeviceLogged) {
      AddToLog(RU("Ошибка. Нет звукового устройства, звуки не будут слышны"));
      g_noDeviceLogged = true;
    }
    return;
  }

  bounded::FileBytes file;
  if (bounded::ReadFileCapped(path, kMaxSoundFile, &file) != bounded::ReadResult::kOk) {
    AddToLog(RU("Ошибка. Файл звука %s не удалось прочитать."), path);
    return;
  }
  WaveLayout layout = {};
  switch (ParseWave(file.data(), file.size(), &layout)) {
    case kWaveOk: break;
    case kNotWave:
      AddToLog(RU("Ошибка. Файл звука %s не является файлом RIFF/WAVE."), path);
      return;
    case kNoData: AddToLog(RU("Ошибка. В файле звука %s нет блока данных."), path); return;
    case kPastEnd:
      AddToLog(RU("Ошибка. Файл звука %s повреждён: блок выходит за конец файла."), path);
      return;
    case kBadFormat:
      AddToLog(RU("Ошибка. Файл звука %s повреждён: нет блока формата."), path);
      return;
  }
  const WaveFormat& f = layout.format;
  if (!Playable(f)) {
    AddToLog(RU("Ошибка. Формат файла звука %s не поддерживается (формат %u, каналов %u, бит %u, "
                "частота %u)."),
             path, f.tag, f.channels, f.bits, f.rate);
    return;
  }
  sb->size = static_cast<unsigned>(layout.dataSize);
  sb->rate = f.rate;
  sb->channels = static_cast<int>(f.channels);
  sb->bits = static_cast<int>(f.bits);
  unsigned frame = f.channels * f.bits / 8;
  if (layout.dataSize >= frame) {
    if (!Upload(sb, file.data() + layout.dataOffset, layout.dataSize, f)) {
      AddToLog(RU("Ошибка. Звуковое устройство не приняло файл звука %s."), path);
      return;
    }
    if (g_bufferCount < kMaxBuffers) g_buffers[g_bufferCount++] = sb;
  }
  AddToLog(RU("Файл звука %s загружен"), path);
}

// Stops and deletes every buffer made so far and leaves them empty, so the
// device can be closed and later plays do nothing. Called at shutdown
// before the sound device is released.
void ReleaseSoundBuffers() {
  for (int i = 0; i < g_bufferCount; i++) {
    TSoundBuffer* sb = g_buffers[i];
    if (sb->source) {
      alSourceStop(sb->source);
      alSourcei(sb->source, AL_BUFFER, 0);
      alDeleteSources(1, &sb->source);
    }
    if (sb->buffer) alDeleteBuffers(1, &sb->buffer);
    sb->source = 0;
    sb->buffer = 0;
  }
  g_bufferCount = 0;
}

void ReleaseSoundBuffer(TSoundBuffer** buffer) {
  if (!buffer || !*buffer) return;
  TSoundBuffer* sb = *buffer;
  *buffer = nullptr;
  for (int i = 0; i < g_bufferCount; i++) {
    if (g_buffers[i] != sb) continue;
    g_buffers[i] = g_buffers[--g_bufferCount];
    break;
  }
  // After shutdown the device and its names are gone; only memory is left.
  if (_dsound && _dsound->context) {
    if (alcGetCurrentContext() != _dsound->context) alcMakeContextCurrent(_dsound->context);
    if (sb->source) {
      alSourceStop(sb->source);
      alSourcei(sb->source, AL_BUFFER, 0);
      alDeleteSources(1, &sb->source);
    }
    if (sb->buffer) alDeleteBuffers(1, &sb->buffer);
  }
  delete sb;
}

// Audio: WAV loading and the sound buffers the game plays.
//
// A sound file is read whole into memory and walked as RIFF chunks: the
// RIFF chunk of form "WAVE" is found at the top level, then its sub-chunks
// are walked for "fmt " and "data" wherever they lie (other chunks such as
// JUNK, LIST or bext are stepped over; odd sizes are padded to even). The
// format record is read as the platform's wave format record (20 bytes from
// the start of the chunk's data); an extensible record is read by its
// sub-format. 8- and 16-bit PCM go to the device as they are; 24- and
// 32-bit PCM and 32-bit float go as 32-bit float where the device has
// AL_EXT_FLOAT32, otherwise as 16-bit PCM, rounded to nearest. The samples
// go into one OpenAL buffer with its own source, so every loaded sound plays
// on its own voice and two loads of one file can sound at the same time.
//
// Everything read is checked against the file's real size: a damaged or
// unsupported file logs one line naming it and yields an empty buffer whose
// operations do nothing.
#include "Internal.h"
#include "BoundedReader.h"
#include "Cp1251.h"

#include <cmath>
#include <cstdint>
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

const unsigned kTagPcm = 1, kTagFloat = 3, kTagExtensible = 0xFFFE;

// The fields of the wave format record the loader uses.
struct WaveFormat {
  unsigned tag;  // an extensible record's sub-format, 0 when it has none
  unsigned channels;
  unsigned rate;
  unsigned bits;
  unsigned blockAlign;
};

// Result of the chunk walk: the format and where the samples lie.
struct WaveLayout {
  WaveFormat format;
  unsigned long long dataOffset;
  unsigned long long dataSize;
};

enum WaveError { kWaveOk, kNotWave, kNoData, kPastEnd, kBadFormat };

// Reads the format record from the chunk data at fmtData (fmtSize bytes).
// Twenty bytes are taken from the start of the data; with a 16-byte chunk
// the last four come from the next chunk's header and are not used for
// PCM.
void ReadFormat(const unsigned char* f, unsigned long long n, unsigned long long fmtData,
                unsigned long long fmtSize, WaveFormat* out) {
  unsigned char rec[20] = {0};
  for (int i = 0; i < 20 && fmtData + i < n; i++) rec[i] = f[fmtData + i];
  out->tag = Read16(rec);
  out->channels = Read16(rec + 2);
  out->rate = Read32(rec + 4);
  out->blockAlign = Read16(rec + 12);
  out->bits = Read16(rec + 14);
  if (out->tag == kTagExtensible) {
    // The sub-format GUID starts with the plain format tag (1 PCM, 3 float).
    out->tag = fmtSize >= 40 ? Read32(f + fmtData + 24) : 0;
  }
}

// Walks the chunks of the file image `f` (n bytes). Every step moves
// forward by at least a chunk header, and nothing past the RIFF chunk (or
// the file) is read.
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

  // The first "fmt " chunk, and the first "data" chunk after it (or, with
  // none after it, the first before it).
  unsigned long long fmtData = 0, fmtSize = 0, dataPos = 0, dataSize = 0;
  bool haveFmt = false, haveData = false;
  for (pos = riffBegin; pos + 8 <= riffEnd;) {
    const unsigned long long size = Read32(f + pos + 4);
    const unsigned long long body = pos + 8;
    if (!haveFmt && memcmp(f + pos, "fmt ", 4) == 0) {
      if (body + size > riffEnd) return kPastEnd;
      fmtData = body;
      fmtSize = size;
      haveFmt = true;
    } else if (memcmp(f + pos, "data", 4) == 0 && (haveFmt || !haveData)) {
      if (body + size > riffEnd) return kPastEnd;
      dataPos = body;
      dataSize = size;
      haveData = true;
      if (haveFmt) break;
    }
    pos = body + Padded(size);
  }
  if (!haveFmt) {
    // A file without a "fmt " chunk is read as it always was: its first
    // sub-chunk is taken for the format, whatever its name.
    if (riffBegin + 8 > riffEnd) return kBadFormat;
    fmtSize = Read32(f + riffBegin + 4);
    fmtData = riffBegin + 8;
    if (fmtData + fmtSize > riffEnd) return kPastEnd;
  }
  ReadFormat(f, n, fmtData, fmtSize, &out->format);
  if (!haveData) return kNoData;
  out->dataOffset = dataPos;
  out->dataSize = dataSize;
  return kWaveOk;
}

// How the samples of a file are stored.
enum SampleKind { kPcm8, kPcm16, kPcm24, kPcm32, kFloat32, kUnsupported };

SampleKind KindOf(const WaveFormat& f) {
  if (f.tag == kTagPcm && f.bits == 8) return kPcm8;
  if (f.tag == kTagPcm && f.bits == 16) return kPcm16;
  if (f.tag == kTagPcm && f.bits == 24) return kPcm24;
  if (f.tag == kTagPcm && f.bits == 32) return kPcm32;
  if (f.tag == kTagFloat && f.bits == 32) return kFloat32;
  return kUnsupported;
}

// Mono or stereo, in a sample layout we read, at a rate the device can take.
bool Playable(const WaveFormat& f) {
  return KindOf(f) != kUnsupported && (f.channels == 1 || f.channels == 2) && f.rate != 0 &&
         f.rate <= 1000000;
}

// The wider formats have to say their frame size truly, since the samples
// are converted frame by frame. (8- and 16-bit files never had it checked
// and go to the device as they are.)
bool FrameSizeTrue(const WaveFormat& f) {
  const SampleKind k = KindOf(f);
  return k == kPcm8 || k == kPcm16 || f.blockAlign == f.channels * f.bits / 8;
}

int32_t Sample24(const unsigned char* p) {
  const uint32_t u = p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
  return static_cast<int32_t>(u << 8) >> 8;
}

int32_t Sample32(const unsigned char* p) {
  const uint32_t u = Read32(p);
  int32_t v;
  memcpy(&v, &u, 4);
  return v;
}

float SampleFloat(const unsigned char* p) {
  const uint32_t u = Read32(p);
  float v;
  memcpy(&v, &u, 4);
  return v;
}

int16_t Clamp16(long long v) {
  return static_cast<int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
}

}  // namespace

bool WaveFloatRefused = false;

void ConvertWaveSamples(const unsigned char* in, size_t count, int kind, bool toFloat,
                        unsigned char* out) {
  const size_t step = kind == kPcm24 ? 3 : 4;
  for (size_t i = 0; i < count; i++, in += step) {
    if (toFloat) {
      float v = 0.0f;
      if (kind == kPcm24) {
        v = static_cast<float>(Sample24(in)) / 8388608.0f;
      } else if (kind == kPcm32) {
        v = static_cast<float>(static_cast<double>(Sample32(in)) / 2147483648.0);
      } else {
        // Float samples go as they are; only what is not a number at all
        // is tamed, so one damaged sample cannot poison the mix.
        v = SampleFloat(in);
        if (std::isnan(v)) v = 0.0f;
        if (std::isinf(v)) v = v > 0 ? 1.0f : -1.0f;
      }
      memcpy(out + i * 4, &v, 4);
      continue;
    }
    // Nearest 16-bit value, halves rounded up, full scale clamped.
    long long s = 0;
    if (kind == kPcm24) {
      s = (static_cast<long long>(Sample24(in)) + 128) >> 8;
    } else if (kind == kPcm32) {
      s = (static_cast<long long>(Sample32(in)) + 32768) >> 16;
    } else {
      const double d = static_cast<double>(SampleFloat(in)) * 32768.0;
      s = std::isnan(d)   ? 0
          : d >= 32767.0  ? 32767
          : d <= -32768.0 ? -32768
                          : std::llround(std::floor(d + 0.5));
    }
    const int16_t v = Clamp16(s);
    out[i * 2] = static_cast<unsigned char>(v & 0xFF);
    out[i * 2 + 1] = static_cast<unsigned char>((static_cast<uint16_t>(v) >> 8) & 0xFF);
  }
}

namespace {

// The samples as they go to the device: the file's own bytes (8 and
// 16 bits) or a converted copy; bits 8, 16 or 32 (float).
struct DeviceSamples {
  const unsigned char* bytes = nullptr;
  size_t size = 0;
  unsigned bits = 0;
  bool isFloat = false;
  std::vector<unsigned char> converted;
};

void PrepareSamples(const unsigned char* file, const WaveLayout& layout, bool floatOut,
                    DeviceSamples* out) {
  const WaveFormat& f = layout.format;
  const SampleKind kind = KindOf(f);
  if (kind == kPcm8 || kind == kPcm16) {
    out->bytes = file + layout.dataOffset;
    out->size = static_cast<size_t>(layout.dataSize);
    out->bits = f.bits;
    return;
  }
  const size_t frames = static_cast<size_t>(layout.dataSize / f.blockAlign);
  const size_t count = frames * f.channels;
  out->isFloat = floatOut;
  out->bits = floatOut ? 32 : 16;
  out->converted.resize(count * (floatOut ? 4 : 2));
  ConvertWaveSamples(file + layout.dataOffset, count, kind, floatOut, out->converted.data());
  out->bytes = out->converted.data();
  out->size = out->converted.size();
}

// The device's AL_EXT_FLOAT32 format for the channel count, 0 without it.
ALenum FloatFormat(unsigned channels) {
  if (WaveFloatRefused || !alIsExtensionPresent("AL_EXT_FLOAT32")) return 0;
  return alGetEnumValue(channels == 1 ? "AL_FORMAT_MONO_FLOAT32" : "AL_FORMAT_STEREO_FLOAT32");
}

ALenum AlFormat(unsigned channels, unsigned bits, bool isFloat) {
  if (isFloat) return FloatFormat(channels);
  if (channels == 1) return bits == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
  return bits == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

// Makes the OpenAL buffer and source for the samples; false on failure.
bool Upload(TSoundBuffer* sb, const DeviceSamples& d, unsigned channels, unsigned rate) {
  unsigned frame = channels * d.bits / 8;
  ALsizei bytes = static_cast<ALsizei>(d.size - d.size % frame);
  alGetError();
  ALuint buffer = 0, source = 0;
  alGenBuffers(1, &buffer);
  if (alGetError() != AL_NO_ERROR) return false;
  alBufferData(buffer, AlFormat(channels, d.bits, d.isFloat), d.bytes, bytes,
               static_cast<ALsizei>(rate));
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

bool DecodeWaveImage(const unsigned char* data, size_t size, bool floatOut, WaveSound* out) {
  WaveLayout layout = {};
  if (ParseWave(data, size, &layout) != kWaveOk || !Playable(layout.format) ||
      !FrameSizeTrue(layout.format))
    return false;
  DeviceSamples d;
  PrepareSamples(data, layout, floatOut, &d);
  out->channels = layout.format.channels;
  out->rate = layout.format.rate;
  out->bits = d.bits;
  out->isFloat = d.isFloat;
  out->samples.assign(d.bytes, d.bytes + d.size);
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
  // A device still being opened is waited for: the sound is never lost.
  AwaitSoundDevice();
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
  if (!FrameSizeTrue(f)) {
    AddToLog(RU("Ошибка. Файл звука %s повреждён: размер кадра %u не подходит к формату (каналов "
                "%u, бит %u)."),
             path, f.blockAlign, f.channels, f.bits);
    return;
  }
  if (_dsound->context && alcGetCurrentContext() != _dsound->context)
    alcMakeContextCurrent(_dsound->context);
  DeviceSamples d;
  PrepareSamples(file.data(), layout, FloatFormat(f.channels) != 0, &d);
  sb->size = static_cast<unsigned>(d.size);
  sb->rate = f.rate;
  sb->channels = static_cast<int>(f.channels);
  sb->bits = static_cast<int>(d.bits);
  unsigned frame = f.channels * d.bits / 8;
  if (d.size >= frame) {
    if (!Upload(sb, d, f.channels, f.rate)) {
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

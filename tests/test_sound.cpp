// WAV loading and sound buffer behaviour on OpenAL's null device.
#include <gtest/gtest.h>

#include <AL/al.h>
#include <AL/alc.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>
#include <thread>

#include "TestPlatform.h"

#include "Cp1251.h"
#include "Internal.h"
#include "testutil.h"

void ReleaseSoundBuffers();

namespace {

std::string U16(unsigned v) { return std::string{char(v & 255), char((v >> 8) & 255)}; }
std::string U32(unsigned v) { return U16(v & 0xFFFF) + U16(v >> 16); }
std::string Chunk(const std::string& id, const std::string& body) {
  std::string c = id + U32(static_cast<unsigned>(body.size())) + body;
  if (body.size() & 1) c += '\0';
  return c;
}
std::string Fmt(unsigned tag, unsigned channels, unsigned rate, unsigned bits) {
  unsigned align = channels * bits / 8;
  return Chunk("fmt ",
               U16(tag) + U16(channels) + U32(rate) + U32(rate * align) + U16(align) + U16(bits));
}
std::string Samples(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; i++) s[i] = static_cast<char>((i * 37) & 255);
  return s;
}
// WAVE_FORMAT_EXTENSIBLE: `sub` is the sub-format's tag (1 PCM, 3 float),
// `valid` the bits that carry the signal.
std::string Extensible(unsigned sub, unsigned channels, unsigned rate, unsigned bits,
                       unsigned valid) {
  unsigned align = channels * bits / 8;
  return Chunk("fmt ", U16(0xFFFE) + U16(channels) + U32(rate) + U32(rate * align) + U16(align) +
                           U16(bits) + U16(22) + U16(valid) + U32(channels == 2 ? 3 : 4) +
                           U32(sub) +
                           std::string("\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71", 12));
}
std::string Riff(const std::string& chunks) {
  return "RIFF" + U32(static_cast<unsigned>(chunks.size() + 4)) + "WAVE" + chunks;
}

std::string LogText() { return testutil::ReadFile("EngineLog.txt"); }
int CountLines(const std::string& s) {
  int n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

class Sound : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    // The null backend mixes in real time without a sound card.
    testos::SetEnv("ALSOFT_DRIVERS", "null", false);
    static TSoundDevice dev;
    device_ = &dev;
    dev.device = alcOpenDevice(nullptr);
    ASSERT_NE(dev.device, nullptr);
    dev.context = alcCreateContext(dev.device, nullptr);
    ASSERT_NE(dev.context, nullptr);
    alcMakeContextCurrent(dev.context);
  }
  static void TearDownTestSuite() {
    ReleaseSoundBuffers();
    alcMakeContextCurrent(nullptr);
    if (device_->context) alcDestroyContext(device_->context);
    if (device_->device) {
      EXPECT_TRUE(alcCloseDevice(device_->device));
    }
    _dsound = nullptr;
  }
  void SetUp() override {
    _dsound = device_;
    testutil::RemoveFile("EngineLog.txt");
  }
  TSoundBuffer* Load(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(testutil::WriteFile(name, bytes));
    TSoundBuffer* b = nullptr;
    LoadDirectSound(&b, name.c_str());
    loaded_.push_back(b);
    return b;
  }
  // Every buffer a test loaded goes back, as a leak-checked run requires.
  void TearDown() override {
    for (TSoundBuffer*& b : loaded_) ReleaseSoundBuffer(&b);
    loaded_.clear();
  }
  std::vector<TSoundBuffer*> loaded_;
  static TSoundDevice* device_;
};
TSoundDevice* Sound::device_ = nullptr;

TEST_F(Sound, PcmFormatsKeepTheirOwnLayout) {
  struct Case {
    unsigned channels, rate, bits;
    size_t bytes;
  } cases[] = {{1, 22050, 16, 4410}, {2, 44100, 16, 17640}, {1, 11025, 8, 1103}, {2, 8000, 8, 800}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.channels << "ch " << c.rate << "Hz " << c.bits << "bit");
    TSoundBuffer* b =
        Load("pcm.wav", Riff(Fmt(1, c.channels, c.rate, c.bits) + Chunk("data", Samples(c.bytes))));
    ASSERT_NE(b, nullptr);
    ASSERT_FALSE(b->IsEmpty());
    EXPECT_EQ(b->size, c.bytes);
    EXPECT_EQ(b->rate, c.rate);
    EXPECT_EQ(b->channels, static_cast<int>(c.channels));
    EXPECT_EQ(b->bits, static_cast<int>(c.bits));
    // What the device really holds: whole frames of the file's format.
    ALint freq = 0, chans = 0, bits = 0, size = 0;
    alGetBufferi(b->buffer, AL_FREQUENCY, &freq);
    alGetBufferi(b->buffer, AL_CHANNELS, &chans);
    alGetBufferi(b->buffer, AL_BITS, &bits);
    alGetBufferi(b->buffer, AL_SIZE, &size);
    EXPECT_EQ(freq, static_cast<ALint>(c.rate));
    EXPECT_EQ(chans, static_cast<ALint>(c.channels));
    EXPECT_EQ(bits, static_cast<ALint>(c.bits));
    unsigned frame = c.channels * c.bits / 8;
    EXPECT_EQ(size, static_cast<ALint>(c.bytes - c.bytes % frame));
  }
  EXPECT_NE(LogText().find(RU("Файл звука pcm.wav загружен")), std::string::npos);
}

TEST_F(Sound, DataIsFoundPastOtherChunks) {
  // LIST and an odd-sized chunk (with its pad byte) between format and data,
  // a longer 18-byte format chunk, and a trailing chunk after the data.
  std::string fmt18 =
      Chunk("fmt ", U16(1) + U16(1) + U32(16000) + U32(32000) + U16(2) + U16(16) + U16(0));
  std::string body = fmt18 + Chunk("LIST", "INFOISFT" + U32(5) + "tool\0" + std::string(1, '\0')) +
                     Chunk("junk", "abc") + Chunk("data", Samples(3200)) + Chunk("cue ", "1234");
  TSoundBuffer* b = Load("extra.wav", Riff(body));
  ASSERT_NE(b, nullptr);
  ASSERT_FALSE(b->IsEmpty());
  EXPECT_EQ(b->size, 3200u);
  EXPECT_EQ(b->rate, 16000u);
}

std::string Str(const std::vector<unsigned char>& v) { return std::string(v.begin(), v.end()); }

WaveSound DecodeOrFail(const std::string& bytes, bool floatOut) {
  WaveSound w;
  EXPECT_TRUE(DecodeWaveImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                              floatOut, &w));
  return w;
}

TEST_F(Sound, ChunksOtherProgramsWriteAroundTheFormat) {
  const std::string pcm = Samples(1000);
  const std::string fmt = Fmt(1, 2, 44100, 16);
  const std::string bext = Chunk("bext", std::string(602, 'b'));  // broadcast wave header
  const std::string list = Chunk("LIST", "INFOISFT" + U32(13) + "a sound tool" + '\0');
  struct Case {
    const char* name;
    std::string file;
  } cases[] = {
      {"JUNK before fmt", Riff(Chunk("JUNK", std::string(28, '\0')) + fmt + Chunk("data", pcm))},
      {"bext and odd LIST before fmt", Riff(bext + list + fmt + Chunk("data", pcm))},
      {"data before fmt", Riff(Chunk("data", pcm) + list + fmt)},
      {"odd chunks around data",
       Riff(fmt + Chunk("odd1", "x") + Chunk("data", pcm) + Chunk("odd2", "abc"))},
      {"extensible 16-bit PCM", Riff(Extensible(1, 2, 44100, 16, 16) + Chunk("data", pcm))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The samples go to the device exactly as stored.
    WaveSound w = DecodeOrFail(c.file, true);
    EXPECT_EQ(Str(w.samples), pcm);
    EXPECT_EQ(w.bits, 16u);
    EXPECT_EQ(w.channels, 2u);
    EXPECT_EQ(w.rate, 44100u);
    TSoundBuffer* b = Load("tool.wav", c.file);
    ASSERT_FALSE(b->IsEmpty());
    EXPECT_EQ(b->size, 1000u);
    ALint bits = 0, size = 0;
    alGetBufferi(b->buffer, AL_BITS, &bits);
    alGetBufferi(b->buffer, AL_SIZE, &size);
    EXPECT_EQ(bits, 16);
    EXPECT_EQ(size, 1000);
  }
}

std::string Le(long long v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; i++) s.push_back(static_cast<char>((v >> (8 * i)) & 255));
  return s;
}

std::string FloatBytes(float f) {
  uint32_t u;
  memcpy(&u, &f, 4);
  return U32(u);
}

// The nearest 16-bit value of x (a fraction of full scale times 32768),
// halves up, clamped to the 16-bit range.
std::string Nearest16(double x) {
  double r = std::isnan(x) ? 0 : std::floor(x + 0.5);
  r = r > 32767 ? 32767 : r < -32768 ? -32768 : r;
  return Le(static_cast<long long>(r), 2);
}

TEST_F(Sound, WideSamplesGoAsFloatOrRoundedSixteenBits) {
  const long long v24[] = {0, 1, 127, 128, 129, -127, -128, -129, 8388607, -8388608, 4660, -300000};
  const long long v32[] = {0, 32767, 32768, -32768, -32769, 2147483647, -2147483647 - 1, 123456789};
  const float vf[] = {0.0f,
                      0.5f,
                      -0.5f,
                      1.0f,
                      -1.0f,
                      1.5f,
                      -2.0f,
                      1e-5f,
                      -0.99999f,
                      std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity()};
  std::string d24, f24, i24, d32, f32, i32, df, ff, iff;
  for (long long v : v24) {
    d24 += Le(v, 3);
    f24 += FloatBytes(static_cast<float>(v / 8388608.0));
    i24 += Nearest16(v / 256.0);
  }
  for (long long v : v32) {
    d32 += Le(v, 4);
    f32 += FloatBytes(static_cast<float>(v / 2147483648.0));
    i32 += Nearest16(v / 65536.0);
  }
  for (float v : vf) {
    df += FloatBytes(v);
    ff += FloatBytes(std::isnan(v) ? 0.0f : std::isinf(v) ? (v > 0 ? 1.0f : -1.0f) : v);
    iff += Nearest16(static_cast<double>(v) * 32768.0);
  }
  struct Case {
    const char* name;
    std::string file;
    std::string asFloat, as16;
    unsigned channels;
  } cases[] = {
      {"24-bit mono", Riff(Fmt(1, 1, 48000, 24) + Chunk("data", d24)), f24, i24, 1},
      {"24-bit stereo extensible, 20 valid bits",
       Riff(Extensible(1, 2, 48000, 24, 20) + Chunk("data", d24)), f24, i24, 2},
      {"32-bit PCM stereo", Riff(Fmt(1, 2, 96000, 32) + Chunk("data", d32)), f32, i32, 2},
      {"float mono", Riff(Chunk("LIST", "INFO") + Fmt(3, 1, 44100, 32) + Chunk("data", df)), ff,
       iff, 1},
      {"float extensible, odd data",
       Riff(Extensible(3, 1, 44100, 32, 32) + Chunk("data", df + "x") + Chunk("JUNK", "z")), ff,
       iff, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WaveSound w = DecodeOrFail(c.file, true);
    EXPECT_TRUE(w.isFloat);
    EXPECT_EQ(w.bits, 32u);
    EXPECT_EQ(w.channels, c.channels);
    EXPECT_EQ(Str(w.samples), c.asFloat);
    w = DecodeOrFail(c.file, false);
    EXPECT_FALSE(w.isFloat);
    EXPECT_EQ(w.bits, 16u);
    EXPECT_EQ(Str(w.samples), c.as16);

    // On the device: float where it takes float (OpenAL Soft does), 16 bits
    // where it does not.
    const bool deviceFloat = alIsExtensionPresent("AL_EXT_FLOAT32");
    for (bool refuse : {!deviceFloat, true}) {
      WaveFloatRefused = refuse;
      TSoundBuffer* b = Load("wide.wav", c.file);
      WaveFloatRefused = false;
      ASSERT_FALSE(b->IsEmpty());
      ALint bits = 0, size = 0, channels = 0;
      alGetBufferi(b->buffer, AL_BITS, &bits);
      alGetBufferi(b->buffer, AL_SIZE, &size);
      alGetBufferi(b->buffer, AL_CHANNELS, &channels);
      const std::string& held = refuse ? c.as16 : c.asFloat;
      EXPECT_EQ(bits, refuse ? 16 : 32);
      EXPECT_EQ(b->bits, refuse ? 16 : 32);
      EXPECT_EQ(size, static_cast<ALint>(held.size()));
      EXPECT_EQ(b->size, held.size());
      EXPECT_EQ(channels, static_cast<ALint>(c.channels));
    }
  }
}

TEST_F(Sound, DamagedFilesGiveEmptyBuffersAndOneLogLine) {
  std::string good = Fmt(1, 1, 22050, 16) + Chunk("data", Samples(1000));
  std::string truncated = Riff(good);
  truncated.resize(truncated.size() - 10);  // data chunk runs past the end
  std::string riffTooLong = "RIFF" + U32(100000) + "WAVE" + good;
  std::string hugeData = Riff(Fmt(1, 1, 22050, 16) + "data" + U32(0xFFFFFFF0u) + Samples(16));
  std::string hugeFmt = Riff("fmt " + U32(0xFFFFFFF0u) + Samples(40));
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"tiny", "RIF"},
      {"not riff", std::string("MThd") + Samples(60)},
      {"avi form", "RIFF" + U32(static_cast<unsigned>(good.size() + 4)) + "AVI " + good},
      {"no data chunk", Riff(Fmt(1, 1, 22050, 16) + Chunk("LIST", "INFO"))},
      {"only riff header", Riff("")},
      {"truncated", truncated},
      {"riff past end", riffTooLong},
      {"data size huge", hugeData},
      {"format size huge", hugeFmt},
      {"six channels", Riff(Fmt(1, 6, 48000, 16) + Chunk("data", Samples(1200)))},
      {"three channels float", Riff(Fmt(3, 3, 48000, 32) + Chunk("data", Samples(1200)))},
      {"zero rate", Riff(Fmt(1, 1, 0, 16) + Chunk("data", Samples(100)))},
      {"ms adpcm", Riff(Fmt(2, 1, 22050, 4) + Chunk("data", Samples(256)))},
      {"ima adpcm", Riff(Fmt(0x11, 2, 22050, 4) + Chunk("data", Samples(512)))},
      {"a-law", Riff(Fmt(6, 1, 8000, 8) + Chunk("data", Samples(100)))},
      {"mu-law", Riff(Fmt(7, 1, 8000, 8) + Chunk("data", Samples(100)))},
      {"64-bit float", Riff(Fmt(3, 1, 48000, 64) + Chunk("data", Samples(800)))},
      {"extensible mu-law", Riff(Extensible(7, 1, 8000, 8, 8) + Chunk("data", Samples(100)))},
      {"extensible cut short", Riff(Chunk("fmt ", Fmt(0xFFFE, 1, 8000, 16).substr(8) + U16(0)) +
                                    Chunk("data", Samples(100)))},
      {"24-bit forged frame size",
       Riff(Chunk("fmt ", U16(1) + U16(2) + U32(48000) + U32(48000 * 6) + U16(4) + U16(24)) +
            Chunk("data", Samples(600)))},
      {"fmt past end", Riff(Chunk("JUNK", "ab") + "fmt " + U32(1000) + Samples(20))},
      {"data before fmt past end", Riff("data" + U32(5000) + Samples(100) + Fmt(1, 1, 8000, 16))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testutil::RemoveFile("EngineLog.txt");
    TSoundBuffer* b = Load("bad.wav", c.bytes);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->IsEmpty());
    EXPECT_EQ(b->source, 0u);
    b->SetCurrentPosition(0);
    b->Play(0, 0, 0);
    EXPECT_FALSE(b->IsPlaying());
    std::string log = LogText();
    EXPECT_EQ(CountLines(log), 1) << log;
    EXPECT_EQ(log.find(RU("загружен")), std::string::npos) << log;
  }
}

TEST_F(Sound, MissingFileLeavesThePointerAlone) {
  TSoundBuffer keep;
  TSoundBuffer* b = &keep;
  LoadDirectSound(&b, "no/such/file.wav");
  EXPECT_EQ(b, &keep);
  EXPECT_NE(LogText().find(RU("Ошибка. Файл звука no/such/file.wav не найден.")),
            std::string::npos);
  // A buffer that was never loaded plays nothing and does not crash.
  TSoundBuffer never;
  never.SetCurrentPosition(0);
  never.Play(0, 0, 0);
  EXPECT_FALSE(never.IsPlaying());
}

TEST_F(Sound, NoDeviceYieldsEmptyBuffersAndLogsOnce) {
  std::string wav = Riff(Fmt(1, 1, 22050, 16) + Chunk("data", Samples(100)));
  TSoundBuffer* loaded = Load("c.wav", wav);
  testutil::RemoveFile("EngineLog.txt");
  _dsound = nullptr;
  // Once the device is gone (shutdown), buffers made on it stay quiet.
  loaded->Play(0, 0, 0);
  EXPECT_FALSE(loaded->IsPlaying());
  TSoundBuffer* a = Load("a.wav", wav);
  TSoundBuffer* b = Load("b.wav", wav);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(a->IsEmpty());
  EXPECT_TRUE(b->IsEmpty());
  a->Play(0, 0, 0);
  EXPECT_EQ(CountLines(LogText()), 1);
}

// One second of 16-bit mono at 8 kHz: long enough to watch it play.
std::string LongSound() { return Riff(Fmt(1, 1, 8000, 16) + Chunk("data", Samples(16000))); }

ALint SampleOffset(const TSoundBuffer* b) {
  ALint off = 0;
  alGetSourcei(b->source, AL_SAMPLE_OFFSET, &off);
  return off;
}

TEST_F(Sound, PlayGoesOnRewindRestarts) {
  TSoundBuffer* b = Load("long.wav", LongSound());
  ASSERT_FALSE(b->IsEmpty());
  b->Play(0, 0, 0);
  EXPECT_TRUE(b->IsPlaying());
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  ALint before = SampleOffset(b);
  EXPECT_GT(before, 800);
  // Playing an already playing buffer does not restart it.
  b->Play(0, 0, 0);
  EXPECT_GE(SampleOffset(b), before);
  EXPECT_TRUE(b->IsPlaying());
  // Rewind while playing: it goes on from the start.
  b->SetCurrentPosition(0);
  b->Play(0, 0, 0);
  EXPECT_LT(SampleOffset(b), before);
  EXPECT_TRUE(b->IsPlaying());
}

TEST_F(Sound, FinishedBufferPlaysAgainFromStart) {
  // 50 ms of sound.
  TSoundBuffer* b = Load("short.wav", Riff(Fmt(1, 1, 8000, 8) + Chunk("data", Samples(400))));
  ASSERT_FALSE(b->IsEmpty());
  b->Play(0, 0, 0);
  for (int i = 0; i < 100 && b->IsPlaying(); i++)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_FALSE(b->IsPlaying());
  b->Play(0, 0, 0);
  EXPECT_TRUE(b->IsPlaying());
}

TEST_F(Sound, TwoLoadsOfOneFileSoundTogether) {
  testutil::WriteFile("twice.wav", LongSound());
  TSoundBuffer *a = nullptr, *b = nullptr;
  LoadDirectSound(&a, "twice.wav");
  LoadDirectSound(&b, "twice.wav");
  ASSERT_NE(a, b);
  ASSERT_FALSE(a->IsEmpty());
  ASSERT_FALSE(b->IsEmpty());
  EXPECT_NE(a->source, b->source);
  a->Play(0, 0, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  b->Play(0, 0, 0);
  EXPECT_TRUE(a->IsPlaying());
  EXPECT_TRUE(b->IsPlaying());
  EXPECT_GT(SampleOffset(a), SampleOffset(b));
}

TEST_F(Sound, ReleaseEmptiesEveryBuffer) {
  TSoundBuffer* b = Load("rel.wav", LongSound());
  ASSERT_FALSE(b->IsEmpty());
  b->Play(0, 0, 0);
  ReleaseSoundBuffers();
  EXPECT_TRUE(b->IsEmpty());
  b->Play(0, 0, 0);
  EXPECT_FALSE(b->IsPlaying());
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

}  // namespace

// ------------------------------------------------------------ the device opened on a thread
// StartEngine opens the device beside the window; whatever asks for it
// before the open is done waits for it, so no sound is lost, and a device
// still opening when the engine stops is closed like any other.
TEST(SoundDeviceOpening, SoundsAskedForWhileTheDeviceOpensAreLoadedAndPlay) {
  testos::SetEnv("ALSOFT_DRIVERS", "null", false);
  ASSERT_EQ(_dsound, nullptr);
  SetMasterVolume(0.5f);
  StartSoundDeviceOpen();
  StartSoundDeviceOpen();  // a second start while one is under way changes nothing
  ASSERT_TRUE(
      testutil::WriteFile("late.wav", Riff(Fmt(1, 1, 22050, 16) + Chunk("data", Samples(22050)))));
  TSoundBuffer* b = nullptr;
  LoadDirectSound(&b, "late.wav");
  ASSERT_NE(_dsound, nullptr) << "the load waited for the device";
  ASSERT_NE(b, nullptr);
  EXPECT_FALSE(b->IsEmpty());
  b->SetCurrentPosition(0);
  b->Play(0, 0, 0);
  EXPECT_TRUE(b->IsPlaying());
  float gain = -1.0f;
  alGetListenerf(AL_GAIN, &gain);
  EXPECT_FLOAT_EQ(gain, 0.5f) << "the volume set while opening is applied";

  TSoundDevice* const first = _dsound;
  StartSoundDeviceOpen();
  AwaitSoundDevice();
  EXPECT_EQ(_dsound, first) << "an open device is kept, not opened twice";

  CloseSoundDevice();
  EXPECT_EQ(_dsound, nullptr);
  b->Play(0, 0, 0);
  EXPECT_FALSE(b->IsPlaying()) << "after the device is gone a play does nothing";
  ReleaseSoundBuffer(&b);
  SetMasterVolume(1.0f);
}

TEST(SoundDeviceOpening, ADeviceStillOpeningWhenTheEngineStopsIsClosedCleanly) {
  testos::SetEnv("ALSOFT_DRIVERS", "null", false);
  for (int i = 0; i < 3; i++) {
    StartSoundDeviceOpen();
    CloseSoundDevice();
    EXPECT_EQ(_dsound, nullptr);
  }
  AwaitSoundDevice();  // nothing under way: returns at once
  OpenSoundDevice();
  EXPECT_NE(_dsound, nullptr) << "a later open still works";
  CloseSoundDevice();
  EXPECT_EQ(_dsound, nullptr);
}

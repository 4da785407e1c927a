// WAV loading and sound buffer behaviour on OpenAL's null device.
#include <gtest/gtest.h>

#include <AL/al.h>
#include <AL/alc.h>

#include <chrono>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>
#include <thread>

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
    setenv("ALSOFT_DRIVERS", "null", 0);
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
      {"float samples", Riff(Fmt(3, 1, 22050, 32) + Chunk("data", Samples(400)))},
      {"24-bit", Riff(Fmt(1, 2, 48000, 24) + Chunk("data", Samples(600)))},
      {"six channels", Riff(Fmt(1, 6, 48000, 16) + Chunk("data", Samples(1200)))},
      {"zero rate", Riff(Fmt(1, 1, 0, 16) + Chunk("data", Samples(100)))},
      // The first sub-chunk is the format whatever it is: a LIST there is
      // misread as the format and the file is refused.
      {"list before fmt", Riff(Chunk("LIST", "INFOISFT" + U32(4) + "abcd") + good)},
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

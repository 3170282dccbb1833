// The sound player on PlaySoundW: the checks that keep the system from
// reading past a WAV's bytes, what bad files and a missing device get on
// stderr, and a real sound handed to the system.
#include "platform/win32/Win32Sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Resources.h"
#include "platform/SysUtils.h"
#include "platform/win32/Win32.h"
#include <mmsystem.h>

namespace emberhall {
namespace {

void Put16(std::string& S, uint32_t V) {
  S += static_cast<char>(V & 0xFF);
  S += static_cast<char>((V >> 8) & 0xFF);
}
void Put32(std::string& S, uint32_t V) {
  Put16(S, V & 0xFFFF);
  Put16(S, V >> 16);
}

struct TFormat {
  uint16_t Tag = 1;  // PCM
  uint16_t Channels = 1;
  uint32_t Frequency = 11025;
  uint16_t Bits = 16;
  uint16_t Block = 2;
};

std::string FormatChunk(const TFormat& F) {
  std::string s = "fmt ";
  Put32(s, 16);
  Put16(s, F.Tag);
  Put16(s, F.Channels);
  Put32(s, F.Frequency);
  Put32(s, F.Frequency * F.Block);
  Put16(s, F.Block);
  Put16(s, F.Bits);
  return s;
}

std::string Chunk(const std::string& Id, const std::string& Body) {
  std::string s = Id;
  Put32(s, static_cast<uint32_t>(Body.size()));
  s += Body;
  if (Body.size() % 2) s += '\0';
  return s;
}

std::string Riff(const std::string& Chunks) {
  std::string s = "RIFF";
  Put32(s, static_cast<uint32_t>(4 + Chunks.size()));
  return s + "WAVE" + Chunks;
}

// A tenth of a second of a quiet 16-bit mono tone.
std::string Tone() {
  std::string samples;
  for (int i = 0; i < 1102; ++i) Put16(samples, static_cast<uint16_t>(i % 50 < 25 ? 800 : -800));
  return samples;
}

std::string GoodWave() { return Riff(FormatChunk({}) + Chunk("data", Tone())); }

std::span<const uint8_t> Bytes(const std::string& S) {
  return {reinterpret_cast<const uint8_t*>(S.data()), S.size()};
}

std::string With32(std::string S, size_t At, uint32_t V) {
  std::string v;
  Put32(v, V);
  return S.replace(At, 4, v);
}

struct TWaveCase {
  const char* Name;
  std::string Bytes;
  const char* Refusal;  // nullptr: accepted
};

TEST(Win32Sound, WaveChecksRefuseWhatTheSystemWouldReadPast) {
  const std::string good = GoodWave();
  const std::string data = Chunk("data", Tone());
  const TWaveCase cases[] = {
      {"good", good, nullptr},
      {"an odd chunk before the data", Riff(FormatChunk({}) + Chunk("LIST", "abc") + data), nullptr},
      {"bytes after the RIFF chunk", good + "trailing", nullptr},
      {"8 channels of 24 bits", Riff(FormatChunk({1, 8, 48000, 24, 24}) + Chunk("data", std::string(48, '\0'))),
       nullptr},
      {"empty", "", "not a WAV file"},
      {"text", "this is no sound at all, just some text", "not a WAV file"},
      {"truncated", good.substr(0, good.size() - 10), "cut short"},
      {"4 GB RIFF", With32(good, 4, 0xFFFFFFF0u), "cut short"},
      {"4 GB of data", With32(good, 40, 0xFFFFFFF0u), "cut short"},
      {"a chunk past the end", Riff(FormatChunk({}) + With32(Chunk("LIST", "abcd"), 4, 1000) + data),
       "cut short"},
      {"0 Hz", Riff(FormatChunk({1, 1, 0, 16, 2}) + data), "a sample rate of 0 Hz"},
      {"0 channels", Riff(FormatChunk({1, 0, 11025, 16, 2}) + data), "0 channels"},
      {"9 channels", Riff(FormatChunk({1, 9, 11025, 16, 18}) + data), "9 channels"},
      {"0-byte frames", Riff(FormatChunk({1, 1, 11025, 16, 0}) + data), "a sample frame of 0 bytes"},
      {"12-bit samples", Riff(FormatChunk({1, 1, 11025, 12, 2}) + data), "12-bit samples"},
      {"frames that do not add up", Riff(FormatChunk({1, 2, 11025, 16, 2}) + data), "in frames of 2 bytes"},
      {"short format chunk", Riff(Chunk("fmt ", "12345678") + data), "the format chunk is too short"},
      {"no samples", Riff(FormatChunk({}) + Chunk("data", "")), "no sound data"},
      {"less than a frame", Riff(FormatChunk({1, 2, 11025, 16, 4}) + Chunk("data", "ab")), "no sound data"},
      {"data before format", Riff(data + FormatChunk({})), "no format chunk before the sound data"},
      {"no data chunk", Riff(FormatChunk({})), "no sound data"},
      {"no chunks", Riff(""), "no format chunk"},
  };
  for (const TWaveCase& c : cases) {
    try {
      const std::span<const uint8_t> riff = CheckedWave(Bytes(c.Bytes));
      EXPECT_EQ(c.Refusal, nullptr) << c.Name << " is accepted";
      EXPECT_EQ(riff.data(), Bytes(c.Bytes).data()) << c.Name;
      EXPECT_LE(riff.size(), c.Bytes.size()) << c.Name;
      EXPECT_EQ(std::string(riff.begin(), riff.end()).substr(0, 4), "RIFF") << c.Name;
    } catch (const EOSError& e) {
      ASSERT_NE(c.Refusal, nullptr) << c.Name << " is refused: " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.Refusal), std::string::npos) << c.Name << ": " << e.what();
    }
  }
  // The program's own crackle passes.
  const TResourceData crackle = FindResourceData("FIREPLACE_WAV", TResourceType::Sound);
  ASSERT_TRUE(crackle.Found);
  EXPECT_EQ(CheckedWave(crackle.Bytes).size(), crackle.Bytes.size());
}

class Win32SoundFiles : public ::testing::Test {
 protected:
  Win32SoundFiles() : Dir(std::filesystem::temp_directory_path() / "emberhall sound test") {
    std::filesystem::create_directories(Dir);
  }
  ~Win32SoundFiles() override {
    std::error_code ignored;
    std::filesystem::remove_all(Dir, ignored);
  }
  std::string Write(const std::string& Name, const std::string& Bytes) {
    std::ofstream(Dir / Name, std::ios::binary) << Bytes;
    return (Dir / Name).string();
  }
  static size_t Lines(const std::string& Text) { return size_t(std::count(Text.begin(), Text.end(), '\n')); }

  std::filesystem::path Dir;
};

// A bad or missing sound plays nothing and gives one line naming it.
TEST_F(Win32SoundFiles, BadSoundsPlayNothingAndSayWhy) {
  const std::string good = GoodWave();
  const struct {
    std::string Name;
    TSoundSource Source;
    const char* Reason;
  } cases[] = {
      {Write("cut.wav", good.substr(0, good.size() - 10)), TSoundSource::File, "cut short"},
      {Write("text.wav", "no sound here"), TSoundSource::File, "not a WAV file"},
      {(Dir / "missing.wav").string(), TSoundSource::File, ""},
      {"NO_SUCH_WAV", TSoundSource::Resource, "no sound resource of this name"},
  };
  TWin32Sound player;
  for (const auto& c : cases) {
    ::testing::internal::CaptureStderr();
    player.Play(c.Name, c.Source, true);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(player.Started()) << c.Name;
    EXPECT_EQ(said.find("emberhall: no sound from " + c.Name + ": "), 0u) << said;
    EXPECT_NE(said.find(c.Reason), std::string::npos) << said;
    EXPECT_EQ(Lines(said), 1u) << said;
  }
}

// A good sound, from a file and from the resources, once and looping: with a
// wave output device the system takes it and nothing is said; without one
// the player says so once, however often it is asked to play.
TEST_F(Win32SoundFiles, GoodSoundsPlayOrTheMissingDeviceIsSaidOnce) {
  const std::string file = Write("tone.wav", GoodWave());
  const bool device = waveOutGetNumDevs() > 0;
  TWin32Sound player;
  ::testing::internal::CaptureStderr();
  for (bool looping : {false, true}) {
    player.Play(file, TSoundSource::File, looping);
    EXPECT_EQ(player.Started(), device) << "file, looping " << looping;
    player.Play("fireplace_wav", TSoundSource::Resource, looping);
    EXPECT_EQ(player.Started(), device) << "resource, looping " << looping;
    player.Stop();
    EXPECT_FALSE(player.Started());
  }
  const std::string said = ::testing::internal::GetCapturedStderr();
  if (device) {
    EXPECT_EQ(said, "");
  } else {
    EXPECT_EQ(said.find("emberhall: no sound device ("), 0u) << said;
    EXPECT_EQ(Lines(said), 1u) << said;
  }
}

}  // namespace
}  // namespace emberhall

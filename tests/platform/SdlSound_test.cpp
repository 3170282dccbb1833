// The sound player on SDL's "disk" audio driver, which writes what the
// device plays into a file: the samples from the first one, the seam of a
// loop, restarts, stops, the end of a sound played once, and what bad WAV
// files and a missing device get.
#include "platform/sdl/SdlSound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/Resources.h"
#include "support/TestSupport.h"

namespace emberhall {
namespace {

using namespace std::chrono_literals;

struct TWaveHeader {
  uint16_t Tag = 1;  // PCM
  uint16_t Channels = 1;
  uint32_t Frequency = 11025;
  uint16_t Bits = 16;
};

void Put16(std::string& S, uint32_t V) {
  S += static_cast<char>(V & 0xFF);
  S += static_cast<char>((V >> 8) & 0xFF);
}
void Put32(std::string& S, uint32_t V) {
  Put16(S, V & 0xFFFF);
  Put16(S, V >> 16);
}

std::string WaveFile(const TWaveHeader& H, const std::string& Data) {
  const uint16_t block = static_cast<uint16_t>(H.Channels * H.Bits / 8);
  std::string s = "RIFF";
  Put32(s, static_cast<uint32_t>(36 + Data.size()));
  s += "WAVEfmt ";
  Put32(s, 16);
  Put16(s, H.Tag);
  Put16(s, H.Channels);
  Put32(s, H.Frequency);
  Put32(s, H.Frequency * block);
  Put16(s, block);
  Put16(s, H.Bits);
  s += "data";
  Put32(s, static_cast<uint32_t>(Data.size()));
  return s + Data;
}

// 16-bit samples that never repeat within a sound of up to 20000 frames.
std::vector<int16_t> Ramp(size_t Count) {
  std::vector<int16_t> v(Count);
  for (size_t i = 0; i < Count; ++i) v[i] = static_cast<int16_t>(int(i * 3 % 60000) - 30000);
  return v;
}

std::string Bytes16(const std::vector<int16_t>& Samples) {
  std::string s;
  for (int16_t v : Samples) Put16(s, static_cast<uint16_t>(v));
  return s;
}

std::vector<int16_t> Samples16(const std::string& Bytes) {
  std::vector<int16_t> v(Bytes.size() / 2);
  std::memcpy(v.data(), Bytes.data(), v.size() * 2);
  return v;
}

// Where the sound begins in what the device played: the device plays
// silence while it is being prepared.
size_t LeadingZeros(const std::vector<int16_t>& V) {
  return static_cast<size_t>(std::find_if(V.begin(), V.end(), [](int16_t x) { return x != 0; }) - V.begin());
}

size_t Start(const std::vector<int16_t>& Played, const std::vector<int16_t>& Sound) {
  const size_t played = LeadingZeros(Played), sound = LeadingZeros(Sound);
  EXPECT_GE(played, sound);
  return played >= sound ? played - sound : 0;
}

// How many samples differ from the sound played in a loop from Start.
size_t Mismatches(const std::vector<int16_t>& Played, size_t Start, const std::vector<int16_t>& Sound) {
  size_t wrong = 0;
  for (size_t k = Start; k < Played.size(); ++k) wrong += Played[k] != Sound[(k - Start) % Sound.size()];
  return wrong;
}

bool WaitFor(const std::function<bool()>& Done) {
  for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;
       std::this_thread::sleep_for(5ms))
    if (Done()) return true;
  return Done();
}

class SdlSound : public ::testing::Test {
 protected:
  SdlSound() {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);  // ms per buffer: many times faster than real time
    Output(Dir.File("out.raw"));
  }
  ~SdlSound() override {
    Player.Stop();
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    unsetenv("SDL_DISKAUDIODELAY");
  }
  void Output(const std::string& Path) {
    FOutput = Path;
    setenv("SDL_DISKAUDIOFILE", Path.c_str(), 1);
  }
  size_t Written(const std::string& Path) const {
    std::error_code ec;
    const auto n = std::filesystem::file_size(Path, ec);
    return ec ? 0 : static_cast<size_t>(n);
  }
  std::string PlayFile(const std::string& Bytes, bool Looping) {
    const std::string file = Dir.File("sound.wav");
    test::WriteFile(file, Bytes);
    Player.Play(file, TSoundSource::File, Looping);
    return file;
  }
  // Stops a looping sound once the device has written Samples samples after
  // the silence it starts with (longer on a busy machine).
  std::vector<int16_t> RunLoop(size_t Samples) {
    EXPECT_TRUE(WaitFor([&] {
      if (Written(FOutput) < Samples * 2) return false;
      const std::vector<int16_t> played = Samples16(test::ReadFile(FOutput));
      return played.size() >= LeadingZeros(played) + Samples;
    }));
    Player.Stop();
    return Samples16(test::ReadFile(FOutput));
  }

  test::TTempDir Dir;
  std::string FOutput;
  TSdlSound Player;
};

struct TOnceCase {
  const char* Name;
  TWaveHeader Header;
  std::string Data;
  std::vector<int16_t> Expected;  // as the device plays them (16-bit)
  int Tolerance;                  // SDL scales 8-bit samples through floats
};

// A sound played once: its samples from the first, in the device's format,
// then only silence; the device closes by itself.
TEST_F(SdlSound, PlaysOnceFromTheFirstSampleThenClosesTheDevice) {
  const std::vector<int16_t> ramp = Ramp(3000);
  std::string bytes8;
  std::vector<int16_t> from8;
  for (int i = 0; i < 256; ++i) {
    bytes8 += static_cast<char>(i);
    from8.push_back(static_cast<int16_t>((i - 128) * 256));
  }
  const TOnceCase cases[] = {
      {"16-bit mono", {}, Bytes16(ramp), ramp, 0},
      {"16-bit stereo", {1, 2, 22050, 16}, Bytes16(ramp), ramp, 0},
      {"8-bit mono", {1, 1, 8000, 8}, bytes8, from8, 256},
  };
  for (const TOnceCase& c : cases) {
    Output(Dir.File(std::string(c.Name) + ".raw"));
    PlayFile(WaveFile(c.Header, c.Data), false);
    EXPECT_TRUE(WaitFor([&] { return !Player.Playing(); })) << c.Name << ": the sound does not end";
    EXPECT_FALSE(Player.DeviceOpen()) << c.Name << ": the device stays open";
    const std::vector<int16_t> played = Samples16(test::ReadFile(FOutput));
    const size_t start = Start(played, c.Expected), end = start + c.Expected.size();
    ASSERT_GE(played.size(), end) << c.Name;
    EXPECT_TRUE(std::equal(c.Expected.begin(), c.Expected.end(), played.begin() + ptrdiff_t(start),
                           [&](int16_t e, int16_t p) { return std::abs(e - p) <= c.Tolerance; }))
        << c.Name;
    EXPECT_TRUE(std::all_of(played.begin() + ptrdiff_t(end), played.end(), [](int16_t v) { return v == 0; }))
        << c.Name << ": more than silence after the end";
  }
}

// The embedded crackle, looping: every sample played is the sound's own at
// its place in the loop, across several seams (no gap, nothing repeated).
TEST_F(SdlSound, LoopsTheCrackleWithoutAGapAtTheSeam) {
  const TResourceData resource = FindResourceData("FIREPLACE_WAV", TResourceType::Sound);
  ASSERT_TRUE(resource.Found);
  const std::vector<int16_t> wav = Samples16(std::string(resource.Bytes.begin() + 44, resource.Bytes.end()));
  Player.Play("fireplace_wav", TSoundSource::Resource, true);
  const std::vector<int16_t> played = RunLoop(wav.size() * 3 + 10000);
  const size_t start = Start(played, wav);
  ASSERT_GT(played.size(), start + wav.size() * 3);
  EXPECT_EQ(Mismatches(played, start, wav), 0u);
}

// Play while playing starts again from the first sample; Stop ends the
// output and closes the device.
TEST_F(SdlSound, PlayAgainRestartsAndStopSilences) {
  const std::vector<int16_t> ramp = Ramp(20000);
  PlayFile(WaveFile({}, Bytes16(ramp)), true);
  ASSERT_TRUE(WaitFor([&] { return Written(FOutput) >= 15000 * 2; }));
  Output(Dir.File("again.raw"));
  PlayFile(WaveFile({}, Bytes16(ramp)), true);
  const std::vector<int16_t> again = RunLoop(35000);
  EXPECT_FALSE(Player.DeviceOpen());
  const size_t start = Start(again, ramp);
  ASSERT_GE(again.size(), start + 20000);
  EXPECT_EQ(Mismatches(again, start, ramp), 0u) << "the second play does not start from the first sample";
  const size_t stopped = Written(FOutput);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(Written(FOutput), stopped) << "output goes on after Stop";
}

struct TBadCase {
  const char* Name;
  std::string Bytes;
  const char* Reason;
};

// Bad WAV files play nothing, open no device and give one line on stderr;
// nothing claimed by a header is allocated (a 4 GB claim is refused first).
TEST_F(SdlSound, BadWaveFilesPlayNothingAndSayWhy) {
  const std::string good = WaveFile({}, Bytes16(Ramp(100)));
  auto with32 = [&](size_t At, uint32_t V) {
    std::string s = good;
    std::string v;
    Put32(v, V);
    return s.replace(At, 4, v);
  };
  std::string channels255 = good;
  channels255[22] = static_cast<char>(255);
  std::string dataFirst = "RIFF" + good.substr(4, 8) + good.substr(36) + good.substr(12, 24);
  const TBadCase cases[] = {
      {"empty", "", "not a WAV file"},
      {"text", "this is no sound at all, just some text", "not a WAV file"},
      {"truncated", good.substr(0, good.size() - 10), "cut short"},
      {"4 GB of data", with32(40, 0xFFFFFFF0u), "cut short"},
      {"4 GB RIFF", with32(4, 0xFFFFFFF0u), "cut short"},
      {"0 Hz", with32(24, 0), "a sample rate of 0 Hz"},
      {"255 channels", channels255, "255 channels"},
      {"no samples", WaveFile({}, ""), "no sound data"},
      {"data before format", dataFirst, "no format chunk before the sound data"},
      {"no data chunk", [&] { return with32(4, 28).substr(0, 36); }(), "no sound data"},
      {"unknown encoding", WaveFile({0x55, 1, 11025, 16}, Bytes16(Ramp(100))), "not a playable WAV file"},
  };
  for (const TBadCase& c : cases) {
    ::testing::internal::CaptureStderr();
    const std::string file = PlayFile(c.Bytes, true);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(Player.DeviceOpen()) << c.Name;
    EXPECT_EQ(said.find("emberhall: no sound from " + file + ": "), 0u) << c.Name << ": " << said;
    EXPECT_NE(said.find(c.Reason), std::string::npos) << c.Name << ": " << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << c.Name << ": " << said;
  }
  EXPECT_EQ(Written(FOutput), 0u);
  ::testing::internal::CaptureStderr();
  Player.Play(Dir.File("missing.wav"), TSoundSource::File, false);
  Player.Play("NO_SUCH_WAV", TSoundSource::Resource, false);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
  EXPECT_NE(said.find("missing.wav"), std::string::npos) << said;
  EXPECT_NE(said.find("NO_SUCH_WAV"), std::string::npos) << said;
}

// Without any audio output the program goes on silently after one line: no
// driver at all, or ALSA without a card (whose library would print lines of
// its own).
TEST_F(SdlSound, NoDeviceIsReportedOnceAndPlaysNothing) {
  const std::string noCards = Dir.File("alsa.conf");
  test::WriteFile(noCards, "\n");
  for (const char* driver : {"no-such-driver", "alsa"}) {
    setenv("SDL_AUDIODRIVER", driver, 1);
    setenv("ALSA_CONFIG_PATH", noCards.c_str(), 1);
    TSdlSound player;
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
      player.Play("fireplace_wav", TSoundSource::Resource, true);
      player.Stop();  // waits for the sound's thread to give up
      EXPECT_FALSE(player.DeviceOpen()) << driver;
    }
    const std::string said = ::testing::internal::GetCapturedStderr();
    unsetenv("ALSA_CONFIG_PATH");
    EXPECT_EQ(said.find("emberhall: no sound device ("), 0u) << driver << ": " << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << driver << ": " << said;
    setenv("SDL_AUDIODRIVER", "disk", 1);
    player.Play("fireplace_wav", TSoundSource::Resource, true);
    EXPECT_TRUE(WaitFor([&] { return player.DeviceOpen(); })) << driver << ": a device that appears later is not used";
  }
}

}  // namespace
}  // namespace emberhall

#include "platform/WaveCheck.h"

#include <cstring>
#include <string>

#include "platform/SysUtils.h"

namespace emberhall {

namespace {

constexpr uint16_t WavePcm = 1;

uint32_t Get32(std::span<const uint8_t> B, size_t At) {
  return uint32_t(B[At]) | uint32_t(B[At + 1]) << 8 | uint32_t(B[At + 2]) << 16 | uint32_t(B[At + 3]) << 24;
}
uint16_t Get16(std::span<const uint8_t> B, size_t At) { return static_cast<uint16_t>(B[At] | B[At + 1] << 8); }
bool IsId(std::span<const uint8_t> B, size_t At, const char* Id) { return std::memcmp(B.data() + At, Id, 4) == 0; }

[[noreturn]] void Refuse(const std::string& Why) { throw EOSError(Why); }

// The frame size (block alignment) of a sound format chunk.
uint16_t CheckFormatChunk(std::span<const uint8_t> Chunk) {
  if (Chunk.size() < 16) Refuse("the format chunk is too short");
  const uint16_t tag = Get16(Chunk, 0), channels = Get16(Chunk, 2), block = Get16(Chunk, 12),
                 bits = Get16(Chunk, 14);
  const uint32_t frequency = Get32(Chunk, 4);
  if (channels == 0 || channels > MaxWaveChannels)
    Refuse(IntToStr(channels) + " channels (1 to " + IntToStr(MaxWaveChannels) + " can be played)");
  if (frequency < uint32_t(MinWaveFrequency) || frequency > uint32_t(MaxWaveFrequency))
    Refuse("a sample rate of " + IntToStr(frequency) + " Hz");
  if (block == 0) Refuse("a sample frame of 0 bytes");
  // Compressed formats are the system's to judge; plain samples must add up.
  if (tag == WavePcm && (bits == 0 || bits > 32 || bits % 8 != 0 || block != channels * (bits / 8)))
    Refuse(IntToStr(bits) + "-bit samples in frames of " + IntToStr(block) + " bytes");
  return block;
}

}  // namespace

std::span<const uint8_t> CheckedWave(std::span<const uint8_t> Bytes) {
  if (Bytes.size() > MaxWaveBytes) Refuse("the file is too large");
  if (Bytes.size() < 12 || !IsId(Bytes, 0, "RIFF") || !IsId(Bytes, 8, "WAVE")) Refuse("not a WAV file");
  const uint64_t riffEnd = 8 + uint64_t(Get32(Bytes, 4));
  if (riffEnd > Bytes.size())
    Refuse("the file is cut short (" + IntToStr(int64_t(riffEnd)) + " bytes announced, " +
           IntToStr(int64_t(Bytes.size())) + " present)");
  const std::span<const uint8_t> riff = Bytes.first(static_cast<size_t>(riffEnd));
  uint16_t block = 0;
  for (uint64_t at = 12;;) {
    if (at + 8 > riffEnd) Refuse(block ? "no sound data" : "no format chunk");
    const uint64_t length = Get32(riff, at + 4), body = at + 8;
    if (length > riffEnd - body) Refuse("the file is cut short (a chunk runs past its end)");
    const std::span<const uint8_t> chunk = riff.subspan(static_cast<size_t>(body), static_cast<size_t>(length));
    if (IsId(riff, at, "fmt ")) {
      block = CheckFormatChunk(chunk);
    } else if (IsId(riff, at, "data")) {
      if (!block) Refuse("no format chunk before the sound data");
      if (length < block) Refuse("no sound data");
      return riff;
    }
    at = body + length + (length & 1);
  }
}

}  // namespace emberhall

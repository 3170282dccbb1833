#include "platform/sdl/SdlWave.h"

#include <SDL.h>

#include <cstring>
#include <string>

#include "platform/SysUtils.h"

namespace emberhall {

static_assert(SampleU8 == AUDIO_U8 && SampleS16LE == AUDIO_S16LSB && SampleF32LE == AUDIO_F32LSB);

namespace {

// The converted sound may not outgrow this (a device of 8 float channels
// could otherwise ask for 32 times the bytes of an 8-bit mono file).
constexpr size_t MaxConvertedBytes = 256 * 1024 * 1024;

uint32_t Get32(std::span<const uint8_t> B, size_t At) {
  return uint32_t(B[At]) | uint32_t(B[At + 1]) << 8 | uint32_t(B[At + 2]) << 16 | uint32_t(B[At + 3]) << 24;
}
uint16_t Get16(std::span<const uint8_t> B, size_t At) { return static_cast<uint16_t>(B[At] | B[At + 1] << 8); }
bool IsId(std::span<const uint8_t> B, size_t At, const char* Id) { return std::memcmp(B.data() + At, Id, 4) == 0; }

[[noreturn]] void Refuse(const std::string& Why) { throw EOSError(Why); }

void CheckFormatChunk(std::span<const uint8_t> Chunk) {
  if (Chunk.size() < 16) Refuse("the format chunk is too short");
  const uint16_t channels = Get16(Chunk, 2);
  const uint32_t frequency = Get32(Chunk, 4);
  if (channels == 0 || channels > MaxWaveChannels)
    Refuse(IntToStr(channels) + " channels (1 to " + IntToStr(MaxWaveChannels) + " can be played)");
  if (frequency < MinWaveFrequency || frequency > MaxWaveFrequency)
    Refuse("a sample rate of " + IntToStr(frequency) + " Hz");
}

// The bytes of the RIFF chunk, once its format chunk is sound and its chunks
// up to and including the data lie inside them.
std::span<const uint8_t> CheckedRiff(std::span<const uint8_t> Bytes) {
  if (Bytes.size() > MaxWaveBytes) Refuse("the file is too large");
  if (Bytes.size() < 12 || !IsId(Bytes, 0, "RIFF") || !IsId(Bytes, 8, "WAVE")) Refuse("not a WAV file");
  const uint64_t riffEnd = 8 + uint64_t(Get32(Bytes, 4));
  if (riffEnd > Bytes.size())
    Refuse("the file is cut short (" + IntToStr(int64_t(riffEnd)) + " bytes announced, " +
           IntToStr(int64_t(Bytes.size())) + " present)");
  const std::span<const uint8_t> riff = Bytes.first(static_cast<size_t>(riffEnd));
  bool format = false;
  for (uint64_t at = 12;;) {
    if (at + 8 > riffEnd) Refuse(format ? "no sound data" : "no format chunk");
    const uint64_t length = Get32(riff, at + 4), body = at + 8;
    if (length > riffEnd - body) Refuse("the file is cut short (a chunk runs past its end)");
    const std::span<const uint8_t> chunk = riff.subspan(static_cast<size_t>(body), static_cast<size_t>(length));
    if (IsId(riff, at, "fmt ")) {
      CheckFormatChunk(chunk);
      format = true;
    } else if (IsId(riff, at, "data")) {
      if (!format) Refuse("no format chunk before the sound data");
      if (length == 0) Refuse("no sound data");
      return riff;
    }
    at = body + length + (length & 1);
  }
}

}  // namespace

TWaveSamples DecodeWave(std::span<const uint8_t> Bytes) {
  const std::span<const uint8_t> riff = CheckedRiff(Bytes);
  SDL_RWops* source = SDL_RWFromConstMem(riff.data(), static_cast<int>(riff.size()));
  if (!source) Refuse(SDL_GetError());
  SDL_AudioSpec audio{};
  Uint8* buffer = nullptr;
  Uint32 length = 0;
  if (!SDL_LoadWAV_RW(source, 1, &audio, &buffer, &length)) Refuse(std::string("not a playable WAV file: ") + SDL_GetError());
  TWaveSamples wave;
  wave.Layout = {audio.freq, audio.format, audio.channels};
  const size_t frame = size_t(SDL_AUDIO_BITSIZE(audio.format) / 8) * audio.channels;
  const size_t whole = frame == 0 ? 0 : length / frame * frame;
  wave.Bytes.assign(buffer, buffer + whole);
  SDL_FreeWAV(buffer);
  if (wave.Bytes.empty()) Refuse("no sound data");
  return wave;
}

std::vector<uint8_t> ConvertWave(const TWaveSamples& Wave, uint16_t TargetFormat, int TargetChannels) {
  const TSampleLayout& from = Wave.Layout;
  SDL_AudioCVT cvt;
  if (SDL_BuildAudioCVT(&cvt, from.Format, static_cast<Uint8>(from.Channels), from.Frequency, TargetFormat,
                        static_cast<Uint8>(TargetChannels), from.Frequency) < 0)
    Refuse(std::string("cannot convert the samples: ") + SDL_GetError());
  if (!cvt.needed) return Wave.Bytes;
  const size_t length = Wave.Bytes.size();
  if (cvt.len_mult <= 0 || length > MaxConvertedBytes / static_cast<size_t>(cvt.len_mult))
    Refuse("the sound is too long to play");
  std::vector<uint8_t> buffer(length * static_cast<size_t>(cvt.len_mult));
  std::memcpy(buffer.data(), Wave.Bytes.data(), length);
  cvt.buf = buffer.data();
  cvt.len = static_cast<int>(length);
  if (SDL_ConvertAudio(&cvt) < 0) Refuse(std::string("cannot convert the samples: ") + SDL_GetError());
  buffer.resize(static_cast<size_t>(cvt.len_cvt));
  return buffer;
}

}  // namespace emberhall

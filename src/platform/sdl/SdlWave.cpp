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

[[noreturn]] void Refuse(const std::string& Why) { throw EOSError(Why); }

}  // namespace

TWaveSamples DecodeWave(std::span<const uint8_t> Bytes) {
  const std::span<const uint8_t> riff = CheckedWave(Bytes);
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

// WAV bytes into samples ready for an audio device: the RIFF layout is
// checked before SDL's loader sees it (every chunk up to the data must lie
// inside the bytes, so no size claimed by a header is ever allocated), SDL
// decodes the samples (PCM, float, ADPCM, A-law, mu-law), and they are
// converted once to a device's sample format and channel count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/WaveCheck.h"

namespace emberhall {

// Sample format codes as SDL numbers them (AUDIO_S16SYS and friends), and
// a few of them by name for code that does not include SDL.
constexpr uint16_t SampleU8 = 0x0008, SampleS16LE = 0x8010, SampleF32LE = 0x8120;

struct TSampleLayout {
  int Frequency = 0;
  uint16_t Format = 0;
  int Channels = 0;
  bool operator==(const TSampleLayout&) const = default;
};

struct TWaveSamples {
  TSampleLayout Layout;
  std::vector<uint8_t> Bytes;  // whole frames, interleaved
};


// Raises EOSError with the reason ("not a WAV file", "the file is cut
// short", ...) for anything that is not a WAV of at least one sample frame.
TWaveSamples DecodeWave(std::span<const uint8_t> Bytes);

// The samples in Target's format and channel count, at their own rate (the
// device resamples, so a loop's seam never meets a resampler's edge).
// Raises EOSError when SDL cannot convert them.
std::vector<uint8_t> ConvertWave(const TWaveSamples& Wave, uint16_t TargetFormat, int TargetChannels);

}  // namespace emberhall

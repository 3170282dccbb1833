// The RIFF layout of a WAV file, checked before a system's loader or player
// reads it: every chunk up to the data must lie inside the bytes, so that no
// size claimed by a header is ever read past or allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace emberhall {

// WAV files larger than this are refused (the crackle is 56 KB).
constexpr size_t MaxWaveBytes = 16 * 1024 * 1024;
// Channel counts and sample rates outside these are refused.
constexpr int MaxWaveChannels = 8;
constexpr int MinWaveFrequency = 1000, MaxWaveFrequency = 384000;

// The RIFF chunk of a WAV (the bytes it announces) once it holds a sound
// format chunk and at least one whole sample frame of data, with every chunk
// up to the data inside it. Raises EOSError with the reason ("not a WAV
// file", "the file is cut short", ...) otherwise.
std::span<const uint8_t> CheckedWave(std::span<const uint8_t> Bytes);

}  // namespace emberhall

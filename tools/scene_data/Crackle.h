// The crackle sound: about five seconds of fire at 11 025 Hz, mono, 16-bit
// PCM, made to loop without a click at the seam.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scenedata {

constexpr int kSampleRate = 11025;
constexpr int kCrackleSamples = kSampleRate * 5;

std::vector<int16_t> CrackleSamples();
// A RIFF/WAVE file holding the samples.
std::string WaveFile(const std::vector<int16_t>& Samples);

}  // namespace scenedata

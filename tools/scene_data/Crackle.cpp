#include "Crackle.h"

#include <algorithm>
#include <cmath>

#include "Random.h"

namespace scenedata {

namespace {

constexpr int N = kCrackleSamples;
const double kPi = std::acos(-1.0);

// A one-pole low-pass run twice round the loop, so that its end flows into
// its start: the result is periodic in N.
std::vector<double> LoopedLowPass(const std::vector<double>& In, double Cutoff) {
  const double a = std::exp(-2 * kPi * Cutoff / kSampleRate);
  std::vector<double> out(In.size());
  double state = 0;
  for (int pass = 0; pass < 2; ++pass)
    for (size_t i = 0; i < In.size(); ++i) out[i] = state = (1 - a) * In[i] + a * state;
  return out;
}

// The soft bed: a dark roar and a little hiss, swelling slowly (the swell
// completes whole cycles in the loop).
std::vector<double> Bed(TRandom& R) {
  std::vector<double> white(N);
  for (double& s : white) s = R.Range(-1, 1);
  const std::vector<double> roar = LoopedLowPass(LoopedLowPass(white, 180), 260);
  const std::vector<double> hiss = LoopedLowPass(white, 1400);
  std::vector<double> bed(N);
  for (int i = 0; i < N; ++i) {
    const double t = double(i) / N;
    const double swell = 1 + 0.25 * std::sin(2 * kPi * 2 * t) + 0.15 * std::sin(2 * kPi * 5 * t + 1.3);
    bed[i] = swell * (0.5 * roar[i] + 0.03 * (hiss[i] - roar[i]));
  }
  return bed;
}

// Adds an event at Start, wrapping round the loop's end.
template <typename Shape>
void AddEvent(std::vector<double>& Out, int Start, int Length, Shape Sample) {
  for (int k = 0; k < Length; ++k) Out[static_cast<size_t>((Start + k) % N)] += Sample(k);
}

// A snap: a burst of bright noise that dies within a few milliseconds.
void Snap(std::vector<double>& Out, TRandom& R, int Start, double Level) {
  const double decay = R.Range(0.0015, 0.006) * kSampleRate;
  double previous = 0;
  AddEvent(Out, Start, static_cast<int>(decay * 6), [&](int k) {
    const double noise = R.Range(-1, 1);
    const double bright = noise - 0.7 * previous;  // tilts the burst toward the treble
    previous = noise;
    return Level * bright * std::exp(-k / decay);
  });
}

// A pop: a click that rings briefly at a pitch of its own.
void Pop(std::vector<double>& Out, TRandom& R, int Start, double Level) {
  const double pitch = R.Range(1200, 2600), decay = R.Range(0.002, 0.005) * kSampleRate;
  AddEvent(Out, Start, static_cast<int>(decay * 6), [&](int k) {
    return Level * std::sin(2 * kPi * pitch * k / kSampleRate) * std::exp(-k / decay);
  });
}

// A thump: a log settling, low and soft at the start.
void Thump(std::vector<double>& Out, TRandom& R, int Start, double Level) {
  const double pitch = R.Range(55, 85), decay = 0.09 * kSampleRate, attack = 0.006 * kSampleRate;
  AddEvent(Out, Start, static_cast<int>(decay * 5), [&](int k) {
    const double rise = std::min(1.0, k / attack);
    return Level * rise * std::sin(2 * kPi * pitch * k / kSampleRate) * std::exp(-k / decay);
  });
}

}  // namespace

std::vector<int16_t> CrackleSamples() {
  TRandom r(2718);
  std::vector<double> sound = Bed(r);
  // Snaps come alone or in quick runs, at irregular times.
  for (int i = 0; i < 22; ++i) {
    const int start = r.Below(N);
    const int run = r.Uniform() < 0.3 ? 2 + r.Below(3) : 1;
    for (int k = 0, at = start; k < run; ++k, at += static_cast<int>(r.Range(0.006, 0.03) * kSampleRate))
      Snap(sound, r, at, r.Range(0.15, 0.7));
  }
  for (int i = 0; i < 7; ++i) Pop(sound, r, r.Below(N), r.Range(0.2, 0.45));
  Thump(sound, r, static_cast<int>(N * 0.31), 0.45);
  Thump(sound, r, static_cast<int>(N * 0.83), 0.3);
  double peak = 0;
  for (double s : sound) peak = std::max(peak, std::fabs(s));
  std::vector<int16_t> samples(N);
  for (int i = 0; i < N; ++i) samples[i] = static_cast<int16_t>(std::lround(std::tanh(1.2 * sound[i] / peak) * 26000));
  return samples;
}

std::string WaveFile(const std::vector<int16_t>& Samples) {
  std::string out;
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto put16 = [&](uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
  };
  const uint32_t dataBytes = static_cast<uint32_t>(Samples.size() * 2);
  out += "RIFF";
  put32(36 + dataBytes);
  out += "WAVEfmt ";
  put32(16);
  put16(1);  // PCM
  put16(1);  // mono
  put32(kSampleRate);
  put32(kSampleRate * 2);
  put16(2);
  put16(16);
  out += "data";
  put32(dataBytes);
  for (int16_t s : Samples) put16(static_cast<uint16_t>(s));
  return out;
}

}  // namespace scenedata

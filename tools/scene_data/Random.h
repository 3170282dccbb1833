// A small deterministic random source and tileable value noise, so that the
// generated data comes out the same on every machine.
#pragma once

#include <cmath>
#include <cstdint>

namespace scenedata {

class TRandom {
 public:
  explicit TRandom(uint64_t Seed) : FState(Seed) {}
  uint64_t Next() {
    uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // In [0, 1).
  double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  double Range(double Low, double High) { return Low + (High - Low) * Uniform(); }
  int Below(int N) { return static_cast<int>(Uniform() * N); }

 private:
  uint64_t FState;
};

// A value in [0, 1) for a lattice point, from a seed.
inline double LatticeValue(uint64_t Seed, int X, int Y) {
  TRandom r(Seed * 0x100000001B3ull ^ (static_cast<uint64_t>(static_cast<uint32_t>(X)) << 32) ^
            static_cast<uint32_t>(Y));
  return r.Uniform();
}

// Smooth noise over a lattice of Period x Period cells that wraps around, so
// a picture made of it tiles. X and Y in lattice units.
inline double TileNoise(uint64_t Seed, double X, double Y, int Period) {
  const double fx = std::floor(X), fy = std::floor(Y);
  const double tx = X - fx, ty = Y - fy;
  const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
  auto at = [&](int i, int j) {
    return LatticeValue(Seed, ((i % Period) + Period) % Period, ((j % Period) + Period) % Period);
  };
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  const double a = at(ix, iy), b = at(ix + 1, iy), c = at(ix, iy + 1), d = at(ix + 1, iy + 1);
  return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

// Several octaves of TileNoise; each octave doubles the lattice and still wraps.
inline double TileFractal(uint64_t Seed, double U, double V, int BasePeriod, int Octaves) {
  double sum = 0, weight = 0, amplitude = 1;
  int period = BasePeriod;
  for (int o = 0; o < Octaves; ++o) {
    sum += amplitude * TileNoise(Seed + static_cast<uint64_t>(o) * 7919, U * period, V * period, period);
    weight += amplitude;
    amplitude *= 0.5;
    period *= 2;
  }
  return sum / weight;
}

}  // namespace scenedata

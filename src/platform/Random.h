// The process-wide pseudo-random generator: a linear congruential generator
// whose seed is 0 when the process starts and is never reseeded, so every
// run draws the same sequence.
#pragma once

#include <cstdint>

namespace emberhall {

extern uint32_t RandSeed;

// A draw in 0..N-1: the seed advances as seed * 134775813 + 1 (mod 2^32)
// and the result is the upper 32 bits of the product of the new seed and N.
inline uint32_t Random(uint32_t N) {
  RandSeed = RandSeed * 134775813u + 1u;
  return static_cast<uint32_t>((static_cast<uint64_t>(RandSeed) * N) >> 32);
}

}  // namespace emberhall

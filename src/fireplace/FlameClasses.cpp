#include "fireplace/FlameClasses.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "fireplace/VectorClones.h"
#include "gl/GLTypes.h"
#include "platform/Random.h"

namespace emberhall {

namespace {

struct TRGBA {
  uint8_t R, G, B, A;
};

// Colour keys at heat 0, 256, 512, 768 and 1024 for each set.
constexpr TRGBA KeySets[5][5] = {
    {{6, 0, 0, 160}, {17, 2, 0, 80}, {255, 100, 0, 255}, {255, 255, 150, 255}, {255, 255, 255, 255}},
    {{6, 1, 0, 160}, {17, 4, 0, 80}, {255, 128, 0, 255}, {255, 255, 160, 255}, {255, 255, 255, 255}},
    {{6, 2, 0, 160}, {17, 6, 0, 80}, {255, 140, 0, 255}, {255, 255, 160, 255}, {255, 255, 255, 255}},
    {{6, 3, 0, 160}, {17, 8, 0, 80}, {255, 160, 0, 255}, {255, 255, 160, 255}, {255, 255, 255, 255}},
    {{25, 10, 0, 210}, {64, 16, 0, 180}, {255, 140, 0, 255}, {255, 255, 140, 255}, {255, 255, 255, 255}},
};

constexpr int32_t SourceFill = 0x19191919;  // every byte 25

// Byte k of a BGRA word (0 blue, 1 green, 2 red, 3 alpha).
inline int32_t ByteOf(uint32_t c, int k) { return static_cast<int32_t>((c >> (8 * k)) & 0xFF); }

// One row of the rise: D[i] = avg(S[i-1], S[i], S[i+1], D[i]) less Decay
// when it is at least Decay. All values are non-negative, so unsigned
// arithmetic and a shift give the same result as the signed division.
// Built for AVX2 as well as plain x86-64; the loader picks the best.
EMBERHALL_VECTOR_CLONES void RiseRows(int32_t* heat, int32_t width, int32_t height,
                                                                 int32_t L, int32_t R, uint32_t decay) {
  for (int32_t c = height - 1; c >= 1; --c) {
    uint32_t* __restrict d = reinterpret_cast<uint32_t*>(heat + static_cast<ptrdiff_t>(c - 1) * width);
    const uint32_t* __restrict s = reinterpret_cast<const uint32_t*>(heat + static_cast<ptrdiff_t>(c) * width);
    d[L] = 0;
    d[R] = 0;
    for (int32_t i = L + 1; i <= R - 1; ++i) {
      uint32_t v = (s[i - 1] + s[i] + s[i + 1] + d[i]) >> 2;
      d[i] = v >= decay ? v - decay : v;
    }
  }
}

}  // namespace

TFlame2D::TFlame2D() {
  Amplitude = 100;
  Decay = 2;
  SmoothRadius = 1;
  SetFlameWidth(200);
  TimeAccumulator = 0.0f;
  StepRate = 160;
  const int32_t positions[KeyCount] = {0, 256, 512, 768, 1024};
  std::copy(positions, positions + KeyCount, KeyPositions);
  SetFlameColor(0);
  SetSize(256, 256);
}

void TFlame2D::SetSize(int32_t AWidth, int32_t AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (AWidth == Width && AHeight == Height && !SourceLine.empty()) return;
  Width = AWidth;
  Height = AHeight;
  Heat.assign(static_cast<size_t>(Width) * static_cast<size_t>(Height), 0);
  SourceLine.assign(static_cast<size_t>(Width), SourceFill);
}

void TFlame2D::SetFlameWidth(int32_t Value) {
  // Before the buffers exist (during construction) any value is kept; it is
  // limited to the grid by ClampedFlameWidth when a step runs.
  FlameWidth = Width >= 2 ? std::clamp(Value, 0, Width - 2) : Value;
  std::fill(Heat.begin(), Heat.end(), 0);
}

int32_t TFlame2D::ClampedFlameWidth() const { return std::clamp(FlameWidth, 0, std::max(Width - 2, 0)); }

int32_t TFlame2D::ActiveLeft() const { return (Width - ClampedFlameWidth()) / 2; }

int32_t TFlame2D::ActiveRight() const { return Width - ActiveLeft(); }

void TFlame2D::SetFlameColor(int32_t Index) {
  const TRGBA* keys = KeySets[(Index >= 0 && Index <= 3) ? Index : 4];
  for (int k = 0; k < KeyCount; ++k) ColorKeys[k] = PackBGRA(keys[k].R, keys[k].G, keys[k].B, keys[k].A);
  BuildPalette();
  BuildDitherPalette();
}

void TFlame2D::BuildPalette() {
  for (int32_t s = 0; s < KeyCount - 1; ++s) {
    int32_t from = std::clamp(KeyPositions[s], 0, MaxHeat);
    int32_t to = std::clamp(KeyPositions[s + 1], 0, MaxHeat);
    for (int32_t j = from; j < to; ++j) {
      uint32_t c = 0;
      for (int k = 0; k < 4; ++k) {
        int32_t v = FlameLerp(ByteOf(ColorKeys[s], k), ByteOf(ColorKeys[s + 1], k), j - from, to - from);
        c |= static_cast<uint32_t>(v & 0xFF) << (8 * k);
      }
      Palette[j] = c;
    }
  }
  Palette[MaxHeat] = ColorKeys[KeyCount - 1];
}

void TFlame2D::BuildDitherPalette() {
  for (int32_t j = 0; j <= MaxHeat; ++j) {
    for (int p = 0; p < 4; ++p) {
      uint32_t c = 0;
      for (int k = 0; k < 4; ++k) {
        int32_t v = ByteOf(Palette[j], k);
        int32_t level = (v / 4) % 4;
        bool marked = (level == 2 && (p == 1 || p == 2)) || (level == 3 && p != 3);
        if (v < 240 && (v & 8) && marked) v += 16;
        c |= static_cast<uint32_t>(v) << (8 * k);
      }
      DitherPalette[j][p] = c;
    }
  }
}

int TFlame2D::Update(float DeltaTime) {
  TimeAccumulator = TimeAccumulator + DeltaTime;
  if (TimeAccumulator > 0.1f) TimeAccumulator = 0.1f;
  if (StepRate <= 0) return 0;
  // The interval and the subtraction are computed in extended precision and
  // stored back as a 32-bit float, so 0.1 s makes 15 steps, not 16.
  const long double interval = 1.0L / StepRate;
  int steps = 0;
  while (interval <= TimeAccumulator) {
    TimeAccumulator = static_cast<float>(TimeAccumulator - interval);
    Step();
    ++steps;
  }
  return steps;
}

void TFlame2D::Flicker(int32_t L, int32_t R) {
  const uint32_t n = static_cast<uint32_t>(2 * Amplitude + 1);
  for (int32_t i = L; i <= R; ++i) {
    int32_t r = static_cast<int32_t>(Random(n)) - Amplitude;
    int32_t v = SourceLine[i] + 4 * (r + 1);
    SourceLine[i] = v > MaxHeat ? MaxHeat : (v < 0 ? 0 : v);
  }
}

void TFlame2D::Smooth(int32_t L, int32_t R) {
  const int32_t span = R - L + 1;
  const int32_t radius = std::clamp(SmoothRadius, 0, span / 2);
  for (int32_t i = L; i <= R; ++i) {
    int32_t sum = 0;
    for (int32_t j = -radius; j <= radius; ++j) {
      int32_t d = i + j;
      if (d < L) d += span;
      else if (d > R) d -= span;
      sum += SourceLine[d];
    }
    SourceLine[i] = sum / (2 * radius + 1);
  }
}

void TFlame2D::FeedBottomRow(int32_t L, int32_t R) {
  int32_t* b = Row(Height - 1);
  for (int32_t i = L; i <= R; ++i) {
    if (i == L || i == R) {
      b[i] = 0;
    } else {
      b[i] = (SourceLine[i] + b[i] + SourceLine[i - 1] + SourceLine[i + 1]) / 4;
    }
  }
}

void TFlame2D::Rise(int32_t L, int32_t R) {
  RiseRows(Heat.data(), Width, Height, L, R, static_cast<uint32_t>(std::max(Decay, 0)));
}

void TFlame2D::Step() {
  if (Width < 2 || Height < 1) return;
  const int32_t L = ActiveLeft(), R = ActiveRight();
  Flicker(L, R);
  Smooth(L, R);
  FeedBottomRow(L, R);
  Rise(L, R);
}

}  // namespace emberhall

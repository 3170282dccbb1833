// The flame: a heat field in integer arithmetic, fed from below by a
// flickering source line, stepped at a fixed rate and turned into pixels
// through two precomputed palettes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace emberhall {

class TFlame2D {
 public:
  static constexpr int32_t MaxHeat = 1024;
  static constexpr int32_t KeyCount = 5;

  TFlame2D();
  ~TFlame2D() = default;
  TFlame2D(const TFlame2D&) = delete;
  TFlame2D& operator=(const TFlame2D&) = delete;

  // Replaces both buffers unless the size is unchanged: the grid restarts at
  // 0 and every source cell at 421075225 (each byte 25). Negative sizes count as 0.
  void SetSize(int32_t AWidth, int32_t AHeight);
  // Stores the width of the burning part and clears the grid. A value
  // outside 0..Width-2 is clamped into it here, so a step never leaves its buffers.
  void SetFlameWidth(int32_t Value);
  // Chooses a colour key set (0..3; any other index the last set) and
  // rebuilds both palettes.
  void SetFlameColor(int32_t Index);
  // Runs the fixed-rate steps that the accumulated time allows (at most
  // 0.1 s worth per call); returns how many ran.
  int Update(float DeltaTime);
  void Step();
  int32_t* Row(int32_t Index) { return Heat.data() + static_cast<size_t>(Index) * static_cast<size_t>(Width); }
  const int32_t* Row(int32_t Index) const {
    return Heat.data() + static_cast<size_t>(Index) * static_cast<size_t>(Width);
  }

  void BuildPalette();
  void BuildDitherPalette();

  // The columns L..R that a step works on: L = (Width - FlameWidth) div 2,
  // R = Width - L. FlameWidth is limited to 0..Width-2 here as well, in case
  // the size changed after it was set.
  int32_t ActiveLeft() const;
  int32_t ActiveRight() const;

  int32_t Height = 0;
  int32_t Width = 0;
  std::vector<int32_t> Heat;
  std::vector<int32_t> SourceLine;
  int32_t SmoothRadius = 1;
  // Heat lost per row and step; a negative value is treated as 0 by Step.
  int32_t Decay = 2;
  int32_t Amplitude = 100;
  float TimeAccumulator = 0.0f;
  int32_t StepRate = 160;
  int32_t FlameWidth = 200;
  uint32_t DitherPalette[MaxHeat + 1][4] = {};
  uint32_t Palette[MaxHeat + 1] = {};
  uint32_t ColorKeys[KeyCount] = {};
  int32_t KeyPositions[KeyCount] = {};

 private:
  int32_t ClampedFlameWidth() const;
  void Flicker(int32_t L, int32_t R);
  void Smooth(int32_t L, int32_t R);
  void FeedBottomRow(int32_t L, int32_t R);
  void Rise(int32_t L, int32_t R);
};

// lerp(a, b, t, n) = a + ((b - a) * t) div n, truncating toward zero.
constexpr int32_t FlameLerp(int32_t a, int32_t b, int32_t t, int32_t n) { return a + ((b - a) * t) / n; }

}  // namespace emberhall

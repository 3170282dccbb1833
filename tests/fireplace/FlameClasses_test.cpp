#include "fireplace/FlameClasses.h"

#include <algorithm>
#include <climits>

#include <gtest/gtest.h>

#include "fireplace/FlameTexture.h"
#include "gl/GLTypes.h"
#include "platform/Random.h"

using namespace emberhall;

namespace {

uint32_t BGRA(int r, int g, int b, int a) {
  return PackBGRA(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), static_cast<uint8_t>(a));
}

// The rules of a step written out plainly, on separate buffers.
struct TReferenceFlame {
  int32_t W, H, L, R, decay, amplitude = 100, radius = 1;
  std::vector<int32_t> heat, source;

  explicit TReferenceFlame(const TFlame2D& f)
      : W(f.Width), H(f.Height), L(f.ActiveLeft()), R(f.ActiveRight()), decay(std::max(f.Decay, 0)),
        heat(f.Heat), source(f.SourceLine) {}

  int32_t& At(int32_t row, int32_t col) { return heat[static_cast<size_t>(row * W + col)]; }

  void Step() {
    for (int32_t i = L; i <= R; ++i) {
      int32_t r = static_cast<int32_t>(Random(static_cast<uint32_t>(2 * amplitude + 1))) - amplitude;
      int32_t v = source[i] + 4 * (r + 1);
      source[i] = v > 1024 ? 1024 : v < 0 ? 0 : v;
    }
    for (int32_t i = L; i <= R; ++i) {
      int32_t sum = 0;
      for (int32_t j = -radius; j <= radius; ++j) {
        int32_t d = i + j;
        if (d < L) d += R - L + 1;
        if (d > R) d -= R - L + 1;
        sum += source[d];
      }
      source[i] = sum / (2 * radius + 1);
    }
    for (int32_t i = L; i <= R; ++i)
      At(H - 1, i) = (i == L || i == R) ? 0 : (source[i] + At(H - 1, i) + source[i - 1] + source[i + 1]) / 4;
    for (int32_t c = H - 1; c >= 1; --c) {
      At(c - 1, L) = 0;
      At(c - 1, R) = 0;
      for (int32_t i = L + 1; i <= R - 1; ++i) {
        int32_t v = (At(c, i - 1) + At(c, i) + At(c, i + 1) + At(c - 1, i)) / 4;
        if (v >= decay) v -= decay;
        At(c - 1, i) = v;
      }
    }
  }
};

}  // namespace

TEST(Flame, FirstDrawsOfTheGenerator) {
  RandSeed = 0;
  std::vector<uint32_t> draws;
  for (int i = 0; i < 6; ++i) draws.push_back(Random(201));
  EXPECT_EQ(draws, (std::vector<uint32_t>{0, 6, 173, 40, 54, 135}));
}

TEST(Flame, CreatedState) {
  TFlame2D f;
  EXPECT_EQ(f.Width, 256);
  EXPECT_EQ(f.Height, 256);
  EXPECT_EQ(f.FlameWidth, 200);
  EXPECT_EQ(f.ActiveLeft(), 28);
  EXPECT_EQ(f.ActiveRight(), 228);
  EXPECT_TRUE(std::all_of(f.Heat.begin(), f.Heat.end(), [](int32_t v) { return v == 0; }));
  EXPECT_TRUE(std::all_of(f.SourceLine.begin(), f.SourceLine.end(), [](int32_t v) { return v == 421075225; }));
  EXPECT_EQ(f.TimeAccumulator, 0.0f);
}

TEST(Flame, FirstStepIsFullyDetermined) {
  RandSeed = 0;
  TFlame2D f;
  f.Step();
  for (int i = 28; i <= 228; ++i) EXPECT_EQ(f.SourceLine[i], 1024) << i;
  for (int i = 29; i <= 227; ++i) EXPECT_EQ(f.Row(255)[i], 768) << i;
  EXPECT_EQ(f.Row(254)[29], 382);
  EXPECT_EQ(f.Row(254)[227], 382);
  for (int i = 30; i <= 226; ++i) EXPECT_EQ(f.Row(254)[i], 574) << i;
  EXPECT_EQ(f.Row(253)[29], 237);
  EXPECT_EQ(f.Row(253)[30], 380);
  EXPECT_EQ(f.Row(253)[31], 428);
  EXPECT_EQ(f.Row(253)[128], 428);
  EXPECT_EQ(f.Row(245)[128], 34);
  for (int r = 0; r <= 239; ++r)
    for (int i = 0; i < 256; ++i) ASSERT_EQ(f.Row(r)[i], 0) << r << "," << i;
  for (int r = 0; r < 256; ++r) {
    EXPECT_EQ(f.Row(r)[28], 0);
    EXPECT_EQ(f.Row(r)[228], 0);
  }
  EXPECT_EQ(f.SourceLine[27], 421075225);  // outside the active range: untouched
}

TEST(Flame, PaletteEntries) {
  TFlame2D f;
  struct Case { int heat, r, g, b, a; };
  const Case red[] = {
      {0, 6, 0, 0, 160},       {1, 6, 0, 0, 160},       {64, 8, 0, 0, 140},      {128, 11, 1, 0, 120},
      {255, 16, 1, 0, 81},     {256, 17, 2, 0, 80},     {300, 57, 18, 0, 110},   {384, 136, 51, 0, 167},
      {511, 254, 99, 0, 254},  {640, 255, 177, 75, 255}, {896, 255, 255, 202, 255}, {1023, 255, 255, 254, 255},
      {1024, 255, 255, 255, 255},
  };
  for (const Case& c : red) EXPECT_EQ(f.Palette[c.heat], BGRA(c.r, c.g, c.b, c.a)) << c.heat;
  EXPECT_EQ(FlameLerp(160, 80, 255, 256), 81);

  // Indexes past the table, and negative ones, take the last key set.
  for (int index : {4, 7, -1, INT_MIN}) {
    f.SetFlameColor(index);
    EXPECT_EQ(f.Palette[0], BGRA(25, 10, 0, 210)) << index;
    EXPECT_EQ(f.Palette[768], BGRA(255, 255, 140, 255)) << index;
  }
  f.SetFlameColor(2);
  EXPECT_EQ(f.Palette[512], BGRA(255, 140, 0, 255));
}

TEST(Flame, DitherCells) {
  TFlame2D f;
  // Heat 128 of the red palette is (11, 1, 0, 120).
  EXPECT_EQ(f.DitherPalette[128][0], BGRA(11, 1, 0, 120));
  EXPECT_EQ(f.DitherPalette[128][1], BGRA(27, 1, 0, 136));
  EXPECT_EQ(f.DitherPalette[128][2], BGRA(27, 1, 0, 136));
  EXPECT_EQ(f.DitherPalette[128][3], BGRA(11, 1, 0, 120));
  // Level 3 (v mod 16 in 12..15) raises cells 0, 1 and 2; 240 and above never change.
  for (int j = 0; j <= 1024; ++j) {
    for (int p = 0; p < 4; ++p) {
      for (int k = 0; k < 4; ++k) {
        int v = static_cast<int>((f.Palette[j] >> (8 * k)) & 0xFF);
        int d = static_cast<int>((f.DitherPalette[j][p] >> (8 * k)) & 0xFF);
        int m = v % 16;
        bool raised = v < 240 && ((m >= 8 && m <= 11 && (p == 1 || p == 2)) || (m >= 12 && p != 3));
        ASSERT_EQ(d, raised ? v + 16 : v) << j << " " << p << " " << k;
      }
    }
  }
}

TEST(Flame, UpdateStepCountsAndRemainders) {
  struct Case { std::vector<float> deltas; int steps; float remainder; };
  const Case cases[] = {
      {{0.1f}, 15, 0.0062499880f},
      {{5.0f}, 15, 0.0062499880f},  // a stalled frame is capped at 0.1 s
      {{1.0f / 60}, 2, 0.0041667f},
      {{0.001f}, 0, 0.001f},
      {{0.1f, 0.0f}, 15, 0.0062499880f},
      {{0.0f, -1.0f}, 0, -1.0f},  // time going back is kept, not run
  };
  for (const Case& c : cases) {
    TFlame2D f;
    int steps = 0;
    for (float d : c.deltas) steps += f.Update(d);
    EXPECT_EQ(steps, c.steps) << c.deltas[0];
    EXPECT_NEAR(f.TimeAccumulator, c.remainder, 1e-7) << c.deltas[0];
  }
  TFlame2D f;
  f.Update(0.1f);
  EXPECT_LT(f.TimeAccumulator, 1.0f / 160);
  EXPECT_EQ(f.Update(0.0003f), 1);  // the carried remainder completes a step
}

TEST(Flame, SetSizeRules) {
  TFlame2D f;
  f.Step();
  std::vector<int32_t> before = f.Heat;
  f.SetSize(256, 256);  // same size: keeps both buffers and the picture
  EXPECT_EQ(f.Heat, before);
  EXPECT_EQ(f.SourceLine[100], 1024);
  f.SetSize(64, 32);
  EXPECT_EQ(f.Heat.size(), 64u * 32u);
  EXPECT_TRUE(std::all_of(f.Heat.begin(), f.Heat.end(), [](int32_t v) { return v == 0; }));
  EXPECT_TRUE(std::all_of(f.SourceLine.begin(), f.SourceLine.end(), [](int32_t v) { return v == 421075225; }));
  EXPECT_EQ(f.Row(3), f.Heat.data() + 3 * 64);
}

TEST(Flame, SettingsMapping) {
  // Track bar position P -> FlameWidth = (P - 50) * 100 div 50 + 120.
  struct Case { int position, width, left, right; };
  const Case cases[] = {{50, 120, 68, 188}, {90, 200, 28, 228}, {100, 220, 18, 238}};
  for (const Case& c : cases) {
    TFlame2D f;
    f.Step();
    f.SetFlameWidth((c.position - 50) * 100 / 50 + 120);
    EXPECT_EQ(f.FlameWidth, c.width);
    EXPECT_EQ(f.ActiveLeft(), c.left);
    EXPECT_EQ(f.ActiveRight(), c.right);
    EXPECT_TRUE(std::all_of(f.Heat.begin(), f.Heat.end(), [](int32_t v) { return v == 0; }));  // cleared
    EXPECT_EQ(f.SourceLine[128], 1024);  // the source keeps its state
  }
}

TEST(Flame, DecayKeepsValuesBelowIt) {
  // 4 x 3 grid, burning column 2 only (L = 1, R = 3). With Amplitude 0 and a
  // cold source every source cell becomes 4, so the bottom cell becomes 3
  // and row 1 gets (0 + 3 + 0 + x) div 4 from its old value x.
  struct Case { int32_t decay, x, result; };
  const Case cases[] = {{2, 1, 1}, {2, 5, 0}, {2, 9, 1}, {2, 13, 2}, {0, 5, 2}, {3, 9, 0}, {3, 5, 2}};
  for (const Case& c : cases) {
    TFlame2D f;
    f.SetSize(4, 3);
    f.SetFlameWidth(2);
    ASSERT_EQ(f.ActiveLeft(), 1);
    f.Amplitude = 0;
    f.Decay = c.decay;
    std::fill(f.SourceLine.begin(), f.SourceLine.end(), 0);
    f.Row(1)[2] = c.x;
    f.Step();
    EXPECT_EQ(f.Row(2)[2], 3);
    EXPECT_EQ(f.Row(1)[2], c.result) << "decay " << c.decay << " x " << c.x;
  }
}

TEST(Flame, OutOfRangeSettingsStayInsideTheBuffers) {
  struct Case { int32_t flameWidth, decay, expectLeft, expectRight; };
  const Case cases[] = {
      {-5, 2, 128, 128}, {0, 2, 128, 128}, {254, 2, 1, 255}, {255, 2, 1, 255}, {1000, 0, 1, 255},
      {INT_MIN, 2, 128, 128}, {INT_MAX, -7, 1, 255}, {200, INT_MIN, 28, 228}, {120, -1, 68, 188},
  };
  for (const Case& c : cases) {
    TFlame2D f;
    f.SetFlameWidth(c.flameWidth);
    f.Decay = c.decay;
    EXPECT_EQ(f.ActiveLeft(), c.expectLeft) << c.flameWidth;
    EXPECT_EQ(f.ActiveRight(), c.expectRight) << c.flameWidth;
    for (int i = 0; i < 200; ++i) f.Step();
    EXPECT_TRUE(std::all_of(f.Heat.begin(), f.Heat.end(), [](int32_t v) { return v >= 0 && v <= 1024; }));
    std::vector<uint32_t> pixels(256 * 256);
    CopyFlameToPixels(f, pixels.data(), 256, 256, 256, c.decay < 0);
  }
  TFlame2D small;  // a width kept from before a smaller size still fits
  small.SetSize(10, 4);
  EXPECT_EQ(small.ActiveLeft(), 1);
  EXPECT_EQ(small.ActiveRight(), 9);
  small.Step();
  TFlame2D tiny;
  tiny.SetSize(-3, 1);
  tiny.Step();
  EXPECT_EQ(tiny.Width, 0);
}

// The fast step must equal the plain rules, cell for cell, for many
// thousands of steps of different shapes.
TEST(Flame, FastStepEqualsReference) {
  struct Case { int32_t width, height, flameWidth, decay, color; int steps; };
  const Case cases[] = {
      {256, 256, 200, 2, 0, 600}, {256, 256, 120, 1, 1, 300}, {256, 256, 220, 5, 2, 300},
      {256, 256, 254, 0, 3, 300}, {64, 32, 50, 3, 0, 800},    {17, 9, 15, 2, 9, 800},
      {33, 300, 0, 1, 0, 200},    {128, 64, 127, 4, -1, 600}, {3, 2, 1, 2, 0, 500},
  };
  for (const Case& c : cases) {
    TFlame2D f;
    f.SetSize(c.width, c.height);
    f.SetFlameWidth(c.flameWidth);
    f.SetFlameColor(c.color);
    f.Decay = c.decay;
    TReferenceFlame ref(f);
    for (int s = 0; s < c.steps; ++s) {
      uint32_t seed = RandSeed;
      f.Step();
      uint32_t after = RandSeed;
      RandSeed = seed;
      ref.Step();
      ASSERT_EQ(RandSeed, after);
      ASSERT_EQ(f.SourceLine, ref.source) << c.width << "x" << c.height << " step " << s;
      ASSERT_EQ(f.Heat, ref.heat) << c.width << "x" << c.height << " step " << s;
    }
  }
}

TEST(FlameTexture, FlipAndPattern) {
  TFlame2D f;
  for (int r = 0; r < 256; ++r)
    for (int i = 0; i < 256; ++i) f.Row(r)[i] = (r * 4 + i) % 1025;
  f.Row(0)[10] = 128;
  f.Row(0)[11] = 128;
  std::vector<uint32_t> plain(256 * 256), dithered(256 * 256);
  CopyFlameToPixels(f, plain.data(), 256, 256, 256, false);
  CopyFlameToPixels(f, dithered.data(), 256, 256, 256, true);
  for (int r = 0; r < 256; ++r) {
    for (int i = 0; i < 256; ++i) {
      size_t at = static_cast<size_t>((255 - r) * 256 + i);
      ASSERT_EQ(plain[at], f.Palette[f.Row(r)[i]]);
      ASSERT_EQ(dithered[at], f.DitherPalette[f.Row(r)[i]][2 * (r % 2) + i % 2]);
    }
  }
  // Grid row 0 lands in texture row 255; equal heat 128 side by side gives red 11 and 27.
  EXPECT_EQ((dithered[255 * 256 + 10] >> 16) & 0xFF, 11u);
  EXPECT_EQ((dithered[255 * 256 + 11] >> 16) & 0xFF, 27u);
  // A smaller texture with a wider row stride gets only its own part.
  std::vector<uint32_t> part(4 * 8, 0xDEADBEEF);
  CopyFlameToPixels(f, part.data(), 6, 4, 8, false);
  EXPECT_EQ(part[3 * 8 + 5], f.Palette[f.Row(0)[5]]);
  EXPECT_EQ(part[0 * 8 + 0], f.Palette[f.Row(3)[0]]);
  EXPECT_EQ(part[0 * 8 + 6], 0xDEADBEEFu);
}

#include "Textures.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "Random.h"

namespace scenedata {

using emberhall::TBitmap;

namespace {

struct TRGB {
  double R, G, B;
};

TBitmap Blank(int Columns = kPictureSize) {
  TBitmap b;
  b.Width = Columns;
  b.Height = kPictureSize;
  b.Pixels.assign(static_cast<size_t>(Columns) * kPictureSize * 3, 0);
  return b;
}

void Put(TBitmap& B, int X, int Y, TRGB C) {
  uint8_t* p = B.Row(Y) + X * 3;
  p[0] = static_cast<uint8_t>(std::clamp(C.B, 0.0, 255.0));
  p[1] = static_cast<uint8_t>(std::clamp(C.G, 0.0, 255.0));
  p[2] = static_cast<uint8_t>(std::clamp(C.R, 0.0, 255.0));
}

TRGB Scale(TRGB C, double F) { return {C.R * F, C.G * F, C.B * F}; }
TRGB Mix(TRGB A, TRGB B, double T) { return {A.R + (B.R - A.R) * T, A.G + (B.G - A.G) * T, A.B + (B.B - A.B) * T}; }
double Smooth(double E0, double E1, double X) {
  const double t = std::clamp((X - E0) / (E1 - E0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Soot: darkest at the top of the picture (the top of the wall), in blotches.
double Soot(uint64_t Seed, double U, double V, double Strength) {
  const double height = 1 - V;  // V counts from the top row
  const double blotch = TileFractal(Seed, U, V, 3, 4);
  const double amount = Strength * Smooth(0.35, 1.0, height + 0.35 * (blotch - 0.5));
  return 1 - std::clamp(amount, 0.0, 0.85);
}

struct TBrickWall {
  uint64_t Seed;
  int Courses, PerRow;
  double Shift;      // fraction of a brick by which each course moves against the one below
  double Mortar;     // joint width in pixels
  std::array<TRGB, 3> Clays;
  TRGB MortarColor;
  double SootStrength;
};

TBitmap Bricks(const TBrickWall& W, int Columns) {
  TBitmap b = Blank(Columns);
  const double courseH = double(kPictureSize) / W.Courses, brickW = double(kPictureSize) / W.PerRow;
  for (int y = 0; y < kPictureSize; ++y) {
    for (int x = 0; x < Columns; ++x) {
      const double u = (x + 0.5) / kPictureSize, v = (y + 0.5) / kPictureSize;
      const int course = static_cast<int>((y + 0.5) / courseH);
      const double shifted = x + 0.5 + W.Shift * brickW * course;
      const int brick = static_cast<int>(std::floor(shifted / brickW));
      const int id = ((brick % W.PerRow) + W.PerRow) % W.PerRow;  // wraps: the picture tiles across
      const double bx = shifted - std::floor(shifted / brickW) * brickW, by = (y + 0.5) - course * courseH;
      // Distance to the nearest joint, with a little wobble so edges are not ruled.
      const double wobble = 0.8 * (TileNoise(W.Seed + 11, u * 64, v * 64, 64) - 0.5);
      const double edge = std::min({bx, brickW - bx, by, courseH - by}) + wobble;
      const double inBrick = Smooth(W.Mortar * 0.5, W.Mortar * 0.5 + 1.2, edge);
      TRandom pick(W.Seed ^ (static_cast<uint64_t>(course) * 131 + static_cast<uint64_t>(id)) * 0x9E37ull);
      const TRGB clay = Mix(W.Clays[pick.Below(3)], W.Clays[pick.Below(3)], pick.Uniform());
      const double tone = 0.82 + 0.3 * pick.Uniform();
      const double grain = 0.78 + 0.4 * TileFractal(W.Seed + 3, u, v, 16, 4);
      const double bevel = 0.75 + 0.25 * Smooth(W.Mortar * 0.5, W.Mortar * 0.5 + 4, edge);
      const TRGB brickColor = Scale(clay, tone * grain * bevel);
      const double sand = 0.8 + 0.35 * TileNoise(W.Seed + 5, u * 128, v * 128, 128);
      const TRGB joint = Scale(W.MortarColor, sand * (0.85 + 0.15 * Smooth(0, W.Mortar, edge)));
      Put(b, x, y, Scale(Mix(joint, brickColor, inBrick), Soot(W.Seed + 17, u, v, W.SootStrength)));
    }
  }
  return b;
}

// Worley cells on a torus: the nearest and second nearest stone centres.
struct TStoneField {
  static constexpr int Grid = 5;
  std::array<std::array<double, 2>, Grid * Grid> Centres;
  std::array<double, Grid * Grid> Radius;  // how far each stone reaches from its centre
  explicit TStoneField(uint64_t Seed) {
    TRandom r(Seed);
    for (int j = 0; j < Grid; ++j)
      for (int i = 0; i < Grid; ++i) Centres[j * Grid + i] = {(i + r.Range(0.2, 0.8)) / Grid, (j + r.Range(0.2, 0.8)) / Grid};
    for (int k = 0; k < Grid * Grid; ++k) {
      double f1, f2;
      int id;
      Nearest(Centres[k][0], Centres[k][1], f1, f2, id);
      Radius[k] = 0.8 * f2;  // f1 is the stone itself
    }
  }
  void Nearest(double U, double V, double& F1, double& F2, int& Id) const {
    F1 = F2 = 1e9;
    Id = 0;
    const int ci = static_cast<int>(U * Grid), cj = static_cast<int>(V * Grid);
    for (int dj = -2; dj <= 2; ++dj)
      for (int di = -2; di <= 2; ++di) {
        const int i = ci + di, j = cj + dj;
        const int wi = ((i % Grid) + Grid) % Grid, wj = ((j % Grid) + Grid) % Grid;
        const auto& c = Centres[wj * Grid + wi];
        const double cx = c[0] + std::floor(double(i) / Grid), cy = c[1] + std::floor(double(j) / Grid);
        // Stones are a little wider than tall, as laid stones are.
        const double d = std::hypot((U - cx) * 0.85, V - cy);
        if (d < F1) {
          F2 = F1;
          F1 = d;
          Id = wj * Grid + wi;
        } else if (d < F2) {
          F2 = d;
        }
      }
  }
};

}  // namespace

TBitmap RedBricks(int Columns) {
  return Bricks({101, 10, 4, 0.5, 4.0, {TRGB{150, 58, 38}, TRGB{128, 46, 32}, TRGB{170, 82, 52}}, TRGB{150, 140, 124},
                 0.9},
                Columns);
}

TBitmap BuffBricks(int Columns) {
  return Bricks({202, 8, 3, 1.0 / 3, 3.0, {TRGB{196, 160, 110}, TRGB{176, 134, 88}, TRGB{210, 182, 140}},
                 TRGB{96, 90, 84}, 1.0},
                Columns);
}

TBitmap Stones(int Columns) {
  TBitmap b = Blank(Columns);
  const TStoneField field(303);
  const std::array<TRGB, 5> rock = {TRGB{128, 124, 118}, TRGB{150, 138, 116}, TRGB{104, 100, 98},
                                    TRGB{160, 150, 132}, TRGB{120, 104, 88}};
  // A stone is a dome round its centre, cut where it meets its neighbour;
  // mortar fills the rest. r: 0 at the centre, 1 at the dome's rim.
  auto ratio = [&](double u, double v, int& id) {
    double f1, f2;
    field.Nearest(u, v, f1, f2, id);
    const double rim = f1 / field.Radius[id];
    const double joint = 1 - (f2 - f1) * kPictureSize / 12.0;  // rounding off toward the neighbour
    return std::max(rim, joint);
  };
  // Where mortar shows: outside the dome's rim, and a joint of about three
  // pixels where two stones meet.
  auto stoneCover = [&](double u, double v) {
    double f1, f2;
    int id;
    field.Nearest(u, v, f1, f2, id);
    return Smooth(1.0, 0.93, f1 / field.Radius[id]) * Smooth(2.0, 4.0, (f2 - f1) * kPictureSize);
  };
  auto height = [&](double u, double v, int& id) {
    const double r = std::min(ratio(u, v, id), 1.0);
    return std::sqrt(std::max(0.0, 1 - r * r));
  };
  for (int y = 0; y < kPictureSize; ++y) {
    for (int x = 0; x < Columns; ++x) {
      const double u = std::fmod((x + 0.5) / kPictureSize, 1.0), v = (y + 0.5) / kPictureSize;
      int id = 0, idx = 0, idy = 0;
      const double h = height(u, v, id);
      const double hx = height(std::fmod(u + 1.0 / kPictureSize, 1.0), v, idx);
      const double hy = height(u, std::fmod(v + 1.0 / kPictureSize, 1.0), idy);
      // Light from the upper left on the rounded surface.
      const double nx = (h - hx) * 14, ny = (h - hy) * 14;
      const double light = std::clamp(0.72 + 0.5 * (nx * 0.6 + ny * 0.8) / std::sqrt(1 + nx * nx + ny * ny), 0.3, 1.2);
      TRandom pick(9001 + static_cast<uint64_t>(id) * 77);
      const TRGB stone = Scale(rock[pick.Below(5)], (0.8 + 0.3 * pick.Uniform()) *
                                                        (0.8 + 0.35 * TileFractal(404, u, v, 16, 4)));
      const TRGB mortar = Scale(TRGB{92, 86, 78}, 0.8 + 0.3 * TileNoise(405, u * 128, v * 128, 128));
      const double inStone = stoneCover(u, v);
      Put(b, x, y, Scale(Mix(mortar, Scale(stone, light), inStone), Soot(406, u, v, 0.8)));
    }
  }
  return b;
}

TBitmap DarkFlame() {
  TBitmap b = Blank();
  for (int y = 0; y < kPictureSize; ++y)
    for (int x = 0; x < kPictureSize; ++x) Put(b, x, y, {6, 2, 1});
  return b;
}

}  // namespace scenedata

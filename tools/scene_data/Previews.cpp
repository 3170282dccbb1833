#include "Previews.h"

#include <cmath>
#include <functional>

namespace scenedata {

using emberhall::TBitmap;

namespace {

constexpr int kPanel = 320, kPanelHeight = 240;

struct TPoint {
  double X, Y;
  bool Ok;
};

void Line(TBitmap& B, TPoint A, TPoint C, const uint8_t (&Colour)[3]) {
  if (!A.Ok || !C.Ok) return;
  const int steps = static_cast<int>(std::max(std::fabs(C.X - A.X), std::fabs(C.Y - A.Y))) + 1;
  for (int i = 0; i <= steps; ++i) {
    const int x = static_cast<int>(A.X + (C.X - A.X) * i / steps), y = static_cast<int>(A.Y + (C.Y - A.Y) * i / steps);
    if (x < 0 || y < 0 || x >= B.Width || y >= B.Height) continue;
    uint8_t* p = B.Row(y) + x * 3;
    p[0] = Colour[2];
    p[1] = Colour[1];
    p[2] = Colour[0];
  }
}

using TProjection = std::function<TPoint(const TVec3&)>;

void Panel(TBitmap& B, const TModel& Model, const TProjection& Project) {
  const uint8_t wall[3] = {220, 200, 170}, flame[3] = {255, 140, 40};
  for (const TModelObject& o : Model.Objects) {
    const auto& colour = o.Material == "Flame" ? flame : wall;
    for (const auto& f : o.Faces)
      for (int k = 0; k < 3; ++k)
        Line(B, Project(WorldOf(o, o.Vertices[f[k]])), Project(WorldOf(o, o.Vertices[f[(k + 1) % 3]])), colour);
  }
}

}  // namespace

TBitmap ModelPreview(const TModel& Model) {
  TBitmap b;
  b.Width = kPanel * 3;
  b.Height = kPanelHeight;
  b.Pixels.assign(static_cast<size_t>(b.Width) * b.Height * 3, 24);
  // Front: x across, y up; top: x across, z down the picture (toward the camera).
  Panel(b, Model, [](const TVec3& v) { return TPoint{160 + v.X, 124 - v.Y * 0.9, true}; });
  Panel(b, Model, [](const TVec3& v) { return TPoint{kPanel + 160 + v.X, 200 + v.Z * 1.6, true}; });
  // The program's camera: at (0, -24, 130) looking along -Z, 60 degrees
  // high, 4:3, near plane 100.
  const double focal = (kPanelHeight / 2.0) / std::tan(std::acos(-1.0) / 6);
  Panel(b, Model, [focal](const TVec3& v) {
    const double depth = 130 - v.Z;
    if (depth < 100) return TPoint{0, 0, false};
    return TPoint{2 * kPanel + kPanel / 2.0 + focal * v.X / depth, kPanelHeight / 2.0 - focal * (v.Y + 24) / depth, true};
  });
  const uint8_t frame[3] = {90, 90, 90};
  for (int p = 1; p < 3; ++p) Line(b, {double(p * kPanel), 0, true}, {double(p * kPanel), kPanelHeight - 1.0, true}, frame);
  return b;
}

TBitmap Expand(const emberhall::TBitmap& Picture) {
  TBitmap b;
  b.Width = Picture.Width;
  b.Height = Picture.Height;
  b.Pixels.resize(static_cast<size_t>(b.Width) * b.Height * 3);
  for (int y = 0; y < b.Height; ++y)
    for (int x = 0; x < b.Width; ++x) {
      const emberhall::TPaletteColor& entry = (*Picture.Palette)[Picture.Row(y)[x]];
      uint8_t* to = b.Row(y) + x * 3;
      to[0] = entry.Blue;
      to[1] = entry.Green;
      to[2] = entry.Red;
    }
  return b;
}

}  // namespace scenedata

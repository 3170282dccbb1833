#include "platform/MonitorParts.h"

#include <algorithm>

namespace emberhall {

namespace {

// More than this many monitors are not looked at: the cover test below grows
// with the cube of their number.
constexpr size_t kMaxMonitors = 64;

TMonitorRect Intersection(const TMonitorRect& A, const TMonitorRect& B) {
  // In long long: rectangles near the ends of int must not overflow.
  const long long x0 = std::max<long long>(A.X, B.X), y0 = std::max<long long>(A.Y, B.Y);
  const long long x1 = std::min<long long>(static_cast<long long>(A.X) + A.Width, static_cast<long long>(B.X) + B.Width);
  const long long y1 = std::min<long long>(static_cast<long long>(A.Y) + A.Height, static_cast<long long>(B.Y) + B.Height);
  if (x1 <= x0 || y1 <= y0) return {};
  return {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
}

bool Inside(const TMonitorRect& Inner, const TMonitorRect& Outer) {
  return Intersection(Inner, Outer) == Inner;
}

// Whether the rectangles cover Outer wholly: every cell of the grid their
// edges make inside Outer lies in one of them.
bool Covered(const TMonitorRect& Outer, const std::vector<TMonitorRect>& Pieces) {
  std::vector<int> xs{Outer.X, Outer.X + Outer.Width}, ys{Outer.Y, Outer.Y + Outer.Height};
  for (const TMonitorRect& p : Pieces) {
    xs.insert(xs.end(), {p.X, p.X + p.Width});
    ys.insert(ys.end(), {p.Y, p.Y + p.Height});
  }
  for (std::vector<int>* edges : {&xs, &ys}) {
    std::sort(edges->begin(), edges->end());
    edges->erase(std::unique(edges->begin(), edges->end()), edges->end());
  }
  for (size_t i = 0; i + 1 < xs.size(); ++i)
    for (size_t j = 0; j + 1 < ys.size(); ++j) {
      const TMonitorRect cell{xs[i], ys[j], xs[i + 1] - xs[i], ys[j + 1] - ys[j]};
      if (!std::any_of(Pieces.begin(), Pieces.end(), [&](const TMonitorRect& p) { return Inside(cell, p); }))
        return false;
    }
  return true;
}

}  // namespace

std::vector<TMonitorRect> MonitorPartsOfWindow(const std::vector<TMonitorRect>& Monitors, const TMonitorRect& Window) {
  std::vector<TMonitorRect> parts;
  for (size_t i = 0; i < Monitors.size() && i < kMaxMonitors; ++i) {
    const TMonitorRect part = Intersection(Monitors[i], Window);
    if (part.Width > 0 && std::find(parts.begin(), parts.end(), part) == parts.end()) parts.push_back(part);
  }
  std::vector<TMonitorRect> kept;
  for (const TMonitorRect& part : parts) {
    std::vector<TMonitorRect> inside;
    for (const TMonitorRect& other : parts)
      if (!(other == part) && Inside(other, part)) inside.push_back(other);
    if (inside.empty() || !Covered(part, inside)) kept.push_back(part);
  }
  for (TMonitorRect& part : kept) part.X -= Window.X, part.Y -= Window.Y;
  return kept;
}

}  // namespace emberhall

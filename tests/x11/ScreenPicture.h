// Pictures read back from the screen or from the program's snapshots, and
// the measures the picture tests take of their blocks. With
// EMBERHALL_PICTURES set, Save writes them there as PPM files for looking at.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace emberhall::test {

// An RGB picture, rows top first.
struct TPicture {
  int W = 0, H = 0;
  std::vector<uint8_t> RGB;
  const uint8_t* At(int X, int Y) const { return RGB.data() + (static_cast<size_t>(Y) * W + X) * 3; }
};

struct TRect {
  int X0, Y0, X1, Y1;
};

// Mean red, green and blue of a block.
inline std::array<double, 3> Mean(const TPicture& P, TRect R) {
  std::array<double, 3> sum{};
  for (int y = R.Y0; y < R.Y1; ++y)
    for (int x = R.X0; x < R.X1; ++x)
      for (int c = 0; c < 3; ++c) sum[c] += P.At(x, y)[c];
  const double n = double(R.X1 - R.X0) * (R.Y1 - R.Y0);
  for (double& s : sum) s /= n;
  return sum;
}
inline double Brightness(const TPicture& P, TRect R) {
  const auto m = Mean(P, R);
  return (m[0] + m[1] + m[2]) / 3;
}
// Pixels of the block with red, green and blue at or above the given levels.
inline int CountAtLeast(const TPicture& P, TRect R, int Red, int Green, int Blue) {
  int n = 0;
  for (int y = R.Y0; y < R.Y1; ++y)
    for (int x = R.X0; x < R.X1; ++x) {
      const uint8_t* p = P.At(x, y);
      n += p[0] >= Red && p[1] >= Green && p[2] >= Blue;
    }
  return n;
}
inline int CountDiffering(const TPicture& A, const TPicture& B, TRect R) {
  int n = 0;
  for (int y = R.Y0; y < R.Y1; ++y)
    for (int x = R.X0; x < R.X1; ++x)
      for (int c = 0; c < 3; ++c)
        if (std::abs(A.At(x, y)[c] - B.At(x, y)[c]) > 24) {
          ++n;
          break;
        }
  return n;
}

inline void Save(const TPicture& P, const std::string& Name) {
  const char* dir = std::getenv("EMBERHALL_PICTURES");
  if (!dir || !*dir) return;
  std::string ppm = "P6\n" + std::to_string(P.W) + " " + std::to_string(P.H) + "\n255\n";
  ppm.append(P.RGB.begin(), P.RGB.end());
  WriteFile(std::string(dir) + "/" + Name + ".ppm", ppm);
}

// What the window shows (24-bit TrueColor).
inline TPicture GrabWindow(Display* D, Window W) {
  XWindowAttributes a{};
  XGetWindowAttributes(D, W, &a);
  XImage* image = XGetImage(D, W, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  TPicture p{a.width, a.height, std::vector<uint8_t>(static_cast<size_t>(a.width) * a.height * 3)};
  if (!image) return p;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      const unsigned long v = XGetPixel(image, x, y);
      uint8_t* out = p.RGB.data() + (static_cast<size_t>(y) * a.width + x) * 3;
      out[0] = (v >> 16) & 0xFF;
      out[1] = (v >> 8) & 0xFF;
      out[2] = v & 0xFF;
    }
  XDestroyImage(image);
  return p;
}

}  // namespace emberhall::test

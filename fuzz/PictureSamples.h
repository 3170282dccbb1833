// BMP files of every depth assembled byte by byte, for the picture tests and
// the picture fuzz target's seeds (our own writer makes only 8 and 24 bits).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace emberhall::samples {

inline void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

struct TBmpSample {
  int32_t Width = 4;
  int32_t Height = 3;
  uint16_t Bits = 24;            // 1, 2, 4, 8, 16, 24 or 32
  bool TopDown = false;          // rows stored top first (negative height)
  uint32_t ColorsUsed = 0;       // biClrUsed; 0: all 2^Bits
  std::vector<uint32_t> Palette; // 0x00RRGGBB entries
  // The stored value of pixel (x, y), y counted from the top: a palette
  // index, or 0x00RRGGBB for 24 and 32 bits, or the 16-bit word (5-5-5).
  std::function<uint32_t(int32_t, int32_t)> Pixel = [](int32_t x, int32_t y) { return uint32_t(x * 40 + y * 7); };
};

// An uncompressed BMP with a 40-byte info header.
inline std::vector<uint8_t> BmpBytes(const TBmpSample& S) {
  const uint32_t stride = (static_cast<uint32_t>(S.Width) * S.Bits + 31) / 32 * 4;
  const uint32_t paletteBytes = static_cast<uint32_t>(S.Palette.size()) * 4;
  const uint32_t rows = static_cast<uint32_t>(S.Height);
  std::vector<uint8_t> b{'B', 'M'};
  Put32(b, 54 + paletteBytes + stride * rows);
  Put32(b, 0);
  Put32(b, 54 + paletteBytes);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(S.Width));
  Put32(b, static_cast<uint32_t>(S.TopDown ? -S.Height : S.Height));
  Put16(b, 1);
  Put16(b, S.Bits);
  Put32(b, 0);
  Put32(b, stride * rows);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, S.ColorsUsed);
  Put32(b, 0);
  for (uint32_t c : S.Palette) Put32(b, c);
  for (int32_t r = 0; r < S.Height; ++r) {
    const int32_t y = S.TopDown ? r : S.Height - 1 - r;
    std::vector<uint8_t> row(stride, 0);
    for (int32_t x = 0; x < S.Width; ++x) {
      const uint32_t v = S.Pixel(x, y);
      switch (S.Bits) {
        case 1:
        case 2:
        case 4: {
          const int32_t bit = x * S.Bits;
          row[static_cast<size_t>(bit / 8)] |= static_cast<uint8_t>(v << (8 - S.Bits - bit % 8));
          break;
        }
        case 8: row[static_cast<size_t>(x)] = static_cast<uint8_t>(v); break;
        case 16:
          row[static_cast<size_t>(2 * x)] = static_cast<uint8_t>(v);
          row[static_cast<size_t>(2 * x + 1)] = static_cast<uint8_t>(v >> 8);
          break;
        default:
          for (int k = 0; k < S.Bits / 8; ++k)
            row[static_cast<size_t>(x * S.Bits / 8 + k)] = static_cast<uint8_t>(k < 3 ? v >> (8 * k) : 0xFF);
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

// An 8-bit run-length-coded BMP: Runs are (count, index) pairs, one row each
// after the other, ended with an end-of-line; then the end of the picture.
inline std::vector<uint8_t> Rle8Bytes(int32_t Width, int32_t Height, const std::vector<std::vector<uint8_t>>& Rows,
                                      const std::vector<uint32_t>& Palette) {
  std::vector<uint8_t> data;
  for (const auto& runs : Rows) {
    data.insert(data.end(), runs.begin(), runs.end());
    data.push_back(0);
    data.push_back(0);
  }
  data.push_back(0);
  data.push_back(1);
  const uint32_t paletteBytes = static_cast<uint32_t>(Palette.size()) * 4;
  std::vector<uint8_t> b{'B', 'M'};
  Put32(b, 54 + paletteBytes + static_cast<uint32_t>(data.size()));
  Put32(b, 0);
  Put32(b, 54 + paletteBytes);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(Width));
  Put32(b, static_cast<uint32_t>(Height));
  Put16(b, 1);
  Put16(b, 8);
  Put32(b, 1);  // BI_RLE8
  Put32(b, static_cast<uint32_t>(data.size()));
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, static_cast<uint32_t>(Palette.size()));
  Put32(b, 0);
  for (uint32_t c : Palette) Put32(b, c);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

}  // namespace emberhall::samples

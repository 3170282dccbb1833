// A 24-bit picture in memory and its files: BMP, and JPEG through libjpeg.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace emberhall {

// Rows top first, each Width pixels of blue, green, red bytes.
struct TBitmap24 {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Pixels;

  uint8_t* Row(int32_t Y) { return Pixels.data() + static_cast<size_t>(Y) * static_cast<size_t>(Width) * 3; }
  const uint8_t* Row(int32_t Y) const {
    return Pixels.data() + static_cast<size_t>(Y) * static_cast<size_t>(Width) * 3;
  }
};

// Rows top first, one palette index per pixel; the palette's 256 entries are
// blue, green, red.
struct TBitmap8 {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Pixels;
  std::array<std::array<uint8_t, 3>, 256> Palette{};

  uint8_t* Row(int32_t Y) { return Pixels.data() + static_cast<size_t>(Y) * static_cast<size_t>(Width); }
  const uint8_t* Row(int32_t Y) const { return Pixels.data() + static_cast<size_t>(Y) * static_cast<size_t>(Width); }
};

// Both raise EOSError when the file cannot be written; a failed write leaves
// no partial file under the name.
void SaveBitmapBMP(const std::string& FileName, const TBitmap24& Bitmap);
void SaveBitmapJPEG(const std::string& FileName, const TBitmap24& Bitmap, int Quality);
void SaveBitmapBMP8(const std::string& FileName, const TBitmap8& Bitmap);
// An uncompressed BMP of 8 bits per pixel with its palette, from the bytes of
// a file or resource; raises EOSError for anything else or a damaged file.
TBitmap8 DecodeBitmapBMP8(std::span<const uint8_t> Bytes);
// Reads a JPEG file (tests and texture loading); raises EOSError on failure.
TBitmap24 LoadBitmapJPEG(const std::string& FileName);

}  // namespace emberhall

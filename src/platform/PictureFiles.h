// A 24-bit picture in memory and its files: BMP, and JPEG through libjpeg.
#pragma once

#include <cstdint>
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

// Both raise EOSError when the file cannot be written; a failed write leaves
// no partial file under the name.
void SaveBitmapBMP(const std::string& FileName, const TBitmap24& Bitmap);
void SaveBitmapJPEG(const std::string& FileName, const TBitmap24& Bitmap, int Quality);
// Reads a JPEG file (tests and texture loading); raises EOSError on failure.
TBitmap24 LoadBitmapJPEG(const std::string& FileName);

}  // namespace emberhall

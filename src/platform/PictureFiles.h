// Pictures in memory and their files: BMP (read through SDL2, written by our
// own writer) and JPEG (libjpeg, both ways).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace emberhall {

struct TPaletteColor {
  uint8_t Red = 0, Green = 0, Blue = 0;
  bool operator==(const TPaletteColor&) const = default;
};
using TPicturePalette = std::array<TPaletteColor, 256>;

// Rows top first, packed. Without a palette a pixel is three bytes: blue,
// green, red (24 bits). With a palette a pixel is one index into its 256
// entries (8 bits).
struct TBitmap {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Pixels;
  std::optional<TPicturePalette> Palette;

  int32_t BitsPerPixel() const { return Palette ? 8 : 24; }
  size_t RowBytes() const { return static_cast<size_t>(Width) * (Palette ? 1 : 3); }
  uint8_t* Row(int32_t Y) { return Pixels.data() + static_cast<size_t>(Y) * RowBytes(); }
  const uint8_t* Row(int32_t Y) const { return Pixels.data() + static_cast<size_t>(Y) * RowBytes(); }
};

// Pictures larger than this on a side, or whose decoded pixels would take
// more than MaxPictureBytes, are refused before anything is allocated.
inline constexpr int32_t MaxPictureSide = 16384;
inline constexpr size_t MaxPictureBytes = size_t(256) << 20;

// Raises EOSError "Cannot read the picture <Name>: ..." unless a picture of
// Width x Height pixels of BytesPerPixel bytes is within the limits above.
void CheckPictureSize(int64_t Width, int64_t Height, int32_t BytesPerPixel, const std::string& Name);

// Both raise EOSError when the file cannot be written; a failed write leaves
// no partial file under the name. A bitmap with a palette is written as an
// 8-bit BMP with it, one without as a 24-bit BMP; JPEG needs 24 bits.
void SaveBitmapBMP(const std::string& FileName, const TBitmap& Bitmap);
void SaveBitmapJPEG(const std::string& FileName, const TBitmap& Bitmap, int Quality);

// The readers take the bytes of a file or of an embedded resource; Name is
// what their errors name. Every failure (a damaged, cut, hostile or foreign
// file, a picture beyond the limits) raises EOSError
// "Cannot read the picture <Name>: <why>".
//
// BMP: 1-, 2-, 4- and 8-bit pictures keep their palette; every other depth
// becomes 24 bits. Top-down and bottom-up files both come out top row first.
TBitmap DecodeBitmapBMP(std::span<const uint8_t> Bytes, const std::string& Name);
// JPEG: decoded to 24 bits; grey pictures are expanded to three channels.
// Warnings (a file cut short, corrupt data) count as failures.
TBitmap DecodeBitmapJPEG(std::span<const uint8_t> Bytes, const std::string& Name);

// The same from a file.
TBitmap LoadBitmapBMP(const std::string& FileName);
TBitmap LoadBitmapJPEG(const std::string& FileName);

}  // namespace emberhall

#include "platform/PictureFiles.h"

#include "platform/SysUtils.h"
#include "platform/Files.h"

namespace emberhall {

namespace {

// A picture file is never larger than its decoded pixels plus headers.
constexpr size_t MaxPictureFileBytes = MaxPictureBytes + (size_t(1) << 20);

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// The file header and an info header of 40 bytes; rows bottom first.
void PutBmpHeaders(std::vector<uint8_t>& b, const int32_t Width, const int32_t Height, uint16_t Bits,
                   uint32_t PaletteBytes, uint32_t ImageSize) {
  b.push_back('B');
  b.push_back('M');
  Put32(b, 54 + PaletteBytes + ImageSize);
  Put32(b, 0);
  Put32(b, 54 + PaletteBytes);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(Width));
  Put32(b, static_cast<uint32_t>(Height));  // positive: rows stored bottom first
  Put16(b, 1);
  Put16(b, Bits);
  Put32(b, 0);
  Put32(b, ImageSize);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, PaletteBytes / 4);
  Put32(b, 0);
}

}  // namespace

void CheckPictureSize(int64_t Width, int64_t Height, int32_t BytesPerPixel, const std::string& Name) {
  if (Width <= 0 || Height <= 0)
    throw EOSError("Cannot read the picture " + Name + ": the size " + IntToStr(Width) + " x " + IntToStr(Height) +
                   " is not valid");
  if (Width > MaxPictureSide || Height > MaxPictureSide ||
      static_cast<uint64_t>(Width) * static_cast<uint64_t>(Height) * static_cast<uint64_t>(BytesPerPixel) >
          MaxPictureBytes)
    throw EOSError("Cannot read the picture " + Name + ": " + IntToStr(Width) + " x " + IntToStr(Height) +
                   " pixels is larger than the pictures the program takes");
}

void SaveBitmapBMP(const std::string& FileName, const TBitmap& Bitmap) {
  const uint32_t rowBytes = static_cast<uint32_t>(Bitmap.RowBytes());
  const uint32_t stride = (rowBytes + 3) & ~3u;
  const uint32_t imageSize = stride * static_cast<uint32_t>(Bitmap.Height);
  const uint32_t paletteBytes = Bitmap.Palette ? 1024 : 0;
  std::vector<uint8_t> b;
  b.reserve(54 + paletteBytes + imageSize);
  PutBmpHeaders(b, Bitmap.Width, Bitmap.Height, static_cast<uint16_t>(Bitmap.BitsPerPixel()), paletteBytes,
                imageSize);
  if (Bitmap.Palette) {
    for (const TPaletteColor& entry : *Bitmap.Palette) {
      b.push_back(entry.Blue);
      b.push_back(entry.Green);
      b.push_back(entry.Red);
      b.push_back(0);
    }
  }
  for (int32_t y = Bitmap.Height - 1; y >= 0; --y) {
    const uint8_t* row = Bitmap.Row(y);
    b.insert(b.end(), row, row + rowBytes);
    b.insert(b.end(), stride - rowBytes, 0);
  }
  ReplaceFileContents(FileName, std::string(b.begin(), b.end()));
}

TBitmap LoadBitmapBMP(const std::string& FileName) {
  return DecodeBitmapBMP(ReadFileBytes(FileName, MaxPictureFileBytes), FileName);
}

TBitmap LoadBitmapJPEG(const std::string& FileName) {
  return DecodeBitmapJPEG(ReadFileBytes(FileName, MaxPictureFileBytes), FileName);
}

}  // namespace emberhall

#include "app/SnapShot.h"

#include <cstring>

#include "platform/SysUtils.h"

namespace emberhall {

std::string NumberedSnapShotName(const std::string& FileName, int Counter) {
  const size_t dot = FileName.find('.');
  if (dot == std::string::npos || dot == 0) return FileName;
  return FileName.substr(0, dot) + std::to_string(Counter) + FileName.substr(dot);
}

TBitmap BitmapFromCapture(const TGLScreenShot& Shot) {
  TBitmap bitmap;
  bitmap.Width = Shot.Width;
  bitmap.Height = Shot.Height;
  bitmap.Pixels.resize(static_cast<size_t>(Shot.Width) * static_cast<size_t>(Shot.Height) * 3);
  for (int32_t y = 0; y < Shot.Height; ++y) {
    const uint8_t* from = Shot.Data.data() + static_cast<size_t>(y) * static_cast<size_t>(Shot.RowSize);
    uint8_t* to = bitmap.Row(Shot.Height - 1 - y);
    for (int32_t x = 0; x < Shot.Width; ++x) {
      to[3 * x] = from[3 * x + 2];
      to[3 * x + 1] = from[3 * x + 1];
      to[3 * x + 2] = from[3 * x];
    }
  }
  return bitmap;
}

bool SaveSnapShotFile(const std::string& FileName, const TBitmap& Bitmap) {
  const std::string ext = LowerCase(ExtractFileExt(FileName));
  if (ext == ".bmp") {
    SaveBitmapBMP(FileName, Bitmap);
    return true;
  }
  if (ext == ".jpg" || ext == ".jpeg") {
    SaveBitmapJPEG(FileName, Bitmap, 90);
    return true;
  }
  return false;
}

}  // namespace emberhall

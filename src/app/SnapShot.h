// Snapshot pictures of the OpenGL window: the numbered file name, the
// captured rows turned into a picture, and the file by its extension.
#pragma once

#include <string>

#include "gl/GLViewports.h"
#include "platform/PictureFiles.h"

namespace emberhall {

// The counter goes right before the first "." when that "." stands after the
// first character (base.jpg → base1.jpg, a.b.jpg → a1.b.jpg); otherwise the
// name stays as it is.
std::string NumberedSnapShotName(const std::string& FileName, int Counter);
// Captured RGB rows, bottom first, as a picture of blue-green-red rows, top first.
TBitmap BitmapFromCapture(const TGLScreenShot& Shot);
// Writes ".bmp", or ".jpg"/".jpeg" at quality 90, by the lower-cased
// extension; any other extension writes nothing and answers false.
bool SaveSnapShotFile(const std::string& FileName, const TBitmap& Bitmap);

}  // namespace emberhall

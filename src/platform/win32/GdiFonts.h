// Fonts through GDI: the face name and style to a font by the system's font
// mapper (CreateFontIndirectW), glyphs drawn antialiased with TextOutW into
// a DIB section.
#pragma once

#include <memory>

#include "platform/FontRasterizer.h"

namespace emberhall {

// The height asked for is the line's (ascent plus descent), as on the other
// platforms. A face the system does not have is replaced by the mapper's
// choice for a proportional sans face (Arial on Windows; whatever Wine maps
// it to there). FileName() gives the face actually used, not a file: GDI
// does not tell which file a face came from.
class TGdiFontRasterizer : public IFontRasterizer {
 public:
  std::unique_ptr<IRasterFont> OpenFont(const std::string& Face, uint8_t Style, int32_t PixelHeight) override;
};

}  // namespace emberhall

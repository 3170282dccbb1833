// Fonts through fontconfig (the face name and style to a font file) and
// FreeType (the glyphs, antialiased).
#pragma once

#include <memory>

#include "platform/FontRasterizer.h"

namespace emberhall {

class TFreeTypeRasterizer : public IFontRasterizer {
 public:
  TFreeTypeRasterizer();
  ~TFreeTypeRasterizer() override;
  std::unique_ptr<IRasterFont> OpenFont(const std::string& Face, uint8_t Style, int32_t PixelHeight) override;

  struct TLibrary;

 private:
  std::shared_ptr<TLibrary> FLibrary;
};

}  // namespace emberhall

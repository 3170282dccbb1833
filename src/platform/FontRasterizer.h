// System fonts painted into pictures: one character at a time, white on
// black with smooth edges, with its advance width and the font's height.
// Character codes are Latin-1.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace emberhall {

// The style bits of a font, as the scene's fonts store them.
enum TFontStyleBit : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// One byte of coverage per pixel (0 black .. 255 white), rows top first.
struct TGreyImage {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Pixels;

  TGreyImage() = default;
  TGreyImage(int32_t W, int32_t H) : Width(W), Height(H), Pixels(static_cast<size_t>(W) * static_cast<size_t>(H)) {}
  uint8_t* Row(int32_t Y) { return Pixels.data() + static_cast<size_t>(Y) * static_cast<size_t>(Width); }
  const uint8_t* Row(int32_t Y) const { return Pixels.data() + static_cast<size_t>(Y) * static_cast<size_t>(Width); }
};

class IRasterFont {
 public:
  virtual ~IRasterFont() = default;
  // The advance of the character and the height of the font's lines, in pixels.
  virtual void Measure(uint8_t Code, int32_t& Width, int32_t& Height) = 0;
  // Paints the character with the top-left corner of its line box at (X, Y);
  // what falls outside the image is cut off. Brighter coverage wins.
  virtual void Paint(uint8_t Code, TGreyImage& Image, int32_t X, int32_t Y) = 0;
  // The font file the face name and style resolved to.
  virtual std::string FileName() const = 0;
};

class IFontRasterizer {
 public:
  virtual ~IFontRasterizer() = default;
  // The face closest to Face with the style bits at a line height of
  // PixelHeight (1..4096); a face the system does not know falls back to
  // its default sans face. Raises EOSError only when no font can be used.
  virtual std::unique_ptr<IRasterFont> OpenFont(const std::string& Face, uint8_t Style, int32_t PixelHeight) = 0;
};

// This platform's rasteriser.
IFontRasterizer& FontRasterizer();

}  // namespace emberhall

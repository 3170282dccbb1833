#include "ClockPictures.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <stdexcept>

#include "Textures.h"

namespace scenedata {

using emberhall::TBitmap;

std::vector<TClockCell> ClockCells() {
  std::vector<TClockCell> cells;
  for (int d = 0; d < 10; ++d) cells.push_back({std::to_string(d), std::to_string(d), d * 24, 0, 24, 40, 38});
  const char* names[7] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
  const char* texts[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  for (int i = 0; i < 7; ++i) cells.push_back({names[i], texts[i], (i % 4) * 64, 48 + (i / 4) * 32, 64, 28, 24});
  cells.push_back({"colon", ":", 0, 112, 12, 40, 38});
  cells.push_back({"am", "AM", 16, 112, 40, 28, 20});
  cells.push_back({"pm", "PM", 64, 112, 40, 28, 20});
  return cells;
}

namespace {

std::string BoldFontFile() {
  FcConfig* config = FcInitLoadConfigAndFonts();
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Liberation Sans:style=Bold"));
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  std::string file;
  FcChar8* path = nullptr;
  if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) file = reinterpret_cast<char*>(path);
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  FcConfigDestroy(config);
  if (file.find("LiberationSans-Bold") == std::string::npos)
    throw std::runtime_error("the font Liberation Sans Bold is missing (scripts/deps installs fonts-liberation2)");
  return file;
}

TBitmap GreyPicture() {
  TBitmap b;
  b.Width = b.Height = kPictureSize;
  b.Pixels.assign(kPictureSize * kPictureSize, 0);
  b.Palette.emplace();
  for (int i = 0; i < 256; ++i) (*b.Palette)[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
  return b;
}

// Coverage of the cell's text, centred in the cell.
void DrawCell(FT_Face Face, const TClockCell& Cell, TBitmap& Coverage) {
  FT_Set_Pixel_Sizes(Face, 0, static_cast<FT_UInt>(Cell.PixelSize));
  int width = 0, top = 0, bottom = 0;
  for (char c : Cell.Text) {  // measure
    FT_Load_Char(Face, static_cast<FT_ULong>(c), FT_LOAD_RENDER);
    width += static_cast<int>(Face->glyph->advance.x >> 6);
    top = std::max(top, Face->glyph->bitmap_top);
    bottom = std::min(bottom, Face->glyph->bitmap_top - static_cast<int>(Face->glyph->bitmap.rows));
  }
  int penX = Cell.X + (Cell.Width - width) / 2;
  const int baseline = Cell.Y + (Cell.Height - (top - bottom)) / 2 + top;
  for (char c : Cell.Text) {
    FT_Load_Char(Face, static_cast<FT_ULong>(c), FT_LOAD_RENDER);
    const FT_Bitmap& g = Face->glyph->bitmap;
    for (unsigned r = 0; r < g.rows; ++r)
      for (unsigned col = 0; col < g.width; ++col) {
        const int x = penX + Face->glyph->bitmap_left + static_cast<int>(col);
        const int y = baseline - Face->glyph->bitmap_top + static_cast<int>(r);
        if (x < Cell.X || x >= Cell.X + Cell.Width || y < Cell.Y || y >= Cell.Y + Cell.Height) continue;
        uint8_t& p = Coverage.Row(y)[x];
        p = std::max(p, g.buffer[r * static_cast<unsigned>(g.pitch) + col]);
      }
    penX += static_cast<int>(Face->glyph->advance.x >> 6);
  }
}

}  // namespace

void MakeClockPictures(TBitmap& Colour, TBitmap& Mask) {
  FT_Library library;
  if (FT_Init_FreeType(&library)) throw std::runtime_error("FreeType does not start");
  FT_Face face;
  if (FT_New_Face(library, BoldFontFile().c_str(), 0, &face)) {
    FT_Done_FreeType(library);
    throw std::runtime_error("the bold font cannot be opened");
  }
  Mask = GreyPicture();
  for (const TClockCell& cell : ClockCells()) DrawCell(face, cell, Mask);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  // The colour picture: the glyphs light on black, a touch brighter at the
  // top of each cell; the clock tints them.
  Colour = GreyPicture();
  for (const TClockCell& cell : ClockCells())
    for (int y = cell.Y; y < cell.Y + cell.Height; ++y)
      for (int x = cell.X; x < cell.X + cell.Width; ++x) {
        const double shade = 1.0 - 0.2 * (y - cell.Y) / cell.Height;
        Colour.Row(y)[x] = static_cast<uint8_t>(Mask.Row(y)[x] > 0 ? 255 * shade : 0);
      }
}

}  // namespace scenedata

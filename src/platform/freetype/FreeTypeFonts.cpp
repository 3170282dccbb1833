#include "platform/freetype/FreeTypeFonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>

#include "platform/SysUtils.h"

namespace emberhall {

struct TFreeTypeRasterizer::TLibrary {
  FT_Library Library = nullptr;
  TLibrary() {
    if (FT_Init_FreeType(&Library) != 0) Library = nullptr;
  }
  ~TLibrary() {
    if (Library) FT_Done_FreeType(Library);
  }
};

namespace {

// The file and face index fontconfig picks for the name and style, and
// whether the picked face really has the weight and slant asked for.
struct TMatch {
  std::string File;
  int Index = 0;
  bool NeedsBold = false, NeedsItalic = false;
};

TMatch MatchFace(const std::string& Face, uint8_t Style) {
  TMatch match;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(Face.c_str()));
  const bool bold = Style & fsBold, italic = Style & fsItalic;
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* found = FcFontMatch(nullptr, pattern, &result);
  if (found) {
    FcChar8* file = nullptr;
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch) match.File = reinterpret_cast<char*>(file);
    FcPatternGetInteger(found, FC_INDEX, 0, &match.Index);
    FcPatternGetInteger(found, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(found, FC_SLANT, 0, &slant);
    match.NeedsBold = bold && weight < FC_WEIGHT_DEMIBOLD;
    match.NeedsItalic = italic && slant == FC_SLANT_ROMAN;
    FcPatternDestroy(found);
  }
  FcPatternDestroy(pattern);
  return match;
}

int32_t Pixels(FT_Pos Value26_6) { return static_cast<int32_t>((Value26_6 + 32) >> 6); }

class TFreeTypeFont : public IRasterFont {
 public:
  TFreeTypeFont(std::shared_ptr<TFreeTypeRasterizer::TLibrary> Library, FT_Face Face, const TMatch& Match,
                uint8_t Style)
      : FLibrary(std::move(Library)), FFace(Face), FMatch(Match), FStyle(Style) {
    // From the face's own units: the size's rounded metrics may add a pixel.
    const FT_Fixed scale = Face->size->metrics.y_scale;
    FAscent = Pixels(FT_MulFix(Face->ascender, scale));
    FHeight = Pixels(FT_MulFix(Face->ascender - Face->descender, scale));
  }
  ~TFreeTypeFont() override { FT_Done_Face(FFace); }

  void Measure(uint8_t Code, int32_t& Width, int32_t& Height) override {
    Width = LoadGlyph(Code) ? Pixels(FFace->glyph->advance.x) : 0;
    Height = FHeight;
  }

  void Paint(uint8_t Code, TGreyImage& Image, int32_t X, int32_t Y) override {
    if (!LoadGlyph(Code)) return;
    FT_GlyphSlot slot = FFace->glyph;
    const int32_t advance = Pixels(slot->advance.x);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
    const FT_Bitmap& b = slot->bitmap;
    Blit(Image, b, X + slot->bitmap_left, Y + FAscent - slot->bitmap_top);
    const FT_Fixed scale = FFace->size->metrics.y_scale;
    if (FStyle & fsUnderline) {
      const int32_t thickness = std::max(1, Pixels(FT_MulFix(FFace->underline_thickness, scale)));
      const int32_t below = -Pixels(FT_MulFix(FFace->underline_position, scale));
      Bar(Image, X, Y + FAscent + below - thickness / 2, advance, thickness);
    }
    if (FStyle & fsStrikeOut) {
      const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(FFace, FT_SFNT_OS2));
      const FT_Short position = os2 ? os2->yStrikeoutPosition : static_cast<FT_Short>(FFace->units_per_EM / 4);
      const FT_Short size = os2 ? os2->yStrikeoutSize : FFace->underline_thickness;
      const int32_t thickness = std::max(1, Pixels(FT_MulFix(size, scale)));
      Bar(Image, X, Y + FAscent - Pixels(FT_MulFix(position, scale)), advance, thickness);
    }
  }

  std::string FileName() const override { return FMatch.File; }

 private:
  // Loads the glyph of the Latin-1 code (its Unicode code point) with the
  // weight and slant the face itself lacks.
  bool LoadGlyph(uint8_t Code) {
    const FT_UInt index = FT_Get_Char_Index(FFace, Code);
    if (FT_Load_Glyph(FFace, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return false;
    if (FMatch.NeedsBold) FT_GlyphSlot_Embolden(FFace->glyph);
    if (FMatch.NeedsItalic) FT_GlyphSlot_Oblique(FFace->glyph);
    return true;
  }

  static void Blit(TGreyImage& Image, const FT_Bitmap& B, int32_t Left, int32_t Top) {
    for (unsigned row = 0; row < B.rows; ++row) {
      const int32_t y = Top + static_cast<int32_t>(row);
      if (y < 0 || y >= Image.Height) continue;
      const uint8_t* src = B.buffer + static_cast<ptrdiff_t>(row) * B.pitch;
      uint8_t* dst = Image.Row(y);
      for (unsigned col = 0; col < B.width; ++col) {
        const int32_t x = Left + static_cast<int32_t>(col);
        if (x >= 0 && x < Image.Width) dst[x] = std::max(dst[x], src[col]);
      }
    }
  }

  static void Bar(TGreyImage& Image, int32_t X, int32_t Y, int32_t Width, int32_t Height) {
    for (int32_t y = std::max(Y, 0); y < std::min(Y + Height, Image.Height); ++y)
      for (int32_t x = std::max(X, 0); x < std::min(X + Width, Image.Width); ++x) Image.Row(y)[x] = 255;
  }

  std::shared_ptr<TFreeTypeRasterizer::TLibrary> FLibrary;  // outlives the face
  FT_Face FFace;
  TMatch FMatch;
  uint8_t FStyle;
  int32_t FAscent = 0, FHeight = 0;
};

}  // namespace

TFreeTypeRasterizer::TFreeTypeRasterizer() : FLibrary(std::make_shared<TLibrary>()) {}

TFreeTypeRasterizer::~TFreeTypeRasterizer() = default;

std::unique_ptr<IRasterFont> TFreeTypeRasterizer::OpenFont(const std::string& Face, uint8_t Style,
                                                           int32_t PixelHeight) {
  if (PixelHeight < 1 || PixelHeight > 4096)
    throw EOSError("Font height " + std::to_string(PixelHeight) + " is not from 1 to 4096 pixels");
  if (!FLibrary->Library) throw EOSError("The font library could not be started");
  if (!FcInit()) throw EOSError("fontconfig could not be started");
  const TMatch match = MatchFace(Face, Style);
  FT_Face face = nullptr;
  if (match.File.empty() || FT_New_Face(FLibrary->Library, match.File.c_str(), match.Index, &face) != 0)
    throw EOSError("No font file found for the face '" + Face + "'");
  // The height asked for is the line's (ascent plus descent), not the em.
  FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_CELL, 0, static_cast<FT_Long>(PixelHeight) << 6, 0, 0};
  if (FT_Request_Size(face, &request) != 0) {
    FT_Done_Face(face);
    throw EOSError("The font " + match.File + " cannot be used at " + std::to_string(PixelHeight) + " pixels");
  }
  return std::make_unique<TFreeTypeFont>(FLibrary, face, match, Style);
}

}  // namespace emberhall

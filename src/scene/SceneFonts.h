// Texture fonts and the texts drawn with them: up to 256 characters in the
// square cells of one texture, painted from a system font or described by a
// metrics file, and one display list per code that draws the character's
// quad and moves the pen on.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gl/GLTypes.h"
#include "scene/SceneObjects.h"

namespace emberhall {

class TGLTexture;
class TGLDisplayList;
class TSceneTexture;

struct TCharRecord {
  int32_t Width = 0;   // pixels: the advance and the quad's width
  int32_t Height = 0;  // pixels: measured or read, not used for drawing
  uint8_t Enabled = 1;
  uint8_t Cell = 0;
};

enum TFontOption : uint8_t { foFixedSize = 1, foSoften = 2, foBuildFromFont = 4, foFixedView = 8, foScaled = 16 };

// "[FixedSize,BuildFromFont]", "[]" for none; reading finds the lower-case
// names anywhere in the lower-cased text.
std::string FontOptionsToStr(uint8_t Options);
uint8_t StrToFontOptions(const std::string& Text);
std::string FontStyleToStr(uint8_t Style);
uint8_t StrToFontStyle(const std::string& Text);

class TSceneFont : public TMainSceneObject {
 public:
  static constexpr int32_t MaxTextureSize = 4096;

  TSceneFont();
  ~TSceneFont() override;
  const char* ClassName() const override { return "TSceneFont"; }
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;

  void Build();
  void Release();
  void BeginText();
  void TextOut(int32_t X, int32_t Y, const std::string& Text);
  void EndText();
  void SetColor(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t Alpha);
  // Codes First..Last (0 <= First, Last <= 255); disabling clears the record.
  void SetChars(int32_t First, int32_t Last, bool Enabled);
  void EnableChar(char Ch) { EnableCode(static_cast<uint8_t>(Ch)); }
  void EnableCharRange(char FirstCh, char LastCh) {
    SetChars(static_cast<uint8_t>(FirstCh), static_cast<uint8_t>(LastCh), true);
  }
  void EnableCode(int32_t Code) { SetChars(Code, Code, true); }
  void EnableCodeRange(int32_t First, int32_t Last) { SetChars(First, Last, true); }
  void EnableString(const std::string& S);
  void DisableAllChars() { SetChars(0, 255, false); }
  void NumberCells();
  // Cells per row of the texture.
  int32_t PerRow() const { return FontCellSize > 0 ? TextureSize / FontCellSize : 0; }

  bool Built = false;
  TGLTexture* FontTexture = nullptr;
  TGLDisplayList* CharLists = nullptr;
  std::array<TCharRecord, 256> Glyphs;
  int32_t TextureSize = 256;
  int32_t FontCellSize = 16;
  TGLPackedColor Color = PackRGBA(255, 255, 255, 255);
  std::string FontName = "Arial";
  std::string FileName;
  int32_t CharCount = 256;
  uint8_t FontStyle = 1;  // fsBold
  int32_t FixedWidth = 0;
  int32_t ViewWidth = 1024;
  int32_t ViewHeight = 768;
  float ScaleY = 1.0f;
  float ScaleX = 1.0f;
  uint8_t AlphaBackground = 0;
  uint8_t FontOptions = foBuildFromFont;
  TSceneTexture* Texture = nullptr;  // the glyphs' picture (without BuildFromFont)

 private:
  void CheckSizes() const;
  void CompileGlyphs(TGLDisplayList* Lists);
  void RasterizeFont();
  void ReadMetrics();
  void ReadCharacterKeys(TResourceLoader& Loader);
};

class TSceneBaseText : public TMainSceneObject {
 public:
  TSceneBaseText();
  const char* ClassName() const override { return "TSceneBaseText"; }
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;
  void SetPosition(int32_t AX, int32_t AY) {
    X = AX;
    Y = AY;
  }
  void SetColor(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t Alpha) { Color = PackRGBA(Red, Green, Blue, Alpha); }

  int32_t X = 0, Y = 0;
  TGLPackedColor Color = PackRGBA(255, 255, 255, 255);
  TSceneFont* Font = nullptr;
};

class TSceneString : public TSceneBaseText {
 public:
  const char* ClassName() const override { return "TSceneString"; }
  void RenderTransparent() override;
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;

  std::string Text;
};

class TSceneText : public TSceneBaseText {
 public:
  TSceneText() { StringColor = Color; }
  const char* ClassName() const override { return "TSceneText"; }
  void RenderTransparent() override;
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;

  std::vector<std::string> Lines;
  int32_t StringIndex = -1;
  TGLPackedColor StringColor;
};

// Registers TSceneFont, TSceneString and TSceneText.
void RegisterFontClasses();

// The 256 records of a metrics text (a header line, then "enabled width
// height" per code); widths and heights are kept within 0..CellSize. Lines
// the text does not have leave their codes disabled. Raises EConvertError
// naming Source and the line for a line that is not three integers.
std::array<TCharRecord, 256> ParseFontMetrics(std::span<const uint8_t> Bytes, int32_t CellSize,
                                              const std::string& Source);

}  // namespace emberhall

// Scene textures: named scene nodes that turn a picture (BMP or JPEG, from a
// file or an embedded resource) into an OpenGL texture, with an alpha channel
// from a second picture or a key colour; and the "Textures" list that owns
// them and carries the quality, colour depth and mipmapping of all of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gl/GLTextures.h"
#include "gl/GLTypes.h"
#include "platform/PictureFiles.h"
#include "scene/RenderCaches.h"
#include "scene/SceneObjects.h"

namespace emberhall {

class TSceneTextureList;

// How the alpha channel is made: none (three-byte pixels), from the
// brightness of an alpha picture, or 0 where the colour is the key colour.
enum TTextureFormat : uint8_t { tfTexture = 0, tfAlpha = 1, tfSprite = 2 };
// Internal precision of the textures in video memory.
enum TTextureColorBit : uint8_t { cb32Bit = 0, cb16Bit = 1 };
// Size reduction of pictures on load: every 1st, 2nd or 4th pixel.
enum TTextureQuality : uint8_t { tqHigh = 0, tqMedium = 1, tqLow = 2 };

// "Format" by case-sensitive substring: "Texture", then "Alpha", then
// "Sprite"; anything else is Texture.
TTextureFormat StrToTextureFormat(const std::string& Text);
std::string TextureFormatToStr(TTextureFormat Format);
// "Quality": contains "High", else contains "Medium", else Low.
TTextureQuality StrToTextureQuality(const std::string& Text);
std::string TextureQualityToStr(TTextureQuality Quality);
// "ColorBit": contains "32" is 32 bits, anything else 16 bits.
TTextureColorBit StrToTextureColorBit(const std::string& Text);
std::string TextureColorBitToStr(TTextureColorBit ColorBit);
// 1, 2 or 4.
int32_t ReductionOf(TTextureQuality Quality);
// Every how many pixels a picture of this width is sampled: never below 32
// pixels of width, and pictures under 32 pixels wide are kept whole.
int32_t ReductionFor(int32_t PictureWidth, TTextureQuality Quality);

// Texture pixels are rows of blue, green, red (and alpha for Alpha and
// Sprite), texture row 0 being the picture's bottom row. The GL texture is
// made on first need and owned; it belongs to the context's texture list, so
// the scene must be freed before the OpenGL object.
class TSceneTexture : public TMainObject, public ISceneTexture {
 public:
  TSceneTexture() = default;
  ~TSceneTexture() override;
  const char* ClassName() const override { return "TSceneTexture"; }
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;

  // The owner as a texture list, or null.
  TSceneTextureList* TextureList() const;
  // Reads a picture by its lower-case extension: ".bmp" from the resource
  // (BITMAP) when the list's SourceLocation has Resource, else from the file;
  // ".jpg"/".jpeg" from the file when it has File, else from the resource
  // (RCDATA). Any other extension gives an empty picture. Raises the
  // reader's error.
  TBitmap LoadBitmap(const std::string& FileName) const;
  // Reads the picture(s), sizes the GL texture by Reduction and fills its
  // pixel buffer; nothing is sent to OpenGL. Texture must exist.
  void LoadTexture();
  // Converts the pictures into the pixel buffer (AlphaBitmap only for Alpha).
  void AlphaFromBitmap(const TBitmap& Bitmap, const TBitmap* AlphaBitmap);
  void SetSpriteColor(uint8_t Red, uint8_t Green, uint8_t Blue);
  // Replaces Texture by an empty GL texture for NewFormat and the list's
  // settings, and stores NewFormat.
  void CreateGLTexture(TTextureFormat NewFormat);
  // Makes and loads the GL texture when there is none.
  void Prepare();
  // Prepare, then the GL texture's Use (upload at first use, bind).
  void Bind();
  bool HasAlpha() const { return Format == tfAlpha || Format == tfSprite; }
  void BindTexture() override { Bind(); }

  std::string AlphaName;
  std::string TextureName;
  TGLTexture* Texture = nullptr;
  TGLPackedColor SpriteColor = 0;  // bytes red, green, blue, alpha; alpha is not compared
  TTextureFormat Format = tfTexture;
  bool AutoSpriteColor = false;
  int32_t Reduction = 1;

 private:
  std::string ListPath() const;
};

class TSceneTextureList : public TResource {
 public:
  const char* ClassName() const override { return "TSceneTextureList"; }
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;
  // Lines of a resource script that embeds the pictures under the names
  // LoadBitmap looks for: "<resource name> Bitmap <path>" for ".bmp" files,
  // "<resource name> RCData <path>" for the others.
  void ListResources(std::vector<std::string>& Lines) override;

  // In name order; null for a child that is no texture.
  TSceneTexture* Textures(int Index) const;
  TSceneTexture* FindTexture(const std::string& Name) const;
  // Adds a texture named after the file part of AlphaFileName (when given)
  // or of FileName and reads its pictures at once. When the list holds that
  // name already nothing is read or changed. Returns the texture of the name
  // (null when that node is no texture).
  TSceneTexture* AddTextureFile(TTextureFormat Format, const std::string& FileName, const std::string& AlphaFileName,
                                bool AutoSpriteColor, uint8_t Red, uint8_t Green, uint8_t Blue);
  TSceneTexture* AddTexture(const std::string& FileName);
  TSceneTexture* AddAlphaTexture(const std::string& FileName, const std::string& AlphaFileName);
  TSceneTexture* AddSpriteTexture(const std::string& FileName);
  // Applies MipMap and ColorBit to every texture that has a GL texture: its
  // OpenGL object is deleted so that the next use uploads the kept pixels
  // with the new filter and internal format; no picture is read again.
  void UpdateTextureSettings();

  bool MipMap = false;
  TTextureColorBit ColorBit = cb32Bit;
  TTextureQuality Quality = tqHigh;
};

}  // namespace emberhall

#include "scene/SceneTextures.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "gl/GLContext.h"
#include "platform/Resources.h"
#include "platform/SysUtils.h"
#include "scene/ResourceLoader.h"

namespace emberhall {

namespace {

// The part after the last "\", "/" or ":".
std::string FilePartOf(const std::string& FileName) {
  const size_t separator = FileName.find_last_of("\\/:");
  return separator == std::string::npos ? FileName : FileName.substr(separator + 1);
}

// The file part's last "." and what follows, in lower case; "" for none.
std::string LowerExtensionOf(const std::string& FileName) {
  const std::string file = FilePartOf(FileName);
  const size_t dot = file.rfind('.');
  return dot == std::string::npos ? "" : LowerCase(file.substr(dot));
}

TBitmap ResourceBitmap(const std::string& FileName, TResourceType Type) {
  const std::string name = ResourceNameOf(FileName);
  const TResourceData data = FindResourceData(name, Type);
  if (!data.Found) throw EOSError("Cannot read the picture " + name + ": the program has no resource of that name");
  return Type == TResourceType::Bitmap ? DecodeBitmapBMP(data.Bytes, name) : DecodeBitmapJPEG(data.Bytes, name);
}

GLenum InternalFormatFor(TTextureFormat Format, TTextureColorBit ColorBit) {
  const bool low = ColorBit == cb16Bit;
  switch (Format) {
    case tfAlpha: return low ? GL_RGBA4 : GL_RGBA8;
    case tfSprite: return low ? GL_RGB5_A1 : GL_RGBA8;
    default: return low ? GL_RGB5 : GL_RGB8;
  }
}

// Blue, green, red of every pixel value of a picture: its palette entries
// for 8 bits (copied out before the conversion).
struct TColourSource {
  explicit TColourSource(const TBitmap& B) : Picture(B) {
    if (!B.Palette) return;
    for (size_t i = 0; i < 256; ++i) Table[i] = {(*B.Palette)[i].Blue, (*B.Palette)[i].Green, (*B.Palette)[i].Red};
  }
  const uint8_t* At(int32_t X, int32_t Y) const {
    const uint8_t* row = Picture.Row(Y);
    return Picture.Palette ? Table[row[X]].data() : row + 3 * X;
  }
  const TBitmap& Picture;
  std::array<std::array<uint8_t, 3>, 256> Table{};
};

}  // namespace

// --- text forms and the reduction ---

TTextureFormat StrToTextureFormat(const std::string& Text) {
  if (Text.find("Texture") != std::string::npos) return tfTexture;
  if (Text.find("Alpha") != std::string::npos) return tfAlpha;
  if (Text.find("Sprite") != std::string::npos) return tfSprite;
  return tfTexture;
}

std::string TextureFormatToStr(TTextureFormat Format) {
  return Format == tfAlpha ? "Alpha" : Format == tfSprite ? "Sprite" : "Texture";
}

TTextureQuality StrToTextureQuality(const std::string& Text) {
  if (Text.find("High") != std::string::npos) return tqHigh;
  if (Text.find("Medium") != std::string::npos) return tqMedium;
  return tqLow;
}

std::string TextureQualityToStr(TTextureQuality Quality) {
  return Quality == tqHigh ? "High" : Quality == tqMedium ? "Medium" : "Low";
}

TTextureColorBit StrToTextureColorBit(const std::string& Text) {
  return Text.find("32") != std::string::npos ? cb32Bit : cb16Bit;
}

std::string TextureColorBitToStr(TTextureColorBit ColorBit) { return ColorBit == cb32Bit ? "32bit" : "16bit"; }

int32_t ReductionOf(TTextureQuality Quality) { return Quality == tqHigh ? 1 : Quality == tqMedium ? 2 : 4; }

int32_t ReductionFor(int32_t PictureWidth, TTextureQuality Quality) {
  if (PictureWidth < 32) return 1;
  const int32_t reduction = ReductionOf(Quality);
  return PictureWidth / reduction < 32 ? PictureWidth / 32 : reduction;
}

// --- TSceneTexture ---

TSceneTexture::~TSceneTexture() {
  UnlinkFromOwner();
  delete Texture;
}

TSceneTextureList* TSceneTexture::TextureList() const { return dynamic_cast<TSceneTextureList*>(Owner); }

std::string TSceneTexture::ListPath() const {
  const TSceneTextureList* list = TextureList();
  return list ? list->Path : std::string();
}

void TSceneTexture::SaveToLoader(TResourceLoader& Loader) {
  TMainObject::SaveToLoader(Loader);
  const std::string path = ListPath();
  Loader.WritePath("TextureName", path, TextureName);
  if (Format == tfAlpha) Loader.WritePath("AlphaName", path, AlphaName);
  if (Format != tfTexture) Loader.WriteString("Format", TextureFormatToStr(Format));
  if (Format == tfSprite && !AutoSpriteColor) Loader.WriteColorBytes("SpriteColor", SpriteColor);
  if (Format == tfSprite && AutoSpriteColor) Loader.WriteBool("AutoSpriteColor", true);
  // Written for whoever reads the file; loading takes the reference from the format.
  if (HasAlpha() && Texture) Loader.WriteFloat("AlphaValue", Texture->AlphaReference);
}

void TSceneTexture::LoadFromLoader(TResourceLoader& Loader) {
  TMainObject::LoadFromLoader(Loader);
  const std::string path = ListPath();
  TextureName = Loader.ReadPath("TextureName", path, "");
  AlphaName = Loader.ReadPath("AlphaName", path, "");
  Format = StrToTextureFormat(Loader.ReadString("Format", AlphaName.empty() ? "Texture" : "Alpha"));
  SpriteColor = Loader.ReadColorBytes("SpriteColor", SpriteColor);
  AutoSpriteColor = Loader.ReadBool("AutoSpriteColor", false);
}

TBitmap TSceneTexture::LoadBitmap(const std::string& FileName) const {
  const TSceneTextureList* list = TextureList();
  const TSourceLocations where = list ? list->SourceLocation : TSourceLocations(slFile);
  const std::string extension = LowerExtensionOf(FileName);
  if (extension == ".bmp")
    return (where & slResource) ? ResourceBitmap(FileName, TResourceType::Bitmap) : LoadBitmapBMP(NativePath(FileName));
  if (extension == ".jpg" || extension == ".jpeg")
    return (where & slFile) ? LoadBitmapJPEG(NativePath(FileName)) : ResourceBitmap(FileName, TResourceType::RCData);
  return {};
}

void TSceneTexture::LoadTexture() {
  if (!Texture) throw Exception("TSceneTexture.LoadTexture error: " + Name + " has no GL texture");
  const TSceneTextureList* list = TextureList();
  const std::string path = ListPath();
  const TBitmap picture = LoadBitmap(CombinePath(path, TextureName));
  Reduction = ReductionFor(picture.Width, list ? list->Quality : tqHigh);
  Texture->SetSize(picture.Width / Reduction, picture.Height / Reduction);
  // Cleared, so that a conversion that fails leaves a black texture.
  std::memset(Texture->AllocatePixels(), 0, static_cast<size_t>(Texture->FrameSize));
  std::optional<TBitmap> alpha;
  if (Format == tfAlpha && !SameText(TextureName, AlphaName)) alpha = LoadBitmap(CombinePath(path, AlphaName));
  AlphaFromBitmap(picture, Format != tfAlpha ? nullptr : alpha ? &*alpha : &picture);
}

void TSceneTexture::AlphaFromBitmap(const TBitmap& Bitmap, const TBitmap* AlphaBitmap) {
  if (Format == tfAlpha && (!AlphaBitmap || AlphaBitmap->Width != Bitmap.Width || AlphaBitmap->Height != Bitmap.Height))
    throw Exception("TSceneTexture.AlphaFromBitmap error: Texture size is not equal Alpha size!");
  if (!Texture || !Texture->Pixels || Texture->Width == 0 || Texture->Height == 0) return;
  const int32_t step = std::max(Reduction, 1);
  const int32_t bytes = Texture->BytesPerPixel;
  if ((bytes != 3 && bytes != 4) || int64_t(Texture->Width) * step > Bitmap.Width ||
      int64_t(Texture->Height) * step > Bitmap.Height)
    throw Exception("TSceneTexture.AlphaFromBitmap error: the texture of " + Name + " does not fit its picture");
  const TColourSource colour(Bitmap);
  std::optional<TColourSource> alpha;
  if (Format == tfAlpha) alpha.emplace(*AlphaBitmap);
  if (Format == tfSprite && AutoSpriteColor) {
    const uint8_t* first = colour.At(0, 0);
    SetSpriteColor(first[2], first[1], first[0]);
  }
  const uint8_t key[3] = {static_cast<uint8_t>(SpriteColor >> 16), static_cast<uint8_t>(SpriteColor >> 8),
                          static_cast<uint8_t>(SpriteColor)};  // blue, green, red
  for (int32_t y = 0; y < Texture->Height; ++y) {
    uint8_t* out = Texture->GetRow(y);
    const int32_t sourceRow = (Texture->Height - 1 - y) * step;
    for (int32_t x = 0; x < Texture->Width; ++x, out += bytes) {
      const uint8_t* pixel = colour.At(x * step, sourceRow);
      std::copy(pixel, pixel + 3, out);
      if (bytes == 3) continue;
      if (Format == tfAlpha) {
        const uint8_t* a = alpha->At(x * step, sourceRow);
        out[3] = static_cast<uint8_t>((a[0] + a[1] + a[2]) / 3);
      } else if (Format == tfSprite) {
        out[3] = std::equal(pixel, pixel + 3, key) ? 0 : 255;
      } else {
        out[3] = 255;
      }
    }
  }
}

void TSceneTexture::SetSpriteColor(uint8_t Red, uint8_t Green, uint8_t Blue) {
  SpriteColor = PackRGBA(Red, Green, Blue, 0);
}

void TSceneTexture::CreateGLTexture(TTextureFormat NewFormat) {
  delete Texture;
  Texture = nullptr;
  TCustomOpenGL* openGL = MainScene ? MainScene->OpenGL : nullptr;
  if (!openGL) throw Exception("TSceneTexture.CreateGLTexture error: " + Name + " is in no scene with an OpenGL object");
  const TSceneTextureList* list = TextureList();
  TGLTextureList& textures = openGL->Textures;
  textures.SetUseBGRA(true);
  // The format before the change decides; textures being added are still Texture here.
  const bool mipmapped = list && list->MipMap && Format == tfTexture;
  if (openGL->IsGeneric()) {
    textures.DefaultFilter = mipmapped ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST;
  } else {
    textures.DefaultFilter = mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR;
  }
  Format = NewFormat;
  const bool low = list && list->ColorBit == cb16Bit;
  switch (Format) {
    case tfAlpha:
      Texture = low ? textures.AddRGBA4(0, 0) : textures.AddRGBA8(0, 0);
      Texture->AlphaReference = 0.02f;
      break;
    case tfSprite:
      Texture = low ? textures.AddRGB5A1(0, 0) : textures.AddRGBA8(0, 0);
      Texture->AlphaReference = 0.5f;
      break;
    default:
      Texture = low ? textures.AddRGB5(0, 0) : textures.AddRGB8(0, 0);
      break;
  }
}

void TSceneTexture::Prepare() {
  if (Texture) return;
  CreateGLTexture(Format);
  LoadTexture();
}

void TSceneTexture::Bind() {
  Prepare();
  Texture->Use();
}

// --- TSceneTextureList ---

void TSceneTextureList::SaveToLoader(TResourceLoader& Loader) {
  TResource::SaveToLoader(Loader);
  Loader.WriteString("Quality", TextureQualityToStr(Quality));
  Loader.WriteString("ColorBit", TextureColorBitToStr(ColorBit));
  Loader.WriteBool("MipMap", MipMap);
}

void TSceneTextureList::LoadFromLoader(TResourceLoader& Loader) {
  TResource::LoadFromLoader(Loader);
  Quality = StrToTextureQuality(Loader.ReadString("Quality", "High"));
  ColorBit = StrToTextureColorBit(Loader.ReadString("ColorBit", "32bit"));
  MipMap = Loader.ReadBool("MipMap", false);
}

void TSceneTextureList::ListResources(std::vector<std::string>& Lines) {
  TResource::ListResources(Lines);
  auto add = [&Lines](const std::string& File) {
    Lines.push_back(ResourceNameOf(File) + (LowerExtensionOf(File) == ".bmp" ? " Bitmap " : " RCData ") + File);
  };
  for (int i = 0; i < GetCount(); ++i) {
    const TSceneTexture* texture = Textures(i);
    if (!texture) continue;
    add(texture->TextureName);
    if (!texture->AlphaName.empty()) add(texture->AlphaName);
  }
}

TSceneTexture* TSceneTextureList::Textures(int Index) const { return dynamic_cast<TSceneTexture*>(GetItem(Index)); }

TSceneTexture* TSceneTextureList::FindTexture(const std::string& Name) const {
  return dynamic_cast<TSceneTexture*>(FindByName(Name));
}

TSceneTexture* TSceneTextureList::AddTextureFile(TTextureFormat Format, const std::string& FileName,
                                                 const std::string& AlphaFileName, bool AutoSpriteColor, uint8_t Red,
                                                 uint8_t Green, uint8_t Blue) {
  const std::string name = FilePartOf(AlphaFileName.empty() ? FileName : AlphaFileName);
  if (TMainObject* existing = FindByName(name)) return dynamic_cast<TSceneTexture*>(existing);
  auto* texture = new TSceneTexture();
  texture->Name = name;
  AddItem(texture);
  texture->CreateGLTexture(Format);
  texture->TextureName = CombinePath(Path, FileName);
  if (!AlphaFileName.empty()) texture->AlphaName = CombinePath(Path, AlphaFileName);
  texture->SetSpriteColor(Red, Green, Blue);
  texture->AutoSpriteColor = AutoSpriteColor;
  texture->LoadTexture();
  return texture;
}

TSceneTexture* TSceneTextureList::AddTexture(const std::string& FileName) {
  return AddTextureFile(tfTexture, FileName, "", false, 0, 0, 0);
}

TSceneTexture* TSceneTextureList::AddAlphaTexture(const std::string& FileName, const std::string& AlphaFileName) {
  return AddTextureFile(tfAlpha, FileName, AlphaFileName, false, 0, 0, 0);
}

TSceneTexture* TSceneTextureList::AddSpriteTexture(const std::string& FileName) {
  return AddTextureFile(tfSprite, FileName, "", true, 0, 0, 0);
}

void TSceneTextureList::UpdateTextureSettings() {
  TCustomOpenGL* openGL = MainScene ? MainScene->OpenGL : nullptr;
  const bool software = openGL && openGL->IsGeneric();
  for (int i = 0; i < GetCount(); ++i) {
    TSceneTexture* texture = Textures(i);
    if (!texture || !texture->Texture) continue;
    TGLTexture& gl = *texture->Texture;
    gl.DeleteTexture();
    if (software) {
      gl.Filter = MipMap && texture->Format == tfTexture ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST;
    } else {
      gl.Filter = MipMap ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR;
    }
    gl.InternalFormat = InternalFormatFor(texture->Format, ColorBit);
  }
}

}  // namespace emberhall

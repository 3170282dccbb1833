// Arbitrary bytes as a BMP and as a JPEG picture; whatever decodes is turned
// into texture pixels of all three formats (without a GL context: only the
// pixel buffers are filled). Built as a libFuzzer target with
// EMBERHALL_FUZZ_MAIN; the tests replay the corpus through the same function.
#include <cstddef>
#include <cstdint>
#include <span>

#include "gl/GLContext.h"
#include "platform/PictureFiles.h"
#include "platform/SysUtils.h"
#include "scene/SceneTextures.h"

namespace emberhall {

namespace {

// The conversion does the same for every size; larger pictures only take longer.
constexpr int32_t MaxConvertedSide = 1024;

int32_t PowerOfTwoAtMost(int32_t V) {
  int32_t p = 1;
  while (p * 2 <= V) p *= 2;
  return V > 0 ? p : 0;
}

void ConvertToTextures(const TBitmap& Picture, uint8_t Choice) {
  if (Picture.Width > MaxConvertedSide || Picture.Height > MaxConvertedSide) return;
  TCustomOpenGL openGL;
  TMainScene scene;
  scene.OpenGL = &openGL;
  auto* list = new TSceneTextureList();
  list->Name = "Textures";
  scene.AddItem(list);
  list->Quality = static_cast<TTextureQuality>(Choice % 3);
  list->ColorBit = Choice & 4 ? cb16Bit : cb32Bit;
  auto* texture = new TSceneTexture();
  texture->Name = "T";
  list->AddItem(texture);
  for (const TTextureFormat format : {tfTexture, tfAlpha, tfSprite}) {
    texture->CreateGLTexture(format);
    texture->AutoSpriteColor = (Choice & 8) != 0;
    texture->Reduction = ReductionFor(Picture.Width, list->Quality);
    // The GL texture takes powers of two: a picture of another size fills
    // the largest one it covers.
    texture->Texture->SetSize(PowerOfTwoAtMost(Picture.Width / texture->Reduction),
                              PowerOfTwoAtMost(Picture.Height / texture->Reduction));
    texture->Texture->AllocatePixels();
    texture->AlphaFromBitmap(Picture, &Picture);
  }
  scene.FreeAll();  // the textures go while their GL objects' list still exists
}

}  // namespace

void DecodePictureBytes(const uint8_t* Data, size_t Size) {
  const std::span<const uint8_t> bytes(Data, Size);
  const uint8_t choice = Size > 0 ? Data[Size - 1] : 0;
  for (const bool jpeg : {false, true}) {
    try {
      const TBitmap picture = jpeg ? DecodeBitmapJPEG(bytes, "fuzz.jpg") : DecodeBitmapBMP(bytes, "fuzz.bmp");
      ConvertToTextures(picture, choice);
    } catch (const EOSError&) {
      // A refused picture.
    }
  }
}

}  // namespace emberhall

#ifdef EMBERHALL_FUZZ_MAIN
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  emberhall::DecodePictureBytes(Data, Size);
  return 0;
}
#endif

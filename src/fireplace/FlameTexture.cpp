#include "fireplace/FlameTexture.h"

#include <algorithm>

#include "fireplace/VectorClones.h"
#include "scene/SceneTextures.h"

namespace emberhall {

namespace {

// Heat values are 0..1024 after every step; the palette lookup relies on it.
EMBERHALL_VECTOR_CLONES void PaletteRow(const int32_t* __restrict heat,
                                                                  uint32_t* __restrict out, int32_t width,
                                                                  const uint32_t* __restrict palette) {
  for (int32_t i = 0; i < width; ++i) out[i] = palette[heat[i]];
}

// The four pattern cells of a heat value lie side by side, so the cell of
// pixel i is flat[4 * heat + base + (i mod 2)].
EMBERHALL_VECTOR_CLONES void DitherRow(const int32_t* __restrict heat,
                                                                 uint32_t* __restrict out, int32_t width,
                                                                 const uint32_t* __restrict flat, int32_t rowParity) {
  const int32_t base = 2 * rowParity;
  for (int32_t i = 0; i < width; ++i) out[i] = flat[4 * heat[i] + base + (i & 1)];
}

}  // namespace

void CopyFlameToPixels(const TFlame2D& Flame, uint32_t* Pixels, int32_t Width, int32_t Height, ptrdiff_t RowStride,
                       bool Dither) {
  const int32_t w = std::min(Width, Flame.Width);
  const int32_t h = std::min(Height, Flame.Height);
  for (int32_t r = 0; r < h; ++r) {
    uint32_t* out = Pixels + static_cast<ptrdiff_t>(Height - 1 - r) * RowStride;
    if (Dither) {
      DitherRow(Flame.Row(r), out, w, &Flame.DitherPalette[0][0], r % 2);
    } else {
      PaletteRow(Flame.Row(r), out, w, Flame.Palette);
    }
  }
}

TGLTexture* CopyFlameToTexture(TMainScene& Scene, const TFlame2D& Flame) {
  auto* list = dynamic_cast<TSceneTextureList*>(Scene.FindByName("Textures"));
  TSceneTexture* texture = list ? list->FindTexture("FLAME.jpg") : nullptr;
  TGLTexture* gl = texture ? texture->Texture : nullptr;
  // A description may declare the flame's texture without alpha (three-byte
  // pixels) or leave it without a picture; the copy writes four-byte pixels.
  if (!gl || !gl->Pixels || gl->BytesPerPixel != 4) return nullptr;
  CopyFlameToPixels(Flame, reinterpret_cast<uint32_t*>(gl->Pixels.get()), gl->Width, gl->Height, gl->Width,
                    list->ColorBit == cb16Bit);
  return gl;
}

void UpdateFlameTexture(TMainScene& Scene, const TFlame2D& Flame) {
  TGLTexture* gl = CopyFlameToTexture(Scene, Flame);
  if (!gl) return;
  gl->UpdateData();  // leaves it bound
  // Textures repeat: at the flame sheet's top edge the filter would blend in
  // the hot row by the source line, and single pixels lit up high above the
  // fire. Vertically the flame's texture ends at its edges instead (GL_CLAMP
  // blends with the border, transparent black, so the sheet's edge stays cold).
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
}

}  // namespace emberhall

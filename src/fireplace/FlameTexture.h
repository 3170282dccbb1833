// Turning the flame's heat grid into texture pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fireplace/FlameClasses.h"

namespace emberhall {

class TGLTexture;
class TMainScene;

// Copies the grid through the flame's palette into four-byte BGRA pixels,
// flipped vertically: pixel i of texture row H - 1 - r gets the colour of
// grid cell (r, i). Row k of the texture starts at Pixels + k * RowStride.
// With Dither the 2 x 2 pattern cell is 2 * (r mod 2) + (i mod 2) of the
// dithered palette (for textures kept at 16 bits per pixel). Only the part
// that both the texture and the grid cover is copied.
void CopyFlameToPixels(const TFlame2D& Flame, uint32_t* Pixels, int32_t Width, int32_t Height, ptrdiff_t RowStride,
                       bool Dither);

// The flame's picture in the scene: the texture "FLAME.jpg" of the list
// "Textures". Copies the grid into its pixels, through the dithered palette
// when the list keeps textures at 16 bits. Returns the GL texture written, or
// null (and writes nothing) when there is no such texture, it has no GL
// texture yet, or its pixels are not four bytes each.
TGLTexture* CopyFlameToTexture(TMainScene& Scene, const TFlame2D& Flame);
// The per-frame update: the copy, then the whole image sent to OpenGL (the
// first time uploaded). Does nothing when the copy finds no texture.
void UpdateFlameTexture(TMainScene& Scene, const TFlame2D& Flame);

}  // namespace emberhall

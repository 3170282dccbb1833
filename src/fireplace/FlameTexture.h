// Turning the flame's heat grid into texture pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fireplace/FlameClasses.h"

namespace emberhall {

// Copies the grid through the flame's palette into four-byte BGRA pixels,
// flipped vertically: pixel i of texture row H - 1 - r gets the colour of
// grid cell (r, i). Row k of the texture starts at Pixels + k * RowStride.
// With Dither the 2 x 2 pattern cell is 2 * (r mod 2) + (i mod 2) of the
// dithered palette (for textures kept at 16 bits per pixel). Only the part
// that both the texture and the grid cover is copied.
void CopyFlameToPixels(const TFlame2D& Flame, uint32_t* Pixels, int32_t Width, int32_t Height, ptrdiff_t RowStride,
                       bool Dither);

}  // namespace emberhall

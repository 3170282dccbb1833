// The clock's pictures: every digit, weekday name, the separator and the
// a.m./p.m. marks in cells of one 256 x 256 picture, light on black, and the
// matching coverage mask.
#pragma once

#include <string>
#include <vector>

#include "platform/PictureFiles.h"

namespace scenedata {

// A picture's cell: the sprite of that name cuts it out. X and Y of the
// top-left pixel, counted from the picture's top row.
struct TClockCell {
  std::string Name, Text;
  int X, Y, Width, Height;
  int PixelSize;  // the font size its text is drawn at
};

std::vector<TClockCell> ClockCells();

// Draws every cell's text with the bold Liberation Sans font that the
// scripts install; raises std::runtime_error when the font cannot be found.
void MakeClockPictures(emberhall::TBitmap& Colour, emberhall::TBitmap& Mask);

}  // namespace scenedata

// System fonts through GDI, as the scene's texture fonts use them.
#include <gtest/gtest.h>

#include <numeric>

#include "platform/SysUtils.h"
#include "platform/win32/GdiFonts.h"

namespace emberhall {
namespace {

struct TInk {
  long Total = 0;
  int32_t Left = INT32_MAX, Top = INT32_MAX, Right = INT32_MIN, Bottom = INT32_MIN;  // inclusive
};

TInk InkOf(const TGreyImage& Image) {
  TInk ink;
  for (int32_t y = 0; y < Image.Height; ++y)
    for (int32_t x = 0; x < Image.Width; ++x) {
      const uint8_t v = Image.Row(y)[x];
      if (v == 0) continue;
      ink.Total += v;
      ink.Left = std::min(ink.Left, x);
      ink.Right = std::max(ink.Right, x);
      ink.Top = std::min(ink.Top, y);
      ink.Bottom = std::max(ink.Bottom, y);
    }
  return ink;
}

TEST(GdiFonts, MeasuresFollowTheCharactersAndTheLineHeight) {
  TGdiFontRasterizer fonts;
  for (const int32_t height : {12, 16, 32, 64}) {
    for (const uint8_t style : {uint8_t(0), uint8_t(fsBold), uint8_t(fsItalic)}) {
      auto font = fonts.OpenFont("Arial", style, height);
      int32_t wideW = 0, wideH = 0, narrowW = 0, narrowH = 0;
      font->Measure('W', wideW, wideH);
      font->Measure('i', narrowW, narrowH);
      EXPECT_GT(wideW, narrowW) << height << " " << int(style);
      EXPECT_GT(narrowW, 0) << height << " " << int(style);
      // The height asked for is the line's.
      EXPECT_NEAR(wideH, height, 1) << height << " " << int(style);
      EXPECT_EQ(wideH, narrowH);
    }
  }
}

// Every character's ink lies inside its measured box at the place asked
// for, and the parts of a character that fall outside the image are cut
// off without touching anything else.
TEST(GdiFonts, PaintInksOnlyTheMeasuredBox) {
  TGdiFontRasterizer fonts;
  for (const int32_t height : {16, 40}) {
    auto font = fonts.OpenFont("Arial", 0, height);
    for (const uint8_t code : {uint8_t('W'), uint8_t('H'), uint8_t('M'), uint8_t('o'), uint8_t('|'), uint8_t('0'),
                               uint8_t(0xC9) /* E acute */, uint8_t(0x80) /* euro */}) {
      int32_t w = 0, h = 0;
      font->Measure(code, w, h);
      const int32_t x0 = 2 * height, y0 = height;
      TGreyImage image(5 * height, 3 * height);
      font->Paint(code, image, x0, y0);
      const TInk ink = InkOf(image);
      ASSERT_GT(ink.Total, 0) << code << " at " << height;
      // One pixel of antialiasing may spill over a side bearing of 0.
      EXPECT_GE(ink.Left, x0 - 1) << code << " at " << height;
      EXPECT_LE(ink.Right, x0 + w) << code << " at " << height;
      EXPECT_GE(ink.Top, y0) << code << " at " << height;
      EXPECT_LT(ink.Bottom, y0 + h) << code << " at " << height;

      // Cut at the image's top-left corner: what is left is the same ink.
      const int32_t dx = (ink.Left - x0) + w / 2, dy = (ink.Top - y0) + h / 4;
      TGreyImage corner(w, h);
      font->Paint(code, corner, -dx, -dy);
      for (int32_t y = 0; y < corner.Height; ++y)
        for (int32_t x = 0; x < corner.Width; ++x) {
          const int32_t fx = x0 + dx + x, fy = y0 + dy + y;
          ASSERT_EQ(corner.Row(y)[x], fx < image.Width && fy < image.Height ? image.Row(fy)[fx] : 0)
              << code << " at " << x << "," << y;
        }
    }
  }
}

TEST(GdiFonts, StylesChangeTheInk) {
  TGdiFontRasterizer fonts;
  auto paint = [&](uint8_t Style, uint8_t Code) {
    auto font = fonts.OpenFont("Arial", Style, 32);
    TGreyImage image(64, 48);
    font->Paint(Code, image, 8, 8);
    return InkOf(image);
  };
  const TInk regular = paint(0, 'W');
  EXPECT_GT(paint(fsBold, 'W').Total, regular.Total * 5 / 4) << "bold is heavier";
  EXPECT_EQ(paint(0, ' ').Total, 0);
  // A space has no ink of its own: only the lines of underline and strike-out.
  const TInk underline = paint(fsUnderline, ' '), strikeOut = paint(fsStrikeOut, ' ');
  EXPECT_GT(underline.Total, 0);
  EXPECT_GT(strikeOut.Total, 0);
  EXPECT_GT(underline.Top, strikeOut.Bottom) << "the underline lies below the strike-out line";
}

TEST(GdiFonts, UnknownFacesFallBackAndBadHeightsAreRefused) {
  TGdiFontRasterizer fonts;
  auto font = fonts.OpenFont("No Such Face In Any System", 0, 20);
  EXPECT_FALSE(font->FileName().empty());
  TGreyImage image(40, 40);
  font->Paint('A', image, 4, 4);
  EXPECT_GT(InkOf(image).Total, 0);
  EXPECT_FALSE(fonts.OpenFont("Arial", 0, 20)->FileName().empty());
  for (const int32_t height : {0, -5, 4097})
    EXPECT_THROW(fonts.OpenFont("Arial", 0, height), EOSError) << height;
}

}  // namespace
}  // namespace emberhall

// The system font rasteriser with the fonts scripts/deps installs.
#include "platform/FontRasterizer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/SysUtils.h"

using namespace emberhall;

namespace {

// Rows of the image in which some pixel is at least Level bright.
std::vector<int32_t> LitRows(const TGreyImage& Image, uint8_t Level = 1) {
  std::vector<int32_t> rows;
  for (int32_t y = 0; y < Image.Height; ++y)
    if (std::any_of(Image.Row(y), Image.Row(y) + Image.Width, [&](uint8_t v) { return v >= Level; })) rows.push_back(y);
  return rows;
}

}  // namespace

TEST(FontRasterizer, FaceNamesAndStylesResolveToFiles) {
  struct Case { const char* face; uint8_t style; const char* file; };
  const Case cases[] = {
      {"Arial", 0, "LiberationSans-Regular"},
      {"Arial", fsBold, "LiberationSans-Bold."},
      {"Arial", fsItalic, "LiberationSans-Italic"},
      {"Arial", fsBold | fsItalic, "LiberationSans-BoldItalic"},
      {"Arial", fsUnderline | fsStrikeOut, "LiberationSans-Regular"},  // drawn lines, same face
  };
  for (const Case& c : cases) {
    auto font = FontRasterizer().OpenFont(c.face, c.style, 16);
    EXPECT_NE(font->FileName().find(c.file), std::string::npos) << c.face << " " << int(c.style) << ": "
                                                                 << font->FileName();
  }
  // An unknown face is no error: the default sans face stands in.
  auto fallback = FontRasterizer().OpenFont("No Such Face 4711", fsBold, 16);
  EXPECT_FALSE(fallback->FileName().empty());
  int32_t w = 0, h = 0;
  fallback->Measure('W', w, h);
  EXPECT_GT(w, 0);
  for (int32_t bad : {0, -16, 4097}) EXPECT_THROW(FontRasterizer().OpenFont("Arial", 0, bad), EOSError) << bad;
}

TEST(FontRasterizer, GlyphsAreSmoothWhiteOnBlackInsideTheirLineBox) {
  auto font = FontRasterizer().OpenFont("Arial", fsBold, 16);
  int32_t wW = 0, wI = 0, h = 0, hI = 0;
  font->Measure('W', wW, h);
  font->Measure('i', wI, hI);
  EXPECT_EQ(h, 16);  // the line height asked for
  EXPECT_EQ(hI, 16);
  EXPECT_GT(wW, wI);
  EXPECT_LE(wW, 17);
  for (uint8_t code : {uint8_t('A'), uint8_t('g'), uint8_t(0xC4) /* Ä */, uint8_t('|')}) {
    TGreyImage image(32, 32);
    font->Paint(code, image, 0, 0);
    const std::vector<int32_t> rows = LitRows(image);
    ASSERT_FALSE(rows.empty()) << int(code);
    EXPECT_GE(rows.front(), 0) << int(code);
    EXPECT_LT(rows.back(), 16) << int(code);  // the descender of g and the accent of Ä stay in the box
    int32_t width = 0, height = 0;
    font->Measure(code, width, height);
    for (int32_t y = 0; y < image.Height; ++y)  // nothing right of the advance (plus a pixel of overhang)
      for (int32_t x = width + 1; x < image.Width; ++x) ASSERT_EQ(image.Row(y)[x], 0) << int(code) << " " << x;
    const bool smooth = std::any_of(image.Pixels.begin(), image.Pixels.end(), [](uint8_t v) { return v > 0 && v < 255; });
    EXPECT_TRUE(smooth) << int(code);
    EXPECT_GE(*std::max_element(image.Pixels.begin(), image.Pixels.end()), 224) << int(code);  // white
  }
}

TEST(FontRasterizer, UnderlineAndStrikeOutAreLinesAcrossTheAdvance) {
  struct Case { uint8_t style; int32_t fromRow, toRow; };
  // At 32 pixels: the underline below the baseline, the strike-out through the middle of the x-height.
  const Case cases[] = {{fsUnderline, 24, 31}, {fsStrikeOut, 12, 22}};
  for (const Case& c : cases) {
    auto font = FontRasterizer().OpenFont("Arial", c.style, 32);
    int32_t width = 0, height = 0;
    font->Measure(' ', width, height);
    TGreyImage image(64, 40);
    font->Paint(' ', image, 0, 0);  // a blank: only the line is painted
    const std::vector<int32_t> rows = LitRows(image, 255);
    ASSERT_FALSE(rows.empty()) << int(c.style);
    EXPECT_GE(rows.front(), c.fromRow) << int(c.style);
    EXPECT_LE(rows.back(), c.toRow) << int(c.style);
    EXPECT_EQ(std::count(image.Row(rows.front()), image.Row(rows.front()) + image.Width, 255), width) << int(c.style);
  }
}

TEST(FontRasterizer, PaintingOutsideTheImageIsCutOff) {
  auto font = FontRasterizer().OpenFont("Arial", 0, 64);
  TGreyImage image(16, 16);
  for (auto [x, y] : {std::pair{-40, -40}, {-8, -8}, {10, 10}, {100, 100}, {-1000000, 5}}) font->Paint('W', image, x, y);
  TGreyImage empty(0, 0);
  font->Paint('W', empty, 0, 0);
  EXPECT_GT(std::count_if(image.Pixels.begin(), image.Pixels.end(), [](uint8_t v) { return v > 0; }), 0);
}

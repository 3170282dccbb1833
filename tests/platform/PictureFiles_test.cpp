#include <gtest/gtest.h>

#include <cstring>

#include "platform/PictureFiles.h"
#include "platform/SysUtils.h"
#include "support/TestSupport.h"

namespace emberhall {
namespace {

std::vector<uint8_t> Bytes(const std::string& Text) { return {Text.begin(), Text.end()}; }

TEST(PictureFiles, EightBitBitmapsKeepPixelsAndPalette) {
  test::TTempDir dir;
  for (const int width : {1, 3, 4, 7, 256}) {  // rows padded to four bytes
    TBitmap8 picture;
    picture.Width = width;
    picture.Height = 5;
    for (int i = 0; i < width * 5; ++i) picture.Pixels.push_back(static_cast<uint8_t>(i * 7));
    for (int i = 0; i < 256; ++i)
      picture.Palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2)};
    const std::string file = dir.File("p.bmp");
    SaveBitmapBMP8(file, picture);
    const TBitmap8 read = DecodeBitmapBMP8(Bytes(test::ReadFile(file)));
    EXPECT_EQ(read.Width, width);
    EXPECT_EQ(read.Height, 5);
    EXPECT_EQ(read.Pixels, picture.Pixels) << width;  // the top row comes first again
    EXPECT_EQ(read.Palette, picture.Palette);
  }
}

TEST(PictureFiles, DamagedOrOtherBitmapsAreRefused) {
  test::TTempDir dir;
  TBitmap8 picture;
  picture.Width = picture.Height = 8;
  picture.Pixels.assign(64, 1);
  SaveBitmapBMP8(dir.File("p.bmp"), picture);
  const std::string good = test::ReadFile(dir.File("p.bmp"));
  TBitmap24 colour;
  colour.Width = colour.Height = 8;
  colour.Pixels.assign(8 * 8 * 3, 9);
  SaveBitmapBMP(dir.File("c.bmp"), colour);
  std::string hugeWidth = good;
  hugeWidth[21] = 0x7f;
  const std::string cases[] = {"", "BM", good.substr(0, good.size() - 1), good.substr(0, 60), "XX" + good.substr(2),
                               test::ReadFile(dir.File("c.bmp")), hugeWidth};
  for (const std::string& c : cases) EXPECT_THROW(DecodeBitmapBMP8(Bytes(c)), EOSError) << c.size();
  // Rows stored top first (a negative height) read the same way round.
  std::string topDown = good;
  const int32_t minusEight = -8;
  std::memcpy(topDown.data() + 22, &minusEight, 4);
  EXPECT_EQ(DecodeBitmapBMP8(Bytes(topDown)).Height, 8);
}

}  // namespace
}  // namespace emberhall

#include "app/SnapShot.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/SysUtils.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

TEST(SnapShot, NumberedNames) {
  struct Case { const char* name; int counter; const char* numbered; };
  const Case cases[] = {
      {"base.jpg", 1, "base1.jpg"}, {"base.jpg", 12, "base12.jpg"}, {"a.b.jpg", 1, "a1.b.jpg"},
      {".jpg", 3, ".jpg"},          {"noext", 2, "noext"},           {"", 1, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(NumberedSnapShotName(c.name, c.counter), c.numbered) << c.name;
}

TEST(SnapShot, CaptureBecomesATopDownBGRPicture) {
  TGLScreenShot shot;
  shot.Width = 2;
  shot.Height = 2;
  shot.RowSize = 6;
  // Bottom row: red, green; top row: blue, white (RGB).
  shot.Data = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  TBitmap b = BitmapFromCapture(shot);
  EXPECT_EQ(std::vector<uint8_t>(b.Row(0), b.Row(0) + 6), (std::vector<uint8_t>{255, 0, 0, 255, 255, 255}));
  EXPECT_EQ(std::vector<uint8_t>(b.Row(1), b.Row(1) + 6), (std::vector<uint8_t>{0, 0, 255, 0, 255, 0}));
}

TEST(SnapShot, FilesByExtension) {
  TTempDir dir;
  TBitmap picture;
  picture.Width = 33;  // an odd width: BMP rows are padded
  picture.Height = 17;
  picture.Pixels.resize(33 * 17 * 3);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 33; ++x) {
      uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x * 7), p[1] = static_cast<uint8_t>(y * 15), p[2] = 200;
    }
  struct Case { const char* name; bool written; };
  const Case cases[] = {{"shot.jpg", true}, {"shot.JPEG", true}, {"shot.bmp", true}, {"shot.png", false}, {"shot", false}};
  for (const Case& c : cases) {
    EXPECT_EQ(SaveSnapShotFile(dir.File(c.name), picture), c.written) << c.name;
    EXPECT_EQ(std::filesystem::exists(dir.File(c.name)), c.written) << c.name;
  }
  // The JPEG decodes to the picture (within JPEG's loss at quality 90).
  TBitmap back = LoadBitmapJPEG(dir.File("shot.jpg"));
  ASSERT_EQ(back.Width, 33);
  ASSERT_EQ(back.Height, 17);
  int worst = 0;
  for (size_t i = 0; i < back.Pixels.size(); ++i)
    worst = std::max(worst, std::abs(back.Pixels[i] - picture.Pixels[i]));
  EXPECT_LE(worst, 24);
  // The BMP holds bottom-up padded rows: 54-byte header, 100-byte rows.
  std::string bmp = ReadFile(dir.File("shot.bmp"));
  ASSERT_EQ(bmp.size(), 54u + 100u * 17u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<uint8_t>(bmp[54 + 2]), 200);                 // bottom row first: row 16
  EXPECT_EQ(static_cast<uint8_t>(bmp[54 + 1]), static_cast<uint8_t>(16 * 15));
  // A folder that cannot be written raises, and leaves no partial file.
  EXPECT_THROW(SaveSnapShotFile(dir.File("missing/shot.jpg"), picture), EOSError);
  EXPECT_THROW(LoadBitmapJPEG(dir.File("shot.bmp")), EOSError);
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "PictureSamples.h"
#include "platform/PictureFiles.h"
#include "platform/SysUtils.h"
#include "support/TestSupport.h"

namespace emberhall {
namespace {

using samples::BmpBytes;
using samples::TBmpSample;

std::vector<uint8_t> Bytes(const std::string& Text) { return {Text.begin(), Text.end()}; }

std::vector<uint32_t> DistinctPalette(int Count) {
  std::vector<uint32_t> palette;
  for (int i = 0; i < Count; ++i) palette.push_back(uint32_t(i * 50 % 256) << 16 | uint32_t(255 - i) << 8 | uint32_t(i * 3));
  return palette;
}

// The error's message holds Expected (the reader's text naming the picture).
template <class F>
void ExpectRefused(F&& Decode, const std::string& Expected, const std::string& Case) {
  try {
    Decode();
    ADD_FAILURE() << Case << ": accepted";
  } catch (const EOSError& e) {
    EXPECT_NE(e.Message.find(Expected), std::string::npos) << Case << ": " << e.Message;
  }
}

TEST(PictureFiles, IndexedBmpKeepTheirPaletteTopRowFirst) {
  for (const uint16_t bits : {1, 2, 4, 8}) {
    for (const bool topDown : {false, true}) {
      TBmpSample s;
      s.Width = 13;
      s.Height = 3;
      s.Bits = bits;
      s.TopDown = topDown;
      s.Palette = DistinctPalette(1 << bits);
      s.Pixel = [bits](int32_t x, int32_t y) { return uint32_t(x * 3 + y * 5) % (1u << bits); };
      const TBitmap b = DecodeBitmapBMP(BmpBytes(s), "p.bmp");
      ASSERT_TRUE(b.Palette) << bits;
      ASSERT_EQ(b.Width, 13);
      ASSERT_EQ(b.Height, 3);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 13; ++x) ASSERT_EQ(b.Row(y)[x], s.Pixel(x, y)) << bits << " " << topDown << " " << x << "," << y;
      for (size_t i = 0; i < s.Palette.size(); ++i) {
        const uint32_t c = s.Palette[i];
        EXPECT_EQ((*b.Palette)[i], (TPaletteColor{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)})) << bits << " " << i;
      }
    }
  }
}

TEST(PictureFiles, RunLengthCodedBmpDecode) {
  // Rows bottom first: the first coded row is the picture's last.
  const TBitmap b = DecodeBitmapBMP(samples::Rle8Bytes(8, 2, {{8, 1}, {4, 2, 4, 3}}, DistinctPalette(4)), "rle.bmp");
  ASSERT_TRUE(b.Palette);
  const std::vector<uint8_t> expected = {2, 2, 2, 2, 3, 3, 3, 3, 1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(b.Pixels, expected);
}

TEST(PictureFiles, OtherBmpDepthsBecomeBlueGreenRed) {
  struct TCase {
    uint16_t Bits;
    uint32_t Stored;  // the value of every pixel as stored
    uint8_t Blue, Green, Red;
  };
  const TCase cases[] = {
      {24, 0x123456, 0x56, 0x34, 0x12},
      {32, 0xA0B0C0, 0xC0, 0xB0, 0xA0},
      {16, 0x7C00, 0, 0, 255},  // 5-5-5: full red
  };
  for (const TCase& c : cases) {
    for (const bool topDown : {false, true}) {
      TBmpSample s;
      s.Width = 5;
      s.Height = 4;
      s.Bits = c.Bits;
      s.TopDown = topDown;
      // The top row differs from the rest, so a flip would show.
      s.Pixel = [&c](int32_t, int32_t y) { return y == 0 ? c.Stored : 0u; };
      const TBitmap b = DecodeBitmapBMP(BmpBytes(s), "c.bmp");
      ASSERT_FALSE(b.Palette);
      ASSERT_EQ(b.Width, 5);
      ASSERT_EQ(b.Height, 4);
      EXPECT_EQ(b.Row(0)[0], c.Blue) << c.Bits;
      EXPECT_EQ(b.Row(0)[1], c.Green) << c.Bits;
      EXPECT_EQ(b.Row(0)[2], c.Red) << c.Bits;
      EXPECT_EQ(b.Row(3)[0] + b.Row(3)[1] + b.Row(3)[2], 0) << c.Bits << " " << topDown;
    }
  }
}

TEST(PictureFiles, OurBmpFilesReadBackUnchanged) {
  test::TTempDir dir;
  for (const int width : {1, 3, 4, 7, 256}) {  // rows padded to four bytes
    TBitmap indexed;
    indexed.Width = width;
    indexed.Height = 5;
    indexed.Palette.emplace();
    for (int i = 0; i < width * 5; ++i) indexed.Pixels.push_back(static_cast<uint8_t>(i * 7));
    for (int i = 0; i < 256; ++i) (*indexed.Palette)[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)};
    TBitmap colour;
    colour.Width = width;
    colour.Height = 5;
    for (int i = 0; i < width * 15; ++i) colour.Pixels.push_back(static_cast<uint8_t>(i * 11));
    for (const TBitmap* picture : {&indexed, &colour}) {
      SaveBitmapBMP(dir.File("p.bmp"), *picture);
      const TBitmap read = LoadBitmapBMP(dir.File("p.bmp"));
      EXPECT_EQ(read.Width, width);
      EXPECT_EQ(read.Height, 5);
      EXPECT_EQ(read.Pixels, picture->Pixels) << width;
      EXPECT_EQ(read.Palette, picture->Palette) << width;
    }
  }
}

TEST(PictureFiles, DamagedOrHostileBmpAreRefusedNamingTheFile) {
  TBmpSample good;
  good.Bits = 8;
  good.Palette = DistinctPalette(256);
  const std::vector<uint8_t> goodBytes = BmpBytes(good);
  auto with = [&](size_t At, uint32_t Value) {
    std::vector<uint8_t> b = goodBytes;
    std::memcpy(b.data() + At, &Value, 4);
    return b;
  };
  TBmpSample pastPalette = good;
  pastPalette.ColorsUsed = 2;
  pastPalette.Palette = DistinctPalette(2);
  pastPalette.Pixel = [](int32_t x, int32_t) { return uint32_t(x == 3 ? 5 : 1); };
  TBmpSample threeBits = good;
  threeBits.Bits = 3;
  const std::pair<const char*, std::vector<uint8_t>> cases[] = {
      {"empty", {}},
      {"magic only", Bytes("BM")},
      {"text", Bytes("this is not a picture at all, only words in a file named .bmp\n")},
      {"cut short", std::vector<uint8_t>(goodBytes.begin(), goodBytes.end() - 3)},
      {"cut in the header", std::vector<uint8_t>(goodBytes.begin(), goodBytes.begin() + 30)},
      {"width 2^31", with(18, 0x80000000u)},
      {"1 x 100000000", with(22, 100000000u)},
      {"zero width", with(18, 0)},
      {"20000 x 20000", [&] {
         std::vector<uint8_t> b = with(18, 20000);
         const uint32_t h = 20000;
         std::memcpy(b.data() + 22, &h, 4);
         return b;
       }()},
      {"index past the palette", BmpBytes(pastPalette)},
      {"3 bits per pixel", BmpBytes(threeBits)},
      {"odd info header", with(14, 20)},
      {"pixels beyond the file", with(10, 0x7FFFFFF0u)},
  };
  for (const auto& [what, bytes] : cases)
    ExpectRefused([&] { DecodeBitmapBMP(bytes, "bad.bmp"); }, "Cannot read the picture bad.bmp: ", what);
  ExpectRefused([] { LoadBitmapBMP("/nonexistent/missing.bmp"); }, "/nonexistent/missing.bmp", "missing file");
}

TEST(PictureFiles, JpegColourAndGreyPicturesDecodeToBlueGreenRed) {
  test::TTempDir dir;
  TBitmap colour;
  colour.Width = 16;
  colour.Height = 8;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) {
      const uint8_t bgr[3] = {uint8_t(y < 4 ? 200 : 20), 60, uint8_t(y < 4 ? 20 : 200)};
      colour.Pixels.insert(colour.Pixels.end(), bgr, bgr + 3);
    }
  SaveBitmapJPEG(dir.File("c.jpg"), colour, 95);
  const TBitmap c = LoadBitmapJPEG(dir.File("c.jpg"));
  ASSERT_EQ(c.Width, 16);
  ASSERT_EQ(c.Height, 8);
  EXPECT_FALSE(c.Palette);
  EXPECT_GT(c.Row(0)[0], 150);  // blue above, red below: not flipped, not swapped
  EXPECT_LT(c.Row(0)[2], 70);
  EXPECT_GT(c.Row(7)[2], 150);

  TBitmap grey;
  grey.Width = 8;
  grey.Height = 8;
  grey.Palette.emplace();
  for (int i = 0; i < 256; ++i) (*grey.Palette)[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
  grey.Pixels.assign(64, 180);
  SaveBitmapJPEG(dir.File("g.jpg"), grey, 95);
  const TBitmap g = DecodeBitmapJPEG(Bytes(test::ReadFile(dir.File("g.jpg"))), "g.jpg");
  ASSERT_EQ(g.Pixels.size(), 64u * 3);
  EXPECT_FALSE(g.Palette);
  for (size_t i = 0; i < g.Pixels.size(); ++i) ASSERT_NEAR(g.Pixels[i], 180, 2) << i;
}

TEST(PictureFiles, DamagedOrHostileJpegAreRefusedNamingTheFile) {
  test::TTempDir dir;
  TBitmap picture;
  picture.Width = picture.Height = 64;
  for (int i = 0; i < 64 * 64 * 3; ++i) picture.Pixels.push_back(static_cast<uint8_t>(i * 31 / 7));
  SaveBitmapJPEG(dir.File("p.jpg"), picture, 90);
  const std::string good = test::ReadFile(dir.File("p.jpg"));
  const size_t frame = good.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  auto sized = [&](uint16_t Width, uint16_t Height) {
    std::string b = good;
    b[frame + 5] = static_cast<char>(Height >> 8);
    b[frame + 6] = static_cast<char>(Height);
    b[frame + 7] = static_cast<char>(Width >> 8);
    b[frame + 8] = static_cast<char>(Width);
    return b;
  };
  std::string corrupt = good;
  for (size_t i = good.size() / 2; i < good.size() / 2 + 40; ++i) corrupt[i] = static_cast<char>(0xFF);
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"text named .jpg", "GIF89a? no: plain text in a file named .jpg\n"},
      {"cut in half", good.substr(0, good.size() / 2)},
      {"cut in the header", good.substr(0, 100)},
      {"corrupt data", corrupt},
      {"65000 x 65000", sized(65000, 65000)},
      {"20000 x 10", sized(20000, 10)},
      {"16384 x 16384 (over 256 MiB)", sized(16384, 16384)},
      {"zero height", sized(64, 0)},
  };
  for (const auto& [what, bytes] : cases)
    ExpectRefused([&] { DecodeBitmapJPEG(Bytes(bytes), "bad.jpg"); }, "Cannot read the picture bad.jpg: ", what);
  test::WriteFile(dir.File("text.jpg"), "hello");
  ExpectRefused([&] { LoadBitmapJPEG(dir.File("text.jpg")); }, "Cannot read the picture " + dir.File("text.jpg"),
                "text file");
}

}  // namespace
}  // namespace emberhall
